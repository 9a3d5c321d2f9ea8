// What is drawn on the 2D view exists nowhere else until Save as DXF writes it: before anything
// removes it (a re-placement of the picture, New, Open, closing) the user is asked, and a cancelled
// re-placement leaves the size and reference fields as they were.
#include <QAbstractButton>
#include <QLineEdit>
#include <QRadioButton>
#include <filesystem>

#include "app/main_window.h"
#include "app/save_target.h"
#include "lang/lang.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/qt_dialogs.h"

namespace app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The buttons whose state a size or origin edit changes, kept with the fields.
constexpr const char* kPlacedButtons[] = {"sbtNextB1", "sbtDimApply", "sbtNextB2", "sbtOrigineApply", "sbtSave"};
constexpr const char* kReferenceRadios[] = {"rbtOriginDxf", "rbtOrigine0", "rbtOrigine1",
                                            "rbtOrigine2",  "rbtOrigine3", "rbtOrigine4"};

}  // namespace

TfrmMain::DrawnWork TfrmMain::UnsavedDrawnWork() {
  if (!Cad2DHasDrawnObjects()) return DrawnWork::None;
  if (!Cad2DHasDxfEntity()) return DrawnWork::NotForDxf;
  return drawingSavedAs_ == Cad2DDxfFingerprint() ? DrawnWork::None : DrawnWork::Unsaved;
}

TfrmMain::DrawnWorkChoice TfrmMain::AskAboutDrawnWork(bool leaving) {
  const DrawnWork work = UnsavedDrawnWork();
  if (work == DrawnWork::None) return DrawnWorkChoice::Nothing;
  const std::string caption;  // the one rule for captions: a question reads 450
  if (work == DrawnWork::NotForDxf) {
    const std::string text =
        leaving ? lang::LangStringOr("1763", "What is drawn on the 2D view cannot be saved as a DXF file, and it will be "
                                             "lost.\r\nContinue?")
                : lang::LangStringOr("1762", "What is drawn on the 2D view cannot be saved as a DXF file, and placing "
                                             "the picture again removes it.\r\nContinue?");
    return platform::CurrentDialogs().Message(text, caption, platform::MessageKind::Warning,
                                              platform::Buttons::YesNo) == platform::Answer::Yes
               ? DrawnWorkChoice::Discard
               : DrawnWorkChoice::Keep;
  }
  const std::string text =
      leaving ? lang::LangStringOr("1761", "What is drawn on the 2D view has not been saved as a DXF file since its "
                                           "last change, and it will be lost.\r\nSave it as a DXF file first?")
              : lang::LangStringOr("1760", "What is drawn on the 2D view has not been saved as a DXF file since its "
                                           "last change, and placing the picture again removes it.\r\nSave it as a "
                                           "DXF file first?");
  switch (platform::CurrentDialogs().Message(text, caption, platform::MessageKind::Warning,
                                             platform::Buttons::SaveDiscardCancel)) {
    case platform::Answer::Yes: return DrawnWorkChoice::Save;
    case platform::Answer::No: return DrawnWorkChoice::Discard;
    default: return DrawnWorkChoice::Keep;
  }
}

bool TfrmMain::MayDropDrawnWork() {
  switch (AskAboutDrawnWork(false)) {
    case DrawnWorkChoice::Save: return SaveDrawnWorkAsDxf();
    case DrawnWorkChoice::Keep: return false;
    default: return true;
  }
}

bool TfrmMain::SaveDrawnWorkAsDxf() {
  bool written = false;
  // A failed write is said here and counts as a cancel: what is drawn stays.
  platform::RunGuarded([&] {
    const std::string filter = lang::LangStringOr("1004", "Dxf files (3D FACE) (*.dxf)") + "|*.DXF";
    const platform::FileChoice choice =
        ChooseFileToWrite({"", ProposedSaveName(), filter, 1}, [](const platform::FileChoice& chosen) {
          std::string path = chosen.path;
          if (!std::filesystem::path(path).has_extension()) path += ".dxf";
          return path;
        });
    if (choice.path.empty()) return;
    saveFolder_ = std::filesystem::path(choice.path).parent_path().string();
    WriteDrawingDxf(choice.path);
    written = true;
  });
  return written;
}

void TfrmMain::WriteDrawingDxf(const std::string& path) {
  Cad2DWriteDxf(path);
  drawingSavedAs_ = Cad2DDxfFingerprint();
}

std::string TfrmMain::ProposedSaveName() const {
  if (!job_.documentFile.empty()) return std::filesystem::path(job_.documentFile).replace_extension().string();
  // A job never saved: the picture's name (none opened yet, the dialog's own "*.*" or nothing: "t")
  // where the user last saved, or beside the picture.
  const std::filesystem::path name = std::filesystem::path(settings_.fOpen).filename();
  const bool none = name.empty() || name == "*.*";
  const std::string folder = saveFolder_.empty() ? PictureFolder() : saveFolder_;
  return platform::JoinPath(folder, none ? std::string("t") : std::filesystem::path(name).replace_extension().string());
}

// --- the fields of a cancelled re-placement ---

void TfrmMain::NoteFieldTexts() {
  const QLineEdit* fields[] = {txtVecLarg_, txtVecAlt_, txtOriginX_, txtOriginY_};
  for (size_t i = 0; i < fieldTexts_.size(); ++i) fieldTexts_[i] = fields[i]->text().toStdString();
}

void TfrmMain::KeepPlacedFields() {
  if (placedFields_ || updating_ || !job_.workBitmap) return;
  PlacedFields kept;
  // The field being typed in already shows its new text: the texts as the last change left them.
  kept.texts = fieldTexts_;
  kept.width = job_.relief.width;
  kept.height = job_.relief.height;
  kept.unitsPerPixel = job_.relief.unitsPerPixel;
  kept.gridStale = job_.relief.gridStale;
  kept.parametersChanged = job_.relief.parametersChanged;
  for (size_t i = 0; i < kept.radios.size(); ++i) kept.radios[i] = Get<QRadioButton>(kReferenceRadios[i])->isChecked();
  for (size_t i = 0; i < kept.enabled.size(); ++i) kept.enabled[i] = Get<QAbstractButton>(kPlacedButtons[i])->isEnabled();
  kept.referenceCode = job_.referenceCode;
  placedFields_ = kept;
}

void TfrmMain::RestorePlacedFields() {
  if (!placedFields_) return;
  const PlacedFields kept = *placedFields_;
  placedFields_.reset();
  job_.relief.width = kept.width;
  job_.relief.height = kept.height;
  job_.relief.unitsPerPixel = kept.unitsPerPixel;
  QLineEdit* fields[] = {txtVecLarg_, txtVecAlt_, txtOriginX_, txtOriginY_};
  SetUpdating(true);
  for (size_t i = 0; i < kept.texts.size(); ++i) fields[i]->setText(Q(kept.texts[i]));
  SetUpdating(false);
  for (size_t i = 0; i < kept.radios.size(); ++i) {
    auto* radio = Get<QRadioButton>(kReferenceRadios[i]);
    // Outside the group's exclusivity, so that a button can go back to unchecked too.
    const bool blocked = radio->blockSignals(true);
    radio->setAutoExclusive(false);
    radio->setChecked(kept.radios[i]);
    radio->setAutoExclusive(true);
    radio->blockSignals(blocked);
  }
  for (size_t i = 0; i < kept.enabled.size(); ++i) Get<QAbstractButton>(kPlacedButtons[i])->setEnabled(kept.enabled[i]);
  job_.referenceCode = kept.referenceCode;
  ResizeReliefBox();
  // The box is sized as before: the relief built for it, and the program made from it, still hold.
  job_.relief.gridStale = kept.gridStale;
  job_.relief.parametersChanged = kept.parametersChanged;
}

}  // namespace app
