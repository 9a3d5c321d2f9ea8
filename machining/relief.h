// The relief's routines on the ReliefModel: building the height grid from the working bitmap, sizing
// the stock box, the height under a picked point and the measure of a crop rectangle.
//
// They touch no window. What the windows must do afterwards (invalidate the NC program, rebuild the
// 3D surface, switch the depth page's buttons, place the stock box and axis marker, fill the crop
// edits) comes back in the result structs below, and the main window applies it.
#pragma once

#include <cstdint>
#include <string>

#include "machining/relief_model.h"
#include "platform/bitmap.h"
#include "platform/exception.h"

namespace machining {

// A picture the relief cannot be built from.
class ReliefError : public platform::Exception {
 public:
  using Exception::Exception;
};

// The grid step divides by columns - 1 and rows - 1: a picture needs at least two pixels each way.
inline constexpr int kMinReliefPixels = 2;
// The relief's width and height: the smallest the size fields show as other than "0", and the largest
// whose pitch and extents stay finite.
inline constexpr float kMinReliefSize = 0.001f;
inline constexpr float kMaxReliefSize = 1e30f;
inline bool IsReliefSize(float value) { return value >= kMinReliefSize && value <= kMaxReliefSize; }
// Raises ReliefError unless columns and rows are both at least kMinReliefPixels.
void CheckReliefPictureSize(int64_t columns, int64_t rows);

// The grid has one pitch both ways, width / (columns - 1), so the height it really spans is that pitch
// times (rows - 1), whatever height was typed: sets the height (and the units per pixel) to what the
// relief, the NC program and the STL are made with. Nothing for a picture below 2 x 2 pixels.
void FitHeightToPitch(ReliefModel& model);

// The depth fields: each sets its depth, recomputes depth = zWhite - zBlack and marks the grid stale.
// The window then disables sbtNextB3 and sbtSave and enables sbtProfApply.
void SetWhiteDepth(ReliefModel& model, float zWhite);
void SetBlackDepth(ReliefModel& model, float zBlack);

inline constexpr const char* kSixteenColourMessage = "Bitmap with 16 colors is not correctly converted";

// What ElaboraImmagine asks of the windows.
struct ReliefBuild {
  bool ran = false;                // a working bitmap existed; nothing else is set when it did not
  bool invalidateProgram = false;  // the computed NC program is out of date (TogliAssoc)
  bool filled = false;             // the grid holds the picture's depths
  bool rebuildSurface = false;     // GLSuperficie must rebuild from the grid
  bool reliefReady = false;        // disable sbtProfApply, enable sbtNextB3 and sbtSave
};

// Builds the height grid from `bitmap` (null: no working bitmap). The model's columns and rows must
// be the bitmap's size. A 4-bit bitmap shows kSixteenColourMessage and leaves the grid at the white
// depth; a 1-bit one is sized at the white depth and counts as ready. Pictures below 2 x 2 pixels are
// refused with ReliefError before anything changes.
ReliefBuild ElaboraImmagine(ReliefModel& model, const platform::Bitmap* bitmap, bool onlyReset);

// The stock box GLEstensioneCnc (rolled in the scene so that its cube height runs along X) and the
// axis marker GLAssi, as ImpostaBoxLimite sizes them.
struct StockBox {
  float cubeHeight = 0.0f;  // along X: the picture's width
  float cubeWidth = 0.0f;   // along Y: the picture's height
  float cubeDepth = 0.0f;   // along Z: the depth
  float positionX = 0.0f;
  float positionY = 0.0f;
  float positionZ = 0.0f;
  float axisScale = 0.0f;   // GLAssi's scale on all three axes
};

// Sets the grid step and grid origin from the image box, marks the grid stale and the parameters
// changed, and returns where the stock box goes. Refuses pictures below 2 x 2 pixels.
StockBox ImpostaBoxLimite(ReliefModel& model);

// The grey g of the 3D surface's colour (g, g, 1) at height z: 0 at the black depth, 1 at the white
// depth, kept within 0 ... 1. A relief without depth (or a depth that is no number) is all white, never
// a NaN colour.
float SurfaceShade(const ReliefModel& model, float z);

inline constexpr float kZNoCutNone = 7777.0f;
inline constexpr const char* kZNoCutOutsideMessage = "752";

struct ZNoCutPick {
  float z = kZNoCutNone;
  bool inside = false;
  std::string text;  // " Z: " and the height, or " " and message "752"
};

// The height of the grid node nearest to the drawing point (x, y). The last column and row, points
// off the grid, and a grid not (or differently) built count as outside: z = 7777.
ZNoCutPick ProfZNoCut(const ReliefModel& model, float x, float y, bool inches);

// The crop rectangle picked in the 2D view, as the crop command takes it: its top-left corner
// relative to the image origin, its size in drawing units and in pixels, and the texts of
// txtCutDx, txtCutDy, txtPixelW and txtPixelH.
struct CropBox {
  float originX = 0.0f;
  float originY = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
  int32_t columns = 0;
  int32_t rows = 0;
  std::string widthText, heightText, columnsText, rowsText;
};

// Called with the two corners of the rectangle, in either order. Pixel counts are 0 while the image
// has no pixel size.
CropBox InfoCut(const ReliefModel& model, double x1, double y1, double x2, double y2, bool inches);

}  // namespace machining
