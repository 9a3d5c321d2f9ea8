#include "app/stl_dialog.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "lang/lang.h"
#include "platform/qt_dialogs.h"

namespace app {

TfrmStlDxf::TfrmStlDxf(QWidget* parent) : platform::DialogForm("frmStlDxf", parent) {
  setWindowTitle(QStringLiteral("Stl output"));
  setModal(true);
  setFixedSize(250, 150);
  auto* group = Add(new QGroupBox(QStringLiteral("Output as:"), this), "grpOutput");
  group->setGeometry(10, 8, 230, 80);
  rbtOutSh_ = Add(new QRadioButton(QStringLiteral("Surface"), group), "rbtOutSh");
  rbtOutSh_->setGeometry(12, 22, 200, 22);
  rbtOutSh_->setChecked(true);
  rbtOutSo_ = Add(new QRadioButton(QStringLiteral("Solid"), group), "rbtOutSo");
  rbtOutSo_->setGeometry(12, 48, 200, 22);
  auto* ok = Add(new QPushButton(QStringLiteral("Ok"), this), "sbtOk");
  ok->setGeometry(30, 104, 90, 28);
  auto* cancel = Add(new QPushButton(QStringLiteral("Cancel"), this), "bntCancel");
  cancel->setGeometry(130, 104, 90, 28);
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { sbtOkClick(); }); });
  connect(cancel, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { bntCancelClick(); }); });
}

bool TfrmStlDxf::Choose(const std::string& caption) {
  ok_ = false;
  // The file's name stays the caption; the language translates the rest on showing.
  setWindowTitle(QString::fromStdString(caption));
  exec();
  return ok_;
}

bool TfrmStlDxf::Solid() const { return rbtOutSo_->isChecked(); }

void TfrmStlDxf::showEvent(QShowEvent* event) {
  platform::DialogForm::showEvent(event);
  if (!event->spontaneous()) platform::RunGuarded([this] { FormShow(); });
}

void TfrmStlDxf::FormShow() {
  const QString caption = windowTitle();
  platform::FormBase* const self[] = {this};
  lang::TranslateForms(lang::ProgramLanguage(), self);
  ok_ = false;
  setWindowTitle(caption);
}

void TfrmStlDxf::sbtOkClick() {
  ok_ = true;
  accept();
}

void TfrmStlDxf::bntCancelClick() { reject(); }

}  // namespace app
