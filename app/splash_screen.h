// The splash window shown while the program starts: borderless, centred, half transparent where the
// window system allows it, the logo filling it but for a 2-pixel margin.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "platform/form.h"

class QLabel;

namespace app {

inline constexpr int kSplashWidth = 700;
inline constexpr int kSplashHeight = 178;
// Opacity 120 of 255.
inline constexpr double kSplashOpacity = 120.0 / 255.0;

// The splash logo: the GIF picture built into the program, stretched to width x height.
QPixmap SplashLogo(int width, int height);

class TSplashScreen : public platform::Form {
  Q_OBJECT

 public:
  explicit TSplashScreen(QWidget* parent = nullptr);
  void FormShow();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* pnlImage_;
  QLabel* imgLogo_;
};

}  // namespace app
