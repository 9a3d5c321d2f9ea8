#include "gif/graphic.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>
#include <cctype>
#include <mutex>

#include "gif/gif_exception.h"
#include "gif/gif_image.h"

namespace gif {

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct Registry {
  std::mutex lock;
  std::vector<TGraphicFormat> formats;
  std::vector<TClipboardFormat> clipboard;
};

Registry& Registered() {
  static Registry* registry = [] {
    static Registry r;
    r.formats.push_back(TGraphicFormat{"GIF", "GIF Image", "TGIFImage", [] { return std::make_unique<TGIFImage>(); }});
    r.clipboard.push_back(TClipboardFormat{"GIF Image", "image/gif", "TGIFImage"});
    return &r;
  }();
  return *registry;
}

}  // namespace

void TGraphic::AssignTo(QImage&) const { throw GIFException(texts::kUnsupportedObject); }

void TGraphic::LoadFromFile(const std::string& path) {
  const platform::Bytes bytes = platform::ReadFileBytes(path);
  platform::ByteReader reader(bytes);
  LoadFromStream(reader);
}

void TGraphic::SaveToFile(const std::string& path) {
  platform::ByteWriter writer;
  SaveToStream(writer);
  platform::WriteFileBytes(path, writer.Data());
}

void RegisterFileFormat(const TGraphicFormat& format) {
  Registry& r = Registered();
  std::lock_guard<std::mutex> guard(r.lock);
  r.formats.push_back(format);
}

void UnregisterGraphicClass(const std::string& className) {
  Registry& r = Registered();
  std::lock_guard<std::mutex> guard(r.lock);
  std::erase_if(r.formats, [&](const TGraphicFormat& f) { return f.ClassName == className; });
  std::erase_if(r.clipboard, [&](const TClipboardFormat& f) { return f.ClassName == className; });
}

const TGraphicFormat* FindFileFormat(const std::string& extension) {
  Registry& r = Registered();
  std::lock_guard<std::mutex> guard(r.lock);
  std::string wanted = Upper(extension);
  if (!wanted.empty() && wanted[0] == '.') wanted.erase(0, 1);
  for (auto it = r.formats.rbegin(); it != r.formats.rend(); ++it)
    if (Upper(it->Extension) == wanted) return &*it;
  return nullptr;
}

const TGraphicFormat* FindGraphicClass(const std::string& className) {
  Registry& r = Registered();
  std::lock_guard<std::mutex> guard(r.lock);
  for (auto it = r.formats.rbegin(); it != r.formats.rend(); ++it)
    if (it->ClassName == className) return &*it;
  return nullptr;
}

void RegisterClipboardFormat(const TClipboardFormat& format) {
  Registry& r = Registered();
  std::lock_guard<std::mutex> guard(r.lock);
  r.clipboard.push_back(format);
}

const TClipboardFormat* FindClipboardFormat(const std::string& name) {
  Registry& r = Registered();
  std::lock_guard<std::mutex> guard(r.lock);
  for (auto it = r.clipboard.rbegin(); it != r.clipboard.rend(); ++it)
    if (it->Name == name) return &*it;
  return nullptr;
}

void CopyToClipboard(TGraphic& graphic) {
  QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
  if (!clipboard) throw GIFException(texts::kClipboardStore);
  auto data = std::make_unique<QMimeData>();
  graphic.SaveToClipboardFormat(*data);
  clipboard->setMimeData(data.release());
}

void PasteFromClipboard(TGraphic& graphic) {
  QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (!data) throw GIFException(texts::kClipboardFormat);
  graphic.LoadFromClipboardFormat(*data);
}

}  // namespace gif
