// The messages of a load: a file of 2,000 vector texts in an unknown font, or 2,000 objects that
// are not 2D, tells the user once per text, not once per object. Outside a load every report is
// shown as it comes.
#pragma once

#include <set>
#include <string>

namespace cad {

// Open while a drawing or a block library is read; scopes may nest (a library inside a document),
// and the outermost one holds the texts already shown.
class TLoadReportScope {
 public:
  TLoadReportScope();
  ~TLoadReportScope();
  TLoadReportScope(const TLoadReportScope&) = delete;
  TLoadReportScope& operator=(const TLoadReportScope&) = delete;

 private:
  friend void ReportWhileLoading(const std::string& text);
  TLoadReportScope* outer_;
  std::set<std::string> shown_;
};

// Shows the text unless the open load has shown it already.
void ReportWhileLoading(const std::string& text);

}  // namespace cad
