// The contents (".hhc") and index (".hhk") files of a compiled help file: HTML lists whose items are
// sitemap objects with a "Name" and a "Local" (the topic, relative to the file's root), nested by <UL>.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct SitemapEntry {
  std::string name;
  // The topic as written ("dimension.html#apply"); empty for a heading without a page.
  std::string local;
  // 0 for the outermost list, one more per nested list.
  int level = 0;
};

// The entries in document order. Malformed markup never fails: what can be read is returned.
std::vector<SitemapEntry> ParseSitemap(std::string_view html);

}  // namespace platform
