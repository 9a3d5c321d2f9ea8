#include "app/nc_file_name.h"

#include <gtest/gtest.h>

namespace {

TEST(NcFileName, ProposedNameDropsFolderForbiddenCharactersAndExtension) {
  const struct {
    const char* image;
    const char* proposed;
  } cases[] = {
      {"my:pic?.bmp", "mypic"},
      {"/home/u/pictures/my:pic?.bmp", "mypic"},
      {"C:\\jobs\\a|b<c>d#e.jpg", "abcde"},
      {"/x/quote\"and'apostrophe*.jpeg", "quoteandapostrophe"},
      {"/x/archive.tar.bmp", "archive.tar"},
      {"/x/noextension", "noextension"},
      {"/x/sample/*.*", "t"},     // the dialog's start name when no picture was opened
      {"", "t"},
      {"/x/.bmp", "t"},           // nothing but an extension
      {"/x/???.bmp", "t"},
  };
  for (const auto& c : cases) EXPECT_EQ(app::CleanNcBaseName(c.image), c.proposed) << c.image;
}

TEST(NcFileName, FilterAndDefaultExtension) {
  EXPECT_EQ(app::NcFileFilter("NC files", "nc"), "NC files (*.nc)|*.nc");
  EXPECT_EQ(app::NcFileFilter("ShopBot", "sbp"), "ShopBot (*.sbp)|*.sbp");
  EXPECT_EQ(app::NcFileFilter("NC files", ""), "NC files (*.*)|*.*");
  EXPECT_EQ(app::WithDefaultExtension("/x/mypic", "nc"), "/x/mypic.nc");
  EXPECT_EQ(app::WithDefaultExtension("/x/mypic.tap", "nc"), "/x/mypic.tap") << "a typed extension stays";
  EXPECT_EQ(app::WithDefaultExtension("/x.d/mypic", "nc"), "/x.d/mypic.nc") << "a dot in the folder is no extension";
  EXPECT_EQ(app::WithDefaultExtension("", "nc"), "") << "a cancelled dialog stays cancelled";
}

}  // namespace
