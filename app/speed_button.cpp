#include "app/speed_button.h"

#include <QIcon>
#include <QMouseEvent>

namespace app {

TSpeedButton::TSpeedButton(QWidget* parent) : QToolButton(parent) {
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QAbstractButton::clicked, this, [this] { Click(); });
}

void TSpeedButton::Click() {
  if (OnClick) OnClick();
}

void TSpeedButton::SetFlat(bool flat) { setAutoRaise(flat); }

void TSpeedButton::SetGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  setIcon(glyph.isNull() ? QIcon() : QIcon(glyph));
  if (!glyph.isNull()) setIconSize(glyph.size());
}

void TSpeedButton::mousePressEvent(QMouseEvent* event) {
  PlainMouseDown(event);
  if (OnMouseDown) OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TSpeedButton::mouseMoveEvent(QMouseEvent* event) {
  PlainMouseMove(event);
  if (OnMouseMove) OnMouseMove(event->modifiers(), event->position().toPoint());
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  PlainMouseUp(event);
  if (OnMouseUp) OnMouseUp(event->button(), event->modifiers(), event->position().toPoint());
}

void TSpeedButton::mouseDoubleClickEvent(QMouseEvent* event) {
  QToolButton::mouseDoubleClickEvent(event);
  if (OnDblClick) OnDblClick();
}

void TSpeedButton::PopUp() {
  // A release far outside the button lets Qt end the press without a click.
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-10000, -10000), QPointF(-10000, -10000), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QToolButton::mouseReleaseEvent(&release);
  setDown(false);
}

}  // namespace app
