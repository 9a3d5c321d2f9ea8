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

#include "scene3d/height_field.h"
#include "scene3d/lines.h"

namespace scene3d {

enum TXYZGridPart : uint8_t { gpX = 1, gpY = 2, gpZ = 4 };
enum TXYZGridLinesStyle : uint8_t { glsLine, glsSegments };

class TGLXYZGrid : public TGLLineBase {
 public:
  explicit TGLXYZGrid(TComponent* owner);
  ~TGLXYZGrid() override;
  std::string ClassName() const override { return "TGLXYZGrid"; }

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

  // A change of a scale (or of the line colour) rebuilds the lines.
  void NotifyChange(TObject* sender) override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TGLSamplingScale> scales_[3];
  uint8_t parts_ = gpX | gpY;
  TXYZGridLinesStyle linesStyle_ = glsSegments;
  bool linesSmoothing_ = false;
};

}  // namespace scene3d
