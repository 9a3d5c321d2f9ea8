#include "app/save_progress.h"

#include <QProgressBar>
#include <algorithm>

#include "platform/dialogs.h"

namespace app {

SaveProgressBar::SaveProgressBar(QProgressBar* bar) : bar_(bar), start_(platform::CurrentDialogs().TickCount()) {}

SaveProgressBar::~SaveProgressBar() {
  if (shown_) bar_->hide();
}

platform::SaveProgress SaveProgressBar::Callback() {
  return [this](int percent) { Advance(percent); };
}

void SaveProgressBar::Advance(int percent) {
  if (!shown_) {
    if (platform::CurrentDialogs().TickCount() - start_ < kMomentMs) return;
    shown_ = true;
    bar_->show();
  }
  bar_->setValue(std::clamp(percent, bar_->minimum(), bar_->maximum()));
  // The window is busy with the save: the bar is painted now rather than when the save is done.
  bar_->repaint();
}

}  // namespace app
