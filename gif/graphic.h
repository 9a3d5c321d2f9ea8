// The abstract picture: something that loads from and saves to a stream, has a size and draws
// itself into a rectangle of a canvas. A picture control holds one and calls Draw when it paints;
// OnChange tells the control to paint again (an animated picture calls it for every frame, on the
// GUI thread). Pictures register their file extension and clipboard format by name, so a stored
// window definition can name the class and hand over the bytes.
#pragma once

#include <QImage>
#include <QRgb>
#include <QVector>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/binary_stream.h"
#include "platform/canvas.h"

class QMimeData;

namespace gif {

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  // Copies the picture into `dest` (a bitmap); the base refuses.
  virtual void AssignTo(QImage& dest) const;
  virtual void Assign(const TGraphic* source) = 0;
  virtual void Draw(platform::Canvas& canvas, const platform::Rect& rect) = 0;
  // The same picture: the same object.
  virtual bool Equals(const TGraphic* other) const { return other == this; }
  virtual bool GetEmpty() const = 0;
  virtual int GetHeight() const = 0;
  virtual int GetWidth() const = 0;
  virtual QVector<QRgb> GetPalette() { return {}; }
  virtual void SetHeight(int height) = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetPalette(const QVector<QRgb>&) {}
  // What a stored window definition keeps after the class name.
  virtual void WriteData(platform::ByteWriter& stream) { SaveToStream(stream); }
  virtual void LoadFromStream(platform::ByteReader& stream) = 0;
  virtual void SaveToStream(platform::ByteWriter& stream) = 0;
  virtual void LoadFromClipboardFormat(const QMimeData& data) = 0;
  virtual void SaveToClipboardFormat(QMimeData& data) = 0;

  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);

  // Called after every change of the picture (on the thread that made it).
  std::function<void()> OnChange;

 protected:
  void Changed() const {
    if (OnChange) OnChange();
  }
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TGraphicFormat {
  std::string Extension;    // without the dot, e.g. "GIF"
  std::string Description;  // e.g. "GIF Image"
  std::string ClassName;    // e.g. "TGIFImage"
  TGraphicFactory Create;
};

// The picture registry: file extensions (without regard to case) and class names to picture
// classes. The GIF picture is registered on first use; later registrations win.
void RegisterFileFormat(const TGraphicFormat& format);
void UnregisterGraphicClass(const std::string& className);
// Null when nothing is registered under that extension or class name.
const TGraphicFormat* FindFileFormat(const std::string& extension);
const TGraphicFormat* FindGraphicClass(const std::string& className);

// Clipboard formats by name, each with the MIME type that carries it.
struct TClipboardFormat {
  std::string Name;      // e.g. "GIF Image"
  std::string MimeType;  // e.g. "image/gif"
  std::string ClassName;
};
void RegisterClipboardFormat(const TClipboardFormat& format);
const TClipboardFormat* FindClipboardFormat(const std::string& name);

// Puts the picture on the system clipboard, or replaces it with what the clipboard holds.
void CopyToClipboard(TGraphic& graphic);
void PasteFromClipboard(TGraphic& graphic);

}  // namespace gif
