// The program's help system: help requests of the windows (contents, topic, keyword, context) go to the
// help viewers registered here. The HTML-help viewer (html_help_viewer.h) is the one viewer; it reads
// the help file name and the calling window from here.
//
// Start-up and the main window's help commands:
//   app::HelpManager& help = app::ProgramHelpManager();
//   help.SetApplicationHelpFile("Velkora.chm");          // found in "hlp" beside the program
//   help.SetWindow(mainWindow);
//   help.HelpCommand(app::kHelpContents, 0);              // "&Help": the contents
//   help.HelpJump("dimension");                           // a topic by name
//   help.HelpContext(44);                                  // a page's context number
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace app {

// The numbers of HelpCommand, as the program's windows have always sent them.
enum HelpCommandCode : int { kHelpContext = 1, kHelpQuit = 2, kHelpContents = 3, kHelpFinder = 11 };

// What a help viewer offers to the help system.
class HelpViewer {
 public:
  virtual ~HelpViewer() = default;
  virtual std::string GetViewerName() const = 0;
  // Entries "<viewer>: <keyword>" this viewer can show for a keyword.
  virtual std::vector<std::string> GetHelpStrings(const std::string& keyword) = 0;
  virtual bool CanShowTableOfContents() = 0;
  virtual void ShowTableOfContents() = 0;
  // Shows one of the entries GetHelpStrings gave.
  virtual void ShowHelp(const std::string& helpString) = 0;
  virtual bool UnderstandsTopic(const std::string& topic) = 0;
  virtual void DisplayTopic(const std::string& topic) = 0;
  virtual bool UnderstandsContext(int context) = 0;
  virtual void DisplayHelpByContext(int context) = 0;
  // The id the help system gave the viewer when it registered it.
  virtual void NotifyID(int viewerId) = 0;
  // Close the viewer's windows; ShutDown also lets go of the help system.
  virtual void SoftShutDown() = 0;
  virtual void ShutDown() = 0;
};

// Answers which keywords the old-style help could show (no such help here).
class WinHelpTester {
 public:
  virtual ~WinHelpTester() = default;
  virtual std::vector<std::string> GetHelpStrings(const std::string& text) = 0;
};

class HelpManager {
 public:
  HelpManager() = default;
  HelpManager(const HelpManager&) = delete;
  HelpManager& operator=(const HelpManager&) = delete;

  // Registers a viewer; returns its id (also given to the viewer through NotifyID).
  int RegisterViewer(std::shared_ptr<HelpViewer> viewer);
  // The viewer with this id is gone.
  void Release(int viewerId);
  size_t ViewerCount() const { return viewers_.size(); }

  // The help file of the current request, when a window names one (else empty).
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& file) { helpFile_ = file; }
  // The application's help file.
  const std::string& ApplicationHelpFile() const { return applicationHelpFile_; }
  void SetApplicationHelpFile(const std::string& file) { applicationHelpFile_ = file; }
  // The window help windows belong to.
  QWidget* Window() const { return window_; }
  void SetWindow(QWidget* window) { window_ = window; }

  WinHelpTester* GetWinHelpTester() const { return winHelpTester_.get(); }
  void SetWinHelpTester(std::unique_ptr<WinHelpTester> tester) { winHelpTester_ = std::move(tester); }

  // Requests; false when no viewer took them.
  bool HelpCommand(int command, int64_t data);
  bool HelpContext(int context);
  bool HelpKeyword(const std::string& keyword);
  bool HelpJump(const std::string& topic);
  bool ShowTableOfContents();
  // Closes every help window (program end: ShutDown, which also releases the viewers).
  void SoftShutDown();
  void ShutDown();

 private:
  struct Registered {
    int id;
    std::shared_ptr<HelpViewer> viewer;
  };
  std::vector<Registered> viewers_;
  int nextId_ = 1;
  std::string helpFile_;
  std::string applicationHelpFile_;
  QWidget* window_ = nullptr;
  std::unique_ptr<WinHelpTester> winHelpTester_;
};

// The program's one help system.
HelpManager& ProgramHelpManager();

}  // namespace app
