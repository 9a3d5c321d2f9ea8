// Small fixed shapes that lines and markers draw: the wire cube (twelve edges), the node axes and
// the dodecahedron. They draw in the current matrix through the state cache and the active table.
#pragma once

#include "scene3d/gl_state.h"
#include "scene3d/vector_types.h"

namespace scene3d {

// The twelve edges of a cube of edge `size` about the origin in `colour`; with `stipple` dashed
// ($CCCC) and blended. Lighting goes off and line smoothing on.
void BuildWireCube(TGLStateCache& states, float size, bool stipple, const TVector4f& colour);
// The three axes (half dark towards minus, full colour towards plus) of `length` from the origin,
// dashed with `pattern`.
void DrawAxesLines(TGLStateCache& states, float length, uint16_t pattern);
// Twelve pentagonal fans of a dodecahedron of about unit size, each after its plane normal.
void BuildDodecahedron();

}  // namespace scene3d
