// libFuzzer target: a language file as OpenLanguageFile reads it (from the folder beside the
// program), its texts looked up with their line-break markers.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "lang/lang.h"
#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace {

std::string ProgramFolder() {
  static const std::string dir = [] {
    auto path = std::filesystem::temp_directory_path() / ("velkora_fuzz_lng_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path / "language");
    platform::SetProgramDir(path.string());
    static const std::filesystem::path removeAtExit = path;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(removeAtExit, ignored);
    });
    return path.string();
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dir = ProgramFolder();
  platform::WriteFileBytes(dir + "/language/fuzz.lng", data, size);
  lang::Language language;
  lang::ScopedLanguage scoped(&language);
  // Errors go to the message boxes: none may be shown here (no display), so they are recorded.
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scopedDialogs(&dialogs);
  language.LangIni = lang::OpenLanguageFile(language, "fuzz");
  if (language.LangIni) {
    for (const std::string& section : language.LangIni->ReadSections())
      for (const std::string& key : language.LangIni->ReadSection(section)) (void)lang::ReadLangText(section, key);
    (void)lang::LangString("451");
    lang::LoadPageMessages(language);
  }
  (void)lang::ExpandLineBreaks(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
