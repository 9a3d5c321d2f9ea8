// Key filters of the number fields: whether a typed character may enter a field. Only printable
// characters are judged; editing and navigation keys (Backspace, Delete, arrows, Tab, Enter) and
// shortcuts always pass, so a field's Enter still reaches its handler.
#pragma once

#include <QChar>
#include <QEvent>
#include <QObject>

class QWidget;

namespace app {

bool SoloNumeriInteri(QChar c);       // digits
bool SoloNumeriPos(QChar c);          // digits and '.'
bool SoloNumeriPosEEnter(QChar c);    // digits and '.'; the field acts on Enter
bool SoloNumeriEMeno(QChar c);        // digits, '.' and '-'
bool SoloNumeriEMenoEEnter(QChar c);  // digits, '.' and '-'; the field acts on Enter

// Drops the key presses of a field whose character `accept` refuses. One filter may serve many
// fields; it lives as long as its parent.
class KeyFilter : public QObject {
 public:
  KeyFilter(QObject* parent, bool (*accept)(QChar)) : QObject(parent), accept_(accept) {}
  void Install(QWidget* field);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool (*accept_)(QChar);
};

// A click of a mouse button or a key, pressed or let go: what a control that only shows a state, or
// a window the program is working, keeps from the user.
inline bool IsClickOrKey(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace app
