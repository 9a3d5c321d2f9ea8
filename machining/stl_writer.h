// The relief as a binary STL file: the surface of the height grid alone, or closed into a solid with
// four side walls down to the black depth and a flat base.
//
// File: 80 zero bytes, the facet count (uint32), then 50 bytes a facet: normal, three vertices (three
// singles each) and a zero attribute (uint16), little-endian. Node (x, y) lies at (grid origin X +
// x * step, grid origin Y + y * step, height). The surface has two facets a grid cell, row by row from
// row 0; the solid adds the front, right, back and left walls (two facets a step along the rim) and two
// base facets. Surface normals come from each facet's own edges; walls and base face outwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "machining/relief_model.h"

namespace machining {

inline constexpr size_t kStlHeaderSize = 84;
inline constexpr size_t kStlFacetSize = 50;

// Facets of a grid of columns x rows nodes; 0 when the grid is smaller than 2 x 2.
uint64_t StlFacetCount(int64_t columns, int64_t rows, bool solid);

// Writes the STL of the model's height grid to `sink` in pieces, the header first. ReliefError when
// the grid holds fewer than 2 x 2 nodes or more facets than the count can hold.
void WriteStl(const ReliefModel& model, bool solid, const std::function<void(const uint8_t*, size_t)>& sink);

// Writes the STL file through a temporary file beside `path`: a failure leaves an earlier file whole.
void WriteStlFile(const std::string& path, const ReliefModel& model, bool solid);

}  // namespace machining
