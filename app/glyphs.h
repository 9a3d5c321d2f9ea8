// The main window's button glyphs and its two image lists (the drawing commands' glyphs by number,
// and the snap button's glyphs), drawn in code at 20 x 20 pixels.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <vector>

namespace app {

inline constexpr int kGlyphSize = 20;

enum class Glyph {
  New, Open, Save, Settings, About, Exit,
  Autozoom, ZoomIn, ZoomBack, ZoomWindow, Pan, Grid, Snap, Axis,
  TopView, FrontView, SideView, IsoView, Show,
  Line, Point, Layer, Delete, Colour,
};

QIcon ToolGlyph(Glyph glyph);

// The glyph of a drawing command by its number in ImageListGlyph (1 circle by centre and diameter,
// 2 arc, 3 polar arc, 6 fillet, 7 trim, 8 extend, 9 change layer, 11 move control point, 12 break,
// 13 translate, 14 rotate, 15 mirror, 16 scale, 17 offset, 19 delete, 21 undelete, 26 delete small,
// 28 polar line, 29 line tangent to two arcs, 30 line tangent at an angle, 31 perpendicular line,
// 32 tangent arc, 33 circle by centre and point, 37 point, 38 point grid, 39 line); null for others.
QPixmap CommandGlyph(int index);
inline constexpr int kCommandGlyphCount = 40;

// The snap button's glyphs: a magnet with the mark of snap kind `index` (0 plain, 1-7 the object
// snaps, 8 the grid).
QPixmap SnapGlyph(int index);
inline constexpr int kSnapGlyphCount = 9;

// An image list component: pictures by index.
class ImageList : public QObject {
  Q_OBJECT

 public:
  explicit ImageList(QObject* parent = nullptr) : QObject(parent) {}
  void Add(const QPixmap& pixmap) { images_.push_back(pixmap); }
  int Count() const { return static_cast<int>(images_.size()); }
  // Null for an index outside the list.
  QPixmap Image(int index) const;

 private:
  std::vector<QPixmap> images_;
};

}  // namespace app
