#include "scene3d/pipe.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "scene3d/gl_entry_points.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

void TGLPipeNode::SetRadiusFactor(float factor) {
  radiusFactor_ = factor;
  TellCollection();
}

void TGLPipeNode::SetColor(const TVector4f& colour) {
  color_ = colour;
  TellCollection();
}

void TGLPipeNode::Assign(const TPersistent* source) {
  if (auto* node = dynamic_cast<const TGLPipeNode*>(source)) {
    radiusFactor_ = node->radiusFactor_;
    color_ = node->color_;
  }
  TGLNode::Assign(source);
}

TGLPipe::TGLPipe(TComponent* owner) : TGLPolygonBase(owner) { RecreateNodes(); }

std::unique_ptr<TGLNodes> TGLPipe::CreateNodes() { return std::make_unique<TGLNodes>(this, ItemClassOf<TGLPipeNode>()); }

TGLPipeNode* TGLPipe::AddNode(float x, float y, float z) { return static_cast<TGLPipeNode*>(Nodes().AddNode(x, y, z)); }

void TGLPipe::SetRadius(float radius) {
  if (StoreChanged(radius_, radius)) StructureChanged();
}

void TGLPipe::SetSlices(int32_t slices) {
  if (StoreChanged(slices_, std::max(slices, 3))) StructureChanged();
}

void TGLPipe::SetParts(TPipeParts parts) {
  if (StoreChanged(parts_, TPipeParts(parts & 15))) StructureChanged();
}

void TGLPipe::SetNodesColorMode(TPipeNodesColorMode mode) {
  if (StoreChanged(colorMode_, mode)) StructureChanged();
}

TVector4f TGLPipe::HalfExtents() const {
  TVector4f extents{0, 0, 0, 0};
  float factor = 0;
  for (int i = 0; i < Nodes().Count(); ++i) {
    const auto* node = static_cast<const TGLPipeNode*>(Nodes().Items(i));
    for (int axis = 0; axis < 3; ++axis) extents[axis] = std::max(extents[axis], std::fabs(node->AsVector()[axis]));
    factor = std::max(factor, std::fabs(node->RadiusFactor()));
  }
  const float r = std::fabs(radius_) * factor;
  return {extents.x + r, extents.y + r, extents.z + r, 0};
}

void TGLPipe::BuildList(RenderContextInfo& rci) {
  const TGLNodes& nodes = Nodes();
  const int count = nodes.Count();
  if (count < 2) return;
  // The path: points, radii and colours, along the spline when the mode asks for one.
  struct PathPoint {
    TVector3f position;
    float radius;
    TVector4f color;
  };
  std::vector<PathPoint> path;
  const int divisions = SplineDivisions();
  auto node = [&](int i) { return static_cast<const TGLPipeNode*>(nodes.Items(std::clamp(i, 0, count - 1))); };
  // Radius factors and colours blend between the nodes along the spline (at the nodes themselves
  // without one).
  const std::vector<TVector3f> points = nodes.CurvePoints(divisions);
  const int perNode = std::max(divisions, 1);
  for (int i = 0; i < int(points.size()); ++i) {
    const int k = i / perNode;
    const float f = float(i % perNode) / float(perNode);
    path.push_back({points[size_t(i)], radius_ * (node(k)->RadiusFactor() * (1 - f) + node(k + 1)->RadiusFactor() * f),
                    VectorLerp4(node(k)->Color(), node(k + 1)->Color(), f)});
  }
  const size_t n = path.size();

  // Rings: each turned from the last so the tube does not twist.
  struct Ring {
    std::vector<TVector3f> points, normals;
  };
  std::vector<Ring> rings(n);
  std::vector<TVector3f> tangents(n);
  TVector3f side{0, 0, 0};
  for (size_t i = 0; i < n; ++i) {
    const TVector3f& before = path[i == 0 ? 0 : i - 1].position;
    const TVector3f& after = path[std::min(i + 1, n - 1)].position;
    TVector3f t = AffineDifference(after, before);
    t = AffineIsNull(t) ? (i ? tangents[i - 1] : TVector3f{0, 0, 1}) : AffineNormalized(t);
    tangents[i] = t;
    if (i == 0) {
      side = AffineCross(t, TVector3f{0, 1, 0});
      if (AffineLength(side) < 1e-3) side = AffineCross(t, TVector3f{1, 0, 0});
    } else {
      side = AffineRemoveComponent(side, t);
      if (AffineLength(side) < 1e-6) side = AffineCross(t, TVector3f{1, 0, 0});
    }
    side = AffineNormalized(side);
    const TVector3f other = AffineCross(t, side);
    Ring& ring = rings[i];
    for (int k = 0; k <= slices_; ++k) {
      const double a = 2 * M_PI * (k == slices_ ? 0 : k) / slices_;
      const TVector3f dir = AffineCombine2(side, other, float(std::cos(a)), float(std::sin(a)));
      ring.normals.push_back(dir);
      ring.points.push_back(AffineCombine2(path[i].position, dir, 1, path[i].radius));
    }
  }

  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  static const GLenum kColorModes[] = {0, GL_EMISSION, GL_AMBIENT, GL_DIFFUSE, GL_AMBIENT_AND_DIFFUSE};
  auto colour = [&](size_t i) {
    if (colorMode_ != pncmNone) gl.Materialfv(GL_FRONT, kColorModes[colorMode_], &path[i].color.x);
  };
  auto surface = [&](bool inside) {
    for (size_t i = 0; i + 1 < n; ++i) {
      gl.Begin(GL_TRIANGLE_STRIP);
      for (int k = 0; k <= slices_; ++k) {
        for (size_t r : {inside ? i : i + 1, inside ? i + 1 : i}) {
          colour(r);
          const TVector3f normal = inside ? AffineNegated(rings[r].normals[size_t(k)]) : rings[r].normals[size_t(k)];
          gl.Normal3fv(&normal.x);
          gl.Vertex3fv(&rings[r].points[size_t(k)].x);
        }
      }
      gl.End();
    }
  };
  if (parts_ & ppOutside) surface(false);
  if (parts_ & ppInside) surface(true);
  auto disk = [&](size_t i, bool atStart) {
    const TVector3f normal = atStart ? AffineNegated(tangents[i]) : tangents[i];
    colour(i);
    gl.Normal3fv(&normal.x);
    gl.Begin(GL_TRIANGLE_FAN);
    gl.Vertex3fv(&path[i].position.x);
    for (int k = 0; k <= slices_; ++k) {
      const int m = atStart ? slices_ - k : k;
      gl.Vertex3fv(&rings[i].points[size_t(m)].x);
    }
    gl.End();
  };
  if (parts_ & ppStartDisk) disk(0, true);
  if (parts_ & ppStopDisk) disk(n - 1, false);
  if (colorMode_ != pncmNone) rci.GLStates->MaterialSetBehind(cmFront);
}

void TGLPipe::Assign(const TPersistent* source) {
  if (auto* pipe = dynamic_cast<const TGLPipe*>(source)) {
    radius_ = pipe->radius_;
    slices_ = pipe->slices_;
    parts_ = pipe->parts_;
    colorMode_ = pipe->colorMode_;
    StructureChanged();
  }
  TGLPolygonBase::Assign(source);
}

void TGLPipeNode::DefinePublished(TFiler& filer) {
  TGLNode::DefinePublished(filer);
  DefineSingle(filer, "RadiusFactor", radiusFactor_, [this](float v) { SetRadiusFactor(v); }, 1);
  DefineVector(filer, "Color", color_, [this](const TVector4f& v) { SetColor(v); });
}

void TGLPipe::DefinePublished(TFiler& filer) {
  TGLPolygonBase::DefinePublished(filer);
  DefineSingle(filer, "Radius", radius_, [this](float v) { SetRadius(v); }, 1);
  DefineSubdivisions(filer, "Slices", slices_, [this](int32_t v) { SetSlices(v); }, 16);
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TPipeParts(v)); }, ppOutside,
             ppOutside | ppInside | ppStartDisk | ppStopDisk);
  DefineEnum<TPipeNodesColorMode>(filer, "NodesColorMode", colorMode_,
                                  [this](TPipeNodesColorMode v) { SetNodesColorMode(v); }, pncmNone,
                                  pncmAmbientAndDiffuse);
}

}  // namespace scene3d
