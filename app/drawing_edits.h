// Whole-drawing and picked-object edits of the 2D drawing that the main window's command pages run:
// deleting small entities, mirroring everything, and moving or copying objects by a transform a
// number of times. The picture (a bitmap entity) is never touched: without it a job has nothing to
// save.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "cad/drawing.h"
#include "cad/geometry.h"

namespace app {

// Removes every object whose bounding box is both narrower and lower than `size`, except points and
// bitmaps; the number removed. A size of 0 or less removes nothing.
int DeleteSmallObjects(cad::TKQCmp2D& drawing, double size);

// Transforms every object except bitmaps (mirror all).
void TransformAllButBitmaps(cad::TKQCmp2D& drawing, const cad::TTransform2D& transform);

// Moves the objects `ids` by `step` applied `repeat` times (copy false), or leaves them and adds
// `repeat` copies of each, the k-th moved by `step` applied k times, on the source's layer (copy
// true). Bitmaps and IDs not in the drawing are skipped; a repeat below 1 counts as 1. The IDs of the
// copies, in order.
std::vector<int32_t> TransformObjectsRepeated(cad::TKQCmp2D& drawing, std::span<const int32_t> ids,
                                              const cad::TTransform2D& step, bool copy, int repeat);

// Puts the objects `ids` on `layer` (bitmaps and IDs not in the drawing skipped); how many changed
// their layer.
int MoveObjectsToLayer(cad::TKQCmp2D& drawing, std::span<const int32_t> ids, uint8_t layer);

// Removes the objects `ids` (bitmaps and IDs not in the drawing skipped) and gives copies of them
// back, for Undelete.
std::vector<std::unique_ptr<cad::TObject2D>> DeleteObjectsKept(cad::TKQCmp2D& drawing, std::span<const int32_t> ids);
// Adds copies of `kept` to the drawing on their own layers, under new IDs; the IDs.
std::vector<int32_t> RestoreObjects(cad::TKQCmp2D& drawing, const std::vector<std::unique_ptr<cad::TObject2D>>& kept);

}  // namespace app
