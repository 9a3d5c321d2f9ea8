#include "app/html_help_viewer.h"

#include "platform/files.h"
#include "platform/numbers.h"

namespace app {
namespace {

// The extension of a file name, from its last "." (none when the "." lies in a folder name).
std::string Extension(const std::string& name) {
  const size_t dot = name.rfind('.');
  const size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return name.substr(dot);
}

bool HasFolder(const std::string& name) { return name.find_first_of("/\\") != std::string::npos; }

}  // namespace

TPembHtmlHelpViewer::TPembHtmlHelpViewer(HelpManager* manager)
    : manager_(manager), entry_(platform::HtmlHelpLibrary()) {}

std::string TPembHtmlHelpViewer::HelpFile() const {
  if (!manager_) return {};
  std::string name = manager_->HelpFile().empty() ? manager_->ApplicationHelpFile() : manager_->HelpFile();
  if (name.empty() || HasFolder(name)) return name;
  return platform::JoinPath(platform::JoinPath(platform::ProgramDir(), "hlp"), name);
}

bool TPembHtmlHelpViewer::ServesHelpFile() const { return platform::EqualsNoCase(Extension(HelpFile()), ".chm"); }

void TPembHtmlHelpViewer::CallHtmlHelp(const std::string& file, int command, const platform::HtmlHelpData& data) {
  if (!entry_ || command == platform::kHhGetLastError) return;
  if (command == platform::kHhCloseAll) {
    entry_->HtmlHelp(nullptr, std::string(), command, {});
    return;
  }
  entry_->HtmlHelp(manager_ ? manager_->Window() : nullptr, file, command, data);
}

std::vector<std::string> TPembHtmlHelpViewer::GetHelpStrings(const std::string& keyword) {
  return {std::string(kViewerName) + ": " + keyword};
}

int TPembHtmlHelpViewer::IndexOfViewerEntry(const std::vector<std::string>& strings) const {
  for (size_t i = 0; i < strings.size(); ++i)
    if (strings[i].substr(0, strings[i].find(':')) == kViewerName) return static_cast<int>(i);
  return 0;
}

bool TPembHtmlHelpViewer::CanShowTableOfContents() { return ServesHelpFile(); }

void TPembHtmlHelpViewer::ShowTableOfContents() {
  if (ServesHelpFile()) CallHtmlHelp(HelpFile(), platform::kHhDisplayToc);
}

void TPembHtmlHelpViewer::ShowHelp(const std::string& helpString) {
  if (!ServesHelpFile()) return;
  const size_t colon = helpString.find(':');
  const std::string keyword = platform::Trim(colon == std::string::npos ? helpString : helpString.substr(colon + 1));
  CallHtmlHelp(HelpFile(), platform::kHhDisplayIndex, {keyword, 0});
}

bool TPembHtmlHelpViewer::UnderstandsTopic(const std::string&) { return ServesHelpFile(); }

void TPembHtmlHelpViewer::DisplayTopic(const std::string& topic) {
  if (!ServesHelpFile()) return;
  const std::string extension = platform::ToLowerAscii(Extension(topic));
  const std::string page = extension == ".htm" || extension == ".html" ? topic : topic + kDefaultTopicExtension;
  CallHtmlHelp(HelpFile() + "::/" + page, platform::kHhDisplayTopic);
}

bool TPembHtmlHelpViewer::UnderstandsContext(int) { return ServesHelpFile(); }

void TPembHtmlHelpViewer::DisplayHelpByContext(int context) {
  if (ServesHelpFile()) CallHtmlHelp(HelpFile(), platform::kHhHelpContext, {std::string(), static_cast<uint32_t>(context)});
}

void TPembHtmlHelpViewer::SoftShutDown() { CallHtmlHelp(std::string(), platform::kHhCloseAll); }

void TPembHtmlHelpViewer::ShutDown() {
  SoftShutDown();
  manager_ = nullptr;
}

HtmlHelpUnit::HtmlHelpUnit(HelpManager& manager)
    : manager_(manager), viewer_(std::make_shared<TPembHtmlHelpViewer>(&manager)) {
  manager_.RegisterViewer(viewer_);
  manager_.SetWinHelpTester(std::make_unique<TPembWinHelpTester>());
}

HtmlHelpUnit::~HtmlHelpUnit() { manager_.Release(viewer_->ViewerId()); }

}  // namespace app
