// A raster picture stretched between two corners (the working image of the relief is placed into
// the drawing as one), drawn through its raster operation: copy, exclusive-or, and, or.
#pragma once

#include <mutex>

#include <QImage>

#include "cad/primitives2d.h"
#include "platform/bitmap.h"

namespace cad {

// 0 and 1 the corners the picture is stretched between.
class TBitmap2D : public TPrimitive2D {
 public:
  explicit TBitmap2D(int32_t id);
  TBitmap2D(int32_t id, const platform::Bitmap& bitmap, const TPoint2D& corner, const TPoint2D& oppositeCorner);
  // After TPrimitive2D's fields: the picture as a complete BMP file image, then (for version tags
  // from "CAD422" on) two doubles and the int32 copy mode.
  TBitmap2D(platform::ByteReader& stream, const std::string& versionTag);

  std::string ClassName() const override { return "TBitmap2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TBitmap2D>(id); }
  // BitmapError for an empty picture, which no BMP file can hold.
  void SaveToStream(platform::ByteWriter& stream) override;
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;

  const platform::Bitmap& Bitmap() const { return bitmap_; }
  void SetBitmap(const platform::Bitmap& bitmap);

  // Kept and copied, not used for drawing.
  double Reserved1 = 0;
  double Reserved2 = 0;
  // The raster operation of the stretch, SRCCOPY at creation.
  int32_t CopyMode = int32_t(platform::SRCCOPY);

 protected:
  void AssignFrom(const TGraphicObject& source) override;

 private:
  // The picture as the canvas draws it, made at the first drawing after a change (a shared copy,
  // so a change while it is drawn does not pull it away).
  QImage Image();

  platform::Bitmap bitmap_;
  std::mutex imageLock_;
  QImage image_;
  bool imageValid_ = false;
};

}  // namespace cad
