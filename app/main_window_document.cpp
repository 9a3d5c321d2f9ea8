// The document commands: New, Open (pictures and documents) and Save (document, STL or DXF), the
// record of a job and the replay of the wizard that brings an opened document to the cutting page.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTimer>
#include <filesystem>
#include <optional>

#include "app/key_filters.h"
#include "app/main_window.h"
#include "app/status_progress.h"
#include "app/save_target.h"
#include "app/tool_window.h"
#include "app/wait_cursor.h"
#include "lang/lang.h"
#include "lang/page_messages.h"
#include "machining/image_helpers.h"
#include "machining/nc_words.h"
#include "machining/relief.h"
#include "machining/stl_writer.h"
#include "platform/bmp.h"
#include "platform/dialogs.h"
#include "platform/memory.h"
#include "platform/files.h"
#include "platform/mapped_file.h"
#include "platform/numbers.h"

namespace app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The filters' descriptions are the language's, their patterns the program's.
std::string OpenFilter() {
  return lang::LangStringOr("1001", "Image files (*.bmp,*.jpg)") + "|*.BMP;*.JPG;*.JPEG|" +
         lang::LangStringOr("1002", "Velkora files (*.qvx)") + "|*.QVX";
}
std::string SaveFilter() {
  return lang::LangStringOr("1002", "Velkora files (*.qvx)") + "|*.QVX|" + lang::LangStringOr("1003", "Stl files (*.stl)") +
         "|*.STL|" + lang::LangStringOr("1004", "Dxf files (3D FACE) (*.dxf)") + "|*.DXF";
}
constexpr const char* kSaveSuffixes[] = {".qvx", ".stl", ".dxf"};
enum SaveType { kSaveDocument = 1, kSaveStl = 2, kSaveDxf = 3 };
constexpr int kReplayStepMs = 200;

// The shading resolution of the 3D surface for a picture of that size.
const char* ShadingResolution(int width, int height) {
  if (width <= 500 && height <= 500) return "rbtShResFine";
  if (width <= 500 && height <= 1000) return "rbtShResMedium";
  if (width > 500 && width <= 1000 && height <= 1000) return "rbtShResMedium";
  return "rbtShResCoarse";
}

// Keeps the user's mouse and keys (and closing) away from a window while the program works it.
class InputBlocker : public QObject {
 public:
  explicit InputBlocker(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~InputBlocker() override { qApp->removeEventFilter(this); }
  InputBlocker(const InputBlocker&) = delete;
  InputBlocker& operator=(const InputBlocker&) = delete;

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (!IsClickOrKey(type) && type != QEvent::ShortcutOverride && type != QEvent::Wheel &&
        type != QEvent::ContextMenu && type != QEvent::Close)
      return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && widget->window() == window_;
  }

 private:
  QWidget* window_;
};

// Waits while the window goes on painting.
void WaitShowing(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

// --- clearing the job and New ---

void TfrmMain::ResetLayers() {
  cad::TLayers& layers = Cad2DLayers();
  for (int i = 0; i < cad::TLayers::Count(); ++i) {
    cad::TLayer& layer = layers.Layer(static_cast<uint8_t>(i));
    layer.SetName("Layer_" + std::to_string(i));
    platform::Pen pen = layer.Pen();
    pen.Width = 1;
    pen.Color = settings_.defLayers;
    layer.SetPen(pen);
    layer.Active = true;
    layer.Visible = true;
    layer.Modified = false;
  }
  FillLayerLists();
}

bool TfrmMain::SaveJobToItsFile() {
  if (!job_.savedDocument.empty()) {
    WriteDocument(job_.savedDocument);
    return true;
  }
  sbtSaveClick();
  return !job_.Changed(CurrentFingerprint());
}

std::optional<uint64_t> TfrmMain::CurrentFingerprint(const std::string* ncPath) const {
  try {
    machining::TDocumentRecord record = RecordFromFields();
    if (ncPath) record.ncPath = *ncPath;
    return machining::JobFingerprint(job_.workBitmap.get(), machining::DocumentRecordBytes(record));
  } catch (const std::exception&) {
    // A field the record cannot hold is a change nobody has saved.
    return std::nullopt;
  }
}

void TfrmMain::MarkJobSaved(const std::string* ncPath) { job_.MarkSaved(CurrentFingerprint(ncPath).value_or(0)); }

void TfrmMain::StartNextJob() {
  // A command still going belongs to the job that goes: its clicks must not draw into the next one.
  if (commandActive_) EndCommand();
  if (Prg2DOperationRunning() && !Prg2DBusy()) Prg2DStopOperation();
  // What Delete took and what was picked belong to the drawing that goes.
  deleted_.clear();
  picked_.clear();
  drawingSavedAs_.reset();
  ForgetPlacedFields();
  job_.Reset();
  writer_.ResetBlockCounter();
  Get<QPushButton>("sbtNextB4")->setEnabled(false);
  SetNcFileLabel();
  ricIso_->clear();
  Scene3DClearToolpath();
  Scene3DShowText("");
  // "Z no cut" belongs to the picture it was picked on.
  const bool blocked = chkCutColor_->blockSignals(true);
  chkCutColor_->setChecked(false);
  chkCutColor_->blockSignals(blocked);
  for (const char* name : {"btnZNC", "txtFiltroZNC", "lblZNC", "sbtZNCRegen"}) Get<QWidget>(name)->setEnabled(false);
  btnZNC_->setText(Q(lang::LangString("753")));
}

bool TfrmMain::MayLetJobGo(std::string_view question, const char* fallback) {
  // The job first, then what is drawn, and both questions before any save: Cancel to either leaves
  // everything as it was.
  const bool jobChanged = job_.Changed(CurrentFingerprint());
  platform::Answer saveJob = platform::Answer::No;
  if (jobChanged) {
    saveJob = platform::CurrentDialogs().Message(
        lang::LangStringOr("1000", "The job has changed since it was opened or last saved.\r\nSave it first?"),
        "", platform::MessageKind::Warning, platform::Buttons::SaveDiscardCancel);
    if (saveJob != platform::Answer::Yes && saveJob != platform::Answer::No) return false;
  }
  const DrawnWorkChoice drawn = AskAboutDrawnWork(true);
  if (drawn == DrawnWorkChoice::Keep) return false;
  // Only a job with nothing to lose gets the plain question.
  if (!jobChanged && drawn == DrawnWorkChoice::Nothing)
    return platform::CurrentDialogs().Message(lang::LangStringOr(question, fallback), "",
                                              platform::MessageKind::Warning,
                                              platform::Buttons::YesNo) == platform::Answer::Yes;
  if (saveJob == platform::Answer::Yes && !SaveJobToItsFile()) return false;
  return drawn != DrawnWorkChoice::Save || SaveDrawnWorkAsDxf();
}

bool TfrmMain::CancellatoTutto() {
  if (!MayLetJobGo("452", "The current job will be discarded. Continue?")) return false;
  StartNextJob();
  SetActivePage(kPageDimension);
  modo3d(false, false);
  VistaGrafica_->show();
  AbilitaBt3d(false);
  ResetLayers();
  Cad2DClearObjects();
  View2DRepaint();
  return true;
}

void TfrmMain::sbtNewClick() {
  if (Cad2DObjectCount() == 0 || !CancellatoTutto()) return;
  VisPagine({kPageHideAll});
  setWindowTitle(Q(startCaption_));
  // As at start: nothing to save, and the prompt to open a picture.
  sbtSave_->setEnabled(false);
  Messaggio(lang::PageMessage(kPageBoltCircle));
}

// --- Open ---

void TfrmMain::sbtOpenClick() {
  platform::ForceCNumericLocale();
  Scene3DShowTool(false);
  // The open prompt lasts as long as the dialog and the reading: a cancel or a failure brings the
  // page's text back.
  struct RestoreStatus {
    TfrmMain& window;
    std::string text;
    bool keep = false;
    ~RestoreStatus() {
      if (!keep) window.Messaggio(text);
    }
  } status{*this, StatusText()};
  Messaggio(lang::LangString("400"));
  const std::string start = openDialogFile_.empty() ? openDialogDir_ : openDialogFile_;
  const platform::FileChoice choice = platform::CurrentDialogs().OpenFile({"", start, OpenFilter(), 1});
  if (choice.path.empty()) return;
  const std::string path = choice.path;
  const std::string extension = platform::ToUpperAscii(std::filesystem::path(path).extension().string());
  const bool document = extension == ".QVX";
  const bool jpeg = extension == ".JPG" || extension == ".JPEG";
  if (!document && !jpeg && extension != ".BMP") {
    platform::CurrentDialogs().Message(lang::LangString("401"), "", platform::MessageKind::Warning,
                                       platform::Buttons::Ok);
    return;
  }
  // The file is read and checked before the job goes: a file that cannot be opened changes nothing.
  std::optional<Picture> picture;
  std::optional<machining::Document> parsed;
  {
    WaitCursor wait;
    platform::OutOfMemoryAs(lang::LangFormatOr("1784", "There is not enough memory to open %1.", {path}), [&] {
      if (document) {
        const platform::MappedFile file(path);
        parsed = machining::ParseDocument(file.Data(), file.Size());
      } else {
        picture = ReadPicture(path, jpeg);
      }
    });
  }
  if (Cad2DObjectCount() > 0) {
    if (!CancellatoTutto()) return;
    VisPagine({kPageHideAll});
  } else {
    StartNextJob();
  }
  status.keep = true;
  WaitCursor wait;
  setWindowTitle(Q(path + " - " + startCaption_));
  // The resolution of the 3D surface by the picture's size (a choice of the program, not a click).
  const platform::Bitmap& shown = document ? parsed->bitmap : *picture->bitmap;
  auto* resolution = Get<QRadioButton>(ShadingResolution(shown.Width(), shown.Height()));
  const bool blocked = resolution->blockSignals(true);
  resolution->setChecked(true);
  resolution->blockSignals(blocked);
  // The NC file the opened file names: a document that keeps none asks for one on its way to the
  // cutting page, and the name chosen there is a change the document does not hold yet.
  const std::string openedNcPath = document ? parsed->record.ncPath : std::string();
  if (document) {
    job_.documentFile = path;
    job_.savedDocument = path;
    LoadDocumentFile(path, std::move(*parsed));
  } else {
    ShowPicture(path, std::move(*picture));
  }
  Get<QPushButton>("sbtDimApply")->setEnabled(false);
  Get<QPushButton>("sbtNextB1")->setEnabled(true);
  job_.referenceCode = 0;
  dxfRotation_ = 0;
  if (!document) AbilitaBt3d(false);
  // As opened, the job has nothing to save but the NC file chosen on the way.
  MarkJobSaved(&openedNcPath);
}

// --- the record ---

machining::TDocumentRecord TfrmMain::RecordFromFields() const {
  if (!tool_) throw platform::Exception(lang::LangStringOr("1005", "There is no tool window to take the tool from."));
  auto number = [](const QLineEdit* field, const std::string& what) {
    return platform::ReadSingleField(field->text().toStdString(), what);
  };
  machining::TDocumentRecord r;
  r.width = number(txtVecLarg_, lang::LangStringOr("1006", "Width"));
  r.height = number(txtVecAlt_, lang::LangStringOr("1007", "Height"));
  r.referenceX = number(txtOriginX_, lang::LangStringOr("1008", "Reference point X"));
  r.referenceY = number(txtOriginY_, lang::LangStringOr("1009", "Reference point Y"));
  r.zWhite = number(txtWhiteD_, lang::LangStringOr("1010", "Depth for white"));
  r.zBlack = number(txtBlackD_, lang::LangStringOr("1011", "Depth for black"));
  r.feedPlane = number(txtFeedPlane_, lang::LangStringOr("1012", "Feed plane"));
  r.maxStepover = number(txtIncXY_, lang::LangStringOr("1013", "Max. stepover"));
  r.stockToLeave = number(txtStock_, lang::LangStringOr("1014", "Stock to leave"));
  r.filter = number(txtFilter_, lang::LangStringOr("1015", "Filter"));
  r.zStep = number(txtAspor_Z_, lang::LangStringOr("1016", "Z step"));
  r.depthCuts = sedPass_Z_->value();
  r.rows0 = chkOrizzontale_->isChecked();
  r.rows90 = chkVerticale_->isChecked();
  r.tool = tool_->ToolRecordFromFields();
  // The post-processor loaded, which the box shows only once page 47 has filled it.
  r.postName = settings_.pst;
  // A cut path would name another file: the document keeps none rather than a wrong one.
  if (job_.nc.ncFileName.size() <= machining::kNcPathMax) r.ncPath = job_.nc.ncFileName;
  return r;
}

machining::TDocumentRecord TfrmMain::AggRecDaForm() {
  machining::TDocumentRecord r = RecordFromFields();
  if (job_.nc.ncFileName.size() > machining::kNcPathMax)
    platform::CurrentDialogs().Message(lang::LangFormatOr("1017",
                                                          "The NC file's path is longer than %1 bytes, so the "
                                                          "document keeps no NC file:\r\n%2",
                                                          {std::to_string(machining::kNcPathMax), job_.nc.ncFileName}),
                                       "", platform::MessageKind::Warning, platform::Buttons::Ok);
  return r;
}

void TfrmMain::AggFormDaRec(const machining::TDocumentRecord& record) {
  auto plain = [this](float value) { return Q(machining::FormatPlainNumber(value + 0.0f, Inches())); };
  // Both sizes as saved, then the ratio ticked without recomputing either.
  auto* ratio = Get<QCheckBox>("chkRatio");
  ratio->setChecked(false);
  txtVecLarg_->setText(plain(record.width));
  txtVecAlt_->setText(plain(record.height));
  ratio->setChecked(true);
  txtOriginX_->setText(plain(record.referenceX));
  txtOriginY_->setText(plain(record.referenceY));
  txtWhiteD_->setText(plain(record.zWhite));
  txtBlackD_->setText(plain(record.zBlack));

  job_.nc.ncFileName = record.ncPath;
  job_.programComputed = false;
  Get<QPushButton>("sbtNextB4")->setEnabled(!record.ncPath.empty());
  SetNcFileLabel();
  ricIso_->clear();

  // The post-processor as on a change of its box; a missing file is reported by its reader. A document
  // that names none (saved before the box was filled) keeps the one loaded.
  const std::string postName = platform::Trim(record.postName).empty() ? settings_.pst : record.postName;
  int index = cboPostName_->findText(Q(postName), Qt::MatchFixedString);
  if (index < 0) {
    cboPostName_->addItem(Q(postName));
    index = cboPostName_->count() - 1;
  }
  cboPostName_->setCurrentIndex(index);
  cboPostNameChange();

  if (tool_) tool_->agg_form_da_record(record.tool);
  aggTabDatiUt();

  txtFeedPlane_->setText(plain(record.feedPlane));
  txtIncXY_->setText(plain(record.maxStepover));
  txtStock_->setText(plain(record.stockToLeave));
  txtFilter_->setText(plain(record.filter));
  sedPass_Z_->setValue(record.depthCuts);
  txtAspor_Z_->setText(plain(record.zStep));
  chkOrizzontale_->setChecked(record.rows0);
  chkVerticale_->setChecked(record.rows90);
}

void TfrmMain::LoadDocumentFile(const std::string& path, machining::Document document) {
  Picture picture;
  picture.bitmap = std::make_unique<platform::Bitmap>(std::move(document.bitmap));
  picture.dpi = static_cast<int>(platform::Round(picture.bitmap->PixelsPerMeterX() / 39.370078740157480324));
  ShowPicture(path, std::move(picture));
  AggFormDaRec(document.record);
  ReplayWizard();
}

void TfrmMain::ReplayWizard() {
  // The user sees each page on the way but cannot act on the window meanwhile.
  InputBlocker blocked(this);
  replaying_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{replaying_};
  void (TfrmMain::*const steps[])() = {&TfrmMain::sbtNextB1Click,    &TfrmMain::sbtOrigineApplyClick,
                                       &TfrmMain::sbtNextB2Click,    &TfrmMain::sbtProfApplyClick,
                                       &TfrmMain::sbtNextB3Click,    &TfrmMain::sbtNextB4Click,
                                       &TfrmMain::sbtNextB5Click};
  for (auto step : steps) {
    if (replayWait_) replayWait_(kReplayStepMs);
    else WaitShowing(kReplayStepMs);
    (this->*step)();
  }
}

// --- Save ---

void TfrmMain::sbtSaveClick() {
  if (Cad2DObjectCount() == 0) return;
  // A refusal (no file type, nothing a DXF file can carry, a job that cannot be saved) ends the save:
  // the status line then shows again what it showed before, not the dialog's prompt.
  struct RestoreOnRefusal {
    TfrmMain& window;
    const std::string before;
    bool refused = false;
    ~RestoreOnRefusal() {
      if (refused) window.Messaggio(before);
    }
  } status{*this, StatusText()};
  Messaggio(lang::LangString("402"));
  const std::string proposed = ProposedSaveName();
  int type = 0;
  std::optional<machining::TDocumentRecord> record;
  const platform::FileChoice choice =
      ChooseFileToWrite({"", proposed, SaveFilter(), 1}, [&](const platform::FileChoice& chosen) -> std::string {
        status.refused = true;
        type = chosen.filterIndex;
        if (type < kSaveDocument || type > kSaveDxf) throw platform::Exception(lang::LangStringOr("1018", "Choose a file type to save."));
        // The filter's suffix first, so the question over an existing file is asked of the file really written.
        std::string path = chosen.path;
        if (!std::filesystem::path(path).has_extension()) path += kSaveSuffixes[type - 1];
        // What Open would refuse is said before anything is asked or written.
        record.reset();
        if (type == kSaveDocument) record = RecordToSave();
        if (type == kSaveDxf && !DxfHasEntity()) return {};
        status.refused = false;
        return path;
      });
  const std::string& path = choice.path;
  if (path.empty()) return;
  job_.documentFile = path;
  saveFolder_ = std::filesystem::path(path).parent_path().string();
  Messaggio("");
  switch (type) {
    case kSaveDocument:
      WriteDocument(path, *record);
      break;
    case kSaveStl:
      Scrive_Stl(path);
      break;
    default:
      WriteDrawingDxf(path);
      break;
  }
}

std::string TfrmMain::PictureFolder() const {
  // The dialog's own "*.*" names no picture.
  const std::filesystem::path picture(settings_.fOpen);
  std::error_code error;
  if (picture.has_parent_path() && picture.filename() != "*.*" && std::filesystem::is_directory(picture.parent_path(), error))
    return picture.parent_path().string();
  return UserDocumentsFolder();
}

machining::TDocumentRecord TfrmMain::RecordToSave() {
  if (!job_.workBitmap || job_.workBitmap->Empty())
    throw platform::Exception(
        lang::LangStringOr("1019", "There is no picture to save: open a picture first. No file was written."));
  machining::TDocumentRecord record = AggRecDaForm();
  machining::CheckDocumentRecord(record);
  return record;
}

void TfrmMain::WriteDocument(const std::string& path) { WriteDocument(path, RecordToSave()); }

void TfrmMain::WriteDocument(const std::string& path, const machining::TDocumentRecord& record) {
  {
    WaitCursor wait;
    StatusProgressBar progress(ProgressBar1_);
    machining::WriteDocumentFile(path, *job_.workBitmap, record, progress.Callback());
  }
  setWindowTitle(Q(path + " - " + startCaption_));
  job_.documentFile = path;
  job_.savedDocument = path;
  job_.MarkSaved(machining::JobFingerprint(job_.workBitmap.get(), machining::DocumentRecordBytes(record)));
}

void TfrmMain::Scrive_Stl(const std::string& path) {
  if (!stl_) throw platform::Exception(lang::LangStringOr("1020", "The STL output dialog is missing."));
  if (!stl_->Choose(path)) return;
  // A relief made stale since it was built is built again first, so the file shows the picture as it is.
  BuildReliefIfStale();
  WaitCursor wait;
  StatusProgressBar progress(ProgressBar1_);
  machining::WriteStlFile(path, job_.relief, stl_->Solid(), progress.Callback());
}

bool TfrmMain::DxfHasEntity() {
  // After a plain job the drawing holds the picture alone, which DXF cannot carry: an empty file would
  // look saved, and would replace whatever an earlier one held.
  if (Cad2DHasDxfEntity()) return true;
  platform::CurrentDialogs().Message(
      lang::LangStringOr("1021",
                         "The drawing holds nothing a DXF file can carry: the picture itself is not written to DXF, "
                         "only lines, arcs, circles, curves, vector texts, points and blocks drawn over it. No file "
                         "was written."),
      "", platform::MessageKind::Information, platform::Buttons::Ok);
  return false;
}

}  // namespace app
