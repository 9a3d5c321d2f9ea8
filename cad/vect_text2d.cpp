#include "cad/vect_text2d.h"

#include <algorithm>

#include "cad/cad_exceptions.h"
#include "cad/geometry_drawing.h"
#include "cad/load_reports.h"
#include "cad/text2d.h"
#include "lang/lang.h"

namespace cad {

namespace {

constexpr uint16_t kFontIndexMask = 0xFFFF;

// The lines of a text: separated by carriage return, a line feed right after one skipped.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') continue;
    lines.push_back(text.substr(start, i - start));
    start = i + 1;
    if (start < text.size() && text[start] == '\n') {
      ++start;
      ++i;
    }
  }
  lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

// The text placed in the box: where the first line starts and what each line break drops, all in
// object coordinates.
struct TJustifiedVectText2D::Layout {
  std::vector<std::string_view> lines;
  std::vector<double> drops;  // per line, in glyph units: the largest (1 - glyph Y1)
  double originX = 0;
  double originY = 0;
  TRect2D box;
};

TJustifiedVectText2D::TJustifiedVectText2D(int32_t id) : TPrimitive2D(id, 2) {}

TJustifiedVectText2D::TJustifiedVectText2D(int32_t id, const TPoint2D& corner, const TPoint2D& oppositeCorner,
                                           TVectFont* font, double height, std::string text)
    : TPrimitive2D(id, 2), Height(height), text_(std::move(text)), font_(font) {
  const TPoint2D points[] = {corner, oppositeCorner};
  FillPoints(points, false);
}

TJustifiedVectText2D::TJustifiedVectText2D(platform::ByteReader& stream, const std::string& versionTag)
    : TPrimitive2D(stream, versionTag) {
  text_ = ReadStreamText(stream, "TJustifiedVectText2D.CreateFromStream");
  fontIndex_ = stream.I32();
  HJustification = stream.U8();
  VJustification = stream.U8();
  DrawBox = stream.U8() != 0;
  Height = stream.F64();
  InterLine = stream.F64();
  CharSpace = stream.F64();
  try {
    font_ = KQSysFindFontByIndex(fontIndex_ & kFontIndexMask);
  } catch (const ECADObjClassNotFound&) {
    ReportWhileLoading(lang::LangStringOr("1116", "Font class not found. Font not assigned"));
    font_ = nullptr;
  }
}

void TJustifiedVectText2D::SaveToStream(platform::ByteWriter& stream) {
  int32_t index = fontIndex_;
  if (font_) {
    const int found = KQSysFindFontIndex(font_);
    if (found != (fontIndex_ & kFontIndexMask)) index = found;
  }
  TPrimitive2D::SaveToStream(stream);
  WriteStreamText(stream, text_);
  stream.I32(index);
  stream.U8(HJustification);
  stream.U8(VJustification);
  stream.U8(DrawBox ? 1 : 0);
  stream.F64(Height);
  stream.F64(InterLine);
  stream.F64(CharSpace);
}

void TJustifiedVectText2D::SetText(std::string text) {
  text_ = std::move(text);
  UpdateAndNotify();
}

void TJustifiedVectText2D::SetFont(TVectFont* font) {
  font_ = font;
  UpdateAndNotify();
}

bool TJustifiedVectText2D::MakeLayout(Layout& layout) const {
  if (!font_ || Points().Count() < 2) return false;
  const TVectChar* fallback = KQSysFontRegister().DefaultGlyph();
  const double h = Height, cs = CharSpace;
  layout.lines = SplitLines(text_);
  double widest = 0, top = 0, lastBottom = 0, dropped = 0;
  for (size_t l = 0; l < layout.lines.size(); ++l) {
    double width = 0, lineTop = 0, lineBottom = 0, drop = 1;
    bool any = false;
    for (const char ch : layout.lines[l]) {
      any = true;
      if (ch == ' ') {
        width += cs + 0.5;
        continue;
      }
      const TVectChar* glyph = font_->Char(uint8_t(ch));
      if (!glyph) glyph = fallback;
      if (!glyph) continue;
      const TRect2D& e = glyph->Extents();
      width += cs + e.Second.X;
      lineTop = std::max(lineTop, e.Second.Y);
      lineBottom = std::min(lineBottom, e.First.Y);
      drop = std::max(drop, 1 - e.First.Y);
    }
    if (any) widest = std::max(widest, width - cs);
    if (l == 0) top = lineTop;
    lastBottom = lineBottom;
    layout.drops.push_back(drop);
    if (l + 1 < layout.lines.size()) dropped += InterLine + drop;
  }
  // The text box relative to the start of the first line, in drawing units.
  const double textWidth = h * widest, textTop = h * top, textBottom = h * (lastBottom - dropped);
  const TRect2D b = ReorderRect2D({Points().Points()[0], Points().Points()[1]});
  switch (HJustification) {
    case kRight: layout.originX = b.Second.X - textWidth; break;
    case kHCentre: layout.originX = (b.First.X + b.Second.X - textWidth) / 2; break;
    default: layout.originX = b.First.X;
  }
  switch (VJustification) {
    case kBottom: layout.originY = b.First.Y - textBottom; break;
    case kVCentre: layout.originY = (b.First.Y + b.Second.Y) / 2 - (textTop + textBottom) / 2; break;
    default: layout.originY = b.Second.Y - textTop;
  }
  layout.box = Rect2D(layout.originX, layout.originY + textBottom, layout.originX + textWidth, layout.originY + textTop);
  return true;
}

bool TJustifiedVectText2D::TextBox(TRect2D& box) const {
  Layout layout;
  if (!MakeLayout(layout)) return false;
  box = layout.box;
  return true;
}

bool TJustifiedVectText2D::TextOrigin(TPoint2D& origin) const {
  Layout layout;
  if (!MakeLayout(layout)) return false;
  origin = Point2D(layout.originX, layout.originY);
  return true;
}

void TJustifiedVectText2D::UpdateExtension() {
  TPrimitive2D::UpdateExtension();
  TRect2D box;
  if (TextBox(box)) extents_ = ModelBoundingBox(box);
}

void TJustifiedVectText2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) {
  Layout layout;
  if (!MakeLayout(layout)) return;
  const TTransform2D toScreen = PointsToScreen(view);
  if ((mode & DRAWMODE_NOCHARS) == 0) {
    const TRect2D screenClip = RectToRect2D(canvas.Canvas().ClipRect());
    const TVectChar* fallback = KQSysFontRegister().DefaultGlyph();
    const double h = Height;
    double penY = layout.originY;
    for (size_t l = 0; l < layout.lines.size(); ++l) {
      double penX = layout.originX;
      for (const char ch : layout.lines[l]) {
        if (ch == ' ') {
          penX += h * (CharSpace + 0.4);
          continue;
        }
        const TVectChar* glyph = font_->Char(uint8_t(ch));
        if (!glyph) glyph = fallback;
        if (!glyph) continue;
        const TTransform2D place =
            MultiplyTransform2D(MultiplyTransform2D(Scale2D(h, h), Translate2D(penX, penY)), toScreen);
        for (int i = 0; i < glyph->Count(); ++i) {
          const TPointsSet2D& stroke = glyph->Polyline(i);
          stroke.DrawAsPolyline(canvas, screenClip, place, stroke.Extension());
        }
        penX += h * (CharSpace + glyph->Extents().Second.X);
      }
      penY -= h * (InterLine + layout.drops[l]);
    }
  }
  if (DrawBox) DrawBoundingBox2D(canvas, layout.box, clip, view, GetModelTransform());
}

int TJustifiedVectText2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  const int code = TObject2D::PickTest(p, aperture, distance);
  TRect2D box;
  if (code != PICK_INBBOX || !TextBox(box)) return code;
  const TPoint2D corners[] = {box.First, Point2D(box.First.X, box.Second.Y), box.Second,
                              Point2D(box.Second.X, box.First.Y)};
  return PickInside(code, p, aperture, distance, corners, 4);
}

void TJustifiedVectText2D::AssignFrom(const TGraphicObject& source) {
  TPrimitive2D::AssignFrom(source);
  if (const auto* text = dynamic_cast<const TJustifiedVectText2D*>(&source)) {
    text_ = text->text_;
    font_ = text->font_;
    fontIndex_ = text->fontIndex_;
    HJustification = text->HJustification;
    VJustification = text->VJustification;
    DrawBox = text->DrawBox;
    Height = text->Height;
    InterLine = text->InterLine;
    CharSpace = text->CharSpace;
    CopyPointsFrom(*text, 0, 1);
  }
  Points().GrowingEnabled = false;
}

}  // namespace cad
