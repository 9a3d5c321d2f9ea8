#include "cad/text2d.h"

#include "cad/curves2d.h"
#include "cad/geometry_drawing.h"

namespace cad {

// --- TExtendedFont ----------------------------------------------------------------------------

TExtendedFont::TExtendedFont() : record_(platform::DefaultGuiLogFont()) { record_.SetFace("Small Font"); }

TExtendedFont::~TExtendedFont() { SetCanvas(nullptr); }

void TExtendedFont::Select() {
  if (canvas_) canvas_->SetFont(platform::FontFromLogFont(record_, canvas_->GetFont().Color));
}

void TExtendedFont::SetHeight(int32_t h) {
  record_.Height = h;
  Select();
}

void TExtendedFont::SetCanvas(platform::Canvas* canvas) {
  if (canvas_) canvas_->SetFont(canvasFont_);
  canvas_ = canvas;
  if (canvas_) {
    canvasFont_ = canvas_->GetFont();
    Select();
  }
}

void TExtendedFont::Assign(const TExtendedFont& source) {
  if (&source != this) SetRecord(source.record_);
}

void TExtendedFont::SetRecord(const platform::LogFont& record) {
  record_ = record;
  Select();
}

// --- Stream texts -----------------------------------------------------------------------------

std::string ReadStreamText(platform::ByteReader& stream, const char* where) {
  const int32_t length = ReadCheckedCount(stream, 1, where, "Text length");
  std::string text(size_t(length), '\0');
  stream.Read(text.data(), size_t(length));
  return text;
}

void WriteStreamText(platform::ByteWriter& stream, const std::string& text) {
  stream.I32(int32_t(text.size()));
  stream.Write(text.data(), text.size());
}

// --- TText2D ----------------------------------------------------------------------------------

TText2D::TText2D(int32_t id) : TPrimitive2D(id, 2) {}

TText2D::TText2D(int32_t id, const TPoint2D& corner, const TPoint2D& oppositeCorner, double height, std::string text)
    : TPrimitive2D(id, 2), Height(height), text_(std::move(text)) {
  const TPoint2D points[] = {corner, oppositeCorner};
  FillPoints(points, false);
}

TText2D::TText2D(platform::ByteReader& stream, const std::string& versionTag) : TPrimitive2D(stream, versionTag) {
  text_ = ReadStreamText(stream, "TText2D.CreateFromStream");
  font_.LoadFromStream(stream);
  FormatFlags = stream.I32();
  DrawBox = stream.U8() != 0;
  Height = stream.F64();
}

void TText2D::SaveToStream(platform::ByteWriter& stream) {
  TPrimitive2D::SaveToStream(stream);
  WriteStreamText(stream, text_);
  font_.SaveToStream(stream);
  stream.I32(FormatFlags);
  stream.U8(DrawBox ? 1 : 0);
  stream.F64(Height);
}

void TText2D::SetText(std::string text) {
  text_ = std::move(text);
  UpdateAndNotify();
}

void TText2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int) {
  if (Points().Count() < 2) return;
  const int pixelHeight =
      ScreenRound(CartesianDistance2D(TransformPoint2D(Point2D(0, 0), view), TransformPoint2D(Point2D(0, Height), view)));
  if (pixelHeight <= 0) return;
  platform::Canvas& c = canvas.Canvas();
  platform::Rect box = Rect2DToRect(TransformBoundingBox2D(extents_, view));
  font_.SetCanvas(&c);
  font_.SetHeight(pixelHeight);
  if (RecalcBox) {
    c.DrawText(box, text_, FormatFlags | platform::DT_CALCRECT);
    const TTransform2D back = InvertTransform2D(MultiplyTransform2D(GetModelTransform(), view));
    const TRect2D fitted = TransformBoundingBox2D(RectToRect2D(box), back);
    Points().DisableEvents = true;
    Points().SetPoint(0, fitted.First);
    Points().SetPoint(1, fitted.Second);
    Points().DisableEvents = false;
    UpdateAndNotify();
  }
  const bool rubberBand = c.GetPen().Mode == platform::PenMode::Xor;
  if (!rubberBand) c.DrawText(box, text_, FormatFlags & ~platform::DT_CALCRECT);
  if (DrawBox || rubberBand) DrawRect2D(canvas, extents_, clip, view);
  font_.SetCanvas(nullptr);
}

int TText2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  if (Points().Count() < 2) {
    distance = kNoDistance;
    return PICK_NOOBJECT;
  }
  const int code = TObject2D::PickTest(p, aperture, distance);
  return code == PICK_INBBOX ? PICK_INOBJECT : code;
}

void TText2D::AssignFrom(const TGraphicObject& source) {
  TPrimitive2D::AssignFrom(source);
  if (const auto* text = dynamic_cast<const TText2D*>(&source)) {
    text_ = text->text_;
    Height = text->Height;
    DrawBox = text->DrawBox;
    RecalcBox = text->RecalcBox;
    FormatFlags = text->FormatFlags;
    font_.Assign(text->font_);
  }
  if (dynamic_cast<const TText2D*>(&source) || dynamic_cast<const TFrame2D*>(&source))
    CopyPointsFrom(static_cast<const TPrimitive2D&>(source), 0, 1);
  Points().GrowingEnabled = false;
}

}  // namespace cad
