// The container as the reader walks it: header, colour maps, blocks and extensions, what is kept,
// what only warns and what refuses the file.
#include <gtest/gtest.h>

#include "gif/extensions.h"
#include "gif_builder.h"
#include "gif_oracle.h"

namespace {

using gif::TGIFImage;
using namespace gif_testing;

platform::Bytes Join(platform::Bytes a, const platform::Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// One 2 x 2 frame of 4 colours, literals 0 1 2 3.
GifBuilder& SmallFrame(GifBuilder& b, int left = 0, int top = 0) {
  return b.Image(left, top, 2, 2).LiteralData({0, 1, 2, 3});
}

struct FileCase {
  const char* name;
  platform::Bytes bytes;
  int frames;  // -1: the file is refused
  std::vector<std::string> warnings;
  std::string error;
};

TEST(GIFReader, FilesAreReadRefusedOrWarnedAbout) {
  GifBuilder normal;
  SmallFrame(normal.Header(2, 2, 4)).Trailer();
  GifBuilder missingTrailer;
  SmallFrame(missingTrailer.Header(2, 2, 4));
  GifBuilder zeros;
  SmallFrame(SmallFrame(zeros.Header(2, 2, 4)).Raw({0, 0, 0})).Raw({0}).Trailer();
  GifBuilder badTrailer;
  SmallFrame(badTrailer.Header(2, 2, 4)).Raw({'X'});
  GifBuilder strayBlock;  // after a frame's extensions any byte but ',' ends the list
  SmallFrame(strayBlock.Header(2, 2, 4)).GraphicControl(0, 5).Raw({'Z', 1, 2, 3}).Trailer();
  GifBuilder unknownLabel;
  SmallFrame(unknownLabel.Header(2, 2, 4)).Raw({0x21, 0x77, 0}).Trailer();
  GifBuilder shortControl;
  SmallFrame(shortControl.Header(2, 2, 4)).Raw({0x21, 0xF9, 4, 0x09, 7});
  GifBuilder oldApplication;  // a 10-byte application identifier
  SmallFrame(oldApplication.Header(2, 2, 4)
                 .Raw({0x21, 0xFF, 10, 'O', 'L', 'D', 'S', 'T', 'Y', 'L', 'E', '1', '0', 2, 9, 9, 0}))
      .Trailer();
  GifBuilder badAppSize;
  SmallFrame(badAppSize.Header(2, 2, 4).Raw({0x21, 0xFF, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0})).Trailer();
  GifBuilder shortLoop;
  SmallFrame(shortLoop.Header(2, 2, 4).Raw({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                                            2, 1, 3, 0}))
      .Trailer();
  GifBuilder cutMap;
  cutMap.Header(2, 2, 0).Raw({0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x81, 1, 2, 3});
  GifBuilder hugeScreen;
  SmallFrame(hugeScreen.Header(65535, 65535, 4)).Trailer();
  GifBuilder hugeFrame;
  hugeFrame.Header(2, 2, 4).Image(0, 0, 65535, 65535).Codes(2, {4, 5}).Trailer();
  GifBuilder farFrame;
  farFrame.Header(2, 2, 4).Image(65000, 0, 535, 1).Codes(2, {4, 5}).Trailer();

  const std::vector<FileCase> cases = {
      {"a plain file", normal.Bytes(), 1, {}, ""},
      {"four bytes before the signature", Join({'J', 'U', 'N', 'K'}, normal.Bytes()), 1, {}, ""},
      {"a missing trailer is no error", missingTrailer.Bytes(), 1, {}, ""},
      {"zero bytes between blocks are skipped", zeros.Bytes(), 2, {}, ""},
      {"a wrong trailer byte only warns", badTrailer.Bytes(), 1, {"Unknown GIF block type", "Invalid Image trailer"}, ""},
      {"a stray block ends the list", strayBlock.Bytes(), 2,
       {"Invalid extension introducer", "Unknown GIF block type", "Invalid Image trailer"}, ""},
      {"a graphic control record cut short", shortControl.Bytes(), 2, {"Premature end of data"}, ""},
      {"a 10-byte application identifier", oldApplication.Bytes(), 1, {}, ""},
      {"no GIF signature", platform::Bytes{'P', 'N', 'G', '1', '2', '3', '4', '5', '6', '7', '8', '9'}, -1, {},
       "Invalid GIF signature"},
      {"a file of three bytes", platform::Bytes{'G', 'I', 'F'}, -1, {}, "Premature end of data"},
      {"an unknown extension label", unknownLabel.Bytes(), -1, {}, "Unknown extension type"},
      {"an application block of 9 bytes", badAppSize.Bytes(), -1, {}, "Unsupported Application Extension block size"},
      {"a loop sub-block of 2 bytes", shortLoop.Bytes(), -1, {}, "Invalid GIF data"},
      {"a local map cut short", cutMap.Bytes(), -1, {}, "Premature end of data"},
      {"a logical screen of 65535 x 65535", hugeScreen.Bytes(), -1, {}, "Image is too large"},
      {"a frame of 65535 x 65535", hugeFrame.Bytes(), -1, {}, "Image is too large"},
      {"a frame far outside the screen", farFrame.Bytes(), 1, {}, ""},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    TGIFImage image;
    std::vector<std::string> warnings;
    // The stream starts three bytes into a buffer, as inside a stored window definition.
    const platform::Bytes bytes = Join({7, 7, 7}, c.bytes);
    platform::ByteReader reader(bytes);
    reader.Seek(3);
    image.OnWarning = [&](TGIFImage&, const gif::TGIFItem*, gif::TGIFSeverity, const std::string& text) {
      warnings.push_back(text);
    };
    if (c.frames < 0) {
      try {
        image.LoadFromStream(reader);
        ADD_FAILURE() << "read without complaint";
      } catch (const gif::GIFException& e) {
        EXPECT_EQ(std::string(e.what()), c.error);
      }
      EXPECT_EQ(reader.Position(), 3u) << "the stream goes back where reading began";
      EXPECT_TRUE(image.GetEmpty());
      EXPECT_EQ(image.GetWidth(), 0);
    } else {
      image.LoadFromStream(reader);
      EXPECT_EQ(image.Images().Count(), c.frames);
    }
    EXPECT_EQ(warnings, c.warnings);
  }
}

TEST(GIFReader, ScreenAndFramesTakeTheirSizes) {
  // A frame of width 0 takes the logical screen's size; a frame past the screen enlarges it.
  GifBuilder file;
  file.Header(5, 4, 4).Image(0, 0, 0, 3).Codes(2, {4, 5});
  SmallFrame(file, 6, 7).Trailer();
  TGIFImage image;
  std::vector<std::string> warnings;
  LoadBytes(image, file.Bytes(), &warnings);
  EXPECT_EQ(warnings, std::vector<std::string>{"Image exceeds Logical Screen size"});
  ASSERT_EQ(image.Images().Count(), 2);
  EXPECT_EQ(image.Images()[0]->Width(), 5);
  EXPECT_EQ(image.Images()[0]->Height(), 4);
  EXPECT_EQ(image.GetWidth(), 8);
  EXPECT_EQ(image.GetHeight(), 9);
}

TEST(GIFReader, ExtensionsKeepWhatTheySay) {
  GifBuilder file;
  file.Header(2, 2, 4).Loop(2).Comment(std::string(300, 'c')).GraphicControl(2, 1234, true, 3);
  file.Raw({0x21, 0xFF, 11, 'V', 'E', 'L', 'K', 'O', 'R', 'A', '!', 'a', 'b', 'c', 2, 5, 6, 1, 9, 0});
  file.Raw({0x21, 0x01, 12, 1, 0, 2, 0, 30, 0, 8, 0, 6, 8, 1, 0, 5, 'h', 'e', 'l', 'l', 'o', 0});
  SmallFrame(file);
  // A second graphic control extension: the frame keeps using the first.
  SmallFrame(file.GraphicControl(3, 9).GraphicControl(1, 50)).Trailer();
  TGIFImage image;
  std::vector<std::string> warnings;
  LoadBytes(image, file.Bytes(), &warnings);
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(image.Images().Count(), 2);
  const gif::TGIFSubImage& frame = *image.Images()[0];
  ASSERT_EQ(frame.Extensions().Count(), 5);
  const auto* loop = dynamic_cast<gif::TGIFAppExtNSLoop*>(frame.Extensions()[0]);
  ASSERT_NE(loop, nullptr);
  EXPECT_EQ(loop->Loops, 3u) << "two repeats after the first run";
  const auto* comment = dynamic_cast<gif::TGIFCommentExtension*>(frame.Extensions()[1]);
  ASSERT_NE(comment, nullptr);
  EXPECT_EQ(comment->Text, (std::vector<std::string>{std::string(255, 'c'), std::string(45, 'c')}));
  EXPECT_TRUE(frame.Transparent());
  EXPECT_EQ(frame.TransparentIndex(), 3);
  EXPECT_EQ(frame.Delay(), 1234);
  EXPECT_EQ(frame.Disposal(), gif::dmBackground);
  const auto* unknown = dynamic_cast<gif::TGIFUnknownAppExtension*>(frame.Extensions()[3]);
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(std::string(unknown->Identifier.begin(), unknown->Identifier.end()), "VELKORA!abc");
  ASSERT_EQ(unknown->Blocks.size(), 2u);
  EXPECT_EQ(unknown->Blocks[1].Data, platform::Bytes{9});
  const auto* text = dynamic_cast<gif::TGIFTextExtension*>(frame.Extensions()[4]);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GridWidth, 30);
  EXPECT_EQ(text->CharHeight, 8);
  EXPECT_EQ(text->Text, std::vector<std::string>{"hello"});
  EXPECT_EQ(image.Images()[1]->Delay(), 9);
  EXPECT_EQ(image.Images()[1]->Disposal(), gif::dmPrevious);

  // Written back, every extension gives the same bytes (the comment re-split the same way).
  const platform::Bytes again = SaveBytes(image);
  TGIFImage reread;
  LoadBytes(reread, again);
  EXPECT_EQ(SaveBytes(reread), again);
  const std::string unknownBytes = "VELKORA!abc\x02\x05\x06\x01\x09";
  EXPECT_NE(std::string(again.begin(), again.end()).find(unknownBytes), std::string::npos);

  // A transparent index outside the active map warns and stores 0.
  std::vector<std::string> later;
  image.OnWarning = [&](TGIFImage&, const gif::TGIFItem*, gif::TGIFSeverity, const std::string& t) {
    later.push_back(t);
  };
  image.Images()[0]->GraphicControlExtension()->SetTransparentColorIndex(4);
  EXPECT_EQ(image.Images()[0]->TransparentIndex(), 0);
  EXPECT_EQ(later, std::vector<std::string>{"Invalid color index"});
}

TEST(GIFColorMap, EntriesLookupsAndLimits) {
  gif::TGIFColorMap map;
  EXPECT_THROW(map.Color(0), gif::GIFException) << "an empty map";
  for (int i = 0; i < 256; ++i) EXPECT_EQ(map.Add(gif::TGIFColor{uint8_t(i % 3), 0, 0}), i);
  try {
    map.Add(gif::TGIFColor{});
    ADD_FAILURE();
  } catch (const gif::GIFException& e) {
    EXPECT_STREQ(e.what(), "Color table overflow");
  }
  EXPECT_EQ(map.IndexOf(gif::TGIFColor{1, 0, 0}), 253) << "unsorted: the last match";
  map.SetOptimized(true);
  EXPECT_EQ(map.IndexOf(gif::TGIFColor{1, 0, 0}), 1) << "sorted: the first match";
  EXPECT_EQ(map.IndexOf(gif::TGIFColor{9, 9, 9}), -1);
  EXPECT_EQ(map.Color(300), map.Color(0)) << "outside the map reads entry 0";
  EXPECT_THROW(map.Delete(256), gif::GIFException);
  map.Delete(0);
  EXPECT_EQ(map.Count(), 255);
  EXPECT_EQ(map.BitsPerPixel(), 8);
  for (auto [count, bits] : {std::pair{0, 0}, {1, 1}, {2, 1}, {3, 2}, {5, 3}, {16, 4}, {17, 5}, {129, 8}})
    EXPECT_EQ(gif::BitsPerPixelOf(count), bits) << count << " colours";

  // Written padded with black to a power of two; an index past the map draws black.
  gif::TGIFColorMap three;
  for (int i = 0; i < 3; ++i) three.Add(gif::TGIFColor{200, 100, 50});
  platform::ByteWriter out;
  three.SaveToStream(out);
  EXPECT_EQ(out.Data(), (platform::Bytes{200, 100, 50, 200, 100, 50, 200, 100, 50, 0, 0, 0}));
  const QVector<QRgb> table = three.ColorTable(1);
  EXPECT_EQ(table.size(), 256);
  EXPECT_EQ(table[2], qRgb(200, 100, 50));
  EXPECT_EQ(qAlpha(table[1]), 0);
  EXPECT_EQ(table[200], qRgb(0, 0, 0));
}

}  // namespace
