// The relief model: where the picture lies in drawing coordinates, the size of a pixel, the white and
// black depths and the height grid. The program keeps exactly one, owned by the main window and
// handed to every machining step that reads it.
#pragma once

#include <cstdint>

#include "machining/height_grid.h"

namespace machining {

struct ReliefModel {
  float originX = 0.0f;        // drawing position of column 0, row 0 (lower-left pixel)
  float originY = 0.0f;
  float width = 0.0f;          // extent of the picture in drawing units
  float height = 0.0f;
  float unitsPerPixel = 0.0f;  // width / (columns - 1)
  int32_t columns = 0;         // working bitmap's size in pixels
  int32_t rows = 0;
  uint16_t columnBound = 0;    // copy of columns taken when the grid is built
  float gridStep = 0.0f;       // width / (columns - 1), set when the stock box is sized
  float gridOriginX = 0.0f;
  float gridOriginY = 0.0f;
  float zWhite = 0.0f;
  float zBlack = -5.0f;
  float depth = 5.0f;          // zWhite - zBlack
  float stockToLeave = 0.0f;
  bool gridStale = true;
  bool parametersChanged = true;  // cleared by Calculate
  HeightGrid grid;
};

}  // namespace machining
