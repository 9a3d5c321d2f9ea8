// The row order of an interlaced GIF frame: rows 0, 8, 16, ... (pass 1), 4, 12, ... (pass 2),
// 2, 6, ... (pass 3), 1, 3, 5, ... (pass 4). Shared by the decoder and the encoder.
#pragma once

namespace gif {

class InterlacedRows {
 public:
  explicit InterlacedRows(int height) : height_(height) {}
  int Row() const { return row_; }
  // Moves to the next row; a pass with no row inside the picture is passed over, so frames two to
  // four rows high never step outside their pixels. Past the last row Row() is >= the height.
  void Next() {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    row_ += kStep[pass_];
    while (row_ >= height_ && pass_ < 3) {
      ++pass_;
      row_ = kStart[pass_];
    }
  }

 private:
  int height_;
  int row_ = 0;
  int pass_ = 0;
};

}  // namespace gif
