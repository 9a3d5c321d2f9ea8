// TGLXYZGrid: grid lines at the samples of three sampling scales (height_field.h). Each enabled part
// draws the lines parallel to its axis, one through every sample of the other two scales (a disabled
// scale samples its Origin only): the default parts X and Y give a grid in the plane z = Z origin.
//   auto* grid = root->CreateChild<TGLXYZGrid>();
//   grid->XSamplingScale().SetMin(-10); grid->XSamplingScale().SetMax(10); grid->XSamplingScale().SetStep(1);
//   grid->YSamplingScale()...;  grid->LineColor().SetColor({0.5f, 0.5f, 0.5f, 1});
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene3d/colors.h"
#include "scene3d/custom_scene_object.h"
#include "scene3d/height_field.h"

namespace scene3d {

enum TXYZGridPart : uint8_t { gpX = 1, gpY = 2, gpZ = 4 };
enum TXYZGridLinesStyle : uint8_t { glsLine, glsSegments };

class TGLXYZGrid : public TGLImmaterialSceneObject {
 public:
  explicit TGLXYZGrid(TComponent* owner);
  ~TGLXYZGrid() override;
  std::string ClassName() const override { return "TGLXYZGrid"; }

  // The line style every line object has: colour (white), stipple pattern ($FFFF solid), width (1),
  // anti-aliasing (off).
  TGLColor& LineColor() { return *lineColor_; }
  uint16_t LinePattern() const { return linePattern_; }
  void SetLinePattern(uint16_t pattern);
  float LineWidth() const { return lineWidth_; }
  void SetLineWidth(float width);
  bool AntiAliased() const { return antiAliased_; }
  void SetAntiAliased(bool flag);

  TGLSamplingScale& XSamplingScale() { return *scales_[0]; }
  TGLSamplingScale& YSamplingScale() { return *scales_[1]; }
  TGLSamplingScale& ZSamplingScale() { return *scales_[2]; }
  uint8_t Parts() const { return parts_; }
  void SetParts(uint8_t parts);
  TXYZGridLinesStyle LinesStyle() const { return linesStyle_; }
  void SetLinesStyle(TXYZGridLinesStyle style);
  // Smooth lines (as AntiAliased).
  bool LinesSmoothing() const { return linesSmoothing_; }
  void SetLinesSmoothing(bool flag);

  // A change of the colour or a scale rebuilds the lines.
  void NotifyChange(TObject* sender) override;
  void BuildList(RenderContextInfo& rci) override;
  void Assign(const TPersistent* source) override;

 private:
  void ApplyLineStyle(RenderContextInfo& rci);

  std::unique_ptr<TGLColor> lineColor_;
  uint16_t linePattern_ = 0xFFFF;
  float lineWidth_ = 1;
  bool antiAliased_ = false;
  std::unique_ptr<TGLSamplingScale> scales_[3];
  uint8_t parts_ = gpX | gpY;
  TXYZGridLinesStyle linesStyle_ = glsSegments;
  bool linesSmoothing_ = false;
};

}  // namespace scene3d
