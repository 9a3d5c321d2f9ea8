#include "app/status_progress.h"

#include <QProgressBar>
#include <algorithm>

#include "platform/dialogs.h"

namespace app {

StatusProgressBar::StatusProgressBar(QProgressBar* bar, uint64_t showAfterMs)
    : bar_(bar), start_(platform::CurrentDialogs().TickCount()), showAfterMs_(showAfterMs) {
  if (showAfterMs_ == 0) Show();
}

StatusProgressBar::~StatusProgressBar() {
  if (shown_) bar_->hide();
}

platform::SaveProgress StatusProgressBar::Callback() {
  return [this](int position) { Advance(position); };
}

void StatusProgressBar::Show() {
  shown_ = true;
  bar_->show();
  bar_->setValue(0);
}

void StatusProgressBar::Advance(int position) {
  if (!shown_) {
    if (platform::CurrentDialogs().TickCount() - start_ < showAfterMs_) return;
    Show();
  }
  bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
  // The window is busy with the work: the bar is painted now rather than when the work is done.
  bar_->repaint();
}

}  // namespace app
