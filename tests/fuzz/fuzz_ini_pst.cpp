// libFuzzer target: ini text read as a post-processor, its number formats and its three templates
// expanded with every key; and the ini table itself (lists, lookups, a write).
#include <cstddef>
#include <cstdint>
#include <string>

#include "machining/nc_words.h"
#include "machining/post_processor.h"
#include "platform/exception.h"
#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::IniFile ini;
  ini.SetAutoSave(false);
  ini.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const std::string& section : ini.ReadSections())
    for (const std::string& key : ini.ReadSection(section)) {
      (void)ini.ReadInteger(section, key, 0);
      (void)ini.ReadFloat(section, key, 0);
    }
  try {
    machining::NcWriter writer(machining::ParsePostProcessor(ini, {}), size % 2 == 1);
    machining::NcJob job;
    job.toolName = "Fr\xC3\xA4ser (6)";
    job.ncFileName = "/jobs/relief.nc";
    const machining::PostProcessorSettings& s = writer.settings;
    for (const std::string* templ : {&s.startOfFile, &s.toolChange, &s.endOfFile, &s.postComment}) {
      try {
        (void)machining::ExpandPostTemplate(*templ, 12.5, -0.0625, job, writer);
      } catch (const platform::Exception&) {
      }
    }
    std::string out;
    writer.WriteMoveBlock(out, 1, "1200", 1.0625, 2.5, -0.5);
    writer.WriteMoveBlock(out, 0, machining::kRapidFeedText, 1.0625, 3.5, 5);
  } catch (const platform::Exception&) {
  }
  ini.WriteString("Fuzz", "Key", "value");
  (void)ini.Text();
  return 0;
}
