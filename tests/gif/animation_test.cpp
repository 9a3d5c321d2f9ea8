// Animations made by ImageMagick: read back with the values they were made with, and composed by
// our painter over a known background exactly as ImageMagick's -coalesce flattened over it.
#include <gtest/gtest.h>

#include <sstream>

#include "gif/painter.h"
#include "gif_oracle.h"

namespace {

using gif::TGIFImage;
using namespace gif_testing;

constexpr const char* kBackground = "#336699";

const gif::TGIFAppExtNSLoop* LoopOf(const gif::TGIFSubImage& frame) {
  for (const auto& extension : frame.Extensions())
    if (auto* loop = dynamic_cast<const gif::TGIFAppExtNSLoop*>(extension.get())) return loop;
  return nullptr;
}

TEST(GIFAnimation, ImageMagickAnimationsReadBackAndComposeAlike) {
  testing_support::ScratchDir dir("gifanim");
  const std::string file = dir.File("anim.gif"), endlessFile = dir.File("endlessFile.gif");
  // Frames with offsets, delays, every disposal and transparency; a second file loops endlessFile.
  const std::string make =
      "convert -loop 3 -dispose none -delay 7 -size 40x30 gradient:'#204080-#80c040'"
      " -dispose background -delay 12 -page +5+6 \\( -size 10x8 xc:none -fill '#ff0000' -draw 'rectangle 2,1 7,6' \\)"
      " -dispose previous -delay 30 -page +20+3 \\( -size 12x9 xc:none -fill '#0000ff' -draw 'ellipse 6,4 5,4 0,360' \\)"
      " -dispose undefined -delay 1 -page +14+10 \\( -size 16x12 xc:'#00ff00' -fill black -draw 'rectangle 3,3 9,7' \\)"
      " -dispose none -delay 0 -page +30+20 \\( -size 8x8 xc:'#ffff00' \\) " + file +
      " && convert -loop 0 -delay 5 -size 3x2 xc:red xc:blue " + endlessFile +
      " && convert " + file + " -coalesce -background '" + kBackground + "' -alpha remove -alpha off +adjoin ppm:" +
      dir.File("coalesced%d.ppm");
  ASSERT_EQ(Shell(make), 0);

  TGIFImage image;
  std::vector<std::string> warnings;
  LoadFile(image, file, &warnings);
  EXPECT_TRUE(warnings.empty());
  std::istringstream expected(Output("identify -format '%X %Y %w %h %T %D %A\\n' " + file));
  int frames = 0;
  for (std::string x, y, w, h, delay, dispose, alpha; expected >> x >> y >> w >> h >> delay >> dispose >> alpha; ++frames) {
    SCOPED_TRACE("frame " + std::to_string(frames));
    ASSERT_LT(frames, image.Images().Count());
    const gif::TGIFSubImage& frame = *image.Images()[frames];
    EXPECT_EQ(frame.Left(), std::stoi(x));
    EXPECT_EQ(frame.Top(), std::stoi(y));
    EXPECT_EQ(frame.Width(), std::stoi(w));
    EXPECT_EQ(frame.Height(), std::stoi(h));
    EXPECT_EQ(frame.Delay(), std::stoi(delay));
    const int disposal = dispose == "None" ? 1 : dispose == "Background" ? 2 : dispose == "Previous" ? 3 : 0;
    EXPECT_EQ(frame.Disposal(), disposal);
    EXPECT_EQ(frame.Transparent(), alpha == "True");
  }
  EXPECT_EQ(frames, 5);
  EXPECT_EQ(image.Images().Count(), 5);
  const gif::TGIFAppExtNSLoop* loop = LoopOf(*image.Images()[0]);
  ASSERT_NE(loop, nullptr);
  EXPECT_EQ(loop->Loops, 3u);
  TGIFImage endless;
  LoadFile(endless, endlessFile);
  const gif::TGIFAppExtNSLoop* endlessLoop = LoopOf(*endless.Images()[0]);
  ASSERT_NE(endlessLoop, nullptr);
  EXPECT_EQ(endlessLoop->Loops, 0u);

  // Our composition, frame by frame, over the same background.
  const platform::TColor background = platform::RGBColor(0x33, 0x66, 0x99);
  platform::Canvas canvas(40, 30, background);
  image.BackgroundColor = background;
  image.AnimationSpeed = 1000000;  // no waiting between frames
  std::vector<Picture> shown;
  image.OnAfterPaint = [&](gif::TGIFPainter&) { shown.push_back(CanvasColors(canvas)); };
  EXPECT_EQ(image.Paint(canvas, {0, 0, 40, 30}, gif::DrawTransparent | gif::DrawAnimate), nullptr)
      << "a synchronous painter runs to its end at once";
  ASSERT_EQ(shown.size(), 5u);
  for (size_t i = 0; i < shown.size(); ++i)
    EXPECT_EQ(Difference(ReadPnm(dir.File("coalesced" + std::to_string(i) + ".ppm")), shown[i]), "")
        << "frame " << i;
}

}  // namespace
