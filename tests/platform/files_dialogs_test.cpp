#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/mapped_file.h"
#include "platform/stream.h"
#include "scratch_dir.h"

using namespace platform;

TEST(Files, ProgramFoldersMatchNamesWithoutCase) {
  testing_support::ScratchDir scratch("files");
  std::filesystem::path dir = scratch.Dir();
  WriteFileText((dir / "Fanuc_mm.PST").string(), "x");
  WriteFileText((dir / "other.lng").string(), "x");
  auto found = FindFileNoCase(dir.string(), "fanuc_mm.pst");
  ASSERT_TRUE(found);
  EXPECT_EQ(std::filesystem::path(*found).filename().string(), "Fanuc_mm.PST");
  EXPECT_FALSE(FindFileNoCase(dir.string(), "missing.pst"));
  EXPECT_FALSE(FindFileNoCase((dir / "nope").string(), "x"));
  EXPECT_EQ(ListFilesWithExtension(dir.string(), ".LNG"), std::vector<std::string>{"other.lng"});
  EXPECT_TRUE(IsPlainFileName("english"));
  EXPECT_FALSE(IsPlainFileName("../english"));
  EXPECT_FALSE(IsPlainFileName("a/b"));
  EXPECT_FALSE(IsPlainFileName("a\\b"));
  EXPECT_FALSE(IsPlainFileName(""));
}

TEST(Dialogs, ScriptedDialogsRecordAndRestore) {
  RecordingDialogs outer, inner;
  ScopedDialogs a(&outer);
  {
    ScopedDialogs b(&inner);
    inner.answers = {Answer::No};
    EXPECT_EQ(AskQuestion("Quit?", "Velkora"), Answer::No);
    EXPECT_EQ(AskQuestion("Again?", "Velkora"), Answer::Ok);  // empty queue answers Ok
    ShowMessage("hello");
  }
  ShowMessage("outer");
  ASSERT_EQ(inner.messages.size(), 3u);
  EXPECT_EQ(inner.messages[0].text, "Quit?");
  EXPECT_EQ(inner.messages[2].text, "hello");
  ASSERT_EQ(outer.messages.size(), 1u);
  EXPECT_EQ(outer.messages[0].text, "outer");
}

TEST(Dialogs, WindowsFiltersBecomeQtFiltersWithTheirIndex) {
  const std::string open = "Image files (*.bmp,*.jpg)|*.BMP;*.JPG;*.JPEG|Velkora files (*.qvx)|*.QVX";
  EXPECT_EQ(platform::QtFilterFromWindows(open),
            "Image files (*.bmp,*.jpg) (*.BMP *.JPG *.JPEG *.bmp *.jpg *.jpeg);;Velkora files (*.qvx) (*.QVX *.qvx)");
  EXPECT_EQ(platform::QtFilterFromWindows("All|*.*|Text|*.txt;*.TXT|No patterns|"), "All (*);;Text (*.txt *.TXT)");
  const struct {
    const char* path;
    int index;
  } cases[] = {{"/a/b/Photo.Jpeg", 1}, {"photo.bmp", 1}, {"job.qvx", 2}, {"job.QVX", 2}, {"x.gif", 0}, {"qvx", 0}};
  for (const auto& c : cases) EXPECT_EQ(platform::MatchingFilterIndex(open, c.path), c.index) << c.path;

  // The scripted dialogs answer with a scripted index, else the one the name matches, else the
  // request's; a cancelled dialog chooses nothing.
  platform::RecordingDialogs dialogs;
  dialogs.fileNames = {"job.qvx", "job", "picture.JPG", ""};
  dialogs.filterIndexes = {3};
  const platform::FileDialogRequest request{"", "start", open, 2};
  EXPECT_EQ(dialogs.SaveFile(request).filterIndex, 3);
  EXPECT_EQ(dialogs.SaveFile(request).filterIndex, 2);
  EXPECT_EQ(dialogs.OpenFile(request).filterIndex, 1);
  const platform::FileChoice none = dialogs.OpenFile(request);
  EXPECT_TRUE(none.path.empty());
  EXPECT_EQ(none.filterIndex, 0);
  ASSERT_EQ(dialogs.fileRequests.size(), 4u);
  EXPECT_EQ(dialogs.fileRequests[0].initialPath, "start");
}

TEST(Files, AFailedWriteLeavesTheEarlierFile) {
  testing_support::ScratchDir dir("atomic");
  const std::string path = dir.Write("keep.bin", std::string("earlier"));
  {
    // Not committed (an error on the way): the target stays, the temporary goes.
    platform::AtomicFile file(path);
    file.Write("new", 3);
  }
  EXPECT_EQ(testing_support::FileText(path), "earlier");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp~"));
  EXPECT_THROW(platform::WriteFileBytes(dir.File("no/such/folder/x.bin"), platform::Bytes{1}), platform::FileError);
  platform::WriteFileBytes(path, platform::Bytes{'n', 'e', 'w'});
  EXPECT_EQ(testing_support::FileText(path), "new");
}

TEST(Files, WritersByNameGoThroughATemporary) {
  testing_support::ScratchDir dir("temporary");
  const std::string path = dir.Write("drawing.dxf", std::string("earlier"));
  const auto write = [](const std::string& text) {
    return [text](const std::string& temporary) { WriteFileText(temporary, text); };
  };
  // A writer that raises half-way: its error comes through, the temporary goes, the file stays.
  EXPECT_THROW(WriteThroughTemporary(path,
                                     [](const std::string& temporary) {
                                       WriteFileText(temporary, "cut");
                                       throw WriteError("Cannot write file \"" + temporary + "\"");
                                     }),
               WriteError);
  EXPECT_EQ(testing_support::FileText(path), "earlier");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp~"));
  // A folder standing where the temporary goes is left alone.
  std::filesystem::create_directories(path + ".tmp~/inner");
  EXPECT_THROW(WriteThroughTemporary(path, write("new")), FileError);
  EXPECT_TRUE(std::filesystem::exists(path + ".tmp~/inner"));
  EXPECT_EQ(testing_support::FileText(path), "earlier");
  std::filesystem::remove_all(path + ".tmp~");
  // A target that cannot be replaced (a folder): the temporary goes.
  const std::string folder = dir.File("folder.dxf");
  std::filesystem::create_directories(folder + "/inner");
  EXPECT_THROW(WriteThroughTemporary(folder, write("new")), FileError);
  EXPECT_FALSE(std::filesystem::exists(folder + ".tmp~"));
  // A complete write replaces the file, a stale temporary included.
  WriteFileText(path + ".tmp~", "stale");
  WriteThroughTemporary(path, write("new"));
  EXPECT_EQ(testing_support::FileText(path), "new");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp~"));
}

TEST(Files, AReadOnlyFileIsNeverReplaced) {
  // Every save goes through one of these three: document, Tool.db, NC, listing, settings and language
  // by WriteFileBytes/WriteFileText, STL by AtomicFile, DXF by WriteThroughTemporary.
  testing_support::ScratchDir dir("readonly");
  const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> savers = {
      {"WriteFileBytes", [](const std::string& path) { WriteFileBytes(path, Bytes{'n', 'e', 'w'}); }},
      {"WriteFileText", [](const std::string& path) { WriteFileText(path, "new"); }},
      {"AtomicFile",
       [](const std::string& path) {
         AtomicFile file(path);
         file.Write("new", 3);
         file.Commit();
       }},
      {"WriteThroughTemporary",
       [](const std::string& path) {
         WriteThroughTemporary(path, [](const std::string& temporary) { WriteFileText(temporary, "new"); });
       }},
  };
  namespace fs = std::filesystem;
  for (const auto& [name, save] : savers) {
    const std::string path = dir.Write(std::string(name) + ".txt", std::string("earlier"));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    try {
      save(path);
      ADD_FAILURE() << name << " replaced a read-only file";
    } catch (const FileError& e) {
      EXPECT_EQ(e.Message(), "Cannot write file \"" + path + "\"") << name;
    }
    EXPECT_EQ(testing_support::FileText(path), "earlier") << name;
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read)
        << name;
    EXPECT_FALSE(fs::exists(path + ".tmp~")) << name;
    // Made writable again, the same save replaces it.
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    save(path);
    EXPECT_EQ(testing_support::FileText(path), "new") << name;
  }
}

TEST(Files, MappedFilesGiveTheFilesBytes) {
  testing_support::ScratchDir dir("mapped");
  const platform::MappedFile file(dir.Write("some.bin", std::string("bytes")));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.Data()), file.Size()), "bytes");
  EXPECT_EQ(platform::MappedFile(dir.Write("empty.bin", std::string())).Size(), 0u);
  EXPECT_THROW(platform::MappedFile(dir.File("missing.bin")), platform::FileError);
  EXPECT_THROW(platform::MappedFile(dir.Dir()), platform::FileError) << "a folder";
  EXPECT_THROW(platform::MappedFile(dir.File("some.bin"), 4), platform::FormatError) << "over the size allowed";
}
