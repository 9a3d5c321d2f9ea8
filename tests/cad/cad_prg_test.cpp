// The interaction program: the exact order of an operation's events (recorded by fake states),
// chains of states, nesting and resuming, stopping and resetting after failures, the ownership of
// parameters, and the viewport's messages turned into events.
#include "cad/cad_prg.h"

#include <gtest/gtest.h>

#include <QtTest/QTest>

#include <stdexcept>

#include "cad/kq_prg2d.h"
#include "viewport_test_support.h"

namespace cad {
namespace {

std::vector<std::string>* log = nullptr;
void Note(const std::string& text) {
  if (log) log->push_back(text);
}

// Does its work when it is made and ends the operation.
struct TWorkNow : TCADState {
  TWorkNow(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
    Note("work");
    next = prg.IdleClass();
  }
};

struct TWaiting;

// Goes on at once to TWaiting.
struct TGoOn : TCADState {
  TGoOn(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
    next = StateClassOf<TWaiting>();
  }
};

// Waits: a left click goes on to the parameter's follow-up (or ends), user code 2 ends, user code 9
// fails; every event is noted.
struct TWaiting : TCADState {
  TWaiting(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {}
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
               const TCADStateClass*& next) override {
    Note("event " + std::to_string(int(kind)) + " " + std::to_string(int(button)) + " " + std::to_string(key));
    if (kind == cadUserDefined && key == 9) throw std::runtime_error("state failed");
    if ((kind == cadMouseDown && button == cmbLeft) || (kind == cadUserDefined && key == CADPRG_CANCEL)) {
      next = kind == cadMouseDown && Param && Param->AfterState ? Param->AfterState : CADPrg().IdleClass();
      return true;
    }
    return false;
  }
  void OnStop() override {
    Note("onstop");
    TCADState::OnStop();
  }
  void OnResume(const TCADStateClass*) override { Note("resume"); }
};

// Cannot be suspended; goes on to TWaiting, which takes that over.
struct TLocked : TCADState {
  TLocked(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
    CanBeSuspended = false;
    next = StateClassOf<TWaiting>();
  }
};

struct TFailing : TCADState {
  TFailing(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
    throw std::runtime_error("cannot be made");
  }
};

// A pan: user code 1 goes on to its parameter's follow-up, any other ends it.
struct TPan : TCADState {
  TPan(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
    CanBeSuspended = false;
  }
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton, int key, platform::TShiftState,
               const TCADStateClass*& next) override {
    if (kind != cadUserDefined) return false;
    next = key == CADPRG_ACCEPT && Param && Param->AfterState ? Param->AfterState : CADPrg().IdleClass();
    return true;
  }
};

// A pan as the old program ran it, holding the suspended operation's parameter as its own: the
// program must still free that parameter only once.
struct TGreedyPan : TPan {
  TGreedyPan(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TPan(prg, param, next) {
    if (!Param && prg.SuspendedState()) Param = prg.SuspendedState()->Param;
  }
};

// The parameter's life is noted.
struct TNotedParam : TCADPrgParam {
  explicit TNotedParam(const TCADStateClass* after = nullptr) : TCADPrgParam(after) {}
  ~TNotedParam() override { Note("param freed"); }
};

class ProgramTest : public ViewportTest {
 protected:
  void SetUp() override {
    ViewportTest::SetUp();
    log = &events;
    prg = std::make_unique<TKQPrg2D>();
    prg->SetViewport2D(view.get());
    auto operation = [this](const char* what) {
      return [this, what](TCADPrg&, const TCADStateClass* op, TCADPrgParam*) {
        events.push_back(std::string(what) + " " + Name(op));
      };
    };
    prg->OnStartOperation = operation("start");
    prg->OnEndOperation = operation("end");
    prg->OnStopOperation = operation("stopped");
    prg->OnEnterState = [this](TCADPrg&, TCADState& s) { events.push_back("enter " + Name(s.StateClass())); };
    prg->OnExitState = [this](TCADPrg&, TCADState& s) { events.push_back("exit " + Name(s.StateClass())); };
    prg->OnIdle = [this](TCADPrg&) { events.push_back("idle"); };
  }
  void TearDown() override {
    prg.reset();
    log = nullptr;
    ViewportTest::TearDown();
  }

  static std::string Name(const TCADStateClass* c) {
    const std::pair<const TCADStateClass*, const char*> names[] = {
        {StateClassOf<TCADIdleState>(), "idle"}, {StateClassOf<TWorkNow>(), "worknow"},
        {StateClassOf<TGoOn>(), "goon"},         {StateClassOf<TWaiting>(), "waiting"},
        {StateClassOf<TLocked>(), "locked"},     {StateClassOf<TFailing>(), "failing"},
        {StateClassOf<TPan>(), "pan"},           {StateClassOf<TGreedyPan>(), "greedy pan"}};
    for (const auto& [cls, name] : names)
      if (cls == c) return name;
    return c ? "?" : "none";
  }
  std::vector<std::string> Take() { return std::exchange(events, {}); }

  std::vector<std::string> events;
  std::unique_ptr<TKQPrg2D> prg;
};

using Events = std::vector<std::string>;

TEST_F(ProgramTest, AStateThatEndsAtOnceRunsTheWholeOperation) {
  EXPECT_EQ(Name(prg->CurrentState()->StateClass()), "idle") << "made at once";
  EXPECT_TRUE(prg->StartOperation(StateClassOf<TWorkNow>(), std::make_unique<TNotedParam>()));
  EXPECT_EQ(Take(), (Events{"start worknow", "work", "enter worknow", "end worknow", "param freed", "start idle",
                            "enter idle", "idle"}));
  EXPECT_EQ(prg->CurrentState()->StateClass(), prg->IdleClass());
  EXPECT_FALSE(prg->IsBusy());
  EXPECT_EQ(prg->ParamCount(), 0u);
}

TEST_F(ProgramTest, AChainRunsStateByStateAndEndsWhenTheIdleClassIsNamed) {
  auto* param = new TNotedParam(StateClassOf<TWorkNow>());
  prg->StartOperation(StateClassOf<TGoOn>(), std::unique_ptr<TCADPrgParam>(param));
  EXPECT_EQ(Take(), (Events{"start goon", "enter goon", "enter waiting"}));
  EXPECT_TRUE(prg->IsBusy());
  EXPECT_EQ(prg->CurrentState()->Param, param) << "the parameter travels along the chain";
  EXPECT_EQ(prg->CurrentOperation(), StateClassOf<TGoOn>());

  prg->SendEvent(cadMouseMove, cmbNone, 0, 0);
  EXPECT_EQ(Take(), Events{"event 0 0 0"}) << "answered false: nothing else";
  prg->SendEvent(cadMouseDown, cmbLeft, 0, 0);
  EXPECT_EQ(Take(), (Events{"event 1 1 0", "exit waiting", "work", "enter worknow", "end goon", "param freed",
                            "start idle", "enter idle", "idle"}));
  EXPECT_FALSE(prg->IsBusy());

  // Starting while one runs stops the running one first.
  prg->StartOperation(StateClassOf<TWaiting>(), std::make_unique<TNotedParam>());
  Take();
  prg->StartOperation(StateClassOf<TWaiting>());
  EXPECT_EQ(Take(), (Events{"onstop", "param freed", "start idle", "enter idle", "idle", "stopped waiting",
                            "start waiting", "enter waiting"}));
  // Events are ignored while the program says so.
  prg->SetIgnoreEvents(true);
  prg->SendEvent(cadMouseDown, cmbLeft, 0, 0);
  EXPECT_TRUE(Take().empty());
  prg->SetIgnoreEvents(false);
}

TEST_F(ProgramTest, NestingSuspendsAndResumesWithoutTheFollowUp) {
  auto* outer = new TNotedParam(StateClassOf<TWorkNow>());
  prg->StartOperation(StateClassOf<TWaiting>(), std::unique_ptr<TCADPrgParam>(outer));
  prg->CurrentState()->SetDescription("outer");
  std::string described;
  prg->OnDescriptionChanged = [&](TCADState& s) { described = s.Description(); };
  Take();

  EXPECT_TRUE(prg->NestOperation(StateClassOf<TWaiting>()));
  EXPECT_TRUE(prg->IsNested());
  EXPECT_EQ(prg->CurrentState()->Param, nullptr) << "a nested operation does not borrow the suspended parameter";
  EXPECT_FALSE(prg->NestOperation(StateClassOf<TWaiting>())) << "one nesting at a time";
  EXPECT_FALSE(prg->StartOperation(StateClassOf<TWorkNow>())) << "nor a new operation meanwhile";
  Take();
  // The nested click ends the nested operation: the outer's follow-up (TWorkNow) does not run.
  prg->SendEvent(cadMouseDown, cmbLeft, 0, 0);
  EXPECT_EQ(Take(), (Events{"event 1 1 0", "exit waiting", "end waiting", "event 6 0 0", "resume"}))
      << "the view is shown again, so the resumed state draws its rubber bands again";
  EXPECT_FALSE(prg->IsNested());
  EXPECT_EQ(described, "outer") << "the resumed description is announced again";
  EXPECT_EQ(prg->CurrentState()->Param, outer);
  EXPECT_TRUE(prg->OwnsParam(outer));

  // A parameter given to a nested operation goes when it ends; the outer's stays.
  prg->NestOperation(StateClassOf<TWaiting>(), std::make_unique<TNotedParam>());
  prg->PostUserCode(CADPRG_CANCEL);
  EXPECT_EQ(Take(),
            (Events{"enter waiting", "event 7 0 2", "exit waiting", "end waiting", "event 6 0 0", "resume", "param freed"}));
  EXPECT_TRUE(prg->OwnsParam(outer));

  // The outer operation now goes on to its follow-up.
  prg->SendEvent(cadMouseDown, cmbLeft, 0, 0);
  EXPECT_EQ(Take(), (Events{"event 1 1 0", "exit waiting", "work", "enter worknow", "end waiting", "param freed",
                            "start idle", "enter idle", "idle"}));

  // With nothing running, nesting starts the operation and answers false.
  EXPECT_FALSE(prg->NestOperation(StateClassOf<TWaiting>()));
  EXPECT_TRUE(prg->IsBusy());
  EXPECT_FALSE(prg->IsNested());
}

TEST_F(ProgramTest, AnOperationThatCannotBeSuspendedRefusesNesting) {
  prg->StartOperation(StateClassOf<TLocked>());
  EXPECT_EQ(Name(prg->CurrentState()->StateClass()), "waiting");
  EXPECT_FALSE(prg->CurrentState()->CanBeSuspended) << "the chain keeps what its first state decided";
  Take();
  EXPECT_FALSE(prg->NestOperation(StateClassOf<TWaiting>()));
  EXPECT_TRUE(Take().empty());
  EXPECT_FALSE(prg->IsNested());
  EXPECT_EQ(Name(prg->CurrentOperation()), "locked");
}

TEST_F(ProgramTest, FailuresEndTheOperationAndTellTheMainWindow) {
  EXPECT_FALSE(prg->StartOperation(StateClassOf<TFailing>(), std::make_unique<TNotedParam>()))
      << "the first state could not be made";
  EXPECT_EQ(Take(), (Events{"start failing", "param freed", "start idle", "enter idle", "idle", "stopped failing"}));
  EXPECT_FALSE(prg->IsBusy());
  EXPECT_EQ(prg->ParamCount(), 0u);

  // A failing event handler: through PostUserCode the operation is reset; through SendEvent the
  // failure passes on.
  prg->StartOperation(StateClassOf<TWaiting>());
  Take();
  prg->PostUserCode(9);
  EXPECT_EQ(Take(), (Events{"event 7 0 9", "onstop", "start idle", "enter idle", "idle", "stopped waiting"}));
  prg->StartOperation(StateClassOf<TWaiting>());
  EXPECT_THROW(prg->SendEvent(cadUserDefined, cmbNone, 9, 0), std::runtime_error);
  EXPECT_TRUE(prg->IsBusy());

  prg->ResetOperation();
  EXPECT_FALSE(prg->IsBusy());
  EXPECT_EQ(events.back(), "stopped waiting") << "a reset tells the main window";
  Take();

  // A nested operation that fails resumes the suspended one.
  prg->StartOperation(StateClassOf<TWaiting>());
  Take();
  EXPECT_FALSE(prg->NestOperation(StateClassOf<TFailing>()));
  EXPECT_EQ(Take(), (Events{"event 6 0 0", "resume"})) << "the main window keeps the resumed operation's mode";
  EXPECT_FALSE(prg->IsNested());
  EXPECT_EQ(Name(prg->CurrentState()->StateClass()), "waiting");
  EXPECT_TRUE(prg->IsBusy());

  EXPECT_EQ(ErrorText<platform::Exception>([&] {
              const TCADStateClass* next = nullptr;
              TNotedParam p;
              TCADIdleState idle(*prg, &p, next);
            }),
            "TCADIdleState.Create: Non all objects were destroied");
  TKQPrg2D unbound;
  EXPECT_FALSE(unbound.StartOperation(StateClassOf<TWorkNow>())) << "no viewport";
}

TEST_F(ProgramTest, StopOperationAndParameterOwnership) {
  auto* param = new TNotedParam();
  prg->StartOperation(StateClassOf<TWaiting>(), std::unique_ptr<TCADPrgParam>(param));
  TCADPrgParam* extra = prg->MakeParam<TNotedParam>();
  EXPECT_TRUE(prg->OwnsParam(extra));
  TCADPrgParam* copy = extra;
  prg->FreeParam(extra);
  EXPECT_EQ(extra, nullptr);
  prg->FreeParam(copy);  // harmless: already freed
  EXPECT_EQ(Take(), (Events{"start waiting", "enter waiting", "param freed"}));
  prg->StopOperation();
  EXPECT_EQ(Take(), (Events{"onstop", "param freed", "start idle", "enter idle", "idle", "stopped waiting"}));
  prg->StopOperation();
  EXPECT_TRUE(Take().empty()) << "only while busy";
}

TEST_F(ProgramTest, TheEndOfAnOperationShowsOrRepaintsTheView) {
  struct Case {
    bool refresh;
    bool repaintRequest;
    uint64_t copies;
    int redraws;
  };
  int redraws = 0;
  view->OnEndRedraw = [&](TKQViewport&) { ++redraws; };
  for (const Case c : {Case{true, false, 1, 0}, Case{false, false, 0, 0}, Case{true, true, 1, 1}}) {
    prg->RefreshAfterOperation = c.refresh;
    prg->StartOperation(StateClassOf<TWaiting>());
    if (c.repaintRequest) prg->RepaintAfterOperation();
    redraws = 0;
    const uint64_t before = view->ScreenCopies();
    prg->PostUserCode(CADPRG_CANCEL);
    EXPECT_EQ(view->ScreenCopies() - before, c.copies) << c.refresh << c.repaintRequest;
    EXPECT_EQ(redraws, c.redraws) << c.refresh << c.repaintRequest;
  }
  // A view that copies its buffer to the screen tells the state, then whoever it told before.
  int earlier = 0;
  prg->SetViewport(nullptr);
  view->OnPaint = [&](TKQViewport&) { ++earlier; };
  prg->SetViewport(view.get());
  prg->StartOperation(StateClassOf<TWaiting>());
  Take();
  view->Refresh();
  EXPECT_EQ(Take(), Events{"event 6 0 0"});
  EXPECT_EQ(earlier, 1);
  prg->SetViewport(nullptr);
  view->Refresh();
  EXPECT_EQ(earlier, 2) << "unbound, the view has its own handler back";
  EXPECT_TRUE(Take().empty());
}

TEST_F(ProgramTest, TheViewportsMessagesBecomeEvents) {
  prg->StartOperation(StateClassOf<TWaiting>());
  Take();
  QTest::keyPress(view.get(), Qt::Key_Return);
  QTest::keyRelease(view.get(), Qt::Key_Return);
  QTest::keyPress(view.get(), Qt::Key_Escape);
  MoveMouse(view.get(), QPoint(10, 10));
  QTest::keyRelease(view.get(), Qt::Key_Escape);
  QTest::mousePress(view.get(), Qt::MiddleButton, {}, QPoint(10, 10));
  QTest::mouseRelease(view.get(), Qt::MiddleButton, {}, QPoint(10, 10));
  QTest::mousePress(view.get(), Qt::RightButton, {}, QPoint(10, 10));
  QTest::mouseRelease(view.get(), Qt::RightButton, {}, QPoint(10, 10));
  QTest::mouseDClick(view.get(), Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(Take(), (Events{"event 4 0 13", "event 5 0 13", "event 4 0 27", "event 0 0 27", "event 5 0 27",
                            "event 1 2 0", "event 2 2 0", "event 3 2 0", "event 1 2 0"}))
      << "keys as virtual keys; the held key with mouse events; no event for the middle button; a double "
         "click is also a press";
  // The button of a move is the one held.
  QMouseEvent drag(QEvent::MouseMove, QPointF(12, 12), view->mapToGlobal(QPointF(12, 12)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view.get(), &drag);
  EXPECT_EQ(Take(), Events{"event 0 1 0"});
}

// The main window closes while a pan is nested into an operation: the viewport and the program go
// in either order, and nothing is freed twice (run under AddressSanitizer).
TEST_F(ProgramTest, ClosingTheWindowDuringANestedPan) {
  for (bool programFirst : {false, true}) {
    auto window = std::make_unique<QWidget>();
    auto* viewport = new TKQViewport2D(window.get());
    viewport->SetCADCmp(&drawing);
    viewport->resize(80, 80);
    window->show();
    auto program = std::make_unique<TKQPrg2D>();
    program->SetViewport2D(viewport);
    program->StartOperation(StateClassOf<TWaiting>(), std::make_unique<TNotedParam>(StateClassOf<TWorkNow>()));
    ASSERT_TRUE(program->NestOperation(StateClassOf<TGreedyPan>()));
    EXPECT_EQ(program->CurrentState()->Param, program->SuspendedState()->Param) << "the pan took it";
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(20, 20));
    MoveMouse(viewport, QPoint(30, 25));
    Take();
    if (programFirst) {
      program.reset();
      EXPECT_EQ(Take(), (Events{"param freed", "onstop"})) << "one parameter, freed once";
      window.reset();
    } else {
      window.reset();
      EXPECT_EQ(program->Viewport(), nullptr) << "the program let go of the destroyed view";
      program->PostUserCode(CADPRG_ACCEPT);
      program.reset();
      EXPECT_EQ(Take(), (Events{"param freed", "onstop"}));
    }
  }
  // Accepting a nested pan resumes the operation and never runs its follow-up.
  prg->StartOperation(StateClassOf<TWaiting>(), std::make_unique<TNotedParam>(StateClassOf<TWorkNow>()));
  prg->NestOperation(StateClassOf<TPan>());
  Take();
  prg->PostUserCode(CADPRG_ACCEPT);
  EXPECT_EQ(Take(), (Events{"exit pan", "end pan", "event 6 0 0", "resume"}));
  EXPECT_EQ(Name(prg->CurrentState()->StateClass()), "waiting");
}

}  // namespace
}  // namespace cad
