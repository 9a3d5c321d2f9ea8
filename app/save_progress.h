// The status line's progress bar during a save, as during Calculate: shown once the save has taken
// longer than a moment (a small file saves without a flicker of it), hidden on every way out.
#pragma once

#include <cstdint>

#include "platform/atomic_file.h"

class QProgressBar;

namespace app {

class SaveProgressBar {
 public:
  // A save that has run this long shows the bar.
  static constexpr uint64_t kMomentMs = 300;

  explicit SaveProgressBar(QProgressBar* bar);
  ~SaveProgressBar();
  SaveProgressBar(const SaveProgressBar&) = delete;
  SaveProgressBar& operator=(const SaveProgressBar&) = delete;

  // What the save routine calls as it goes.
  platform::SaveProgress Callback();

 private:
  void Advance(int percent);

  QProgressBar* bar_;
  uint64_t start_;
  bool shown_ = false;
};

}  // namespace app
