#include "platform/canvas.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace platform {
namespace {

int CountPixels(const Canvas& c, TColor color) {
  int n = 0;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) n += c.GetPixel(x, y) == color;
  return n;
}

TEST(Canvas, ColoursKeepRedInTheLowByteAndResolveSystemColours) {
  Canvas c(4, 4, clWhite);
  c.SetPixel(1, 1, clRed);
  EXPECT_EQ(qRed(c.Image().pixel(1, 1)), 255);
  EXPECT_EQ(qBlue(c.Image().pixel(1, 1)), 0);
  EXPECT_EQ(c.GetPixel(1, 1), clRed);
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(240, 240, 240));
  EXPECT_EQ(ColorToRGB(0xFFFFFFF5u), clBlack) << "an index naming no system colour resolves to black";
  EXPECT_EQ(ColorToRGB(0x12345678u), 0x345678u);
  EXPECT_EQ(c.GetPixel(-1, 0), clBlack);
}

TEST(Canvas, LineToLeavesOutTheEndPixel) {
  Canvas c(20, 20, clWhite);
  c.MoveTo(2, 3);
  c.LineTo(8, 3);
  for (int x = 2; x < 8; ++x) EXPECT_EQ(c.GetPixel(x, 3), clBlack) << x;
  EXPECT_EQ(c.GetPixel(8, 3), clWhite);
  EXPECT_EQ(c.PenPos(), (Point{8, 3}));
  EXPECT_EQ(CountPixels(c, clBlack), 6);

  // Going on from the end draws the left-out pixel as its first one; a diagonal has one pixel a step.
  c.LineTo(8, 10);
  EXPECT_EQ(c.GetPixel(8, 3), clBlack);
  EXPECT_EQ(c.GetPixel(8, 10), clWhite);
  Canvas d(20, 20, clWhite);
  d.MoveTo(0, 0);
  d.LineTo(10, 10);
  EXPECT_EQ(CountPixels(d, clBlack), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(d.GetPixel(i, i), clBlack);
  // Steep and leftward lines: one pixel per step of the major axis.
  Canvas e(20, 20, clWhite);
  e.MoveTo(10, 15);
  e.LineTo(7, 2);
  EXPECT_EQ(CountPixels(e, clBlack), 13);
  EXPECT_EQ(e.GetPixel(10, 15), clBlack);
  EXPECT_EQ(e.GetPixel(7, 2), clWhite);
}

TEST(Canvas, LinesBetweenFarOffPointsDrawWhatCrossesTheImage) {
  // Zoomed views send points up to the ends of the integers; only the pixels in sight are walked.
  Canvas c(20, 20, clWhite);
  c.MoveTo(-2000000000, 5);
  c.LineTo(2000000000, 5);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(c.GetPixel(x, 5), clBlack) << x;
  EXPECT_EQ(CountPixels(c, clBlack), 20);
  Canvas d(20, 20, clWhite);
  d.MoveTo(1000000000, 1000000000);
  d.LineTo(-1000000000, -1000000000);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(d.GetPixel(i, i), clBlack) << i;
  EXPECT_EQ(CountPixels(d, clBlack), 20);
  Canvas p(20, 20, clWhite);
  p.SetBrush(Brush{clRed, BrushStyle::Solid});
  p.Polygon({{-2000000000, -2000000000}, {2000000000, -2000000000}, {2000000000, 2000000000}});
  EXPECT_EQ(p.GetPixel(15, 3), clRed);
  EXPECT_EQ(p.GetPixel(3, 15), clWhite);
  EXPECT_EQ(p.GetPixel(10, 10), clBlack) << "the diagonal edge";

  // Lines cut by a clip rectangle set the same pixels inside it as whole ones (drawn shifted on a
  // larger image, where every pixel is walked), in every direction, with the dash pattern running on
  // from the line's start.
  std::mt19937 random(11);
  std::uniform_int_distribution<int> coordinate(-60, 160);
  const Rect clip{30, 20, 70, 80};
  for (PenStyle style : {PenStyle::Solid, PenStyle::DashDot}) {
    const int shift = 100;
    Canvas whole(300, 300, clWhite), cut(100, 100, clWhite);
    cut.SetClipRect(clip);
    for (Canvas* canvas : {&whole, &cut}) {
      canvas->SetPen(Pen{clBlack, 1, style, PenMode::Xor});
      canvas->SetBrush(Brush{clRed, BrushStyle::Solid});
    }
    for (int n = 0; n < 300; ++n) {
      const int x0 = coordinate(random), y0 = coordinate(random), x1 = coordinate(random), y1 = coordinate(random);
      whole.MoveTo(x0 + shift, y0 + shift);
      whole.LineTo(x1 + shift, y1 + shift);
      cut.MoveTo(x0, y0);
      cut.LineTo(x1, y1);
    }
    std::vector<Point> shape, shifted;
    for (int n = 0; n < 7; ++n) {
      shape.push_back({coordinate(random), coordinate(random)});
      shifted.push_back({shape.back().X + shift, shape.back().Y + shift});
    }
    whole.Polygon(shifted);
    cut.Polygon(shape);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x)
        if (clip.Contains(x, y)) {
          ASSERT_EQ(cut.GetPixel(x, y), whole.GetPixel(x + shift, y + shift)) << x << "," << y;
        }
  }
}

TEST(Canvas, ClippedLinesKeepTheirPixelsAtEveryCut) {
  // Every short line in every direction, cut at every side at several places: the pixels inside the
  // cut are those of the whole line (ties between two rows or columns included).
  const Rect cuts[] = {{7, 0, 20, 20}, {9, 0, 20, 20}, {0, 8, 20, 20}, {0, 10, 20, 20},
                       {0, 0, 9, 20},  {0, 0, 11, 20}, {0, 0, 20, 9},  {0, 0, 20, 12}};
  for (int x0 = 6; x0 <= 12; ++x0)
    for (int y0 = 6; y0 <= 12; ++y0)
      for (int x1 = 6; x1 <= 12; ++x1)
        for (int y1 = 6; y1 <= 12; ++y1) {
          Canvas whole(20, 20, clWhite);
          whole.MoveTo(x0, y0);
          whole.LineTo(x1, y1);
          for (const Rect& clip : cuts) {
            Canvas cut(20, 20, clWhite);
            cut.SetClipRect(clip);
            cut.MoveTo(x0, y0);
            cut.LineTo(x1, y1);
            for (int y = clip.Top; y < clip.Bottom; ++y)
              for (int x = clip.Left; x < clip.Right; ++x)
                ASSERT_EQ(cut.GetPixel(x, y), whole.GetPixel(x, y))
                    << "(" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ") at " << x << "," << y;
          }
        }
}

TEST(Canvas, ExclusiveOrDrawnTwiceLeavesTheImageAsItWas) {
  Canvas c(60, 60, clWhite);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) c.SetPixel(x, y, RGBColor(uint8_t(x * 4), uint8_t(y * 4), uint8_t(x ^ y)));
  const QImage before = c.Image().copy();
  auto drawAll = [&] {
    c.SetPen(Pen{clRed, 1, PenStyle::Solid, PenMode::Xor});
    c.SetBrush(Brush{clBlue, BrushStyle::Solid});
    c.MoveTo(1, 1);
    c.LineTo(50, 37);
    c.LineTo(3, 55);
    std::vector<Point> pl{{5, 5}, {40, 9}, {12, 30}, {5, 5}};
    c.Polyline(pl);
    c.Rectangle(10, 10, 30, 25);
    c.Ellipse(20, 20, 55, 45);
    c.Polygon({{5, 50}, {50, 5}, {55, 55}, {2, 20}});
    c.SetPen(Pen{clLime, 3, PenStyle::Solid, PenMode::Xor});
    c.Polyline({{2, 2}, {30, 50}, {58, 4}});
  };
  drawAll();
  EXPECT_NE(c.Image(), before);
  drawAll();
  EXPECT_EQ(c.Image(), before);

  // Copying a bitmap with the source-invert raster operation twice also restores it.
  Canvas pic(8, 8, clYellow);
  c.SetCopyMode(SRCINVERT);
  c.StretchDraw(Rect{4, 4, 36, 20}, pic.Image());
  EXPECT_NE(c.Image(), before);
  c.StretchDraw(Rect{4, 4, 36, 20}, pic.Image());
  EXPECT_EQ(c.Image(), before);
}

TEST(Canvas, RasterOperationsOfThePen) {
  EXPECT_EQ(MixPen(PenMode::Copy, 0x123456, 0xABCDEF), 0x123456u);
  EXPECT_EQ(MixPen(PenMode::Xor, 0x0000FF, 0x0000F0), 0x00000Fu);
  EXPECT_EQ(MixPen(PenMode::NotXor, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(MixPen(PenMode::Not, 0, 0x00FF00), 0xFF00FFu);
  EXPECT_EQ(MixPen(PenMode::Nop, 0x123456, 0xABCDEF), 0xABCDEFu);
  EXPECT_EQ(MixPen(PenMode::Mask, 0xFF00FF, 0x123456), 0x120056u);
  EXPECT_EQ(MixPen(PenMode::MergePenNot, 0, 0xFFFF00), 0x0000FFu);

  Canvas c(10, 10, clWhite);
  c.SetPen(Pen{clBlack, 1, PenStyle::Solid, PenMode::Not});
  c.MoveTo(0, 0);
  c.LineTo(4, 0);
  EXPECT_EQ(c.GetPixel(0, 0), clBlack);
  c.SetPen(Pen{clBlack, 1, PenStyle::Clear, PenMode::Copy});
  c.MoveTo(0, 5);
  c.LineTo(9, 5);
  EXPECT_EQ(c.GetPixel(3, 5), clWhite) << "a clear pen draws nothing";
}

TEST(Canvas, RectanglesAndPolygonsFollowTheWindowsPixelRules) {
  Canvas c(20, 20, clWhite);
  c.SetBrush(Brush{clRed, BrushStyle::Solid});
  c.Rectangle(2, 2, 6, 6);
  EXPECT_EQ(c.GetPixel(2, 2), clBlack);
  EXPECT_EQ(c.GetPixel(5, 5), clBlack) << "the outline's last pixel lies at right - 1, bottom - 1";
  EXPECT_EQ(c.GetPixel(6, 6), clWhite);
  EXPECT_EQ(c.GetPixel(6, 3), clWhite);
  EXPECT_EQ(c.GetPixel(3, 3), clRed);
  EXPECT_EQ(CountPixels(c, clRed), 4);
  EXPECT_EQ(CountPixels(c, clBlack), 12);

  c.FillRect(Rect{10, 10, 13, 12});
  EXPECT_EQ(CountPixels(c, clRed), 4 + 6);

  // A self-crossing five-pointed star: the pentagon in the middle is crossed twice, so it stays empty.
  Canvas s(100, 100, clWhite);
  s.SetPen(Pen{clBlack, 1, PenStyle::Clear, PenMode::Copy});
  s.SetBrush(Brush{clBlue, BrushStyle::Solid});
  s.Polygon({{50, 5}, {79, 95}, {2, 39}, {98, 39}, {21, 95}});
  EXPECT_EQ(s.GetPixel(50, 55), clWhite) << "centre of the star";
  EXPECT_EQ(s.GetPixel(50, 20), clBlue) << "top point";
  EXPECT_EQ(s.GetPixel(15, 42), clBlue) << "left point";
  EXPECT_EQ(s.GetPixel(75, 88), clBlue) << "bottom right point";
  EXPECT_EQ(s.GetPixel(5, 90), clWhite) << "outside";

  // Ellipse fits inside left..right - 1.
  Canvas e(30, 30, clWhite);
  e.SetBrush(Brush{clRed, BrushStyle::Solid});
  e.Ellipse(5, 5, 25, 15);
  EXPECT_EQ(e.GetPixel(15, 10), clRed);
  for (int y = 0; y < 30; ++y) {
    EXPECT_EQ(e.GetPixel(25, y), clWhite);
    EXPECT_EQ(e.GetPixel(4, y), clWhite);
  }
  EXPECT_GT(CountPixels(e, clBlack), 30);
}

TEST(Canvas, StyledPensAndTheClipRectangle) {
  Canvas c(40, 5, clWhite);
  c.SetBackgroundMode(BackgroundMode::Transparent);
  c.SetPen(Pen{clBlack, 1, PenStyle::Dot, PenMode::Copy});
  c.MoveTo(0, 1);
  c.LineTo(12, 1);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(c.GetPixel(x, 1), (x % 6) < 3 ? clBlack : clWhite) << x;
  c.SetBackgroundMode(BackgroundMode::Opaque);
  c.SetBrush(Brush{clRed, BrushStyle::Solid});
  c.MoveTo(0, 2);
  c.LineTo(12, 2);
  EXPECT_EQ(c.GetPixel(4, 2), clRed) << "opaque gaps take the background colour";

  Canvas k(20, 20, clWhite);
  k.SetClipRect(Rect{5, 5, 10, 10});
  k.MoveTo(0, 7);
  k.LineTo(20, 7);
  EXPECT_EQ(k.GetPixel(6, 7), clBlack);
  k.SetBrush(Brush{clRed, BrushStyle::Solid});
  k.Rectangle(0, 0, 20, 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      if (!Rect{5, 5, 10, 10}.Contains(x, y)) {
        ASSERT_EQ(k.GetPixel(x, y), clWhite) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(k.GetPixel(6, 7), clRed);
}

TEST(Canvas, TextWithOpaqueOrTransparentBackground) {
  Canvas c(120, 40, clBlue);
  c.SetFont(Font{"DejaVu Sans", -14, 0, 400, false, false, false, clBlack});
  EXPECT_GT(c.TextWidth("Velkora"), c.TextWidth("V"));
  EXPECT_GT(c.TextHeight("Velkora"), 0);

  c.SetBackgroundMode(BackgroundMode::Transparent);
  c.SetBrush(Brush{clWhite, BrushStyle::Solid});
  c.TextOut(2, 2, "Velkora");
  EXPECT_GT(CountPixels(c, clBlack), 10);
  EXPECT_EQ(CountPixels(c, clWhite), 0) << "a transparent background leaves the blue";

  c.SetBackgroundMode(BackgroundMode::Opaque);
  c.TextOut(2, 20, "Velkora");
  EXPECT_GT(CountPixels(c, clWhite), c.TextWidth("Velkora") * 5);

  Rect r{0, 0, 50, 0};
  int h = c.DrawText(r, "one two three four", DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GT(h, c.TextHeight("x")) << "words wrap onto several lines";
  EXPECT_EQ(r.Bottom, h);
}

}  // namespace
}  // namespace platform
