// Tool buttons that carry a drop-down menu.
//
// TVexaMenuSpeedButton runs its click and then drops its pop-up menu at one of its corners (the main
// window's snap, help and 3D-show buttons):
//
//   auto* sbmSnap = Add(new app::TVexaMenuSpeedButton(bar), "sbmSnap");
//   sbmSnap->SetActiveMenu(snapMenu);                      // a QMenu owned by the window
//   sbmSnap->OnClick = [this] { sbmSnapClick(); };
//   sbmSnap->OnMouseDown = [this](Qt::MouseButton b, auto, auto) { if (b == Qt::RightButton) ... };
//
// A TVexaLinkedSpeedButton with a narrow TVexaLinkedMenuSpeedButton glued to its right edge is a split
// button: the left part runs the current command, the arrow part drops the command menu. A menu entry
// makes its command the current one by replacing the left part's glyph, hint and OnClick:
//
//   auto* lsbArc = Add(new app::TVexaLinkedSpeedButton(bar), "lsbArc");
//   auto* arrow = new app::TVexaLinkedMenuSpeedButton(bar);
//   lsbArc->SetMenuButton(arrow);                          // the arrow places itself at the right edge
//   arrow->SetActiveMenu(arcMenu);
//
// While the left part is pressed the arrow part is put in relay mode: it only shows the press, runs
// none of its own handlers and drops no menu.
#pragma once

#include <QMenu>
#include <QPointer>

#include "app/speed_button.h"

namespace app {

enum class TVexaMenuPlacing { mpTopLeft, mpBottomLeft, mpTopRight, mpBottomRight };

// A speed button that never works as a radio button.
class TVexaUngroupedSpeedButton : public TSpeedButton {
  Q_OBJECT

 public:
  using TSpeedButton::TSpeedButton;
  int GroupIndex() const { return 0; }
  void SetGroupIndex(int) {}
};

class TVexaCustomMenuSpeedButton : public TVexaUngroupedSpeedButton {
  Q_OBJECT

 public:
  explicit TVexaCustomMenuSpeedButton(QWidget* parent = nullptr);

  // The menu dropped on a left click; forgotten when it is destroyed.
  QMenu* ActiveMenu() const { return activeMenu_; }
  void SetActiveMenu(QMenu* menu) { activeMenu_ = menu; }
  // Pop the button up before the menu drops (else after the menu closes).
  bool ReleaseButton() const { return releaseButton_; }
  void SetReleaseButton(bool on) { releaseButton_ = on; }
  TVexaMenuPlacing MenuPlacing() const { return placing_; }
  void SetMenuPlacing(TVexaMenuPlacing placing) { placing_ = placing; }

  // A click counts only outside the release handling, which clicks itself in its own order.
  void Click() override;

  // Shows the menu at a screen point and returns when it closes.
  virtual void ShowMenu(QPoint screenPoint);
  // The corner of the button the menu's top-left corner goes to, in the button's coordinates.
  virtual QPoint MenuPoint() const;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  // Whether a release over the button drops the menu.
  virtual bool DropsMenu() const { return true; }

 private:
  QPointer<QMenu> activeMenu_;
  bool releaseButton_ = false;
  TVexaMenuPlacing placing_ = TVexaMenuPlacing::mpBottomLeft;
  bool inMouseUp_ = false;
};

class TVexaMenuSpeedButton : public TVexaCustomMenuSpeedButton {
  Q_OBJECT

 public:
  using TVexaCustomMenuSpeedButton::TVexaCustomMenuSpeedButton;
};

class TVexaLinkedSpeedButton;

// The arrow part of a split button.
class TVexaLinkedMenuSpeedButton : public TVexaCustomMenuSpeedButton {
  Q_OBJECT

 public:
  static constexpr int kWidth = 14;

  explicit TVexaLinkedMenuSpeedButton(QWidget* parent = nullptr);
  ~TVexaLinkedMenuSpeedButton() override;

  // The glyph is the drop-down arrow while UseDefaultGlyph is on; setting a glyph turns it off, and
  // turning it off clears the glyph.
  bool UseDefaultGlyph() const { return useDefaultGlyph_; }
  void SetUseDefaultGlyph(bool on);
  void SetGlyph(const QPixmap& glyph) override;
  virtual void LoadDefaultGlyph();

  // Links to `button` (null unlinks): the arrow takes its parent, stands at its right edge with its
  // top and height, and follows its Flat and enabled state. TVexaLinkedSpeedButton::SetMenuButton
  // calls this.
  virtual void LinkTo(TVexaLinkedSpeedButton* button);
  TVexaLinkedSpeedButton* LinkedButton() const { return linked_; }
  // Flat follows the linked button's while linked.
  void SetFlat(bool flat) override;

  // Relay mode: the left part's press is mirrored here. On, the own mouse and click handlers are put
  // aside (so relayed presses only draw the button); off, they come back.
  bool RelayMode() const { return relayMode_; }
  void SetRelayMode(bool on);
  void RelayMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
  // A position outside the arrow part pops it up.
  void RelayMouseMove(Qt::KeyboardModifiers modifiers, QPoint pos);
  void RelayMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

  // The partner's hover shown here too (no echo back).
  void PartnerHover(bool inside);
  // Re-places the arrow at the linked button's right edge.
  void FollowLinked();

 protected:
  bool DropsMenu() const override { return !relayMode_; }
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  friend class TVexaLinkedSpeedButton;

  QPointer<TVexaLinkedSpeedButton> linked_;
  bool useDefaultGlyph_ = true;
  bool relayMode_ = false;
  bool relayPressed_ = false;
  bool following_ = false;
  std::function<void()> savedClick_, savedDblClick_;
  MouseHandler savedMouseDown_, savedMouseUp_;
  MoveHandler savedMouseMove_;
};

// The left part of a split button.
class TVexaLinkedSpeedButton : public TSpeedButton {
  Q_OBJECT

 public:
  explicit TVexaLinkedSpeedButton(QWidget* parent = nullptr);
  ~TVexaLinkedSpeedButton() override;

  TVexaLinkedMenuSpeedButton* MenuButton() const { return menuButton_; }
  // Unlinks the old arrow part and links the new one (null: none).
  void SetMenuButton(TVexaLinkedMenuSpeedButton* button);
  void SetFlat(bool flat) override;

 protected:
  // Over the arrow part the left part counts as hit: it stays pressed there and a release there clicks.
  bool hitButton(const QPoint& pos) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  friend class TVexaLinkedMenuSpeedButton;
  bool InBothParts(QPoint pos) const;

  QPointer<TVexaLinkedMenuSpeedButton> menuButton_;
};

}  // namespace app
