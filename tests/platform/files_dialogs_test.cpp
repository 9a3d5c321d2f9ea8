#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/mapped_file.h"
#include "platform/qt_dialogs.h"
#include "platform/stream.h"
#include "platform/texts.h"
#include "save_faults.h"
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

// Every message box is captioned by one rule, read through the language: a box that asks "Confirm" (450),
// any other its kind's word; a caption the caller gives stands. The scripted dialogs record what the Qt
// box shows.
TEST(Dialogs, EveryBoxIsCaptionedByOneRuleFromTheLanguage) {
  SetTextLookup([](std::string_view number, std::string_view fallback) {
    return "[" + std::string(number) + "] " + std::string(fallback);
  });
  struct Row {
    std::string caption;
    MessageKind kind;
    Buttons buttons;
    const char* shown;
  };
  const Row rows[] = {
      {"", MessageKind::Error, Buttons::Ok, "[1720] Error"},
      {"", MessageKind::Warning, Buttons::Ok, "[1721] Warning"},
      {"", MessageKind::Information, Buttons::Ok, "[1722] Information"},
      {"", MessageKind::Confirmation, Buttons::Ok, "[450] Confirm"},
      {"", MessageKind::Warning, Buttons::YesNo, "[450] Confirm"},
      {"", MessageKind::Information, Buttons::SaveDiscardCancel, "[450] Confirm"},
      {"", MessageKind::Error, Buttons::OkCancel, "[450] Confirm"},
      {"Colour", MessageKind::Error, Buttons::Ok, "Colour"},
  };
  QtDialogs qt;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.shown);
    RecordingDialogs recorded;
    ScopedDialogs scoped(&recorded);
    CurrentDialogs().Message("text", row.caption, row.kind, row.buttons);
    ASSERT_EQ(recorded.messages.size(), 1u);
    EXPECT_EQ(recorded.messages[0].caption, row.shown);
    // The box on the screen, closed as soon as it shows.
    QString title;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        title = box->windowTitle();
        box->reject();
      }
    });
    qt.Message("text", row.caption, row.kind, row.buttons);
    EXPECT_EQ(title.toStdString(), row.shown);
  }
  SetTextLookup(nullptr);
  EXPECT_EQ(MessageCaption("", MessageKind::Error, Buttons::Ok), "Error") << "no language: the English";
}

// A save dialog shown again with the name the user refused to replace proposes that same file: Qt
// gives the name the chosen filter's first suffix, so the filter must not turn job.qvx into job.QVX.
TEST(Dialogs, ASaveDialogShownWithANameProposesThatFile) {
  const std::string save = "Velkora files (*.qvx)|*.QVX|Stl files (*.stl)|*.STL";
  const std::string nc = "NC files (*.nc)|*.nc";
  const struct {
    const std::string& filter;
    int index;
    const char* name;
    const char* proposed;
  } cases[] = {{save, 1, "job.qvx", "job.qvx"}, {save, 2, "relief.stl", "relief.stl"},
               {save, 2, "job.qvx", "job.stl"}, {nc, 1, "relief.nc", "relief.nc"}};
  const QString folder = QDir::tempPath();
  for (const auto& c : cases) {
    const QStringList filters = QString::fromStdString(platform::QtFilterFromWindows(c.filter)).split(";;");
    // Built as the static save dialog builds itself, without being shown.
    QFileDialog dialog(nullptr, "", folder + "/" + c.name, filters.join(";;"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectNameFilter(filters.value(c.index - 1));
    ASSERT_FALSE(dialog.selectedFiles().isEmpty()) << c.name;
    EXPECT_EQ(QFileInfo(dialog.selectedFiles().front()).fileName().toStdString(), c.proposed) << c.name;
  }
}

TEST(Dialogs, WindowsFiltersBecomeQtFiltersWithTheirIndex) {
  const std::string open = "Image files (*.bmp,*.jpg)|*.BMP;*.JPG;*.JPEG|Velkora files (*.qvx)|*.QVX";
  EXPECT_EQ(platform::QtFilterFromWindows(open),
            "Image files (*.bmp,*.jpg) (*.bmp *.jpg *.jpeg *.BMP *.JPG *.JPEG);;Velkora files (*.qvx) (*.qvx *.QVX)");
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

namespace fs = std::filesystem;

namespace {

// What a folder holds: each name below it (links not followed) with its file's text, its link's target
// ("-> name") or "/" for a folder, so a temporary left behind or a link turned into a file shows.
std::map<std::string, std::string> Contents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().lexically_relative(folder).string();
    if (entry.is_symlink()) contents[name] = "-> " + fs::read_symlink(entry.path()).string();
    else if (entry.is_directory()) contents[name] = "/";
    else contents[name] = testing_support::FileText(entry.path().string());
  }
  return contents;
}

std::string Octal(fs::perms mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & fs::perms::all));
  return text;
}

}  // namespace

TEST(Files, AFailedWriteLeavesTheEarlierFile) {
  testing_support::ScratchDir dir("atomic");
  const std::string path = dir.Write("keep.bin", std::string("earlier"));
  {
    // Not committed (an error on the way): the target stays, the temporary goes.
    platform::AtomicFile file(path);
    file.Write("new", 3);
  }
  EXPECT_EQ(Contents(dir.Dir()), (std::map<std::string, std::string>{{"keep.bin", "earlier"}}));
  EXPECT_THROW(platform::WriteFileBytes(dir.File("no/such/folder/x.bin"), platform::Bytes{1}), platform::FileError);
  platform::WriteFileBytes(path, platform::Bytes{'n', 'e', 'w'});
  EXPECT_EQ(testing_support::FileText(path), "new");
}

TEST(Files, WritersByNameGoThroughATemporary) {
  testing_support::ScratchDir dir("temporary");
  const std::string path = dir.Write("drawing.dxf", std::string("earlier"));
  // A writer that raises half-way: its error comes through, the temporary goes, the file stays.
  EXPECT_THROW(WriteThroughTemporary(path,
                                     [](const std::string& temporary) {
                                       WriteFileText(temporary, "cut");
                                       throw WriteError("Cannot write file \"" + temporary + "\"");
                                     }),
               WriteError);
  EXPECT_EQ(Contents(dir.Dir()), (std::map<std::string, std::string>{{"drawing.dxf", "earlier"}}));
  // A target that cannot be replaced (a folder): the temporary goes.
  const std::string folder = dir.File("folder.dxf");
  std::filesystem::create_directories(folder + "/inner");
  EXPECT_THROW(WriteThroughTemporary(folder, [](const std::string& temporary) { WriteFileText(temporary, "new"); }),
               FileError);
  EXPECT_EQ(Contents(dir.Dir()),
            (std::map<std::string, std::string>{{"drawing.dxf", "earlier"}, {"folder.dxf", "/"}, {"folder.dxf/inner", "/"}}));
}

namespace {

// The process's umask for as long as it lives.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : earlier_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(earlier_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t earlier_;
};

// Every save goes through one of these: document, Tool.db, NC, listing, settings and language by
// WriteFileBytes/WriteFileText, STL by AtomicFile, DXF by WriteThroughTemporary. Each writes "new".
using Savers = std::vector<std::pair<const char*, std::function<void(const std::string&)>>>;
Savers EverySaver() {
  return {
      {"WriteFileBytes", [](const std::string& path) { WriteFileBytes(path, Bytes{'n', 'e', 'w'}); }},
      {"WriteFileText", [](const std::string& path) { WriteFileText(path, "new"); }},
      {"AtomicFile",
       [](const std::string& path) {
         AtomicFile file(path);
         file.Write("ne", 2);
         file.Write("w", 1);
         file.Commit();
       }},
      {"WriteThroughTemporary",
       [](const std::string& path) {
         WriteThroughTemporary(path, [](const std::string& temporary) { WriteFileText(temporary, "new"); });
       }},
  };
}

// Runs `check` for each case with each save routine, in a fresh folder of `dir`; `where` names both.
template <class Cases, class Check>
void EachCaseWithEverySaver(testing_support::ScratchDir& dir, const Cases& cases, Check check) {
  int number = 0;
  for (const auto& c : cases)
    for (const auto& [saver, save] : EverySaver()) {
      const std::string folder = dir.File(std::to_string(++number));
      fs::create_directories(folder);
      check(c, save, folder, std::string(c.what) + ", " + saver);
    }
}

}  // namespace

TEST(Files, ASaveKeepsWhatTheFileIs) {
  using Folder = std::map<std::string, std::string>;  // as Contents gives it
  const auto none = fs::perms::unknown;
  const struct {
    const char* what;
    Folder before;
    std::string saved;  // the name the save is given
    std::string error;  // a piece of the message of a refused save; empty when the save is made
    Folder after;
    std::string modeOf;  // the file whose permission bits are set before and checked after
    fs::perms modeBefore, modeAfter;
    bool fullDisk = false;
  } cases[] = {
      {"a link writes the file it names", {{"real.nc", "earlier"}, {"link.nc", "-> real.nc"}}, "link.nc", "",
       {{"real.nc", "new"}, {"link.nc", "-> real.nc"}}, "real.nc", fs::perms(0600), fs::perms(0600)},
      {"a chain of relative links, each read from its own folder",
       {{"real.nc", "earlier"}, {"sub", "/"}, {"sub/hop", "-> ../real.nc"}, {"chain.nc", "-> sub/hop"}}, "chain.nc", "",
       {{"real.nc", "new"}, {"sub", "/"}, {"sub/hop", "-> ../real.nc"}, {"chain.nc", "-> sub/hop"}}, "", none, none},
      {"a dangling link makes the file it names", {{"dangling.nc", "-> made.nc"}}, "dangling.nc", "",
       {{"dangling.nc", "-> made.nc"}, {"made.nc", "new"}}, "made.nc", none, fs::perms(0640)},
      {"a loop of links is refused", {{"a.nc", "-> b.nc"}, {"b.nc", "-> a.nc"}}, "a.nc", "loop",
       {{"a.nc", "-> b.nc"}, {"b.nc", "-> a.nc"}}, "", none, none},
      {"a file for its owner alone stays so", {{"job.nc", "earlier"}}, "job.nc", "", {{"job.nc", "new"}}, "job.nc",
       fs::perms(0600), fs::perms(0600)},
      {"a file of a wider mode than the umask keeps it", {{"job.nc", "earlier"}}, "job.nc", "", {{"job.nc", "new"}},
       "job.nc", fs::perms(0664), fs::perms(0664)},
      {"a read-only file is refused", {{"job.nc", "earlier"}}, "job.nc", "read-only", {{"job.nc", "earlier"}},
       "job.nc", fs::perms(0444), fs::perms(0444)},
      {"the user's own <name>.tmp~ is left alone", {{"job.nc", "earlier"}, {"job.nc.tmp~", "mine"}}, "job.nc", "",
       {{"job.nc", "new"}, {"job.nc.tmp~", "mine"}}, "", none, none},
      {"a new file is made as a plain create makes it", {}, "new.nc", "", {{"new.nc", "new"}}, "new.nc", none,
       fs::perms(0640)},
      {"a full disk keeps the old file and says so", {{"job.nc", "earlier"}}, "job.nc", "File too large",
       {{"job.nc", "earlier"}}, "", none, none, true},
  };
  testing_support::ScratchDir dir("save");
  const ScopedUmask umask(027);
  EachCaseWithEverySaver(dir, cases, [&](const auto& c, const auto& save, const std::string& folder,
                                          const std::string& where) {
    for (const auto& [name, content] : c.before) {
      const fs::path path = fs::path(folder) / name;
      if (content == "/") fs::create_directories(path);
      else if (content.rfind("-> ", 0) == 0) fs::create_symlink(content.substr(3), path);
      else std::ofstream(path, std::ios::binary) << content;
    }
    const std::string modePath = (fs::path(folder) / c.modeOf).string();
    if (c.modeBefore != none) fs::permissions(modePath, c.modeBefore);
    const std::string path = (fs::path(folder) / c.saved).string();
    std::string message;
    try {
      std::optional<testing_support::ScopedFileSizeLimit> full;
      if (c.fullDisk) full.emplace(1);
      save(path);
    } catch (const FileError& e) {
      message = e.Message();
    }
    if (c.error.empty()) {
      EXPECT_EQ(message, "") << where;
    } else {
      EXPECT_EQ(message.rfind("Cannot write file \"", 0), 0u) << where << ": " << message;
      EXPECT_NE(message.find(c.error), std::string::npos) << where << ": " << message;
    }
    EXPECT_EQ(Contents(folder), c.after) << where;
    if (c.modeAfter != none) {
      EXPECT_EQ(Octal(fs::status(modePath).permissions()), Octal(c.modeAfter)) << where;
    }
  });
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

namespace {

// The kind of what stands at `path` (links followed): 'p' a named pipe, 'c' a character device, 'd' a
// folder, 's' a socket, 'f' a file, '-' nothing.
char KindAt(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return '-';
  if (S_ISFIFO(info.st_mode)) return 'p';
  if (S_ISCHR(info.st_mode)) return 'c';
  if (S_ISDIR(info.st_mode)) return 'd';
  if (S_ISSOCK(info.st_mode)) return 's';
  return 'f';
}

// The reading end of a named pipe: open before a save starts (a writer may then open it at once), read
// on a thread of its own until every writer has gone, or until it has taken `keep` bytes, when it
// leaves. A second writer holds the pipe open until Finish, so the reader never sees its end early.
class PipeReader {
 public:
  PipeReader(const std::string& path, bool reads, size_t keep = SIZE_MAX) {
    read_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ::fcntl(read_, F_SETFL, 0);
    holder_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (!reads) return;
    thread_ = std::thread([this, keep] {
      char piece[4096];
      ssize_t got;
      while (taken_.size() < keep && (got = ::read(read_, piece, sizeof piece)) > 0) taken_.append(piece, size_t(got));
      ::close(read_);
      read_ = -1;
    });
  }
  // What the reader took, once the save is over.
  std::string Finish() {
    if (holder_ >= 0) ::close(holder_);
    holder_ = -1;
    if (thread_.joinable()) thread_.join();
    return taken_;
  }
  ~PipeReader() {
    Finish();
    if (read_ >= 0) ::close(read_);
  }
  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;

 private:
  int read_ = -1, holder_ = -1;
  std::thread thread_;
  std::string taken_;
};

}  // namespace

TEST(Files, APipeOrDeviceIsWrittenNeverReplacedAndNothingElseButAFileIs) {
  enum Reader { kNone, kReads, kSilent };
  const struct {
    const char* what;
    char kind;         // what stands at the name: 'p' pipe, 'c' device (the null device), 'd' folder, 's' socket
    bool linked;       // the save is given a link to it
    Reader reader;     // for a pipe
    std::string error; // a piece of the message of a refused save; empty when the save is made
    std::string taken; // what the pipe's reader took
  } cases[] = {
      {"a pipe someone reads gets the bytes", 'p', false, kReads, "", "new"},
      {"a link to a pipe writes the pipe", 'p', true, kReads, "", "new"},
      {"a pipe nobody reads is refused at once, not waited on", 'p', false, kNone, "nobody reads the named pipe", ""},
      {"a folder is refused as one", 'd', false, kNone, "it is a folder", ""},
      {"a socket is refused", 's', false, kNone, "neither a file, a named pipe nor a character device", ""},
      {"a device is written", 'c', false, kNone, "", ""},
  };
  testing_support::ScratchDir dir("streams");
  EachCaseWithEverySaver(dir, cases, [&](const auto& c, const auto& save, const std::string& folder,
                                          const std::string& where) {
    const std::string node = folder + "/target.nc";
    int made = 0;
    if (c.kind == 'p') made = ::mkfifo(node.c_str(), 0644);
    if (c.kind == 'c') {
      // Only root makes a device node; anyone else writes the null device through a link to it.
      made = ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3));
      if (made != 0) made = ::symlink("/dev/null", node.c_str());
    }
    if (c.kind == 'd') fs::create_directories(node + "/inner");
    int socketFd = -1;
    if (c.kind == 's') {
      socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::snprintf(address.sun_path, sizeof address.sun_path, "%s", node.c_str());
      made = ::bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    ASSERT_EQ(made, 0) << where << ": " << std::strerror(errno);
    std::string path = node;
    if (c.linked) fs::create_symlink("target.nc", path = folder + "/link.nc");
    std::optional<PipeReader> reader;
    if (c.reader != kNone) reader.emplace(node, c.reader == kReads);
    std::string message;
    try {
      save(path);
    } catch (const FileError& e) {
      message = e.Message();
    }
    const std::string taken = reader ? reader->Finish() : "";
    if (socketFd >= 0) ::close(socketFd);
    if (c.error.empty()) {
      EXPECT_EQ(message, "") << where;
    } else {
      EXPECT_EQ(message.rfind("Cannot write file \"" + path + "\" (", 0), 0u) << where << ": " << message;
      EXPECT_NE(message.find(c.error), std::string::npos) << where << ": " << message;
    }
    EXPECT_EQ(taken, c.taken) << where;
    EXPECT_EQ(KindAt(node), c.kind) << where << ": what stood there stays";
    if (c.linked) {
      EXPECT_TRUE(fs::is_symlink(path)) << where;
    }
    EXPECT_EQ(testing_support::TemporariesIn(folder), std::vector<std::string>{}) << where;
  });
}

TEST(Files, APipeThatStopsTakingDataEndsTheSaveWithAMessage) {
  // More than a pipe holds, so the writer must wait for its reader.
  const std::string megabyte(size_t(1) << 20, 'x');
  const struct {
    const char* what;
    bool reads;
    size_t keep;
    std::string error;
  } cases[] = {
      {"a reader that takes nothing: the save gives up after the stall time", false, 0, "stopped taking data"},
      {"a reader that leaves half-way: said, and the program lives on", true, 1000, "stopped before the end"},
  };
  testing_support::ScratchDir dir("stall");
  for (const auto& c : cases) {
    const std::string fifo = dir.File(std::string(c.reads ? "leaves" : "silent") + ".nc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    PipeReader reader(fifo, c.reads, c.keep);
    std::string message;
    try {
      AtomicFile file(fifo, std::chrono::milliseconds(200));
      file.Write(megabyte.data(), megabyte.size());
      file.Commit();
    } catch (const FileError& e) {
      message = e.Message();
    }
    EXPECT_NE(message.find(c.error), std::string::npos) << c.what << ": " << message;
    const std::string taken = reader.Finish();
    EXPECT_GE(taken.size(), c.keep) << c.what;
    EXPECT_LT(taken.size(), megabyte.size()) << c.what << ": only part was sent";
    EXPECT_EQ(KindAt(fifo), 'p') << c.what;
  }
}
