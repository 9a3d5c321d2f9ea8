#include "machining/document_record.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <system_error>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/bmp.h"
#include "save_faults.h"
#include "scratch_dir.h"

using namespace machining;

namespace {

TDocumentRecord SampleRecord() {
  TDocumentRecord r;
  r.width = 100.0f;
  r.height = 37.5f;
  r.referenceX = 50.0f;
  r.referenceY = -2.25f;
  r.zWhite = -1.0f;
  r.zBlack = -6.5f;
  r.ncPath = "/home/anna/nc/relief.nc";
  r.postName = "Fanuc_mm";
  r.tool.toolNumber = 7;
  r.tool.name = "Ball 6";
  r.tool.toolType = kToolSpherical;
  r.tool.diameter = 6.0f;
  r.tool.cornerRadius = 3.0f;
  r.feedPlane = 3.0f;
  r.maxStepover = 0.5f;
  r.stockToLeave = 0.1f;
  r.filter = 0.01f;
  r.depthCuts = 3;
  r.zStep = 1.5f;
  r.rows0 = false;
  r.rows90 = true;
  return r;
}

float F32At(const platform::Bytes& b, size_t offset) {
  float value;
  std::memcpy(&value, b.data() + offset, 4);
  return value;
}

std::string TextAt(const platform::Bytes& b, size_t offset) { return reinterpret_cast<const char*>(b.data() + offset); }

std::string ErrorOf(const platform::Bytes& bytes) {
  platform::ByteReader in(bytes);
  try {
    ReadDocumentRecord(in);
  } catch (const DocumentError& e) {
    return e.what();
  }
  return "(read)";
}

}  // namespace

TEST(DocumentRecord, FieldsAtTheirOffsets) {
  const platform::Bytes b = DocumentRecordBytes(SampleRecord());
  ASSERT_EQ(b.size(), 492u);
  EXPECT_EQ((platform::Bytes{b[0], b[1], b[2], b[3]}), (platform::Bytes{0x00, 0x00, 0xC8, 0x42})) << "100 as a single";
  EXPECT_EQ(F32At(b, 4), 37.5f);
  EXPECT_EQ(b[8], 1);
  EXPECT_EQ(F32At(b, 12), 50.0f);
  EXPECT_EQ(F32At(b, 16), -2.25f);
  EXPECT_EQ(F32At(b, 20), -1.0f);
  EXPECT_EQ(F32At(b, 24), -6.5f);
  EXPECT_EQ(TextAt(b, 28), "/home/anna/nc/relief.nc");
  EXPECT_EQ(TextAt(b, 289), "Fanuc_mm");
  EXPECT_EQ(b[372], 7) << "the tool number opens the tool record";
  EXPECT_EQ(TextAt(b, 372 + 18), "Ball 6");
  EXPECT_EQ(F32At(b, 464), 3.0f);
  EXPECT_EQ(F32At(b, 468), 0.5f);
  EXPECT_EQ(F32At(b, 472), 0.1f);
  EXPECT_EQ(F32At(b, 476), 0.01f);
  EXPECT_EQ(b[480], 3);
  EXPECT_EQ(F32At(b, 484), 1.5f);
  EXPECT_EQ(b[488], 0);
  EXPECT_EQ(b[489], 1);
  // Padding and the unused text bytes are zero.
  for (size_t i : {9u, 10u, 11u, 490u, 491u}) EXPECT_EQ(b[i], 0) << i;
  for (size_t i = 28 + 23; i < 289; ++i) ASSERT_EQ(b[i], 0) << i;
  for (size_t i = 289 + 8; i < 372; ++i) ASSERT_EQ(b[i], 0) << i;

  platform::ByteReader in(b);
  EXPECT_EQ(ReadDocumentRecord(in), SampleRecord());
  EXPECT_EQ(in.Position(), 492u);
}

TEST(DocumentRecord, TextsAreCutToTheirFieldsOnWholeCharacters) {
  TDocumentRecord r = SampleRecord();
  r.postName = std::string(90, 'p');
  platform::Bytes b = DocumentRecordBytes(r);
  EXPECT_EQ(TextAt(b, 289), std::string(82, 'p')) << "82 characters and the terminator";
  platform::ByteReader in(b);
  EXPECT_EQ(ReadDocumentRecord(in).postName, std::string(80, 'p')) << "read back as 80";

  // "é" is two bytes: a cut never leaves half of it.
  r.postName = std::string(81, 'p') + "\xC3\xA9" + "q";
  b = DocumentRecordBytes(r);
  EXPECT_EQ(TextAt(b, 289), std::string(81, 'p'));
  EXPECT_EQ(CutUtf8("ab\xE2\x82\xAC", 4), "ab");
  EXPECT_EQ(CutUtf8("ab\xE2\x82\xAC", 5), "ab\xE2\x82\xAC");

  // An NC path of 260 bytes fits; one more is refused (the window stores none then).
  r.ncPath = std::string(260, 'n');
  b = DocumentRecordBytes(r);
  EXPECT_EQ(TextAt(b, 28), r.ncPath);
  r.ncPath += "n";
  EXPECT_THROW(DocumentRecordBytes(r), DocumentError);
}

TEST(DocumentRecord, DamagedRecordsAreRefused) {
  const platform::Bytes good = DocumentRecordBytes(SampleRecord());
  auto with = [&](const std::function<void(platform::Bytes&)>& change) {
    platform::Bytes b = good;
    change(b);
    return b;
  };
  auto setF32 = [](platform::Bytes& b, size_t offset, float value) { std::memcpy(b.data() + offset, &value, 4); };
  auto setI32 = [](platform::Bytes& b, size_t offset, int32_t value) { std::memcpy(b.data() + offset, &value, 4); };
  const struct {
    const char* what;
    platform::Bytes bytes;
    const char* says;
  } cases[] = {
      {"cut", platform::Bytes(good.begin(), good.end() - 1), "cut short"},
      {"NaN width", with([&](auto& b) { setF32(b, 0, std::nanf("")); }), "image width"},
      {"zero height", with([&](auto& b) { setF32(b, 4, 0.0f); }), "image height"},
      {"infinite white", with([&](auto& b) { setF32(b, 20, std::numeric_limits<float>::infinity()); }), "white"},
      {"NaN stepover", with([&](auto& b) { setF32(b, 468, std::nanf("")); }), "stepover"},
      {"NaN tool diameter", with([&](auto& b) { setF32(b, 372 + 72, std::nanf("")); }), "tool"},
      {"tool type 9", with([&](auto& b) { setI32(b, 372 + 68, 9); }), "tool type 9"},
      {"tool type -1", with([&](auto& b) { setI32(b, 372 + 68, -1); }), "tool type -1"},
      {"no depth cut", with([&](auto& b) { setI32(b, 480, 0); }), "0 depth cuts"},
      {"256 depth cuts", with([&](auto& b) { setI32(b, 480, 256); }), "256 depth cuts"},
      {"endless NC path", with([&](auto& b) { std::memset(b.data() + 28, 'x', 261); }), "NC file path"},
      {"endless post name", with([&](auto& b) { std::memset(b.data() + 289, 'x', 83); }), "post-processor"},
      // Sizes the size fields refuse (beyond the relief's span, or shown as "0") are never applied.
      {"width 4e31", with([&](auto& b) { setF32(b, 0, 4e31f); }), "image width is not between"},
      {"height 0.0004", with([&](auto& b) { setF32(b, 4, 0.0004f); }), "image height is not between"},
      {"tool 3e38 wide", with([&](auto& b) { setF32(b, 372 + 72, 3e38f); }), "tool is refused"},
      {"ball 1e30 wide", with([&](auto& b) { setF32(b, 372 + 72, 1e30f); }), "tool is refused"},
      {"corner 1e4", with([&](auto& b) { setF32(b, 372 + 76, 1e4f); }), "tool is refused"},
      {"post name up the tree", with([&](auto& b) { std::memcpy(b.data() + 289, "../../../../etc/passwd", 23); }),
       "no plain file name"},
      {"post name with a separator", with([&](auto& b) { std::memcpy(b.data() + 289, "pst\\x", 6); }),
       "no plain file name"},
  };
  for (const auto& c : cases) {
    const std::string error = ErrorOf(c.bytes);
    EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
  }
}

TEST(DocumentRecord, WholeDocumentsAndLyingLengths) {
  platform::Bitmap bitmap(5, 3, 24);
  bitmap.SetPixel(4, 2, platform::Rgb(1, 2, 3));
  const platform::Bytes file = DocumentBytes(bitmap, SampleRecord());
  const size_t bmpLength = platform::EncodeBmp(bitmap).size();
  ASSERT_EQ(file.size(), bmpLength + 492);
  const Document document = ParseDocument(file);
  EXPECT_EQ(document.bitmap, platform::DecodeBmp(platform::EncodeBmp(bitmap)));
  EXPECT_EQ(document.record, SampleRecord());

  auto lengthField = [&](int32_t length) {
    platform::Bytes b = file;
    std::memcpy(b.data() + 2, &length, 4);
    return b;
  };
  const struct {
    const char* what;
    platform::Bytes bytes;
  } damaged[] = {
      {"cut in the record", platform::Bytes(file.begin(), file.end() - 10)},
      {"cut to the header", platform::Bytes(file.begin(), file.begin() + 60)},
      {"length past the record", lengthField(static_cast<int32_t>(bmpLength + 1))},
      {"length inside the header", lengthField(53)},
      {"negative length", lengthField(-5)},
      {"no BMP", [&] {
         platform::Bytes b = file;
         b[0] = 'X';
         return b;
       }()},
  };
  for (const auto& d : damaged) EXPECT_THROW(ParseDocument(d.bytes), platform::FormatError) << d.what;
}

TEST(DocumentRecord, TheDocumentFileIsWrittenRowByRowWithItsProgress) {
  testing_support::ScratchDir dir("document");
  platform::Bitmap grey(200, 120, 8), colour(7, 5, 24);
  for (int y = 0; y < 120; ++y) grey.Row(y)[y] = 200;
  colour.SetPixel(6, 4, platform::Rgb(1, 2, 3));
  for (const platform::Bitmap* bitmap : {&grey, &colour}) {
    const std::string what = std::to_string(bitmap->BitsPerPixel()) + " bits";
    const std::string path = dir.File("job.qvx");
    std::vector<int> reported;
    WriteDocumentFile(path, *bitmap, SampleRecord(), [&](int percent) { reported.push_back(percent); });
    EXPECT_EQ(platform::ReadFileBytes(path), DocumentBytes(*bitmap, SampleRecord())) << what;
    testing_support::ExpectProgressRisesToAHundred(reported, bitmap == &grey ? 50 : 3, what);
  }
  // A record the file cannot take is refused before the file is touched.
  TDocumentRecord longPath = SampleRecord();
  longPath.ncPath.assign(kNcPathMax + 1, 'a');
  const platform::Bytes before = platform::ReadFileBytes(dir.File("job.qvx"));
  EXPECT_THROW(WriteDocumentFile(dir.File("job.qvx"), grey, longPath), DocumentError);
  EXPECT_EQ(platform::ReadFileBytes(dir.File("job.qvx")), before);
  EXPECT_TRUE(testing_support::TemporariesIn(dir.Dir()).empty());
}

namespace {

// A document whose picture of indices stores no palette, as some writers make them: the BMP's
// palette taken out, its colour count 0 and its pixels right after the header.
platform::Bytes DocumentWithoutPalette(const platform::Bitmap& picture) {
  platform::Bytes bmp = platform::EncodeBmp(picture);
  const size_t paletteBytes = 4 * picture.Colors().size();
  bmp.erase(bmp.begin() + 54, bmp.begin() + 54 + static_cast<std::ptrdiff_t>(paletteBytes));
  auto put = [&bmp](size_t at, uint32_t value) { std::memcpy(bmp.data() + at, &value, 4); };
  put(2, static_cast<uint32_t>(bmp.size()));
  put(10, 54);
  put(46, 0);
  const platform::Bytes record = DocumentBytes(platform::Bitmap(1, 1, 24), SampleRecord());
  bmp.insert(bmp.end(), record.end() - kDocumentRecordSize, record.end());
  return bmp;
}

}  // namespace

// Save then Open gives back the picture that was opened, and what was opened shows the indices as
// grey levels, not as black.
TEST(DocumentRecord, PictureWithoutPaletteSurvivesSaveAndOpen) {
  testing_support::ScratchDir dir("nopalette");
  for (const int bits : {1, 4, 8}) {
    const std::string what = std::to_string(bits) + " bits";
    platform::Bitmap picture(17, 17, bits);
    const int levels = 1 << bits;
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 17; ++x) picture.SetIndex(x, y, static_cast<uint8_t>((y * 17 + x) % levels));
    const std::string opened = dir.Write("opened.qvx", DocumentWithoutPalette(picture));
    const platform::Bitmap shown = ParseDocument(platform::ReadFileBytes(opened)).bitmap;
    ASSERT_EQ(shown.BitsPerPixel(), bits) << what;
    const std::string saved = dir.File("saved.qvx");
    WriteDocumentFile(saved, shown, SampleRecord());
    const Document reopened = ParseDocument(platform::ReadFileBytes(saved));
    EXPECT_EQ(reopened.record, SampleRecord()) << what;
    int changed = 0, wronglyBlack = 0;
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 17; ++x) {
        changed += reopened.bitmap.Pixel(x, y) != shown.Pixel(x, y);
        wronglyBlack += (shown.Pixel(x, y) == platform::Rgb(0, 0, 0)) != (shown.Index(x, y) == 0);
      }
    EXPECT_EQ(changed, 0) << what << ": pixels changed by Save then Open";
    EXPECT_EQ(wronglyBlack, 0) << what << ": only index 0 is black";
    const int again = levels + 1;  // index 1 once more
    EXPECT_EQ(shown.Pixel(1, 0), shown.Pixel(again % 17, again / 17)) << what << ": one index, one colour";
  }
}

// Under a file-size limit (ulimit -f) the start-up's signal setting makes a save that passes the limit
// fail with its message: the process lives, the temporary goes and the earlier file stays whole.
// Without it the system ends the process. Each save runs in a child process of its own.
TEST(DocumentRecord, SaveBeyondTheFileSizeLimitFailsWithItsMessage) {
  testing_support::ScratchDir dir("fsize");
  const std::string path = dir.Write("job.qvx", "the earlier job");
  platform::Bitmap picture(300, 300, 24);
  struct Outcome {
    bool exited = false;
    int signal = 0;
    std::string message;
  };
  auto saveInChild = [&](bool ignoreSignal) {
    int channel[2];
    EXPECT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(channel[0]);
      if (ignoreSignal)
        platform::IgnoreFileSizeSignal();
      else
        std::signal(SIGXFSZ, SIG_DFL);
      const rlimit limit{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      std::string message = "saved";
      try {
        WriteDocumentFile(path, picture, SampleRecord());
      } catch (const platform::Exception& e) {
        message = e.what();
      }
      if (::write(channel[1], message.data(), message.size()) < 0) ::_exit(3);
      ::_exit(0);
    }
    ::close(channel[1]);
    Outcome outcome;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) outcome.message.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    outcome.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return outcome;
  };

  const Outcome killed = saveInChild(false);
  EXPECT_EQ(killed.signal, SIGXFSZ) << "the system's default, which the start-up changes";
  for (const std::string& temporary : testing_support::TemporariesIn(dir.Dir())) std::filesystem::remove(dir.File(temporary));

  const Outcome failed = saveInChild(true);
  EXPECT_TRUE(failed.exited) << "signal " << failed.signal;
  EXPECT_NE(failed.message.find("Cannot write file \"" + path + "\""), std::string::npos) << failed.message;
  EXPECT_NE(failed.message.find(std::generic_category().message(EFBIG)), std::string::npos) << failed.message;
  EXPECT_TRUE(testing_support::TemporariesIn(dir.Dir()).empty());
  const platform::Bytes kept = platform::ReadFileBytes(path);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "the earlier job");
}
