// The NC listing's find dialog (FindDialog1): a small window beside the listing, left open while the
// user works, with the text to find and "Find Next". Each Find Next asks the owner to search; the
// dialog itself searches nothing.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QLineEdit;
class QPushButton;

namespace app {

class TFindDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TFindDialog(QWidget* parent = nullptr);

  QString FindText() const;
  void SetFindText(const QString& text);
  // Shows the dialog (not modal) with its top-left corner at `screenPoint`, or as near to it as the
  // available area of the screen there lets the whole dialog be seen.
  void Execute(QPoint screenPoint);
  // The top-left corner for a window of `frame` size wanted at `wanted` that keeps it within
  // `available`: moved in by what sticks out, and to the area's top-left corner when larger than it.
  static QPoint PlaceWithin(const QRect& available, const QSize& frame, QPoint wanted);

 signals:
  // Find Next was pressed with a text to find.
  void Find();

 private:
  void ShowTexts();

  QLineEdit* text_ = nullptr;
  QPushButton* next_ = nullptr;
};

}  // namespace app
