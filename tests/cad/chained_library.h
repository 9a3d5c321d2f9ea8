// A block library file ("Library.blk") of chained blocks, for the tests and the benchmarks: B0 holds
// a line from (0, 0) to (1, 1), and every later block places the one before it `placements` times,
// the k-th placement moved k units to the right. With 41 blocks placing twice, the last one holds
// 2^40 lines in a few kilobytes.
#pragma once

#include <memory>
#include <string>

#include "cad/blocks2d.h"
#include "cad/drawing.h"
#include "cad/primitives2d.h"
#include "platform/binary_stream.h"

namespace cad {

// "B" and the number (appended: GCC 12 at -O3 sees an overlap in "B" + text that is not there).
inline std::string ChainedBlockName(int i) {
  std::string name(1, 'B');
  name += std::to_string(i);
  return name;
}

inline platform::Bytes ChainedLibrary(int blocks, int placements) {
  TKQCmp2D drawing;
  TSourceBlock2D* previous = nullptr;
  for (int i = 0; i < blocks; ++i) {
    TSourceBlock2D* block = drawing.AddSourceBlock(-1, std::make_unique<TSourceBlock2D>(-1, ChainedBlockName(i)));
    block->IsLibraryBlock = true;
    if (!previous) block->AddChild(std::make_unique<TLine2D>(1, Point2D(0, 0), Point2D(1, 1)));
    for (int k = 0; previous && k < placements; ++k) {
      auto placed = std::make_unique<TBlock2D>(k + 1, *previous);
      placed->SetTransform(Translate2D(k, 0));
      block->AddChild(std::move(placed));
    }
    block->UpdateAndNotify();
    previous = block;
  }
  platform::ByteWriter w;
  w.Write("KQ-002", 6);
  w.U8(2);
  drawing.SaveBlocks(w, true);
  return w.Take();
}

}  // namespace cad
