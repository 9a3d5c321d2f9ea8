#include "machining/relief.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "lang/lang.h"
#include "machining/nc_words.h"
#include "platform/dialogs.h"
#include "platform/numbers.h"

namespace machining {

void CheckReliefPictureSize(int64_t columns, int64_t rows) {
  if (columns < kMinReliefPixels || rows < kMinReliefPixels)
    throw ReliefError(lang::LangFormatOr("1240",
                                         "A picture of %1 x %2 pixels cannot become a relief: it needs at least 2 x 2 "
                                         "pixels.",
                                         {std::to_string(columns), std::to_string(rows)}));
}

void FitHeightToPitch(ReliefModel& model) {
  if (model.columns < kMinReliefPixels || model.rows < kMinReliefPixels) return;
  const double pitch = static_cast<double>(model.width) / (model.columns - 1);
  model.unitsPerPixel = static_cast<float>(pitch);
  model.height = static_cast<float>(pitch * (model.rows - 1));
}

void SetWhiteDepth(ReliefModel& model, float zWhite) {
  model.zWhite = zWhite;
  model.depth = model.zWhite - model.zBlack;
  model.gridStale = true;
}

void SetBlackDepth(ReliefModel& model, float zBlack) {
  model.zBlack = zBlack;
  model.depth = model.zWhite - model.zBlack;
  model.gridStale = true;
}

namespace {

// Lines are converted a band at a time: their depths are gathered line by line, then written column
// by column, so both the bitmap and the column-major grid are walked in memory order. A band holds
// up to kBandLines lines and about kBandBytes of depths.
constexpr int kBandLines = 256;
constexpr size_t kBandBytes = size_t(4) << 20;

// Fills the grid from the bitmap; `greyOf` gives the grey level of pixel x of a line and `depthOf`
// the depth of each grey level.
template <typename GreyOf>
void FillGrid(HeightGrid& grid, const platform::Bitmap& bitmap, int columns, const float* depthOf, GreyOf greyOf) {
  const int rows = grid.Rows();
  const int bandLines = static_cast<int>(
      std::clamp<size_t>(kBandBytes / (sizeof(float) * static_cast<size_t>(columns)), 1, kBandLines));
  std::vector<float> band(static_cast<size_t>(bandLines) * columns);
  for (int top = 0; top < rows; top += bandLines) {
    const int lines = std::min(bandLines, rows - top);
    for (int j = 0; j < lines; ++j) {
      const uint8_t* line = bitmap.Row(top + j);
      float* out = band.data() + static_cast<size_t>(j) * columns;
      for (int x = 0; x < columns; ++x) out[x] = depthOf[greyOf(line, x)];
    }
    // Image line y lands in grid row rows - 1 - y.
    for (int x = 0; x < columns; ++x) {
      float* column = grid.Column(x) + (rows - 1 - top);
      const float* in = band.data() + x;
      for (int j = 0; j < lines; ++j) column[-j] = in[static_cast<size_t>(j) * columns];
    }
  }
}

// Depth of each grey level 0..levels-1 for grey / scaleDivisor of the depth above the black side.
std::vector<float> DepthTable(const ReliefModel& model, int levels, double scaleDivisor) {
  std::vector<float> table(levels);
  for (int g = 0; g < levels; ++g)
    table[g] = static_cast<float>(double(model.zWhite) - model.depth + g * double(model.depth) / scaleDivisor);
  return table;
}

// 24 and 32 bits: blue, green, red, and for 32 bits a fourth byte that plays no part.
template <int Step>
void FillTrueColour(ReliefModel& model, const platform::Bitmap& bitmap, int columns) {
  std::vector<float> depthOf = DepthTable(model, 256, 255.0);
  FillGrid(model.grid, bitmap, columns, depthOf.data(), [](const uint8_t* line, int x) {
    const uint8_t* p = line + Step * x;
    return platform::GreyLevel(p[2], p[1], p[0]);
  });
}

}  // namespace

ReliefBuild ElaboraImmagine(ReliefModel& model, const platform::Bitmap* bitmap, bool onlyReset) {
  ReliefBuild result;
  if (!bitmap) return result;
  CheckReliefPictureSize(model.columns, model.rows);
  if (model.columns != bitmap->Width() || model.rows != bitmap->Height())
    throw ReliefError(lang::LangFormatOr("1241", "The relief's size of %1 x %2 pixels does not match the picture's %3 x %4.",
                                         {std::to_string(model.columns), std::to_string(model.rows),
                                          std::to_string(bitmap->Width()), std::to_string(bitmap->Height())}));
  result.ran = true;
  model.gridStale = false;
  model.columnBound = static_cast<uint16_t>(model.columns);
  if (onlyReset) return result;

  result.invalidateProgram = true;
  const int columns = model.columns;
  const int bound = std::min<int>(model.columnBound, columns);
  // The grid is never left with undefined contents: what a format does not fill stays white.
  model.grid.Resize(columns, model.rows, model.zWhite);
  switch (bitmap->BitsPerPixel()) {
    case 24:
      FillTrueColour<3>(model, *bitmap, bound);
      break;
    case 32:
      FillTrueColour<4>(model, *bitmap, bound);
      break;
    case 8: {
      // Each index takes the grey of its palette entry: under the grey ramp of the image pages that is
      // the index itself, and a two-colour picture made 8-bit keeps its white and its black.
      const std::vector<float> levels = DepthTable(model, 256, 255.0);
      const platform::Palette& palette = bitmap->Colors();
      std::vector<float> depthOf(256);
      for (size_t i = 0; i < depthOf.size(); ++i) {
        if (palette.empty()) depthOf[i] = levels[i];
        else if (i < palette.size()) depthOf[i] = levels[platform::GreyLevel(palette[i].red, palette[i].green, palette[i].blue)];
        else depthOf[i] = levels[0];  // an index past the palette reads as black
      }
      FillGrid(model.grid, *bitmap, columns, depthOf.data(), [](const uint8_t* line, int x) { return line[x]; });
      break;
    }
    case 15:
    case 16: {
      // Five bits a channel, grey 0..31 over 32 steps: the brightest white lies 1/32 of the depth
      // below the white depth. A 5-6-5 word gives up its green's lowest bit.
      std::vector<float> depthOf = DepthTable(model, 32, 32.0);
      const bool sixGreen = bitmap->BitsPerPixel() == 16;
      FillGrid(model.grid, *bitmap, columns, depthOf.data(), [sixGreen](const uint8_t* line, int x) {
        unsigned w = line[2 * x] | (line[2 * x + 1] << 8);
        unsigned red = sixGreen ? (w >> 11) & 31 : (w >> 10) & 31;
        unsigned green = sixGreen ? ((w >> 5) & 63) >> 1 : (w >> 5) & 31;
        return platform::GreyLevel(static_cast<uint8_t>(red), static_cast<uint8_t>(green), static_cast<uint8_t>(w & 31));
      });
      break;
    }
    case 4:
      platform::ShowMessage(lang::LangStringOr("1242", kSixteenColourMessage));
      return result;
    default:  // 1 bit: sized only
      result.reliefReady = true;
      return result;
  }
  result.filled = true;
  result.rebuildSurface = true;
  result.reliefReady = true;
  return result;
}

StockBox ImpostaBoxLimite(ReliefModel& model) {
  CheckReliefPictureSize(model.columns, model.rows);
  model.gridStep = model.width / static_cast<float>(model.columns - 1);
  StockBox box;
  box.cubeHeight = model.width;
  box.cubeWidth = model.height;
  box.cubeDepth = model.depth;
  box.positionX = model.width / 2 + model.originX;
  box.positionY = model.height / 2 + model.originY;
  box.positionZ = model.zWhite - model.depth / 2;
  box.axisScale = model.width / 4;
  model.gridOriginX = model.originX;
  model.gridOriginY = model.originY;
  model.gridStale = true;
  model.parametersChanged = true;
  return box;
}

float SurfaceShade(const ReliefModel& model, float z) {
  const float shade = (z - model.zBlack) / model.depth;
  if (!std::isfinite(shade)) return 1.0f;
  return std::clamp(shade, 0.0f, 1.0f);
}

namespace {

// Round(value) as a node index, or -1 when the value is no finite number near the grid (so that a
// zero grid step or a far pick cannot overflow the conversion).
int64_t NodeIndex(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 1e9) return -1;
  return platform::Round(value);
}

}  // namespace

ZNoCutPick ProfZNoCut(const ReliefModel& model, float x, float y, bool inches) {
  ZNoCutPick pick;
  int64_t column = NodeIndex((double(x) - model.gridOriginX) / model.gridStep);
  int64_t row = NodeIndex((double(y) - model.gridOriginY) / model.gridStep);
  // The last column and row count as outside.
  bool outside = column < 0 || column > model.columns - 2 || row < 0 || row > model.rows - 2 ||
                 column >= model.grid.Columns() || row >= model.grid.Rows();
  if (outside) {
    pick.text = " " + lang::LangString(kZNoCutOutsideMessage);
    return pick;
  }
  pick.inside = true;
  pick.z = model.grid.At(static_cast<int>(column), static_cast<int>(row));
  pick.text = " Z: " + platform::FormatPrintf(LengthFormat(inches), pick.z);
  return pick;
}

CropBox InfoCut(const ReliefModel& model, double x1, double y1, double x2, double y2, bool inches) {
  CropBox box;
  double left = std::min(x1, x2), right = std::max(x1, x2);
  double bottom = std::min(y1, y2), top = std::max(y1, y2);
  box.originX = static_cast<float>(left - model.originX);
  box.originY = static_cast<float>(top - model.originY);
  box.width = static_cast<float>(right - left);
  box.height = static_cast<float>(top - bottom);
  const double perPixel = model.unitsPerPixel;
  if (perPixel > 0 && std::isfinite(perPixel)) {
    box.columns = static_cast<int32_t>(std::max<int64_t>(NodeIndex(box.width / perPixel), 0));
    box.rows = static_cast<int32_t>(std::max<int64_t>(NodeIndex(box.height / perPixel), 0));
  }
  box.widthText = FormatPlainNumber(box.width, inches);
  box.heightText = FormatPlainNumber(box.height, inches);
  box.columnsText = FormatPlainNumber(box.columns, inches);
  box.rowsText = FormatPlainNumber(box.rows, inches);
  return box;
}

}  // namespace machining
