// The measurement display: the measures of the entity whose geometry was last computed (end points,
// deltas, length, angle, radius), in a grid of text cells. The program creates none; when one is
// set as the program's display, lines, circles, arcs and ellipses fill it as they are computed.
// Numbers are locale-free, in the display's format ("%0.3f" for millimetres, "%0.4f" for inches).
#pragma once

#include <cstdint>
#include <string>

#include "cad/geometry.h"
#include "platform/cell_grid.h"

namespace cad {

struct TMeasureDisplay {
  // The cells (not owned); a display without one shows nothing.
  platform::CellGrid* Grid = nullptr;
  bool ShowMeasures = false;
  // The kind of the current measure; segments are shown only for kinds 5, 6, 7, 8 and 33.
  uint8_t MeasureKind = 0;
  std::string NumberFormat = "%0.3f";
};

// Each clears the grid and fills its cells, between BeginUpdate and EndUpdate:
// (0,0) X1, (1,0) Y1, (0,1) X2, (1,1) Y2, (0,2) X2 - X1, (1,2) Y2 - Y1, (0,3) the distance,
// (0,4) the direction angle in degrees.
void ShowSegmentMeasures(TMeasureDisplay& display, const TPoint2D& first, const TPoint2D& second);
// (0,0) and (1,0) the centre, (0,1) and (1,1) the point on the circle, (0,2) the radius.
void ShowCircleMeasures(TMeasureDisplay& display, const TPoint2D& centre, const TPoint2D& onCircle, double radius);
// (0,0) and (1,0) the centre, (0,1) the radius, (0,2) and (0,3) the start and end angle in degrees
// (the angles given in radians).
void ShowArcMeasures(TMeasureDisplay& display, double endAngle, double startAngle, double radius, double centreX,
                     double centreY);
// (0,0) |X2 - X1|, (0,1) |Y2 - Y1|.
void ShowBoxMeasures(TMeasureDisplay& display, const TPoint2D& first, const TPoint2D& second);

// The program's display, none until one is set. Entities report to it from the GUI thread only (a
// grid is a widget); the painting thread, which draws lines, is off in this program.
TMeasureDisplay* KQSysMeasureDisplay();
void KQSysSetMeasureDisplay(TMeasureDisplay* display);

// What the entities call: each shows its measures when there is a display with ShowMeasures on
// (and, for segments, a segment kind).
void ReportSegmentMeasures(const TPoint2D& first, const TPoint2D& second);
void ReportCircleMeasures(const TPoint2D& centre, const TPoint2D& onCircle, double radius);
void ReportArcMeasures(double endAngle, double startAngle, double radius, const TPoint2D& centre);
void ReportBoxMeasures(const TPoint2D& first, const TPoint2D& second);

}  // namespace cad
