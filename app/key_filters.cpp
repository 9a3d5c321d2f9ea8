#include "app/key_filters.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace app {

namespace {
bool Digit(QChar c) { return c >= QChar('0') && c <= QChar('9'); }
constexpr QChar kBackspace(8);
constexpr QChar kEnter(13);
}  // namespace

bool SoloNumeriInteri(QChar c) { return c == kBackspace || Digit(c); }
bool SoloNumeriPos(QChar c) { return SoloNumeriInteri(c) || c == QChar('.'); }
bool SoloNumeriPosEEnter(QChar c) { return SoloNumeriPos(c) || c == kEnter; }
bool SoloNumeriEMeno(QChar c) { return SoloNumeriPos(c) || c == QChar('-'); }
bool SoloNumeriEMenoEEnter(QChar c) { return SoloNumeriEMeno(c) || c == kEnter; }

void KeyFilter::Install(QWidget* field) { field->installEventFilter(this); }

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!shortcut && !text.isEmpty() && text.at(0).isPrint() && !accept_(text.at(0))) return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace app
