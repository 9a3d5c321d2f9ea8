#include "lang/lang.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

#include "lang/message_numbers.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/form.h"
#include "platform/texts.h"
#include "scratch_dir.h"

namespace {

namespace fs = std::filesystem;

// A program folder of its own with a "language" folder, a fresh program-wide Language and recorded
// dialogs, so each test sees only what it wrote.
class LangTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = platform::ProgramDir();
    fs::create_directories(dir_ / "language");
    platform::SetProgramDir(dir_.string());
  }
  void TearDown() override {
    platform::SetProgramDir(previousDir_);
  }

  void WriteLanguage(const std::string& fileName, const std::string& bytes) {
    std::ofstream out(dir_ / "language" / fileName, std::ios::binary);
    out << bytes;
  }
  // Opens `name` into the test's Language as the start-up does.
  void Open(const std::string& name) { language.LangIni = lang::OpenLanguageFile(language, name); }

  lang::Language language;
  lang::ScopedLanguage scopedLanguage{&language};
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scopedDialogs{&dialogs};
  testing_support::ScratchDir scratch_{"lang"};
  const fs::path dir_{scratch_.Dir()};
  std::string previousDir_;
};

TEST_F(LangTest, OpensFileBesideProgramWithoutRegardToCase) {
  WriteLanguage("Italiano.LNG", "[String]\n451=Uscire?\n");
  Open("italiano");
  ASSERT_NE(language.LangIni, nullptr) << "the name is matched without regard to case";
  EXPECT_EQ(language.LangFilePath, (dir_ / "language" / "Italiano.LNG").string());
  EXPECT_EQ(lang::LangString("451"), "Uscire?");
  EXPECT_EQ(lang::LangString("452"), lang::ShippedEnglishText("452")) << "a missing key reads the shipped English";
  EXPECT_TRUE(dialogs.messages.empty());

  Open("deutsch");
  EXPECT_EQ(language.LangIni, nullptr);
  EXPECT_EQ(language.LangFilePath, (dir_ / "language" / "deutsch.lng").string())
      << "the path of a missing file is kept, built with the platform's separator";
  EXPECT_EQ(lang::LangString("451"), "Do you really want to quit Velkora?") << "no file open: the shipped English";
  EXPECT_TRUE(dialogs.messages.empty()) << "a missing file is reported when windows are translated";
}

// A translation behind the program never shows an empty box: each number it lacks or leaves empty reads
// the English built into the program, whatever language files lie beside it.
TEST_F(LangTest, EveryNumberALanguageLacksReadsTheShippedEnglish) {
  struct Case {
    const char* what;
    const char* file;  // nullptr: no language file at all
    bool translates451;
  };
  const Case cases[] = {
      {"a file that has only some numbers", "[String]\n451=Uscire?\nAutor=\n", true},
      {"a file whose numbers are empty", "[String]\n451=Uscire?\n401=\n753=\n1720=\nAutor=\n", true},
      {"a file without the section", "[frmMain]\nfrmMain.Caption=Velkora\n451=Uscire?\n", false},
      {"no language file", nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    language = lang::Language{};
    if (c.file) WriteLanguage("partial.lng", c.file);
    Open(c.file ? "partial" : "missing");
    ASSERT_EQ(language.LangIni != nullptr, c.file != nullptr);
    for (std::string_view number : lang::kMessageNumbers) {
      if (number == "Autor" || (number == "451" && c.translates451)) continue;
      const std::string text = lang::LangString(number);
      EXPECT_FALSE(text.empty()) << number;
      EXPECT_EQ(text, lang::ShippedEnglishText(number)) << number;
      EXPECT_EQ(lang::LangStringOr(number, "stale fallback"), text) << number;
    }
    EXPECT_EQ(lang::LangString("451"), c.translates451 ? "Uscire?" : "Do you really want to quit Velkora?");
    EXPECT_EQ(lang::LangString("753"), "Select....");
    EXPECT_EQ(lang::LangString("401"),
              "This file type cannot be opened.\r\nChoose a BMP or JPEG image or a Velkora job file (.qvx).")
        << "line breaks of the English are expanded too";
    EXPECT_EQ(lang::LangFormatOr("1605", "", {"a.nc"}).rfind("a.nc\r\n", 0), 0u);
    EXPECT_EQ(lang::LangString("Autor"), "") << "no translator is named for a language that names none";
    EXPECT_EQ(lang::LangStringOr("9999", "kept"), "kept") << "a number not even English has";
    lang::LoadPageMessages(language);
    for (int slot = 0; slot < lang::kPageCount; ++slot)
      EXPECT_EQ(lang::PageMessage(language, slot).empty(), lang::PageMessageNumber(slot).empty()) << "slot " << slot;
  }
}

TEST_F(LangTest, NamesOutsideTheLanguageFolderAreRefused) {
  WriteLanguage("english.lng", "[String]\n1=english\n");
  // A file one level up that a crafted setting would reach.
  { std::ofstream(dir_ / "secret.lng") << "[String]\n1=secret\n"; }
  for (const std::string name : {"../secret", "..", "sub/english", "sub\\english", "", "..\\secret"}) {
    EXPECT_EQ(lang::SafeLanguageName(name), "english") << name;
    Open(name);
    ASSERT_NE(language.LangIni, nullptr) << name;
    EXPECT_EQ(lang::LangString("1"), "english") << "refused name '" << name << "' falls back to english";
    EXPECT_EQ(fs::path(language.LangFilePath).parent_path(), dir_ / "language") << name;
  }
  EXPECT_EQ(lang::SafeLanguageName("italiano"), "italiano");
}

TEST_F(LangTest, BadFilesReadWithoutCrash) {
  // Random bytes with a valid section in the middle, invalid UTF-8 and a very long line.
  std::mt19937 random(7);
  std::string garbage;
  for (int i = 0; i < 20000; ++i) garbage += static_cast<char>(random() & 0xFF);
  garbage += "\n[String]\n451=Exit\xFF\xFEnow\n452=" + std::string(1 << 19, 'x') + "\n";
  for (int i = 0; i < 20000; ++i) garbage += static_cast<char>(random() & 0xFF);
  WriteLanguage("garbage.lng", garbage);
  Open("garbage");
  ASSERT_NE(language.LangIni, nullptr);
  EXPECT_EQ(lang::LangString("451"), "Exit\u00FF\u00FEnow") << "a file that is not UTF-8 is Windows-1252";
  EXPECT_EQ(lang::LangString("452").size(), size_t(1) << 19);
  EXPECT_EQ(lang::LangString("999"), "");
  platform::Form form("frmGarbage");
  auto* button = form.Add(new QPushButton("Keep", &form), "btnKeep");
  lang::TranslateForms({&form});
  EXPECT_EQ(button->text(), "Keep");

  // A file far larger than any language file is refused with a clear error and counts as missing.
  WriteLanguage("huge.lng", std::string(lang::kMaxLanguageFileSize + 1, 'a'));
  Open("huge");
  EXPECT_EQ(language.LangIni, nullptr);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].text.find("too large"), std::string::npos) << dialogs.messages[0].text;
  EXPECT_EQ(dialogs.messages[0].kind, platform::MessageKind::Error);

  // A folder with the file's name is no language file.
  fs::create_directories(dir_ / "language" / "folder.lng");
  Open("folder");
  EXPECT_EQ(language.LangIni, nullptr);

  // Nor is a file without a single section: empty, plain text, UTF-16 or cut before its first one.
  const std::string utf16("\xFF\xFE[\0S\0t\0r\0i\0n\0g\0]\0\n\0" "1\0=\0x\0", 26);
  for (const std::string& text : {std::string(), std::string("451=Exit\n"), utf16, std::string("[Stri")}) {
    WriteLanguage("nosection.lng", text);
    dialogs.messages.clear();
    Open("nosection");
    EXPECT_EQ(language.LangIni, nullptr) << text;
    ASSERT_EQ(dialogs.messages.size(), 1u) << text;
    EXPECT_NE(dialogs.messages[0].text.find("nosection.lng\" is not a language file"), std::string::npos)
        << dialogs.messages[0].text;
  }
}

TEST_F(LangTest, WindowsLanguageFilesAreReadAsWindows1252) {
  // An Italian and a German file as Windows editors wrote them, and a UTF-8 one with its mark.
  WriteLanguage("italiano.lng", "[String]\n451=Uscire dal programma? \x96 Perch\xE9\n452=5 \x80\n");
  Open("italiano");
  EXPECT_EQ(lang::LangString("451"), "Uscire dal programma? \u2013 Perch\u00E9");
  EXPECT_EQ(lang::LangString("452"), "5 \u20AC");
  WriteLanguage("deutsch.lng", "\xEF\xBB\xBF[String]\n451=Fr\xC3\xA4ser\n");
  Open("deutsch");
  EXPECT_EQ(lang::LangString("451"), "Fr\u00E4ser");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(LangTest, LineBreakMarkers) {
  using lang::ExpandLineBreaks;
  EXPECT_EQ(ExpandLineBreaks("plain text"), "plain text");
  EXPECT_EQ(ExpandLineBreaks(""), "");
  EXPECT_EQ(ExpandLineBreaks("first*|*second"), "first\r\nsecond");
  EXPECT_EQ(ExpandLineBreaks("first*|**|*second"), "first\r\n\r\nsecond") << "two markers: an empty line";
  EXPECT_EQ(ExpandLineBreaks("*|*text"), "\r\ntext");
  EXPECT_EQ(ExpandLineBreaks("*|**|**|*text"), "\r\ntext") << "markers at the start give one line break";
  EXPECT_EQ(ExpandLineBreaks("text*|*"), "text\r\n") << "a marker at the end: a trailing break";
  EXPECT_EQ(ExpandLineBreaks("a*|*b*|*c"), "a\r\nb\r\nc");
  EXPECT_EQ(ExpandLineBreaks("*|*"), "\r\n");
  EXPECT_EQ(ExpandLineBreaks("*|*a*|*b"), "a\r\nb") << "a leading empty piece is dropped once text follows";
  EXPECT_EQ(ExpandLineBreaks("a*|b"), "a*|b") << "only the whole marker counts";

  WriteLanguage("english.lng",
                "[String]\n100=Two*|*lines\nAutor=Someone\n[frmMain]\nsbtGo.Hint=Go*|*now\ntwGeo00=Drawing\n");
  Open("english");
  EXPECT_EQ(lang::LangString("100"), "Two\r\nlines");
  EXPECT_EQ(lang::LangString("Autor"), "Someone");
  EXPECT_EQ(lang::LangMainHint("sbtGo"), "Go\r\nnow");
  EXPECT_EQ(lang::LangMainText("twGeo00"), "Drawing");
  EXPECT_EQ(lang::ReadLangText("frmMain", "missing"), "");
  EXPECT_EQ(lang::ReadLangText("nosection", "100"), "");
}

// A numbered text with its arguments put in: the language's wording where the file has one, the
// English otherwise, the arguments where the wording puts them.
TEST_F(LangTest, NumberedTextsWithArguments) {
  WriteLanguage("english.lng",
                "[String]\n"
                "1=%2 ist in %1\n"
                "2=Zeile %1*|*%1 again\n"
                "3=\n");
  Open("english");
  struct Case {
    const char* number;
    const char* fallback;
    std::initializer_list<std::string_view> arguments;
    const char* expected;
  };
  const Case cases[] = {
      {"1", "%1 holds %2", {"/tmp", "job.qvx"}, "job.qvx ist in /tmp"},  // the file's order, not the English
      {"2", "Line %1", {"7"}, "Zeile 7\r\n7 again"},                     // a placeholder twice, and "*|*"
      {"3", "%1 already exists.", {"a.nc"}, "a.nc already exists."},    // an empty value: the English
      {"9", "%1 already exists.", {"a.nc"}, "a.nc already exists."},    // no such number
      {"9", "%1 and %2", {"%2", "x"}, "%2 and x"},                       // an argument is not read again
      {"9", "%3 of %1", {"a"}, "%3 of a"},                               // no such argument: kept
      {"9", "100% of %1, %x", {"a"}, "100% of a, %x"},                   // a lone % stays
      {"9", "ends in %", {}, "ends in %"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(lang::LangFormatOr(c.number, c.fallback, c.arguments), c.expected) << c.number << " " << c.fallback;
  EXPECT_EQ(lang::LangQStringOr("1", "x").toStdString(), "%2 ist in %1");
}

// A hostile file whose wordings repeat a placeholder and whose texts are fed to one another as
// arguments: each message stays within the bound, what was put in is never expanded again, and a cut
// never splits a character.
TEST_F(LangTest, SubstitutionOfTextsNamingEachOtherIsBounded) {
  std::string repeated;
  for (int i = 0; i < 40000; ++i) repeated += "%1";
  std::string accents;
  for (int i = 0; i < 20000; ++i) accents += "\xC3\xA9";  // é, two bytes
  WriteLanguage("english.lng", "[String]\n1=" + repeated + "\n2=<" + repeated + ">\n3=a" + accents + "%1\n");
  Open("english");
  ASSERT_EQ(lang::LangString("1").size(), repeated.size());

  const size_t most = platform::kMaxMessageLength + platform::kMessageCutMark.size();
  const std::string once = lang::LangFormatOr("1", "", {lang::LangString("2")});
  ASSERT_EQ(once.size(), most);
  EXPECT_EQ(once.substr(0, 6), "<%1%1%") << "the argument as it stands, its placeholders not expanded";
  EXPECT_TRUE(once.ends_with(platform::kMessageCutMark));

  // A message made of messages made of the file's texts: still bounded at every level.
  const std::string twice = lang::LangFormatOr("2", "", {lang::LangFormatOr("1", "", {once})});
  EXPECT_EQ(twice.size(), most);
  EXPECT_EQ(twice.substr(0, 3), "<<%");

  // The bound falls inside a two-byte é: the cut goes before it, never through it.
  const std::string cut = lang::LangFormatOr("3", "", {"x"});
  ASSERT_TRUE(cut.ends_with(platform::kMessageCutMark));
  const std::string kept = cut.substr(0, cut.size() - platform::kMessageCutMark.size());
  EXPECT_EQ(kept.size(), platform::kMaxMessageLength - 1) << "no half character before the mark";
  EXPECT_EQ(kept, ("a" + accents).substr(0, kept.size()));

  // Short messages are untouched, also when an argument is long but the whole fits.
  const std::string path(platform::kMaxMessageLength - 20, 'p');
  EXPECT_EQ(lang::LangFormatOr("9", "Cannot open %1.", {path}), "Cannot open " + path + ".");
}

TEST_F(LangTest, MissingFileBoxOncePerCall) {
  Open("nowhere");
  platform::Form main("frmMain");
  platform::Form tool("frmTool");
  auto* button = main.Add(new QPushButton("Stored", &main), "btnA");

  lang::TranslateForms({&main, &tool});
  ASSERT_EQ(dialogs.messages.size(), 1u) << "one box for the whole call, not one per window";
  EXPECT_EQ(dialogs.messages[0].text, "Language file not found!\r\n" + language.LangFilePath);
  EXPECT_EQ(dialogs.messages[0].kind, platform::MessageKind::Error);
  EXPECT_EQ(dialogs.messages[0].buttons, platform::Buttons::Ok);
  EXPECT_EQ(button->text(), "Stored") << "nothing is translated";

  // Start-up translates the main window, then the tool window translates itself: two boxes.
  lang::TranslateForms({&main});
  lang::TranslateForms({&tool});
  EXPECT_EQ(dialogs.messages.size(), 3u);
  lang::TranslateForms({});
  EXPECT_EQ(dialogs.messages.size(), 3u) << "no window, no box";
}

TEST_F(LangTest, TranslatesByComponentName) {
  WriteLanguage("english.lng",
                "[frmProbe]\n"
                "frmProbe.Caption=Probe window\n"
                "btnGo.Caption=Go*|*now\n"
                "btnGo.Hint=Starts it\n"
                "lblEmpty.Caption=\n"
                "txtValue.Caption=never\n"
                "txtValue.Hint=A value\n"
                "cboUnit.items[0]=Millimetres\n"
                "cboUnit.items[5]=Far away\n"
                "rgpType.Caption=Type\n"
                "rgpType.items[1]=Bull-nose\n"
                "rgpType.items[2]=\n"
                "tmrTick.Caption=never\n"
                "lblInPanel.Caption=Inside\n"
                "lblAbsent.Caption=Not on the window\n"
                "[frmOther]\n"
                "lblInPanel.Caption=Wrong section\n"
                "[String]\n"
                "1=Two*|*lines\n");
  Open("english");

  platform::Form form("frmProbe");
  auto* button = form.Add(new QPushButton("Stored", &form), "btnGo");
  auto* empty = form.Add(new QLabel("Stored label", &form), "lblEmpty");
  auto* edit = form.Add(new QLineEdit("typed", &form), "txtValue");
  auto* combo = form.Add(new QComboBox(&form), "cboUnit");
  combo->addItems({"mm", "inch", "other"});
  auto* radios = form.Add(new platform::RadioGroup(&form), "rgpType");
  radios->SetItems({"Flat", "Ball", "Cone"});
  form.Add(new QTimer(&form), "tmrTick");
  auto* panel = new QWidget(&form);
  auto* inPanel = form.Add(new QLabel("Stored", panel), "lblInPanel");
  auto* unregistered = new QLabel("Stored", &form);
  unregistered->setObjectName("lblAbsent");

  lang::TranslateForms({&form});
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(form.windowTitle(), "Probe window");
  EXPECT_EQ(button->text(), "Go*|*now") << "a caption is used as it stands";
  EXPECT_EQ(lang::LangString("1"), "Two\r\nlines") << "the same marker through LangString gives two lines";
  EXPECT_EQ(button->toolTip(), "Starts it");
  EXPECT_EQ(empty->text(), "Stored label") << "an empty value keeps the stored caption";
  EXPECT_EQ(edit->text(), "typed") << "an edit has no caption";
  EXPECT_EQ(edit->toolTip(), "A value");
  ASSERT_EQ(combo->count(), 3) << "no item is added";
  EXPECT_EQ(combo->itemText(0), "Millimetres");
  EXPECT_EQ(combo->itemText(1), "inch");
  EXPECT_EQ(combo->itemText(2), "other");
  EXPECT_EQ(radios->title(), "Type");
  ASSERT_EQ(radios->Count(), 3);
  EXPECT_EQ(radios->Item(0), "Flat");
  EXPECT_EQ(radios->Item(1), "Bull-nose");
  EXPECT_EQ(radios->Item(2), "Cone") << "an empty item value keeps the item";
  EXPECT_EQ(inPanel->text(), "Inside") << "components inside panels use the window's section";
  EXPECT_EQ(unregistered->text(), "Stored") << "only the window's components are looked at";

  // A change of language to a file that lacks a text keeps the previous wording.
  WriteLanguage("other.lng", "[frmProbe]\nbtnGo.Caption=Vai\n");
  Open("other");
  lang::TranslateForms({&form});
  EXPECT_EQ(button->text(), "Vai");
  EXPECT_EQ(form.windowTitle(), "Probe window");
  EXPECT_EQ(combo->itemText(0), "Millimetres");
}

TEST_F(LangTest, SetStrPropIfPresent) {
  QPushButton button("Stored");
  QTimer timer;
  lang::SetStrPropIfPresent(&button, "Caption", "");
  EXPECT_EQ(button.text(), "Stored");
  lang::SetStrPropIfPresent(&button, "Caption", "New");
  EXPECT_EQ(button.text(), "New");
  lang::SetStrPropIfPresent(&button, "Hint", "Tip");
  EXPECT_EQ(button.toolTip(), "Tip");
  lang::SetStrPropIfPresent(&button, "Color", "red");
  EXPECT_FALSE(button.property("Color").isValid()) << "an unknown property is ignored, not created";
  lang::SetStrPropIfPresent(&timer, "Caption", "x");
  EXPECT_FALSE(timer.property("Caption").isValid());
}

}  // namespace
