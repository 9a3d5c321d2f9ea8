// The interactive tasks the main window runs in its 2D view: the zoom window, the real-time pan, the
// image's crop rectangle and the one-point pick of the "Z no cut" height. Each is an operation of the
// interaction program (a chain of states); the main window starts or nests it and hears its end
// through the program's events.
//
//   prg.NestOperation(ZoomAreaOperation());                       // two clicks give the window
//   prg.NestOperation(RealTimePanOperation());                    // drag; Enter keeps, Esc restores
//   prg.StartOperation(CropRectangleOperation(),                  // clicks alternate the corners
//                      std::make_unique<CropRectangleParam>(onCorners, onReady));
//   prg.StartOperation(PointPickOperation(), std::make_unique<PointPickParam>(777));  // one click
#pragma once

#include <functional>
#include <memory>

#include "cad/cad_prg.h"
#include "cad/primitives2d.h"

namespace app {

const cad::TCADStateClass* ZoomAreaOperation();
const cad::TCADStateClass* RealTimePanOperation();
const cad::TCADStateClass* CropRectangleOperation();
const cad::TCADStateClass* PointPickOperation();

// The crop rectangle's corners (drawing units, snapped). `onCorners` hears them while the second one
// follows the pointer; `onReady` hears false at the first click and true at the second.
class CropRectangleParam : public cad::TCAD2DCommonParam {
 public:
  using CornersEvent = std::function<void(const cad::TPoint2D& first, const cad::TPoint2D& second)>;
  using ReadyEvent = std::function<void(bool ready)>;
  CropRectangleParam(CornersEvent onCorners, ReadyEvent onReady)
      : onCorners(std::move(onCorners)), onReady(std::move(onReady)) {}

  cad::TPoint2D firstCorner = cad::Point2D(0, 0);
  cad::TPoint2D secondCorner = cad::Point2D(0, 0);
  CornersEvent onCorners;
  ReadyEvent onReady;
};

// The point the pick adds to the drawing, with ID `id`, where the user clicks.
class PointPickParam : public cad::TCAD2DCommonParam {
 public:
  explicit PointPickParam(int32_t id) : point(std::make_unique<cad::TPunto2D>(id, cad::Point2D(0, 0))) {}
  std::unique_ptr<cad::TPunto2D> point;
};

}  // namespace app
