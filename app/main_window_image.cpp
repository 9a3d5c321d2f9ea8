// Opening a picture and the image pages: size, image edits, reference point, depths and building
// the relief.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <cmath>
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

// 1- and 4-bit pictures become 8 bits, 16-bit ones (5-5-5 or 5-6-5) 24 bits: the image edits work on
// whole bytes.
void NormalisePixelFormat(std::unique_ptr<platform::Bitmap>& bitmap) {
  if (!bitmap || bitmap->Empty()) return;
  const int bits = bitmap->BitsPerPixel();
  if (bits == 1 || bits == 4) *bitmap = platform::ConvertPixelFormat(*bitmap, 8);
  else if (bits == 15 || bits == 16) *bitmap = platform::ConvertPixelFormat(*bitmap, 24);
}

}  // namespace

void TfrmMain::LoadImageFile(const std::string& path, bool jpeg) { ShowPicture(path, ReadPicture(path, jpeg)); }

TfrmMain::Picture TfrmMain::ReadPicture(const std::string& path, bool jpeg) {
  Picture picture;
  picture.bitmap = std::make_unique<platform::Bitmap>(jpeg ? platform::ReadJpegFile(path) : platform::ReadBmpFile(path));
  if (jpeg) {
    int dpiY = 0;
    if (!machining::ReadJpegDensity(path, picture.dpi, dpiY)) picture.dpi = 0;
  } else {
    picture.dpi = machining::ReadBmpInfo(path).dpiX;
  }
  machining::CheckReliefPictureSize(picture.bitmap->Width(), picture.bitmap->Height());
  return picture;
}

void TfrmMain::ShowPicture(const std::string& path, Picture picture) {
  // In every case, also when showing fails, the working bitmap leaves in a format of whole bytes.
  struct Normalise {
    std::unique_ptr<platform::Bitmap>& bitmap;
    ~Normalise() { NormalisePixelFormat(bitmap); }
  } normalise{job_.workBitmap};

  settings_.fOpen = path;
  openDialogFile_ = path;
  openDialogDir_ = std::filesystem::path(path).parent_path().string();
  job_.secondBitmap.reset();
  job_.workBitmap = std::move(picture.bitmap);
  resolutionDpi_ = picture.dpi;
  const int bits = job_.workBitmap->BitsPerPixel();
  bitDepthText_ = std::to_string(bits == 15 ? 16 : bits) + " bit";
  pixelKind_ = bits <= 4 ? 0 : bits == 8 ? 1 : 3;
  machining::SetReliefSizeFromBitmap(job_.relief, *job_.workBitmap, picture.dpi, Inches());
  // The reference point starts at the lower-left corner; its click runs even when it was checked.
  auto* lowerLeft = Get<QRadioButton>("rbtOrigine1");
  const bool blocked = lowerLeft->blockSignals(true);
  lowerLeft->setChecked(true);
  lowerLeft->blockSignals(blocked);
  rbtOrigineClick();

  FillInfoTree();
  ResizeReliefBox();
  ShowSizeFields();
  SetCropAreaReady(false);
  originPickArmed_ = false;
  Get<QRadioButton>("rbtOriginDxf")->hide();
  Get<QGroupBox>("grpDxfRotate")->hide();
  ShowUnitWord();

  PlaceImage(true);
  job_.secondBitmap = std::make_unique<platform::Bitmap>();
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

namespace {
// An information row keeps its number and value, so a change of language can write its words again.
constexpr int kInfoNumberRole = Qt::UserRole;
constexpr int kInfoValueRole = Qt::UserRole + 1;
}  // namespace

void TfrmMain::FillInfoTree() {
  treInfoRas_->clear();
  auto* root = new QTreeWidgetItem(treInfoRas_);
  root->setData(0, kInfoNumberRole, QStringLiteral("118"));
  const std::string fileName = std::filesystem::path(settings_.fOpen).filename().string();
  const std::pair<const char*, std::string> rows[] = {
      {"110", fileName},
      {"111", std::to_string(job_.relief.columns)},
      {"112", std::to_string(job_.relief.rows)},
      {"113", bitDepthText_},
      {"114", std::to_string(resolutionDpi_)},
  };
  for (const auto& [number, value] : rows) {
    auto* item = new QTreeWidgetItem(root);
    item->setData(0, kInfoNumberRole, QString::fromLatin1(number));
    item->setData(0, kInfoValueRole, Q(value));
  }
  ShowInfoTreeWords();
  treInfoRas_->expandAll();
}

void TfrmMain::ShowInfoTreeWords() {
  for (QTreeWidgetItemIterator it(treInfoRas_); *it; ++it) {
    const std::string number = (*it)->data(0, kInfoNumberRole).toString().toStdString();
    if (!number.empty()) (*it)->setText(0, Q(lang::LangString(number)) + (*it)->data(0, kInfoValueRole).toString());
  }
}

void TfrmMain::PlaceImage(bool zoom) {
  if (!job_.workBitmap) return;
  const int remembered = currentLayer_;
  Cad2DSetCurrentLayer(0);
  Cad2DPlaceImage(*job_.workBitmap, job_.relief);
  if (zoom) View2DZoomExtent();
  View2DRepaint();
  // Drawing commands go to layer 1 unless the user chose another.
  currentLayer_ = remembered == 0 ? 1 : remembered;
  Cad2DSetCurrentLayer(currentLayer_);
  auto* layers = Get<QComboBox>("cboCurrentLayer");
  const bool blocked = layers->blockSignals(true);
  layers->setCurrentIndex(currentLayer_);
  layers->blockSignals(blocked);
  ForgetPlacedFields();
}

// --- page 44, size ---

namespace {

// A size field's value: a positive number, or none.
std::optional<float> PositiveValue(const QLineEdit* field) {
  const auto value = platform::ParseSingleField(field->text().toStdString(), platform::FieldRange::Positive);
  // A size the relief could not span (its pitch and extents overflow), or one shown as "0", is no size.
  if (!value || !machining::IsReliefSize(*value)) return std::nullopt;
  return value;
}

}  // namespace

bool TfrmMain::SizeFieldsValid() const { return PositiveValue(txtVecLarg_) && PositiveValue(txtVecAlt_); }

void TfrmMain::ShowSizeFields() {
  SetUpdating(true);
  txtVecLarg_->setText(Q(Formatta(job_.relief.width)));
  txtVecAlt_->setText(Q(Formatta(job_.relief.height)));
  SetUpdating(false);
}

void TfrmMain::ResizeReliefBox() {
  if (!job_.workBitmap) return;
  stockBox_ = machining::ImpostaBoxLimite(job_.relief);
  Scene3DPlaceStockBox(stockBox_);
}

void TfrmMain::SizeChanged() {
  // The origin of a reference corner depends on the size: it must be chosen again.
  togliChk();
  ResizeReliefBox();
}

void TfrmMain::SizeFieldChange(bool width) {
  if (updating_ || !job_.workBitmap) return;
  KeepPlacedFields();
  Get<QPushButton>("sbtNextB1")->setEnabled(false);
  const auto value = PositiveValue(width ? txtVecLarg_ : txtVecAlt_);
  if (!value) {
    Get<QPushButton>("sbtDimApply")->setEnabled(false);
    return;
  }
  const float columns = static_cast<float>(job_.relief.columns), rows = static_cast<float>(job_.relief.rows);
  (width ? job_.relief.width : job_.relief.height) = *value;
  if (Get<QCheckBox>("chkRatio")->isChecked()) {
    if (width) job_.relief.height = job_.relief.width / columns * rows;
    else job_.relief.width = job_.relief.height / rows * columns;
    SetUpdating(true);
    (width ? txtVecAlt_ : txtVecLarg_)->setText(Q(Formatta(width ? job_.relief.height : job_.relief.width)));
    SetUpdating(false);
  }
  job_.relief.unitsPerPixel = job_.relief.width / (columns - 1.0f);
  Get<QPushButton>("sbtDimApply")->setEnabled(SizeFieldsValid());
  SizeChanged();
}

void TfrmMain::txtVecLargChange() { SizeFieldChange(true); }

void TfrmMain::txtVecAltChange() { SizeFieldChange(false); }

void TfrmMain::ApplySize() {
  // The fields show the extent the relief is made with (one pitch both ways).
  machining::FitHeightToPitch(job_.relief);
  ShowSizeFields();
  ResizeReliefBox();
}

void TfrmMain::SizeFieldEnter() {
  if (!job_.workBitmap || !SizeFieldsValid()) return;
  if (!MayDropDrawnWork()) return RestorePlacedFields();
  ApplySize();
  PlaceImage(true);
  Get<QPushButton>("sbtNextB1")->setEnabled(true);
  Get<QPushButton>("sbtDimApply")->setEnabled(false);
}

void TfrmMain::chkRatioClick() {
  auto* ratio = Get<QCheckBox>("chkRatio");
  if (updating_ || !job_.workBitmap || !ratio->isChecked() || !PositiveValue(txtVecLarg_)) return;
  if (!MayDropDrawnWork()) {
    // The click is taken back: nothing else had changed yet.
    const bool blocked = ratio->blockSignals(true);
    ratio->setChecked(false);
    ratio->blockSignals(blocked);
    return;
  }
  job_.relief.height = job_.relief.width / static_cast<float>(job_.relief.columns) * static_cast<float>(job_.relief.rows);
  SetUpdating(true);
  txtVecAlt_->setText(Q(Formatta(job_.relief.height)));
  SetUpdating(false);
  PlaceImage(true);
  SizeChanged();
}

void TfrmMain::sbtDimApplyClick() {
  if (!job_.workBitmap || !SizeFieldsValid()) return;
  if (!MayDropDrawnWork()) return RestorePlacedFields();
  ApplySize();
  Cad2DClearObjects();
  PlaceImage(true);
  Get<QPushButton>("sbtNextB1")->setEnabled(true);
  Get<QPushButton>("sbtDimApply")->setEnabled(false);
}

void TfrmMain::sbtModifyClick() {
  VisPagine({kPageImageEdit});
  entityEdit_ = true;
  Prg2DStartCropRectangle();
  SetCropAreaReady(false);
}

// --- page 43, image edits ---

void TfrmMain::SetCropAreaReady(bool ready) {
  cropAreaReady_ = ready;
  Get<QPushButton>("sbtCutSel")->setEnabled(ready);
}

void TfrmMain::InfoCut(double x1, double y1, double x2, double y2) {
  cropBox_ = machining::InfoCut(job_.relief, x1, y1, x2, y2, Inches());
  Get<QLineEdit>("txtCutDx")->setText(Q(cropBox_.widthText));
  Get<QLineEdit>("txtCutDy")->setText(Q(cropBox_.heightText));
  Get<QLineEdit>("txtPixelW")->setText(Q(cropBox_.columnsText));
  Get<QLineEdit>("txtPixelH")->setText(Q(cropBox_.rowsText));
}

bool TfrmMain::BeginImageEdit() {
  // Asked before anything changes: a cancelled edit leaves the crop rectangle picked too.
  if (job_.workBitmap && !MayDropDrawnWork()) return false;
  SetCropAreaReady(false);
  return job_.workBitmap != nullptr;
}

void TfrmMain::ImageEdited(bool sizeChanged) {
  PlaceImage(false);
  if (sizeChanged) {
    ShowSizeFields();
    FillInfoTree();
    ResizeReliefBox();
    // The chosen reference corner moves with the new size.
    rbtOrigineClick();
  }
  // The relief and the NC program were made from the picture as it was.
  MarkReliefStale();
}

void TfrmMain::MarkReliefStale() {
  job_.relief.gridStale = true;
  Get<QPushButton>("sbtNextB3")->setEnabled(false);
  Get<QPushButton>("sbtProfApply")->setEnabled(true);
  sbtSave_->setEnabled(false);
}

void TfrmMain::sbtFlipHClick() {
  if (!BeginImageEdit()) return;
  machining::FlipHorizontal(*job_.workBitmap);
  ImageEdited(false);
}

void TfrmMain::sbtFlipVClick() {
  if (!BeginImageEdit()) return;
  machining::FlipVertical(*job_.workBitmap);
  ImageEdited(false);
}

void TfrmMain::sbtRotateClick() {
  if (!BeginImageEdit()) return;
  machining::Rotate90(*job_.workBitmap);
  std::swap(job_.relief.width, job_.relief.height);
  std::swap(job_.relief.columns, job_.relief.rows);
  ImageEdited(true);
}

void TfrmMain::sbt2GrayClick() {
  if (!BeginImageEdit()) return;
  machining::MakeGreyPaletteBitmap(*job_.workBitmap, job_.workBitmap->Height(), job_.workBitmap->Width(), false);
  bitDepthText_ = machining::MakeEightBit(*job_.workBitmap);
  pixelKind_ = 1;
  FillInfoTree();
  ImageEdited(false);
}

void TfrmMain::sbtCutSelClick() {
  const bool picked = cropAreaReady_;
  SetCropAreaReady(false);
  if (!picked || !job_.workBitmap || job_.relief.unitsPerPixel <= 0.0f) return;
  const double perPixel = job_.relief.unitsPerPixel;
  const int64_t columns = job_.relief.columns, rows = job_.relief.rows;
  // The rectangle in pixels, cut to the picture.
  const int64_t firstColumn = platform::Round(cropBox_.originX / perPixel);
  const int64_t firstRow = rows - platform::Round(cropBox_.originY / perPixel);
  const int64_t left = std::clamp<int64_t>(firstColumn, 0, columns);
  const int64_t top = std::clamp<int64_t>(firstRow, 0, rows);
  const int64_t right = std::clamp<int64_t>(firstColumn + cropBox_.columns, 0, columns);
  const int64_t bottom = std::clamp<int64_t>(firstRow + cropBox_.rows, 0, rows);
  const int width = static_cast<int>(right - left), height = static_cast<int>(bottom - top);
  if (width < machining::kMinReliefPixels || height < machining::kMinReliefPixels) {
    platform::CurrentDialogs().Message(
        lang::LangStringOr("1030", "The rectangle must lie on the picture and cover at least 2 x 2 pixels; nothing was cut."),
        "",
        platform::MessageKind::Warning, platform::Buttons::Ok);
    return;
  }
  if (!MayDropDrawnWork()) return SetCropAreaReady(true);
  if (!job_.secondBitmap) job_.secondBitmap = std::make_unique<platform::Bitmap>();
  machining::CropBitmap(*job_.workBitmap, *job_.secondBitmap, static_cast<int>(left), static_cast<int>(top), width, height);
  // The cut part stays where it lay, then the reference point goes back to its lower-left corner.
  job_.relief.originX += static_cast<float>(left * perPixel);
  job_.relief.originY += static_cast<float>((rows - top - height) * perPixel);
  job_.relief.columns = width;
  job_.relief.rows = height;
  job_.relief.width = static_cast<float>(perPixel * (width - 1));
  job_.relief.height = static_cast<float>(perPixel * (height - 1));
  *job_.workBitmap = *job_.secondBitmap;
  auto* lowerLeft = Get<QRadioButton>("rbtOrigine1");
  const bool blocked = lowerLeft->blockSignals(true);
  lowerLeft->setChecked(true);
  lowerLeft->blockSignals(blocked);
  ImageEdited(true);
}

// --- page 45, reference point ---

void TfrmMain::rbtOrigineClick() {
  if (updating_) return;
  int code = 0;
  for (const char* name : {"rbtOrigine1", "rbtOrigine2", "rbtOrigine3", "rbtOrigine4", "rbtOrigine0"}) {
    auto* button = Get<QRadioButton>(name);
    if (button->isChecked()) code = button->property("Tag").toInt();
  }
  if (code == 0) return;
  job_.referenceCode = code;
  Get<QPushButton>("sbtNextB2")->setEnabled(true);
  sbtSave_->setEnabled(false);
  const float w = job_.relief.width, h = job_.relief.height;
  float x = 0.0f, y = 0.0f;
  switch (code) {
    case 2: y = -h; break;
    case 3: x = -w; y = -h; break;
    case 4: x = -w; break;
    case 5: x = -w / 2.0f; y = -h / 2.0f; break;
    default: break;
  }
  Cad2DTranslateAll(x - job_.relief.originX, y - job_.relief.originY);
  ShiftViewWindow(x - job_.relief.originX, y - job_.relief.originY);
  ForgetPlacedFields();
  job_.relief.originX = x;
  job_.relief.originY = y;
  SetUpdating(true);
  // + 0.0 turns the -0 of a zero origin into 0.
  txtOriginX_->setText(Q(machining::FormatPlainNumber(-x + 0.0, Inches())));
  txtOriginY_->setText(Q(machining::FormatPlainNumber(-y + 0.0, Inches())));
  SetUpdating(false);
  ResizeReliefBox();
}

void TfrmMain::ShiftViewWindow(double dx, double dy) {
  view2d_.windowX1 += dx;
  view2d_.windowX2 += dx;
  view2d_.windowY1 += dy;
  view2d_.windowY2 += dy;
  View2DApply();
}

void TfrmMain::txtOriginChange() {
  if (updating_) return;
  KeepPlacedFields();
  togliChk();
}

namespace {
// The origin the reference fields give (the fields show the origin with its sign changed).
std::optional<std::pair<float, float>> OriginOf(const QLineEdit* x, const QLineEdit* y) {
  const auto valueX = platform::ParseSingleField(x->text().toStdString());
  const auto valueY = platform::ParseSingleField(y->text().toStdString());
  if (!valueX || !valueY) return std::nullopt;
  return std::pair{-*valueX, -*valueY};
}
}  // namespace

bool TfrmMain::OriginFieldEnter() {
  const auto origin = OriginOf(txtOriginX_, txtOriginY_);
  if (!origin || !job_.workBitmap) return false;
  if (!MayDropDrawnWork()) {
    RestorePlacedFields();
    return false;
  }
  job_.relief.originX = origin->first;
  job_.relief.originY = origin->second;
  Cad2DClearObjects();
  PlaceImage(true);
  ResizeReliefBox();
  return true;
}

void TfrmMain::sbtSetOriginClick() { originPickArmed_ = true; }

void TfrmMain::sbtOrigineApplyClick() {
  if (!OriginFieldEnter()) return;
  Get<QPushButton>("sbtNextB2")->setEnabled(true);
  Get<QPushButton>("sbtOrigineApply")->setEnabled(false);
}

void TfrmMain::togliChk() {
  for (const char* name : {"rbtOriginDxf", "rbtOrigine0", "rbtOrigine1", "rbtOrigine2", "rbtOrigine3", "rbtOrigine4"}) {
    auto* button = Get<QRadioButton>(name);
    // A checked radio button of a group unchecks only outside its group's exclusivity.
    const bool blocked = button->blockSignals(true);
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
    button->blockSignals(blocked);
  }
  Get<QPushButton>("sbtNextB2")->setEnabled(false);
  sbtSave_->setEnabled(false);
  Get<QPushButton>("sbtOrigineApply")->setEnabled(true);
}

void TfrmMain::OrigineRast(double x, double y) {
  SetUpdating(true);
  job_.relief.originX = static_cast<float>(job_.relief.originX - x);
  job_.relief.originY = static_cast<float>(job_.relief.originY - y);
  txtOriginX_->setText(Q(Formatta(-job_.relief.originX + 0.0)));
  txtOriginY_->setText(Q(Formatta(-job_.relief.originY + 0.0)));
  Cad2DTranslateAll(-x, -y);
  ShiftViewWindow(-x, -y);
  togliChk();
  SetUpdating(false);
  ForgetPlacedFields();
}

namespace {
// A depth field's value: none for a text that is no number ("-" or "." alone, a typo).
std::optional<float> DepthValue(const QLineEdit* field) {
  const std::string text = field->text().toStdString();
  if (text.empty() || text == "-" || text == ".") return std::nullopt;
  return platform::ParseSingleField(text);
}
}  // namespace

void TfrmMain::DepthChanged(const QLineEdit* field, void (*set)(machining::ReliefModel&, float)) {
  const auto value = DepthValue(field);
  if (!value) return;
  set(job_.relief, *value);
  MarkReliefStale();
}

void TfrmMain::ShadingResolutionClick() {
  Get<QPushButton>("sbtNextB3")->setEnabled(false);
  Get<QPushButton>("sbtProfApply")->setEnabled(true);
}

void TfrmMain::txtWhiteDChange() { DepthChanged(txtWhiteD_, machining::SetWhiteDepth); }

void TfrmMain::txtBlackDChange() { DepthChanged(txtBlackD_, machining::SetBlackDepth); }

bool TfrmMain::BuildReliefIfStale() {
  if (!job_.relief.gridStale) return false;
  ApplyReliefBuild(machining::ElaboraImmagine(job_.relief, job_.workBitmap.get(), false));
  return true;
}

void TfrmMain::sbtProfApplyClick() {
  BuildReliefIfStale();
  stockBox_.positionZ = job_.relief.zWhite - job_.relief.depth / 2.0f;
  stockBox_.cubeDepth = job_.relief.depth;
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
