// The HTML-help viewer: takes the help system's requests (contents, keyword, topic, context) and hands
// them to the HTML Help entry point (platform/html_help.h) with the help file and topic names it
// expects. The help file is the help system's current one, else the application's ("Velkora.chm"),
// looked for in the folder "hlp" beside the program when it is named without a folder; only ".chm"
// files are served.
//
// The program creates the viewer once, before any window, after installing its help window as the
// entry point, and lets it go at the end:
//   app::HelpWindows helpWindows;                          // help_window.h
//   platform::ScopedHtmlHelp entry(&helpWindows);
//   app::HtmlHelpUnit htmlHelp(app::ProgramHelpManager());
//   ...
//   app::ProgramHelpManager().ShutDown();                  // closes the help windows
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/help_manager.h"
#include "platform/html_help.h"

namespace app {

class TPembHtmlHelpViewer : public HelpViewer {
 public:
  static constexpr const char* kViewerName = "PembHtmlHelp";
  static constexpr const char* kDefaultTopicExtension = ".html";

  // Takes the entry point installed now (none: every request is dropped).
  explicit TPembHtmlHelpViewer(HelpManager* manager);

  std::string GetViewerName() const override { return kViewerName; }
  std::vector<std::string> GetHelpStrings(const std::string& keyword) override;
  bool CanShowTableOfContents() override;
  void ShowTableOfContents() override;
  void ShowHelp(const std::string& helpString) override;
  bool UnderstandsTopic(const std::string& topic) override;
  void DisplayTopic(const std::string& topic) override;
  bool UnderstandsContext(int context) override;
  void DisplayHelpByContext(int context) override;
  void NotifyID(int viewerId) override { viewerId_ = viewerId; }
  void SoftShutDown() override;
  void ShutDown() override;

  // The index of this viewer's entry in a list of "<viewer>: <text>" strings; 0 when none is.
  int IndexOfViewerEntry(const std::vector<std::string>& strings) const;
  // The help file of a request (full path), and whether it is one this viewer serves.
  std::string HelpFile() const;
  bool ServesHelpFile() const;
  int ViewerId() const { return viewerId_; }
  HelpManager* Manager() const { return manager_; }
  bool HasEntryPoint() const { return entry_ != nullptr; }

 private:
  void CallHtmlHelp(const std::string& file, int command, const platform::HtmlHelpData& data = {});

  HelpManager* manager_;
  platform::HtmlHelpEntry* entry_;
  int viewerId_ = 0;
};

// Answers for the old-style help: an entry ": " followed by the text.
class TPembWinHelpTester : public WinHelpTester {
 public:
  std::vector<std::string> GetHelpStrings(const std::string& text) override { return {": " + text}; }
};

// Creating one registers a new viewer with `manager` and installs a new WinHelp tester; destroying it
// tells the manager the viewer is gone.
class HtmlHelpUnit {
 public:
  explicit HtmlHelpUnit(HelpManager& manager);
  ~HtmlHelpUnit();
  HtmlHelpUnit(const HtmlHelpUnit&) = delete;
  HtmlHelpUnit& operator=(const HtmlHelpUnit&) = delete;

  TPembHtmlHelpViewer& Viewer() const { return *viewer_; }

 private:
  HelpManager& manager_;
  std::shared_ptr<TPembHtmlHelpViewer> viewer_;
};

}  // namespace app
