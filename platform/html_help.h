// The HTML Help entry point, in place of the system's HTML Help library: the program's help viewer
// hands it a command, a help file (with "::/topic" for a topic) and a keyword or context number. The
// running program installs its help window here before the help viewer is created; with nothing
// installed the help system counts as missing and every request is dropped. Tests install a
// RecordingHtmlHelp to see the calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QWidget;

namespace platform {

// Commands of the HTML Help entry point.
enum HtmlHelpCommand : int {
  kHhDisplayTopic = 0,  // file "help.chm::/topic.html"
  kHhDisplayToc = 1,    // contents of the file
  kHhDisplayIndex = 2,  // index of the file at a keyword
  kHhHelpContext = 15,  // topic mapped to a context number
  kHhCloseAll = 18,     // close every help window (no file)
  kHhGetLastError = 20,
};

// What a command carries besides the file: the keyword of kHhDisplayIndex, the number of kHhHelpContext.
struct HtmlHelpData {
  std::string keyword;
  uint32_t context = 0;
};

class HtmlHelpEntry {
 public:
  virtual ~HtmlHelpEntry() = default;
  // `caller` is the window asking (may be null).
  virtual void HtmlHelp(QWidget* caller, const std::string& file, int command, const HtmlHelpData& data) = 0;
};

// The installed entry, or null when there is no help system.
HtmlHelpEntry* HtmlHelpLibrary();
void SetHtmlHelpLibrary(HtmlHelpEntry* entry);

// Installs `entry` for the lifetime of the object and restores the previous one after.
class ScopedHtmlHelp {
 public:
  explicit ScopedHtmlHelp(HtmlHelpEntry* entry);
  ~ScopedHtmlHelp();
  ScopedHtmlHelp(const ScopedHtmlHelp&) = delete;
  ScopedHtmlHelp& operator=(const ScopedHtmlHelp&) = delete;

 private:
  HtmlHelpEntry* previous_;
};

// Records every call (tests).
class RecordingHtmlHelp : public HtmlHelpEntry {
 public:
  struct Call {
    QWidget* caller;
    std::string file;
    int command;
    HtmlHelpData data;
  };
  std::vector<Call> calls;
  void HtmlHelp(QWidget* caller, const std::string& file, int command, const HtmlHelpData& data) override {
    calls.push_back({caller, file, command, data});
  }
};

}  // namespace platform
