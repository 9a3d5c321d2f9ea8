// The relief: one single-precision depth per pixel, indexed [column][row], row 0 at the bottom of the
// picture. Stored column by column so a column's rows are contiguous.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace machining {

class HeightGrid {
 public:
  HeightGrid() = default;

  // Sizes the grid to columns x rows, every node set to `fill` (never left undefined).
  void Resize(int columns, int rows, float fill);
  void Clear() { Resize(0, 0, 0.0f); }

  int Columns() const { return columns_; }
  int Rows() const { return rows_; }
  bool Empty() const { return columns_ == 0 || rows_ == 0; }

  float At(int column, int row) const { return data_[Index(column, row)]; }
  float& At(int column, int row) { return data_[Index(column, row)]; }
  // The rows of one column, row 0 first.
  const float* Column(int column) const { return data_.data() + static_cast<size_t>(column) * rows_; }
  float* Column(int column) { return data_.data() + static_cast<size_t>(column) * rows_; }

 private:
  size_t Index(int column, int row) const { return static_cast<size_t>(column) * rows_ + row; }

  int columns_ = 0;
  int rows_ = 0;
  std::vector<float> data_;
};

inline void HeightGrid::Resize(int columns, int rows, float fill) {
  columns_ = columns > 0 && rows > 0 ? columns : 0;
  rows_ = columns > 0 && rows > 0 ? rows : 0;
  data_.assign(static_cast<size_t>(columns_) * rows_, fill);
}

}  // namespace machining
