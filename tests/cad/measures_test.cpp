// The measurement display as the entities fill it while their geometry is computed.
#include "cad/measures.h"

#include <QTableWidget>
#include <clocale>
#include <numbers>

#include "cad/curves2d.h"
#include "drawing_test_support.h"

namespace cad {
namespace {

class MeasuresTest : public DrawingTestBase {
 protected:
  void SetUp() override {
    DrawingTestBase::SetUp();
    KQSysSetMeasureDisplay(&display);
  }
  void TearDown() override {
    KQSysSetMeasureDisplay(nullptr);
    DrawingTestBase::TearDown();
  }

  // The cells row by row, "x y / x y / ...", without the empty rows at the end.
  std::string Cells() const {
    std::vector<std::string> rows;
    for (int row = 0; row < table.rowCount(); ++row) {
      const std::string second = grid.Cell(1, row);
      rows.push_back(grid.Cell(0, row) + (second.empty() ? "" : " " + second));
    }
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    std::string text;
    for (const std::string& row : rows) text += (text.empty() ? "" : " / ") + row;
    return text;
  }

  QTableWidget table;
  platform::QtCellGrid grid{&table};
  TMeasureDisplay display{&grid, true, 5};
};

TEST_F(MeasuresTest, EntitiesShowTheirMeasures) {
  platform::Canvas canvas(20, 20);
  TDecorativeCanvas dc(canvas);
  TLine2D line(1, Point2D(1, 1), Point2D(4, 5));
  line.SetTransform(Translate2D(1, 0));

  // Segments only for the segment kinds, and only while ShowMeasures is on.
  display.MeasureKind = 1;
  line.Draw(IdentityTransform2D, dc, Rect2D(0, 0, 20, 20), 0);
  EXPECT_EQ(Cells(), "");
  display.MeasureKind = 33;
  display.ShowMeasures = false;
  line.Draw(IdentityTransform2D, dc, Rect2D(0, 0, 20, 20), 0);
  EXPECT_EQ(Cells(), "");
  display.ShowMeasures = true;
  // A decimal comma in the user's locale changes nothing.
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is missing: run scripts/deps.sh";
  line.Draw(IdentityTransform2D, dc, Rect2D(0, 0, 20, 20), 0);
  std::setlocale(LC_NUMERIC, previous.c_str());
  EXPECT_EQ(Cells(), "2.000 1.000 / 5.000 5.000 / 3.000 4.000 / 5.000 / 53.130");

  // Each measure clears what the last one showed.
  TCerchio2D circle(2, Point2D(1, 1), Point2D(1, 3));
  EXPECT_EQ(Cells(), "1.000 1.000 / 1.000 3.000 / 2.000");
  display.NumberFormat = "%0.4f";
  TArco2D arc(3, Point2D(0, 0), Point2D(2, 0), 0, std::numbers::pi / 2);
  EXPECT_EQ(Cells(), "0.0000 0.0000 / 2.0000 / 0.0000 / 90.0000");
  TEllipse2D ellipse(4, Point2D(5, 1), Point2D(1, 3));
  EXPECT_EQ(Cells(), "4.0000 / 2.0000");

  // Without a display nothing is shown and nothing fails.
  KQSysSetMeasureDisplay(nullptr);
  TEllipse2D(5, Point2D(0, 0), Point2D(9, 9));
  EXPECT_EQ(grid.Cell(0, 0), "4.0000");
}

}  // namespace
}  // namespace cad
