#include "cad/points_set.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "cad/cad_exceptions.h"

namespace cad {
namespace {

template <typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const ECADOutOfBound& e) {
    return e.what();
  }
  return "no error";
}

TEST(PointsSet, GrowingAndItsRefusals) {
  TPointsSet2D s(3);
  for (int i = 0; i < 3; ++i) s.PutPoint(i, Point2D(i, i));
  EXPECT_EQ(s.Capacity(), 3);
  s.PutPoint(3, Point2D(9, 9));
  EXPECT_EQ(s.Capacity(), 7);
  EXPECT_EQ(s.Count(), 4);
  EXPECT_EQ(s.GetPoint(3), Point2D(9, 9));
  s.PutPoint(20, Point2D(1, 2));
  EXPECT_EQ(s.Capacity(), 21) << "index + 1 when larger than twice the capacity + 1";
  EXPECT_EQ(s.Count(), 21);
  EXPECT_EQ(s.GetPoint(10), (TPoint2D{0, 0, 1})) << "new points are at the origin";

  TPointsSet2D fixed(3);
  fixed.GrowingEnabled = false;
  for (int i = 0; i < 3; ++i) fixed.Add(Point2D(i, 0));
  EXPECT_EQ(ErrorOf([&] { fixed.PutPoint(3, Point2D(0, 0)); }), "TPointsSet2D.Put: Vector out of bound");
  EXPECT_EQ(ErrorOf([&] { fixed.Add(Point2D(0, 0)); }), "TPointsSet2D.Put: Vector out of bound");
  EXPECT_EQ(fixed.Count(), 3);

  EXPECT_EQ(ErrorOf([&] { s.GetPoint(21); }), "TPointsSet2D.Get: Index out of bound");
  EXPECT_EQ(ErrorOf([&] { s.GetPoint(-1); }), "TPointsSet2D.Get: Index out of bound");
  EXPECT_EQ(ErrorOf([&] { s.PutPoint(-1, Point2D(0, 0)); }), "TPointsSet2D.Put: Vector out of bound");
  EXPECT_EQ(ErrorOf([&] { s.Insert(-1, Point2D(0, 0)); }), "TPointsSet2D.Insert: Vector out of bound");
  EXPECT_EQ(ErrorOf([&] { s.Insert(s.Count(), Point2D(0, 0)); }), "TPointsSet2D.Insert: Vector out of bound");
}

TEST(PointsSet, NeverGrowsPastTheSixteenBitCount) {
  TPointsSet2D s(0);
  s.PutPoint(65534, Point2D(1, 1));
  EXPECT_EQ(s.Count(), 65535);
  EXPECT_EQ(ErrorOf([&] { s.Add(Point2D(2, 2)); }), "TPointsSet2D.Put: Vector out of bound");
  EXPECT_EQ(ErrorOf([&] { s.PutPoint(70000, Point2D(2, 2)); }), "TPointsSet2D.Put: Vector out of bound");
  EXPECT_EQ(ErrorOf([&] { s.Insert(0, Point2D(2, 2)); }), "TPointsSet2D.Put: Vector out of bound");
  EXPECT_EQ(s.Count(), 65535);
  EXPECT_EQ(s.GetPoint(0), (TPoint2D{0, 0, 1})) << "a refused insert shifts nothing";
  const std::vector<TPoint2D> two{Point2D(1, 1), Point2D(2, 2)};
  EXPECT_EQ(ErrorOf([&] { s.AddPoints(two); }), "TPointsSet2D.AddPoints: Vector out of bound");
  EXPECT_EQ(s.Count(), 65535);

  TPointsSet2D g(60000);
  g.PutPoint(59999, Point2D(0, 0));
  g.Add(Point2D(5, 5));
  EXPECT_EQ(g.Capacity(), 65535) << "doubling stops at the limit";
  EXPECT_EQ(g.GetPoint(60000), Point2D(5, 5));
}

TEST(PointsSet, EventsInsertAndBulkOperations) {
  TPointsSet2D s(2);
  int events = 0;
  s.OnChange = [&](TPointsSet2D& sender) {
    ++events;
    // A handler that changes the set does not re-enter the event.
    if (sender.Count() == 1) sender.Add(Point2D(100, 100));
  };
  s.Add(Point2D(1, 1));
  EXPECT_EQ(events, 1);
  EXPECT_EQ(s.Count(), 2);
  EXPECT_FALSE(s.DisableEvents);

  s.Clear();
  s.OnChange = [&](TPointsSet2D&) { ++events; };
  events = 0;
  s.PutPoint(0, Point2D(1, 0));
  s.PutPoint(1, Point2D(2, 0));
  EXPECT_EQ(events, 0) << "PutPoint fires no event";
  s.Insert(0, Point2D(9, 9));
  EXPECT_EQ(events, 1);
  ASSERT_EQ(s.Count(), 3);
  EXPECT_EQ(s.GetPoint(0), Point2D(9, 9));
  EXPECT_EQ(s.GetPoint(1), Point2D(1, 0));
  EXPECT_EQ(s.GetPoint(2), Point2D(2, 0));

  const std::vector<TPoint2D> more{Point2D(3, 0), Point2D(4, 0), Point2D(5, 0)};
  s.AddPoints(more);
  EXPECT_EQ(events, 2) << "one event for the whole array";
  EXPECT_EQ(s.Count(), 6);
  EXPECT_EQ(s.GetPoint(5), Point2D(5, 0));

  s.DisableEvents = true;
  s.Add(Point2D(0, 0));
  EXPECT_EQ(events, 2);
  s.DisableEvents = false;

  TPointsSet2D fixed(1);
  fixed.GrowingEnabled = false;
  EXPECT_EQ(ErrorOf([&] { fixed.AddPoints(more); }), "TPointsSet2D.AddPoints: Vector out of bound");

  TPointsSet2D copy(0);
  int copyEvents = 0;
  copy.OnChange = [&](TPointsSet2D&) { ++copyEvents; };
  copy.CopyPoints(s, 1, 3);
  EXPECT_EQ(copy.Count(), 4);
  EXPECT_EQ(copy.GetPoint(2), Point2D(2, 0));
  EXPECT_EQ(copyEvents, 1);
  copy.CopyPoints(s, 5, 40);
  EXPECT_EQ(copy.Count(), 7) << "copying stops quietly at the source's end";
  EXPECT_EQ(copyEvents, 2);
  // "Up to the end" as INT_MAX, and far past the source's end: the count and the storage stop at
  // the source's last point, nothing overflows.
  for (int last : {INT_MAX, 60000}) {
    TPointsSet2D all(0);
    all.CopyPoints(s, 0, last);
    EXPECT_EQ(all.Count(), s.Count()) << last;
    EXPECT_EQ(all.Capacity(), s.Count()) << last;
    EXPECT_EQ(all.GetPoint(s.Count() - 1), s.GetPoint(s.Count() - 1)) << last;
  }
  copy.CopyPoints(s, INT_MAX, INT_MAX);
  EXPECT_EQ(copy.Count(), 7);

  EXPECT_EQ(TPointsSet2D(4).Extension(), Rect2D(0, 0, 0, 0));
  TPointsSet2D e(4);
  e.Add(Point2D(3, -1));
  e.Add({-4, 8, 2});
  e.Add(Point2D(1, 5));
  EXPECT_EQ(e.Extension(), Rect2D(-2, -1, 3, 5));
}

}  // namespace
}  // namespace cad
