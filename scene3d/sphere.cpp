#include "scene3d/sphere.h"

#include <algorithm>
#include <cmath>

#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/gl_state.h"
#include "scene3d/planes.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

namespace {
constexpr double kDegrees = M_PI / 180;
}

void TGLSphere::SetRadius(float radius) {
  if (StoreChanged(radius_, radius)) StructureChanged();
}

void TGLSphere::SetSlices(int32_t slices) {
  if (StoreChanged(slices_, std::max(slices, 1))) StructureChanged();
}

void TGLSphere::SetStacks(int32_t stacks) {
  if (StoreChanged(stacks_, std::max(stacks, 1))) StructureChanged();
}

void TGLSphere::SetTop(int top) {
  if (StoreChanged(top_, int8_t(std::clamp(top, -90, 90)))) StructureChanged();
}

void TGLSphere::SetBottom(int bottom) {
  if (StoreChanged(bottom_, int8_t(std::clamp(bottom, -90, 90)))) StructureChanged();
}

void TGLSphere::SetStart(int start) {
  if (StoreChanged(start_, uint16_t(std::clamp(start, 0, 360)))) StructureChanged();
}

void TGLSphere::SetStop(int stop) {
  if (StoreChanged(stop_, uint16_t(std::clamp(stop, 0, 360)))) StructureChanged();
}

void TGLSphere::SetTopCap(TCapType cap) {
  if (StoreChanged(topCap_, cap)) StructureChanged();
}

void TGLSphere::SetBottomCap(TCapType cap) {
  if (StoreChanged(bottomCap_, cap)) StructureChanged();
}

TVector4f TGLSphere::HalfExtents() const {
  const float r = std::fabs(radius_);
  return {r, r, r, 0};
}

void TGLSphere::BuildList(RenderContextInfo& rci) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLStateCache& states = *rci.GLStates;
  TGLMultitextureCoordinator& coordinator = CurrentCoordinator();
  const bool inside = NormalDirection() == ndInside;
  const float sign = inside ? -1.0f : 1.0f;
  gl.PushAttrib(GL_POLYGON_BIT);
  if (inside) states.InvertFrontFace();
  gl.PushMatrix();
  gl.Scalef(radius_, radius_, radius_);

  if (top_ < 90) DrawCap(true);
  const double sliceStep = (double(stop_) - start_) / slices_ * kDegrees;
  const double stackStep = (double(top_) - bottom_) / stacks_ * kDegrees;
  const double start = start_ * kDegrees;
  for (int j = 0; j < stacks_; ++j) {
    const double t1 = top_ * kDegrees - j * stackStep, t2 = t1 - stackStep;
    gl.Begin(GL_TRIANGLE_STRIP);
    for (int i = 0; i <= slices_; ++i) {
      const double phi = start + i * sliceStep;
      const float u = float(i) / float(slices_);
      for (int k = 0; k < 2; ++k) {
        const double theta = k == 0 ? t1 : t2;
        const float p[3] = {float(std::cos(theta) * std::sin(phi)), float(std::sin(theta)),
                            float(std::cos(theta) * std::cos(phi))};
        const float n[3] = {sign * p[0], sign * p[1], sign * p[2]};
        coordinator.TexCoord2f(u, 1 - float(j + k) / float(stacks_));
        gl.Normal3fv(n);
        gl.Vertex3fv(p);
      }
    }
    gl.End();
  }
  if (bottom_ > -90) DrawCap(false);

  gl.PopMatrix();
  if (inside) states.InvertFrontFace();
  gl.PopAttrib();
}

void TGLSphere::DrawCap(bool top) {
  const TCapType cap = top ? topCap_ : bottomCap_;
  if (cap != ctCenter && cap != ctFlat) return;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLMultitextureCoordinator& coordinator = CurrentCoordinator();
  const float sign = NormalDirection() == ndInside ? -1.0f : 1.0f;
  const float axis = top ? 1.0f : -1.0f;
  const double latitude = (top ? top_ : bottom_) * kDegrees;
  const float cosLat = float(std::cos(latitude)), sinLat = float(std::sin(latitude));
  const double sliceStep = (double(stop_) - start_) / slices_ * kDegrees;
  gl.Begin(GL_TRIANGLE_FAN);
  coordinator.TexCoord2f(0.5f, 0.5f);
  const float capNormal[3] = {0, axis * sign, 0};
  gl.Normal3fv(capNormal);
  if (cap == ctCenter) {
    gl.Vertex3f(0, 0, 0);
  } else {
    gl.Vertex3f(0, sinLat, 0);
  }
  for (int i = 0; i <= slices_; ++i) {
    // The top rim runs from Start up, the bottom rim from Stop down, so both fans face outwards.
    const double phi = top ? start_ * kDegrees + i * sliceStep : stop_ * kDegrees - i * sliceStep;
    const float p[3] = {cosLat * float(std::sin(phi)), sinLat, cosLat * float(std::cos(phi))};
    coordinator.TexCoord2f(float(std::sin(phi)) * 0.5f + 0.5f, float(std::cos(phi)) * 0.5f + 0.5f);
    if (cap == ctCenter) {
      // The axis less its projection on the rim point's direction.
      const TVector3f rim = AffineNormalized(TVector3f{p[0], p[1], p[2]});
      TVector3f n = AffineRemoveComponent(TVector3f{0, axis, 0}, rim);
      if (!AffineIsNull(n)) n = AffineNormalized(n);
      const float normal[3] = {sign * n.x, sign * n.y, sign * n.z};
      gl.Normal3fv(normal);
    }
    gl.Vertex3fv(p);
  }
  gl.End();
}

bool TGLSphere::RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) {
  const TVector4f localStart = AbsoluteToLocal(PointFromAffine(TVector3f{rayStart.x, rayStart.y, rayStart.z}));
  const TVector4f localVector =
      VectorNormalized4(AbsoluteToLocal(DirectionFromAffine(TVector3f{rayVector.x, rayVector.y, rayVector.z})));
  TVector4f i1, i2;
  if (RaySphereIntersect(localStart, localVector, {0, 0, 0, 1}, radius_, i1, i2) <= 0) return false;
  if (hit) *hit = LocalToAbsolute(PointFromAffine(TVector3f{i1.x, i1.y, i1.z}));
  if (normal) *normal = VectorNormalized4(LocalToAbsolute(DirectionFromAffine(TVector3f{i1.x, i1.y, i1.z})));
  return true;
}

std::unique_ptr<TGLSilhouette> TGLSphere::BuildSilhouette(const TOutlineRequest& request) {
  const int segments = std::max(stacks_, slices_);
  TVector3f u = AffineCross(request.Viewpoint, TVector3f{1, 0, 0});
  if (AffineLength(u) < 0.001) u = AffineCross(request.Viewpoint, TVector3f{0, 1, 0});
  TVector3f w = AffineCross(request.Viewpoint, u);
  u = AffineNormalized(u);
  w = AffineNormalized(w);
  auto silhouette = std::make_unique<TGLSilhouette>();
  silhouette->Request = request;
  for (int i = 0; i < segments; ++i) {
    const double a = 2 * M_PI * i / segments;
    const float c = float(std::cos(a)) * radius_, s = float(std::sin(a)) * radius_;
    silhouette->Vertices.AddPoint(c * u.x + s * w.x, c * u.y + s * w.y, c * u.z + s * w.z);
    silhouette->OutlineEdges.Add(i, (i + 1) % segments);
  }
  if (request.WithCaps) {
    for (int i = 0; i < segments; ++i) silhouette->CapTriangles.Add(segments, i, (i + 1) % segments);
    silhouette->Vertices.Add(OriginPoint);
  }
  return silhouette;
}

void TGLSphere::Assign(const TPersistent* source) {
  if (auto* sphere = dynamic_cast<const TGLSphere*>(source)) {
    SetRadius(sphere->radius_);
    SetSlices(sphere->slices_);
    SetStacks(sphere->stacks_);
    SetTop(sphere->top_);
    SetBottom(sphere->bottom_);
    SetStart(sphere->start_);
    SetStop(sphere->stop_);
    SetTopCap(sphere->topCap_);
    SetBottomCap(sphere->bottomCap_);
  }
  TGLQuadricObject::Assign(source);
}

void TGLSphere::DefinePublished(TFiler& filer) {
  TGLQuadricObject::DefinePublished(filer);
  DefineSingle(filer, "Radius", radius_, [this](float v) { SetRadius(v); }, 0.5f);
  DefineSubdivisions(filer, "Slices", slices_, [this](int32_t v) { SetSlices(v); }, 16);
  DefineSubdivisions(filer, "Stacks", stacks_, [this](int32_t v) { SetStacks(v); }, 16);
  DefineInteger(filer, "Top", top_, [this](int32_t v) { SetTop(v); }, 90, -90, 90);
  DefineInteger(filer, "Bottom", bottom_, [this](int32_t v) { SetBottom(v); }, -90, -90, 90);
  DefineInteger(filer, "Start", start_, [this](int32_t v) { SetStart(v); }, 0, 0, 360);
  DefineInteger(filer, "Stop", stop_, [this](int32_t v) { SetStop(v); }, 360, 0, 360);
  DefineEnum<TCapType>(filer, "TopCap", topCap_, [this](TCapType v) { SetTopCap(v); }, ctNone, ctFlat);
  DefineEnum<TCapType>(filer, "BottomCap", bottomCap_, [this](TCapType v) { SetBottomCap(v); }, ctNone, ctFlat);
}

}  // namespace scene3d
