// The logos built into the program load cleanly at their sizes, and the About logo animates the
// way ImageMagick shows it.
#include "gif/logos.h"

#include <gtest/gtest.h>

#include "gif_oracle.h"

namespace {

using namespace gif_testing;

TEST(Logos, LoadAtTheirSizesWithoutWarnings) {
  struct LogoCase {
    const char* name;
    std::unique_ptr<gif::TGIFImage> (*load)();
    platform::Bytes (*bytes)();
    int width, height;
    bool animated;
  };
  for (const LogoCase& c : {LogoCase{"splash", gif::LoadSplashLogo, gif::SplashLogoBytes, 700, 200, false},
                            LogoCase{"about", gif::LoadAboutLogo, gif::AboutLogoBytes, 450, 129, true}}) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> warnings;
    gif::TGIFImage image;
    LoadBytes(image, c.bytes(), &warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(image.GetWidth(), c.width);
    EXPECT_EQ(image.GetHeight(), c.height);
    EXPECT_EQ(image.Version(), gif::TGIFVersion::gv89a);
    const gif::TGIFAppExtNSLoop* loop = nullptr;
    for (const auto& e : image.Images()[0]->Extensions())
      if (auto* l = dynamic_cast<const gif::TGIFAppExtNSLoop*>(e.get())) loop = l;
    if (c.animated) {
      EXPECT_GE(image.Images().Count(), 10);
      ASSERT_NE(loop, nullptr);
      EXPECT_EQ(loop->Loops, 0u) << "loops without end";
    } else {
      EXPECT_EQ(image.Images().Count(), 1);
      EXPECT_EQ(loop, nullptr);
    }
    EXPECT_EQ(c.load()->GetWidth(), c.width);
  }
}

TEST(Logos, AboutLogoComposesAsImageMagickShowsIt) {
  testing_support::ScratchDir dir("giflogo");
  const std::string file = dir.Write("about.gif", gif::AboutLogoBytes());
  ASSERT_EQ(Shell("convert " + file + " -coalesce -background '#ffffff' -alpha remove -alpha off +adjoin ppm:" +
                  dir.File("frame%d.ppm")),
            0);
  auto logo = gif::LoadAboutLogo();
  const std::vector<Picture> shown = ComposeFrames(*logo, platform::clWhite);
  ASSERT_EQ(shown.size(), size_t(logo->Images().Count()));
  for (size_t i = 0; i < shown.size(); ++i)
    EXPECT_EQ(Difference(ReadPnm(dir.File("frame" + std::to_string(i) + ".ppm")), shown[i]), "") << "frame " << i;

  // Drawn as a window would: the first call starts the painter and shows the first frame.
  platform::Canvas canvas(450, 129, platform::clWhite);
  int changes = 0;
  logo->OnChange = [&] { ++changes; };
  logo->Draw(canvas, {0, 0, 450, 129});
  EXPECT_NE(logo->DrawPainter(), nullptr);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(Difference(ReadPnm(dir.File("frame0.ppm")), CanvasColors(canvas)), "");
  logo->StopDraw();
  EXPECT_EQ(logo->PainterCount(), 0);
}

}  // namespace
