// The tool window "Tool database": lists the cutters of "Tool.db", edits one, adds, modifies, deletes
// and reorders them. Its fields are the current tool: Calculate, the tool page and the document read
// them (ToolRecordFromFields, ToolShapeFromFields).
//
// The main window creates one, passing the tool file's path and the current tool index of the
// settings; it opens it modally (exec) and reads Confirmed() afterwards. Every field change emits
// ParametersChanged so the main window can mark the computed program out of date.
#pragma once

#include <QDialog>
#include <QObject>
#include <string>

#include "app/key_filters.h"
#include "machining/tool_database.h"
#include "machining/tool_record.h"
#include "machining/tool_shape.h"
#include "platform/form.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace app {

class TfrmTool : public platform::DialogForm {
  Q_OBJECT

 public:
  TfrmTool(const std::string& toolFilePath, int currentToolIndex, QWidget* parent = nullptr);

  // Program-wide values the window keeps.
  int CurrentToolIndex() const { return currentToolIndex_; }
  bool Confirmed() const { return confirmed_; }
  bool CompactMode() const { return compactMode_; }
  void SetCompactMode(bool on) { compactMode_ = on; }
  void SetFocusListOnShow(bool on) { focusListOnShow_ = on; }
  // Unit of the job: stored numbers go back into the fields with "%0.4f" instead of "%0.3f".
  void SetInches(bool inches) { inches_ = inches; }
  const machining::ToolDatabase& Database() const { return database_; }

  // The current tool as the fields hold it. Raise platform::FormatError for a field that is not a number.
  machining::TToolRecord ToolRecordFromFields() const;
  // The shape for the probes: only the fields the type uses are read (full precision).
  machining::ToolShape ToolShapeFromFields() const;

  // Handlers (the Qt signals come here; tests may call them directly).
  void FormCreate();
  // After a translation: the type box takes the width of its longest type where its row has room.
  void FitTranslatedTexts();
  void FormShow();
  void ListView1Click();
  void sbtAddToolClick();
  void sbtModifyClick();
  void btnDelRecordClick();
  void UpDown1Click();
  void cboTipoUtChange();
  void txtDiametroChange();
  void sbtOkClick();
  void bntCancelClick();

  // Which optional fields a tool type shows.
  void Mostra_Nasconde(int type);
  machining::TToolRecord agg_record_da_form() const;
  void agg_form_da_record(const machining::TToolRecord& record);

 signals:
  void ParametersChanged();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FieldChanged();
  void ShowPicture(int type);
  void FillList();
  void SetRow(int row, const machining::TToolRecord& record);
  int SelectedRow() const;
  void SetUpDownMaximum();

  machining::ToolDatabase database_;
  int currentToolIndex_ = 0;
  bool confirmed_ = false;
  bool compactMode_ = false;
  bool focusListOnShow_ = false;
  bool inches_ = false;
  bool updatingUpDown_ = false;

  QWidget* grpToolList_ = nullptr;
  QListWidget* ListView1_ = nullptr;
  QSpinBox* UpDown1_ = nullptr;
  QPushButton* btnDelRecord_ = nullptr;
  QWidget* grpToolInfo_ = nullptr;
  QSpinBox* sedToolNum_ = nullptr;
  QLineEdit* txtGiri_ = nullptr;
  QLineEdit* txtFeedrate_ = nullptr;
  QLineEdit* txtPlungeRate_ = nullptr;
  QCheckBox* chkCoolant_ = nullptr;
  QLineEdit* txtUtName_ = nullptr;
  QComboBox* cboTipoUt_ = nullptr;
  QLabel* lblTipoUt_ = nullptr;
  QLineEdit* txtDiametro_ = nullptr;
  QLabel* lblC_Raggio_ = nullptr;
  QLineEdit* txtC_Raggio_ = nullptr;
  QLabel* lblAngolo_ = nullptr;
  QLineEdit* txtAngolo_ = nullptr;
  QLabel* lblDiamFlat_ = nullptr;
  QLineEdit* txtDiamFlat_ = nullptr;
  QLineEdit* txtUtLen_ = nullptr;
  QLabel* imgTool_ = nullptr;
  QPushButton* sbtOk_ = nullptr;
  QPushButton* bntCancel_ = nullptr;
  QPushButton* sbtAddTool_ = nullptr;
  QPushButton* sbtModify_ = nullptr;
};

}  // namespace app
