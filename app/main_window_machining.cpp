// The NC-file, tool and cutting-parameter pages, and Calculate.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>
#include <filesystem>

#include "app/cut_pictures.h"
#include "app/listing_fill.h"
#include "app/main_window.h"
#include "app/nc_file_name.h"
#include "app/save_target.h"
#include "app/status_progress.h"
#include "app/tool_pictures.h"
#include "app/tool_window.h"
#include "app/wait_cursor.h"
#include "cad/geometry.h"
#include "lang/lang.h"
#include "lang/page_messages.h"
#include "machining/calculate.h"
#include "machining/nc_reader.h"
#include "machining/tool_record.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"
#include "platform/text_measure.h"

namespace app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The program's texts end their lines with CR LF; the listing shows plain lines.
QString ListingText(const std::string& text) {
  QString lines = Q(text);
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return lines;
}

}  // namespace

// --- the computed program goes stale ---

void TfrmMain::TogliAssoc() {
  Get<QPushButton>("sbtNextB6")->setEnabled(false);
  Get<QPushButton>("sbtNcCalc")->setEnabled(true);
  Scene3DClearToolpath();
  job_.relief.parametersChanged = true;
}

// --- NC-file page ---

void TfrmMain::SetNcFileLabel() {
  const platform::FontTextMeasure measure(stxNcFileName_->font());
  stxNcFileName_->setText(Q(machining::FitTextToWidth(measure, job_.nc.ncFileName, lblNomeNcFile_->width())));
}

void TfrmMain::sbtNewNcClick() {
  // The NC-file page's own text while its dialog is open (the slot before it is the point grid's).
  ShowPageStatus(kPageNcFile);
  const std::string name = CleanNcBaseName(settings_.fOpen);
  // The folder last chosen; while it is gone (a drive not mounted) the dialog starts in the user's
  // documents folder, and the setting keeps the folder until the user chooses another.
  std::error_code error;
  const std::string folder =
      !ncFolder_.empty() && std::filesystem::is_directory(ncFolder_, error) ? ncFolder_ : UserDocumentsFolder();
  const std::string extension = writer_.settings.fileExtension;
  const std::string filter = NcFileFilter(lang::LangString("701"), extension);
  const std::string chosen = ChooseFileToWrite(platform::JoinPath(folder, name), filter, extension);
  if (chosen.empty()) {
    // The page's own text comes back: the dialog's prompt belongs to no page.
    ShowPageStatus(kPageNcFile);
    return;
  }
  job_.nc.ncFileName = chosen;
  job_.ncFileChosen = true;
  ncFilesChosen_.insert(chosen);
  ncFolder_ = std::filesystem::path(chosen).parent_path().string() + "/";
  ShowPageStatus(kPageNcFile);
  Get<QPushButton>("sbtNextB4")->setEnabled(true);
  SetNcFileLabel();
  writer_.ResetBlockCounter();
  ricIso_->clear();
  aggTabDatiUt();
  TogliAssoc();
}

void TfrmMain::FillPostProcessorList() {
  const std::string folder = platform::JoinPath(platform::ProgramDir(), "pst");
  cboPostName_->clear();
  for (const std::string& file : platform::ListFilesWithExtension(folder, ".pst"))
    cboPostName_->addItem(Q(platform::BaseNameWithoutExtension(file)));
  const int index = cboPostName_->findText(Q(settings_.pst), Qt::MatchFixedString);
  if (index >= 0) cboPostName_->setCurrentIndex(index);
  else cboPostName_->setCurrentIndex(-1);
  stxPstCommento_->setText(ListingText(writer_.settings.postComment));
}

void TfrmMain::cboPostNameChange() {
  // An empty box names no post-processor: the one loaded stays the job's.
  const std::string name = cboPostName_->currentText().toStdString();
  if (platform::Trim(name).empty()) return;
  settings_.pst = name;
  machining::ReadPostProcessor(platform::ProgramDir(), settings_.pst, writer_);
  stxPstCommento_->setText(ListingText(writer_.settings.postComment));
  TogliAssoc();
}

// --- tool page ---

void TfrmMain::aggTabDatiUt() {
  if (!tool_) return;
  ShowToolSummary();
  if (auto diameter = platform::ParseSingleField(tool_->Find<QLineEdit>("txtDiametro")->text().toStdString()))
    toolRadius_ = *diameter / 2.0f;
  const int type = tool_->Find<QComboBox>("cboTipoUt")->currentIndex();
  tool_->Mostra_Nasconde(type);
  imgTool_->setPixmap(ToolPicture(type));
  if (job_.relief.parametersChanged) TogliAssoc();
}

void TfrmMain::ShowToolSummary() {
  if (!tool_) return;
  auto field = [this](const char* name) { return tool_->Find<QLineEdit>(name)->text(); };
  auto text = [](lang::MessageNumber number) { return Q(lang::LangString(number)); };
  const int type = tool_->Find<QComboBox>("cboTipoUt")->currentIndex();
  Get<QLabel>("nol_lblUtName")->setText(field("txtUtName"));
  Get<QLabel>("nol_lblToolN")->setText(text("707") + QString::number(tool_->Find<QSpinBox>("sedToolNum")->value()));
  Get<QLabel>("nol_lblSpeed")->setText(text("708") + field("txtGiri"));
  Get<QLabel>("nol_lblFeedrate")->setText(text("709") + field("txtFeedrate"));
  Get<QLabel>("nol_lblPlunge")->clear();
  Get<QLabel>("nol_lblToolDia")->setText(text("711") + field("txtDiametro"));
  auto* flat = Get<QLabel>("nol_lblFlat");
  auto* varia = Get<QLabel>("nol_lblVariaUt");
  flat->hide();
  varia->hide();
  switch (type) {
    case machining::kToolBullNose:
    case machining::kToolSpherical:
      varia->setText(text("712") + field("txtC_Raggio"));
      varia->show();
      break;
    case machining::kToolConicalFlat:
    case machining::kToolConicalSpherical:
      varia->setText(text("713") + field("txtAngolo"));
      flat->setText(text(type == machining::kToolConicalFlat ? "714" : "712") + field("txtDiamFlat"));
      varia->show();
      flat->show();
      break;
    default:
      break;
  }
}

void TfrmMain::sbtSelecToolClick() {
  if (!tool_) return;
  tool_->SetInches(Inches());
  tool_->exec();
  if (tool_->Confirmed()) aggTabDatiUt();
  tool_->SetCompactMode(false);
}

void TfrmMain::sbtEditToolClick() {
  if (!tool_) return;
  tool_->SetCompactMode(true);
  sbtSelecToolClick();
}

// --- cutting-parameter page ---

void TfrmMain::ShowCutPicture(int resource) {
  cutPicture_ = resource;
  imgCutPar_->setPixmap(CutParameterPicture(resource));
}

namespace {
int AnglePicture(bool rows0, bool rows90) { return rows0 && rows90 ? 108 : rows90 ? 107 : rows0 ? 106 : 109; }
}  // namespace

void TfrmMain::chkOrizzontaleClick() {
  TogliAssoc();
  ShowCutPicture(AnglePicture(chkOrizzontale_->isChecked(), chkVerticale_->isChecked()));
}

void TfrmMain::chkVerticaleClick() {
  TogliAssoc();
  ShowCutPicture(AnglePicture(chkOrizzontale_->isChecked(), chkVerticale_->isChecked()));
}

void TfrmMain::chkCutColorClick() {
  TogliAssoc();
  const bool on = chkCutColor_->isChecked();
  for (const char* name : {"btnZNC", "txtFiltroZNC", "lblZNC", "sbtZNCRegen"}) Get<QWidget>(name)->setEnabled(on);
  const bool picked = std::fabs(job_.zNoCutHeight - machining::kZNoCutNone) > cad::GeometryTolerance();
  if (on && picked) {
    job_.zNoCutOn = true;
    btnZNC_->setText(QStringLiteral(" Z ") + Q(Formatta(job_.zNoCutHeight)));
  } else {
    job_.zNoCutOn = false;
    btnZNC_->setText(Q(lang::LangString("753")));
  }
  Scene3DRebuildSurface();
}

void TfrmMain::btnZNCClick() {
  TogliAssoc();
  modo3d(false, false);
  mode_ = 58;
  Prg2DStartPointPick();
  // The pick has a prompt of its own: no page's status text is about it.
  Messaggio(lang::LangStringOr("1650", "Z no cut: click the point whose height is left uncut."));
}

void TfrmMain::sbtZNCRegenClick() { Scene3DRebuildSurface(); }

void TfrmMain::txtFiltroZNCChange() {
  if (!job_.relief.parametersChanged) TogliAssoc();
}

void TfrmMain::grpZNCExit() { ShowPageStatus(kPageCutting); }

// --- Calculate ---

void TfrmMain::FillJobFromToolWindow() {
  if (!tool_) throw platform::Exception(lang::LangStringOr("1005", "There is no tool window to take the tool from."));
  auto field = [this](const char* name) { return tool_->Find<QLineEdit>(name)->text().toStdString(); };
  job_.nc.toolNumber = tool_->Find<QSpinBox>("sedToolNum")->value();
  job_.nc.toolName = field("txtUtName");
  job_.nc.spindleSpeedText = field("txtGiri");
  job_.nc.feedRateText = field("txtFeedrate");
  job_.nc.plungeRateText = field("txtPlungeRate");
}

bool TfrmMain::scrive_nci() {
  FillJobFromToolWindow();
  // A page reached past the Next buttons (Ctrl+Tab) has not built the relief: build it now.
  BuildReliefIfStale();
  auto text = [](const QLineEdit* e) { return e->text().toStdString(); };
  auto toolField = [this](const char* name) { return tool_->Find<QLineEdit>(name)->text().toStdString(); };
  machining::CalculateFields fields;
  fields.feedPlane = text(txtFeedPlane_);
  fields.maxStepover = text(txtIncXY_);
  fields.toolDiameter = toolField("txtDiametro");
  fields.toolType = tool_->Find<QComboBox>("cboTipoUt")->currentIndex();
  fields.depthCuts = std::to_string(sedPass_Z_->value());
  fields.zStep = text(txtAspor_Z_);
  fields.stockToLeave = text(txtStock_);
  fields.filterTolerance = text(txtFilter_);
  fields.cornerRadius = toolField("txtC_Raggio");
  fields.flatDiameter = toolField("txtDiamFlat");
  fields.taperAngle = toolField("txtAngolo");
  fields.rows0 = chkOrizzontale_->isChecked();
  fields.rows90 = chkVerticale_->isChecked();
  fields.zNoCut = job_.zNoCutOn;
  fields.zNoCutHeight = job_.zNoCutHeight;
  fields.zNoCutTolerance = job_.zNoCutTolerance;
  fields.postProcessor = settings_.pst;

  // Everything that refuses the job does so before the user is asked anything.
  machining::CheckPostProcessorFits(fields.postProcessor, writer_);
  const machining::CalculateParameters parameters = machining::ReadCalculateParameters(fields, job_.nc);
  const std::string warning = machining::StepoverWarning(parameters, Inches());
  if (!warning.empty() && platform::CurrentDialogs().Message(warning, "", platform::MessageKind::Warning,
                                                             platform::Buttons::YesNo) != platform::Answer::Yes)
    return false;
  // A name a document brought that the user has not chosen this session is never written unasked,
  // whether a file of that name exists or not.
  if (!job_.ncFileChosen && !job_.nc.ncFileName.empty()) {
    if (!ncFilesChosen_.contains(job_.nc.ncFileName) && !ConfirmDocumentNcFile(job_.nc.ncFileName)) return false;
    job_.ncFileChosen = true;
    ncFilesChosen_.insert(job_.nc.ncFileName);
  }

  machining::CalculateResult result;
  std::string listingError;
  {
    // The bar and the hourglass last until the listing is filled: with a long program that is the
    // longest part of the work.
    WaitCursor wait;
    StatusProgressBar progress(ProgressBar1_, 0);
    machining::CalculateCallbacks callbacks;
    callbacks.clearPath = [this] { Scene3DClearToolpath(); };
    callbacks.drawMove = [this](bool rapid, float x, float y, float z) { Scene3DAddToolpathNode(rapid, x, y, z); };
    callbacks.progress = progress.Callback();
    result = platform::OutOfMemoryAs(
        lang::LangStringOr("1782", "There is not enough memory to calculate the NC program."),
        [&] { return machining::Calculate(parameters, job_.relief, writer_, job_.nc, callbacks); });
    // The listing holds the program even when the file could not take it; a listing that does not
    // fit in memory is left empty, and the file written stays.
    try {
      FillListing(*ricIso_, result.ncText, memoryHeadroom_, progress.Callback());
      // The status followed the pieces as they went in; the caret is back at the top.
      ShowListingStatus(ricIso_->textCursor().blockNumber());
    } catch (const platform::OutOfMemory& error) {
      listingError = error.what();
    }
  }
  if (!result.fileWritten) throw platform::FileError(lang::LangFormatOr("1022", "The NC file could not be written: %1", {result.fileError}));
  if (result.seconds) {
    Scene3DShowText(lang::LangString("754") + result.timeText);
    job_.timeShown = true;
  } else {
    Scene3DShowText("");
    job_.timeShown = false;
  }
  if (!listingError.empty())
    throw platform::OutOfMemory(listingError + " " +
                                lang::LangFormatOr("1783", "The NC file was written and is kept: %1", {job_.nc.ncFileName}));
  return true;
}

void TfrmMain::sbtNcCalcClick() {
  platform::ForceCNumericLocale();
  platform::RunGuarded([this] {
    if (!scrive_nci()) return;
    Get<QPushButton>("sbtNextB6")->setEnabled(true);
    Get<QPushButton>("sbtNcCalc")->setEnabled(false);
    job_.relief.parametersChanged = false;
    job_.programComputed = true;
  });
}

}  // namespace app
