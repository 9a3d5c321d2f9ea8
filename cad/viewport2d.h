// TKQViewport2D: the viewport bound to a 2D drawing. It draws 2D objects with their layer's pen and
// brush, draws rubber-band images of objects being edited, picks the object under a point, fits the
// window to the drawing's extension, copies the drawing to another canvas and reports mouse events
// in drawing units as well as in pixels.
//
//   TKQViewport2D view(parent);
//   view.SetCADCmp(&drawing);
//   view.SetAspectRatio(1.0);
//   view.ShowWindowRect(Rect2D(-10, -10, 290, 290));
//   view.OnMouseMove2D = [](TKQViewport2D&, TShiftState, int x, int y, double dx, double dy) { ... };
//   int code;
//   if (TObject2D* hit = view.HitTestObject(point, 5, code)) ...
#pragma once

#include <functional>
#include <type_traits>

#include "cad/object2d.h"
#include "cad/viewport.h"

namespace cad {

class TKQCmp2D;

// A class of 2D objects for picking: the object belongs to it (ClassOf<T>() for T and its heirs).
// Compared by identity, as class references are.
using TObject2DClass = bool (*)(const TObject2D& object);

template <typename T>
bool IsObjectOf(const TObject2D& object) {
  if constexpr (std::is_base_of_v<T, TObject2D>)
    return true;
  else
    return dynamic_cast<const T*>(&object) != nullptr;
}

template <typename T>
TObject2DClass ClassOf() {
  return &IsObjectOf<T>;
}

class TKQViewport2D : public TKQViewport {
 public:
  using MouseMove2DEvent =
      std::function<void(TKQViewport2D& sender, platform::TShiftState shift, int x, int y, double drawingX, double drawingY)>;
  using MouseButton2DEvent = std::function<void(TKQViewport2D& sender, platform::TMouseButton button,
                                                platform::TShiftState shift, int x, int y, double drawingX,
                                                double drawingY)>;
  // `delta` in eighths of a degree as the wheel reports it (120 a notch); setting `handled` keeps
  // the wheel from the windows above.
  using MouseWheelEvent =
      std::function<void(TKQViewport2D& sender, platform::TShiftState shift, int delta, int x, int y, bool& handled)>;

  explicit TKQViewport2D(QWidget* parent = nullptr);
  ~TKQViewport2D() override;

  void SetCADCmp(TKQCmp* drawing) override;
  TKQCmp2D* CADCmp2D() const { return cadCmp2D_; }
  void DrawingDestroyed(TKQCmp& drawing) override;

  // Nothing for an object not visible in the window; without its layer's style (LayerStyled off) a
  // blue pen of width 1; on a hidden layer nothing; with ShowControlPoints its control points too.
  void DrawObject(TGraphicObject& object, TDecorativeCanvas& canvas, const TRect2D& clip) override;
  void DrawObjectWithRubber(TGraphicObject& object, TDecorativeCanvas& canvas, const TRect2D& clip) override;
  // The object drawn into the buffer and on the screen; control points shown when asked or set.
  void PaintObject(TObject2D& object, bool showControlPoints);
  // The object's rubber band on the screen only: drawing it twice removes it.
  void DrawRubberObject(TObject2D& object, bool showControlPoints);
  // The object within `aperture` pixels of `point` (drawing units) with the best pick code and then
  // the least distance, the later in the list among equals; with `stopAtFirst` the first such. Only
  // objects of PickClass, visible, styled by their layer, on an active and visible layer. None
  // (code PICK_NOOBJECT) without a drawing or while one of its lists has an iterator open.
  TObject2D* HitTestObject(const TPoint2D& point, int aperture, int& pickCode, bool stopAtFirst = false);
  // The point in the object's own coordinates (through the inverse of its model transform).
  TPoint2D ViewportToObject(const TObject2D& object, const TPoint2D& point) const;
  // Mode 0: the window mapped without aspect; 1: with AspectRatio; other: the view transform.
  TTransform2D BuildTransformOfRect(const TRect2D& window, const platform::Rect& screen, int aspectMode) override;
  // Every object visible in `window` and on a visible layer, in its layer's style, without control
  // points, mapped onto `screen` of `canvas`.
  void CopyRectToCanvas(const TRect2D& window, const platform::Rect& screen, int aspectMode,
                        platform::Canvas& canvas) override;
  // The drawing's extension grown on every side by a twentieth of its larger side; a drawing with
  // nothing shown is only repainted.
  void ZoomToExtension() override;

  // The class an object must belong to for HitTestObject; TObject2D at creation.
  TObject2DClass PickClass = ClassOf<TObject2D>();

  MouseMove2DEvent OnMouseMove2D;
  MouseButton2DEvent OnMouseDown2D;
  MouseButton2DEvent OnMouseUp2D;
  MouseWheelEvent OnMouseWheel;

 protected:
  // The mouse messages in drawing units (unless SuppressMouse2DEvents), after the base's handling.
  void DefaultWindowProc(TViewportMessage& message) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void DrawRubber(TGraphicObject& object, TDecorativeCanvas& canvas, const TRect2D& clip, bool showControlPoints);
  // The canvas takes the object's layer style; false for a hidden layer.
  bool ApplyLayer(const TObject2D& object, TDecorativeCanvas& canvas) const;

  TKQCmp2D* cadCmp2D_ = nullptr;
};

}  // namespace cad
