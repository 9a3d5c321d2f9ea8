// Opening a picture and the steps of the image pages the wizard walks through: the reference point,
// the depths and building the relief. The size and image-edit pages complete this.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "app/main_window.h"
#include "app/wait_cursor.h"
#include "lang/lang.h"
#include "machining/image_helpers.h"
#include "machining/nc_words.h"
#include "platform/bmp.h"
#include "platform/dialogs.h"
#include "platform/jpeg.h"
#include "platform/numbers.h"

namespace app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr const char* kOpenFilter = "Image files (*.bmp *.jpg *.jpeg *.BMP *.JPG *.JPEG);;Velkora files (*.qvx *.QVX)";

// The shading resolution of the 3D surface for a picture of that size.
const char* ShadingResolution(int width, int height) {
  if (width <= 500 && height <= 500) return "rbtShResFine";
  if (width <= 500 && height <= 1000) return "rbtShResMedium";
  if (width > 500 && width <= 1000 && height <= 1000) return "rbtShResMedium";
  return "rbtShResCoarse";
}

// 1- and 4-bit pictures become 8 bits, 16-bit ones 24 bits: the image edits work on whole bytes.
void NormalisePixelFormat(std::unique_ptr<platform::Bitmap>& bitmap) {
  if (!bitmap || bitmap->Empty()) return;
  const int bits = bitmap->BitsPerPixel();
  if (bits == 1 || bits == 4) *bitmap = platform::ConvertPixelFormat(*bitmap, 8);
  else if (bits == 16) *bitmap = platform::ConvertPixelFormat(*bitmap, 24);
}

}  // namespace

void TfrmMain::sbtOpenClick() {
  platform::ForceCNumericLocale();
  // (Clearing a job whose drawing is not empty, with "452", belongs here with the document commands.)
  Scene3DShowTool(false);
  Messaggio(lang::LangString("400"));
  const std::string start = openDialogFile_.empty() ? openDialogDir_ : openDialogFile_;
  const std::string path = platform::CurrentDialogs().OpenFileName("", start, kOpenFilter);
  if (path.empty()) return;
  WaitCursor wait;
  const std::string extension = platform::ToUpperAscii(std::filesystem::path(path).extension().string());
  const bool bmp = extension == ".BMP";
  const bool jpeg = extension == ".JPG" || extension == ".JPEG";
  // Documents (".QVX") are opened by the document commands; until then they count as unknown here.
  if (!bmp && !jpeg) {
    platform::CurrentDialogs().Message(lang::LangString("401"), "", platform::MessageKind::Warning,
                                       platform::Buttons::Ok);
    return;
  }
  LoadImageFile(path, jpeg);
  setWindowTitle(Q(path + " - " + startCaption_));
  Get<QPushButton>("sbtDimApply")->setEnabled(false);
  Get<QPushButton>("sbtNextB1")->setEnabled(true);
  referenceCode_ = 0;
  dxfRotation_ = 0;
  AbilitaBt3d(false);
  zNoCutHeight_ = machining::kZNoCutNone;
  chkCutColor_->setChecked(false);
  Get<QRadioButton>(ShadingResolution(workBitmap_->Width(), workBitmap_->Height()))->setChecked(true);
}

void TfrmMain::LoadImageFile(const std::string& path, bool jpeg) {
  // In every case, also when reading fails, the working bitmap leaves in a format of whole bytes.
  struct Normalise {
    std::unique_ptr<platform::Bitmap>& bitmap;
    ~Normalise() { NormalisePixelFormat(bitmap); }
  } normalise{workBitmap_};

  // The new picture is read and measured before anything of the current job goes: a file that cannot
  // be read leaves the picture the user had.
  auto bitmap = std::make_unique<platform::Bitmap>(jpeg ? platform::ReadJpegFile(path) : platform::ReadBmpFile(path));
  int dpi = 0;
  if (jpeg) {
    int dpiY = 0;
    if (!machining::ReadJpegDensity(path, dpi, dpiY)) dpi = 0;
  } else {
    dpi = machining::ReadBmpInfo(path).dpiX;
  }
  machining::CheckReliefPictureSize(bitmap->Width(), bitmap->Height());

  settings_.fOpen = path;
  openDialogFile_ = path;
  openDialogDir_ = std::filesystem::path(path).parent_path().string();
  secondBitmap_.reset();
  workBitmap_ = std::move(bitmap);
  resolutionDpi_ = dpi;
  const int bits = workBitmap_->BitsPerPixel();
  bitDepthText_ = std::to_string(bits == 15 ? 16 : bits) + " bit";
  pixelKind_ = bits <= 4 ? 0 : bits == 8 ? 1 : 3;
  machining::SetReliefSizeFromBitmap(relief_, *workBitmap_, dpi, Inches());
  // The reference point starts at the lower-left corner; its click runs even when it was checked.
  auto* lowerLeft = Get<QRadioButton>("rbtOrigine1");
  const bool blocked = lowerLeft->blockSignals(true);
  lowerLeft->setChecked(true);
  lowerLeft->blockSignals(blocked);
  rbtOrigineClick();

  FillInfoTree();
  stockBox_ = machining::ImpostaBoxLimite(relief_);
  Scene3DPlaceStockBox(stockBox_);
  SetUpdating(true);
  txtVecLarg_->setText(Q(Formatta(relief_.width)));
  txtVecAlt_->setText(Q(Formatta(relief_.height)));
  SetUpdating(false);
  Get<QRadioButton>("rbtOriginDxf")->hide();
  Get<QGroupBox>("grpDxfRotate")->hide();
  Get<QLabel>("nol_lblUnita1")->setText(cboUnits_->currentText());
  Get<QLabel>("nol_lblUnita2")->setText(cboUnits_->currentText());

  PlaceImage(true);
  secondBitmap_ = std::make_unique<platform::Bitmap>();
  savedGridX_ = view2d_.gridDeltaX;
  savedGridY_ = view2d_.gridDeltaY;
  view2d_.gridDeltaX = view2d_.gridDeltaY = Inches() ? 1.0 : 10.0;
  view2d_.showGrid = sbtGridOnOff_->isChecked();
  view2d_.showAxes = sbtAxisOnOff_->isChecked();
  View2DApply();

  // A new picture starts in 2D on the first wizard page.
  modo3d(false, false);
  VisPagine({kPageDimension, kPageReference, kPageDepth, kPageNcFile, kPageTool, kPageCutting});
  SetActivePage(kPageDimension);
  AbilitaPnl(true, true);
  sbtSave_->setEnabled(false);
  View2DRepaint();
}

void TfrmMain::FillInfoTree() {
  treInfoRas_->clear();
  auto* root = new QTreeWidgetItem(treInfoRas_, {Q(lang::LangString("118"))});
  const std::string fileName = std::filesystem::path(settings_.fOpen).filename().string();
  const std::pair<const char*, std::string> rows[] = {
      {"110", fileName},
      {"111", std::to_string(relief_.columns)},
      {"112", std::to_string(relief_.rows)},
      {"113", bitDepthText_},
      {"114", std::to_string(resolutionDpi_)},
  };
  for (const auto& [number, value] : rows) new QTreeWidgetItem(root, {Q(lang::LangString(number) + value)});
  treInfoRas_->expandAll();
}

void TfrmMain::PlaceImage(bool zoom) {
  if (!workBitmap_) return;
  const int remembered = currentLayer_;
  Cad2DSetCurrentLayer(0);
  Cad2DPlaceImage(*workBitmap_, relief_);
  if (zoom) View2DZoomExtent();
  View2DRepaint();
  // Drawing commands go to layer 1 unless the user chose another.
  currentLayer_ = remembered == 0 ? 1 : remembered;
  Cad2DSetCurrentLayer(currentLayer_);
}

void TfrmMain::rbtOrigineClick() {
  if (updating_) return;
  int code = 0;
  for (const char* name : {"rbtOrigine1", "rbtOrigine2", "rbtOrigine3", "rbtOrigine4", "rbtOrigine0"}) {
    auto* button = Get<QRadioButton>(name);
    if (button->isChecked()) code = button->property("Tag").toInt();
  }
  if (code == 0) return;
  referenceCode_ = code;
  Get<QPushButton>("sbtNextB2")->setEnabled(true);
  sbtSave_->setEnabled(false);
  const float w = relief_.width, h = relief_.height;
  float x = 0.0f, y = 0.0f;
  switch (code) {
    case 2: y = -h; break;
    case 3: x = -w; y = -h; break;
    case 4: x = -w; break;
    case 5: x = -w / 2.0f; y = -h / 2.0f; break;
    default: break;
  }
  Cad2DTranslateAll(x - relief_.originX, y - relief_.originY);
  view2d_.windowX1 += x - relief_.originX;
  view2d_.windowX2 += x - relief_.originX;
  view2d_.windowY1 += y - relief_.originY;
  view2d_.windowY2 += y - relief_.originY;
  View2DApply();
  relief_.originX = x;
  relief_.originY = y;
  SetUpdating(true);
  // + 0.0 turns the -0 of a zero origin into 0.
  txtOriginX_->setText(Q(machining::FormatPlainNumber(-x + 0.0, Inches())));
  txtOriginY_->setText(Q(machining::FormatPlainNumber(-y + 0.0, Inches())));
  SetUpdating(false);
  if (workBitmap_) {
    stockBox_ = machining::ImpostaBoxLimite(relief_);
    Scene3DPlaceStockBox(stockBox_);
  }
}

namespace {
// A depth field's value: none for a text that is no number ("-" or "." alone, a typo).
std::optional<float> DepthValue(const QLineEdit* field) {
  const std::string text = field->text().toStdString();
  if (text.empty() || text == "-" || text == ".") return std::nullopt;
  auto value = platform::ParseDouble(text);
  if (!value) return std::nullopt;
  return static_cast<float>(*value);
}
}  // namespace

void TfrmMain::DepthChanged(const QLineEdit* field, void (*set)(machining::ReliefModel&, float)) {
  const auto value = DepthValue(field);
  if (!value) return;
  set(relief_, *value);
  Get<QPushButton>("sbtNextB3")->setEnabled(false);
  sbtSave_->setEnabled(false);
  Get<QPushButton>("sbtProfApply")->setEnabled(true);
}

void TfrmMain::txtWhiteDChange() { DepthChanged(txtWhiteD_, machining::SetWhiteDepth); }

void TfrmMain::txtBlackDChange() { DepthChanged(txtBlackD_, machining::SetBlackDepth); }

void TfrmMain::sbtProfApplyClick() {
  if (relief_.gridStale) ApplyReliefBuild(machining::ElaboraImmagine(relief_, workBitmap_.get(), false));
  stockBox_.positionZ = relief_.zWhite - relief_.depth / 2.0f;
  stockBox_.cubeDepth = relief_.depth;
  Scene3DPlaceStockBox(stockBox_);
  Scene3DRebuildSurface();
  Get<QPushButton>("sbtNextB3")->setEnabled(true);
  sbtSave_->setEnabled(true);
  Get<QPushButton>("sbtProfApply")->setEnabled(false);
}

void TfrmMain::ApplyReliefBuild(const machining::ReliefBuild& build) {
  if (build.invalidateProgram) TogliAssoc();
  if (build.rebuildSurface) Scene3DRebuildSurface();
  if (build.reliefReady) {
    Get<QPushButton>("sbtProfApply")->setEnabled(false);
    Get<QPushButton>("sbtNextB3")->setEnabled(true);
    sbtSave_->setEnabled(true);
  }
}

}  // namespace app
