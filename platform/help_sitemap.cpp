#include "platform/help_sitemap.h"

#include <cctype>
#include <map>
#include <optional>

#include "platform/numbers.h"

namespace platform {
namespace {

// Deeper lists than this are flattened; a sitemap needs a handful of levels.
constexpr int kMaxLevel = 32;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The character and numeric references a sitemap uses.
std::string DecodeEntities(std::string_view text) {
  static const std::map<std::string, std::string> named = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t semicolon = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
    if (semicolon == std::string_view::npos || semicolon - i > 10) {
      out += text[i];
      continue;
    }
    const std::string name(text.substr(i + 1, semicolon - i - 1));
    if (auto found = named.find(ToLowerAscii(name)); found != named.end()) {
      out += found->second;
    } else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      unsigned long code = 0;
      try {
        code = std::stoul(name.substr(hex ? 2 : 1), nullptr, hex ? 16 : 10);
      } catch (...) {
        out += text[i];
        continue;
      }
      // Written as UTF-8.
      if (code < 0x80) {
        out += char(code);
      } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
      } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
      } else if (code < 0x110000) {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
      }
    } else {
      out += text[i];
      continue;
    }
    i = semicolon;
  }
  return out;
}

struct Tag {
  std::string name;  // lower case, "/ul" for a closing tag
  std::map<std::string, std::string> attributes;  // names in lower case
};

// Reads the tag starting at html[at] == '<'; `at` moves past it.
Tag ReadTag(std::string_view html, size_t& at) {
  Tag tag;
  size_t i = at + 1;
  while (i < html.size() && !IsSpace(html[i]) && html[i] != '>') tag.name += char(std::tolower(uint8_t(html[i++])));
  while (i < html.size() && html[i] != '>') {
    while (i < html.size() && (IsSpace(html[i]) || html[i] == '/')) ++i;
    std::string name;
    while (i < html.size() && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>')
      name += char(std::tolower(uint8_t(html[i++])));
    while (i < html.size() && IsSpace(html[i])) ++i;
    std::string value;
    if (i < html.size() && html[i] == '=') {
      ++i;
      while (i < html.size() && IsSpace(html[i])) ++i;
      if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
        const char quote = html[i++];
        const size_t close = html.find(quote, i);
        const size_t end = close == std::string_view::npos ? html.size() : close;
        value = DecodeEntities(html.substr(i, end - i));
        i = end == html.size() ? end : end + 1;
      } else {
        while (i < html.size() && !IsSpace(html[i]) && html[i] != '>') value += html[i++];
        value = DecodeEntities(value);
      }
    }
    if (!name.empty()) tag.attributes.emplace(name, value);
    else if (i < html.size() && html[i] != '>') ++i;  // a stray character
  }
  at = i < html.size() ? i + 1 : html.size();
  return tag;
}

}  // namespace

std::vector<SitemapEntry> ParseSitemap(std::string_view html) {
  std::vector<SitemapEntry> entries;
  int depth = 0;
  std::optional<SitemapEntry> open;  // the sitemap object being read
  size_t at = 0;
  while ((at = html.find('<', at)) != std::string_view::npos) {
    if (html.compare(at, 4, "<!--") == 0) {
      const size_t end = html.find("-->", at + 4);
      at = end == std::string_view::npos ? html.size() : end + 3;
      continue;
    }
    const Tag tag = ReadTag(html, at);
    if (tag.name == "ul") {
      depth = std::min(depth + 1, kMaxLevel);
    } else if (tag.name == "/ul") {
      depth = std::max(depth - 1, 0);
    } else if (tag.name == "object") {
      auto type = tag.attributes.find("type");
      if (type != tag.attributes.end() && EqualsNoCase(type->second, "text/sitemap"))
        open = SitemapEntry{{}, {}, std::max(depth - 1, 0)};
    } else if (tag.name == "param" && open) {
      auto name = tag.attributes.find("name");
      auto value = tag.attributes.find("value");
      if (name == tag.attributes.end() || value == tag.attributes.end()) continue;
      // The first of each kind counts (an index keyword may list several topics).
      if (EqualsNoCase(name->second, "Name") && open->name.empty()) open->name = value->second;
      if (EqualsNoCase(name->second, "Local") && open->local.empty()) open->local = value->second;
    } else if (tag.name == "/object" && open) {
      if (!open->name.empty()) entries.push_back(*open);
      open.reset();
    }
  }
  return entries;
}

}  // namespace platform
