// UnitLang: the texts the user reads come from the active language file, "<name>.lng" in the folder
// "language" beside the program, an ini text with one section per window ("frmMain", "frmTool", ...)
// and the numbered messages in section "String".
//
// The program-wide values (the open file, the path last asked for, the About window's credit line and
// the page status texts) live in one Language object. The free functions work on the program's one
// (ProgramLanguage()); tests make a fresh one and install it with ScopedLanguage, or call the overloads
// that take a Language.
//
// Start-up and a change of language:
//   lang::Language& l = lang::ProgramLanguage();
//   l.LangIni = lang::OpenLanguageFile(languageName);   // the previous table is freed here
//   lang::LoadPageMessages();
//   lang::TranslateForms({&mainWindow});
#pragma once

#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "lang/page_messages.h"
#include "platform/ini_file.h"

class QObject;
class QString;

namespace platform {
class FormBase;
}

namespace lang {

// The key of a numbered text in section "String": a decimal number written as text ("451").
using MessageNumber = std::string_view;

// The language used when the settings name none, or one that is refused.
inline constexpr const char* kDefaultLanguage = "english";
// Larger files are refused: a real language file is a few tens of kilobytes.
inline constexpr size_t kMaxLanguageFileSize = platform::kMaxIniFileSize;

class Language {
 public:
  // The open language file, or none.
  std::unique_ptr<platform::IniFile> LangIni;
  // The full path of the last file asked for, kept even when it does not exist.
  std::string LangFilePath;
  // The About window's credit line.
  std::string AboutCredit;
  // The status texts of the main window's pages, by page index.
  PageMessageTable PageMessages{};
};

// The program's one Language.
Language& ProgramLanguage();

// Installs `language` as the program's one for the lifetime of the object (tests).
class ScopedLanguage {
 public:
  explicit ScopedLanguage(Language* language);
  ~ScopedLanguage();
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  Language* previous_;
};

// The folder that holds the language files: "language" beside the program.
std::string LanguageDir();

// `name` when it is a plain language name (no folder separator, no ".."), else kDefaultLanguage, so a
// setting can never lead outside the language folder.
std::string SafeLanguageName(const std::string& name);

// Opens the language file of `languageName` (e.g. "english"; the name of the file is matched without
// regard to case) and stores its path in LangFilePath. Returns the file read whole into memory, or none
// when it does not exist. A file that cannot be read, is too large or holds no section at all (no
// language file) is reported in an error box and counts as missing. A file that is not valid UTF-8 is
// read as Windows-1252. The caller stores the result in LangIni.
std::unique_ptr<platform::IniFile> OpenLanguageFile(Language& language, const std::string& languageName);
std::unique_ptr<platform::IniFile> OpenLanguageFile(const std::string& languageName);

// The value of `key` in `section` with every "*|*" turned into a line break (CR LF); empty when no
// language file is open or the key is missing.
std::string ReadLangText(const Language& language, std::string_view section, std::string_view key);
std::string ReadLangText(std::string_view section, std::string_view key);

// A numbered text of section "String" (also "Autor"). A number the language file lacks or leaves
// empty reads the shipped English text of that number (english.lng, built into the program), so a
// translation that is behind the program shows English rather than an empty box; "Autor" has no such
// fallback (a translation that names no translator credits nobody).
std::string LangString(const Language& language, MessageNumber number);
std::string LangString(MessageNumber number);
// The shipped English text of `number` (line breaks expanded); empty when english.lng lacks it.
std::string ShippedEnglishText(MessageNumber number);
// LangString, or `fallback` where even the shipped English lacks the number (check_texts.py keeps every
// fallback the code passes equal to english.lng).
std::string LangStringOr(MessageNumber number, std::string_view fallback);
// LangStringOr as a QString, for the widgets' texts.
QString LangQStringOr(MessageNumber number, std::string_view fallback);
// LangStringOr with "%1" ... "%9" replaced by the arguments in order (a file name, a number), so a
// translation may put them where its grammar wants them. A "%" followed by anything else stays.
std::string LangFormatOr(MessageNumber number, std::string_view fallback,
                         std::initializer_list<std::string_view> arguments);

// The hint of a main-window component, as the language file has it ("<name>.Hint" of "frmMain").
std::string LangMainHint(std::string_view componentName);
// Any key of section "frmMain".
std::string LangMainText(std::string_view key);

// Sets the string property `property` ("Caption" or "Hint") of `component` to `value`, when the value
// is not empty and the component's kind has that property; otherwise does nothing.
void SetStrPropIfPresent(QObject* component, std::string_view property, const std::string& value);

// Translates each window by the names of its components: the window's section is its own name; the
// window's ".Caption", then per component in creation order ".Caption", ".Hint" and, for radio groups
// and combo boxes, ".items[i]" of each existing item. Values are used as they stand ("*|*" stays), an
// empty or missing value keeps the current text. With no language file open, one error box
// "Language file not found!" with the path is shown for the whole call and nothing is translated.
void TranslateForms(const Language& language, std::span<platform::FormBase* const> forms);
void TranslateForms(std::span<platform::FormBase* const> forms);
void TranslateForms(std::initializer_list<platform::FormBase*> forms);

// Turns every "*|*" of `value` into CR LF, by the rules of the language files.
std::string ExpandLineBreaks(std::string_view value);

}  // namespace lang
