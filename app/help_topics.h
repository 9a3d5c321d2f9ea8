// The topics of the program's help file (help/*.html, compiled into hlp/Velkora.chm) and the help
// context numbers mapped to them in the help project (help/Velkora.hhp keeps the same numbers):
//
//   help.HelpJump("depth");                                  // a topic by name
//   help.HelpContext(app::HelpContextOfPage(pageIndex));     // the topic that explains a page
#pragma once

#include <span>

namespace app {

struct HelpTopic {
  const char* name;  // the page's file name without ".html"
  int context;
};

// Every topic of the help file, in the order of its contents.
std::span<const HelpTopic> HelpTopics();

// The help context of the topic that explains page `pageIndex` of the main window's page control
// (0 ... 50); the welcome page's for any other index.
int HelpContextOfPage(int pageIndex);

}  // namespace app
