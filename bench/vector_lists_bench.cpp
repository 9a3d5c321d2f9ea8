// The typed lists on the sizes the program gives them: a toolpath or relief of up to a million points
// built by appending (against std::vector as the yardstick), the paired key sort of a scene's children,
// and the silhouette of a cylinder's mesh.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "scene3d/silhouette.h"
#include "scene3d/vector_lists.h"

namespace {

using namespace scene3d;

void BM_AffineListAdd(benchmark::State& state) {
  const int n = int(state.range(0));
  for (auto _ : state) {
    TAffineVectorList list;
    for (int i = 0; i < n; ++i) list.Add({float(i), 1, 2});
    benchmark::DoNotOptimize(list.List());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AffineListAdd)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_StdVectorPushBack(benchmark::State& state) {
  const int n = int(state.range(0));
  for (auto _ : state) {
    std::vector<TVector3f> list;
    for (int i = 0; i < n; ++i) list.push_back({float(i), 1, 2});
    benchmark::DoNotOptimize(list.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVectorPushBack)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_SortKeysWithObjects(benchmark::State& state) {
  const int n = int(state.range(0));
  std::vector<TObject> objects(static_cast<size_t>(n));
  std::vector<float> keys(static_cast<size_t>(n));
  uint32_t seed = 99;
  for (float& k : keys) {
    seed = seed * 1664525u + 1013904223u;
    k = float(seed >> 8) / 1024.0f;
  }
  for (auto _ : state) {
    state.PauseTiming();
    TSingleList keyList;
    TPersistentObjectList objectList;
    for (int i = 0; i < n; ++i) {
      keyList.Add(keys[size_t(i)]);
      objectList.Add(&objects[size_t(i)]);
    }
    state.ResumeTiming();
    SortKeysWithObjects(0, n - 1, keyList, objectList);
    benchmark::DoNotOptimize(keyList.List());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SortKeysWithObjects)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);

// A closed cylinder of `sides` quads and two fans, entered face by face.
void AddCylinder(TConnectivity& mesh, int sides) {
  const TVector3f top{0, 1, 0}, bottom{0, 0, 0};
  for (int i = 0; i < sides; ++i) {
    const float a0 = 2 * std::numbers::pi_v<float> * float(i) / float(sides), a1 = 2 * std::numbers::pi_v<float> * float(i + 1) / float(sides);
    const TVector3f b0{std::cos(a0), 0, std::sin(a0)}, b1{std::cos(a1), 0, std::sin(a1)};
    const TVector3f t0{b0.x, 1, b0.z}, t1{b1.x, 1, b1.z};
    mesh.AddQuad(b0, t0, t1, b1);
    mesh.AddFace(top, t1, t0);
    mesh.AddFace(bottom, b0, b1);
  }
}

void BM_ConnectivityBuild(benchmark::State& state) {
  for (auto _ : state) {
    TConnectivity mesh(true);
    AddCylinder(mesh, int(state.range(0)));
    benchmark::DoNotOptimize(mesh.EdgeCount());
  }
}
BENCHMARK(BM_ConnectivityBuild)->Arg(32)->Arg(128)->Unit(benchmark::kMicrosecond);

void BM_BuildOutline(benchmark::State& state) {
  TConnectivity mesh(true);
  AddCylinder(mesh, int(state.range(0)));
  std::unique_ptr<TGLSilhouette> silhouette;
  TOutlineRequest request;
  request.Viewpoint = {3, 2, 1};
  request.WithCaps = true;
  for (auto _ : state) {
    mesh.BuildOutline(request, silhouette, false);
    benchmark::DoNotOptimize(silhouette->OutlineEdges.List());
  }
}
BENCHMARK(BM_BuildOutline)->Arg(32)->Arg(128)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
