// libFuzzer target: NC listings read line by line in every dialect. The first byte picks the
// dialect, the second the length of the [Feed] Rapid text that follows it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "machining/nc_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  machining::NcReaderSyntax syntax;
  syntax.dialect = static_cast<machining::NcDialect>(data[0] % 5);
  syntax.startComment = data[0] & 0x80 ? ";" : "(";
  const size_t rapid = std::min<size_t>(data[1] % 8, size - 2);
  syntax.rapidText.assign(reinterpret_cast<const char*>(data + 2), rapid);
  std::string_view text(reinterpret_cast<const char*>(data + 2 + rapid), size - 2 - rapid);
  machining::NcReaderState state;
  machining::ResetNcReader(state, "5");
  machining::NcLineMotion values;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    (void)machining::ParseNcLine(state, syntax, text.substr(0, end), values);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return 0;
}
