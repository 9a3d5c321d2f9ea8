#include "cad/primitives2d.h"

#include <cstring>

#include "entity_test_support.h"

namespace cad {
namespace {

class Primitives2DTest : public EntitiesTest {};

int CountPixels(const platform::Canvas& c, platform::TColor colour) {
  int n = 0;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) n += c.GetPixel(x, y) == colour;
  return n;
}

double DoubleAt(const platform::Bytes& b, size_t at) {
  double v;
  std::memcpy(&v, b.data() + at, 8);
  return v;
}

TEST_F(Primitives2DTest, LineRecordIsByteExact) {
  TLine2D line(5, Point2D(1, 2), Point2D(3, 4));
  platform::ByteWriter w;
  line.SaveToStream(w);
  const platform::Bytes record = w.Take();
  ASSERT_EQ(record.size(), 129u) << "ID, layer, flags, transform, count, 6 doubles, growing flag";
  EXPECT_EQ(record[0], 5);
  EXPECT_EQ(record[4], 0) << "layer";
  EXPECT_EQ(record[5], 0x03) << "visible and enabled";
  for (int i = 0; i < 9; ++i) EXPECT_EQ(DoubleAt(record, 6 + 8 * i), i % 4 == 0 ? 1.0 : 0.0) << "identity entry " << i;
  EXPECT_EQ(record[78], 2);
  EXPECT_EQ(record[79], 0);
  const double expected[] = {1, 2, 1, 3, 4, 1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(DoubleAt(record, 80 + 8 * i), expected[i]);
  EXPECT_EQ(record[128], 0) << "a line's point set does not grow";

  platform::ByteReader r(record);
  TLine2D back(r, "KQ-002");
  EXPECT_EQ(r.Remaining(), 0u);
  platform::ByteWriter again;
  back.SaveToStream(again);
  EXPECT_EQ(again.Data(), record);

  // A point count larger than the bytes present is refused before anything is taken.
  platform::Bytes cut = record;
  cut[78] = 0xFF;
  cut[79] = 0xFF;
  platform::ByteReader bad(cut);
  EXPECT_THROW(TLine2D(bad, "KQ-002"), platform::FormatError);
}

TEST_F(Primitives2DTest, PickCodesOfTheEntities) {
  const TPoint2D square[] = {Point2D(0, 0), Point2D(10, 0), Point2D(10, 10), Point2D(0, 10)};
  TPolygon2D polygon(1, square);
  TPolyline2D polyline(2, square);
  TPunto2D point(3, Point2D(4, 4));
  struct Case {
    TObject2D* object;
    TPoint2D p;
    int code;
    double distance;
  } cases[] = {
      {&polygon, Point2D(5, 5), PICK_INOBJECT, 0.5},   // inside: the aperture as distance
      {&polygon, Point2D(5, 0.2), PICK_ONOBJECT, 0.2},
      {&polygon, Point2D(0.2, 5), PICK_ONOBJECT, 0.2}, // the closing edge
      {&polygon, Point2D(10.1, 9.8), 2, std::hypot(0.1, 0.2)},
      {&polygon, Point2D(10.6, 5), PICK_NOOBJECT, kNoDistance},
      {&polyline, Point2D(5, 5), PICK_INBBOX, 0.5},
      {&polyline, Point2D(0.2, 5), PICK_INBBOX, 0.5},   // an open polyline has no closing edge
      {&polyline, Point2D(9.7, 5), PICK_ONOBJECT, 0.3},
      {&point, Point2D(4, 4), 0, 0},
      {&point, Point2D(4.5, 3.5), 0, std::hypot(0.5, 0.5)},
      {&point, Point2D(4.6, 4), PICK_NOOBJECT, kNoDistance},
  };
  for (const Case& c : cases) {
    double d = -1;
    EXPECT_EQ(c.object->PickTest(c.p, 0.5, d), c.code) << c.object->ClassName() << " at " << c.p.X << "," << c.p.Y;
    EXPECT_NEAR(d, c.distance, 1e-9) << c.object->ClassName() << " at " << c.p.X << "," << c.p.Y;
  }
}

TEST_F(Primitives2DTest, OutlinesClosingAndPointChanges) {
  const TPoint2D nearlyClosed[] = {Point2D(0, 0), Point2D(5, 0), Point2D(0.00004, 0.00003)};
  EXPECT_TRUE(TPolyline2D(1, nearlyClosed).IsClosed());
  const TPoint2D two[] = {Point2D(0, 0), Point2D(0, 0)};
  EXPECT_FALSE(TPolyline2D(2, two).IsClosed());
  EXPECT_TRUE(TPolygon2D(3, two).IsClosed());

  TPolyline2D line(4, nearlyClosed);
  int changes = 0;
  line.OnChange = [&](TGraphicObject&) { ++changes; };
  line.Points().SetPoint(1, Point2D(7, -2));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(line.Extents(), Rect2D(0, -2, 7, 0.00003));
  line.Points().Add(Point2D(9, 9));
  EXPECT_EQ(changes, 2) << "a polyline's points can grow";
  EXPECT_EQ(line.Extents().Second.X, 9);

  // Assigning copies what each class takes from the other.
  TLine2D segment(5, Point2D(1, 1), Point2D(2, 2));
  TPolyline2D fromLine(6);
  fromLine.Assign(segment);
  EXPECT_EQ(fromLine.Points().Count(), 2);
  EXPECT_TRUE(fromLine.Points().GrowingEnabled);
  TLine2D fromPolyline(7, Point2D(0, 0), Point2D(1, 0));
  fromPolyline.Assign(line);
  EXPECT_EQ(fromPolyline.Points().Count(), 0) << "a line takes no points from a polyline";
  TLine2D fromOtherLine(8);
  fromOtherLine.Assign(segment);
  EXPECT_EQ(fromOtherLine.Points().GetPoint(1), Point2D(2, 2));
  EXPECT_FALSE(fromOtherLine.Points().GrowingEnabled);
}

TEST_F(Primitives2DTest, DrawingAndTooFewPoints) {
  platform::Canvas c(20, 20);
  TDecorativeCanvas dc(c);
  const TRect2D clip = Rect2D(0, 0, 20, 20);
  TLine2D line(1, Point2D(2, 5), Point2D(12, 5));
  line.Draw(IdentityTransform2D, dc, clip, 0);
  EXPECT_EQ(CountPixels(c, platform::clBlack), 10);

  const TPoint2D square[] = {Point2D(2, 8), Point2D(12, 8), Point2D(12, 18), Point2D(2, 18)};
  TPolygon2D polygon(2, square);
  c.SetBrush(platform::Brush{platform::clRed});
  polygon.Draw(IdentityTransform2D, dc, clip, 0);
  EXPECT_EQ(c.GetPixel(7, 13), platform::clRed) << "filled with the canvas's brush";
  EXPECT_EQ(c.GetPixel(2, 13), platform::clBlack) << "outlined with its pen";

  // Control points: a silver marker at each point of the primitive.
  platform::Canvas markers(20, 20);
  TDecorativeCanvas dm(markers);
  line.DrawControlPoints(IdentityTransform2D, dm, clip, 4);
  EXPECT_EQ(markers.GetPixel(2, 5), platform::clSilver);
  EXPECT_EQ(markers.GetPixel(12, 5), platform::clSilver);
  EXPECT_EQ(markers.GetPixel(7, 5), platform::clWhite);

  // A line or a point read with too few points draws nothing and is not picked.
  platform::ByteWriter w;
  TLine2D full(3, Point2D(0, 0), Point2D(5, 5));
  full.SaveToStream(w);
  platform::Bytes record = w.Take();
  record[78] = 1;
  record.erase(record.begin() + 80 + 24, record.begin() + 80 + 48);
  platform::ByteReader r(record);
  TLine2D half(r, "KQ-002");
  half.UpdateAndNotify();
  platform::Canvas blank(20, 20);
  TDecorativeCanvas db(blank);
  half.Draw(IdentityTransform2D, db, clip, 0);
  EXPECT_EQ(CountPixels(blank, platform::clWhite), 400);
  double d;
  EXPECT_EQ(half.PickTest(Point2D(0, 0), 1, d), PICK_NOOBJECT);
  TPunto2D none(4);
  none.Draw(IdentityTransform2D, db, clip, 0);
  EXPECT_EQ(none.PickTest(Point2D(0, 0), 1, d), PICK_NOOBJECT);
  EXPECT_EQ(CountPixels(blank, platform::clWhite), 400);
}

}  // namespace
}  // namespace cad
