#include "app/language_choice.h"

#include <algorithm>
#include <optional>

#include "lang/lang.h"
#include "platform/files.h"
#include "platform/numbers.h"

namespace app {

namespace {
constexpr const char* kExtension = ".lng";
}  // namespace

bool LanguageNameLess(const std::string& a, const std::string& b) {
  const std::string la = platform::ToLowerAscii(a), lb = platform::ToLowerAscii(b);
  return la != lb ? la < lb : a < b;
}

std::vector<std::string> LanguageNames() {
  std::vector<std::string> names;
  for (const std::string& file : platform::ListFilesWithExtension(lang::LanguageDir(), kExtension))
    names.push_back(platform::BaseNameWithoutExtension(file));
  std::sort(names.begin(), names.end(), LanguageNameLess);
  return names;
}

std::string LanguageFilePath(const std::string& name) {
  const std::string dir = lang::LanguageDir();
  std::optional<std::string> found = platform::FindFileNoCase(dir, name + kExtension);
  return found ? *found : platform::JoinPath(dir, name + kExtension);
}

bool IsTemplateLanguage(const std::string& name) { return platform::EqualsNoCase(name, kTemplateLanguage); }

std::string NewLanguageNameFault(const std::string& name) {
  if (IsTemplateLanguage(name)) return TemplateWarning();
  // The name becomes a file name in the language folder and nowhere else.
  const bool unsafe = !platform::IsPlainFileName(name) ||
                      std::any_of(name.begin(), name.end(), [](char c) {
                        return static_cast<unsigned char>(c) < 0x20 || std::string_view(":*?\"<>|").find(c) !=
                                                                          std::string_view::npos;
                      });
  if (unsafe)
    return lang::LangFormatOr(
        "1031", "The language name \"%1\" cannot be a file name: it may not hold \"..\", \"/\", \"\\\" or any of : * ? \" < > |",
        {name});
  return {};
}

std::string TemplateWarning() { return lang::LangStringOr("1032", "Unable to modify or delete the \"english.lng\""); }

}  // namespace app
