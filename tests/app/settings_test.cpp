#include "app/settings.h"

#include <gtest/gtest.h>


#include "platform/ini_file.h"
#include "scratch_dir.h"

namespace {

using testing_support::NonEmptyLines;

TEST(Settings, MissingKeysAndNonNumbersKeepTheirDefaults) {
  platform::IniFile ini;
  ini.LoadFromText("[Color]\nForm=$00C0FFC0\nGrid=blue\n[Default]\nUnit=x\nSGrid=0\nGridX=2.5\nGridY=1,5\n"
                   "SnapX=-\nZBlack=-7.5\nTool=3\nFOpen=/p/a.bmp\n");
  const app::ProgramSettings s = app::ReadSettings(ini);
  EXPECT_EQ(s.form, 0x00C0FFC0u) << "colours may be written in hexadecimal";
  EXPECT_EQ(s.grid, 0x800000u) << "a colour that is no number keeps the default";
  EXPECT_EQ(s.background, 0x808080u);
  EXPECT_EQ(s.unit, 0);
  EXPECT_FALSE(s.showGrid);
  EXPECT_TRUE(s.showAxes);
  EXPECT_EQ(s.gridX, 2.5);
  EXPECT_EQ(s.gridY, 10.0) << "',' is no decimal separator in the settings";
  EXPECT_EQ(s.snapX, 10.0);
  EXPECT_EQ(s.zWhite, "0");
  EXPECT_EQ(s.zBlack, "-7.5");
  EXPECT_EQ(s.feedPlane, "2");
  EXPECT_EQ(s.stepOver, "1");
  EXPECT_EQ(s.filter, "0.025");
  EXPECT_EQ(s.pst, "Fanuc_mm");
  EXPECT_EQ(s.language, "english");
  EXPECT_EQ(s.tool, 3);
  EXPECT_EQ(s.fOpen, "/p/a.bmp");
  EXPECT_EQ(s.ncPath, "");

  const app::ProgramSettings defaults = app::ReadSettings(platform::IniFile());
  EXPECT_EQ(defaults.form, platform::clWindow);
  EXPECT_FALSE(defaults.Inches());
  app::ProgramSettings seven;
  seven.unit = 7;
  EXPECT_TRUE(seven.Inches()) << "any unit but 0 is inches";
}

TEST(Settings, WrittenInOrderKeepingEverythingElse) {
  platform::IniFile ini;
  ini.LoadFromText("; my notes\n[Default]\nZWhite=-1\nUnit=0\n[Machine]\nName=mill\n");
  app::ProgramSettings s;
  s.unit = 1;
  s.gridX = 0.25;
  s.fOpen = "/p/a b.bmp";
  s.ncPath = "/nc/";
  s.tool = 2;
  s.defLayers = 65280;
  app::WriteSettings(ini, s);
  EXPECT_EQ(ini.ReadString("Default", "ZWhite", ""), "-1") << "default job values are only read";
  EXPECT_EQ(ini.ReadString("Machine", "Name", ""), "mill");
  EXPECT_EQ(ini.ReadInteger("Color", "DefLayers", 0), 65280);
  EXPECT_EQ(ini.ReadFloat("Default", "GridX", 0), 0.25);
  EXPECT_EQ(ini.ReadString("Default", "FOpen", ""), "/p/a b.bmp");

  // A fresh file holds the written keys in the closing order.
  platform::IniFile fresh;
  app::WriteSettings(fresh, app::ProgramSettings{});
  const std::vector<std::string> expected = {
      "[Color]", "Form=-16777211", "BackGround=8421504", "DefLayers=8421504", "Grid=8388608", "[Default]",
      "Unit=0", "SGrid=1", "SAxis=1", "GridX=10", "GridY=10", "SnapX=10", "SnapY=10", "FOpen=", "NcPath=",
      "Language=english", "Pst=Fanuc_mm", "Tool=0"};
  EXPECT_EQ(NonEmptyLines(fresh.Text()), expected);
}

}  // namespace
