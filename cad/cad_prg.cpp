#include "cad/cad_prg.h"

#include <QObject>

#include <algorithm>
#include <exception>

#include "platform/exception.h"

namespace cad {

// --- States ---

TCADState::TCADState(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : Param(param), prg_(prg) {
  next = nullptr;
}

bool TCADState::OnEvent(TCADPrgEvent, TCADPrgMouseButton, int, platform::TShiftState, const TCADStateClass*&) {
  return false;
}

void TCADState::OnStop() { prg_.FreeParam(Param); }

void TCADState::OnResume(const TCADStateClass*) {}

void TCADState::SetDescription(const std::string& description) {
  description_ = description;
  if (prg_.OnDescriptionChanged) prg_.OnDescriptionChanged(*this);
}

TCADIdleState::TCADIdleState(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  if (param) throw platform::Exception("TCADIdleState.Create: Non all objects were destroied");
}

// --- The program ---

TCADPrg::TCADPrg() : idleClass_(StateClassOf<TCADIdleState>()) { MakeIdleState(); }

TCADPrg::~TCADPrg() { Shutdown(); }

void TCADPrg::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  // The owner is going too: nothing it handles is told any more.
  OnEnterState = OnExitState = nullptr;
  OnStartOperation = OnEndOperation = OnStopOperation = nullptr;
  OnIdle = nullptr;
  OnDescriptionChanged = nullptr;
  for (std::unique_ptr<TCADState>* state : {&current_, &suspended_}) {
    if (!*state) continue;
    try {
      (*state)->OnStop();
    } catch (...) {
    }
    state->reset();
  }
  params_.clear();
  SetViewport(nullptr);
}

void TCADPrg::MakeIdleState() {
  const TCADStateClass* next = nullptr;
  current_ = idleClass_->Create(*this, nullptr, next);
  current_->class_ = idleClass_;
}

void TCADPrg::SetViewport(TKQViewport* viewport) {
  if (viewport == viewport_) return;
  if (viewport_) {
    if (showCursorCross_) HideCursorCross();
    QObject::disconnect(viewportGone_);
    viewport_->WindowProc = std::move(previousProc_);
    viewport_->OnPaint = std::move(previousPaint_);
    previousProc_ = nullptr;
    previousPaint_ = nullptr;
    viewport_ = nullptr;
  }
  if (!viewport) return;
  viewport_ = viewport;
  // The viewport has cleared its handlers by the time it is destroyed: only forget it.
  viewportGone_ = QObject::connect(viewport, &QObject::destroyed, [this] {
    viewport_ = nullptr;
    previousProc_ = nullptr;
    previousPaint_ = nullptr;
  });
  previousProc_ = viewport->WindowProc;
  viewport->WindowProc = [this](TViewportMessage& message) { ViewportWindowProc(message); };
  previousPaint_ = viewport->OnPaint;
  viewport->OnPaint = [this](TKQViewport& sender) { ViewportPainted(sender); };
  if (showCursorCross_) DrawCursorCross();
}

// --- Parameters ---

TCADPrgParam* TCADPrg::AdoptParam(std::unique_ptr<TCADPrgParam> param) {
  if (!param) return nullptr;
  TCADPrgParam* p = param.get();
  if (!OwnsParam(p)) params_.push_back({std::move(param), nested_});
  return p;
}

void TCADPrg::FreeParam(TCADPrgParam*& param) {
  auto it = std::find_if(params_.begin(), params_.end(), [&](const OwnedParam& o) { return o.param.get() == param; });
  if (it != params_.end()) {
    // Taken out of the list before it goes, in case its destructor calls back.
    std::unique_ptr<TCADPrgParam> going = std::move(it->param);
    params_.erase(it);
  }
  param = nullptr;
}

bool TCADPrg::OwnsParam(const TCADPrgParam* param) const {
  return param && std::any_of(params_.begin(), params_.end(), [&](const OwnedParam& o) { return o.param.get() == param; });
}

void TCADPrg::FreeParams(bool nestedOnly, const TCADPrgParam* keep) {
  std::vector<std::unique_ptr<TCADPrgParam>> going;
  for (auto it = params_.begin(); it != params_.end();) {
    if ((!nestedOnly || it->nested) && it->param.get() != keep) {
      going.push_back(std::move(it->param));
      it = params_.erase(it);
    } else {
      ++it;
    }
  }
}

// --- Operations ---

void TCADPrg::FireOperation(const OperationEvent& event, const TCADStateClass* operation, TCADPrgParam* param) {
  if (event) event(*this, operation, param);
}

void TCADPrg::EnterState(const TCADStateClass* cls, TCADPrgParam*& param, const TCADStateClass*& next,
                         const bool* canBeSuspended) {
  current_.reset();
  next = nullptr;
  std::unique_ptr<TCADState> state = cls->Create(*this, param, next);
  state->class_ = cls;
  if (canBeSuspended) state->CanBeSuspended = *canBeSuspended;
  current_ = std::move(state);
  param = current_->Param;
  if (OnEnterState) OnEnterState(*this, *current_);
}

bool TCADPrg::RunChain(const TCADStateClass* operation, TCADPrgParam* param) {
  const TCADStateClass* next = operation;
  bool canBeSuspended = true;
  bool first = true;
  try {
    while (next) {
      if (operation != idleClass_ && next == idleClass_) {
        FireOperation(OnEndOperation, operation_, param);
        if (nested_)
          EndOperation(operation_, param);
        else
          EndOperation(nullptr, nullptr);
        break;
      }
      const TCADStateClass* cls = next;
      // The first state of the chain decides whether the operation can be suspended.
      EnterState(cls, param, next, first ? nullptr : &canBeSuspended);
      if (first) canBeSuspended = current_->CanBeSuspended;
      first = false;
    }
  } catch (...) {
    ResetOperation();
    return !first;
  }
  return true;
}

bool TCADPrg::StartOperation(const TCADStateClass* operation, std::unique_ptr<TCADPrgParam> param) {
  if (!viewport_ || !operation) return false;
  viewport_->WaitForRepaint();
  if (nested_) return false;
  if (busy_) StopOperation();
  TCADPrgParam* p = AdoptParam(std::move(param));
  busy_ = operation != idleClass_;
  operation_ = operation;
  FireOperation(OnStartOperation, operation, p);
  return RunChain(operation, p);
}

bool TCADPrg::NestOperation(const TCADStateClass* operation, std::unique_ptr<TCADPrgParam> param) {
  if (!viewport_ || !operation || nested_ || !current_ || !current_->CanBeSuspended) return false;
  if (!busy_) {
    StartOperation(operation, std::move(param));
    return false;
  }
  viewport_->WaitForRepaint();
  suspended_ = std::move(current_);
  suspendedOperation_ = operation_;
  nested_ = true;
  operation_ = operation;
  return RunChain(operation, AdoptParam(std::move(param)));
}

void TCADPrg::StopOperation() {
  if (!busy_ || !current_) return;
  const TCADStateClass* operation = operation_;
  current_->OnStop();
  EndOperation(current_->class_, current_->Param);
  FireOperation(OnStopOperation, operation, nullptr);
}

void TCADPrg::ResetOperation() {
  stopping_ = false;
  const TCADStateClass* operation = operation_;
  if (current_) {
    try {
      current_->OnStop();
    } catch (...) {
    }
    EndOperation(current_->class_, current_->Param);
  } else {
    EndOperation(nullptr, nullptr);
  }
  // The main window gets its mode and panels back whatever way the operation ended; a failed nested
  // operation has resumed the one it suspended, whose mode stays.
  if (!busy_) FireOperation(OnStopOperation, operation, nullptr);
}

void TCADPrg::EndOperation(const TCADStateClass*, TCADPrgParam*) {
  if (!current_) MakeIdleState();
  if (nested_) {
    const TCADStateClass* ended = operation_;
    current_ = std::move(suspended_);
    operation_ = suspendedOperation_;
    suspendedOperation_ = nullptr;
    nested_ = false;
    current_->SetDescription(current_->Description());
    if (showCursorCross_) HideCursorCross();
    RefreshViewport();
    if (showCursorCross_) DrawCursorCross();
    repaintRequest_ = false;
    current_->OnResume(ended);
    // What the nested operation made goes; the resumed operation keeps its own.
    FreeParams(true, current_ ? current_->Param : nullptr);
    return;
  }
  busy_ = false;
  current_.reset();
  FreeParams(false, nullptr);
  operation_ = nullptr;
  if (showCursorCross_) HideCursorCross();
  RefreshViewport();
  if (showCursorCross_) DrawCursorCross();
  repaintRequest_ = false;
  stopping_ = false;
  if (!viewport_ || !StartOperation(idleClass_, nullptr)) {
    if (!current_) MakeIdleState();
  }
  if (OnIdle) OnIdle(*this);
}

void TCADPrg::RefreshViewport() {
  std::vector<std::function<void(TKQViewport&)>> drawings = std::move(afterOperation_);
  afterOperation_.clear();
  if (!viewport_) return;
  if (!repaintRequest_) {
    if (RefreshAfterOperation) viewport_->Refresh();
  } else if (BoxOverlaps2D(repaintRect_, Rect2D(0, 0, 0, 0))) {
    viewport_->Repaint();
  } else {
    viewport_->RepaintRect(repaintRect_);
  }
  for (const auto& draw : drawings) draw(*viewport_);
}

void TCADPrg::RepaintAfterOperation() {
  repaintRequest_ = true;
  repaintRect_ = Rect2D(0, 0, 0, 0);
}

void TCADPrg::DrawAfterOperation(std::function<void(TKQViewport& viewport)> draw) {
  if (draw) afterOperation_.push_back(std::move(draw));
}

void TCADPrg::SendEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift) {
  if (stopping_ || !current_) return;
  const TCADStateClass* next = nullptr;
  if (!current_->OnEvent(kind, button, key, shift, next)) return;
  if (OnExitState) OnExitState(*this, *current_);
  try {
    for (;;) {
      TCADPrgParam* param = current_->Param;
      if (!next || next == idleClass_) {
        FireOperation(OnEndOperation, operation_, param);
        EndOperation(current_->class_, param);
        return;
      }
      const bool canBeSuspended = current_->CanBeSuspended;
      const TCADStateClass* cls = next;
      EnterState(cls, param, next, &canBeSuspended);
      if (!next) return;
    }
  } catch (...) {
    ResetOperation();
  }
}

void TCADPrg::PostUserCode(int code) {
  if (!viewport_) return;
  try {
    SendEvent(cadUserDefined, cmbNone, code, 0);
  } catch (...) {
    ResetOperation();
  }
}

std::string TCADPrg::Description() const { return current_ ? current_->Description() : std::string(); }

// --- The viewport's messages ---

namespace {

TCADPrgMouseButton ButtonOf(platform::TMouseButton button) {
  switch (button) {
    case platform::mbLeft: return cmbLeft;
    case platform::mbRight: return cmbRight;
    default: return cmbMiddle;
  }
}

TCADPrgMouseButton ButtonHeld(platform::TShiftState shift) {
  if (shift & platform::ssLeft) return cmbLeft;
  if (shift & platform::ssRight) return cmbRight;
  if (shift & platform::ssMiddle) return cmbMiddle;
  return cmbNone;
}

}  // namespace

bool TCADPrg::MouseMessage(TViewportMessage&) { return false; }

void TCADPrg::ViewportWindowProc(TViewportMessage& message) {
  bool fired = false;
  std::exception_ptr failure;
  try {
    const TCADPrgMouseButton button = ButtonOf(message.Button);
    // Only the left and right buttons make events, as the states know them.
    const bool eventButton = button == cmbLeft || button == cmbRight;
    switch (message.Kind) {
      case TViewportMessageKind::KeyDown:
        lastKey_ = int16_t(message.Key);
        SendEvent(cadKeyDown, cmbNone, message.Key, message.Shift);
        break;
      case TViewportMessageKind::KeyUp:
        SendEvent(cadKeyUp, cmbNone, message.Key, message.Shift);
        lastKey_ = 0;
        break;
      case TViewportMessageKind::MouseMove:
        fired = MouseMessage(message);
        if (showCursorCross_) MoveCursorCross();
        SendEvent(cadMouseMove, ButtonHeld(message.Shift), lastKey_, message.Shift);
        break;
      case TViewportMessageKind::MouseDown:
      case TViewportMessageKind::MouseUp:
        if (!eventButton) break;
        fired = MouseMessage(message);
        SendEvent(message.Kind == TViewportMessageKind::MouseDown ? cadMouseDown : cadMouseUp, button, lastKey_,
                  message.Shift);
        break;
      case TViewportMessageKind::DoubleClick:
        if (!eventButton) break;
        fired = MouseMessage(message);
        SendEvent(cadMouseDblClick, button, lastKey_, message.Shift);
        SendEvent(cadMouseDown, button, lastKey_, message.Shift);
        break;
    }
  } catch (...) {
    failure = std::current_exception();
  }
  // The viewport's own handling runs in any case, without the 2D mouse event the program fired.
  if (viewport_ && previousProc_) {
    TKQViewport* viewport = viewport_;
    viewport->SuppressMouse2DEvents = fired;
    try {
      previousProc_(message);
    } catch (...) {
      viewport->SuppressMouse2DEvents = false;
      throw;
    }
    viewport->SuppressMouse2DEvents = false;
  }
  if (failure) std::rethrow_exception(failure);
}

void TCADPrg::ViewportPainted(TKQViewport& viewport) {
  if (showCursorCross_) HideCursorCross();
  if (current_) SendEvent(cadViewportPainted, cmbNone, 0, 0);
  if (previousPaint_) previousPaint_(viewport);
  if (showCursorCross_) DrawCursorCross();
}

void TCADPrg::SetCursorColor(platform::TColor color) {
  if (showCursorCross_) HideCursorCross();
  cursorColor_ = color;
  if (showCursorCross_) DrawCursorCross();
}

void TCADPrg::SetShowCursorCross(bool show) {
  if (show == showCursorCross_) return;
  if (!show) HideCursorCross();
  showCursorCross_ = show;
}

}  // namespace cad
