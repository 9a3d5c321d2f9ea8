#include "app/help_manager.h"

#include <algorithm>

namespace app {

int HelpManager::RegisterViewer(std::shared_ptr<HelpViewer> viewer) {
  const int id = nextId_++;
  viewers_.push_back({id, viewer});
  viewer->NotifyID(id);
  return id;
}

void HelpManager::Release(int viewerId) {
  std::erase_if(viewers_, [viewerId](const Registered& r) { return r.id == viewerId; });
}

bool HelpManager::HelpCommand(int command, int64_t data) {
  switch (command) {
    case kHelpContext: return HelpContext(static_cast<int>(data));
    case kHelpContents:
    case kHelpFinder: return ShowTableOfContents();
    case kHelpQuit: SoftShutDown(); return true;
    default: return false;
  }
}

bool HelpManager::HelpContext(int context) {
  // A viewer may release itself while it works: hold the list's viewers while walking it.
  const auto viewers = viewers_;
  for (const Registered& r : viewers)
    if (r.viewer->UnderstandsContext(context)) {
      r.viewer->DisplayHelpByContext(context);
      return true;
    }
  return false;
}

bool HelpManager::HelpKeyword(const std::string& keyword) {
  const auto viewers = viewers_;
  for (const Registered& r : viewers) {
    const std::vector<std::string> strings = r.viewer->GetHelpStrings(keyword);
    if (!strings.empty()) {
      r.viewer->ShowHelp(strings.front());
      return true;
    }
  }
  return false;
}

bool HelpManager::HelpJump(const std::string& topic) {
  const auto viewers = viewers_;
  for (const Registered& r : viewers)
    if (r.viewer->UnderstandsTopic(topic)) {
      r.viewer->DisplayTopic(topic);
      return true;
    }
  return false;
}

bool HelpManager::ShowTableOfContents() {
  const auto viewers = viewers_;
  for (const Registered& r : viewers)
    if (r.viewer->CanShowTableOfContents()) {
      r.viewer->ShowTableOfContents();
      return true;
    }
  return false;
}

void HelpManager::SoftShutDown() {
  const auto viewers = viewers_;
  for (const Registered& r : viewers) r.viewer->SoftShutDown();
}

void HelpManager::ShutDown() {
  const auto viewers = viewers_;
  for (const Registered& r : viewers) r.viewer->ShutDown();
  viewers_.clear();
}

HelpManager& ProgramHelpManager() {
  static HelpManager manager;
  return manager;
}

}  // namespace app
