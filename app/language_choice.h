// The language files the user can choose and edit: "<name>.lng" in the folder "language" beside the
// program. "english.lng" is the template of new languages and is never changed or deleted here.
#pragma once

#include <string>
#include <vector>

namespace app {

// The template language, matched without regard to case.
inline constexpr const char* kTemplateLanguage = "english";

// The order of language names: without regard to case ("deutsch", "English", "italiano"); the byte
// order only breaks ties.
bool LanguageNameLess(const std::string& a, const std::string& b);

// The names (without extension) of the language files, in that order.
std::vector<std::string> LanguageNames();

// The path of a language's file: the file on disk when one matches the name without regard to case,
// else "<language folder>/<name>.lng".
std::string LanguageFilePath(const std::string& name);

bool IsTemplateLanguage(const std::string& name);

// Why `name` cannot be the name of a new language, or an empty text when it can: the template's name
// (in any letter case), folder separators, "..", and characters a file name cannot hold are refused.
std::string NewLanguageNameFault(const std::string& name);

// The warning shown for any attempt on the template.
std::string TemplateWarning();

}  // namespace app
