// libFuzzer target: NC listings read line by line in every dialect and drawn, as the listing's
// backplot reads and draws them. The first byte picks the dialect, the comment opener and the
// arc-centre rule, the second the length of the [Feed] Rapid text that follows it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "machining/backplot.h"

namespace {

// Draws nowhere; arcs are laid out in nodes as the 3D line lays them.
class NullView : public machining::BackplotView {
 public:
  void AddNode(bool, float, float, float) override {}
  void AddArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count) override {
    nodes += machining::ArcNodes(cx, cy, z, radius, startAngle, stopAngle, count).size();
  }
  void MoveTool(float, float, float) override {}
  void DrawLine(uint32_t, double, double, double, double) override {}
  void DrawArc(uint32_t, double, double, double, double, double) override {}
  void DrawPoint(uint32_t, double, double) override {}
  size_t nodes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  machining::PostProcessorSettings settings;
  settings.dialect = static_cast<machining::NcDialect>(data[0] % 5);
  settings.startComment = data[0] & 0x80 ? ";" : "(";
  settings.arcCenter = (data[0] >> 3) % 4;
  const size_t rapid = std::min<size_t>(data[1] % 8, size - 2);
  settings.feedRapid.assign(reinterpret_cast<const char*>(data + 2), rapid);
  std::string_view text(reinterpret_cast<const char*>(data + 2 + rapid), size - 2 - rapid);
  machining::Backplot backplot;
  backplot.Reset(settings, "5");
  NullView view;
  for (int line = 1; !text.empty(); ++line) {
    const size_t end = text.find('\n');
    try {
      if (backplot.Read(text.substr(0, end), line)) {
        const machining::NcMove move = backplot.Move();
        backplot.Draw3D(view, move, true);
        backplot.Draw2D(view, move);
      }
    } catch (const machining::NcListingError&) {
      // A coordinate beyond what can be drawn: the listing says so and goes on with the next line.
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return 0;
}
