#include "scene3d/wire_shapes.h"

#include "scene3d/gl_entry_points.h"
#include "scene3d/vectors.h"

namespace scene3d {

void BuildWireCube(TGLStateCache& states, float size, bool stipple, const TVector4f& colour) {
  const float h = size * 0.5f;
  states.DisableState(stLighting);
  states.EnableState(stLineSmooth);
  if (stipple) {
    states.EnableState(stLineStipple);
    states.EnableState(stBlend);
    states.SetBlendFunction(bfSrcAlpha, bfOneMinusSrcAlpha);
    states.SetLineStippleFactor(1);
    states.SetLineStipplePattern(0xCCCC);
  }
  states.SetLineWidth(1);
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  states.SetColor(colour);
  const float strip[][3] = {{h, -h, -h}, {h, h, -h},  {h, h, h},   {h, -h, h},   {h, -h, -h},
                            {-h, -h, -h}, {-h, -h, h}, {-h, h, h}, {-h, h, -h}, {h, h, -h}};
  gl.Begin(GL_LINE_STRIP);
  for (const auto& v : strip) gl.Vertex3fv(v);
  gl.End();
  const float lines[][3] = {{h, h, h}, {-h, h, h}, {-h, -h, -h}, {-h, h, -h}, {h, -h, h}, {-h, -h, h}};
  gl.Begin(GL_LINES);
  for (const auto& v : lines) gl.Vertex3fv(v);
  gl.End();
  // What comes after draws unsmoothed, unstippled lines unless it asks otherwise.
  states.DisableState(stLineSmooth);
  if (stipple) states.DisableState(stLineStipple);
}

void DrawAxesLines(TGLStateCache& states, float length, uint16_t pattern) {
  states.SetLineStippleFactor(1);
  states.SetLineStipplePattern(pattern);
  states.EnableState(stLineStipple);
  states.SetLineWidth(1);
  states.DisableState(stLighting);
  struct Axis {
    TVector4f colour;
    float end[3];
  };
  const float l = length;
  const Axis axes[] = {{{0.5f, 0, 0, 1}, {-l, 0, 0}}, {{1, 0, 0, 1}, {l, 0, 0}}, {{0, 0.5f, 0, 1}, {0, -l, 0}},
                       {{0, 1, 0, 1}, {0, l, 0}},     {{0, 0, 0.5f, 1}, {0, 0, -l}}, {{0, 0, 1, 1}, {0, 0, l}}};
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  gl.Begin(GL_LINES);
  for (const Axis& axis : axes) {
    gl.Color4fv(&axis.colour.x);
    gl.Vertex3f(0, 0, 0);
    gl.Vertex3fv(axis.end);
  }
  gl.End();
  states.ColorSetBehind();
  states.DisableState(stLineStipple);
}

void BuildDodecahedron() {
  constexpr float a = 0.485410f, b = 0.185410f, c = 0.3f;
  static const TVector3f vertices[20] = {
      {-a, 0, b},  {-a, 0, -b}, {a, 0, -b},  {a, 0, b},   {b, -a, 0},  {-b, -a, 0}, {-b, a, 0},
      {b, a, 0},   {0, b, -a},  {0, -b, -a}, {0, -b, a},  {0, b, a},   {-c, -c, c}, {-c, -c, -c},
      {c, -c, -c}, {c, -c, c},  {-c, c, c},  {-c, c, -c}, {c, c, -c},  {c, c, c}};
  static const int faces[12][5] = {{0, 12, 10, 11, 16}, {1, 17, 8, 9, 13},  {2, 14, 9, 8, 18},  {3, 19, 11, 10, 15},
                                   {4, 14, 2, 3, 15},   {5, 12, 0, 1, 13},  {6, 17, 1, 0, 16},  {7, 19, 3, 2, 18},
                                   {8, 17, 6, 7, 18},   {9, 14, 4, 5, 13},  {10, 12, 5, 4, 15}, {11, 19, 7, 6, 16}};
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  for (const auto& face : faces) {
    const TVector3f& p0 = vertices[face[0]];
    TVector3f n = AffineCross(AffineDifference(vertices[face[1]], p0), AffineDifference(vertices[face[2]], p0));
    if (!AffineIsNull(n)) n = AffineNormalized(n);
    gl.Normal3fv(&n.x);
    gl.Begin(GL_TRIANGLE_FAN);
    for (int i : face) gl.Vertex3fv(&vertices[i].x);
    gl.End();
  }
}

}  // namespace scene3d
