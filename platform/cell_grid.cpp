#include "platform/cell_grid.h"

#include <QTableWidget>

namespace platform {

QtCellGrid::QtCellGrid(QTableWidget* table) : table_(table) {}

QTableWidget* QtCellGrid::Widget() const { return table_; }

void QtCellGrid::BeginUpdate() {
  if (updating_++ == 0 && table_) table_->setUpdatesEnabled(false);
}

void QtCellGrid::EndUpdate() {
  if (updating_ == 0) return;
  if (--updating_ == 0 && table_) table_->setUpdatesEnabled(true);
}

void QtCellGrid::Clear() {
  if (table_) table_->clearContents();
}

void QtCellGrid::SetCell(int column, int row, const std::string& text) {
  if (!table_ || column < 0 || row < 0) return;
  if (column >= table_->columnCount()) table_->setColumnCount(column + 1);
  if (row >= table_->rowCount()) table_->setRowCount(row + 1);
  QTableWidgetItem* item = table_->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    table_->setItem(row, column, item);
  }
  item->setText(QString::fromStdString(text));
}

std::string QtCellGrid::Cell(int column, int row) const {
  if (!table_) return {};
  const QTableWidgetItem* item = table_->item(row, column);
  return item ? item->text().toStdString() : std::string();
}

}  // namespace platform
