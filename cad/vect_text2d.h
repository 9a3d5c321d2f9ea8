// Text drawn with the strokes of a registered vector font, justified in the box of its two corners.
// The program registers no vector font: such texts come only from streams, and without their font
// they draw nothing.
#pragma once

#include "cad/primitives2d.h"
#include "cad/vector_font.h"

namespace cad {

class TJustifiedVectText2D : public TPrimitive2D {
 public:
  enum : uint8_t { kLeft = 0, kRight = 1, kHCentre = 2 };
  enum : uint8_t { kTop = 0, kBottom = 1, kVCentre = 2 };

  explicit TJustifiedVectText2D(int32_t id);
  TJustifiedVectText2D(int32_t id, const TPoint2D& corner, const TPoint2D& oppositeCorner, TVectFont* font,
                       double height, std::string text);
  // After TPrimitive2D's fields: int32 length and the characters, int32 font index (its low 16 bits
  // index the font register), uint8 horizontal and vertical justification, uint8 draw-box, doubles
  // height, interline and character spacing. A font that is not registered is reported with the
  // message "Font class not found. Font not assigned" and stays unassigned.
  TJustifiedVectText2D(platform::ByteReader& stream, const std::string& versionTag);

  std::string ClassName() const override { return "TJustifiedVectText2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override {
    return std::make_unique<TJustifiedVectText2D>(id);
  }
  void SaveToStream(platform::ByteWriter& stream) override;
  void UpdateExtension() override;
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;

  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  TVectFont* Font() const { return font_; }
  void SetFont(TVectFont* font);
  // The laid-out text box in object coordinates; none without a font or control points.
  bool TextBox(TRect2D& box) const;
  // Where the first line's base line starts, in object coordinates; none as for TextBox.
  bool TextOrigin(TPoint2D& origin) const;

  uint8_t HJustification = kLeft;
  uint8_t VJustification = kTop;
  bool DrawBox = false;
  double Height = 1;
  double InterLine = 0;
  double CharSpace = 0;

 protected:
  void AssignFrom(const TGraphicObject& source) override;

 private:
  struct Layout;
  bool MakeLayout(Layout& layout) const;

  std::string text_;
  TVectFont* font_ = nullptr;
  int32_t fontIndex_ = 0;  // as read, written back while no font is assigned
};

}  // namespace cad
