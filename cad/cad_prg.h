// The interaction program: it turns the key and mouse messages of one viewport into the steps of
// interactive operations. An operation is a chain of states. A state's constructor does the state's
// first work and may name the next state at once; its OnEvent answers events and may name the next
// state. The program keeps exactly one current state, the idle state when nothing goes on.
//
// Writing a state:
//   class TMyPick : public TCADState {
//    public:
//     TMyPick(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
//       // first work; `next = StateClassOf<TOther>();` would go on at once
//     }
//     bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
//                  const TCADStateClass*& next) override {
//       if (kind == cadMouseDown && button == cmbLeft) { ...; next = CADPrg().IdleClass(); return true; }
//       return false;                                 // stay
//     }
//   };
//   prg.StartOperation(StateClassOf<TMyPick>(), std::make_unique<TMyParam>(...));
//
// A state class is StateClassOf<S>(): the factory of S, compared by identity. Naming the idle class
// ends the operation (a nested one resumes the operation it suspended); answering true with no next
// class ends it too.
//
// Parameters: the program owns every parameter (StartOperation and NestOperation take it over,
// AdoptParam and MakeParam take those a state makes); states hold plain pointers. FreeParam frees one
// early and is harmless for a pointer already freed; whatever an operation leaves is freed when it
// ends (a nested one's when it ends, the suspended operation's own excepted).
#pragma once

#include <QMetaObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cad/geometry.h"
#include "cad/graphic_object.h"
#include "cad/viewport.h"
#include "platform/canvas.h"
#include "platform/input_events.h"

namespace cad {

class TCADPrg;
class TCADState;
class TCADPrgParam;

// Events a state is asked about.
enum TCADPrgEvent : int {
  cadMouseMove = 0,
  cadMouseDown = 1,
  cadMouseUp = 2,
  cadMouseDblClick = 3,
  cadKeyDown = 4,
  cadKeyUp = 5,
  // The view copied its buffer to the screen: rubber bands must be drawn again.
  cadViewportPainted = 6,
  cadUserDefined = 7,
};

enum TCADPrgMouseButton : int { cmbNone = 0, cmbLeft = 1, cmbRight = 2, cmbMiddle = 3 };

// User codes of PostUserCode.
inline constexpr int CADPRG_ACCEPT = 1;
inline constexpr int CADPRG_CANCEL = 2;
inline constexpr int CADPRG_CLOSE = 3;

// A state class: the factory of its states.
struct TCADStateClass {
  std::unique_ptr<TCADState> (*Create)(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

template <typename S>
const TCADStateClass* StateClassOf() {
  static const TCADStateClass cls{[](TCADPrg& prg, TCADPrgParam* param,
                                     const TCADStateClass*& next) -> std::unique_ptr<TCADState> {
    return std::make_unique<S>(prg, param, next);
  }};
  return &cls;
}

// What an operation carries from state to state.
class TCADPrgParam {
 public:
  explicit TCADPrgParam(const TCADStateClass* afterState = nullptr) : AfterState(afterState) {}
  virtual ~TCADPrgParam() = default;
  TCADPrgParam(const TCADPrgParam&) = delete;
  TCADPrgParam& operator=(const TCADPrgParam&) = delete;

  // The state to go on with when a state of a parameterised operation is done; none to end.
  const TCADStateClass* AfterState;
  // The object the operation works on (not owned).
  TGraphicObject* UserObject = nullptr;
};

// The base of the 2D parameters.
class TCAD2DCommonParam : public TCADPrgParam {
 public:
  using TCADPrgParam::TCADPrgParam;
};

class TCADState {
 public:
  // `next` starts as none, the description empty.
  TCADState(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  virtual ~TCADState() = default;
  TCADState(const TCADState&) = delete;
  TCADState& operator=(const TCADState&) = delete;

  // True when the state wants to go on to `next` (none or the idle class ends the operation).
  virtual bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
                       const TCADStateClass*& next);
  // The operation is being stopped: the parameter goes.
  virtual void OnStop();
  // A nested operation of class `nested` has ended and this state runs again.
  virtual void OnResume(const TCADStateClass* nested);

  TCADPrg& CADPrg() const { return prg_; }
  const TCADStateClass* StateClass() const { return class_; }
  const std::string& Description() const { return description_; }
  // Fires the program's OnDescriptionChanged with this state.
  void SetDescription(const std::string& description);

  // The operation's parameter (owned by the program); may be none.
  TCADPrgParam* Param = nullptr;
  // False keeps a nested operation (zoom, pan) from interrupting this one.
  bool CanBeSuspended = true;

 private:
  friend class TCADPrg;
  TCADPrg& prg_;
  const TCADStateClass* class_ = nullptr;
  std::string description_;
};

class TCADIdleState : public TCADState {
 public:
  // A parameter raises platform::Exception "TCADIdleState.Create: Non all objects were destroied".
  TCADIdleState(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

class TCADPrg {
 public:
  using StateEvent = std::function<void(TCADPrg& sender, TCADState& state)>;
  using OperationEvent = std::function<void(TCADPrg& sender, const TCADStateClass* operation, TCADPrgParam* param)>;
  using NotifyEvent = std::function<void(TCADPrg& sender)>;
  using DescriptionEvent = std::function<void(TCADState& sender)>;

  // The idle state is made at once.
  TCADPrg();
  // Stops the current and the suspended state, frees them and every parameter, and gives the
  // viewport its window procedure and paint handler back. No event fires.
  virtual ~TCADPrg();
  TCADPrg(const TCADPrg&) = delete;
  TCADPrg& operator=(const TCADPrg&) = delete;

  // The viewport whose messages the program takes; none to let go. The program puts its own window
  // procedure and paint handler in place of the viewport's (set the viewport's OnPaint before), and
  // lets go by itself when the viewport is destroyed.
  void SetViewport(TKQViewport* viewport);
  TKQViewport* Viewport() const { return viewport_; }

  // Ends a running operation (StopOperation) and starts one with a state of `operation`. False
  // without a viewport, while a nested operation runs, and when the first state could not be made
  // (the operation then ends through ResetOperation).
  bool StartOperation(const TCADStateClass* operation, std::unique_ptr<TCADPrgParam> param = nullptr);
  // The current state's OnStop, the end of the operation, OnStopOperation; only while busy.
  void StopOperation();
  // Suspends the running operation and runs `operation` until it names the idle class, then the
  // suspended one goes on (OnResume). Refused (false) while a nested operation runs or when the
  // current state cannot be suspended; with no operation running it starts `operation` and answers
  // false. A nested operation gets only the parameter given to it: it never runs the suspended
  // operation's follow-up.
  bool NestOperation(const TCADStateClass* operation, std::unique_ptr<TCADPrgParam> param = nullptr);
  // After a failure: the current state's OnStop, the end of the operation, OnStopOperation.
  void ResetOperation();
  // Sends the user code to the running operation; a failure of the state resets the operation.
  void PostUserCode(int code);
  // The current state's OnEvent; when it names a next state the chain goes on. Ignored while events
  // are ignored. A failure of OnEvent passes on; one of a state's constructor resets the operation.
  void SendEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift);
  // The whole view is repainted when the operation ends.
  void RepaintAfterOperation();
  // Drawn on the viewport's screen when the operation has ended, after the refresh that ends it, so
  // that it lasts until the view is next refreshed or repainted (the crossings a command marks).
  void DrawAfterOperation(std::function<void(TKQViewport& viewport)> draw);

  // --- Parameters (see above) ---
  TCADPrgParam* AdoptParam(std::unique_ptr<TCADPrgParam> param);
  template <typename T, typename... Args>
  T* MakeParam(Args&&... args) {
    return static_cast<T*>(AdoptParam(std::make_unique<T>(std::forward<Args>(args)...)));
  }
  // Frees a parameter the program holds and clears the pointer; nothing for one it does not hold.
  void FreeParam(TCADPrgParam*& param);
  bool OwnsParam(const TCADPrgParam* param) const;
  size_t ParamCount() const { return params_.size(); }

  // --- State ---
  bool IsBusy() const { return busy_; }
  bool IsNested() const { return nested_; }
  TCADState* CurrentState() const { return current_.get(); }
  TCADState* SuspendedState() const { return suspended_.get(); }
  const TCADStateClass* CurrentOperation() const { return operation_; }
  // A state may name the operation it runs as (an edit that a pick led to).
  void SetCurrentOperation(const TCADStateClass* operation) { operation_ = operation; }
  const TCADStateClass* IdleClass() const { return idleClass_; }
  // The current state's description.
  std::string Description() const;
  // While set, events are ignored (a state calling out, the program stopping).
  bool IgnoreEvents() const { return stopping_; }
  void SetIgnoreEvents(bool ignore) { stopping_ = ignore; }
  // The key pressed last and still held; 0 when none.
  int LastKey() const { return lastKey_; }

  // --- Published properties ---
  bool UseSnap = false;
  bool UseOrto = false;
  double XSnap = 0;
  double YSnap = 0;
  bool RefreshAfterOperation = true;
  platform::TColor CursorColor() const { return cursorColor_; }
  // The cross is erased, recoloured and drawn again.
  void SetCursorColor(platform::TColor color);
  bool ShowCursorCross() const { return showCursorCross_; }
  // Switching it off erases the cross.
  void SetShowCursorCross(bool show);

  // --- Events ---
  StateEvent OnEnterState;
  StateEvent OnExitState;
  OperationEvent OnStartOperation;
  OperationEvent OnEndOperation;
  OperationEvent OnStopOperation;
  NotifyEvent OnIdle;
  DescriptionEvent OnDescriptionChanged;

  // --- The pointer and the cross-hair ---
  virtual TPoint2D GetCurrentViewportPoint() const = 0;
  virtual void SetCurrentViewportPoint(const TPoint2D& point) = 0;
  // Erases the cross where it is and draws it at the snapped pointer.
  virtual void MoveCursorCross() = 0;
  // Erases the cross (nothing when it is not on the screen).
  virtual void HideCursorCross() = 0;

 protected:
  // Draws the cross where it was last put (nothing when it is on the screen already).
  virtual void DrawCursorCross() = 0;
  // Every key and mouse message of the viewport: turned into events, then passed on to the window
  // procedure the program replaced.
  virtual void ViewportWindowProc(TViewportMessage& message);
  // A mouse message before its event: true when it fired the viewport's 2D mouse event itself.
  virtual bool MouseMessage(TViewportMessage& message);
  // Lets go of the states, the parameters and the viewport; the most derived destructor calls it
  // first, so that states and the cross go while the whole program is still there.
  void Shutdown();

 private:
  struct OwnedParam {
    std::unique_ptr<TCADPrgParam> param;
    bool nested;  // adopted while a nested operation runs
  };

  // Frees the current state (not its parameter) and makes one of `cls`, whose constructor may name
  // the next class; `canBeSuspended` (when given) overrides the new state's. `param` becomes the new
  // state's parameter. A constructor's failure passes on, with no current state left.
  void EnterState(const TCADStateClass* cls, TCADPrgParam*& param, const TCADStateClass*& next,
                  const bool* canBeSuspended);
  // The chain of states from `operation` until one waits or the idle class is named; false when the
  // first state failed (the operation is then reset).
  bool RunChain(const TCADStateClass* operation, TCADPrgParam* param);
  void EndOperation(const TCADStateClass* ended, TCADPrgParam* param);
  void MakeIdleState();
  // The refresh or repaint that ends an operation, then what it asked to draw after it.
  void RefreshViewport();
  // The viewport's paint handler: the states draw their rubber bands again.
  void ViewportPainted(TKQViewport& viewport);
  void FreeParams(bool nestedOnly, const TCADPrgParam* keep);
  void FireOperation(const OperationEvent& event, const TCADStateClass* operation, TCADPrgParam* param);

  TKQViewport* viewport_ = nullptr;
  TViewportWindowProc previousProc_;
  TKQViewport::NotifyEvent previousPaint_;
  QMetaObject::Connection viewportGone_;
  bool busy_ = false;
  bool nested_ = false;
  bool stopping_ = false;
  std::unique_ptr<TCADState> current_;
  std::unique_ptr<TCADState> suspended_;
  const TCADStateClass* operation_ = nullptr;
  const TCADStateClass* suspendedOperation_ = nullptr;
  const TCADStateClass* idleClass_;
  std::vector<OwnedParam> params_;
  bool repaintRequest_ = false;
  TRect2D repaintRect_;
  std::vector<std::function<void(TKQViewport&)>> afterOperation_;
  int16_t lastKey_ = 0;
  platform::TColor cursorColor_ = platform::clGray;
  bool showCursorCross_ = false;
  bool shutDown_ = false;
};

}  // namespace cad
