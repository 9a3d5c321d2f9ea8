#include "cad/load_reports.h"

#include "platform/dialogs.h"

namespace cad {

namespace {
// Loads run on the thread that reads the file; each thread has its own open load.
thread_local TLoadReportScope* openScope = nullptr;
}  // namespace

TLoadReportScope::TLoadReportScope() : outer_(openScope) { openScope = this; }

TLoadReportScope::~TLoadReportScope() { openScope = outer_; }

void ReportWhileLoading(const std::string& text) {
  TLoadReportScope* outermost = openScope;
  while (outermost && outermost->outer_) outermost = outermost->outer_;
  if (outermost && !outermost->shown_.insert(text).second) return;
  platform::ShowMessage(text);
}

}  // namespace cad
