#include "scene3d/fog_environment.h"

#include "scene3d/gl_entry_points.h"

namespace scene3d {

namespace {
constexpr GLenum kFogDistanceMode = 0x855A;  // GL_FOG_DISTANCE_MODE_NV
constexpr GLenum kEyeRadial = 0x855B;         // GL_EYE_RADIAL_NV
constexpr GLenum kEyePlane = 0x2502;          // GL_EYE_PLANE
}  // namespace

TGLFogEnvironment::TGLFogEnvironment(TPersistent* owner)
    : TGLUpdateAbleObject(owner), color_(std::make_unique<TGLColor>(this, clrBlack)) {}

TGLFogEnvironment::~TGLFogEnvironment() = default;

void TGLFogEnvironment::SetFogStart(float value) {
  if (StoreChanged(start_, value)) NotifyChange(this);
}

void TGLFogEnvironment::SetFogEnd(float value) {
  if (StoreChanged(end_, value)) NotifyChange(this);
}

void TGLFogEnvironment::SetFogMode(TFogMode mode) {
  if (StoreChanged(mode_, mode)) NotifyChange(this);
}

void TGLFogEnvironment::SetFogDistance(TFogDistance distance) {
  if (StoreChanged(distance_, distance)) NotifyChange(this);
}

bool TGLFogEnvironment::IsAtDefaultValues() const {
  return color_->GetColor().x == 0 && color_->GetColor().y == 0 && color_->GetColor().z == 0 &&
         color_->GetColor().w == 1 && start_ == 10 && end_ == 1000 && mode_ == fmLinear && distance_ == fdDefault;
}

void TGLFogEnvironment::ApplyFog() {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  switch (mode_) {
    case fmLinear: gl.Fogi(GL_FOG_MODE, GL_LINEAR); break;
    case fmExp:
      gl.Fogi(GL_FOG_MODE, GL_EXP);
      gl.Fogf(GL_FOG_DENSITY, color_->Alpha());
      break;
    case fmExp2:
      gl.Fogi(GL_FOG_MODE, GL_EXP2);
      gl.Fogf(GL_FOG_DENSITY, color_->Alpha());
      break;
  }
  gl.Fogfv(GL_FOG_COLOR, color_->ColorPointer());
  gl.Fogf(GL_FOG_START, start_);
  gl.Fogf(GL_FOG_END, end_);
  if (!gl.NV_fog_distance) return;
  switch (distance_) {
    case fdDefault:
      if (defaultDistanceMode_ == 0) gl.GetIntegerv(kFogDistanceMode, &defaultDistanceMode_);
      if (defaultDistanceMode_ != 0) gl.Fogi(kFogDistanceMode, defaultDistanceMode_);
      break;
    case fdEyeRadial: gl.Fogi(kFogDistanceMode, int(kEyeRadial)); break;
    case fdEyePlane: gl.Fogi(kFogDistanceMode, int(kEyePlane)); break;
  }
}

void TGLFogEnvironment::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLFogEnvironment*>(source);
  if (!from) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  BeginUpdate();
  color_->Assign(from->color_.get());
  start_ = from->start_;
  end_ = from->end_;
  mode_ = from->mode_;
  distance_ = from->distance_;
  EndUpdate();
}

}  // namespace scene3d
