// The program's two logos, our own artwork made by gif/logos/make_logos.sh and built into the
// program as resources:
//   splash window, imgLogo:      700 x 200, still
//   About window, imgOemLogo:    450 x 129, animated, looping without end
//
// A window shows one through a widget of its own that keeps the picture and paints it:
//
//   logo_ = gif::LoadAboutLogo();
//   logo_->OnChange = [this] { update(); };            // a new frame is ready (GUI thread)
//   void paintEvent(QPaintEvent*) override {
//     QImage back(size(), QImage::Format_RGB32);
//     back.fill(palette().window().color());
//     platform::Canvas canvas(&back);
//     logo_->Draw(canvas, {0, 0, width(), height()});  // starts the animation on first call
//     QPainter(this).drawImage(0, 0, back);
//   }
//   void hideEvent(QHideEvent*) override { logo_->StopDraw(); }  // the painter thread ends
//
// Destroying the picture stops and joins its painter.
#pragma once

#include <memory>

#include "gif/gif_image.h"
#include "platform/binary_stream.h"

namespace gif {

inline constexpr const char* kSplashLogoResource = ":/logos/splash.gif";
inline constexpr const char* kAboutLogoResource = ":/logos/about.gif";

// The GIF file's bytes (what a stored window definition would hold after "TGIFImage"). A logo
// missing from the program raises platform::FileError.
platform::Bytes SplashLogoBytes();
platform::Bytes AboutLogoBytes();

// The logos as pictures.
std::unique_ptr<TGIFImage> LoadSplashLogo();
std::unique_ptr<TGIFImage> LoadAboutLogo();

}  // namespace gif
