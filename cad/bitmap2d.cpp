#include "cad/bitmap2d.h"

#include "cad/cad_exceptions.h"
#include "cad/curves2d.h"
#include "platform/bitmap_qimage.h"
#include "platform/bmp.h"

namespace cad {

namespace {

constexpr size_t kBmpFileHeaderSize = 14;
// Run-length pictures may hold more pixels than bytes, but not without bound: a run of 255 pixels
// takes two bytes, so 128 pixels a byte covers every honest picture that is not mostly skipped.
constexpr int64_t kMaxPixelsPerByte = 128;

platform::Bitmap ReadEmbeddedBmp(platform::ByteReader& stream) {
  // The file header says how long the image is: "BM", then the uint32 file size.
  const size_t start = stream.Position();
  if (stream.Remaining() < kBmpFileHeaderSize || stream.U8() != 'B' || stream.U8() != 'M')
    throw ECADFileNotValid("TBitmap2D.CreateFromStream: The bitmap is not a BMP image");
  const uint32_t size = stream.U32();
  stream.Seek(start);
  if (size < kBmpFileHeaderSize || size > stream.Remaining())
    throw ECADFileNotValid("TBitmap2D.CreateFromStream: Bitmap size out of bounds");
  const platform::Bytes image = stream.ReadBytes(size);
  try {
    return platform::DecodeBmp(image.data(), image.size(), int64_t(size) * kMaxPixelsPerByte);
  } catch (const platform::Exception& e) {
    throw ECADFileNotValid(std::string("TBitmap2D.CreateFromStream: ") + e.what());
  }
}

}  // namespace

TBitmap2D::TBitmap2D(int32_t id) : TPrimitive2D(id, 2) {}

TBitmap2D::TBitmap2D(int32_t id, const platform::Bitmap& bitmap, const TPoint2D& corner,
                     const TPoint2D& oppositeCorner)
    : TPrimitive2D(id, 2), bitmap_(bitmap) {
  const TPoint2D points[] = {corner, oppositeCorner};
  FillPoints(points, false);
}

TBitmap2D::TBitmap2D(platform::ByteReader& stream, const std::string& versionTag) : TPrimitive2D(stream, versionTag) {
  bitmap_ = ReadEmbeddedBmp(stream);
  if (versionTag >= "CAD422") {
    Reserved1 = stream.F64();
    Reserved2 = stream.F64();
    CopyMode = stream.I32();
  }
}

void TBitmap2D::SaveToStream(platform::ByteWriter& stream) {
  const platform::Bytes image = platform::EncodeBmp(bitmap_);
  TPrimitive2D::SaveToStream(stream);
  stream.Write(image.data(), image.size());
  stream.F64(Reserved1);
  stream.F64(Reserved2);
  stream.I32(CopyMode);
}

void TBitmap2D::SetBitmap(const platform::Bitmap& bitmap) {
  {
    std::lock_guard<std::mutex> lock(imageLock_);
    bitmap_ = bitmap;
    imageValid_ = false;
    image_ = QImage();
  }
  UpdateAndNotify();
}

QImage TBitmap2D::Image() {
  std::lock_guard<std::mutex> lock(imageLock_);
  if (!imageValid_) {
    image_ = bitmap_.Empty() ? QImage() : platform::ToQImage(bitmap_);
    imageValid_ = true;
  }
  return image_;
}

void TBitmap2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D&, int) {
  const TPoint2D* a = PointOrNone(0);
  const TPoint2D* b = PointOrNone(1);
  if (!a || !b || bitmap_.Empty()) return;
  const TTransform2D m = PointsToScreen(view);
  // Reordered, so corners given in either order show the picture the right way up.
  const platform::Rect dest = Rect2DToRect({TransformPoint2D(*a, m), TransformPoint2D(*b, m)});
  platform::Canvas& c = canvas.Canvas();
  const uint32_t previous = c.CopyMode();
  c.SetCopyMode(uint32_t(CopyMode));
  c.StretchDraw(dest, Image());
  c.SetCopyMode(previous);
}

void TBitmap2D::AssignFrom(const TGraphicObject& source) {
  TPrimitive2D::AssignFrom(source);
  if (const auto* other = dynamic_cast<const TBitmap2D*>(&source)) {
    Reserved1 = other->Reserved1;
    Reserved2 = other->Reserved2;
    CopyMode = other->CopyMode;
    std::lock_guard<std::mutex> lock(imageLock_);
    bitmap_ = other->bitmap_;
    imageValid_ = false;
  }
  if (dynamic_cast<const TBitmap2D*>(&source) || dynamic_cast<const TFrame2D*>(&source))
    CopyPointsFrom(static_cast<const TPrimitive2D&>(source), 0, 1);
  Points().GrowingEnabled = true;
}

}  // namespace cad
