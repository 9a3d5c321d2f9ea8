#include "app/main_routine.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QTimer>

#include "app/about_window.h"
#include "app/grid_dialog.h"
#include "app/help_manager.h"
#include "app/help_window.h"
#include "app/html_help_viewer.h"
#include "app/language_list_window.h"
#include "app/main_window.h"
#include "app/new_language_window.h"
#include "app/stl_dialog.h"
#include "app/splash_screen.h"
#include "app/submit_language_window.h"
#include "app/tool_window.h"
#include "cad/entities.h"
#include "machining/tool_database.h"
#include "platform/atomic_file.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"
#include "scene3d/rendering_log.h"

namespace app {

namespace {

constexpr int kSplashWaitMs = 200;

std::string& HelpFile() {
  static std::string file;
  return file;
}

// Waits while the splash and the windows go on painting.
void Wait(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

ProgramWindows::ProgramWindows() = default;
ProgramWindows::ProgramWindows(ProgramWindows&&) noexcept = default;

ProgramWindows& ProgramWindows::operator=(ProgramWindows&& other) noexcept {
  if (this == &other) return *this;
  // The windows owned by the main window go before it, whatever the member order.
  Release();
  submitLng = std::move(other.submitLng);
  editLng = std::move(other.editLng);
  newLang = std::move(other.newLang);
  tool = std::move(other.tool);
  main = std::move(other.main);
  return *this;
}

ProgramWindows::~ProgramWindows() { Release(); }

void ProgramWindows::Release() {
  // The reverse of the creation order.
  grid.reset();
  stl.reset();
  submitLng.reset();
  editLng.reset();
  newLang.reset();
  tool.reset();
  about.reset();
  main.reset();
}

EntityLibrary::EntityLibrary() { cad::KQSysStartEntities(); }

EntityLibrary::~EntityLibrary() { cad::KQSysEndEntities(); }

ProgramWindows CreateWindows() {
  ProgramWindows windows;
  windows.main = std::make_unique<TfrmMain>();
  windows.main->FormCreate();
  windows.about = std::make_unique<TfrmAbout>(windows.main.get());
  windows.main->SetAboutWindow(windows.about.get());
  windows.tool = std::make_unique<TfrmTool>(machining::ToolDatabase::DefaultPath(), windows.main->Settings().tool,
                                            windows.main.get());
  windows.main->SetToolWindow(windows.tool.get());
  // The language editor is a window of its own (no owner window): the language list, modal to the main
  // window, leaves it usable.
  windows.newLang = std::make_unique<TfrmNewLang>();
  windows.editLng = std::make_unique<TfrmEditLng>(windows.newLang.get(), windows.main.get());
  windows.main->SetLanguageListWindow(windows.editLng.get());
  windows.submitLng = std::make_unique<TfrmSubmitLng>(windows.main.get());
  windows.editLng->SetSubmitWindow(windows.submitLng.get());
  windows.stl = std::make_unique<TfrmStlDxf>(windows.main.get());
  windows.main->SetStlDialog(windows.stl.get());
  windows.grid = std::make_unique<TfrmGrid>(*windows.main, windows.main.get());
  windows.main->SetGridDialog(windows.grid.get());
  return windows;
}

void InitialiseLocale() {
  platform::ForceCNumericLocale();
  QLocale::setDefault(QLocale::c());
}

const std::string& ApplicationHelpFile() { return HelpFile(); }

int RunProgram(int argc, char** argv) {
  // Before anything is written: a save past the file-size limit fails with its message, never kills.
  platform::IgnoreFileSizeSignal();
  platform::GuardedApplication application(argc, argv);
  InitialiseLocale();
  platform::QtDialogs dialogs;
  platform::ScopedDialogs installed(&dialogs);
  // The 3D library's log runs from before the first window to after the last; it ends with its counts
  // and, when errors were written, shows itself through the desktop (the dialogs are still there).
  scene3d::TRenderingLogScope renderingLog;
  // The help window is the HTML Help entry point; the viewer takes it when it is created.
  HelpWindows helpWindows;
  platform::ScopedHtmlHelp helpEntry(&helpWindows);
  HtmlHelpUnit htmlHelp(ProgramHelpManager());
  // Before the windows, which it outlives.
  EntityLibrary entities;

  // 1-2. The splash first, painted at once.
  auto splash = std::make_unique<TSplashScreen>();
  splash->show();
  splash->repaint();
  QApplication::processEvents();
  // 3.
  QApplication::setApplicationName(QStringLiteral("Velkora"));
  HelpFile() = "Velkora.chm";
  ProgramHelpManager().SetApplicationHelpFile(HelpFile());
  // 4.
  ProgramWindows windows = CreateWindows();
  // 5.
  Wait(kSplashWaitMs);
  splash->hide();
  splash.reset();
  // 6.
  ProgramHelpManager().SetWindow(windows.main.get());
  windows.main->show();
  const int result = QApplication::exec();
  ProgramHelpManager().ShutDown();
  return result;
}

}  // namespace app
