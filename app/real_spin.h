// The real-valued spin edit: a one-line edit with up and down buttons inside its right edge, holding a
// number with four decimals (app::Fixed4) between MinValue and MaxValue (no bounds while they are
// equal), stepped by Increment. The main window's polar-arc angles use it:
//
//   auto* rse = Add(new app::TRealSpinEdit(page), "rseArcoPolareSa");
//   rse->SetMinValue(app::Fixed4::FromInt(0));
//   rse->SetMaxValue(app::Fixed4::FromInt(360));
//   connect(rse, &QLineEdit::textChanged, ...);          // OnChange
//   double angle = rse->Value().ToDouble();              // a non-number reads as MinValue
//
// Holding a button steps after 400 ms and then every 100 ms (TTimerSpeedButton); the timer behind it
// can be replaced (SetTimerFactory) so tests drive the clock by hand.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <memory>

#include "app/real_spin_value.h"
#include "app/speed_button.h"

namespace app {

// The clock of a repeating button: calls OnTimeout every interval while started.
class RepeatTimer {
 public:
  virtual ~RepeatTimer() = default;
  virtual void Start(int milliseconds) = 0;
  // Takes effect from the next timeout on.
  virtual void SetInterval(int milliseconds) = 0;
  virtual void Stop() = 0;
  virtual bool Active() const = 0;
  std::function<void()> OnTimeout;
};

using RepeatTimerFactory = std::function<std::unique_ptr<RepeatTimer>()>;

// A speed button that clicks itself while it is held down.
class TTimerSpeedButton : public TSpeedButton {
  Q_OBJECT

 public:
  static constexpr int kFirstDelay = 400;
  static constexpr int kRepeatInterval = 100;

  explicit TTimerSpeedButton(QWidget* parent = nullptr);
  ~TTimerSpeedButton() override;

  bool AllowTimer() const { return allowTimer_; }
  void SetAllowTimer(bool on) { allowTimer_ = on; }
  bool FocusRect() const { return focusRect_; }
  void SetFocusRect(bool on);

  // Where the repeat timer comes from (it is made on the first press); a Qt timer by default.
  void SetTimerFactory(RepeatTimerFactory factory) { factory_ = std::move(factory); }
  const RepeatTimer* Timer() const { return timer_.get(); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void TimerExpired();

  bool allowTimer_ = true;
  bool focusRect_ = false;
  RepeatTimerFactory factory_;
  std::unique_ptr<RepeatTimer> timer_;
};

// The pair of up and down buttons. Arrow keys and Space work on it when it has the focus; a press on
// a button gives the focus to the control it serves (FocusControl).
class TSpinButton : public QWidget {
  Q_OBJECT

 public:
  explicit TSpinButton(QWidget* parent = nullptr);

  TTimerSpeedButton* UpButton() const { return up_; }
  TTimerSpeedButton* DownButton() const { return down_; }
  TTimerSpeedButton* FocusedButton() const { return focused_; }
  QWidget* FocusControl() const { return focusControl_; }
  void SetFocusControl(QWidget* control) { focusControl_ = control; }

 signals:
  void UpClick();
  void DownClick();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void SetFocusedButton(TTimerSpeedButton* button);
  void ButtonPressed(TTimerSpeedButton* button);

  TTimerSpeedButton* up_;
  TTimerSpeedButton* down_;
  TTimerSpeedButton* focused_;
  QPointer<QWidget> focusControl_;
};

class TRealSpinEdit : public QLineEdit {
  Q_OBJECT

 public:
  static constexpr int kButtonWidth = 15;

  explicit TRealSpinEdit(QWidget* parent = nullptr);

  // The text's value; MinValue when the text is no number.
  Fixed4 Value() const;
  // Clamped and written back as text.
  void SetValue(Fixed4 value);
  Fixed4 MinValue() const { return rules_.MinValue; }
  void SetMinValue(Fixed4 value) { rules_.MinValue = value; }
  Fixed4 MaxValue() const { return rules_.MaxValue; }
  void SetMaxValue(Fixed4 value) { rules_.MaxValue = value; }
  Fixed4 Increment() const { return rules_.Increment; }
  void SetIncrement(Fixed4 value) { rules_.Increment = value; }
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool on);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool on) { autoSelect_ = on; }

  TSpinButton* Button() const { return button_; }

  // One step up or down; a beep instead when the edit is read-only.
  void UpClick();
  void DownClick();

 signals:
  // A key was refused (the beep).
  void KeyRefused();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Refuse();
  void PlaceButton();
  void UpdateMinimumHeight();
  bool CanEditText() const { return editorEnabled_ && !isReadOnly(); }

  RealSpinValue rules_;
  bool editorEnabled_ = true;
  bool autoSelect_ = true;
  TSpinButton* button_;
};

}  // namespace app
