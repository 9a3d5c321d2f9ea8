// Function-driven surfaces and grids sample their plane along sampling scales.
//
// TGLSamplingScale: Min..max sampled every `step`, the samples aligned on `Origin` (so two objects
// with one origin share their sample lines). TGLHeightField asks a height function for z (and a
// colour and texture point) at every sample of its X and Y scales and draws the surface as triangle
// strips between neighbouring rows, with normals from the neighbouring heights:
//   auto* field = root->CreateChild<TGLHeightField>();
//   field->XSamplingScale().SetMin(-5); field->XSamplingScale().SetMax(5);   // step 0.1
//   field->YSamplingScale().SetMin(-5); field->YSamplingScale().SetMax(5);
//   field->OnGetHeight = [](float x, float y, float& z, TVector4f& color, TTexPoint&) { z = x * y; };
// Without a height function the field is the built-in ripple.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "scene3d/custom_scene_object.h"
#include "scene3d/gl_state.h"
#include "scene3d/update_able.h"

namespace scene3d {

class TGLSamplingScale : public TGLUpdateAbleObject {
 public:
  // `owner` is told of every change.
  explicit TGLSamplingScale(TPersistent* owner) : TGLUpdateAbleObject(owner) {}
  std::string ClassName() const override { return "TGLSamplingScale"; }

  float Min() const { return min_; }
  float Max() const { return max_; }
  float Origin() const { return origin_; }
  float Step() const { return step_; }
  // A Min above max raises max to it; a max below Min lowers Min to it.
  void SetMin(float value);
  void SetMax(float value);
  void SetOrigin(float value);
  // Values above 0 are kept; any other becomes 1.
  void SetStep(float value);
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

  bool IsValid() const { return max_ != min_; }
  // round((max - Min) / step + 0.5), halves to even.
  int32_t StepCount() const;
  // The first sample at or above Min on the lattice Origin + k·step (Min when Origin is Min).
  float StepBase() const;
  // The loop's start, step and end (max itself); disabled, start and end are Origin.
  void SetupLoop(bool enabled, float& start, float& step, float& end) const;

 private:
  float min_ = 0;
  float max_ = 0;
  float origin_ = 0;
  float step_ = 0.1f;
};

// No loop takes more samples than this per axis: a step far below the range's size would otherwise
// ask for billions of them.
inline constexpr int32_t kMaxLoopSamples = 65536;

// The samples of a loop from SetupLoop: start + i·step for i < LoopSampleCount, counted once from the
// index (no error builds up along the row). A sample within a hair of end is kept; none passes end.
int32_t LoopSampleCount(float start, float step, float end);
inline float LoopSample(float start, float step, float end, int32_t i) {
  const float x = start + float(i) * step;
  return x < end ? x : end;
}

enum THeightFieldOption : uint8_t { hfoTextureCoordinates = 1, hfoTwoSided = 2 };
enum THeightFieldColorMode : uint8_t { hfcmNone, hfcmEmission, hfcmAmbient, hfcmDiffuse, hfcmAmbientAndDiffuse };

// Colour material on both faces for `mode` (a GL_EMISSION... constant), with the default material
// colours (emission black, ambient 0.2, diffuse 0.8, specular black, shininess 0) on both faces.
void EnableDefaultColorMaterial(TGLStateCache& states, GLenum mode);

using THeightFieldGetHeightEvent = std::function<void(float x, float y, float& z, TVector4f& color, TTexPoint& texPoint)>;
using THeightFieldGetHeight2Event =
    std::function<void(TObject* sender, float x, float y, float& z, TVector4f& color, TTexPoint& texPoint)>;

class TGLHeightField : public TGLCustomSceneObject {
 public:
  explicit TGLHeightField(TComponent* owner);
  ~TGLHeightField() override;
  std::string ClassName() const override { return "TGLHeightField"; }

  TGLSamplingScale& XSamplingScale() { return *xScale_; }
  TGLSamplingScale& YSamplingScale() { return *yScale_; }
  uint8_t Options() const { return options_; }
  void SetOptions(uint8_t options);
  THeightFieldColorMode ColorMode() const { return colorMode_; }
  void SetColorMode(THeightFieldColorMode mode);
  // Assign them before the first frame or call StructureChanged after.
  THeightFieldGetHeightEvent OnGetHeight;
  THeightFieldGetHeight2Event OnGetHeight2;

  // A change of a sampling scale rebuilds the surface.
  void NotifyChange(TObject* sender) override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TGLSamplingScale> xScale_;
  std::unique_ptr<TGLSamplingScale> yScale_;
  uint8_t options_ = hfoTwoSided;
  THeightFieldColorMode colorMode_ = hfcmNone;
};

}  // namespace scene3d
