// The reliefs the benchmarks draw and save, made as the depth page makes them (white at 0, black at -5,
// 0.1 units a pixel), and a surface progress that shows nothing.
#pragma once

#include "app/relief_surface.h"
#include "machining/relief_model.h"

// A relief of `columns` x `rows` pixels whose depth at column c, row r is height(c, r).
template <class Height>
machining::ReliefModel BenchRelief(int columns, int rows, Height height) {
  machining::ReliefModel m;
  m.gridStep = 0.1f;
  m.grid.Resize(columns, rows, 0.0f);
  for (int c = 0; c < columns; ++c)
    for (int r = 0; r < rows; ++r) m.grid.At(c, r) = height(c, r);
  return m;
}

class NoSurfaceProgress : public app::SurfaceProgress {
 public:
  void Start() override {}
  void Advance(int) override {}
  void Finish() override {}
};
