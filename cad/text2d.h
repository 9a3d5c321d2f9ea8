// Text drawn with a platform font in a box given by two corners, and the font it carries: the
// 60-byte logical-font record of the drawing files, made into a canvas font for drawing.
#pragma once

#include "cad/primitives2d.h"
#include "platform/log_font.h"

namespace cad {

// A platform font made from its record, selected into one canvas at a time.
class TExtendedFont {
 public:
  // The desktop's default GUI font, face "Small Font".
  TExtendedFont();
  // Gives the canvas its own font back.
  ~TExtendedFont();
  TExtendedFont(const TExtendedFont&) = delete;
  TExtendedFont& operator=(const TExtendedFont&) = delete;

  const platform::LogFont& Record() const { return record_; }
  // The record's height becomes h and the font is remade (into the attached canvas, if any).
  void SetHeight(int32_t h);
  // Gives the previous canvas its own font back, attaches `canvas` (or none) and selects the font
  // into it; the canvas keeps its font colour.
  void SetCanvas(platform::Canvas* canvas);
  platform::Canvas* Canvas() const { return canvas_; }
  void Assign(const TExtendedFont& source);
  void SetRecord(const platform::LogFont& record);
  // The 60-byte record.
  void SaveToStream(platform::ByteWriter& stream) const { record_.Write(stream); }
  void LoadFromStream(platform::ByteReader& stream) { SetRecord(platform::LogFont::Read(stream)); }

 private:
  void Select();

  platform::LogFont record_;
  platform::Canvas* canvas_ = nullptr;
  platform::Font canvasFont_;  // the attached canvas's own font
};

// 0 and 1 the corners of the text box.
class TText2D : public TPrimitive2D {
 public:
  explicit TText2D(int32_t id);
  // `height` in drawing units; the box is fitted to the text when drawn only with RecalcBox.
  TText2D(int32_t id, const TPoint2D& corner, const TPoint2D& oppositeCorner, double height, std::string text);
  // After TPrimitive2D's fields: int32 length and the characters, the 60-byte font, int32 format
  // flags, uint8 draw-box, double height.
  TText2D(platform::ByteReader& stream, const std::string& versionTag);

  std::string ClassName() const override { return "TText2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TText2D>(id); }
  void SaveToStream(platform::ByteWriter& stream) override;
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  // Inside the box is inside the text.
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;

  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  TExtendedFont& Font() { return font_; }

  double Height = 1;
  bool DrawBox = false;
  // Fit the box to the text when drawing; not stored in streams.
  bool RecalcBox = false;
  // DrawText format flags (DT_*).
  int32_t FormatFlags = platform::DT_LEFT;

 protected:
  void AssignFrom(const TGraphicObject& source) override;

 private:
  std::string text_;
  TExtendedFont font_;
};

// Reads an int32 length and that many characters, refusing a length the stream cannot hold with
// ECADFileNotValid.
std::string ReadStreamText(platform::ByteReader& stream, const char* where);
void WriteStreamText(platform::ByteWriter& stream, const std::string& text);

}  // namespace cad
