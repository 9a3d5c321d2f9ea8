// The fog of a scene buffer: colour, start and end, mode and distance mode. The buffer applies it
// each frame while its FogEnable is on.
#pragma once

#include <memory>
#include <string>

#include "scene3d/colors.h"
#include "scene3d/update_able.h"

namespace scene3d {

enum TFogMode : uint8_t { fmLinear, fmExp, fmExp2 };
enum TFogDistance : uint8_t { fdDefault, fdEyeRadial, fdEyePlane };

class TGLFogEnvironment : public TGLUpdateAbleObject {
 public:
  explicit TGLFogEnvironment(TPersistent* owner);
  ~TGLFogEnvironment() override;
  std::string ClassName() const override { return "TGLFogEnvironment"; }

  TGLColor& FogColor() { return *color_; }
  float FogStart() const { return start_; }
  void SetFogStart(float value);
  float FogEnd() const { return end_; }
  void SetFogEnd(float value);
  TFogMode FogMode() const { return mode_; }
  void SetFogMode(TFogMode mode);
  TFogDistance FogDistance() const { return distance_; }
  void SetFogDistance(TFogDistance distance);
  // False while every value is its default (then nothing is stored).
  bool IsAtDefaultValues() const;

  // Into the current context: mode (exponential modes take their density from the colour's alpha),
  // colour, start and end, and the distance mode where the driver has it.
  void ApplyFog();
  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TGLColor> color_;
  float start_ = 10;
  float end_ = 1000;
  TFogMode mode_ = fmLinear;
  TFogDistance distance_ = fdDefault;
  int defaultDistanceMode_ = 0;  // the driver's own, read once
};

}  // namespace scene3d
