// TGIFImage: a GIF file as a picture. It owns the header, the frames and the trailer, draws a
// still picture at once and animates a picture of several frames through painters (gif/painter.h),
// and writes itself back (gif/encoders.h).
//
// Threads: Draw, StopDraw, PaintStop and every change of the picture run on the GUI thread. An
// asynchronous painter runs on a thread of its own; its drawing and its events come back to the GUI
// thread through GuiCalls. The picture stops and joins its painters before it changes or is
// destroyed. An error inside a painter thread is kept and raised by the next StopDraw, PaintStop or
// Draw.
#pragma once

#include <QImage>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "gif/gif_header.h"
#include "gif/graphic.h"
#include "gif/sub_image.h"
#include "platform/thread_priority.h"

namespace gif {

class TGIFPainter;
class TGIFImage;

// Draw options (bits of DrawOptions).
inline constexpr uint16_t DrawAsync = 0x01;
inline constexpr uint16_t DrawTransparent = 0x02;
inline constexpr uint16_t DrawAnimate = 0x04;
inline constexpr uint16_t DrawLoop = 0x08;
inline constexpr uint16_t DrawLoopForever = 0x10;
inline constexpr uint16_t DrawValidateCanvas = 0x20;
inline constexpr uint16_t DrawDirect = 0x40;
inline constexpr uint16_t DrawClearOnLoop = 0x80;
inline constexpr uint16_t DrawTile = 0x100;
inline constexpr uint16_t DrawDither = 0x200;
inline constexpr uint16_t DrawAutoDither = 0x400;

// The priority of painter threads (platform/thread_priority.h).
using TThreadPriority = platform::ThreadPriority;
enum class TProgressStage { Starting, Running, Ending };

using TGIFWarningEvent = std::function<void(TGIFImage& sender, const TGIFItem* item, TGIFSeverity severity,
                                            const std::string& message)>;
using TProgressEvent =
    std::function<void(TGIFImage& sender, TProgressStage stage, int percent, const std::string& message)>;
using TGIFPainterEvent = std::function<void(TGIFPainter& painter)>;

// Unit-wide settings every new picture starts from.
struct TGIFDefaults {
  uint16_t DrawOptions = DrawAsync | DrawTransparent | DrawAnimate | DrawLoop | DrawClearOnLoop | DrawDither |
                         DrawAutoDither;  // 0x068F
  int ColorReduction = 6;
  int ReductionBits = 8;
  int DitherMode = 0;
  int Compression = 0;
  TThreadPriority ThreadPriority = TThreadPriority::Normal;
  int AnimationSpeed = 100;
  // Build every frame's bitmap while loading.
  bool BuildBitmapsOnLoad = false;
  // Optimise (all five steps, no reduction) before WriteData writes.
  bool OptimizeOnWrite = false;
};
TGIFDefaults& GIFDefaults();
// True when the display has a palette (8 bits per pixel or fewer); measured once.
bool ScreenHasPalette();

// The frames of a picture in file order.
class TGIFImageList : public TGIFList<TGIFSubImage> {
 public:
  // Frames until the trailer; an unknown block warns "Unknown GIF block type" and ends the list.
  void LoadFromStream(platform::ByteReader& stream, TGIFImage* image);
  void SaveToStream(platform::ByteWriter& stream) const;
};

class TGIFImage : public TGraphic {
 public:
  TGIFImage();
  ~TGIFImage() override;

  // The picture interface
  // A bitmap takes the composed picture.
  void AssignTo(QImage& dest) const override;
  // Null empties the picture; a GIF picture is copied frame by frame; any other picture becomes
  // the single frame of this one.
  void Assign(const TGraphic* source) override;
  void Draw(platform::Canvas& canvas, const platform::Rect& rect) override;
  bool GetEmpty() const override { return images_.Empty(); }
  int GetHeight() const override { return header_.Height(); }
  int GetWidth() const override { return header_.Width(); }
  QVector<QRgb> GetPalette() override;
  // Refuse a size that would cut a frame ("Image width too small for contained frames", "Image
  // height too small for contained frames").
  void SetHeight(int height) override;
  void SetWidth(int width) override;
  void SetPalette(const QVector<QRgb>& palette) override;
  void WriteData(platform::ByteWriter& stream) override;
  // Header, frames, screen-size fix-up, trailer. On any failure the picture is left empty, the
  // stream back where it was, and the error passes on.
  void LoadFromStream(platform::ByteReader& stream) override;
  // Header, frames, trailer; a picture without frames raises "Unsupported GIF version".
  void SaveToStream(platform::ByteWriter& stream) override;
  // MIME type image/gif (clipboard format "GIF Image"), else a plain image as the only frame;
  // anything else raises "Unsupported clipboard format".
  void LoadFromClipboardFormat(const QMimeData& data) override;
  // The composed bitmap as the image and the GIF file under image/gif.
  void SaveToClipboardFormat(QMimeData& data) override;
  // Calls OnWarning when set.
  virtual void Warning(const TGIFItem* item, TGIFSeverity severity, const std::string& message);

  // Stops all painters, drops the composed bitmap, frames, global map and palette; 0 x 0.
  void Clear();
  // Appends a frame (the picture takes it over).
  TGIFSubImage* Add(std::unique_ptr<TGIFSubImage> frame);
  // Converts another picture into a new frame; null raises "Object type not supported for operation".
  TGIFSubImage* Add(TGraphic* source);
  TGIFSubImage* Add(const QImage& source);
  TGIFSubImage* Add(const platform::Bitmap& source);
  // Stops the painter of the last Draw (waiting for it) and drops the composed bitmap.
  void StopDraw();
  // Stops every painter, waits until all have gone and drops the composed bitmap.
  void PaintStop();
  // The composed bitmap: the first frame on the logical screen; null for an empty picture.
  QImage GetBitmap();

  TGIFHeader& Header() { return header_; }
  const TGIFHeader& Header() const { return header_; }
  TGIFImageList& Images() { return images_; }
  const TGIFImageList& Images() const { return images_; }
  // The highest version a part of the picture needs.
  TGIFVersion Version() const;
  // Reports progress (only on the GUI thread, where OnProgress may touch windows).
  void Progress(TProgressStage stage, int percent, const std::string& message);
  // Tells the picture's users that it changed (the picture control repaints).
  void NotifyChange() const { Changed(); }

  // Options
  uint16_t DrawOptions = 0;
  int ColorReduction = 0;
  int ReductionBits = 8;
  int DitherMode = 0;
  int Compression = 0;
  TThreadPriority ThreadPriority = TThreadPriority::Normal;
  int AnimationSpeed = 100;
  std::optional<platform::TColor> BackgroundColor;
  int ShownFrame = -1;
  // Dithering applies when DrawDither is set and either DrawAutoDither is off or the screen has a
  // palette.
  bool DitherActive() const;

  TGIFWarningEvent OnWarning;
  TProgressEvent OnProgress;
  TGIFPainterEvent OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;

  // Painters (gif/painter.h)
  // The painter of the last animated Draw while it runs, else null.
  TGIFPainter* DrawPainter() const;
  int PainterCount() const;
  // Makes a painter for `rect` of `canvas` with `options` and starts it: an asynchronous one is
  // returned running; a synchronous one runs to its end here and null is returned. Null also for
  // an empty picture or rectangle.
  TGIFPainter* Paint(platform::Canvas& canvas, const platform::Rect& rect, uint16_t options);

  // Memory budget bookkeeping (see kMaxPictureBytes): "Image is too large" past the budget.
  void ReserveBytes(int64_t count);
  void ReleaseBytes(int64_t count) { bytesInUse_ -= count; }
  int64_t BytesInUse() const { return bytesInUse_; }

 private:
  friend class TGIFPainter;
  void DropBitmap();
  // Joins painters that have ended; raises the first error one of them kept.
  void ReapPainters();
  // Stops `painter` and, unless it is synchronous or its call is on this thread's stack, waits for
  // it; then reaps.
  void StopPainter(TGIFPainter* painter);
  bool HoldsPainter(const TGIFPainter* painter) const;
  void DrawBitmap(platform::Canvas& canvas, const platform::Rect& rect);
  // The logical screen grows to hold every frame (never past 65535).
  void FitScreenToFrames();

  TGIFImageList images_;
  TGIFHeader header_;
  TGIFTrailer trailer_;
  mutable std::recursive_mutex paintersLock_;
  std::vector<std::unique_ptr<TGIFPainter>> painters_;
  TGIFPainter* drawPainter_ = nullptr;
  std::unique_ptr<QImage> bitmap_;
  std::unique_ptr<platform::Canvas> bitmapCanvas_;
  QVector<QRgb> palette_;
  bool paletteModified_ = false;
  bool drawing_ = false;
  bool insidePaletteQuery_ = false;
  std::atomic<int64_t> bytesInUse_{0};
  int64_t bitmapBytes_ = 0;
};

}  // namespace gif
