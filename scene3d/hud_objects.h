// Text drawn with a bitmap font over the 3D view.
//
// TGLHUDText draws in screen space: Position (0, 0) is the viewport's top-left pixel, X grows to the
// right and Y downwards, in pixels at 96 dpi; Rotation turns the text about its position (degrees,
// counter-clockwise); Scale X and Y stretch it. It is drawn without depth test, over whatever the
// frame holds, and leaves lighting, blending and depth test as it found them.
//   auto* text = root->CreateChild<TGLHUDText>();
//   text->SetBitmapFont(font);                    // bitmap_font.h, windows_font.h
//   text->Position().SetPointXYZ(20, 500, 0);
//   text->ModulateColor().SetColor({1, 1, 0, 1});
//   text->SetText("Prova");                       // bytes are Windows-1252 characters
// TGLResolutionIndependantHUDText takes X and Y as fractions of the viewport; TGLAbsoluteHUDText
// stands where its absolute 3D position falls on the screen; TGLFlatText draws the text in its own
// 3D frame (one unit a pixel of the font). TGLHUDSprite draws its material on a Width x Height pixel
// quad centred on its screen Position, the texture repeated XTiles x YTiles times.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene3d/bitmap_font.h"
#include "scene3d/colors.h"
#include "scene3d/custom_scene_object.h"
#include "scene3d/sprite.h"

namespace scene3d {

// What the text objects share: the font (a user of it while set), the text, alignment and layout.
class TGLFontTextObject : public TGLImmaterialSceneObject {
 public:
  explicit TGLFontTextObject(TComponent* owner);
  ~TGLFontTextObject() override;
  std::string ClassName() const override { return "TGLFontTextObject"; }

  TGLCustomBitmapFont* BitmapFont() const { return bitmapFont_; }
  // Leaves the former font's users and joins the new one's; freeing the font sets it to none.
  void SetBitmapFont(TGLCustomBitmapFont* font);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TGLTextLayout Layout() const { return layout_; }
  void SetLayout(TGLTextLayout layout);
  TGLColor& ModulateColor() { return *modulateColor_; }
  const TGLColor& ModulateColor() const { return *modulateColor_; }
  void SetModulateColor(const TGLColor& color) { modulateColor_->Assign(&color); }

  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Something to draw: a font and a text.
  bool HasSomethingToDraw() const { return bitmapFont_ && !text_.empty(); }

 private:
  TGLCustomBitmapFont* bitmapFont_ = nullptr;
  std::string text_;
  TAlignment alignment_ = taLeftJustify;
  TGLTextLayout layout_ = tlTop;
  std::unique_ptr<TGLColor> modulateColor_;
};

class TGLHUDText : public TGLFontTextObject {
 public:
  // Drawn directly every frame and never culled.
  explicit TGLHUDText(TComponent* owner);
  std::string ClassName() const override { return "TGLHUDText"; }

  float Rotation() const { return rotation_; }
  void SetRotation(float degrees);

  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 protected:
  // The text at the screen point (x, y) (pixels from the top-left at 96 dpi) and depth z.
  void RenderTextAt(RenderContextInfo& rci, float x, float y, float z);

 private:
  float rotation_ = 0;
};

// Position X and Y as fractions of the viewport (0.5, 0.5 at start: the middle).
class TGLResolutionIndependantHUDText : public TGLHUDText {
 public:
  explicit TGLResolutionIndependantHUDText(TComponent* owner);
  std::string ClassName() const override { return "TGLResolutionIndependantHUDText"; }
  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
};

// At the screen point of its absolute position; nothing when that lies behind the eye.
class TGLAbsoluteHUDText : public TGLHUDText {
 public:
  using TGLHUDText::TGLHUDText;
  std::string ClassName() const override { return "TGLAbsoluteHUDText"; }
  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
};

enum TGLFlatTextOption : uint8_t { ftoTwoSided = 1 };

// The text in the object's own frame, facing +Z.
class TGLFlatText : public TGLFontTextObject {
 public:
  // Drawn every frame: the font's texture is built while drawing, which a display list cannot hold.
  explicit TGLFlatText(TComponent* owner);
  std::string ClassName() const override { return "TGLFlatText"; }
  uint8_t Options() const { return options_; }
  void SetOptions(uint8_t options);
  void BuildList(RenderContextInfo& rci) override;
  bool IsBlended() const override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  uint8_t options_ = 0;
};

// A sprite in screen space: Position in pixels from the viewport's top-left (96 dpi), Width and
// Height in pixels (16 at start), drawn over the frame without depth test.
class TGLHUDSprite : public TGLSprite {
 public:
  explicit TGLHUDSprite(TComponent* owner);
  std::string ClassName() const override { return "TGLHUDSprite"; }
  int32_t XTiles() const { return xTiles_; }
  int32_t YTiles() const { return yTiles_; }
  void SetXTiles(int32_t tiles);
  void SetYTiles(int32_t tiles);

  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  int32_t xTiles_ = 1, yTiles_ = 1;
};

// The text objects and fonts in the register of stored definitions.
void RegisterHUDClasses();

}  // namespace scene3d
