// The drawing commands of the 2D view: circle from its centre and a point, arc from its centre, a
// point and its two angle points, rectangle from two corners and polyline from its points. Each
// draws one entity through the drawing tasks of the interaction program and, like every command,
// gives the pages it found back at its end (the entity placed, Done, Esc, Cancel, a start that fails).
#include <QAbstractButton>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "cad/curves2d.h"
#include "cad/kq2d_tasks.h"
#include "cad/primitives2d.h"
#include "lang/lang.h"
#include "platform/qt_dialogs.h"

namespace app {

namespace {

// The interaction modes of the drawing commands (below 41, as every drawing command's).
constexpr int kModeCircleCtPt = 1, kModeArcCtPtSaEa = 3, kModeRectangle = 5, kModePolyline = 7;

const cad::TPoint2D kOrigin = cad::Point2D(0, 0);

}  // namespace

bool TfrmMain::StartCommandOperation(const std::function<bool()>& start) {
  // The start stops what ran before: that end is not the end of this command.
  bool started = false;
  startingOperation_ = true;
  try {
    started = start();
  } catch (...) {
    startingOperation_ = false;
    if (commandActive_) EndCommand();
    throw;
  }
  startingOperation_ = false;
  // A start that fails (a zoom or pan nested, no view) gives the wizard back at once.
  if (!started && commandActive_) EndCommand();
  return started;
}

void TfrmMain::StartDrawing(int mode, std::unique_ptr<cad::TPrimitive2D> primitive, bool sized, const char* hint) {
  mode_ = mode;
  entityEdit_ = false;
  // The next free ID is given when the entity joins the drawing.
  const bool started = StartCommandOperation([&] {
    return sized ? cad::StartDrawSizedPrimitive(*LocalPrg_, std::move(primitive))
                 : cad::StartDrawUnSizedPrimitive(*LocalPrg_, std::move(primitive));
  });
  // After the start, whose states announce their (empty) description in the status line.
  if (started && hint) Messaggio(lang::LangString(hint));
}

void TfrmMain::MyCircleCtPtClick() {
  StartDrawing(kModeCircleCtPt, std::make_unique<cad::TCerchio2D>(-1, kOrigin, kOrigin), true, "200");
}

void TfrmMain::MyArcCtPtSaEaClick() {
  // Centre, a point on the circle, the start-angle point and the end-angle point, counter-clockwise.
  StartDrawing(kModeArcCtPtSaEa, std::make_unique<cad::TArco2D>(-1, kOrigin, kOrigin, 0.0, 0.0), true, "202");
}

void TfrmMain::sbtRectangleClick() {
  if (mode3d_) return;
  // Two opposite corners of an outline, as the DXF file carries it (a filled one would hide the picture).
  BeginCommand(kNoCommandPage);
  StartDrawing(kModeRectangle, std::make_unique<cad::TFrame2D>(-1, kOrigin, kOrigin), true, nullptr);
}

void TfrmMain::sbtPolyClick() {
  if (mode3d_) return;
  // One click a point; Done (Enter) keeps the points, Closed goes back to the first.
  BeginCommand(kNoCommandPage);
  StartDrawing(kModePolyline, std::make_unique<cad::TPolyline2D>(-1), false, nullptr);
}

void TfrmMain::ConnectDrawHandlers() {
  auto click = [this](const char* name, void (TfrmMain::*handler)()) {
    connect(Get<QAbstractButton>(name), &QAbstractButton::clicked, this,
            [this, handler] { platform::RunGuarded([&] { (this->*handler)(); }); });
  };
  click("sbtRectangle", &TfrmMain::sbtRectangleClick);
  click("sbtPoly", &TfrmMain::sbtPolyClick);
}

}  // namespace app
