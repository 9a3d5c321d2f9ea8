#include "scene3d/file_helpers.h"

#include <gtest/gtest.h>

#include "scratch_dir.h"

namespace scene3d {
namespace {

TEST(FileHelpers, TextsRoundTripAndMissingFilesAreEmpty) {
  testing_support::ScratchDir dir;
  const std::string path = dir.File("shader.txt");
  EXPECT_EQ(LoadStringFromFile(path), "");
  EXPECT_EQ(SizeOfFile(path), 0u);
  const std::string text("line one\r\nline\0two", 18);
  SaveStringToFile(path, text);
  EXPECT_EQ(LoadStringFromFile(path), text);
  EXPECT_EQ(SizeOfFile(path), 18u);
  SaveStringToFile(path, "short");
  EXPECT_EQ(LoadStringFromFile(path), "short") << "a shorter text leaves nothing of the longer one";
}

}  // namespace
}  // namespace scene3d
