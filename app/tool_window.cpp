#include "app/tool_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <charconv>
#include <climits>

#include "app/key_filters.h"
#include "app/tool_pictures.h"
#include "lang/lang.h"
#include "machining/nc_words.h"
#include "platform/exception.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"

namespace app {
namespace {

// Positions and widths of the two layouts.
constexpr int kCompactWidth = 268;
constexpr int kFullWidth = 494;
constexpr int kInfoLeftCompact = 5;
constexpr int kInfoLeftFull = 230;
constexpr int kOkLeftCompact = 78;
constexpr int kOkLeftFull = 304;
constexpr int kCancelLeftCompact = 178;
constexpr int kCancelLeftFull = 404;

constexpr int kGroupTop = 5;
constexpr int kGroupHeight = 316;
constexpr int kInfoWidth = 258;
constexpr int kListWidth = 220;
constexpr int kButtonTop = kGroupTop + kGroupHeight + 8;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;
constexpr int kWindowHeight = kButtonTop + kButtonHeight + 8;

// Field rows inside the tool data frame.
constexpr int kLabelLeft = 8;
constexpr int kFieldLeft = 100;
constexpr int kRowTop = 20;
constexpr int kRowStep = 24;
constexpr int kRowHeight = 22;

const char* const kTypeNames[machining::kToolTypeCount] = {
    "Flat", "Bull-nose", "Spherical", "Conical flat", "Drill", "Conical spherical", "Undefined"};

// Shortest decimal text of a number (at most 15 significant digits), '.' as separator.
std::string ShortestText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  // to_chars keeps trailing zeros of the fraction in general form only when asked; strip any left.
  if (text.find('.') != std::string::npos && text.find('e') == std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

QString Message(lang::MessageNumber number, const char* fallback) { return lang::LangQStringOr(number, fallback); }

float FieldFloat(const QLineEdit* field, const std::string& what) {
  return platform::ReadSingleField(field->text().toStdString(), what);
}

// The pair of arrows beside the list that moves the selected tool: its value is the row the tool
// goes to, never shown (a number there reads as a field to fill in), and the up arrow moves the
// tool up the list, towards row 0.
class ToolUpDown : public QSpinBox {
 public:
  explicit ToolUpDown(QWidget* parent) : QSpinBox(parent) { lineEdit()->setReadOnly(true); }
  void stepBy(int steps) override { QSpinBox::stepBy(-steps); }

 protected:
  QString textFromValue(int) const override { return {}; }
  int valueFromText(const QString&) const override { return value(); }
  QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
  StepEnabled stepEnabled() const override {
    StepEnabled enabled = StepNone;
    if (value() > minimum()) enabled |= StepUpEnabled;
    if (value() < maximum()) enabled |= StepDownEnabled;
    return enabled;
  }
};

}  // namespace

TfrmTool::TfrmTool(const std::string& toolFilePath, int currentToolIndex, QWidget* parent)
    : platform::DialogForm("frmTool", parent), database_(toolFilePath), currentToolIndex_(currentToolIndex) {
  setWindowTitle(QStringLiteral("Tool database"));
  setModal(true);
  resize(kFullWidth, kWindowHeight);

  auto* integers = new KeyFilter(this, SoloNumeriInteri);
  auto* positives = new KeyFilter(this, SoloNumeriPos);

  // Tool list.
  auto* listGroup = Add(new QGroupBox(QStringLiteral("Tools"), this), "grpToolList");
  grpToolList_ = listGroup;
  listGroup->setGeometry(5, kGroupTop, kListWidth, kGroupHeight);
  ListView1_ = Add(new QListWidget(listGroup), "ListView1");
  ListView1_->setGeometry(8, 20, 170, 250);
  ListView1_->setIconSize(QSize(32, 32));
  ListView1_->setSelectionMode(QAbstractItemView::SingleSelection);
  UpDown1_ = Add(new ToolUpDown(listGroup), "UpDown1");
  UpDown1_->setGeometry(184, 20, 30, 40);
  UpDown1_->setToolTip(QStringLiteral("Move the selected tool up or down the list"));
  UpDown1_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  UpDown1_->setMinimum(0);
  UpDown1_->setMaximum(0);
  btnDelRecord_ = Add(new QPushButton(QStringLiteral("Delete"), listGroup), "btnDelRecord");
  btnDelRecord_->setGeometry(8, 278, kButtonWidth, kButtonHeight);

  // Tool data.
  auto* infoGroup = Add(new QGroupBox(QStringLiteral("Tool data"), this), "grpToolInfo");
  grpToolInfo_ = infoGroup;
  infoGroup->setGeometry(kInfoLeftFull, kGroupTop, kInfoWidth, kGroupHeight);
  int row = 0;
  auto label = [&](const char* name, const char* text) {
    auto* l = Add(new QLabel(QString::fromUtf8(text), infoGroup), name);
    l->setGeometry(kLabelLeft, kRowTop + row * kRowStep, kFieldLeft - kLabelLeft - 4, kRowHeight);
    return l;
  };
  auto edit = [&](const char* name, int width, QObject* filter) {
    auto* e = Add(new QLineEdit(infoGroup), name);
    e->setGeometry(kFieldLeft, kRowTop + row * kRowStep, width, kRowHeight);
    if (filter) e->installEventFilter(filter);
    connect(e, &QLineEdit::textChanged, this, [this] { FieldChanged(); });
    ++row;
    return e;
  };
  constexpr int kNumberWidth = 60;
  constexpr int kWideWidth = kInfoWidth - kFieldLeft - 8;

  label("lblToolNum", "Tool number");
  sedToolNum_ = Add(new QSpinBox(infoGroup), "sedToolNum");
  sedToolNum_->setGeometry(kFieldLeft, kRowTop + row * kRowStep, kNumberWidth, kRowHeight);
  sedToolNum_->setRange(INT_MIN, INT_MAX);
  connect(sedToolNum_, &QSpinBox::valueChanged, this, [this] { FieldChanged(); });
  ++row;
  label("lblGiri", "Speed (rpm)");
  txtGiri_ = edit("txtGiri", kNumberWidth, integers);
  label("lblFeedrate", "Feed rate");
  txtFeedrate_ = edit("txtFeedrate", kNumberWidth, positives);
  label("lblPlungeRate", "Plunge rate");
  txtPlungeRate_ = edit("txtPlungeRate", kNumberWidth, positives);
  chkCoolant_ = Add(new QCheckBox(QStringLiteral("Coolant"), infoGroup), "chkCoolant");
  chkCoolant_->setGeometry(kLabelLeft, kRowTop + row * kRowStep, 150, kRowHeight);
  connect(chkCoolant_, &QCheckBox::toggled, this, [this] { FieldChanged(); });
  ++row;
  label("lblUtName", "Name");
  txtUtName_ = edit("txtUtName", kWideWidth, nullptr);
  lblTipoUt_ = label("lblTipoUt", "Type");
  cboTipoUt_ = Add(new QComboBox(infoGroup), "cboTipoUt");
  cboTipoUt_->setGeometry(kFieldLeft, kRowTop + row * kRowStep, kWideWidth, kRowHeight);
  platform::NoteDesignedGeometry(lblTipoUt_);
  platform::NoteDesignedGeometry(cboTipoUt_);
  for (int t = 0; t < machining::kToolTypeCount; ++t)
    cboTipoUt_->addItem(QIcon(ToolPicture(t)), QString::fromUtf8(kTypeNames[t]));
  connect(cboTipoUt_, &QComboBox::currentIndexChanged, this, [this] { cboTipoUtChange(); });
  ++row;
  label("lblDiametro", "Diameter");
  txtDiametro_ = edit("txtDiametro", kNumberWidth, positives);
  connect(txtDiametro_, &QLineEdit::textChanged, this, [this] { txtDiametroChange(); });
  lblC_Raggio_ = label("lblC_Raggio", "Corner radius");
  txtC_Raggio_ = edit("txtC_Raggio", kNumberWidth, positives);
  lblAngolo_ = label("lblAngolo", "Taper angle");
  txtAngolo_ = edit("txtAngolo", kNumberWidth, positives);
  lblDiamFlat_ = label("lblDiamFlat", "Flat diameter");
  txtDiamFlat_ = edit("txtDiamFlat", kNumberWidth, positives);
  label("lblUtLen", "Pass depth");
  txtUtLen_ = edit("txtUtLen", kNumberWidth, positives);
  imgTool_ = Add(new QLabel(infoGroup), "imgTool");
  imgTool_->setGeometry(kInfoWidth - kToolPictureSize - 6, kRowTop, kToolPictureSize, kToolPictureSize);

  // Buttons.
  sbtAddTool_ = Add(new QPushButton(QStringLiteral("Add"), this), "sbtAddTool");
  sbtAddTool_->setGeometry(5, kButtonTop, kButtonWidth, kButtonHeight);
  sbtModify_ = Add(new QPushButton(QStringLiteral("Modify"), this), "sbtModify");
  sbtModify_->setGeometry(105, kButtonTop, kButtonWidth, kButtonHeight);
  sbtOk_ = Add(new QPushButton(QStringLiteral("Ok"), this), "sbtOk");
  sbtOk_->setGeometry(kOkLeftFull, kButtonTop, kButtonWidth, kButtonHeight);
  bntCancel_ = Add(new QPushButton(QStringLiteral("Cancel"), this), "bntCancel");
  bntCancel_->setGeometry(kCancelLeftFull, kButtonTop, kButtonWidth, kButtonHeight);
  for (QPushButton* b : {sbtAddTool_, sbtModify_, sbtOk_, bntCancel_, btnDelRecord_}) b->setAutoDefault(false);

  connect(ListView1_, &QListWidget::itemClicked, this, [this] { ListView1Click(); });
  connect(UpDown1_, &QSpinBox::valueChanged, this, [this] {
    if (!updatingUpDown_) UpDown1Click();
  });
  connect(btnDelRecord_, &QPushButton::clicked, this, [this] { btnDelRecordClick(); });
  connect(sbtAddTool_, &QPushButton::clicked, this, [this] { sbtAddToolClick(); });
  connect(sbtModify_, &QPushButton::clicked, this, [this] { sbtModifyClick(); });
  connect(sbtOk_, &QPushButton::clicked, this, [this] { sbtOkClick(); });
  connect(bntCancel_, &QPushButton::clicked, this, [this] { bntCancelClick(); });

  // Defaults of a new window.
  sedToolNum_->setValue(1);
  txtGiri_->setText(QStringLiteral("1000"));
  txtFeedrate_->setText(QStringLiteral("1000"));
  txtPlungeRate_->setText(QStringLiteral("1000"));
  txtDiametro_->setText(QStringLiteral("5"));
  for (QLineEdit* e : {txtC_Raggio_, txtAngolo_, txtDiamFlat_, txtUtLen_}) e->setText(QStringLiteral("0"));
  cboTipoUt_->setCurrentIndex(machining::kToolFlat);
  cboTipoUtChange();

  FormCreate();
}

void TfrmTool::FieldChanged() { emit ParametersChanged(); }

void TfrmTool::ShowPicture(int type) { imgTool_->setPixmap(ToolPicture(type)); }

void TfrmTool::SetRow(int row, const machining::TToolRecord& record) {
  QListWidgetItem* item = ListView1_->item(row);
  if (!item) return;
  item->setText(QString::fromStdString(machining::ToolNameText(record)));
  item->setIcon(QIcon(ToolPicture(record.toolType)));
}

void TfrmTool::FillList() {
  ListView1_->clear();
  const auto records = database_.ReadAll();
  for (size_t i = 0; i < records.size(); ++i) {
    ListView1_->addItem(QString());
    SetRow(static_cast<int>(i), records[i]);
  }
}

int TfrmTool::SelectedRow() const {
  const auto selected = ListView1_->selectedItems();
  return selected.isEmpty() ? -1 : ListView1_->row(selected.front());
}

void TfrmTool::SetUpDownMaximum() {
  updatingUpDown_ = true;
  UpDown1_->setMaximum(std::max(0, ListView1_->count() - 1));
  updatingUpDown_ = false;
}

void TfrmTool::FitTranslatedTexts() {
  // The type's label gives way to the type box, whose longest name ("Conical spherical") needs more
  // than the field's width in a longer language.
  const platform::RowControl typeRow[] = {{lblTipoUt_}, {cboTipoUt_}};
  platform::FitRowToText(typeRow, grpToolInfo_->width() - 4);
}

void TfrmTool::FormCreate() {
  lang::TranslateForms({static_cast<platform::FormBase*>(this)});
  FitTranslatedTexts();
  platform::RunGuarded([&] {
    database_.EnsureExists();
    FillList();
    if (currentToolIndex_ >= 0 && currentToolIndex_ < ListView1_->count()) {
      const machining::TToolRecord record = database_.Read(currentToolIndex_);
      agg_form_da_record(record);
      ShowPicture(record.toolType);
    }
  });
  SetUpDownMaximum();
}

void TfrmTool::showEvent(QShowEvent* event) {
  FormShow();
  platform::DialogForm::showEvent(event);
}

void TfrmTool::FormShow() {
  confirmed_ = false;
  const bool compact = compactMode_;
  setWindowTitle(compact ? Message("750", "Tool") : Message("751", "Tool database"));
  grpToolList_->setVisible(!compact);
  grpToolInfo_->move(compact ? kInfoLeftCompact : kInfoLeftFull, kGroupTop);
  resize(compact ? kCompactWidth : kFullWidth, height());
  sbtOk_->move(compact ? kOkLeftCompact : kOkLeftFull, kButtonTop);
  bntCancel_->move(compact ? kCancelLeftCompact : kCancelLeftFull, kButtonTop);
  sbtAddTool_->setVisible(!compact);
  sbtModify_->setVisible(!compact);
  if (!compact && focusListOnShow_) {
    ListView1_->setFocus();
    if (currentToolIndex_ >= 0 && currentToolIndex_ < ListView1_->count())
      ListView1_->setCurrentRow(currentToolIndex_);
    focusListOnShow_ = false;
  }
}

void TfrmTool::ListView1Click() {
  const int index = SelectedRow();
  updatingUpDown_ = true;
  UpDown1_->setValue(index);
  updatingUpDown_ = false;
  if (index < 0) return;
  platform::RunGuarded([&] {
    const machining::TToolRecord record = database_.Read(index);
    agg_form_da_record(record);
    ShowPicture(record.toolType);
    currentToolIndex_ = index;
  });
}

void TfrmTool::sbtAddToolClick() {
  platform::RunGuarded([&] {
    const machining::TToolRecord record = agg_record_da_form();
    database_.Add(record);
    ListView1_->addItem(QString());
    SetRow(ListView1_->count() - 1, record);
    SetUpDownMaximum();
  });
}

void TfrmTool::sbtModifyClick() {
  platform::RunGuarded([&] {
    const machining::TToolRecord record = agg_record_da_form();
    const int index = SelectedRow();
    if (index < 0) return;
    database_.Modify(index, record);
    SetRow(index, record);
  });
}

void TfrmTool::btnDelRecordClick() {
  const int index = SelectedRow();
  if (index < 0) return;
  platform::RunGuarded([&] {
    database_.Delete(index);
    FillList();
    txtUtName_->clear();
    txtGiri_->clear();
  });
  // The up-down must not point past the shorter list.
  SetUpDownMaximum();
}

void TfrmTool::UpDown1Click() {
  const int index = SelectedRow();
  const int position = UpDown1_->value();
  // Without a selection (or with a position off the list) there is nothing to move.
  if (index < 0 || position < 0 || position >= ListView1_->count() || position == index) return;
  platform::RunGuarded([&] {
    database_.Swap(index, position);
    QListWidgetItem* a = ListView1_->item(index);
    QListWidgetItem* b = ListView1_->item(position);
    const QString text = a->text();
    const QIcon icon = a->icon();
    a->setText(b->text());
    a->setIcon(b->icon());
    b->setText(text);
    b->setIcon(icon);
    ListView1_->setCurrentRow(position);
  });
}

void TfrmTool::cboTipoUtChange() {
  const int type = cboTipoUt_->currentIndex();
  ShowPicture(type);
  Mostra_Nasconde(type);
  FieldChanged();
}

void TfrmTool::txtDiametroChange() {
  if (cboTipoUt_->currentIndex() == machining::kToolSpherical) {
    if (auto d = platform::ParseDouble(txtDiametro_->text().toStdString()))
      txtC_Raggio_->setText(QString::fromStdString(ShortestText(*d / 2.0)));
  }
  // The field's own change signal has already marked the parameters changed.
}

void TfrmTool::sbtOkClick() {
  confirmed_ = true;
  accept();
}

void TfrmTool::bntCancelClick() {
  confirmed_ = false;
  reject();
}

void TfrmTool::Mostra_Nasconde(int type) {
  auto show = [](QWidget* label, QWidget* field, bool on) {
    label->setVisible(on);
    field->setVisible(on);
  };
  switch (type) {
    case machining::kToolBullNose:
      show(lblC_Raggio_, txtC_Raggio_, true);
      txtC_Raggio_->setEnabled(true);
      show(lblAngolo_, txtAngolo_, false);
      show(lblDiamFlat_, txtDiamFlat_, false);
      break;
    case machining::kToolSpherical:
      show(lblC_Raggio_, txtC_Raggio_, true);
      txtC_Raggio_->setEnabled(false);
      if (auto d = platform::ParseDouble(txtDiametro_->text().toStdString()))
        txtC_Raggio_->setText(QString::fromStdString(platform::FormatFixed(*d / 2.0, 3)));
      show(lblAngolo_, txtAngolo_, false);
      show(lblDiamFlat_, txtDiamFlat_, false);
      break;
    case machining::kToolConicalFlat:
    case machining::kToolConicalSpherical:
      show(lblC_Raggio_, txtC_Raggio_, false);
      show(lblAngolo_, txtAngolo_, true);
      show(lblDiamFlat_, txtDiamFlat_, true);
      lblDiamFlat_->setText(type == machining::kToolConicalFlat ? Message("719", "Flat diameter")
                                                                 : Message("718", "Ball diameter"));
      break;
    case machining::kToolFlat:
    case machining::kToolDrill:
      show(lblC_Raggio_, txtC_Raggio_, false);
      show(lblAngolo_, txtAngolo_, false);
      show(lblDiamFlat_, txtDiamFlat_, false);
      break;
    default:
      break;  // undefined and unknown types keep what is shown
  }
}

machining::TToolRecord TfrmTool::agg_record_da_form() const {
  machining::TToolRecord r;
  r.toolNumber = sedToolNum_->value();
  const int64_t speed = platform::StrToInt(txtGiri_->text().toStdString(), lang::LangStringOr("1090", "spindle speed"));
  if (speed < INT32_MIN || speed > INT32_MAX)
    throw platform::FormatError(lang::LangFormatOr("1098", "The spindle speed %1 is too large.", {std::to_string(speed)}));
  r.spindleSpeed = static_cast<int32_t>(speed);
  r.feedRate = FieldFloat(txtFeedrate_, lang::LangStringOr("1091", "feed rate"));
  r.plungeRate = FieldFloat(txtPlungeRate_, lang::LangStringOr("1092", "plunge rate"));
  r.coolant = chkCoolant_->isChecked();
  machining::SetToolNameText(r, txtUtName_->text().toStdString());
  r.toolType = cboTipoUt_->currentIndex();
  r.diameter = FieldFloat(txtDiametro_, lang::LangStringOr("1093", "diameter"));
  r.cornerRadius = FieldFloat(txtC_Raggio_, lang::LangStringOr("1094", "corner radius"));
  r.taperAngle = FieldFloat(txtAngolo_, lang::LangStringOr("1095", "taper angle"));
  r.flatDiameter = FieldFloat(txtDiamFlat_, lang::LangStringOr("1096", "flat diameter"));
  r.passDepth = FieldFloat(txtUtLen_, lang::LangStringOr("1097", "pass depth"));
  if (const std::string problem = machining::ToolRecordSizeProblem(r); !problem.empty())
    throw platform::FormatError(problem);
  return r;
}

void TfrmTool::agg_form_da_record(const machining::TToolRecord& record) {
  auto number = [this](double v) { return QString::fromStdString(machining::FormatPlainNumber(v, inches_)); };
  sedToolNum_->setValue(record.toolNumber);
  txtGiri_->setText(QString::number(record.spindleSpeed));
  txtFeedrate_->setText(number(record.feedRate));
  txtPlungeRate_->setText(number(record.plungeRate));
  chkCoolant_->setChecked(record.coolant);
  txtUtName_->setText(QString::fromStdString(machining::ToolNameText(record)));
  txtDiametro_->setText(number(record.diameter));
  txtC_Raggio_->setText(number(record.cornerRadius));
  txtAngolo_->setText(number(record.taperAngle));
  txtDiamFlat_->setText(number(record.flatDiameter));
  txtUtLen_->setText(number(record.passDepth));
  const bool known = record.toolType >= 0 && record.toolType < machining::kToolTypeCount;
  cboTipoUt_->setCurrentIndex(known ? record.toolType : -1);
  Mostra_Nasconde(record.toolType);
}

machining::TToolRecord TfrmTool::ToolRecordFromFields() const { return agg_record_da_form(); }

machining::ToolShape TfrmTool::ToolShapeFromFields() const {
  // Read as the probes read them: full precision, and only the fields the type uses.
  auto value = [](const QLineEdit* field, const std::string& what) {
    return platform::StrToFloat(field->text().toStdString(), what);
  };
  machining::ToolShape shape;
  shape.toolType = cboTipoUt_->currentIndex();
  shape.diameter = value(txtDiametro_, lang::LangStringOr("1093", "diameter"));
  if (shape.toolType == machining::kToolBullNose) shape.cornerRadius = value(txtC_Raggio_, lang::LangStringOr("1094", "corner radius"));
  if (shape.toolType == machining::kToolConicalFlat || shape.toolType == machining::kToolConicalSpherical) {
    shape.taperAngle = value(txtAngolo_, lang::LangStringOr("1095", "taper angle"));
    shape.flatDiameter = value(txtDiamFlat_, lang::LangStringOr("1096", "flat diameter"));
  }
  return shape;
}

}  // namespace app
