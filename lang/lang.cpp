#include "lang/lang.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <vector>

#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/form.h"
#include "platform/texts.h"

namespace lang {

namespace {

constexpr std::string_view kLineBreakMarker = "*|*";
constexpr const char* kCrLf = "\r\n";

Language*& Current() {
  static Language programLanguage;
  static Language* current = &programLanguage;
  return current;
}

void ShowError(const std::string& text) {
  platform::CurrentDialogs().Message(text, "", platform::MessageKind::Error, platform::Buttons::Ok);
}

// A value as the file has it, without turning markers into line breaks (window texts take it so).
std::string ReadRaw(const Language& language, std::string_view section, std::string_view key) {
  if (!language.LangIni) return {};
  return language.LangIni->ReadString(section, key, "");
}

// A numbered text's key is its number; "Autor" and the window keys are no numbers.
bool IsMessageNumber(std::string_view key) {
  return !key.empty() && key.size() <= 9 && key.find_first_not_of("0123456789") == std::string_view::npos;
}

QString ToQString(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

Language& ProgramLanguage() { return *Current(); }

ScopedLanguage::ScopedLanguage(Language* language) : previous_(Current()) { Current() = language; }
ScopedLanguage::~ScopedLanguage() { Current() = previous_; }

std::string LanguageDir() { return platform::JoinPath(platform::ProgramDir(), "language"); }

std::string SafeLanguageName(const std::string& name) {
  return platform::IsPlainFileName(name) ? name : std::string(kDefaultLanguage);
}

std::unique_ptr<platform::IniFile> OpenLanguageFile(Language& language, const std::string& languageName) {
  std::string dir = LanguageDir();
  std::string fileName = SafeLanguageName(languageName) + ".lng";
  std::optional<std::string> found = platform::FindFileNoCase(dir, fileName);
  language.LangFilePath = found ? *found : platform::JoinPath(dir, fileName);
  if (!found || !platform::FileExists(*found)) return nullptr;
  try {
    platform::Bytes bytes = platform::ReadFileBytes(*found, kMaxLanguageFileSize);
    // Bound to no path: the language file is only ever read.
    auto table = std::make_unique<platform::IniFile>();
    table->LoadFromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    // Empty, cut, binary or UTF-16 text: nothing would be translated, and the user should know why.
    if (table->ReadSections().empty())
      throw platform::FormatError("\"" + *found + "\" is not a language file: it has no [section].");
    return table;
  } catch (const platform::Exception& error) {
    ShowError(error.Message());
    return nullptr;
  }
}

std::unique_ptr<platform::IniFile> OpenLanguageFile(const std::string& languageName) {
  return OpenLanguageFile(ProgramLanguage(), languageName);
}

std::string ExpandLineBreaks(std::string_view value) {
  if (value.find(kLineBreakMarker) == std::string_view::npos) return std::string(value);
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (;;) {
    size_t at = value.find(kLineBreakMarker, start);
    if (at == std::string_view::npos) break;
    pieces.push_back(value.substr(start, at - start));
    start = at + kLineBreakMarker.size();
  }
  pieces.push_back(value.substr(start));
  // A piece joins the text with a line break only once the text holds something, so markers at the
  // start collapse; the last piece always follows a line break.
  std::string result;
  for (size_t i = 0; i + 1 < pieces.size(); ++i) {
    if (result.empty())
      result = pieces[i];
    else
      result.append(kCrLf).append(pieces[i]);
  }
  result.append(kCrLf).append(pieces.back());
  return result;
}

std::string ReadLangText(const Language& language, std::string_view section, std::string_view key) {
  return ExpandLineBreaks(ReadRaw(language, section, key));
}

std::string ReadLangText(std::string_view section, std::string_view key) {
  return ReadLangText(ProgramLanguage(), section, key);
}

namespace {

const platform::IniFile& ShippedEnglish() {
  static const platform::IniFile english = [] {
    platform::IniFile table;
    QFile file(QStringLiteral(":/language/english.lng"));
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray bytes = file.readAll();
      table.LoadFromText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
    return table;
  }();
  return english;
}

}  // namespace

std::string ShippedEnglishText(MessageNumber number) {
  return ExpandLineBreaks(ShippedEnglish().ReadString("String", number, ""));
}

std::string LangString(const Language& language, MessageNumber number) {
  std::string text = ReadLangText(language, "String", number);
  // A language file that lacks a number (or leaves it empty) never shows an empty box or caption.
  if (text.empty() && IsMessageNumber(number)) text = ShippedEnglishText(number);
  return text;
}

std::string LangString(MessageNumber number) { return LangString(ProgramLanguage(), number); }

std::string LangStringOr(MessageNumber number, std::string_view fallback) {
  std::string text = LangString(number);
  return text.empty() ? std::string(fallback) : text;
}

QString LangQStringOr(MessageNumber number, std::string_view fallback) {
  return QString::fromStdString(LangStringOr(number, fallback));
}

namespace {

// Platform code looks its texts up through the program's language from the start.
const bool kPlatformTextsInstalled = [] {
  platform::SetTextLookup([](std::string_view number, std::string_view fallback) {
    return LangStringOr(number, fallback);
  });
  return true;
}();

}  // namespace

std::string LangFormatOr(MessageNumber number, std::string_view fallback,
                         std::initializer_list<std::string_view> arguments) {
  return platform::ReplaceArguments(LangStringOr(number, fallback), arguments);
}

std::string LangMainHint(std::string_view componentName) {
  return ReadLangText("frmMain", std::string(componentName) + ".Hint");
}

std::string LangMainText(std::string_view key) { return ReadLangText("frmMain", key); }

void SetStrPropIfPresent(QObject* component, std::string_view property, const std::string& value) {
  if (value.empty()) return;
  platform::SetStringProperty(component, property, ToQString(value));
}

void TranslateForms(const Language& language, std::span<platform::FormBase* const> forms) {
  if (forms.empty()) return;
  if (!language.LangIni) {
    ShowError("Language file not found!\r\n" + language.LangFilePath);
    return;
  }
  for (platform::FormBase* form : forms) {
    if (!form) continue;
    const std::string section = form->Name();
    SetStrPropIfPresent(form->Window(), "Caption", ReadRaw(language, section, section + ".Caption"));
    for (QObject* component : form->Components()) {
      const std::string name = component->objectName().toStdString();
      SetStrPropIfPresent(component, "Caption", ReadRaw(language, section, name + ".Caption"));
      SetStrPropIfPresent(component, "Hint", ReadRaw(language, section, name + ".Hint"));
      // Only existing items are looked up; the file never adds or removes one.
      const int count = platform::ItemCount(component);
      for (int i = 0; i < count; ++i) {
        std::string value = ReadRaw(language, section, name + ".items[" + std::to_string(i) + "]");
        if (!value.empty()) platform::SetItemText(component, i, ToQString(value));
      }
    }
    // A longer translation widens its controls where the window has room.
    platform::FitControlsToText(*form);
  }
}

void TranslateForms(std::span<platform::FormBase* const> forms) { TranslateForms(ProgramLanguage(), forms); }

void TranslateForms(std::initializer_list<platform::FormBase*> forms) {
  TranslateForms(ProgramLanguage(), std::span<platform::FormBase* const>(forms.begin(), forms.size()));
}


}  // namespace lang
