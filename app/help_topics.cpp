#include "app/help_topics.h"

#include <string_view>

namespace app {
namespace {

constexpr HelpTopic kTopics[] = {
    {"start", 1},           {"open_save", 2},           {"dimension", 3},   {"image_edit", 4},
    {"reference_point", 5}, {"depth", 6},               {"nc_file", 7},     {"tool", 8},
    {"tool_database", 9},   {"cutting_parameters", 10}, {"nc_listing", 11}, {"view2d", 12},
    {"drawing_commands", 13}, {"view3d", 14},           {"settings", 15},   {"languages", 16},
    {"post_processors", 17}, {"files", 18},
};

constexpr int ContextOf(std::string_view name) {
  for (const HelpTopic& topic : kTopics)
    if (name == topic.name) return topic.context;
  return 1;
}

}  // namespace

std::span<const HelpTopic> HelpTopics() { return kTopics; }

int HelpContextOfPage(int pageIndex) {
  switch (pageIndex) {
    case 6:   // tabSnapGrid
    case 7:   // tabLayer
    case 11:  // tabVisGridSet
      return ContextOf("view2d");
    case 13: return ContextOf("settings");
    case 14: return ContextOf("open_save");
    case 43: return ContextOf("image_edit");
    case 44: return ContextOf("dimension");
    case 45: return ContextOf("reference_point");
    case 46: return ContextOf("depth");
    case 47: return ContextOf("nc_file");
    case 48: return ContextOf("tool");
    case 49: return ContextOf("cutting_parameters");
    case 50: return ContextOf("nc_listing");
    default: return ContextOf(pageIndex >= 0 && pageIndex < 43 ? "drawing_commands" : "start");
  }
}

}  // namespace app
