// The status line's progress bar while the window is busy (Calculate, a save): shown for the length of a
// scope, at once or once the work has taken longer than a moment (a small file saves without a flicker
// of it), and hidden on every way out.
#pragma once

#include <cstdint>

#include "platform/atomic_file.h"

class QProgressBar;

namespace app {

class StatusProgressBar {
 public:
  // A save that has run this long shows the bar.
  static constexpr uint64_t kMomentMs = 300;

  // With `showAfterMs` 0 the bar shows at once, at 0.
  explicit StatusProgressBar(QProgressBar* bar, uint64_t showAfterMs = kMomentMs);
  ~StatusProgressBar();
  StatusProgressBar(const StatusProgressBar&) = delete;
  StatusProgressBar& operator=(const StatusProgressBar&) = delete;

  // What the work calls as it goes, with the bar's new position.
  platform::SaveProgress Callback();

 private:
  void Show();
  void Advance(int position);

  QProgressBar* bar_;
  uint64_t start_;
  uint64_t showAfterMs_;
  bool shown_ = false;
};

}  // namespace app
