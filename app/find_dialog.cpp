#include "app/find_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "lang/lang.h"

namespace app {

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Find"));
  setModal(false);
  auto* layout = new QGridLayout(this);
  auto* label = new QLabel(this);
  label->setObjectName(QStringLiteral("FindWhat"));
  text_ = new QLineEdit(this);
  text_->setObjectName(QStringLiteral("FindText"));
  label->setBuddy(text_);
  next_ = new QPushButton(this);
  next_->setObjectName(QStringLiteral("FindNext"));
  next_->setDefault(true);
  next_->setEnabled(false);
  auto* cancel = new QPushButton(this);
  cancel->setObjectName(QStringLiteral("FindCancel"));
  ShowTexts();
  layout->addWidget(label, 0, 0);
  layout->addWidget(text_, 0, 1);
  layout->addWidget(next_, 0, 2);
  layout->addWidget(cancel, 1, 2);
  // Nothing to find, nothing to press.
  connect(text_, &QLineEdit::textChanged, this, [this] { next_->setEnabled(!text_->text().isEmpty()); });
  connect(next_, &QPushButton::clicked, this, [this] {
    if (!text_->text().isEmpty()) emit Find();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
}

QString TFindDialog::FindText() const { return text_->text(); }

void TFindDialog::SetFindText(const QString& text) { text_->setText(text); }

void TFindDialog::ShowTexts() {
  findChild<QLabel*>(QStringLiteral("FindWhat"))->setText(lang::LangQStringOr("1082", "Find what:"));
  next_->setText(lang::LangQStringOr("1083", "Find Next"));
  findChild<QPushButton*>(QStringLiteral("FindCancel"))->setText(lang::LangQStringOr("1084", "Cancel"));
}

void TFindDialog::Execute(QPoint screenPoint) {
  // In the language chosen since the dialog was made.
  ShowTexts();
  move(screenPoint);
  show();
  raise();
  activateWindow();
  text_->setFocus();
}

}  // namespace app
