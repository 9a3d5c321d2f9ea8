#include "scene3d/sprite.h"

#include <algorithm>
#include <cmath>

#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/gl_transformation.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

TGLSprite::TGLSprite(TComponent* owner) : TGLStageObject(owner) {
  SetObjectStyle(uint8_t(ObjectStyle() | osDirectDraw | osNoVisibilityCulling));
}

void TGLSprite::SetWidth(float value) {
  if (StoreChanged(width_, value)) StructureChanged();
}

void TGLSprite::SetHeight(float value) {
  if (StoreChanged(height_, value)) StructureChanged();
}

void TGLSprite::SetRotation(float degrees) {
  if (StoreChanged(rotation_, degrees)) StructureChanged();
}

void TGLSprite::SetAlphaChannel(float alpha) {
  alpha = std::clamp(alpha, 0.0f, 1.0f);
  if (!StoreChanged(alphaChannel_, alpha)) return;
  if (alpha < 1) Material().FrontProperties().Diffuse().SetAlpha(alpha);
  NotifyChange(this);
}

void TGLSprite::SetMirrorU(bool flag) {
  if (StoreChanged(mirrorU_, flag)) StructureChanged();
}

void TGLSprite::SetMirrorV(bool flag) {
  if (StoreChanged(mirrorV_, flag)) StructureChanged();
}

TVector4f TGLSprite::HalfExtents() const {
  const float r = std::max(std::fabs(width_), std::fabs(height_)) * 0.5f;
  return {r, r, r, 0};
}

void TGLSprite::BuildList(RenderContextInfo& rci) {
  // The camera's right and up in the object's coordinates: the first two columns of the
  // model-view matrix (points are row vectors), scale taken out.
  const TMatrix4f& mv = rci.PipelineTransformation->ModelViewMatrix();
  TVector3f right{mv[0].x, mv[1].x, mv[2].x}, up{mv[0].y, mv[1].y, mv[2].y};
  if (AffineIsNull(right) || AffineIsNull(up)) return;
  right = AffineNormalized(right);
  up = AffineNormalized(up);
  if (rotation_ != 0) {
    const double a = rotation_ * M_PI / 180;
    const float c = float(std::cos(a)), s = float(std::sin(a));
    const TVector3f r2 = AffineCombine2(right, up, c, s), u2 = AffineCombine2(up, right, c, -s);
    right = r2;
    up = u2;
  }
  const float w = width_ * 0.5f, h = height_ * 0.5f;
  const float u0 = mirrorU_ ? 1.0f : 0.0f, u1 = 1 - u0, v0 = mirrorV_ ? 1.0f : 0.0f, v1 = 1 - v0;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLMultitextureCoordinator& coordinator = CurrentCoordinator();
  const TVector3f normal = AffineCross(right, up);
  gl.Normal3fv(&normal.x);
  gl.Begin(GL_QUADS);
  const struct {
    float s, t, x, y;
  } corners[4] = {{u1, v1, w, h}, {u0, v1, -w, h}, {u0, v0, -w, -h}, {u1, v0, w, -h}};
  for (const auto& c : corners) {
    coordinator.TexCoord2f(c.s, c.t);
    const TVector3f p = AffineCombine2(right, up, c.x, c.y);
    gl.Vertex3fv(&p.x);
  }
  gl.End();
}

void TGLSprite::Assign(const TPersistent* source) {
  if (auto* sprite = dynamic_cast<const TGLSprite*>(source)) {
    width_ = sprite->width_;
    height_ = sprite->height_;
    rotation_ = sprite->rotation_;
    alphaChannel_ = sprite->alphaChannel_;
    mirrorU_ = sprite->mirrorU_;
    mirrorV_ = sprite->mirrorV_;
    StructureChanged();
  }
  TGLStageObject::Assign(source);
}

void TGLSprite::DefinePublished(TFiler& filer) {
  TGLStageObject::DefinePublished(filer);
  DefineSingle(filer, "Width", width_, [this](float v) { SetWidth(v); }, 1);
  DefineSingle(filer, "Height", height_, [this](float v) { SetHeight(v); }, 1);
  DefineSingle(filer, "Rotation", rotation_, [this](float v) { SetRotation(v); }, 0);
  DefineSingle(filer, "AlphaChannel", alphaChannel_, [this](float v) { SetAlphaChannel(v); }, 1);
  DefineBoolean(filer, "MirrorU", mirrorU_, [this](bool v) { SetMirrorU(v); }, false);
  DefineBoolean(filer, "MirrorV", mirrorV_, [this](bool v) { SetMirrorV(v); }, false);
}

}  // namespace scene3d
