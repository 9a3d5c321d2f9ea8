#include "app/real_spin.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <algorithm>

#include "app/control_glyphs.h"
#include "platform/qt_dialogs.h"

namespace app {
namespace {

class QtRepeatTimer : public RepeatTimer {
 public:
  QtRepeatTimer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (OnTimeout) OnTimeout();
    });
  }
  void Start(int milliseconds) override { timer_.start(milliseconds); }
  void SetInterval(int milliseconds) override { timer_.setInterval(milliseconds); }
  void Stop() override { timer_.stop(); }
  bool Active() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
};

// The up button's glyph above the down button's, as a spin button has them.
constexpr int kArrowWidth = 7;

// Frame width of the edit, inside which the spin button sits.
int FrameWidth(const QWidget* widget) {
  return std::max(1, widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget));
}

}  // namespace

// ---- TTimerSpeedButton ----

TTimerSpeedButton::TTimerSpeedButton(QWidget* parent)
    : TSpeedButton(parent), factory_([] { return std::make_unique<QtRepeatTimer>(); }) {}

TTimerSpeedButton::~TTimerSpeedButton() = default;

void TTimerSpeedButton::SetFocusRect(bool on) {
  if (focusRect_ == on) return;
  focusRect_ = on;
  update();
}

void TTimerSpeedButton::mousePressEvent(QMouseEvent* event) {
  TSpeedButton::mousePressEvent(event);
  if (!allowTimer_ || !isDown()) return;
  if (!timer_) {
    timer_ = factory_();
    timer_->OnTimeout = [this] { TimerExpired(); };
  }
  timer_->Start(kFirstDelay);
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  if (timer_) timer_->Stop();
  TSpeedButton::mouseReleaseEvent(event);
}

void TTimerSpeedButton::TimerExpired() {
  timer_->SetInterval(kRepeatInterval);
  // Only while the mouse still holds the button down over it.
  if (!isDown()) return;
  if (!platform::RunGuarded([this] { Click(); })) timer_->Stop();
}

void TTimerSpeedButton::paintEvent(QPaintEvent* event) {
  TSpeedButton::paintEvent(event);
  if (!focusRect_) return;
  QPainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.rect = rect().adjusted(3, 3, -3, -3);
  if (isDown()) option.rect.translate(1, 1);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

// ---- TSpinButton ----

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
  up_ = new TTimerSpeedButton(this);
  up_->setObjectName(QStringLiteral("UpButton"));
  up_->SetGlyph(ArrowGlyph(ArrowDirection::Up, kArrowWidth));
  down_ = new TTimerSpeedButton(this);
  down_->setObjectName(QStringLiteral("DownButton"));
  down_->SetGlyph(ArrowGlyph(ArrowDirection::Down, kArrowWidth));
  focused_ = up_;
  for (TTimerSpeedButton* b : {up_, down_}) {
    b->setIconSize(QSize(kArrowWidth, (kArrowWidth + 1) / 2));
    connect(b, &QAbstractButton::pressed, this, [this, b] { ButtonPressed(b); });
  }
  up_->OnClick = [this] { emit UpClick(); };
  down_->OnClick = [this] { emit DownClick(); };
  setFocusPolicy(Qt::TabFocus);
  resize(20, 25);
}

void TSpinButton::resizeEvent(QResizeEvent*) {
  // At least 15 wide; the halves overlap by one pixel.
  const int w = std::max(width(), 15);
  if (w != width()) resize(w, height());
  const int half = height() / 2;
  up_->setGeometry(0, 0, w, half);
  down_->setGeometry(0, half - 1, w, height() - half + 1);
}

void TSpinButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space: focused_->Click(); break;
    case Qt::Key_Up:
      SetFocusedButton(up_);
      up_->Click();
      break;
    case Qt::Key_Down:
      SetFocusedButton(down_);
      down_->Click();
      break;
    default: QWidget::keyPressEvent(event); return;
  }
  event->accept();
}

void TSpinButton::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  focused_->SetFocusRect(true);
}

void TSpinButton::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  focused_->SetFocusRect(false);
}

void TSpinButton::SetFocusedButton(TTimerSpeedButton* button) {
  if (button == focused_) return;
  focused_->SetFocusRect(false);
  focused_ = button;
  focused_->SetFocusRect(hasFocus());
}

void TSpinButton::ButtonPressed(TTimerSpeedButton* button) {
  SetFocusedButton(button);
  QWidget* target = focusControl_;
  if (target && target->isEnabled() && target->isVisible() && target->focusPolicy() != Qt::NoFocus)
    target->setFocus(Qt::MouseFocusReason);
  else
    setFocus(Qt::MouseFocusReason);
}

// ---- TRealSpinEdit ----

TRealSpinEdit::TRealSpinEdit(QWidget* parent) : QLineEdit(parent) {
  button_ = new TSpinButton(this);
  button_->setObjectName(QStringLiteral("SpinButton"));
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setCursor(Qt::ArrowCursor);
  button_->SetFocusControl(this);
  connect(button_, &TSpinButton::UpClick, this, [this] { UpClick(); });
  connect(button_, &TSpinButton::DownClick, this, [this] { DownClick(); });
  setTextMargins(0, 0, kButtonWidth + 2, 0);
  setText(QStringLiteral("0"));
  UpdateMinimumHeight();
  PlaceButton();
}

Fixed4 TRealSpinEdit::Value() const { return rules_.ValueOf(text().toStdString()); }

void TRealSpinEdit::SetValue(Fixed4 value) { setText(QString::fromStdString(rules_.TextOf(value))); }

void TRealSpinEdit::SetEditorEnabled(bool on) {
  editorEnabled_ = on;
  setAcceptDrops(on);
}

void TRealSpinEdit::UpClick() {
  if (isReadOnly())
    Refuse();
  else
    SetValue(Value() + rules_.Increment);
}

void TRealSpinEdit::DownClick() {
  if (isReadOnly())
    Refuse();
  else
    SetValue(Value() - rules_.Increment);
}

void TRealSpinEdit::Refuse() {
  QApplication::beep();
  emit KeyRefused();
}

void TRealSpinEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
    event->key() == Qt::Key_Up ? UpClick() : DownClick();
    event->accept();
    return;
  }
  if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
    if (CanEditText()) QLineEdit::keyPressEvent(event);
    event->accept();
    return;
  }
  const QString text = event->text();
  const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (!text.isEmpty() && !shortcut && !RealSpinValue::AcceptsChar(text.at(0).unicode(), editorEnabled_)) {
    Refuse();
    // Enter goes on to the window (its default button) without entering the edit.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
      event->ignore();
    else
      event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TRealSpinEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (autoSelect_ && event->reason() != Qt::MouseFocusReason) selectAll();
}

void TRealSpinEdit::focusOutEvent(QFocusEvent* event) {
  if (auto checked = rules_.TextOnExit(text().toStdString())) setText(QString::fromStdString(*checked));
  QLineEdit::focusOutEvent(event);
}

void TRealSpinEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  PlaceButton();
}

void TRealSpinEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    UpdateMinimumHeight();
    PlaceButton();
  }
}

void TRealSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu(createStandardContextMenu());
  if (!CanEditText())
    for (QAction* action : menu->actions())
      if (action->objectName() == QLatin1String("edit-cut") || action->objectName() == QLatin1String("edit-paste") ||
          action->objectName() == QLatin1String("edit-delete"))
        action->setEnabled(false);
  menu->exec(event->globalPos());
}

void TRealSpinEdit::mouseReleaseEvent(QMouseEvent* event) {
  // The middle button pastes the selection on X11.
  if (event->button() == Qt::MiddleButton && !CanEditText()) {
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void TRealSpinEdit::PlaceButton() {
  const int frame = FrameWidth(this);
  button_->setGeometry(width() - kButtonWidth - frame, frame, kButtonWidth, std::max(height() - 2 * frame, 2));
}

void TRealSpinEdit::UpdateMinimumHeight() {
  // Room for the text and the two buttons above each other.
  const int fontHeight = fontMetrics().height();
  const int systemHeight = QFontMetrics(QApplication::font()).height();
  const int minimum = 4 * FrameWidth(this) + fontHeight + std::min(systemHeight, fontHeight) / 4 + 2;
  setMinimumHeight(minimum);
  if (height() < minimum) resize(width(), minimum);
}

}  // namespace app
