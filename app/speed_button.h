// The speed button the program's own controls build on: a tool button whose click and mouse reactions
// are handler properties that can be swapped at run time, as the drop-down command buttons do when a
// menu entry makes its command the button's current one:
//
//   lsbArc->OnClick = [this] { MyCircleCtPtClick(); };
//
// Click() runs OnClick and is what the button's own click (mouse release over it, click(), Space) calls;
// subclasses override it to decide when a click counts. The mouse handlers run after the button's own
// reaction to the press, move or release.
#pragma once

#include <QPixmap>
#include <QToolButton>
#include <functional>

namespace app {

class TSpeedButton : public QToolButton {
  Q_OBJECT

 public:
  using MouseHandler = std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos)>;
  using MoveHandler = std::function<void(Qt::KeyboardModifiers modifiers, QPoint pos)>;

  explicit TSpeedButton(QWidget* parent = nullptr);

  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  MouseHandler OnMouseDown;
  MouseHandler OnMouseUp;
  MoveHandler OnMouseMove;

  // Runs OnClick.
  virtual void Click();

  // A flat button shows its frame only under the mouse.
  bool Flat() const { return autoRaise(); }
  virtual void SetFlat(bool flat);

  QPixmap Glyph() const { return glyph_; }
  virtual void SetGlyph(const QPixmap& glyph);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

  // The button's own reactions without the handlers (subclasses reorder them around these).
  void PlainMouseDown(QMouseEvent* event) { QToolButton::mousePressEvent(event); }
  void PlainMouseMove(QMouseEvent* event) { QToolButton::mouseMoveEvent(event); }
  // Releases the button as the mouse does; clicks when released over it.
  void PlainMouseUp(QMouseEvent* event) { QToolButton::mouseReleaseEvent(event); }
  // Releases the button without clicking, as a release outside it would.
  void PopUp();

 private:
  QPixmap glyph_;
};

}  // namespace app
