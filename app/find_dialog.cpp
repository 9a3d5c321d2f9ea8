#include "app/find_dialog.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

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

QPoint TFindDialog::PlaceWithin(const QRect& available, const QSize& frame, QPoint wanted) {
  const int x = std::max(available.left(), std::min(wanted.x(), available.right() + 1 - frame.width()));
  const int y = std::max(available.top(), std::min(wanted.y(), available.bottom() + 1 - frame.height()));
  return {x, y};
}

void TFindDialog::Execute(QPoint screenPoint) {
  // In the language chosen since the dialog was made.
  ShowTexts();
  // The screen the listing's corner is on; a corner off every screen keeps to the owner's screen.
  QScreen* screen = QGuiApplication::screenAt(screenPoint);
  if (!screen) screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  // Shown for the first time, the dialog takes the size its contents ask for.
  if (!testAttribute(Qt::WA_Resized)) adjustSize();
  if (screen) move(PlaceWithin(screen->availableGeometry(), frameGeometry().size(), screenPoint));
  else move(screenPoint);
  show();
  // Only a shown window knows the frame the window manager gives it.
  if (screen) move(PlaceWithin(screen->availableGeometry(), frameGeometry().size(), screenPoint));
  raise();
  activateWindow();
  text_->setFocus();
}

}  // namespace app
