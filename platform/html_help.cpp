#include "platform/html_help.h"

namespace platform {
namespace {

HtmlHelpEntry*& Installed() {
  static HtmlHelpEntry* entry = nullptr;
  return entry;
}

}  // namespace

HtmlHelpEntry* HtmlHelpLibrary() { return Installed(); }
void SetHtmlHelpLibrary(HtmlHelpEntry* entry) { Installed() = entry; }

ScopedHtmlHelp::ScopedHtmlHelp(HtmlHelpEntry* entry) : previous_(HtmlHelpLibrary()) { SetHtmlHelpLibrary(entry); }
ScopedHtmlHelp::~ScopedHtmlHelp() { SetHtmlHelpLibrary(previous_); }

}  // namespace platform
