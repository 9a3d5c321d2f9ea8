// A grid of text cells addressed by (column, row), as the CAD library shows an entity's measures:
// the library talks to this small interface, and QtCellGrid puts a QTableWidget behind it.
#pragma once

#include <QPointer>
#include <string>

class QTableWidget;

namespace platform {

class CellGrid {
 public:
  virtual ~CellGrid() = default;

  // Changes between the two are shown together at the end; they nest.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  // Every cell empty; the grid keeps its size.
  virtual void Clear() = 0;
  // The grid grows to hold the cell; negative addresses are ignored.
  virtual void SetCell(int column, int row, const std::string& text) = 0;
  // Empty outside the grid.
  virtual std::string Cell(int column, int row) const = 0;
};

// The grid over a QTableWidget the caller owns (it may go first: the grid then holds nothing).
class QtCellGrid : public CellGrid {
 public:
  explicit QtCellGrid(QTableWidget* table);

  void BeginUpdate() override;
  void EndUpdate() override;
  void Clear() override;
  void SetCell(int column, int row, const std::string& text) override;
  std::string Cell(int column, int row) const override;

  QTableWidget* Widget() const;

 private:
  QPointer<QTableWidget> table_;
  int updating_ = 0;
};

}  // namespace platform
