// The relief as a binary STL file: the surface of the height grid alone, or closed into a solid with
// four side walls down to the black depth and a flat base.
//
// File: 80 zero bytes, the facet count (uint32), then 50 bytes a facet: normal, three vertices (three
// singles each) and a zero attribute (uint16), little-endian. Node (x, y) lies at (grid origin X +
// x * step, grid origin Y + y * step, height). The surface has two facets a grid cell, row by row from
// row 0, normals from each facet's own edges. The solid adds the front, right, back and left walls
// (two facets a step along the rim, none where the rim lies on the base) and a base fanned from a
// point inside it to every rim step, so every edge is shared by exactly two facets. Its facets wind
// counter-clockwise seen from outside and their normals face outwards, whichever side of the base the
// surface lies on (a white depth below the black depth puts the base on top).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "machining/relief_model.h"
#include "platform/atomic_file.h"

namespace machining {

inline constexpr size_t kStlHeaderSize = 84;
inline constexpr size_t kStlFacetSize = 50;

// Facets of a grid of columns x rows nodes; 0 when the grid is smaller than 2 x 2. For a solid, the
// count when no rim node lies on the base (the most it can have).
uint64_t StlFacetCount(int64_t columns, int64_t rows, bool solid);

// The facets WriteStl writes for the model; ReliefError as WriteStl.
uint64_t StlFacetCount(const ReliefModel& model, bool solid);

// Writes the STL of the model's height grid to `sink` in pieces, the header first. ReliefError when
// the grid holds fewer than 2 x 2 nodes, more facets than the count can hold, a height that is no
// number, or (for a solid) lies flat on its base.
void WriteStl(const ReliefModel& model, bool solid, const std::function<void(const uint8_t*, size_t)>& sink);

// Writes the STL file through a temporary file beside `path`: a failure leaves an earlier file whole.
// `progress` hears how far it has come.
void WriteStlFile(const std::string& path, const ReliefModel& model, bool solid,
                  const platform::SaveProgress& progress = {});

}  // namespace machining
