// The entity work a repaint and a change cost: profiles recomputed at a change (circle, uniform and
// weighted B-splines) and the working picture stretched into an 800 x 600 view.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "cad/bitmap2d.h"
#include "cad/curves2d.h"
#include "cad/entities.h"
#include "cad/kq_bspline2d.h"

namespace {

using namespace cad;

std::vector<TPoint2D> Wave(int count) {
  std::vector<TPoint2D> points;
  for (int i = 0; i < count; ++i) points.push_back(Point2D(i, std::sin(i * 0.3) * 10));
  return points;
}

void BM_CircleProfile(benchmark::State& state) {
  KQSysStartEntities();
  TCerchio2D circle(1, Point2D(0, 0), Point2D(10, 0));
  circle.SetCurvePrecision(int16_t(state.range(0)));
  for (auto _ : state) circle.UpdateAndNotify();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BSplineProfile(benchmark::State& state) {
  KQSysStartEntities();
  const auto points = Wave(100);
  TBSpline2D spline(1, points);
  spline.SetOrder(uint8_t(state.range(0)));
  spline.SetCurvePrecision(1000);
  for (auto _ : state) spline.UpdateAndNotify();
  state.SetItemsProcessed(state.iterations() * 1000);
}

void BM_WeightedBSplineProfile(benchmark::State& state) {
  KQSysStartEntities();
  const int degree = int(state.range(0)), count = 100;
  const auto points = Wave(count);
  std::vector<double> knots, weights;
  for (int i = 0; i < count + degree + 1; ++i) knots.push_back(std::clamp(i - degree, 0, count - degree));
  for (int i = 0; i < count; ++i) weights.push_back(1 + (i % 3) * 0.5);
  TKQBSpline2D spline(1, points, degree, knots, weights);
  spline.SetCurvePrecision(1000);
  for (auto _ : state) spline.UpdateAndNotify();
  state.SetItemsProcessed(state.iterations() * 1000);
}

void BM_BitmapStretch(benchmark::State& state) {
  KQSysStartEntities();
  platform::Bitmap picture(2000, 1500, 8);
  for (int y = 0; y < 1500; ++y)
    for (int x = 0; x < 2000; ++x) picture.SetIndex(x, y, uint8_t(x ^ y));
  TBitmap2D bitmap(1, picture, Point2D(0, 0), Point2D(200, 150));
  bitmap.CopyMode = int32_t(state.range(0));
  platform::Canvas canvas(800, 600);
  TDecorativeCanvas dc(canvas);
  const TTransform2D view = MultiplyTransform2D(Scale2D(4, -4), Translate2D(0, 600));
  for (auto _ : state) bitmap.Draw(view, dc, Rect2D(0, 0, 800, 600), 0);
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

}  // namespace

BENCHMARK(BM_CircleProfile)->Arg(50)->Arg(1000);
BENCHMARK(BM_BSplineProfile)->Arg(3)->Arg(6);
BENCHMARK(BM_WeightedBSplineProfile)->Arg(2)->Arg(3)->Arg(5);
BENCHMARK(BM_BitmapStretch)->Arg(int(platform::SRCCOPY))->Arg(int(platform::SRCINVERT));

BENCHMARK_MAIN();
