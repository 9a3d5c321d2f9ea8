#include "machining/document_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

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
