// Flat menus: a component on a window that paints all the window's menus (its menu bar, its pop-up
// menus and their submenus) and the grips of its tool bars in a flat style: a light background, an
// icon column on the left, a framed highlight for the selected item, check marks in a tinted box,
// separators as thin lines. It works by giving those widgets a style of its own.
//
//   auto* flat = new app::TFlatMenu(this);        // FlatMenu1; pop-up menus must have the window as
//   flat->setObjectName("FlatMenu1");              // (indirect) parent to be found
//   flat->SetIconBackColor(windowColour);
//   flat->SetActive(true);
//
// Menus that already carry a style of their own keep it unless OverrideOwnerDraw is on. The display
// depth (bits per pixel) decides between the rich and the plain colour scheme; tests set it.
#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QProxyStyle>
#include <vector>

#include "app/flat_menu_colors.h"

class QMenu;

namespace app {

class TFlatMenu;

// The painting of the flat menus; every colour comes from its TFlatMenu at paint time.
class FlatMenuStyle : public QProxyStyle {
  Q_OBJECT

 public:
  explicit FlatMenuStyle(const TFlatMenu* owner);

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget = nullptr) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;

 private:
  void DrawMenuItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
  void DrawMenuBarItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
  void FillItemBackground(QPainter* painter, const QRect& rect, bool rightToLeft, const FlatMenuColors& colors) const;

  const TFlatMenu* owner_;
};

class TFlatMenu : public QObject {
  Q_OBJECT

 public:
  explicit TFlatMenu(QWidget* window);
  ~TFlatMenu() override;

  bool Active() const { return active_; }
  // On: every menu, submenu, menu bar and tool bar of the window is painted flat; off: they get their
  // usual painting back (only those this component took).
  void SetActive(bool on);

  const FlatMenuProperties& Colors() const { return properties_; }
  void SetColors(const FlatMenuProperties& properties) { properties_ = properties; }
  void SetIconBackColor(TColor color) { properties_.IconBackColor = color; }
  void SetUseSystemColors(bool on) { properties_.UseSystemColors = on; }

  // The item text's font; the system's menu font unless set (reset to it when UseSystemColors is on).
  QFont Font() const;
  void SetFont(const QFont& font) {
    font_ = font;
    fontSet_ = true;
  }

  int IconWidth() const { return iconWidth_; }
  void SetIconWidth(int width) { iconWidth_ = width; }
  bool DrawSelect() const { return drawSelect_; }
  void SetDrawSelect(bool on) { drawSelect_ = on; }
  bool OverrideOwnerDraw() const { return overrideOwnerDraw_; }
  void SetOverrideOwnerDraw(bool on) { overrideOwnerDraw_ = on; }
  bool Gradient() const { return gradient_; }
  void SetGradient(bool on) { gradient_ = on; }
  // Flat borders around the pop-up menus.
  bool FlatBorders() const { return flatBorders_; }
  void SetFlatBorders(bool on) { flatBorders_ = on; }
  bool AutoDetect() const { return autoDetect_; }
  void SetAutoDetect(bool on) { autoDetect_ = on; }

  // Bits per pixel of the display; the primary screen's unless set.
  int DisplayDepth() const;
  void SetDisplayDepth(int bits) { depth_ = bits; }

  // The colours the next painted item uses.
  FlatMenuColors WorkingColors() const;
  FlatMenuStyle* Style() const { return style_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Take(QWidget* widget);
  void TakeSubmenus(const QWidget* menu);

  QPointer<QWidget> window_;
  FlatMenuStyle* style_;
  std::vector<QPointer<QWidget>> taken_;
  FlatMenuProperties properties_;
  QFont font_;
  bool fontSet_ = false;
  int iconWidth_ = 24;
  bool drawSelect_ = true;
  bool overrideOwnerDraw_ = false;
  bool gradient_ = false;
  bool flatBorders_ = false;
  bool autoDetect_ = false;
  bool active_ = false;
  int depth_ = 0;
};

}  // namespace app
