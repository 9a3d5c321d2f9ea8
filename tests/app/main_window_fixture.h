// The main window in a program folder of its own (a test language file, pst/Fanuc_mm.pst, a one-tool
// Tool.db, a generated 40 x 30 BMP), driven by objectName with the dialogs scripted. Its 2D drawing and
// view are the real ones; its interaction program's operations and its 3D scene record what they are
// asked (what an operation would add, a test adds to LocalCad itself) unless the test asks for the
// real interaction program.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTest>
#include <cmath>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_routine.h"
#include "app/main_window.h"
#include "app/page_control.h"
#include "app/tool_window.h"
#include "lang/lang.h"
#include "machining/tool_database.h"
#include "platform/bmp.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "scratch_dir.h"

namespace testing_support {

inline const char kLanguage[] =
    "[frmMain]\n"
    "sbtNextB1.Caption=Weiter (2)\n"
    "tabVelkora1.Caption=Size\n"
    "[frmStlDxf]\n"
    "frmStlDxf.Caption=Stl output\n"
    "rbtOutSo.Caption=Solid\n"
    "[String]\n"
    "118=Picture\n"
    "110=\"File: \"\n"
    "111=\"Width: \"\n"
    "112=\"Height: \"\n"
    "113=\"Depth: \"\n"
    "114=\"Resolution: \"\n"
    "400=open what?\n"
    "401=cannot open this\n"
    "402=save where?\n"
    "406=open a picture\n"
    "415=page 43: image\n"
    "416=page 44: size\n"
    "423=page 45: reference\n"
    "426=page 46: depth\n"
    "428=page 47: nc file\n"
    "424=page 48: tool\n"
    "425=page 49: cutting\n"
    "427=page 50: listing\n"
    "421=page 41: choose the file\n"
    "422=page 13: settings\n"
    "446=page 40: pick\n"
    "450=Question\n"
    "451=Leave?\n"
    "452=Discard the job?\n"
    "701=NC programs\n"
    "707=\"Tool no.: \"\n"
    "711=\"Diameter: \"\n"
    "717=\"Line \"\n"
    "752=outside\n"
    "753=Pick...\n"
    "1650=pick the height to leave\n"
    "754=Time:\n"
    "782=Only ISO programs play exactly.\n";

// A main window whose 2D view and interaction program record what they are asked, whose 3D scene records
// some of it besides doing it, and whose drawing notes some of what it is asked before doing it. With
// `real2D` the interaction program and the view's zoom to the extent do what they are asked too.
class RecordingMain : public app::TfrmMain {
 public:
  std::vector<std::string> calls;
  bool operationRunning = false;
  bool busy = false;
  bool real2D = false;
  using TfrmMain::View2DDrawNcArc;
  using TfrmMain::View2DDrawNcLine;

  bool Called(const std::string& call) const {
    for (const std::string& c : calls)
      if (c == call) return true;
    return false;
  }
  int Count(const std::string& call) const {
    int n = 0;
    for (const std::string& c : calls) n += c == call;
    return n;
  }

 protected:
  void Cad2DLoadBlockLibrary(const std::string& path) override {
    calls.push_back("library " + path);
    TfrmMain::Cad2DLoadBlockLibrary(path);
  }
  void Cad2DPlaceImage(const platform::Bitmap& bitmap, const machining::ReliefModel& box) override {
    TfrmMain::Cad2DPlaceImage(bitmap, box);
    calls.push_back("place " + std::to_string(bitmap.Width()) + "x" + std::to_string(bitmap.Height()) + " at " +
                    std::to_string(box.originX));
  }
  void Cad2DTranslateAll(double dx, double dy) override {
    calls.push_back("translate " + std::to_string(dx) + " " + std::to_string(dy));
    TfrmMain::Cad2DTranslateAll(dx, dy);
  }
  std::optional<std::pair<double, double>> Cad2DTakePoint(int id) override {
    calls.push_back("take " + std::to_string(id));
    return TfrmMain::Cad2DTakePoint(id);
  }
  void Prg2DSendUserCode(int code) override {
    calls.push_back("code " + std::to_string(code));
    if (real2D) TfrmMain::Prg2DSendUserCode(code);
  }
  void Prg2DStopOperation() override {
    calls.push_back("stop");
    if (real2D) TfrmMain::Prg2DStopOperation();
  }
  void Prg2DStartPointPick() override {
    calls.push_back("pick");
    if (real2D) TfrmMain::Prg2DStartPointPick();
  }
  void Prg2DStartCropRectangle() override {
    calls.push_back("crop rectangle");
    if (real2D) TfrmMain::Prg2DStartCropRectangle();
  }
  void Prg2DNestZoomArea() override {
    calls.push_back("zoom area");
    if (real2D) TfrmMain::Prg2DNestZoomArea();
  }
  void Prg2DNestPan() override {
    calls.push_back("pan");
    if (real2D) TfrmMain::Prg2DNestPan();
  }
  bool Prg2DOperationRunning() const override { return real2D ? TfrmMain::Prg2DOperationRunning() : operationRunning; }
  bool Prg2DBusy() const override { return real2D ? TfrmMain::Prg2DBusy() : busy; }
  void View2DZoomExtent() override {
    calls.push_back("zoom extent");
    if (real2D) TfrmMain::View2DZoomExtent();
  }
  void Scene3DAutozoom() override {
    TfrmMain::Scene3DAutozoom();
    calls.push_back("3D autozoom");
  }
  void Scene3DScaleCamera(float factor) override {
    TfrmMain::Scene3DScaleCamera(factor);
    calls.push_back("camera x" + std::to_string(factor));
  }
  void Scene3DRebuildSurface() override {
    TfrmMain::Scene3DRebuildSurface();
    calls.push_back("surface");
  }
};

// Scripted dialogs that also keep the names the file dialogs were started with. The clock moves by
// tickStep milliseconds each time it is read (not at all unless a test asks).
class ScriptedDialogs : public platform::RecordingDialogs {
 public:
  std::vector<std::string> started;
  std::vector<std::string> filters;
  uint64_t tickStep = 0;
  int tickReads = 0;
  uint64_t TickCount() override {
    ++tickReads;
    return now += tickStep;
  }
  std::string OpenFileName(const std::string& caption, const std::string& dir, const std::string& filter) override {
    started.push_back(dir);
    filters.push_back(filter);
    return RecordingDialogs::OpenFileName(caption, dir, filter);
  }
  std::string SaveFileName(const std::string& caption, const std::string& dir, const std::string& filter) override {
    started.push_back(dir);
    filters.push_back(filter);
    if (whileSaveDialogOpen) whileSaveDialogOpen();
    return RecordingDialogs::SaveFileName(caption, dir, filter);
  }
  // Called while a save dialog is open (to read what the window shows meanwhile).
  std::function<void()> whileSaveDialogOpen;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : scopedLanguage_(&language_), scopedDialogs_(&dialogs_) {
    previousDir_ = platform::ProgramDir();
    platform::SetProgramDir(dir_.Dir());
    dir_.Write("language/english.lng", kLanguage);
    dir_.Write("pst/Fanuc_mm.pst", FileText(std::string(VELKORA_SOURCE_DIR) + "/pst/Fanuc_mm.pst"));
    machining::TToolRecord tool;
    tool.toolNumber = 3;
    tool.name = "Flat 3";
    tool.toolType = machining::kToolFlat;
    tool.diameter = 3.0f;
    tool.spindleSpeed = 12000;
    tool.feedRate = 1200.0f;
    tool.plungeRate = 300.0f;
    machining::ToolDatabase(dir_.File("Tool.db")).Add(tool);
    picture_ = WritePicture("pictures/relief.bmp");
  }
  ~MainWindowTest() override {
    grid_.reset();
    stl_.reset();
    tool_.reset();
    main_.reset();
    platform::SetProgramDir(previousDir_);
  }

  // A true-colour picture, white on the left to black on the right (40 x 30 unless asked).
  std::string WritePicture(const std::string& name, int width = 40, int height = 30) {
    platform::Bitmap bitmap(width, height, 24);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const auto grey = static_cast<uint8_t>(255 - x * 255 / (width - 1));
        bitmap.SetPixel(x, y, platform::Rgb(grey, grey, grey));
      }
    return WriteBitmap(name, bitmap);
  }
  std::string WriteBitmap(const std::string& name, const platform::Bitmap& bitmap) {
    const std::string path = dir_.File(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    platform::WriteBmpFile(path, bitmap);
    return path;
  }

  // Starts the program's windows as the main routine does, with a recording main window (of a class
  // derived from RecordingMain when a test asks).
  template <class Main = RecordingMain>
  Main& Start() {
    // The dialogs hold on to the window they serve, the tool window is its child: they go first.
    grid_.reset();
    stl_.reset();
    tool_.reset();
    auto window = std::make_unique<Main>();
    Main& started = *window;
    main_ = std::move(window);
    main_->FormCreate();
    tool_ = std::make_unique<app::TfrmTool>(machining::ToolDatabase::DefaultPath(), main_->Settings().tool, main_.get());
    main_->SetToolWindow(tool_.get());
    stl_ = std::make_unique<app::TfrmStlDxf>();
    main_->SetStlDialog(stl_.get());
    grid_ = std::make_unique<app::TfrmGrid>(*main_);
    main_->SetGridDialog(grid_.get());
    return started;
  }

  template <class T>
  T* Get(const char* name) const {
    T* component = main_->Find<T>(name);
    EXPECT_NE(component, nullptr) << name;
    return component;
  }
  void Click(const char* name) const {
    auto* button = Get<QAbstractButton>(name);
    ASSERT_TRUE(button->isEnabled()) << name << " is disabled";
    button->click();
  }
  bool Enabled(const char* name) const { return Get<QWidget>(name)->isEnabled(); }
  std::string Status() const { return main_->StatusText(); }
  int Page() const { return main_->ActivePage(); }

  // Opens a picture through the open command.
  void Open(const std::string& path) {
    dialogs_.fileNames = {path};
    Click("sbtOpen");
  }

  // Opens the test picture and walks to the cutting page, choosing `ncFile` on the NC-file page.
  void OpenAndWalkToCutting(const std::string& ncFile) {
    dialogs_.fileNames = {picture_, ncFile};
    Click("sbtOpen");
    for (const char* next : {"sbtNextB1", "sbtNextB2", "sbtNextB3", "sbtNextB4", "sbtNextB5"}) Click(next);
    ASSERT_EQ(Page(), app::kPageCutting);
  }

  // The window on the screen at 800 x 600 with its real 2D view and interaction program.
  RecordingMain& StartShown() {
    RecordingMain& w = Start();
    w.real2D = true;
    w.resize(800, 600);
    w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    return w;
  }
  // The pixel nearest to a drawing point of the 2D view.
  QPoint Pixel(double x, double y) const {
    const cad::TPoint2D p = main_->VistaGrafica().ViewportToScreen(cad::Point2D(x, y));
    return {static_cast<int>(std::lround(p.X)), static_cast<int>(std::lround(p.Y))};
  }
  // Left clicks on the 2D view at drawing points, the pointer moved there first.
  void ClickDrawing(const std::vector<std::pair<double, double>>& points) {
    cad::TKQViewport2D& view = main_->VistaGrafica();
    for (const auto& [x, y] : points) {
      QTest::mouseMove(&view, Pixel(x, y));
      QTest::mouseClick(&view, Qt::LeftButton, {}, Pixel(x, y));
      QCoreApplication::processEvents();
    }
  }
  // The pages shown; none while the page control is hidden.
  std::vector<int> ShownPages() const {
    std::vector<int> pages;
    for (int i = 0; i < main_->PageControl()->PageCount(); ++i)
      if (main_->PageControl()->Page(i)->PageVisible()) pages.push_back(i);
    return main_->PageControl()->isVisible() ? pages : std::vector<int>{};
  }

  // Before the windows, which it outlives.
  app::EntityLibrary entities_;
  testing_support::ScratchDir dir_{"mainwin"};
  lang::Language language_;
  lang::ScopedLanguage scopedLanguage_;
  ScriptedDialogs dialogs_;
  platform::ScopedDialogs scopedDialogs_;
  std::string previousDir_;
  std::string picture_;
  std::unique_ptr<RecordingMain> main_;
  std::unique_ptr<app::TfrmTool> tool_;
  std::unique_ptr<app::TfrmStlDxf> stl_;
  std::unique_ptr<app::TfrmGrid> grid_;
};

}  // namespace testing_support
