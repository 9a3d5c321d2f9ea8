#include "cad/decorative_pen.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "cad/geometry_drawing.h"

namespace cad {
namespace {

using platform::clBlack;
using platform::clWhite;
using Pixels = std::set<std::pair<int, int>>;

Pixels Drawn(const platform::Canvas& c, platform::TColor background = clWhite) {
  Pixels out;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.GetPixel(x, y) != background) out.insert({x, y});
  return out;
}

TEST(DecorativePen, PatternBits) {
  TDecorativePen pen;
  EXPECT_TRUE(pen.IsSolid());
  pen.SetPattern("10x1");
  EXPECT_EQ(pen.PatternLength(), 4);
  EXPECT_TRUE(pen.GetBit(0));
  EXPECT_FALSE(pen.GetBit(1));
  EXPECT_FALSE(pen.GetBit(2)) << "any character other than '1' clears";
  EXPECT_TRUE(pen.GetBit(3));
  EXPECT_FALSE(pen.GetBit(7));
  pen.SetBit(1, true);
  EXPECT_TRUE(pen.GetBit(1));
  TDecorativePen copy;
  copy.Assign(pen);
  EXPECT_EQ(copy.PatternLength(), 4);
  EXPECT_TRUE(copy.GetBit(1));
  pen.SetPattern("");
  EXPECT_TRUE(pen.IsSolid());
}

TEST(DecorativePen, PatternOneInThreeStartsAtTheLineStart) {
  platform::Canvas c(20, 10, clWhite);
  TDecorativeCanvas dc(c);
  dc.Pen().SetPattern("100");
  dc.MoveTo(0, 5);
  dc.LineTo(10, 5);
  EXPECT_EQ(Drawn(c), (Pixels{{0, 5}, {3, 5}, {6, 5}}));

  // Vertical: the walk follows Y.
  platform::Canvas v(10, 20, clWhite);
  TDecorativeCanvas dv(v);
  dv.Pen().SetPattern("100");
  dv.MoveTo(2, 0);
  dv.LineTo(2, 10);
  EXPECT_EQ(Drawn(v), (Pixels{{2, 0}, {2, 3}, {2, 6}}));

  // A solid decorative pen is the canvas's own line, end pixel left out.
  platform::Canvas s(20, 10, clWhite);
  TDecorativeCanvas ds(s);
  ds.MoveTo(0, 5);
  ds.LineTo(4, 5);
  EXPECT_EQ(Drawn(s), (Pixels{{0, 5}, {1, 5}, {2, 5}, {3, 5}}));
}

TEST(DecorativePen, PatternRunsOnAcrossPolylineCorners) {
  platform::Canvas c(10, 10, clWhite);
  TDecorativeCanvas dc(c);
  dc.Pen().SetPattern("10");
  const platform::Point corner[] = {{0, 0}, {4, 0}, {4, 6}};
  dc.Polyline(corner, 3);
  // The corner pixel (3, 0) is "off" on both sides: the second leg does not restart the pattern.
  EXPECT_EQ(Drawn(c), (Pixels{{0, 0}, {2, 0}, {3, 1}, {4, 3}}));

  platform::Canvas one(10, 10, clWhite);
  TDecorativeCanvas d1(one);
  d1.Pen().SetPattern("10");
  d1.Polyline(corner, 1);
  EXPECT_TRUE(Drawn(one).empty()) << "fewer than two points draw nothing";
}

TEST(DecorativePen, ExclusiveOrPatternDrawnTwiceErases) {
  platform::Canvas c(40, 40, clWhite);
  c.SetPen(platform::Pen{platform::clRed, 1, platform::PenStyle::Solid, platform::PenMode::Xor});
  TDecorativeCanvas dc(c);
  dc.Pen().SetPattern("1100");
  const QImage before = c.Image().copy();
  const platform::Point path[] = {{1, 1}, {30, 5}, {12, 35}, {2, 20}};
  dc.Polyline(path, 4);
  EXPECT_NE(c.Image(), before);
  dc.Polyline(path, 4);
  EXPECT_EQ(c.Image(), before);
}

TEST(GeometryDrawing, ClippedLinesAndPolylines) {
  const TRect2D clip = Rect2D(0, 0, 10, 10);
  platform::Canvas c(30, 30, clWhite);
  TDecorativeCanvas dc(c);
  EXPECT_TRUE(DrawClippedLine2D(dc, Point2D(-5, 5), Point2D(15, 5), IdentityTransform2D, clip));
  Pixels row;
  for (int x = 0; x < 10; ++x) row.insert({x, 5});
  EXPECT_EQ(Drawn(c), row);
  EXPECT_FALSE(DrawClippedLine2D(dc, Point2D(12, 0), Point2D(15, 10), IdentityTransform2D, clip));
  EXPECT_EQ(Drawn(c), row);

  // Out through the right side and back in: two pieces, nothing beyond the clip.
  platform::Canvas p(30, 30, clWhite);
  TDecorativeCanvas dp(p);
  const TPoint2D pts[] = {Point2D(2, 2), Point2D(20, 2), Point2D(20, 8), Point2D(2, 8)};
  DrawClippedPolyline2D(dp, pts, 4, false, 0, 3, IdentityTransform2D, Rect2D(2, 2, 20, 8), clip);
  const Pixels drawn = Drawn(p);
  for (const auto& [x, y] : drawn) EXPECT_TRUE(x <= 10 && y <= 10) << x << "," << y;
  EXPECT_TRUE(drawn.count({2, 2}) && drawn.count({9, 2}));
  EXPECT_TRUE(drawn.count({10, 8}) && drawn.count({3, 8}));
  EXPECT_FALSE(drawn.count({10, 5})) << "the leg outside is not drawn";

  // Wholly inside: one polyline through the view transform; closed joins back to the first point.
  platform::Canvas q(30, 30, clWhite);
  TDecorativeCanvas dq(q);
  const TPoint2D tri[] = {Point2D(1, 1), Point2D(4, 1), Point2D(1, 4)};
  DrawClippedPolyline2D(dq, tri, 3, true, 0, 2, Scale2D(2, 2), Rect2D(1, 1, 4, 4), Rect2D(0, 0, 30, 30));
  EXPECT_TRUE(Drawn(q).count({2, 2}));
  EXPECT_TRUE(Drawn(q).count({2, 7})) << "closing side";
  // A bad range draws nothing rather than reading past the points.
  platform::Canvas r(30, 30, clWhite);
  TDecorativeCanvas dr(r);
  DrawClippedPolyline2D(dr, tri, 3, true, 0, 5, IdentityTransform2D, Rect2D(1, 1, 4, 4), clip);
  EXPECT_TRUE(Drawn(r).empty());
}

TEST(GeometryDrawing, ClippedFillMarkersAndBoxes) {
  platform::Canvas c(30, 30, clWhite);
  c.SetBrush(platform::Brush{platform::clBlue, platform::BrushStyle::Solid});
  TDecorativeCanvas dc(c);
  const TPoint2D big[] = {Point2D(-10, -10), Point2D(20, -10), Point2D(20, 20), Point2D(-10, 20)};
  FillClippedPolygon2D(dc, big, 4, 0, 3, IdentityTransform2D, Rect2D(-10, -10, 20, 20), Rect2D(0, 0, 10, 10));
  EXPECT_EQ(c.GetPixel(5, 5), platform::clBlue);
  EXPECT_EQ(c.GetPixel(15, 15), clWhite);
  EXPECT_EQ(c.GetPixel(25, 5), clWhite);

  platform::Canvas m(40, 40, clWhite);
  TDecorativeCanvas dm(m);
  EXPECT_TRUE(DrawPointMarker2D(dm, Point2D(20, 20), Rect2D(0, 0, 40, 40), IdentityTransform2D));
  EXPECT_EQ(m.GetPixel(10, 20), clBlack);
  EXPECT_EQ(m.GetPixel(29, 20), clBlack);
  EXPECT_EQ(m.GetPixel(20, 10), clBlack);
  EXPECT_EQ(Drawn(m).size(), 39u) << "two strokes of 20 pixels sharing the centre";
  EXPECT_FALSE(DrawPointMarker2D(dm, Point2D(50, 20), Rect2D(0, 0, 40, 40), IdentityTransform2D));

  platform::Canvas k(20, 20, clWhite);
  TDecorativeCanvas dk(k);
  DrawControlPointMarker(dk, 10, 10, 6);
  EXPECT_EQ(k.GetPixel(10, 10), platform::clSilver);
  EXPECT_EQ(k.GetPixel(7, 7), clBlack);
  EXPECT_EQ(k.GetPixel(13, 13), clWhite);

  platform::Canvas b(20, 20, clWhite);
  TDecorativeCanvas db(b);
  DrawRect2D(db, Rect2D(2, 2, 8, 6), Rect2D(0, 0, 20, 20), IdentityTransform2D);
  EXPECT_EQ(Drawn(b).size(), 20u) << "the outline of a 6 x 4 box";
  EXPECT_TRUE(Drawn(b).count({8, 6}) && Drawn(b).count({2, 6}));
}

}  // namespace
}  // namespace cad
