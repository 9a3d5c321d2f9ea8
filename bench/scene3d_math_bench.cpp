// The maths kernels a 3D frame runs: transforming a million points (the relief surface is about that
// size), normalising their normals, culling against the view volume, and the per-object matrix work.
#include <benchmark/benchmark.h>

#include <vector>

#include "scene3d/bounding_boxes.h"
#include "scene3d/matrices.h"
#include "scene3d/planes.h"

namespace {

using namespace scene3d;

constexpr size_t kPoints = 1'000'000;

const std::vector<TVector3f>& Points() {
  static const std::vector<TVector3f> points = [] {
    std::vector<TVector3f> p(kPoints);
    uint32_t seed = 12345;
    const auto next = [&seed] {
      seed = seed * 1664525u + 1013904223u;
      return static_cast<float>(seed >> 8) / 16777216.0f * 200.0f - 100.0f;
    };
    for (TVector3f& v : p) v = {next(), next(), next()};
    return p;
  }();
  return points;
}

TMatrix4f ModelViewProjection() {
  const TMatrix4f model = MatrixProduct(MatrixRotationAxis({1, 2, 3}, 0.4f), MatrixTranslation(TVector3f{5, -3, 2}));
  const TMatrix4f view = MatrixLookAt({0, 50, 250, 1}, {0, 0, 0, 1}, {0, 1, 0, 0});
  return MatrixProduct(MatrixProduct(model, view), MatrixFrustum(-1, 1, -0.75f, 0.75f, 1, 1000));
}

// One kernel over the whole point set, as the frame does for a mesh.
template <typename Vector, Vector (*Transform)(const Vector&, const TMatrix4f&)>
void TransformAll(benchmark::State& state, const std::vector<Vector>& in) {
  std::vector<Vector> out(in.size());
  const TMatrix4f m = ModelViewProjection();
  for (auto _ : state) {
    for (size_t i = 0; i < in.size(); ++i) out[i] = Transform(in[i], m);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * in.size());
}

void BM_AffineTransform(benchmark::State& state) { TransformAll<TVector3f, AffineTransform>(state, Points()); }
BENCHMARK(BM_AffineTransform)->Unit(benchmark::kMillisecond);

void BM_VectorTransform4(benchmark::State& state) {
  std::vector<TVector4f> points;
  points.reserve(kPoints);
  for (const TVector3f& p : Points()) points.push_back(PointFromAffine(p));
  TransformAll<TVector4f, VectorTransform4>(state, points);
}
BENCHMARK(BM_VectorTransform4)->Unit(benchmark::kMillisecond);

void BM_AffineArrayNormalize(benchmark::State& state) {
  std::vector<TVector3f> work(Points().size());
  for (auto _ : state) {
    state.PauseTiming();
    work = Points();
    state.ResumeTiming();
    AffineArrayNormalize(work);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * work.size());
}
BENCHMARK(BM_AffineArrayNormalize)->Unit(benchmark::kMillisecond);

void BM_IsSphereClipped(benchmark::State& state) {
  const std::vector<TVector3f>& centres = Points();
  const TFrustumPlanes frustum = FrustumFromMatrix(ModelViewProjection());
  for (auto _ : state) {
    size_t clipped = 0;
    for (const TVector3f& c : centres) clipped += IsSphereClipped(c, 1.5f, frustum);
    benchmark::DoNotOptimize(clipped);
  }
  state.SetItemsProcessed(state.iterations() * centres.size());
}
BENCHMARK(BM_IsSphereClipped)->Unit(benchmark::kMillisecond);

// What each scene object costs per frame: its matrix product, the inverse for picking and lights,
// and its box brought into world space.
void BM_PerObjectMatrices(benchmark::State& state) {
  const TMatrix4f local = MatrixProduct(MatrixRotationAxis({0, 1, 0}, 0.3f), MatrixTranslation(TVector3f{1, 2, 3}));
  const TMatrix4f parent = ModelViewProjection();
  for (auto _ : state) {
    TMatrix4f absolute;
    MatrixProduct(local, parent, absolute);
    TMatrix4f inverse = absolute;
    MatrixInvert(inverse);
    TAxisBox box{{-1, -1, -1}, {1, 1, 1}};
    AxisBoxTransform(box, absolute);
    benchmark::DoNotOptimize(inverse);
    benchmark::DoNotOptimize(box);
  }
}
BENCHMARK(BM_PerObjectMatrices);

}  // namespace

BENCHMARK_MAIN();
