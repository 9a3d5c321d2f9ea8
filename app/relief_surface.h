// The relief surface of the 3D view (GLSuperficie's drawing): the height grid as coloured quads, one
// every few pixels by the shading resolution, blue at the black depth and white at the white depth,
// with the quads at the "Z no cut" height left out. Plain drawing through the state cache and the
// active OpenGL table; the window supplies the values and shows the progress.
//
// The scene compiles this drawing into the surface's display list, so it runs again only when the
// surface changes (a new grid, mode, resolution or "Z no cut" height), not on every frame:
//   surface->OnRender = [&](TObject*, RenderContextInfo& rci) {
//     DrawReliefSurface(ReliefSurfaceOf(...), *rci.GLStates, progress);
//   };
#pragma once

#include <vector>

#include "machining/relief_model.h"
#include "scene3d/gl_state.h"

namespace app {

enum class SurfaceMode { Shade, Wire, None };  // mnuSPShade "On", mnuSPWire, mnuSPNone
enum class SurfaceResolution { Coarse, Medium, Fine };

// The quad step for n = pixels - 1 along one side: the finer the resolution and the smaller the
// picture, the smaller the step (1 for Fine, and for every picture of 51 pixels or less).
int SurfaceStep(SurfaceResolution resolution, int n);

// The node indices the quads end on along one side: step, 2 step, ... and n itself once, so the last
// row or column is always reached and never drawn twice. Empty for n < 1.
std::vector<int> SurfaceIndices(int n, int step);

// What the drawing shows while it runs on the GUI thread: the progress bar (0 ... 100) and the
// hourglass. Start is called only when quads are to be made, Finish after it in every case.
class SurfaceProgress {
 public:
  virtual ~SurfaceProgress() = default;
  virtual void Start() = 0;
  virtual void Advance(int by) = 0;
  virtual void Finish() = 0;
};

struct ReliefSurface {
  // The relief; no picture (pixelWidth or pixelHeight 0) draws nothing.
  const machining::ReliefModel* model = nullptr;
  int pixelWidth = 0;   // the working bitmap's size
  int pixelHeight = 0;
  SurfaceMode mode = SurfaceMode::Shade;
  SurfaceResolution resolution = SurfaceResolution::Fine;
  bool zNoCut = false;
  float zNoCutHeight = 0.0f;
  float zNoCutTolerance = 0.0f;
};

// Draws the surface into the current context (or the display list being compiled). Colour material
// on and face culling off while it draws; afterwards culling is on, colour material off and the
// polygon mode filled again, so the objects drawn after it are not left in wire frame. Draws no quad
// for a picture narrower or lower than 2 pixels, or when the grid was built for another picture size
// (it is out of date until the depth page applies it again).
void DrawReliefSurface(const ReliefSurface& surface, scene3d::TGLStateCache& states, SurfaceProgress& progress);

}  // namespace app
