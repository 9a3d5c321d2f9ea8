// The ready-made interactive tasks of the 2D view: zoom to a dragged window, real-time pan, drawing a
// primitive point by point, picking one or two objects, the crop rectangle, and moving or inserting
// the control points of one primitive. Each task is a chain of states run by a TKQPrg2D with a
// parameter that travels from state to state; the main window starts them through the Start...
// functions at the end (pan and zoom window nest into a running operation, the others start one).
//
//   StartSelectTwoObjects(prg, StateClassOf<TMyBreak>(), highlight);   // the break command
//   StartZoomWindow(prg);                                              // nested: the pick resumes
//   prg.PostUserCode(CADPRG_ACCEPT);                                   // Enter, "Done"
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "cad/curves2d.h"
#include "cad/graphic_obj_list.h"
#include "cad/kq_prg2d.h"
#include "cad/primitives2d.h"

namespace cad {

// --- Parameters ---------------------------------------------------------------------------------

// The zoom window's dragged frame.
class TCADPrgSelectAreaParam : public TCADPrgParam {
 public:
  TCADPrgSelectAreaParam(const TCADStateClass* afterState, TCADPrgParam* userParam);
  // The frame's box, its corners ordered.
  TRect2D GetArea() const;

  std::unique_ptr<TFrame2D> Frame;
  // The parameter handed to the zoom operation (not owned); its follow-up runs after the zoom.
  TCADPrgParam* UserParam = nullptr;
};

// A primitive being drawn point by point.
class TKQ2D_DrawUnSizedPrimitiveParam : public TCAD2DCommonParam {
 public:
  TKQ2D_DrawUnSizedPrimitiveParam(const TCADStateClass* afterState, bool orthoAllowed, uint16_t pointsPlaced,
                                  std::unique_ptr<TPrimitive2D> primitive);
  // The primitive as a rubber band with its control points.
  void DrawPrimitive(TKQViewport2D& viewport);

  // Owned until it is added to the drawing.
  std::unique_ptr<TPrimitive2D> Primitive;
  uint16_t CurrentPoint = 0;
  bool OrthoAllowed = false;
};

class TKQ2D_DrawSizedPrimitiveParam : public TKQ2D_DrawUnSizedPrimitiveParam {
 public:
  // PointCount is the primitive's point count.
  TKQ2D_DrawSizedPrimitiveParam(const TCADStateClass* afterState, bool orthoAllowed, uint16_t pointsPlaced,
                                std::unique_ptr<TPrimitive2D> primitive);
  uint16_t PointCount = 0;
};

class TKQD2D_SelectObjectsParam;
// The main window's highlight: draws the object as a rubber band with its control points.
using TSelectedObjectEvent =
    std::function<void(TKQD2D_SelectObjectsParam& param, TObject2D& object, bool selected, int pickCode)>;

// Picking objects.
class TKQD2D_SelectObjectsParam : public TCAD2DCommonParam {
 public:
  TKQD2D_SelectObjectsParam(uint16_t aperture, const TCADStateClass* afterState);
  virtual ~TKQD2D_SelectObjectsParam() override = default;
  // The closed square of +-Aperture pixels round `point`, in the rubber pen.
  virtual void DrawPickBox(TKQViewport2D& viewport, const TPoint2D& point);

  uint16_t Aperture = 5;
  uint8_t Option1 = 0;
  uint8_t Option2 = 0;
  int32_t LastPickCode = PICK_NOOBJECT;
  TPoint2D CurrentPoint = Point2D(0, 0);
  // The objects picked, not owned.
  TGraphicObjList SelectedObjects;
  TSelectedObjectEvent OnSelected;
  TObject2DClass ClassFilter = ClassOf<TObject2D>();
};

// The crop rectangle; the main window hears of its size and of its completion.
class TSCSelRettParam : public TCAD2DCommonParam {
 public:
  using CornersEvent = std::function<void(const TPoint2D& first, const TPoint2D& second)>;
  using ReadyEvent = std::function<void()>;

  explicit TSCSelRettParam(const TCADStateClass* afterState = nullptr) : TCAD2DCommonParam(afterState) {}
  // A temporary frame from the second corner to the first, as a rubber band.
  void DrawFrame(TKQViewport2D& viewport);

  TPoint2D FirstCorner = Point2D(0, 0);
  TPoint2D SecondCorner = Point2D(0, 0);
  // The main window's InfoCut, on every move of the second corner.
  CornersEvent OnInfoCut;
  // The second corner is placed: the main window enables its crop button.
  ReadyEvent OnAreaReady;
};

// Editing the control points of one primitive on a working copy.
class TCAD2DEditPrimitiveParam : public TCAD2DCommonParam {
 public:
  // EKQSysException "TCAD2DEditPrimitive: Only registered classes are allowed" for a class the
  // registry does not know.
  TCAD2DEditPrimitiveParam(TPrimitive2D& primitive, uint16_t aperture);

  TPrimitive2D* SourcePrimitive = nullptr;
  std::unique_ptr<TPrimitive2D> WorkingCopy;
  int16_t CurrentPointIndex = -1;
  uint16_t Aperture = 5;
  TPoint2D PickBoxPoint = Point2D(0, 0);
};

// --- States -------------------------------------------------------------------------------------

// Zoom and pan: nothing can be nested into them.
class TCADPrgZoomState : public TCADState {
 public:
  TCADPrgZoomState(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

// Zoom window: its parameter becomes the UserParam of the frame's parameter.
class TCADPrgZoomArea : public TCADPrgZoomState {
 public:
  TCADPrgZoomArea(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

class TCADPrgEndZoomArea : public TCADPrgZoomState {
 public:
  TCADPrgEndZoomArea(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

class TCADPrgRealTimePan : public TCADPrgZoomState {
 public:
  TCADPrgRealTimePan(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  bool dragging_ = false;
  TPoint2D last_ = Point2D(0, 0);
  TRect2D kept_;
};

// Whether a rubber band drawn in exclusive-or is on the screen: a copy of the buffer to the screen
// wipes it, so it is not erased twice nor left half drawn.
class TRubberBand {
 public:
  template <typename Draw>
  void Show(TKQViewport& view, Draw draw) {
    if (OnScreen(view)) return;
    draw();
    shown_ = true;
    copies_ = view.ScreenCopies();
  }
  template <typename Draw>
  void Hide(TKQViewport& view, Draw draw) {
    if (OnScreen(view)) draw();
    shown_ = false;
  }
  bool OnScreen(const TKQViewport& view) const { return shown_ && view.ScreenCopies() == copies_; }

 private:
  bool shown_ = false;
  uint64_t copies_ = 0;
};

class TCADPrgSelectArea : public TCADState {
 public:
  TCADPrgSelectArea(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;
};

class TCADPrgDragSelectArea : public TCADState {
 public:
  TCADPrgDragSelectArea(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  TRubberBand frame_;
};

class TKQ2D_DrawSizedPrimitive : public TCADState {
 public:
  TKQ2D_DrawSizedPrimitive(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  // The snapped pointer in the primitive's coordinates, orthogonal to the last point when asked.
  TPoint2D PlacedPoint(bool ortho);
  bool Finish(const TCADStateClass*& next);
  TKQ2D_DrawSizedPrimitiveParam& P() const { return static_cast<TKQ2D_DrawSizedPrimitiveParam&>(*Param); }
  TRubberBand band_;
};

// A primitive of as many points as the clicks place (a polyline): after the first click a last
// point follows the pointer. User code 1 keeps the points placed (two at least, else nothing is
// added); user code 3 closes the figure with the first point again (three at least).
class TKQ2D_DrawUnSizedPrimitive : public TCADState {
 public:
  TKQ2D_DrawUnSizedPrimitive(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  TPoint2D PlacedPoint();
  // Drops the point that follows the pointer, then adds the primitive (or goes on with the follow-up).
  bool Finish(bool close, const TCADStateClass*& next);
  TKQ2D_DrawUnSizedPrimitiveParam& P() const { return static_cast<TKQ2D_DrawUnSizedPrimitiveParam&>(*Param); }
  TRubberBand band_;
};

class TKQ2D_Select1Object : public TCADState {
 public:
  TKQ2D_Select1Object(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  TRubberBand box_;
};

class TCAD2DSeleziona2Ogg : public TCADState {
 public:
  TCAD2DSeleziona2Ogg(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  int count_ = 0;
  TRubberBand box_;
};

class TSCSelRett : public TCADState {
 public:
  TSCSelRett(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  // A release this many pixels from the press ends a drag.
  static constexpr double kDragPixels = 3;
  bool firstPlaced_ = false;
  // The left button is still down from the press that placed the first corner.
  bool firstHeld_ = false;
  TPoint2D pressedAt_ = Point2D(0, 0);
  TRubberBand frame_;
};

// The follow-up of a one-object pick that leads to the point editing.
class TCAD2DEditSelectedPrimitive : public TCADState {
 public:
  TCAD2DEditSelectedPrimitive(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

class TKQ2D_EditPrimitive : public TCADState {
 public:
  TKQ2D_EditPrimitive(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  TCAD2DEditPrimitiveParam& P() const { return static_cast<TCAD2DEditPrimitiveParam&>(*Param); }
  // The snapped pointer in the working copy's coordinates.
  TPoint2D CopyPoint();
  int PickControlPoint();
  TRubberBand box_;
  TRubberBand copy_;
};

// --- How the main window starts them ------------------------------------------------------------

// The 2D program a state runs in; EKQSysException when it is none or has no 2D view.
TKQPrg2D& Prg2DOf(TCADPrg& prg);
TKQViewport2D& View2DOf(TCADPrg& prg);
// Frees the state's parameter and ends the task (or resumes what a nested one suspended); true.
bool FreeAndIdle(TCADState& state, const TCADStateClass*& next);

// Zoom window and pan nest into a running operation (which then resumes with its selection), or
// start one when nothing runs. True when the task runs.
bool StartZoomWindow(TKQPrg2D& prg);
bool StartRealTimePan(TKQPrg2D& prg);
// Draws `primitive` (one click a point; its ID is kept when it is added), then `afterState`.
bool StartDrawSizedPrimitive(TKQPrg2D& prg, std::unique_ptr<TPrimitive2D> primitive, bool orthoAllowed = true,
                             const TCADStateClass* afterState = nullptr);
// Draws `primitive` from no points (one click a point, until user code 1 or 3), then `afterState`.
bool StartDrawUnSizedPrimitive(TKQPrg2D& prg, std::unique_ptr<TPrimitive2D> primitive, bool orthoAllowed = true,
                               const TCADStateClass* afterState = nullptr);
// Picks one or two objects (aperture 5 pixels) and goes on with `afterState`.
bool StartSelectOneObject(TKQPrg2D& prg, const TCADStateClass* afterState, TSelectedObjectEvent onSelected = nullptr);
bool StartSelectTwoObjects(TKQPrg2D& prg, const TCADStateClass* afterState, TSelectedObjectEvent onSelected = nullptr);
// The crop rectangle of the image pages.
bool StartCropRectangle(TKQPrg2D& prg, TSCSelRettParam::CornersEvent onInfoCut, TSCSelRettParam::ReadyEvent onReady);
// "Move Ctrl Pt": stops what runs, picks a primitive and edits its control points.
bool StartMoveControlPoints(TKQPrg2D& prg);

}  // namespace cad
