#include "scene3d/nodes.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "scene3d/gl_entry_points.h"
#include "scene3d/polygon_tessellator.h"
#include "scene3d/scalar_math.h"
#include "scene3d/update_able.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

// --- TGLNode ---------------------------------------------------------------------------------------------

void TGLNode::SetCoordinate(int index, float value) {
  coords_[index] = value;
  TellCollection();
}

void TGLNode::SetAsVector(const TVector4f& value) {
  coords_ = value;
  TellCollection();
}

void TGLNode::TellCollection() {
  if (auto* nodes = dynamic_cast<TGLNodes*>(Collection())) nodes->NotifyChange();
}

void TGLNode::Assign(const TPersistent* source) {
  if (auto* node = dynamic_cast<const TGLNode*>(source)) {
    coords_ = node->coords_;
    return;
  }
  TCollectionItem::Assign(source);
}

std::string TGLNode::GetDisplayName() const {
  char text[128];
  std::snprintf(text, sizeof(text), "%.4f; %.4f; %.4f", double(coords_.x), double(coords_.y), double(coords_.z));
  return text;
}

// --- TGLNodes -------------------------------------------------------------------------------------------

TGLNodes::TGLNodes(TPersistent* owner, ItemClass itemClass) : TOwnedCollection(owner, std::move(itemClass)) {}

std::unique_ptr<TGLNodes> TGLNodes::CreateCopy(TPersistent* owner) const {
  auto copy = std::make_unique<TGLNodes>(owner, GetItemClass());
  copy->Assign(this);
  return copy;
}

TGLNode* TGLNodes::AddNode(float x, float y, float z) {
  BeginUpdate();
  TGLNode* node = nullptr;
  try {
    node = AddNode();
    TVector4f v = node->AsVector();
    v.x = x;
    v.y = y;
    v.z = z;
    node->StoreRaw(v);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return node;
}

void TGLNodes::Update(TCollectionItem* item) {
  TOwnedCollection::Update(item);
  NotifyChange();
}

void TGLNodes::NotifyChange() {
  if (UpdateCount() != 0) return;
  if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(Owner())) owner->NotifyChange(this);
}

void TGLNodes::AddArcNodes(int, const TVector3f& center, float radius, float startAngle, float stopAngle, int count) {
  if (count < 1) return;
  BeginUpdate();
  try {
    const float step = (stopAngle - startAngle) / float(count);
    for (int i = 0; i <= count; ++i) {
      const float a = startAngle + float(i) * step;
      AddNode()->StoreRaw({center.x + radius * std::cos(a), center.y + radius * std::sin(a), center.z, 1});
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TVector3f TGLNodes::AveragePosition() const {
  const int n = Count();
  if (n == 0) return {0, 0, 0};
  double x = 0, y = 0, z = 0;
  for (int i = 0; i < n; ++i) {
    const TVector4f& p = Items(i)->AsVector();
    x += p.x;
    y += p.y;
    z += p.z;
  }
  return {float(x / n), float(y / n), float(z / n)};
}

TVector3f TGLNodes::PlaneNormal() const {
  if (Count() < 3) return {0, 0, 0};
  const TVector3f p0 = Items(0)->AsAffine();
  const TVector3f n = AffineCross(AffineDifference(Items(1)->AsAffine(), p0), AffineDifference(Items(2)->AsAffine(), p0));
  return AffineIsNull(n) ? n : AffineNormalized(n);
}

TVector3f TGLNodes::DirectionAtNode(int index) const {
  const int n = Count();
  if (n == 0) return {0, 0, 0};
  const TGLNode* node = Items(index);  // checks the index
  TVector3f d;
  if (index == 0) {
    if (n == 1) return {0, 0, 0};
    d = AffineDifference(Items(1)->AsAffine(), node->AsAffine());
  } else if (index < n - 1) {
    d = AffineDifference(Items(index + 1)->AsAffine(), Items(index - 1)->AsAffine());
  } else {
    d = AffineDifference(node->AsAffine(), Items(index - 1)->AsAffine());
  }
  if (AffineLength(d) < 1e-5) return {0, 0, 0};
  return AffineNormalized(d);
}

void TGLNodes::Extents(TVector3f& min, TVector3f& max) const {
  const float inf = std::numeric_limits<float>::infinity();
  min = {inf, inf, inf};
  max = {-inf, -inf, -inf};
  for (int i = 0; i < Count(); ++i) {
    const TVector4f& p = Items(i)->AsVector();
    for (int axis = 0; axis < 3; ++axis) {
      const float c = p[axis];
      if (!(c >= min[axis])) min[axis] = c;
      if (c > max[axis]) max[axis] = c;
    }
  }
}

void TGLNodes::TranslateAll(const TVector3f& v) {
  for (int i = 0; i < Count(); ++i) {
    TVector4f p = Items(i)->AsVector();
    p.x += v.x;
    p.y += v.y;
    p.z += v.z;
    Items(i)->StoreRaw(p);
  }
  NotifyChange();
}

void TGLNodes::RotateAllAroundY(float angle) {
  const float radians = DegreesToRadiansSingle(angle);
  const float s = std::sin(radians), c = std::cos(radians);
  for (int i = 0; i < Count(); ++i) {
    TVector4f p = Items(i)->AsVector();
    const float x = p.x, z = p.z;
    p.x = c * x + s * z;
    p.z = c * z - s * x;
    Items(i)->StoreRaw(p);
  }
  NotifyChange();
}

std::unique_ptr<TCubicSpline> TGLNodes::BuildCubicSpline() const {
  const int n = Count();
  const size_t count = size_t(n);
  std::vector<float> xs(count), ys(count), zs(count);
  for (int i = 0; i < n; ++i) {
    const TVector4f& p = Items(i)->AsVector();
    xs[size_t(i)] = p.x;
    ys[size_t(i)] = p.y;
    zs[size_t(i)] = p.z;
  }
  return std::make_unique<TCubicSpline>(xs.data(), ys.data(), zs.data(), nullptr, n);
}

std::vector<TVector3f> TGLNodes::CurvePoints(int splineDivisions) const {
  const int n = Count();
  std::vector<TVector3f> points;
  if (splineDivisions > 1) {
    const std::unique_ptr<TCubicSpline> spline = BuildCubicSpline();
    const int last = splineDivisions * (n - 1);
    for (int k = 0; k <= last; ++k) points.push_back(spline->EvaluateAffine(float(k) / float(splineDivisions)));
  } else {
    for (int k = 0; k < n; ++k) points.push_back(Items(k)->AsAffine());
  }
  return points;
}

void TGLNodes::RenderTessellated(bool textured, const TVector3f* normal, int splineDivisions, bool reversed) const {
  if (Count() < 3) return;
  TPolygonTessellator tess(textured);
  if (!tess.Ready()) return;
  if (normal) {
    ActiveGLTable().Normal3fv(&normal->x);
    tess.SetNormal(*normal);
  }
  tess.BeginPolygon();
  tess.Contour(CurvePoints(splineDivisions), reversed);
  tess.EndPolygon();
}

void TGLNode::DefinePublished(TFiler& filer) {
  TCollectionItem::DefinePublished(filer);
  DefineSingle(filer, "X", coords_.x, [this](float v) { coords_.x = v; }, 0);
  DefineSingle(filer, "Y", coords_.y, [this](float v) { coords_.y = v; }, 0);
  DefineSingle(filer, "Z", coords_.z, [this](float v) { coords_.z = v; }, 0);
}

}  // namespace scene3d
