#include "gif/gif_image.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <new>

#include "gif/canvas_painter.h"
#include "gif/checked_image.h"
#include "gif/color_reduction.h"
#include "platform/gui_calls.h"
#include "gif/optimizer.h"
#include "gif/painter.h"

namespace gif {

namespace {
constexpr const char* kMimeType = "image/gif";
}  // namespace

TGIFDefaults& GIFDefaults() {
  static TGIFDefaults defaults;
  return defaults;
}

bool ScreenHasPalette() {
  static const bool palette = [] {
    if (!qGuiApp) return false;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->depth() < 9;
  }();
  return palette;
}

// Frame list

void TGIFImageList::LoadFromStream(platform::ByteReader& stream, TGIFImage* image) {
  for (;;) {
    int next = PeekByte(stream);
    while (next == 0) {
      stream.Skip(1);
      next = PeekByte(stream);
    }
    if (next < 0 || next == kTrailerByte) break;
    if (next != kExtensionIntroducer && next != kImageSeparator) {
      image->Warning(nullptr, TGIFSeverity::Warning, texts::kUnknownBlock);
      break;
    }
    if (Count() >= kMaxFrames) throw GIFException(texts::kTooLarge);
    auto frame = std::make_unique<TGIFSubImage>(image);
    frame->LoadFromStream(stream);
    Add(std::move(frame));
    image->Progress(TProgressStage::Running, stream.Size() ? int(stream.Position() * 100 / stream.Size()) : 100,
                    texts::kLoading);
  }
}

void TGIFImageList::SaveToStream(platform::ByteWriter& stream) const {
  for (const auto& frame : *this) frame->SaveToStream(stream);
}

// Picture

TGIFImage::TGIFImage() : header_(this), trailer_(this) {
  const TGIFDefaults& d = GIFDefaults();
  DrawOptions = d.DrawOptions;
  ColorReduction = d.ColorReduction;
  ReductionBits = d.ReductionBits;
  DitherMode = d.DitherMode;
  Compression = d.Compression;
  ThreadPriority = d.ThreadPriority;
  AnimationSpeed = d.AnimationSpeed;
}

TGIFImage::~TGIFImage() {
  try {
    PaintStop();
  } catch (...) {
    // A painter's error has no one left to report to.
  }
  images_.Clear();
}

void TGIFImage::Warning(const TGIFItem* item, TGIFSeverity severity, const std::string& message) {
  if (OnWarning) OnWarning(*this, item, severity, message);
}

void TGIFImage::Progress(TProgressStage stage, int percent, const std::string& message) {
  if (OnProgress && platform::GuiCalls::OnGuiThread()) OnProgress(*this, stage, percent, message);
}

bool TGIFImage::DitherActive() const {
  return (DrawOptions & DrawDither) && (!(DrawOptions & DrawAutoDither) || ScreenHasPalette());
}

void TGIFImage::ReserveBytes(int64_t count) {
  if (bytesInUse_.fetch_add(count) + count > kMaxPictureBytes) {
    bytesInUse_ -= count;
    throw GIFException(texts::kTooLarge);
  }
}

TGIFVersion TGIFImage::Version() const {
  TGIFVersion version = header_.Version();
  for (const auto& frame : images_) version = std::max(version, frame->Version());
  return version;
}

void TGIFImage::FitScreenToFrames() {
  int width = header_.Width(), height = header_.Height();
  for (const auto& frame : images_) {
    width = std::max(width, std::min(65535, frame->Left() + frame->Width()));
    height = std::max(height, std::min(65535, frame->Top() + frame->Height()));
  }
  if (int64_t(width) * height > kMaxFramePixels) throw GIFException(texts::kTooLarge);
  header_.SetWidth(width);
  header_.SetHeight(height);
}

// Reading and writing

void TGIFImage::LoadFromStream(platform::ByteReader& stream) {
  const size_t start = stream.Position();
  Clear();
  Progress(TProgressStage::Starting, 0, texts::kLoading);
  auto fail = [&] {
    Clear();
    stream.Seek(start);
    Progress(TProgressStage::Ending, 0, texts::kLoading);
  };
  try {
    header_.LoadFromStream(stream);
    images_.LoadFromStream(stream, this);
    FitScreenToFrames();
    trailer_.LoadFromStream(stream);
  } catch (const std::bad_alloc&) {
    fail();
    throw GIFException(texts::kTooLarge);
  } catch (const platform::FormatError&) {
    fail();
    throw GIFException(texts::kPrematureEnd);
  } catch (...) {
    fail();
    throw;
  }
  Progress(TProgressStage::Ending, 100, texts::kLoading);
  Changed();
}

void TGIFImage::SaveToStream(platform::ByteWriter& stream) {
  if (images_.Empty()) throw GIFException(texts::kUnsupportedVersion);
  Progress(TProgressStage::Starting, 0, texts::kSaving);
  // Compressed data rarely exceeds one byte a pixel.
  size_t estimate = 1024;
  for (const auto& frame : images_) estimate += frame->DataSize() + 1024;
  stream.Reserve(estimate);
  header_.SaveToStream(stream);
  for (int i = 0; i < images_.Count(); ++i) {
    images_[i]->SaveToStream(stream);
    Progress(TProgressStage::Running, (i + 1) * 100 / images_.Count(), texts::kSaving);
  }
  trailer_.SaveToStream(stream);
  Progress(TProgressStage::Ending, 100, texts::kSaving);
}

void TGIFImage::WriteData(platform::ByteWriter& stream) {
  if (GIFDefaults().OptimizeOnWrite) Optimize(*this, kOptimizeAll & ~ooReduceColors, rmNone, dmNearest, 8);
  SaveToStream(stream);
}

void TGIFImage::SaveToClipboardFormat(QMimeData& data) {
  platform::ByteWriter bytes;
  SaveToStream(bytes);
  const QImage composed = GetBitmap();
  data.setData(kMimeType, QByteArray(reinterpret_cast<const char*>(bytes.Data().data()), qsizetype(bytes.Size())));
  data.setImageData(composed);
  if (!data.hasFormat(kMimeType)) throw GIFException(texts::kClipboardStore);
}

void TGIFImage::LoadFromClipboardFormat(const QMimeData& data) {
  if (data.hasFormat(kMimeType)) {
    const QByteArray bytes = data.data(kMimeType);
    platform::ByteReader reader(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    LoadFromStream(reader);
  } else if (data.hasImage()) {
    const QImage image = qvariant_cast<QImage>(data.imageData());
    Clear();
    Add(image);
  } else {
    throw GIFException(texts::kClipboardFormat);
  }
}

// Changing the picture

void TGIFImage::Clear() {
  PaintStop();
  images_.Clear();
  header_.Clear();
  palette_.clear();
  paletteModified_ = false;
  Changed();
}

void TGIFImage::AssignTo(QImage& dest) const { dest = const_cast<TGIFImage*>(this)->GetBitmap(); }

void TGIFImage::Assign(const TGraphic* source) {
  if (source == this) return;
  if (!source) {
    Clear();
    return;
  }
  if (const auto* gif = dynamic_cast<const TGIFImage*>(source)) {
    Clear();
    Progress(TProgressStage::Starting, 0, texts::kCopying);
    header_.Assign(gif->header_);
    ThreadPriority = gif->ThreadPriority;
    BackgroundColor = gif->BackgroundColor;
    DrawOptions = gif->DrawOptions;
    ColorReduction = gif->ColorReduction;
    DitherMode = gif->DitherMode;
    ShownFrame = gif->ShownFrame;
    OnWarning = gif->OnWarning;
    OnStartPaint = gif->OnStartPaint;
    OnPaint = gif->OnPaint;
    OnAfterPaint = gif->OnAfterPaint;
    OnLoop = gif->OnLoop;
    OnEndPaint = gif->OnEndPaint;
    try {
      for (int i = 0; i < gif->images_.Count(); ++i) {
        auto frame = std::make_unique<TGIFSubImage>(this);
        frame->Assign(*gif->images_[i]);
        images_.Add(std::move(frame));
        Progress(TProgressStage::Running, (i + 1) * 100 / gif->images_.Count(), texts::kCopying);
      }
    } catch (...) {
      Clear();
      throw;
    }
    Progress(TProgressStage::Ending, 100, texts::kCopying);
    Changed();
    return;
  }
  Clear();
  Add(const_cast<TGraphic*>(source));
}

TGIFSubImage* TGIFImage::Add(std::unique_ptr<TGIFSubImage> frame) {
  if (!frame) throw GIFException(texts::kUnsupportedObject);
  PaintStop();
  TGIFSubImage* added = images_.Add(std::move(frame));
  FitScreenToFrames();
  Changed();
  return added;
}

TGIFSubImage* TGIFImage::Add(const QImage& source) {
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->Assign(source);
  return Add(std::move(frame));
}

TGIFSubImage* TGIFImage::Add(const platform::Bitmap& source) {
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->Assign(source);
  return Add(std::move(frame));
}

TGIFSubImage* TGIFImage::Add(TGraphic* source) {
  if (!source || source->GetEmpty() || source->GetWidth() <= 0 || source->GetHeight() <= 0)
    throw GIFException(texts::kUnsupportedObject);
  // Any other picture is drawn on a bitmap first.
  platform::Canvas canvas(source->GetWidth(), source->GetHeight(), platform::clWhite);
  source->Draw(canvas, {0, 0, canvas.Width(), canvas.Height()});
  return Add(canvas.Image());
}

void TGIFImage::SetWidth(int width) {
  if (width < 0 || width > 65535) throw GIFException(texts::kInvalidDimensions);
  for (const auto& frame : images_)
    if (frame->Left() + frame->Width() > width) throw GIFException(texts::kWidthTooSmall);
  if (width == header_.Width()) return;
  StopDraw();
  header_.SetWidth(width);
  Changed();
}

void TGIFImage::SetHeight(int height) {
  if (height < 0 || height > 65535) throw GIFException(texts::kInvalidDimensions);
  for (const auto& frame : images_)
    if (frame->Top() + frame->Height() > height) throw GIFException(texts::kHeightTooSmall);
  if (height == header_.Height()) return;
  StopDraw();
  header_.SetHeight(height);
  Changed();
}

QVector<QRgb> TGIFImage::GetPalette() {
  if (insidePaletteQuery_) throw GIFException(texts::kNoColorTable);
  insidePaletteQuery_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{insidePaletteQuery_};
  if (bitmap_ && bitmap_->colorCount() > 0) return bitmap_->colorTable();
  if (!palette_.isEmpty()) return palette_;
  QVector<QRgb> palette;
  if (DitherActive()) {
    for (const TGIFColor& c : NetscapePalette()) palette.push_back(ToQRgb(c));
  } else if (!header_.ColorMap().Empty()) {
    for (const TGIFColor& c : header_.ColorMap().Colors()) palette.push_back(ToQRgb(c));
  } else if (!images_.Empty()) {
    for (const TGIFColor& c : images_[0]->ActiveColorMap().Colors()) palette.push_back(ToQRgb(c));
  }
  palette_ = palette;
  return palette_;
}

void TGIFImage::SetPalette(const QVector<QRgb>& palette) {
  palette_ = palette;
  if (bitmap_ && bitmap_->colorTable() != palette) {
    StopDraw();
    paletteModified_ = true;
    Changed();
  }
}

// Drawing

bool TGIFImage::HoldsPainter(const TGIFPainter* painter) const {
  std::lock_guard<std::recursive_mutex> guard(paintersLock_);
  for (const auto& p : painters_)
    if (p.get() == painter) return true;
  return false;
}

TGIFPainter* TGIFImage::DrawPainter() const {
  std::lock_guard<std::recursive_mutex> guard(paintersLock_);
  return drawPainter_ && !drawPainter_->Finished() ? drawPainter_ : nullptr;
}

int TGIFImage::PainterCount() const {
  std::lock_guard<std::recursive_mutex> guard(paintersLock_);
  return int(painters_.size());
}

void TGIFImage::ReapPainters() {
  std::vector<std::unique_ptr<TGIFPainter>> ended;
  {
    std::lock_guard<std::recursive_mutex> guard(paintersLock_);
    for (auto it = painters_.begin(); it != painters_.end();) {
      if ((*it)->Finished()) {
        if (drawPainter_ == it->get()) drawPainter_ = nullptr;
        ended.push_back(std::move(*it));
        it = painters_.erase(it);
      } else {
        ++it;
      }
    }
  }
  std::exception_ptr error;
  for (auto& painter : ended) {
    painter->Join();
    if (!error) error = painter->Error();
  }
  ended.clear();
  if (error) std::rethrow_exception(error);
}

void TGIFImage::StopPainter(TGIFPainter* painter) {
  painter->Stop();
  if (painter->Asynchronous() && !painter->InGuiCall()) painter->Join();
  ReapPainters();
}

void TGIFImage::StopDraw() {
  TGIFPainter* painter;
  {
    std::lock_guard<std::recursive_mutex> guard(paintersLock_);
    painter = drawPainter_;
  }
  try {
    if (painter && HoldsPainter(painter)) StopPainter(painter);
    else ReapPainters();
  } catch (...) {
    DropBitmap();
    throw;
  }
  DropBitmap();
}

void TGIFImage::PaintStop() {
  std::vector<TGIFPainter*> running;
  {
    std::lock_guard<std::recursive_mutex> guard(paintersLock_);
    for (const auto& p : painters_) running.push_back(p.get());
  }
  for (TGIFPainter* p : running) p->Stop();
  for (TGIFPainter* p : running)
    if (p->Asynchronous() && !p->InGuiCall()) p->Join();
  try {
    ReapPainters();
  } catch (...) {
    DropBitmap();
    throw;
  }
  DropBitmap();
}

void TGIFImage::DropBitmap() {
  bitmapCanvas_.reset();
  bitmap_.reset();
  ReleaseBytes(bitmapBytes_);
  bitmapBytes_ = 0;
}

QImage TGIFImage::GetBitmap() {
  if (images_.Empty()) return QImage();
  if (bitmap_) return *bitmap_;
  const TGIFSubImage& first = *images_[0];
  QImage composed;
  if (first.Left() == 0 && first.Top() == 0 && first.Width() == GetWidth() && first.Height() == GetHeight()) {
    composed = ConvertedImage(first.Bitmap(), QImage::Format_RGB32);
  } else {
    platform::Canvas canvas(GetWidth(), GetHeight(), platform::clBlack);
    first.Draw(canvas, {0, 0, GetWidth(), GetHeight()}, false, false);
    composed = canvas.Image();
  }
  if (composed.isNull() && GetWidth() > 0 && GetHeight() > 0) throw GIFException(texts::kTooLarge);
  return composed;
}

void TGIFImage::DrawBitmap(platform::Canvas& canvas, const platform::Rect& rect) {
  if (!bitmap_ || bitmap_->isNull() || rect.IsEmpty()) return;
  const bool tile = (DrawOptions & DrawTile) != 0;
  CanvasPainter paint(canvas, tile ? &rect : nullptr);
  paint.Painter().setCompositionMode(QPainter::CompositionMode_Source);
  if (tile)
    paint.Tile(*bitmap_, rect, bitmap_->width(), bitmap_->height());
  else
    paint.Painter().drawImage(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), *bitmap_);
}

TGIFPainter* TGIFImage::Paint(platform::Canvas& canvas, const platform::Rect& rect, uint16_t options) {
  if (GetEmpty() || rect.IsEmpty()) return nullptr;
  if (images_.Count() == 1) options &= uint16_t(~(DrawAsync | DrawAnimate));
  auto painter = std::make_unique<TGIFPainter>(*this, canvas, rect, options);
  painter->OnStartPaint = OnStartPaint;
  painter->OnLoop = OnLoop;
  painter->OnPaint = OnPaint;
  painter->OnAfterPaint = OnAfterPaint;
  painter->OnEndPaint = OnEndPaint;
  TGIFPainter* raw = painter.get();
  {
    std::lock_guard<std::recursive_mutex> guard(paintersLock_);
    painters_.push_back(std::move(painter));
  }
  if (raw->Asynchronous()) {
    raw->Start();
    return raw;
  }
  raw->Run();
  std::unique_ptr<TGIFPainter> done;
  {
    std::lock_guard<std::recursive_mutex> guard(paintersLock_);
    for (auto it = painters_.begin(); it != painters_.end(); ++it)
      if (it->get() == raw) {
        done = std::move(*it);
        painters_.erase(it);
        break;
      }
    if (drawPainter_ == raw) drawPainter_ = nullptr;
  }
  if (done && done->Error()) std::rethrow_exception(done->Error());
  return nullptr;
}

void TGIFImage::Draw(platform::Canvas& canvas, const platform::Rect& rect) {
  ReapPainters();
  if (drawing_ || images_.Empty()) return;
  drawing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{drawing_};

  if (images_.Count() == 1 || !(DrawOptions & DrawAnimate)) {
    const int index = ShownFrame >= 0 && ShownFrame < images_.Count() ? ShownFrame : 0;
    images_[index]->Draw(canvas, rect, DrawOptions & DrawTransparent, DrawOptions & DrawTile);
    return;
  }
  const bool direct = (DrawOptions & DrawDirect) != 0;
  if (bitmap_ && !direct) {
    DrawBitmap(canvas, rect);
    return;
  }
  if (rect.IsEmpty()) return;
  TGIFPainter* painter = DrawPainter();
  const bool keep = painter && direct && &painter->Canvas() == &canvas && painter->Rect() == rect;
  if (!keep) {
    if (painter) StopPainter(painter);
    if (direct) {
      painter = Paint(canvas, rect, DrawOptions);
    } else {
      if (GetWidth() <= 0 || GetHeight() <= 0) return;
      // The composed bitmap starts as what lies under the picture.
      const int64_t bytes = int64_t(GetWidth()) * GetHeight() * kBitmapBytesPerPixel;
      ReserveBytes(bytes);
      bitmapBytes_ = bytes;
      bitmap_ = std::make_unique<QImage>(GetWidth(), GetHeight(), QImage::Format_RGB32);
      if (bitmap_->isNull()) {
        DropBitmap();
        throw GIFException(texts::kTooLarge);
      }
      {
        QPainter copy(bitmap_.get());
        copy.setCompositionMode(QPainter::CompositionMode_Source);
        copy.drawImage(QRect(0, 0, GetWidth(), GetHeight()), canvas.Image(),
                       QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
      }
      bitmapCanvas_ = std::make_unique<platform::Canvas>(bitmap_.get());
      painter = Paint(*bitmapCanvas_, {0, 0, GetWidth(), GetHeight()}, DrawOptions);
    }
    std::lock_guard<std::recursive_mutex> guard(paintersLock_);
    drawPainter_ = painter;
  }
  if (direct) return;
  if (painter)
    platform::GuiCalls::Instance().DrainUntil(
        [&] { return !HoldsPainter(painter) || painter->Started() || painter->Finished(); });
  DrawBitmap(canvas, rect);
}

}  // namespace gif
