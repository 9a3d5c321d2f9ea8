// The main window "frmMain": the view place on the left (the 2D view VistaGrafica or the 3D viewer
// GLViewPort), the command panel and the page control PageControl1 on the right, the status panels
// at the bottom. Its 51 pages are the 2D view's command pages (0-43), the six wizard pages (44-49)
// and the NC listing (50); the wizard leads from an opened picture to the NC program.
//
// Everything the window asks of the 2D drawing, viewport and interaction program, and of the 3D scene,
// goes through the protected functions named Cad2D..., View2D..., Prg2D... and Scene3D... below.
// The Cad2D... ones work on the window's drawing LocalCad, the View2D... ones on its 2D view
// VistaGrafica, the Prg2D... ones on the interaction program LocalPrg that drives that view; the
// Scene3D... ones on the 3D scene. The window keeps what the views show in View2DState and Prg2DState
// (the visible window follows the view).
#pragma once

#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/grid_dialog.h"
#include "app/relief_surface.h"
#include "app/settings.h"
#include "app/stl_dialog.h"
#include "cad/drawing.h"
#include "cad/kq_prg2d.h"
#include "cad/layers.h"
#include "app/tool_window.h"
#include "cad/construction.h"
#include "machining/backplot.h"
#include "machining/document_record.h"
#include "machining/job.h"
#include "machining/nc_words.h"
#include "machining/post_processor.h"
#include "machining/relief.h"
#include "machining/relief_model.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/exception.h"
#include "platform/memory.h"
#include "platform/form.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QToolButton;
class QTreeWidget;

namespace scene3d {
class TGLStageViewer;
struct RenderContextInfo;
}  // namespace scene3d

namespace app {

class TFindDialog;
class TFlatMenu;
class MainScene;

class TfrmEditLng;
class TfrmTool;
class TPageControl;
class TTabSheet;

// Page indices of PageControl1 that the window itself names.
enum PageIndex : int {
  kPageSettings = 13,
  kPageTranslate = 40,
  kPagePointGrid = 41,
  kPageBoltCircle = 42,
  kPageImageEdit = 43,  // tabDistance: the image edits
  kPageDimension = 44,  // tabVelkora1 ... tabVelkora6: the wizard
  kPageReference = 45,
  kPageDepth = 46,
  kPageNcFile = 47,
  kPageTool = 48,
  kPageCutting = 49,
  kPageListing = 50,  // tabIso
  kPageHideAll = 999,
  kPageRestoreSet = 998,
};

// The maker's web site and support address (the About window's links, the web command).
inline constexpr const char* kWebSite = "www.velkora.example";
inline constexpr const char* kSupportMail = "support@velkora.example";

// The ID of the point object the "Z no cut" pick places in the drawing.
inline constexpr int kZNoCutPointId = 777;

// The page names of PageControl1, by page index.
extern const char* const kPageNames[51];

// The colour boxes: one item per colour (a swatch and "$bbggrr", the colour as item data).
void AddColorItem(QComboBox* box, platform::TColor color);
void FillStandardColors(QComboBox* box);

// What the 2D view shows and how, as the settings and the window set it.
struct View2DState {
  bool usePaintingThread = false;
  double aspectRatio = 1.0;
  double windowX1 = -10.0, windowY1 = -10.0, windowX2 = 290.0, windowY2 = 290.0;  // visible window
  bool showGrid = true;
  bool showAxes = true;
  double gridDeltaX = 10.0;
  double gridDeltaY = 10.0;
  int gridSubX = 0;  // sub-divisions of a grid step
  int gridSubY = 0;
  platform::TColor background = 0x808080;
  platform::TColor gridColor = 0x800000;
  bool isMM = true;
};

// The interaction program's settings.
struct Prg2DState {
  bool showCursorCross = false;
  bool snapToGrid = false;
  double snapX = 10.0;
  double snapY = 10.0;
  int objectSnapKind = 0;  // the object snap chosen (0 none); the snap button's glyph shows it
};

// A mouse event of the 2D view: the pointer point snapped by the interaction program (drawing
// units) and the pixel position, with the left button and the Shift and Ctrl keys.
struct Mouse2D {
  double x = 0.0, y = 0.0;
  int pixelX = 0, pixelY = 0;
  bool left = false;
  bool shift = false;
  bool ctrl = false;
};

// A mouse event of the 3D viewer: the pixel position, the left button and the Shift and Ctrl keys.
struct Mouse3D {
  int x = 0, y = 0;
  bool left = false;
  bool shift = false;
  bool ctrl = false;
};

// One node of the drawn toolpath GLCncMov: rapid moves yellow, feed moves cyan.
struct ToolpathNode {
  bool rapid = false;
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

// One entity the NC backplot drew on the 2D view (lines, counter-clockwise arcs, points), in the
// current layer's pen colour it was drawn with.
struct NcDrawing2D {
  enum Kind { Line, Arc, Point } kind = Line;
  platform::TColor color = 0;
  double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;  // a line's ends; an arc's or a point's place in x1, y1
  double radius = 0.0, startAngle = 0.0, endAngle = 0.0;
};

class TfrmMain : public platform::MainForm, public GridHost {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The tool window holds the current tool; the main routine hands it over once it exists.
  void SetToolWindow(TfrmTool* tool);
  TfrmTool* ToolWindow() const { return tool_; }
  // The language list window ("Translation ..."), handed over once it exists.
  void SetLanguageListWindow(TfrmEditLng* window);
  // The grid dialog, created by the main routine after this window.
  void SetGridDialog(TfrmGrid* grid) { grid_ = grid; }
  void SetStlDialog(TfrmStlDxf* stl) { stl_ = stl; }
  void SetAboutWindow(QWidget* about) { about_ = about; }

  // Program-wide values.
  const ProgramSettings& Settings() const { return settings_; }
  bool Inches() const { return settings_.Inches(); }
  const char* LengthFormat() const { return machining::LengthFormat(Inches()); }
  std::string Formatta(double value) const;
  const std::string& StartCaption() const { return startCaption_; }
  const std::string& TutorialPath() const { return tutorialPath_; }
  const machining::ReliefModel& Relief() const { return job_.relief; }
  const machining::NcJob& Job() const { return job_.nc; }
  const machining::Job& CurrentJob() const { return job_; }
  const machining::NcWriter& Writer() const { return writer_; }
  const platform::Bitmap* WorkingBitmap() const { return job_.workBitmap.get(); }
  const std::string& BitDepthText() const { return bitDepthText_; }
  int ReferenceCode() const { return job_.referenceCode; }
  bool OriginPickArmed() const { return originPickArmed_; }
  bool CropAreaReady() const { return cropAreaReady_; }
  bool PanMode() const { return panMode_; }
  bool DragPan() const { return dragPan_; }
  const std::string& NcFolder() const { return ncFolder_; }
  bool Mode3D() const { return mode3d_; }
  bool NcMode2D() const { return ncMode2D_; }
  int InteractionMode() const { return mode_; }
  bool Updating() const { return updating_; }
  bool ProgramComputed() const { return job_.programComputed; }
  bool ZNoCutOn() const { return job_.zNoCutOn; }
  float ZNoCutHeight() const { return job_.zNoCutHeight; }
  float ToolRadius() const { return toolRadius_; }
  const std::vector<int>& RememberedPages() const { return pageSet_; }
  // The nodes of the drawn toolpath GLCncMov.
  std::vector<ToolpathNode> ToolpathNodes() const;
  const View2DState& View2D() const { return view2d_; }
  const Prg2DState& Prg2D() const { return prg2d_; }
  TPageControl* PageControl() const { return PageControl1_; }
  // The 2D drawing: the picture as bitmap entity 0 on layer 0, and what is drawn over it.
  cad::TKQCmp2D& LocalCad() { return LocalCad_; }
  const cad::TKQCmp2D& LocalCad() const { return LocalCad_; }
  // The 2D view over LocalCad and the interaction program that drives it.
  cad::TKQViewport2D& VistaGrafica() const { return *VistaGrafica_; }
  cad::TKQPrg2D& LocalPrg() const { return *LocalPrg_; }

  // Start-up, layout, keys and closing. FormCreate is the window's creation handler: the main routine
  // runs it once, right after constructing the window (so a derived window's views take part).
  void FormCreate();
  void FormResize();
  // Escape: cancel (user code 2) and stop the running 2D operation; Enter: accept (user code 1).
  // True when the key was one of them.
  bool FormKeyPress(int key);
  // Asks "451"; on Yes writes the settings and frees what the job holds. True when the window may
  // close.
  bool FormClose();
  void sbtExitClick();
  void startTime();
  void endTime();
  void CreaLog(const std::string& first, const std::string& second, bool askToSend);

  // The page sets and the status line.
  void Messaggio(const std::string& text);
  std::string StatusText() const;
  void VisPagine(const std::vector<int>& pages);
  void VisPagine(std::initializer_list<int> pages) { VisPagine(std::vector<int>(pages)); }
  void VisPagina(int page);
  void AbilitaPnl(bool mainToolBar, bool drawingToolBar);
  void MostraTBar() {}
  void PageControl1Change();
  void SetActivePage(int page);
  int ActivePage() const;

  // The wizard's buttons.
  void sbtNextB0Click();
  void sbtNextB1Click();
  void sbtPrevB2Click();
  void sbtNextB2Click();
  void sbtPrevB3Click();
  void sbtNextB3Click();
  void sbtPrevB4Click();
  void sbtNextB4Click();
  void sbtPrevB5Click();
  void sbtNextB5Click();
  void sbtPrevB6Click();
  void sbtNextB6Click();
  void sbtPrevB7Click();

  // The NC-file, tool and cutting-parameter pages.
  void TogliAssoc();
  void sbtNewNcClick();
  void FillPostProcessorList();
  void cboPostNameChange();
  void aggTabDatiUt();
  // The tool page's summary of the current tool (the tool window's fields), in the language's words.
  void ShowToolSummary();
  void sbtSelecToolClick();
  void sbtEditToolClick();
  void chkOrizzontaleClick();
  void chkVerticaleClick();
  // A field of the cutting page got the focus: its picture (101-105, 111, 112).
  void ShowCutPicture(int resource);
  int CutPicture() const { return cutPicture_; }
  void chkCutColorClick();
  void btnZNCClick();
  void sbtZNCRegenClick();
  void txtFiltroZNCChange();
  void grpZNCExit();

  // Calculate.
  void sbtNcCalcClick();
  bool scrive_nci();

  // The document commands. Open reads and checks the chosen file before it asks to discard the job,
  // so a wrong or damaged file leaves everything as it was.
  void sbtNewClick();
  void sbtOpenClick();
  void sbtSaveClick();
  // A changed job and unsaved drawn work are offered for saving first (MayLetJobGo), else "452" is asked.
  // Then frees the job, resets the layers and empties the drawing. False when the user keeps the job.
  bool CancellatoTutto();
  // Whether the job may go: a changed one is offered for saving first, then unsaved drawn work (as
  // DXF); when neither was asked about, the plain `question` ("451" at closing, "452" before New and
  // Open). Cancel to either question keeps everything; the saves run once both are answered.
  bool MayLetJobGo(std::string_view question, const char* fallback);
  // What is drawn on the 2D view (every object but the picture and the point the "Z no cut" pick
  // places) is kept nowhere else until Save as DXF writes it; it counts as saved until its next change
  // (an edit, a move, a layer's new name), which the file written then would no longer hold.
  enum class DrawnWork {
    None,       // nothing drawn, or nothing changed since it was saved as DXF
    Unsaved,    // drawn or changed since the last DXF save
    NotForDxf,  // drawn, but nothing of it is anything a DXF file carries
  };
  DrawnWork UnsavedDrawnWork();
  // Before a re-placement of the picture (a new size or origin, an image edit), which removes what is
  // drawn: unsaved drawn work is offered for saving as DXF (Save, Discard, Cancel; Yes/No when no DXF
  // can carry it). True when it may go: nothing to lose, discarded, or written.
  bool MayDropDrawnWork();
  // The record of the job from the fields; raises platform::FormatError naming a field that is no number.
  machining::TDocumentRecord AggRecDaForm();
  // Writes the job as a document to `path` once the record passes the reader's checks (DocumentError
  // says what Open would refuse, and nothing is written); the job counts as saved there.
  void WriteDocument(const std::string& path);
  // The fields from a record: both sizes with the ratio off, then the ratio ticked.
  void AggFormDaRec(const machining::TDocumentRecord& record);
  // Shows a checked document: its picture, its fields, then the wizard replayed to the cutting page.
  void LoadDocumentFile(const std::string& path, machining::Document document);
  // Writes the relief as STL after the STL-choice dialog; nothing when it is cancelled.
  void Scrive_Stl(const std::string& path);
  // Whether the drawing holds something a DXF file carries; when it does not, says so.
  bool DxfHasEntity();
  const std::string& DocumentFileName() const { return job_.documentFile; }
  // The wait before each step of the replay (200 ms); tests make it run the events only.
  void SetReplayWait(std::function<void(int milliseconds)> wait) { replayWait_ = std::move(wait); }
  bool Replaying() const { return replaying_; }

  // Loads a BMP (jpeg false) or JPEG picture into the working bitmap, sizes the relief and shows the
  // wizard pages. Errors are raised; the pixel format is normalised in every case.
  void LoadImageFile(const std::string& path, bool jpeg);
  void PlaceImage(bool zoom);
  void ApplyReliefBuild(const machining::ReliefBuild& build);

  // Page 44, size. The size fields take positive numbers only; while one holds anything else,
  // Apply and Next stay disabled.
  void txtVecLargChange();
  void txtVecAltChange();
  void SizeFieldEnter();
  void chkRatioClick();
  void sbtDimApplyClick();
  void sbtModifyClick();

  // Page 43, image edits. The crop rectangle comes from the 2D view's rectangle task: InfoCut with
  // its corners while it is dragged, SetCropAreaReady(true) when its second corner is placed.
  void sbtFlipHClick();
  void sbtFlipVClick();
  void sbtRotateClick();
  void sbt2GrayClick();
  void sbtCutSelClick();
  void ShowImageEditPage();
  void InfoCut(double x1, double y1, double x2, double y2);
  void SetCropAreaReady(bool ready);

  // Page 45, reference point.
  void rbtOrigineClick();
  void txtOriginChange();
  // False when nothing was placed (no origin, no picture, or the user kept the drawing).
  bool OriginFieldEnter();
  void sbtSetOriginClick();
  void sbtOrigineApplyClick();
  void togliChk();
  // The point picked in the 2D view becomes the origin.
  void OrigineRast(double x, double y);

  // Page 46, depth.
  void txtWhiteDChange();
  void txtBlackDChange();
  void ShadingResolutionClick();
  void sbtProfApplyClick();

  // Zoom and pan of the view shown (3D, NC backplot in 2D, or the 2D drawing).
  void sbtAutozoomClick();
  void sbtZoomInClick();
  void sbtZoomBackClick();
  void sbtZoomWinClick();
  void sbtPanClick();
  // The NC backplot's extent, which the 2D autozoom of the listing fits (set by the listing).
  void SetNcExtent(double minX, double minY, double maxX, double maxY);

  // The mouse in the 2D view.
  void VistaGraficaMouseMove2D(const Mouse2D& mouse);
  void VistaGraficaMouseDown2D(const Mouse2D& mouse);
  void VistaGraficaMouseUp2D();
  void VistaGraficaMouseEnter();
  void VistaGraficaMouseLeave();
  // Edits the text of a vector text under the pointer in an input box.
  void VistaGraficaDblClick();
  std::string PointerReadout() const;

  // The interaction program's events and the pop-up menu of the 2D view.
  void LocalPrgStartOperation() {}
  void LocalPrgEndOperation();
  void LocalPrgStopOperation();
  void LocalPrgDescriptionChanged(const std::string& description);
  void LocalPopUpPopup();
  void mnuDoneClick();
  void btnCancelClick();

  // The CAD commands of the drop-down buttons lsbLine, lsbArc, lsbPoint, lsbModify, lsbXform and
  // lsbDelete: a menu entry makes its command the button's current one (glyph, hint, click) and runs
  // it. The operations that pick objects start through Prg2DStartCadOperation.
  enum class CadOperation {
    Trim,               // two objects, then the fillet state with radius 0
    Break,              // two objects, then the break state
    MoveNode,           // one object, then its control points are edited
    LineTangent2Arcs,   // two objects, then the tangent line
    LinePerpendicular,  // one object, then a point: the line from it perpendicular to the object
    ArcTangent1,        // one object, then a centre: the circle that touches the object
    ArcTangent2,        // two objects, then the tangent arc of the page's radius
    PickObjects,        // objects for the transform pages (SetPickedObjects)
    DeleteObjects,      // objects that go, one pick after another
    Fillet,             // two objects, then the tangent arc of the fillet radius, both trimmed to it
    Extend,             // two objects, then the first lengthened up to the second
    Offset,             // one object, then its offset copy until Done or Cancel
    ChangeLayerObjects, // objects put on the current layer, one pick after another
  };
  void RunCadMenuEntry(const std::string& entry);
  // A command shows its page (kPageHideAll: none; kNoCommandPage: the pages stay) without touching
  // the remembered page set; its end (done, Esc, Cancel, Close, a start that fails) shows that set
  // again and gives the tool bars back.
  static constexpr int kNoCommandPage = -1;
  void BeginCommand(int page);
  void EndCommand();
  // The running operation ended (stopped: by a stop, not by its own last state).
  void CommandOperationEnded(bool stopped);
  // A construction's failure text, shown until the next action succeeds or the command ends: then
  // the running state's own text (or the page's) takes its place.
  // `operationEnding`: called from the end of the running operation, whose prompt no longer holds.
  void ClearFailureText(bool operationEnding = false);
  // What is true now: the running state's prompt, else the shown page's status text, else nothing.
  void ShowCurrentStatus(bool operationEnding = false);
  // The touching circle ("1 entity + center point") is chosen on the tangent arc page.
  bool TouchingCircleChosen();
  static bool IsTransformPage(int page);
  // A transform page whose Done acts on the objects picked meanwhile.
  static bool PicksForDone(int page);
  // The status line asks for the object of Line Perpend. and the touching circle.
  void ShowPickPrompt();
  void StopCommandPick();
  bool CommandActive() const { return commandActive_; }
  int CommandPage() const { return commandPage_; }
  void MyTrimClick();
  void MyBreakClick();
  void MyMoveNodeClick();
  void MyLineTangent2ArcClick();
  void MyLinePerpClick();
  void MyDeleteClick();
  void MyUndeleteClick();
  // The drawing commands: one entity each, placed by clicks on the 2D view (the polyline's until
  // Done or Closed).
  void MyCircleCtPtClick();
  void MyArcCtPtSaEaClick();
  void sbtRectangleClick();
  void sbtPolyClick();
  void MyFilletClick();
  void MyExtendClick();
  void MyChangeLayerClick();
  void MyOffsetClick();
  // The offset page: Done adds the copy shown; Flip puts it on the other side.
  void sbtOffsetOkClick();
  void sbtFlipOffsetClick();
  // The offset distance or side changed: the program-wide value follows, and the copy shown.
  void OffsetChanged();
  // The command entries with nothing behind them are disabled, and a drop-down button with no
  // command left at all, whose hint would promise one, with them; again after every translation.
  void DisableUnboundCommands();
  // After a translation: the rows whose controls need more than their own widths share them out
  // (the layer bar, the "Z no cut" tolerance, the listing's buttons); the unit label shows the
  // unit's word.
  void FitTranslatedTexts();
  // The NC listing's buttons in rows that show their texts; the listing gives way to more rows.
  void FitListingButtons();
  void sbtDelSmallClick();
  void sbtMirrorAllClick();
  // The objects the transform pages work on, as the selection picked them.
  void SetPickedObjects(std::vector<int32_t> ids) { picked_ = std::move(ids); }
  const std::vector<int32_t>& PickedObjects() const { return picked_; }
  // Done of a transform page (translate 40, rotate 39, scale 10, mirror 9): moves or copies the picked
  // objects by the page's transform, the page's repeat count of times; then user code 1.
  void TransformPageDone(int page);
  // The program-wide values the construction states read (fillet radius, tangent arc).
  const cad::TConstructionSettings& Construction() const { return construction_; }
  int CopyFlag() const { return copyFlag_; }
  int RepeatCount() const { return repeatCount_; }
  float OffsetDistance() const { return offsetDistance_; }
  bool OffsetFlipped() const { return offsetFlip_; }
  bool EntityEdit() const { return entityEdit_; }

  // Grid, axes and snap.
  void sbtGridOnOffClick();
  void ShowGridDialog();  // the grid and snap buttons' right button, "Set grid spacing..."
  void sbmSnapClick();
  void sbtAxisOnOffClick();
  void ImpostaGlyph();
  int SnapGlyphIndex() const;

  // Layers page.
  void FillLayerLists();
  void LayersListClick();
  void LayerPageChange();
  void txtLayerNomeChange();
  void cboCurrentLayerChange();
  int CurrentLayer() const { return currentLayer_; }

  // Settings tab.
  void sbtSettingClick();
  void ColorBoxFormChange();
  void ColorBoxBackgroundChange();
  void ColorBoxDefLayersChange();
  void ColorBoxGridChange();
  void cboUnitsChange();
  void sbtResetClick();

  // The help menu.
  void mnuHelpClick();
  void mnuTutorClick();
  void mnuAbout1Click();
  void mnuWebClick();

  // GridHost: what the grid dialog changes.
  GridValues Grid() const override;
  void SetGrid(const GridValues& values) override;
  void SetGridButton(bool down) override;
  void SetSnapToGrid(bool on) override;

  // The view place: the 3D viewer or the 2D view; the tool bar's 2D or 3D set.
  void modo3d(bool on, bool ncSidePanel);
  void AbilitaBt3d(bool threeD);
  void ApplyFormColor(platform::TColor color);

  // The 3D preview: the relief surface GLSuperficie's drawing, its modes, the view buttons, the show
  // menu and the mouse in the viewer GLViewPort.
  MainScene& Scene() const { return *scene_; }
  scene3d::TGLStageViewer& Viewer3D() const { return *GLViewPort_; }
  void GLSuperficieRender(scene3d::RenderContextInfo& rci);
  // The surface as the window's values give it now.
  ReliefSurface SurfaceToDraw() const;
  // The bytes the surface's mesh may take (SurfaceMemoryBudget at the start).
  void SetSurfaceMemoryBudget(uint64_t bytes) { surfaceMemoryBudget_ = bytes; }
  // What tells the bytes the process may still take (platform::CurrentMemoryHeadroom), asked before
  // the listing is filled.
  void SetMemoryHeadroomReader(std::function<uint64_t()> reader) { memoryHeadroom_ = std::move(reader); }
  // Tells what a build of the surface's quads did: a coarser step than asked in the status line, a
  // failure in a message.
  void ReportSurfaceBuild(const SurfaceBuildReport& report);
  // The colour dialog; what it answers is not used.
  void sbtColorClick();
  void mnuSPShadeClick();
  void mnuSPWireClick();
  void mnuSPNoneClick();
  void sbtTopViewClick();
  void sbtFrontViewClick();
  void sbtSideViewClick();
  void sbtIsoViewClick();
  void mnuShowToolClick();
  void mnuShowXYZClick();
  void GLViewPortMouseDown(const Mouse3D& mouse);
  void GLViewPortMouseMove(const Mouse3D& mouse);
  void chk3dviewClick() {}

  // The language: the box nol_cboLang lists the language files and shows the current one (DirLng);
  // choosing one retranslates the main and tool windows; "Translation ..." opens the language list.
  void DirLng();
  void nol_cboLangChange();
  void sbtTransLngClick();

  // The NC listing page: the listing ricIso, its find and save, and the backplot (Step, Simulate,
  // Rewind, End, Stop). While Simulate plays, window messages run between lines; a change of the
  // listing, leaving the page, Stop or closing the window ends the play.
  void tabIsoShow();
  void TabIsoExit() {}
  void ricIsoChange();
  // A press in the listing; `line` is the line it puts the caret on.
  void ricIsoMouseDown(int line);
  void sbtIsoFindClick();
  void FindDialog1Find();
  void sbtIsoSaveClick();
  void sbtIsoExitClick();
  void sbtIsoStepClick();
  void sbtIsoPlayClick();
  void sbtIsoRevClick();
  void sbtIsoEndClick();
  void sbtIsoStopClick();
  void SimulOnOff(bool on);
  void TrackBar1Change();
  // Runs the pending window messages until `milliseconds` have passed on the program's clock. Touches
  // no window, so it is safe when a message closes or frees one.
  static void DelayWithMessages(int milliseconds);
  void DisegnaNc3d(const machining::NcMove& move);
  void DisegnaNc(const machining::NcMove& move);
  void DisegnaUtensile();
  // The listing's lines (a last empty line is no line of the program).
  int ListingLineCount() const;
  int CurrentLine() const { return currentLine_; }
  bool Playing() const { return playing_; }
  const machining::Backplot& NcBackplot() const { return backplot_; }
  const ToolpathNode& ToolPosition() const { return toolPosition_; }
  // The profile GLUtensile turns.
  std::vector<machining::ProfilePoint> ToolProfile() const;
  const std::vector<NcDrawing2D>& NcDrawing() const { return ncDrawing_; }

 signals:
  // The settings could not be written at closing (the message says why); the window closes anyway.
  void SettingsWriteFailed(const QString& message);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  // --- The 2D drawing LocalCad, the 2D view VistaGrafica and the interaction program LocalPrg.
  // Reads the block library into the drawing; a damaged one raises (the blocks read so far stay).
  virtual void Cad2DLoadBlockLibrary(const std::string& path);
  virtual int Cad2DObjectCount() const;
  virtual void Cad2DClearObjects();
  // The drawing's 256 layers.
  virtual cad::TLayers& Cad2DLayers();
  // Takes the point object `id` out of the drawing: its first point through the object's transform;
  // none when the drawing holds no such point. Only point objects count (a drawn object may carry the
  // same ID); every one with the ID goes, and the last placed gives the point.
  virtual std::optional<std::pair<double, double>> Cad2DTakePoint(int id);
  virtual void Cad2DSetCurrentLayer(int layer);
  virtual void Cad2DSetDefaultLayersColor(platform::TColor color);
  // The picture as a bitmap entity with ID 0 on layer 0 from (origin) to (origin + size), alone in the
  // drawing; the current layer is kept (layer 1 when it was 0).
  virtual void Cad2DPlaceImage(const platform::Bitmap& bitmap, const machining::ReliefModel& box);
  // Moves every object of the drawing by (dx, dy).
  virtual void Cad2DTranslateAll(double dx, double dy);
  // Writes the drawing as a DXF file beside `path` and renames it over `path` once complete, so a
  // failed write leaves an earlier file whole; raises platform::FileError or WriteError.
  virtual void Cad2DWriteDxf(const std::string& path);
  // Whether that file would hold an entity (the picture has none).
  virtual bool Cad2DHasDxfEntity();
  // A hash of the DXF file Cad2DWriteDxf would write now.
  virtual uint64_t Cad2DDxfFingerprint();
  // Whether the drawing holds an object the user drew: any but the picture (bitmap entities) and the
  // point the "Z no cut" pick places.
  virtual bool Cad2DHasDrawnObjects();
  virtual void View2DApply();
  virtual void View2DZoomExtent();
  // Each side of the visible window moves in (out) by a quarter of its size.
  virtual void View2DZoomIn();
  virtual void View2DZoomOut();
  // A pixel of the view as a drawing point.
  virtual std::pair<double, double> View2DScreenToDrawing(int pixelX, int pixelY) const;
  // The view's cursor: a slot of the screen's cursor table.
  virtual void View2DSetCursor(int slot);
  virtual void View2DRepaint();
  virtual void Prg2DApply();
  virtual void Prg2DSendUserCode(int code);
  virtual void Prg2DStopOperation();
  // Starts the one-point pick of the "Z no cut" height (a point object with ID 777).
  virtual void Prg2DStartPointPick();
  // Starts the rectangle of the image crop, with no follow-up.
  virtual void Prg2DStartCropRectangle();
  // Nests the zoom-window and the real-time pan operations into the running one.
  virtual void Prg2DNestZoomArea();
  virtual void Prg2DNestPan();
  virtual bool Prg2DOperationRunning() const;
  // The zoom-area or pan state is current, or a nested operation runs.
  virtual bool Prg2DBusy() const;
  // Starts a CAD command's operation (aperture 5 pixels; the picks highlighted).
  virtual void Prg2DStartCadOperation(CadOperation operation);

  // --- Where the 3D scene plugs in (the viewer GLViewPort, the stock box GLEstensioneCnc, the relief
  // surface GLSuperficie, the tool body GLUtensile, the toolpath GLCncMov, the text GLText).
  virtual void Scene3DSetBackground(platform::TColor color);
  virtual void Scene3DPlaceStockBox(const machining::StockBox& box);
  virtual void Scene3DShowStockBox(bool on);
  virtual void Scene3DRebuildSurface();
  virtual void Scene3DAutozoom();
  virtual void Scene3DScaleCamera(float factor);
  virtual void Scene3DMoveTool(float x, float y, float z);
  virtual void Scene3DShowTool(bool on);
  void Scene3DClearToolpath();
  void Scene3DHoldFrames(bool hold);
  void Scene3DAddToolpathNode(bool rapid, float x, float y, float z);
  void Scene3DShowText(const std::string& text);
  // The NC backplot's arcs on GLCncMov: AddArcNodes with count + 1 feed-coloured nodes at height z
  // about (cx, cy), from startAngle to stopAngle (radians; the stop is the start plus or minus the
  // sweep, so the nodes run the way the tool turns).
  virtual void Scene3DAddToolpathArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle,
                                     int count);
  // The profile GLUtensile turns about its axis (see machining::ToolBodyProfile).
  virtual void Scene3DSetToolProfile(const std::vector<machining::ProfilePoint>& profile);
  // The NC backplot's entities, drawn once on the 2D view with the current layer's pen and not kept
  // in the drawing: a line, an arc counter-clockwise from startAngle to endAngle (radians; equal
  // angles are the whole circle), a point.
  virtual void View2DDrawNcLine(double x1, double y1, double x2, double y2);
  virtual void View2DDrawNcArc(double cx, double cy, double radius, double startAngle, double endAngle);
  virtual void View2DDrawNcPoint(double x, double y);

 private:
  // Building the window's components (the window's stored definition).
  void BuildWindow();
  void BuildToolBars();
  void BuildPages();
  void BuildCommandPages();
  void BuildWizardPages();
  void BuildListingPage();
  void BuildStatusPanels();
  void ConnectHandlers();
  void ConnectListingHandlers();
  void ConnectCadHandlers();
  void ConnectDrawHandlers();
  // Runs a command's start of an operation; a start that fails or raises ends the command. True when
  // the operation runs.
  bool StartCommandOperation(const std::function<bool()>& start);
  // Starts drawing `primitive` in interaction mode `mode`: a point a click up to its point count
  // (sized), or until Done or Closed; the message `hint` (when given) goes to the status line.
  void StartDrawing(int mode, std::unique_ptr<cad::TPrimitive2D> primitive, bool sized, const char* hint);
  // The user code, while the edit has the focus and holds a number.
  void SendWhileTyping(const QLineEdit* edit, int code);

  // The NC listing's backplot draws through the seams with this.
  class BackplotSeams;
  // Places the tool body GLUtensile and remembers where it stands.
  void PlaceTool(float x, float y, float z);
  std::string ListingLine(int line) const;
  void SelectListingLine(int line);
  void ShowListingStatus(int caretLine);
  void ShowExtents();
  // When `move` is the first the listing places after the backplot's reset: starts the drawn path
  // there (the earlier drawing wiped, nothing drawn) and returns true.
  bool StartListingPath(const machining::NcMove& move);
  // The backplot reads from the listing's start again, with the current post-processor.
  void ResetBackplot();
  // Wipes the backplot's entities off the 2D view.
  void ClearNcDrawing();
  // Draws one backplot entity straight on the 2D view's screen, where the next repaint wipes it.
  void View2DShowNcEntity(const NcDrawing2D& entity);
  // The pen of the drawing's current layer, which the NC backplot draws with. The backplot changes it
  // only for a while and gives it back, so the layer's modified flag is left as it was.
  platform::Pen CurrentLayerPen();
  cad::TLayer& PenLayer();
  void SetCurrentLayerPen(const platform::Pen& pen);
  void ConnectPreviewHandlers();
  void CheckSurfaceMode(const char* entry);
  // Binds the 2D view to the drawing and the interaction program, and their events to the handlers;
  // DisconnectView2D lets go of them before the window goes.
  void ConnectView2D();
  void DisconnectView2D();

  void ApplySettings();
  // The job's document: the record from the fields, without the long-path message of AggRecDaForm.
  machining::TDocumentRecord RecordFromFields() const;
  // The record a document save writes, once the picture is there and the record passes the reader's
  // checks; raises otherwise (nothing written).
  machining::TDocumentRecord RecordToSave();
  // The folder of the picture last opened, where the first NC-file dialog and the first Save start;
  // the user's documents when there is none.
  std::string PictureFolder() const;
  // Writes a record RecordToSave gave.
  void WriteDocument(const std::string& path, const machining::TDocumentRecord& record);
  bool SaveJobToItsFile();
  // The fingerprint of what a save would write now (with `ncPath` in place of the job's NC file when
  // given); none when a field cannot be saved.
  std::optional<uint64_t> CurrentFingerprint(const std::string* ncPath = nullptr) const;
  void MarkJobSaved(const std::string* ncPath = nullptr);
  // The next job starts: the job object, and what the window shows of the last one (NC file, listing,
  // toolpath, time, "Z no cut").
  void StartNextJob();
  // A picture read and checked, not yet shown.
  struct Picture {
    std::unique_ptr<platform::Bitmap> bitmap;
    int dpi = 0;
  };
  Picture ReadPicture(const std::string& path, bool jpeg);
  void ShowPicture(const std::string& path, Picture picture);
  void ReplayWizard();
  void ResetLayers();
  void FillInfoTree();
  // The information tree's words in the language in force, its values kept.
  void ShowInfoTreeWords();
  // The size, or an origin, changed: the reference point must be chosen again, the relief box follows.
  void SizeChanged();
  void ResizeReliefBox();
  void ShowSizeFields();
  void ApplySize();
  // The work of Next on page 45: the relief built when stale, the 3D view shown. Raises when the
  // relief cannot be built (the page control then goes back to page 45).
  void EnterReliefPages();
  // Builds the height grid when the picture, its box or the depths changed since; true when it did.
  bool BuildReliefIfStale();
  // On the cutting page: a program out of date can be calculated, not listed.
  void ArmCalculate();
  // The command that runs now hides every page (999).
  void HideCommandPages();
  bool SizeFieldsValid() const;
  void SizeFieldChange(bool width);
  // The start of an image edit: asks about unsaved drawn work, then the crop rectangle goes. True when
  // the edit may go on (a picture is there and the user did not keep the drawing).
  bool BeginImageEdit();
  void ImageEdited(bool sizeChanged);
  void MarkReliefStale();
  void ShiftViewWindow(double dx, double dy);
  void ApplyUnit(bool inches);
  // The unit words beside the unit box and the size fields of page 1, in the language's words of the
  // units box.
  void ShowUnitWord();
  void SelectColor(const char* box, platform::TColor color);
  platform::TColor SelectedColor(const char* box) const;
  void LayerToPage(int layer);
  // The layer chosen on the layer page; -1 for none, or while the program fills the page.
  int SelectedLayer() const;
  void FinishZNoCutPick();
  // A depth field changed: `set` takes its value when it is a number; the relief must be applied again.
  void DepthChanged(const QLineEdit* field, void (*set)(machining::ReliefModel&, float));
  void WriteSettingsBack();
  // What the user answered about unsaved drawn work; Nothing when there was none to ask about.
  enum class DrawnWorkChoice { Nothing, Save, Discard, Keep };
  // Asks about unsaved drawn work: `leaving` when the job goes (New, Open, closing), else a
  // re-placement of the picture removes it.
  DrawnWorkChoice AskAboutDrawnWork(bool leaving);
  // Save as DXF for the question above: the save dialog (DXF only), then the file. False when the user
  // cancels or the write fails (the failure is shown).
  bool SaveDrawnWorkAsDxf();
  // Writes the drawing as DXF to `path`; from then on it counts as saved.
  void WriteDrawingDxf(const std::string& path);
  // The name Save proposes: the document's, else the picture's, without extension.
  std::string ProposedSaveName() const;
  // The size and reference fields as the picture was last placed or moved, kept at the first edit of
  // one of them since, so that a re-placement the user cancels leaves them as they were.
  struct PlacedFields {
    std::array<std::string, 4> texts;  // txtVecLarg, txtVecAlt, txtOriginX, txtOriginY
    float width = 0.0f, height = 0.0f, unitsPerPixel = 0.0f;
    bool gridStale = true, parametersChanged = true;  // the relief and the program as they were
    std::array<bool, 6> radios{};       // rbtOriginDxf, rbtOrigine0 ... rbtOrigine4
    std::array<bool, 5> enabled{};      // see kPlacedButtons
    int referenceCode = 0;
  };
  // Called by the size and origin fields' change handlers before they change anything.
  void KeepPlacedFields();
  // The picture was placed or moved: what the fields show now is what it stands for.
  void ForgetPlacedFields() { placedFields_.reset(); }
  // A re-placement was cancelled: the fields, the size and the reference point as they were.
  void RestorePlacedFields();
  // The texts of the size and reference fields as their last change left them.
  void NoteFieldTexts();
  void FreeJob();
  void SetUpdating(bool on) { updating_ = on; }
  void ShowPageStatus(int page);
  void FillJobFromToolWindow();
  void SetNcFileLabel();

  // The component of that name; a missing one is a fault of the window's definition.
  template <class T>
  T* Get(const char* name) const {
    T* component = Find<T>(name);
    if (!component) throw platform::Exception(std::string("frmMain has no component ") + name);
    return component;
  }

  // Program-wide state.
  ProgramSettings settings_;
  std::string startCaption_;
  std::string tutorialPath_;
  std::string openDialogFile_;  // the image dialog's file name
  std::string openDialogDir_;
  std::string ncFolder_;
  std::string saveFolder_;  // where Save last wrote, this session
  // The NC files the user chose in the NC-file dialog or agreed to write, this session: a document that
  // names one of them brings no question.
  std::set<std::string> ncFilesChosen_;
  // The job the user works on.
  machining::Job job_;
  // The fingerprint of the drawing as the last Save as DXF wrote it; none when not saved this job.
  std::optional<uint64_t> drawingSavedAs_;
  std::optional<PlacedFields> placedFields_;
  std::array<std::string, 4> fieldTexts_;
  machining::NcWriter writer_;
  machining::CropBox cropBox_;
  bool cropAreaReady_ = false;
  bool originPickArmed_ = false;
  bool panMode_ = false;
  bool dragPan_ = false;
  bool pointerInside_ = false;
  int lastMouseX_ = 0, lastMouseY_ = 0;
  int last3dX_ = 0, last3dY_ = 0;  // the last mouse position in the 3D viewer
  uint64_t surfaceMemoryBudget_ = SurfaceMemoryBudget();
  std::function<uint64_t()> memoryHeadroom_ = platform::CurrentMemoryHeadroom;
  std::string surfaceNote_;         // the coarser step shown in the status line; empty when none
  std::string pointerReadout_;
  struct { double minX = 0, minY = 0, maxX = -1, maxY = -1; } ncExtent_;
  std::function<void(int)> replayWait_;
  bool replaying_ = false;
  QPointer<TfrmGrid> grid_;
  QPointer<TfrmStlDxf> stl_;
  QPointer<QWidget> about_;
  TFlatMenu* FlatMenu1_ = nullptr;  // paints the window's menus and pop-ups
  std::string bitDepthText_;
  int pixelKind_ = 0;
  int resolutionDpi_ = 0;
  int dxfRotation_ = 0;
  machining::StockBox stockBox_;
  View2DState view2d_;
  Prg2DState prg2d_;
  double savedGridX_ = 10.0, savedGridY_ = 10.0;
  std::vector<int> pageSet_;
  bool commandActive_ = false;
  std::string failureText_;         // the failure shown in the status line; empty when none
  bool failedThisOperation_ = false;  // the running operation reported a failure
  bool startingOperation_ = false;
  int commandPage_ = kNoCommandPage;
  int commandReturnPage_ = -1;  // the wizard page shown when the command started; none: -1
  bool drawingBarWanted_ = false;  // the drawing tool bar as AbilitaPnl asked; it is off in 3D anyway
  bool mode3d_ = false;
  bool entityEdit_ = false;  // the 2D view edits the picture's entities (page 43)
  bool ncMode2D_ = false;
  bool updating_ = false;
  float toolRadius_ = 0.0f;
  int mode_ = 999;
  int modeBeforeNest_ = 999;  // the mode of the operation a zoom window or pan interrupted
  int cutPicture_ = 0;
  int currentLayer_ = 0;
  platform::TColor formColor_ = platform::clWindow;
  uint64_t startTick_ = 0;
  QPointer<TfrmTool> tool_;
  QPointer<TfrmEditLng> editLng_;
  QPointer<TFindDialog> findDialog_;

  // The NC listing's backplot.
  machining::Backplot backplot_;
  int currentLine_ = 0;             // the line Step reads next
  bool playing_ = false;            // Simulate runs
  int penLayer_ = -1;               // the layer a play draws with; -1: the current layer
  uint64_t listingRevision_ = 0;    // grows with every change of the listing
  ToolpathNode toolPosition_;       // where GLUtensile stands
  // The backplot's 2D moves, drawn on the 2D view's screen as they come (a repaint wipes them).
  std::vector<NcDrawing2D> ncDrawing_;
  // Components the play reads on every line.
  QAction* mnuShowTool_ = nullptr;
  QSlider* TrackBar1_ = nullptr;
  QLabel* stxLimits_[4] = {};  // stxLimXmin, stxLimXmax, stxLimYmin, stxLimYmax
  QLabel* isoStatus1_ = nullptr;  // nol_IsoStatus1, set at every line a play selects
  QMetaObject::Connection focusConnection_;

  // The CAD commands' program-wide values and the button commands current now.
  cad::TConstructionSettings construction_;
  int copyFlag_ = 0;
  int repeatCount_ = 1;
  float offsetDistance_ = 0.0f;
  bool offsetFlip_ = false;  // the offset goes to the other side (right of a line, into an arc)
  std::vector<int32_t> picked_;
  std::vector<std::unique_ptr<cad::TObject2D>> deleted_;  // what the last Delete removed, for Undelete
  std::map<std::string, std::string> buttonCommand_;  // drop-down button -> its current menu entry

  // The drawing; the viewport that shows it detaches itself when it goes.
  cad::TKQCmp2D LocalCad_;
  // After the drawing, so that it goes first: its states may still touch the drawing.
  std::unique_ptr<cad::TKQPrg2D> LocalPrg_;

  // Components the handlers use.
  QWidget* pnlVistaGrafica_ = nullptr;
  cad::TKQViewport2D* VistaGrafica_ = nullptr;
  scene3d::TGLStageViewer* GLViewPort_ = nullptr;
  std::unique_ptr<MainScene> scene_;
  QFrame* pnlCmd_ = nullptr;
  QFrame* pnlTbr1_ = nullptr;
  QFrame* pnlTbr2_ = nullptr;
  TPageControl* PageControl1_ = nullptr;
  QLabel* nol_pnlStatus1_ = nullptr;
  QLabel* pnlStatus2_ = nullptr;
  QFrame* pnlStatus3_ = nullptr;
  QProgressBar* ProgressBar1_ = nullptr;
  QToolButton* sbtSave_ = nullptr;
  QToolButton* sbtGridOnOff_ = nullptr;
  QToolButton* sbtAxisOnOff_ = nullptr;
  QComboBox* cboUnits_ = nullptr;
  QLineEdit* txtVecLarg_ = nullptr;
  QLineEdit* txtVecAlt_ = nullptr;
  QLineEdit* txtOriginX_ = nullptr;
  QLineEdit* txtOriginY_ = nullptr;
  QLineEdit* txtWhiteD_ = nullptr;
  QLineEdit* txtBlackD_ = nullptr;
  QLineEdit* txtFeedPlane_ = nullptr;
  QLineEdit* txtIncXY_ = nullptr;
  QLineEdit* txtStock_ = nullptr;
  QSpinBox* sedPass_Z_ = nullptr;
  QLineEdit* txtAspor_Z_ = nullptr;
  QLineEdit* txtFilter_ = nullptr;
  QLineEdit* txtFiltroZNC_ = nullptr;
  QCheckBox* chkOrizzontale_ = nullptr;
  QCheckBox* chkVerticale_ = nullptr;
  QCheckBox* chkCutColor_ = nullptr;
  QGroupBox* grpZNC_ = nullptr;
  QPushButton* btnZNC_ = nullptr;
  QLabel* imgCutPar_ = nullptr;
  QComboBox* cboPostName_ = nullptr;
  QLabel* stxPstCommento_ = nullptr;
  QLabel* lblNomeNcFile_ = nullptr;
  QLabel* stxNcFileName_ = nullptr;
  QPlainTextEdit* ricIso_ = nullptr;
  QTreeWidget* treInfoRas_ = nullptr;
  QLabel* imgTool_ = nullptr;
};

}  // namespace app
