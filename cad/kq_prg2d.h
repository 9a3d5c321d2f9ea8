// TKQPrg2D: the interaction program of a 2D viewport. It converts the pointer to drawing units,
// snaps it to the grid and to objects (GetSnappedPoint, the point every drawing state uses), lets
// filters change it, and draws a cross-hair cursor in exclusive-or on the viewport's screen.
//
//   TKQPrg2D prg;
//   prg.SetViewport2D(&view);                    // takes over the view's messages and paint event
//   prg.OnEndOperation = [](TCADPrg&, const TCADStateClass* operation, TCADPrgParam*) { ... };
//   prg.StartOperation(StateClassOf<TMyDraw>(), std::make_unique<TMyDrawParam>(...));
//   prg.PostUserCode(CADPRG_CANCEL);             // Esc
#pragma once

#include <functional>
#include <string>

#include "cad/cad_prg.h"
#include "cad/construction.h"
#include "cad/viewport2d.h"

namespace cad {

class TKQPrg2D : public TCADPrg {
 public:
  using MouseMoveFilterEvent =
      std::function<void(TKQPrg2D& sender, TCADState* state, int x, int y, TPoint2D& currentPoint)>;
  using MouseButtonFilterEvent = std::function<void(TKQPrg2D& sender, TCADState* state, int x, int y,
                                                    TPoint2D& currentPoint, platform::TMouseButton button)>;
  using SnapFilterEvent =
      std::function<void(TKQPrg2D& sender, TCADState* state, const TPoint2D& lastPoint, TPoint2D& snappedPoint)>;

  // Snap steps 10 and 10.
  TKQPrg2D();
  ~TKQPrg2D() override;

  void SetViewport2D(TKQViewport2D* viewport) { SetViewport(viewport); }
  TKQViewport2D* Viewport2D() const { return dynamic_cast<TKQViewport2D*>(Viewport()); }

  TPoint2D GetCurrentViewportPoint() const override { return currentPoint_; }
  // Keeps the cartesian form.
  void SetCurrentViewportPoint(const TPoint2D& point) override { currentPoint_ = CartesianPoint2D(point); }
  // The pointer snapped: to the grid (UseSnap: multiples of XSnap and YSnap, halves to even), to
  // objects within 10 pixels (ObjectSnapKind, while ObjectSnapActive; the screen cursor shows the
  // kind of point taken), then through SnapFilter.
  TPoint2D GetSnappedPoint();
  void MoveCursorCross() override;
  void HideCursorCross() override;
  // Where the cross-hair stands, in drawing units.
  TPoint2D CursorCrossPosition() const { return crossPosition_; }

  // The snap kind of the main window's snap menu (0 none, 9, 11, 13, 15 or 17, see object_snap.h).
  int ObjectSnapKind = 0;
  // Object snapping applies only while this is set.
  bool ObjectSnapActive = false;
  // The last point a drawing state placed, handed to SnapFilter; (1e8, 1e8) for none.
  TPoint2D LastPoint = Point2D(1e8, 1e8);
  // Where the first and second object of a two-object pick were picked (the commands read them).
  TPickPoints PickPoints{};
  // The crop rectangle has both corners (the main window's crop command clears it).
  bool CropAreaReady = false;
  // The values of the construction commands; the main window fills them from its fields.
  TConstructionSettings ConstructionSettings;

  MouseMoveFilterEvent MouseMoveFilter;
  MouseButtonFilterEvent MouseButtonFilter;
  SnapFilterEvent SnapFilter;
  // Why a construction command left the drawing as it was (the main window's status line).
  std::function<void(const std::string& text)> OnConstructionMessage;

 protected:
  void DrawCursorCross() override;
  // Stores the pointer in drawing units; with a filter set, filters it and fires the viewport's 2D
  // mouse event with the result.
  bool MouseMessage(TViewportMessage& message) override;

 private:
  // The cross at `p` in exclusive-or; false when nothing could be drawn.
  bool DrawCrossAt(const TPoint2D& p);
  bool CrossOnScreen() const;

  TPoint2D currentPoint_;
  TPoint2D crossPosition_ = Point2D(0, 0);
  bool crossDrawn_ = false;
  uint64_t crossCopies_ = 0;  // the viewport's screen copies when the cross was drawn
};

}  // namespace cad
