#include "cad/measures.h"

#include <atomic>
#include <cmath>

#include "platform/numbers.h"

namespace cad {

namespace {

std::atomic<TMeasureDisplay*> g_display{nullptr};

// Clears the grid for one measure and shows the cells together at the end.
class Cells {
 public:
  explicit Cells(TMeasureDisplay& display) : display_(display), grid_(display.Grid) {
    if (!grid_) return;
    grid_->BeginUpdate();
    grid_->Clear();
  }
  ~Cells() {
    if (grid_) grid_->EndUpdate();
  }
  Cells(const Cells&) = delete;
  Cells& operator=(const Cells&) = delete;

  void Set(int column, int row, double value) {
    if (grid_) grid_->SetCell(column, row, platform::FormatPrintf(display_.NumberFormat, value));
  }
  // X in column 0, Y in column 1.
  void SetPoint(int row, const TPoint2D& p) {
    Set(0, row, p.X);
    Set(1, row, p.Y);
  }

 private:
  TMeasureDisplay& display_;
  platform::CellGrid* grid_;
};

// The display to report to, when there is one that shows measures.
TMeasureDisplay* Showing() {
  TMeasureDisplay* display = g_display.load();
  return display && display->ShowMeasures ? display : nullptr;
}

}  // namespace

void ShowSegmentMeasures(TMeasureDisplay& display, const TPoint2D& first, const TPoint2D& second) {
  const TPoint2D a = CartesianPoint2D(first), b = CartesianPoint2D(second);
  Cells cells(display);
  cells.SetPoint(0, a);
  cells.SetPoint(1, b);
  cells.SetPoint(2, Point2D(b.X - a.X, b.Y - a.Y));
  cells.Set(0, 3, Distance2D(a.X, a.Y, b.X, b.Y));
  cells.Set(0, 4, RadToDeg(std::atan2(b.Y - a.Y, b.X - a.X)));
}

void ShowCircleMeasures(TMeasureDisplay& display, const TPoint2D& centre, const TPoint2D& onCircle, double radius) {
  Cells cells(display);
  cells.SetPoint(0, CartesianPoint2D(centre));
  cells.SetPoint(1, CartesianPoint2D(onCircle));
  cells.Set(0, 2, radius);
}

void ShowArcMeasures(TMeasureDisplay& display, double endAngle, double startAngle, double radius, double centreX,
                     double centreY) {
  Cells cells(display);
  cells.SetPoint(0, Point2D(centreX, centreY));
  cells.Set(0, 1, radius);
  cells.Set(0, 2, RadToDeg(startAngle));
  cells.Set(0, 3, RadToDeg(endAngle));
}

void ShowBoxMeasures(TMeasureDisplay& display, const TPoint2D& first, const TPoint2D& second) {
  const TPoint2D a = CartesianPoint2D(first), b = CartesianPoint2D(second);
  Cells cells(display);
  cells.Set(0, 0, std::abs(b.X - a.X));
  cells.Set(0, 1, std::abs(b.Y - a.Y));
}

TMeasureDisplay* KQSysMeasureDisplay() { return g_display.load(); }

void KQSysSetMeasureDisplay(TMeasureDisplay* display) { g_display.store(display); }

void ReportSegmentMeasures(const TPoint2D& first, const TPoint2D& second) {
  TMeasureDisplay* display = Showing();
  if (!display) return;
  switch (display->MeasureKind) {
    case 5:
    case 6:
    case 7:
    case 8:
    case 33:
      ShowSegmentMeasures(*display, first, second);
      break;
    default:
      break;
  }
}

void ReportCircleMeasures(const TPoint2D& centre, const TPoint2D& onCircle, double radius) {
  if (TMeasureDisplay* display = Showing()) ShowCircleMeasures(*display, centre, onCircle, radius);
}

void ReportArcMeasures(double endAngle, double startAngle, double radius, const TPoint2D& centre) {
  if (TMeasureDisplay* display = Showing()) ShowArcMeasures(*display, endAngle, startAngle, radius, centre.X, centre.Y);
}

void ReportBoxMeasures(const TPoint2D& first, const TPoint2D& second) {
  if (TMeasureDisplay* display = Showing()) ShowBoxMeasures(*display, first, second);
}

}  // namespace cad
