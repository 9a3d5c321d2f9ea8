#include "app/flat_menu.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QToolBar>
#include <algorithm>

#include "platform/numbers.h"

namespace app {
namespace {

QColor Q(TColor color) {
  const TColor c = platform::ColorToRGB(color);
  return QColor(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c));
}

// Every pixel of an image passed through `map`, transparency kept.
template <class F>
QImage MapPixels(const QImage& source, F map) {
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QColor mapped = Q(map(platform::RGBColor(qRed(line[x]), qGreen(line[x]), qBlue(line[x]))));
      line[x] = qRgba(mapped.red(), mapped.green(), mapped.blue(), qAlpha(line[x]));
    }
  }
  return image;
}

// The image's shape in one colour.
QImage Silhouette(const QImage& source, QColor color) {
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) line[x] = qRgba(color.red(), color.green(), color.blue(), qAlpha(line[x]));
  }
  return image;
}

// A tick of five strokes: the short leg two pixels thick, the long one three, in a box 7 x 7.
void DrawTick(QPainter* painter, QPoint origin) {
  painter->setPen(QPen(Qt::black, 1));
  for (int i = 0; i < 2; ++i) painter->drawLine(origin + QPoint(0, 2 + i), origin + QPoint(2, 4 + i));
  for (int i = 0; i < 3; ++i) painter->drawLine(origin + QPoint(2, 4 + i), origin + QPoint(6, i));
}

void DrawSubmenuArrow(QPainter* painter, const QRect& item, bool rightToLeft, QColor color) {
  const int size = 4, midY = item.top() + item.height() / 2;
  QPainterPath arrow;
  if (rightToLeft) {
    const int x = item.left() + 6;
    arrow.moveTo(x, midY);
    arrow.lineTo(x + size, midY - size);
    arrow.lineTo(x + size, midY + size);
  } else {
    const int x = item.right() - 6;
    arrow.moveTo(x, midY);
    arrow.lineTo(x - size, midY - size);
    arrow.lineTo(x - size, midY + size);
  }
  arrow.closeSubpath();
  painter->fillPath(arrow, color);
}

// Caption and shortcut of a menu item's text.
std::pair<QString, QString> SplitItemText(const QString& text) {
  const int tab = text.indexOf(QLatin1Char('\t'));
  if (tab < 0) return {text, QString()};
  return {text.left(tab), text.mid(tab + 1)};
}

}  // namespace

// ---- FlatMenuStyle ----

FlatMenuStyle::FlatMenuStyle(const TFlatMenu* owner) : QProxyStyle(), owner_(owner) {}

int FlatMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_MenuPanelWidth: return owner_->FlatBorders() ? 2 : QProxyStyle::pixelMetric(metric, option, widget);
    case PM_MenuHMargin: return 0;
    case PM_MenuVMargin: return 1;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

QSize FlatMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                      const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (type != CT_MenuItem || !item) return QProxyStyle::sizeFromContents(type, option, size, widget);
  const int iconWidth = owner_->IconWidth();
  if (item->menuItemType == QStyleOptionMenuItem::Separator) return QSize(iconWidth + 10, 4);
  const QFontMetrics metrics(owner_->Font());
  const auto [caption, shortcut] = SplitItemText(item->text);
  const QString text = shortcut.isEmpty() ? caption : caption + QStringLiteral("WWW") + shortcut;
  const int iconSize = pixelMetric(PM_SmallIconSize, option, widget);
  const QSize image = item->icon.isNull() ? QSize() : item->icon.actualSize(QSize(iconSize, iconSize));
  // The caption is painted 5 pixels past the icon column and ends 10 before the edge: measure that
  // room, or the last letter of the longest caption is cut off.
  int width = metrics.horizontalAdvance(text) + std::max(image.width(), iconWidth) + 15;
  if (text.contains(QLatin1Char('&'))) width -= metrics.horizontalAdvance(QLatin1Char('&'));
  // Room for the submenu arrow, which the system would reserve.
  if (item->menuItemType == QStyleOptionMenuItem::SubMenu) width += 12;
  const int textHeight = metrics.height();
  int height = textHeight + static_cast<int>(platform::Round(0.75 * textHeight));
  if (!image.isEmpty()) height = std::max(height, image.height() + 4);
  return QSize(width, height);
}

void FlatMenuStyle::FillItemBackground(QPainter* painter, const QRect& rect, bool rightToLeft,
                                       const FlatMenuColors& colors) const {
  const int iconWidth = owner_->IconWidth();
  if (owner_->Gradient() && colors.Deep) {
    for (int column = 0; column < rect.width(); ++column) {
      const int x = rightToLeft ? rect.right() - column : rect.left() + column;
      const TColor shade = NearestColor(Lighten(colors.IconColumn, GradientStep(column, iconWidth)),
                                        owner_->DisplayDepth());
      painter->fillRect(x, rect.top(), 1, rect.height(), Q(shade));
    }
    return;
  }
  painter->fillRect(rect, Q(colors.Item));
  const int columnLeft = rightToLeft ? rect.right() - iconWidth + 1 : rect.left();
  painter->fillRect(columnLeft, rect.top(), std::min(iconWidth, rect.width()), rect.height(), Q(colors.IconColumn));
}

void FlatMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const {
  switch (element) {
    case PE_PanelMenu: {
      const FlatMenuColors colors = owner_->WorkingColors();
      const int frame = pixelMetric(PM_MenuPanelWidth, option, widget);
      // The icon column runs on under the items, from the frame's inner edge.
      const bool rtl = option->direction == Qt::RightToLeft;
      QRect inner = option->rect.adjusted(frame, 0, -frame, 0);
      painter->fillRect(option->rect, Q(colors.Item));
      FillItemBackground(painter, inner, rtl, colors);
      return;
    }
    case PE_FrameMenu: {
      if (!owner_->FlatBorders()) break;
      const FlatMenuColors colors = owner_->WorkingColors();
      const QRect r = option->rect;
      painter->save();
      painter->setPen(Q(colors.MenuBorder));
      painter->drawRect(r.adjusted(0, 0, -1, -1));
      // The inner ring hides the system's 3D edge: icon-column colour beside the column, item colour elsewhere.
      const QRect ring = r.adjusted(1, 1, -2, -2);
      painter->setPen(Q(colors.Item));
      painter->drawRect(ring);
      painter->setPen(Q(colors.IconColumn));
      const bool rtl = option->direction == Qt::RightToLeft;
      const int columnEnd = std::min(owner_->IconWidth(), ring.width());
      if (rtl) {
        painter->drawLine(ring.right(), ring.top(), ring.right(), ring.bottom());
        painter->drawLine(ring.right() - columnEnd, ring.top(), ring.right(), ring.top());
        painter->drawLine(ring.right() - columnEnd, ring.bottom(), ring.right(), ring.bottom());
      } else {
        painter->drawLine(ring.left(), ring.top(), ring.left(), ring.bottom());
        painter->drawLine(ring.left(), ring.top(), ring.left() + columnEnd, ring.top());
        painter->drawLine(ring.left(), ring.bottom(), ring.left() + columnEnd, ring.bottom());
      }
      painter->restore();
      return;
    }
    case PE_PanelMenuBar:
      painter->fillRect(option->rect, Q(owner_->WorkingColors().MenuBar));
      return;
    case PE_IndicatorToolBarHandle: {
      // The grip: every other row of a three-pixel strip, over fifteen rows.
      const QRect r = option->rect;
      painter->fillRect(r, Q(platform::SysColor(15)));
      const QColor separator = Q(owner_->WorkingColors().Separator);
      for (int row = 0; row < 15; row += 2) {
        const int y = r.top() + 5 + row;
        if (y >= r.bottom() - 5) break;
        painter->fillRect(r.left() + 5, y, 3, 1, separator);
      }
      return;
    }
    default: break;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FlatMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
  switch (element) {
    case CE_MenuItem: DrawMenuItem(option, painter, widget); return;
    case CE_MenuBarItem: DrawMenuBarItem(option, painter, widget); return;
    case CE_MenuBarEmptyArea: painter->fillRect(option->rect, Q(owner_->WorkingColors().MenuBar)); return;
    case CE_MenuEmptyArea:
      FillItemBackground(painter, option->rect, option->direction == Qt::RightToLeft, owner_->WorkingColors());
      return;
    default: QProxyStyle::drawControl(element, option, painter, widget);
  }
}

void FlatMenuStyle::DrawMenuItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (!item) return QProxyStyle::drawControl(CE_MenuItem, option, painter, widget);
  const FlatMenuColors colors = owner_->WorkingColors();
  const int depth = owner_->DisplayDepth();
  const bool rtl = item->direction == Qt::RightToLeft;
  const bool enabled = item->state & State_Enabled;
  const bool selected = (item->state & State_Selected) && owner_->DrawSelect();
  const bool flat = owner_->FlatBorders();
  const int iconWidth = owner_->IconWidth();
  const QRect r = item->rect;
  const QRect column(rtl ? r.right() - iconWidth + 1 : r.left(), r.top(), iconWidth, r.height());

  painter->save();
  FillItemBackground(painter, r, rtl, colors);

  if (item->menuItemType == QStyleOptionMenuItem::Separator) {
    const int y = r.top() + r.height() / 2;
    painter->setPen(Q(colors.Separator));
    if (rtl)
      painter->drawLine(r.left(), y, column.left() - 8, y);
    else
      painter->drawLine(column.right() + 8, y, r.right(), y);
    painter->restore();
    return;
  }

  if (selected && enabled) {
    painter->fillRect(r, Q(colors.Selection));
    painter->setPen(Q(colors.SelectionFrame));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(r.adjusted(0, 0, flat ? -2 : -1, -1));
  }

  // The image and where it goes: centred in the column when narrower, 4 pixels below the top.
  const int iconSize = pixelMetric(PM_SmallIconSize, option, widget);
  const bool hasImage = !item->icon.isNull();
  const QSize imageSize = hasImage ? item->icon.actualSize(QSize(iconSize, iconSize)) : QSize();
  const int imageX = imageSize.width() < iconWidth ? column.left() + (iconWidth - imageSize.width()) / 2
                     : rtl                         ? column.right() - 1 - imageSize.width()
                                                   : column.left() + 2;
  const QPoint imageAt(imageX, r.top() + 4);

  const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
  if (checked) {
    const QColor area = Q(selected ? colors.CheckedAreaSelected : colors.CheckedArea);
    const int side = std::max(std::min(iconWidth, r.height()) - 6, 6);
    QRect box = hasImage ? QRect(imageAt, imageSize).adjusted(-2, -2, 1, 1)
                         : QRect(column.left() + (iconWidth - side) / 2, r.top() + (r.height() - side) / 2, side, side);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(area);
    if (item->checkType == QStyleOptionMenuItem::Exclusive) {
      painter->setPen(Q(colors.SelectionFrame));
      if (hasImage)
        painter->drawRoundedRect(box, 6, 6);
      else
        painter->drawEllipse(box);
    } else {
      painter->setPen(Q(hasImage ? colors.SelectionFrame : colors.Checked));
      painter->drawRect(box);
      if (!hasImage) DrawTick(painter, box.topLeft() + QPoint((side - 7) / 2 + 1, (side - 7) / 2 + 1));
    }
    painter->setBrush(Qt::NoBrush);
  }

  if (hasImage) {
    const QImage image = item->icon.pixmap(imageSize).toImage();
    if (!enabled) {
      painter->drawImage(imageAt, MapPixels(image, [depth](TColor c) { return NearestColor(Grey(c, 50), depth); }));
    } else if (selected && !checked) {
      painter->drawImage(imageAt + QPoint(1, 1), Silhouette(image, Q(NearestColor(Darken(colors.Selection, 50), depth))));
      painter->drawImage(imageAt - QPoint(1, 1), image);
    } else if (!selected && colors.Deep) {
      painter->drawImage(imageAt, MapPixels(image, [depth](TColor c) { return NearestColor(Lighten(c, 30), depth); }));
    } else {
      painter->drawImage(imageAt, image);
    }
  }

  // Caption and shortcut, vertically centred on the height of a line of text.
  const QFont font = owner_->Font();
  painter->setFont(font);
  const QFontMetrics metrics(font);
  const auto [caption, shortcut] = SplitItemText(item->text);
  const TColor textColor = !enabled ? colors.Disabled : selected ? colors.SelectionText : colors.Font;
  const int textTop = r.top() + (r.height() - metrics.height()) / 2;
  const QRect textRect = rtl ? QRect(r.left() + 10, textTop, column.left() - 5 - (r.left() + 10), metrics.height())
                             : QRect(column.right() + 1 + 5, textTop, r.right() - 10 - (column.right() + 5), metrics.height());
  const int align = (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
  if (enabled && item->menuItemType == QStyleOptionMenuItem::DefaultItem) {
    // A soft halo in the colours under the caption.
    const TColor under = selected ? colors.Selection
                         : (owner_->Gradient() && colors.Deep)
                             ? NearestColor(Lighten(colors.IconColumn, GradientStep(textRect.left() - r.left(), iconWidth)), depth)
                             : colors.Item;
    painter->setPen(Q(under));
    for (QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
      painter->drawText(textRect.translated(offset), align, caption);
  }
  painter->setPen(Q(textColor));
  painter->drawText(textRect, align, caption);
  if (!shortcut.isEmpty()) {
    painter->setPen(Q(colors.Deep ? NearestColor(Lighten(textColor, 40), depth) : textColor));
    painter->drawText(textRect, (rtl ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter | Qt::TextSingleLine, shortcut);
  }
  if (item->menuItemType == QStyleOptionMenuItem::SubMenu) DrawSubmenuArrow(painter, r, rtl, Q(textColor));
  painter->restore();
}

void FlatMenuStyle::DrawMenuBarItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (!item) return QProxyStyle::drawControl(CE_MenuBarItem, option, painter, widget);
  const FlatMenuColors colors = owner_->WorkingColors();
  const QRect r = item->rect;
  const bool enabled = item->state & State_Enabled;
  const bool selected = (item->state & (State_Selected | State_Sunken)) && owner_->DrawSelect() && enabled;
  painter->save();
  painter->fillRect(r, Q(colors.MenuBar));
  if (selected) {
    // A raised box in the icon-column colour with a shadow edge.
    const QRect box = r.adjusted(0, 0, -2, -2);
    painter->fillRect(box, Q(colors.IconColumn));
    painter->setPen(Q(colors.MenuShadow));
    painter->drawLine(box.right() + 1, box.top() + 2, box.right() + 1, box.bottom() + 1);
    painter->drawLine(box.left() + 2, box.bottom() + 1, box.right() + 1, box.bottom() + 1);
    painter->setPen(Q(colors.MenuBorder));
    painter->drawRect(box.adjusted(0, 0, -1, -1));
  }
  painter->setFont(owner_->Font());
  painter->setPen(Q(enabled ? colors.Font : colors.Disabled));
  painter->drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, item->text);
  painter->restore();
}

// ---- TFlatMenu ----

TFlatMenu::TFlatMenu(QWidget* window) : QObject(window), window_(window), style_(new FlatMenuStyle(this)) {
  style_->setParent(this);
}

TFlatMenu::~TFlatMenu() { SetActive(false); }

QFont TFlatMenu::Font() const {
  if (fontSet_ && !properties_.UseSystemColors) return font_;
  QFont font = QApplication::font("QMenu");
  if (font.family() == QLatin1String("MS Sans Serif")) font.setFamily(QStringLiteral("Tahoma"));
  return font;
}

int TFlatMenu::DisplayDepth() const {
  if (depth_ > 0) return depth_;
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->depth() : 32;
}

FlatMenuColors TFlatMenu::WorkingColors() const { return app::WorkingColors(properties_, DisplayDepth()); }

void TFlatMenu::SetActive(bool on) {
  if (on == active_) return;
  active_ = on;
  if (on) {
    if (!window_) return;
    for (QMenuBar* bar : window_->findChildren<QMenuBar*>()) Take(bar);
    for (QMenu* menu : window_->findChildren<QMenu*>()) Take(menu);
    for (QToolBar* bar : window_->findChildren<QToolBar*>()) Take(bar);
    return;
  }
  for (const QPointer<QWidget>& widget : taken_) {
    if (!widget || widget->style() != style_) continue;
    widget->removeEventFilter(this);
    widget->setStyle(nullptr);
  }
  taken_.clear();
}

void TFlatMenu::Take(QWidget* widget) {
  if (widget->style() == style_) return;
  // A widget that was given a style of its own keeps it unless told otherwise.
  if (widget->testAttribute(Qt::WA_SetStyle) && !overrideOwnerDraw_) return;
  widget->setStyle(style_);
  widget->installEventFilter(this);
  taken_.emplace_back(widget);
}

void TFlatMenu::TakeSubmenus(const QWidget* menu) {
  for (QAction* action : menu->actions())
    if (QMenu* submenu = action->menu()) Take(submenu);
}

bool TFlatMenu::eventFilter(QObject* watched, QEvent* event) {
  // Submenus added after activation are taken as soon as their parent paints.
  if (active_ && event->type() == QEvent::Paint)
    if (qobject_cast<QMenu*>(watched) || qobject_cast<QMenuBar*>(watched)) TakeSubmenus(static_cast<QWidget*>(watched));
  return QObject::eventFilter(watched, event);
}

}  // namespace app
