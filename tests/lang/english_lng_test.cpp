// The shipped English language file answers every text the program looks up.
#include <gtest/gtest.h>

#include <algorithm>

#include "lang/lang.h"
#include "lang/message_numbers.h"
#include "lang/page_messages.h"
#include "platform/files.h"

namespace {

class EnglishFile : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = platform::ProgramDir();
    platform::SetProgramDir(VELKORA_SOURCE_DIR);
    language.LangIni = lang::OpenLanguageFile(language, "english");
    ASSERT_NE(language.LangIni, nullptr) << language.LangFilePath;
  }
  void TearDown() override { platform::SetProgramDir(previousDir_); }

  lang::Language language;
  std::string previousDir_;
};

TEST_F(EnglishFile, EveryMessageNumberHasText) {
  EXPECT_GE(lang::kMessageNumbers.size(), 80u);
  for (std::string_view number : lang::kMessageNumbers) {
    EXPECT_FALSE(number.empty());
    // The file itself, not the English built into the program that a lookup falls back to.
    EXPECT_FALSE(language.LangIni->ReadString("String", number, "").empty()) << "message " << number;
  }
  for (int slot = 0; slot < lang::kPageCount; ++slot) {
    std::string_view number = lang::PageMessageNumber(slot);
    if (number.empty()) continue;
    EXPECT_NE(std::find(lang::kMessageNumbers.begin(), lang::kMessageNumbers.end(), number),
              lang::kMessageNumbers.end())
        << "page " << slot << "'s number " << number << " is listed";
  }
}

// The English built into the program is the shipped file's, number for number.
TEST_F(EnglishFile, TheBuiltInEnglishIsTheShippedFile) {
  const std::vector<std::string> keys = language.LangIni->ReadSection("String");
  ASSERT_GT(keys.size(), 300u);
  for (const std::string& key : keys) {
    if (key == "Autor") continue;
    EXPECT_EQ(lang::ShippedEnglishText(key), lang::ReadLangText(language, "String", key)) << key;
  }
  EXPECT_EQ(lang::ShippedEnglishText("Autor"), "the Velkora team");
  EXPECT_EQ(lang::ShippedEnglishText("9999"), "");
}

TEST_F(EnglishFile, WindowSectionsAndNamedTexts) {
  for (const char* section : {"frmMain", "frmTool", "frmAbout", "frmGrid", "frmStlDxf", "String"})
    EXPECT_TRUE(language.LangIni->SectionExists(section)) << section;
  const char* types[] = {"Flat", "Bull-nose", "Spherical", "Conical flat", "Drill", "Conical spherical",
                         "Undefined"};
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(lang::ReadLangText(language, "frmTool", "cboTipoUt.items[" + std::to_string(i) + "]"), types[i]);
  const char* pages[] = {"Dimension", "Reference Point", "Depth", "Nc File", "Tool definition",
                         "Cutting parameters"};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(lang::ReadLangText(language, "frmMain", "tabVelkora" + std::to_string(i + 1) + ".Caption"), pages[i]);
  EXPECT_EQ(lang::ReadLangText(language, "frmStlDxf", "frmStlDxf.Caption"), "Stl output");
  for (const char* key : {"twGeo00", "twGeo10", "twGeo20", "twGeo30", "twGeo40", "twGeo50", "twGeo60", "twGeo70",
                          "twGeo80", "twGeo90", "twGeoA0"})
    EXPECT_FALSE(lang::ReadLangText(language, "frmMain", key).empty()) << key;
  EXPECT_FALSE(lang::ReadLangText(language, "frmMain", "lsbDelete.Hint").empty());
  // Texts that a value follows keep their trailing blank.
  EXPECT_EQ(lang::LangString(language, "717"), "Line ");
}

}  // namespace
