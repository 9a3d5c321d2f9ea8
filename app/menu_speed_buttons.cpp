#include "app/menu_speed_buttons.h"

#include <QEnterEvent>
#include <QMouseEvent>

#include "app/control_glyphs.h"

namespace app {
namespace {

constexpr int kDropDownArrowWidth = 5;

// Shows a flat button raised as if the mouse were over it.
void ShowHover(QWidget* button, bool inside) {
  button->setAttribute(Qt::WA_UnderMouse, inside);
  button->update();
}

}  // namespace

// ---- TVexaCustomMenuSpeedButton ----

TVexaCustomMenuSpeedButton::TVexaCustomMenuSpeedButton(QWidget* parent) : TVexaUngroupedSpeedButton(parent) {}

void TVexaCustomMenuSpeedButton::Click() {
  if (!inMouseUp_) TVexaUngroupedSpeedButton::Click();
}

void TVexaCustomMenuSpeedButton::ShowMenu(QPoint screenPoint) {
  if (activeMenu_) activeMenu_->exec(screenPoint);
}

QPoint TVexaCustomMenuSpeedButton::MenuPoint() const {
  switch (placing_) {
    case TVexaMenuPlacing::mpTopLeft: return QPoint(0, 0);
    case TVexaMenuPlacing::mpBottomLeft: return QPoint(0, height());
    case TVexaMenuPlacing::mpTopRight: return QPoint(width(), 0);
    case TVexaMenuPlacing::mpBottomRight: return QPoint(width(), height());
  }
  return QPoint(0, height());
}

void TVexaCustomMenuSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  // The menu runs its own event loop, in which anything may happen to this button.
  QPointer<TVexaCustomMenuSpeedButton> self(this);
  inMouseUp_ = true;
  if (!rect().contains(event->position().toPoint())) {
    TVexaUngroupedSpeedButton::mouseReleaseEvent(event);
  } else {
    const bool left = event->button() == Qt::LeftButton;
    if (left) TVexaUngroupedSpeedButton::Click();
    if (self && releaseButton_) TVexaUngroupedSpeedButton::mouseReleaseEvent(event);
    if (self && left && activeMenu_ && DropsMenu()) ShowMenu(mapToGlobal(MenuPoint()));
    if (self && !releaseButton_) TVexaUngroupedSpeedButton::mouseReleaseEvent(event);
  }
  if (self) inMouseUp_ = false;
}

// ---- TVexaLinkedMenuSpeedButton ----

TVexaLinkedMenuSpeedButton::TVexaLinkedMenuSpeedButton(QWidget* parent) : TVexaCustomMenuSpeedButton(parent) {
  resize(kWidth, height());
  LoadDefaultGlyph();
}

TVexaLinkedMenuSpeedButton::~TVexaLinkedMenuSpeedButton() {
  if (linked_ && linked_->menuButton_ == this) linked_->menuButton_ = nullptr;
}

void TVexaLinkedMenuSpeedButton::SetUseDefaultGlyph(bool on) {
  if (on) {
    LoadDefaultGlyph();
  } else {
    TVexaCustomMenuSpeedButton::SetGlyph(QPixmap());
    useDefaultGlyph_ = false;
  }
}

void TVexaLinkedMenuSpeedButton::SetGlyph(const QPixmap& glyph) {
  TVexaCustomMenuSpeedButton::SetGlyph(glyph);
  useDefaultGlyph_ = false;
}

void TVexaLinkedMenuSpeedButton::LoadDefaultGlyph() {
  TVexaCustomMenuSpeedButton::SetGlyph(ArrowGlyph(ArrowDirection::Down, kDropDownArrowWidth));
  useDefaultGlyph_ = true;
}

void TVexaLinkedMenuSpeedButton::LinkTo(TVexaLinkedSpeedButton* button) {
  TVexaLinkedSpeedButton* previous = linked_;
  if (previous == button) return;
  linked_ = button;
  if (previous && previous->menuButton_ == this) previous->menuButton_ = nullptr;
  if (!button) return;
  if (button->menuButton_ && button->menuButton_ != this) button->menuButton_->linked_ = nullptr;
  button->menuButton_ = this;
  if (parentWidget() != button->parentWidget()) {
    const bool hidden = testAttribute(Qt::WA_WState_ExplicitShowHide) && testAttribute(Qt::WA_WState_Hidden);
    setParent(button->parentWidget());
    setVisible(!hidden);
  }
  FollowLinked();
  SetFlat(button->Flat());
  setEnabled(button->isEnabled());
}

void TVexaLinkedMenuSpeedButton::SetFlat(bool flat) {
  TVexaCustomMenuSpeedButton::SetFlat(linked_ ? linked_->Flat() : flat);
}

void TVexaLinkedMenuSpeedButton::SetRelayMode(bool on) {
  if (on == relayMode_) return;
  relayMode_ = on;
  if (on) {
    savedMouseDown_ = std::exchange(OnMouseDown, nullptr);
    savedMouseMove_ = std::exchange(OnMouseMove, nullptr);
    savedMouseUp_ = std::exchange(OnMouseUp, nullptr);
    savedClick_ = std::exchange(OnClick, nullptr);
    savedDblClick_ = std::exchange(OnDblClick, nullptr);
  } else {
    OnMouseDown = std::move(savedMouseDown_);
    OnMouseMove = std::move(savedMouseMove_);
    OnMouseUp = std::move(savedMouseUp_);
    OnClick = std::move(savedClick_);
    OnDblClick = std::move(savedDblClick_);
    relayPressed_ = false;
  }
}

void TVexaLinkedMenuSpeedButton::RelayMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos) {
  if (button == Qt::LeftButton && isEnabled()) {
    relayPressed_ = true;
    setDown(true);
  }
  if (OnMouseDown) OnMouseDown(button, modifiers, pos);
}

void TVexaLinkedMenuSpeedButton::RelayMouseMove(Qt::KeyboardModifiers modifiers, QPoint pos) {
  if (relayPressed_) setDown(rect().contains(pos));
  if (OnMouseMove) OnMouseMove(modifiers, pos);
}

void TVexaLinkedMenuSpeedButton::RelayMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos) {
  relayPressed_ = false;
  setDown(false);
  if (OnMouseUp) OnMouseUp(button, modifiers, pos);
}

void TVexaLinkedMenuSpeedButton::PartnerHover(bool inside) {
  if (Flat()) ShowHover(this, inside);
}

void TVexaLinkedMenuSpeedButton::FollowLinked() {
  if (!linked_ || following_) return;
  following_ = true;
  const QRect partner = linked_->geometry();
  setGeometry(partner.x() + partner.width(), partner.y(), width(), partner.height());
  following_ = false;
}

void TVexaLinkedMenuSpeedButton::changeEvent(QEvent* event) {
  TVexaCustomMenuSpeedButton::changeEvent(event);
  // Stays disabled while the linked part is.
  if (event->type() == QEvent::EnabledChange && isEnabled() && linked_ && !linked_->isEnabled()) setEnabled(false);
}

void TVexaLinkedMenuSpeedButton::moveEvent(QMoveEvent* event) {
  TVexaCustomMenuSpeedButton::moveEvent(event);
  FollowLinked();
}

void TVexaLinkedMenuSpeedButton::resizeEvent(QResizeEvent* event) {
  TVexaCustomMenuSpeedButton::resizeEvent(event);
  if (linked_ && height() != linked_->height()) FollowLinked();
}

void TVexaLinkedMenuSpeedButton::enterEvent(QEnterEvent* event) {
  TVexaCustomMenuSpeedButton::enterEvent(event);
  if (linked_ && linked_->Flat()) ShowHover(linked_, true);
}

void TVexaLinkedMenuSpeedButton::leaveEvent(QEvent* event) {
  TVexaCustomMenuSpeedButton::leaveEvent(event);
  if (linked_ && linked_->Flat()) ShowHover(linked_, false);
}

// ---- TVexaLinkedSpeedButton ----

TVexaLinkedSpeedButton::TVexaLinkedSpeedButton(QWidget* parent) : TSpeedButton(parent) {}

TVexaLinkedSpeedButton::~TVexaLinkedSpeedButton() {
  if (menuButton_ && menuButton_->linked_ == this) menuButton_->linked_ = nullptr;
}

void TVexaLinkedSpeedButton::SetMenuButton(TVexaLinkedMenuSpeedButton* button) {
  if (button == menuButton_) return;
  if (menuButton_) menuButton_->LinkTo(nullptr);
  if (button) button->LinkTo(this);
}

void TVexaLinkedSpeedButton::SetFlat(bool flat) {
  TSpeedButton::SetFlat(flat);
  if (menuButton_) menuButton_->SetFlat(flat);
}

bool TVexaLinkedSpeedButton::InBothParts(QPoint pos) const {
  const int arrowWidth = menuButton_ ? menuButton_->width() : 0;
  return pos.x() >= 0 && pos.x() < width() + arrowWidth && pos.y() >= 0 && pos.y() < height();
}

bool TVexaLinkedSpeedButton::hitButton(const QPoint& pos) const {
  return TSpeedButton::hitButton(pos) || (menuButton_ && InBothParts(pos));
}

void TVexaLinkedSpeedButton::mousePressEvent(QMouseEvent* event) {
  TSpeedButton::mousePressEvent(event);
  if (!menuButton_) return;
  menuButton_->SetRelayMode(true);
  menuButton_->RelayMouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TVexaLinkedSpeedButton::mouseMoveEvent(QMouseEvent* event) {
  TSpeedButton::mouseMoveEvent(event);
  if (!menuButton_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint pos = event->position().toPoint();
  if (InBothParts(pos)) {
    if (!menuButton_->isDown()) {
      menuButton_->SetRelayMode(true);
      menuButton_->RelayMouseDown(Qt::LeftButton, event->modifiers(), pos);
    }
  } else {
    menuButton_->RelayMouseMove(event->modifiers(), QPoint(-1, -1));
  }
}

void TVexaLinkedSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  if (menuButton_) {
    menuButton_->RelayMouseUp(event->button(), event->modifiers(), event->position().toPoint());
    menuButton_->SetRelayMode(false);
  }
  // Released over either part, the ordinary release clicks: the current command runs.
  TSpeedButton::mouseReleaseEvent(event);
}

void TVexaLinkedSpeedButton::changeEvent(QEvent* event) {
  TSpeedButton::changeEvent(event);
  if (event->type() == QEvent::EnabledChange && menuButton_) menuButton_->setEnabled(isEnabled());
}

void TVexaLinkedSpeedButton::moveEvent(QMoveEvent* event) {
  TSpeedButton::moveEvent(event);
  if (menuButton_) menuButton_->FollowLinked();
}

void TVexaLinkedSpeedButton::resizeEvent(QResizeEvent* event) {
  TSpeedButton::resizeEvent(event);
  if (menuButton_) menuButton_->FollowLinked();
}

void TVexaLinkedSpeedButton::enterEvent(QEnterEvent* event) {
  TSpeedButton::enterEvent(event);
  if (menuButton_) menuButton_->PartnerHover(true);
}

void TVexaLinkedSpeedButton::leaveEvent(QEvent* event) {
  TSpeedButton::leaveEvent(event);
  if (menuButton_) menuButton_->PartnerHover(false);
}

}  // namespace app
