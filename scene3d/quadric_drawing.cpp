#include "scene3d/quadric_drawing.h"

#include <cmath>
#include <vector>

#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_multitexture.h"

namespace scene3d {

namespace {

struct QuadVertex {
  float p[3];
  float n[3];
  float st[2];
};

// One quad strip of pairs (a[i], b[i]); the pair order is chosen so that the first quad's winding
// faces `facing` (the front side asked for).
void Strip(const std::vector<QuadVertex>& a, const std::vector<QuadVertex>& b, const float facing[3],
           const TQuadric& q) {
  if (a.size() < 2) return;
  // The first quad (a0, b0, b1, a1): its normal is the cross product of its diagonals, which holds
  // even when one side shrinks to a point (a cone's apex, a disk's centre).
  const float* a0 = a[0].p;
  const float* b0 = b[0].p;
  const float* a1 = a[1].p;
  const float* b1 = b[1].p;
  const double e1[3] = {b1[0] - a0[0], b1[1] - a0[1], b1[2] - a0[2]};
  const double e2[3] = {a1[0] - b0[0], a1[1] - b0[1], a1[2] - b0[2]};
  const double c[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
  const bool swap = c[0] * facing[0] + c[1] * facing[1] + c[2] * facing[2] < 0;
  const std::vector<QuadVertex>& first = swap ? b : a;
  const std::vector<QuadVertex>& second = swap ? a : b;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLMultitextureCoordinator* coordinator = q.textured ? &CurrentCoordinator() : nullptr;
  auto emit = [&](const QuadVertex& v) {
    if (q.normals != qnNone) gl.Normal3fv(v.n);
    if (coordinator) coordinator->TexCoord2fv(v.st);
    gl.Vertex3fv(v.p);
  };
  gl.Begin(GL_QUAD_STRIP);
  for (size_t i = 0; i < a.size(); ++i) {
    emit(first[i]);
    emit(second[i]);
  }
  gl.End();
}

}  // namespace

void TQuadric::Cylinder(double baseRadius, double topRadius, double height, int slices, int stacks) const {
  if (slices < 1 || stacks < 1 || height == 0) return;
  const double sign = orientation == qoInside ? -1 : 1;
  // The side's normal leans by the taper.
  const double slope = (baseRadius - topRadius) / height;
  const double length = std::sqrt(1 + slope * slope);
  auto ring = [&](int stack) {
    const double z = height * stack / stacks;
    const double r = baseRadius + (topRadius - baseRadius) * stack / stacks;
    std::vector<QuadVertex> vertices(size_t(slices) + 1);
    for (int i = 0; i <= slices; ++i) {
      // Flat normals take the middle of the face that the vertex begins.
      const double a = 2 * M_PI * (i == slices ? 0 : i) / slices;
      const double an = normals == qnFlat ? a + M_PI / slices : a;
      QuadVertex& v = vertices[size_t(i)];
      v.p[0] = float(r * std::sin(a));
      v.p[1] = float(r * std::cos(a));
      v.p[2] = float(z);
      v.n[0] = float(sign * std::sin(an) / length);
      v.n[1] = float(sign * std::cos(an) / length);
      v.n[2] = float(sign * slope / length);
      v.st[0] = float(double(i) / slices);
      v.st[1] = float(double(stack) / stacks);
    }
    return vertices;
  };
  std::vector<QuadVertex> lower = ring(0);
  for (int j = 0; j < stacks; ++j) {
    std::vector<QuadVertex> upper = ring(j + 1);
    // Facing: outward (or inward) at the first quad's middle.
    const double a = M_PI / slices;
    const float facing[3] = {float(sign * std::sin(a)), float(sign * std::cos(a)), float(sign * slope)};
    Strip(upper, lower, facing, *this);
    lower = std::move(upper);
  }
}

void TQuadric::Disk(double innerRadius, double outerRadius, int slices, int loops) const {
  PartialDisk(innerRadius, outerRadius, slices, loops, 0, 360);
}

void TQuadric::PartialDisk(double innerRadius, double outerRadius, int slices, int loops, double startAngle,
                           double sweepAngle) const {
  if (slices < 1 || loops < 1 || sweepAngle == 0) return;
  if (sweepAngle > 360) sweepAngle = 360;
  if (sweepAngle < -360) sweepAngle = -360;
  const float nz = orientation == qoInside ? -1.0f : 1.0f;
  const bool full = std::fabs(sweepAngle) == 360;
  auto ring = [&](int loop) {
    const double r = innerRadius + (outerRadius - innerRadius) * loop / loops;
    std::vector<QuadVertex> vertices(size_t(slices) + 1);
    for (int i = 0; i <= slices; ++i) {
      const double degrees = (full && i == slices) ? startAngle : startAngle + sweepAngle * i / slices;
      const double a = degrees * M_PI / 180;
      QuadVertex& v = vertices[size_t(i)];
      v.p[0] = float(r * std::sin(a));
      v.p[1] = float(r * std::cos(a));
      v.p[2] = 0;
      v.n[0] = 0;
      v.n[1] = 0;
      v.n[2] = nz;
      const double scale = outerRadius != 0 ? 0.5 / outerRadius : 0;
      v.st[0] = float(0.5 + v.p[0] * scale);
      v.st[1] = float(0.5 + v.p[1] * scale);
    }
    return vertices;
  };
  const float facing[3] = {0, 0, nz};
  std::vector<QuadVertex> inner = ring(0);
  for (int j = 0; j < loops; ++j) {
    std::vector<QuadVertex> outer = ring(j + 1);
    Strip(outer, inner, facing, *this);
    inner = std::move(outer);
  }
}

}  // namespace scene3d
