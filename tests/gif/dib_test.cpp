// The codec's device-independent bitmaps and its stream class.
#include "gif/dib.h"

#include <gtest/gtest.h>

#include <functional>

#include "gif/encoders.h"
#include "gif/gif_exception.h"

namespace {

using gif::TGIFColor;

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const gif::GIFException& e) {
    return e.what();
  }
  return "no error";
}

TEST(GIFDIB, ReaderTakesIndexedOrTrueColourRowsPaddedTo32Bits) {
  platform::Bitmap four(5, 2, 4);
  four.SetColors({platform::Rgb(10, 20, 30), platform::Rgb(40, 50, 60), platform::Rgb(70, 80, 90)});
  for (int x = 0; x < 5; ++x) {
    four.SetIndex(x, 0, uint8_t(x % 3));
    four.SetIndex(x, 1, uint8_t(2 - x % 3));
  }
  const gif::TDIBReader indices(four, 8);
  EXPECT_EQ(indices.RowBytes(), 8u);
  EXPECT_EQ(indices.Palette(), (std::vector<TGIFColor>{{10, 20, 30}, {40, 50, 60}, {70, 80, 90}}));
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(indices.ScanLine(0)[x], x % 3);
    EXPECT_EQ(indices.ScanLine(1)[x], 2 - x % 3);
  }
  // The same bitmap as blue, green, red triples.
  const gif::TDIBReader colours(four, 24);
  EXPECT_EQ(colours.RowBytes(), 16u);
  const uint8_t* row = colours.ScanLine(1);
  EXPECT_EQ((std::vector<uint8_t>(row, row + 6)), (std::vector<uint8_t>{90, 80, 70, 60, 50, 40}));

  struct Refusal {
    const char* name;
    std::function<void()> make;
    const char* error;
  };
  platform::Bitmap trueColour(3, 3, 24), target;
  const Refusal refusals[] = {
      {"indices of a true-colour bitmap", [&] { gif::TDIBReader(trueColour, 8); }, "Unsupported PixelFormat"},
      {"16 bits", [&] { gif::TDIBReader(four, 16); }, "Unsupported PixelFormat"},
      {"an empty bitmap", [&] { gif::TDIBReader(platform::Bitmap(), 24); }, "Invalid image dimensions"},
      {"a writer of width 0", [&] { gif::TDIBWriter(target, 8, 0, 4); }, "Invalid image dimensions"},
      {"a writer of 32 bits", [&] { gif::TDIBWriter(target, 32, 4, 4); }, "Unsupported PixelFormat"},
      {"a writer too large to allocate", [&] { gif::TDIBWriter(target, 24, 65535, 65535); },
       "Failed to allocate memory for GIF DIB"},
      {"a row outside", [&] { gif::TDIBReader(four, 8).ScanLine(2); }, "Image has no DIB"},
  };
  for (const Refusal& r : refusals) EXPECT_EQ(ErrorOf(r.make), r.error) << r.name;
}

TEST(GIFDIB, WriterHandsItsBitmapToTheTargetOnce) {
  for (int bits : {8, 24}) {
    SCOPED_TRACE(std::to_string(bits) + " bits");
    platform::Bitmap target;
    gif::TDIBWriter dib(target, bits, 3, 2, {{255, 0, 0}, {0, 0, 255}});
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        uint8_t* row = dib.ScanLine(y);
        if (bits == 8) {
          row[x] = uint8_t((x + y) % 2);
        } else {
          row[3 * x] = uint8_t(10 * x);       // blue
          row[3 * x + 1] = uint8_t(100 + y);  // green
          row[3 * x + 2] = 200;               // red
        }
      }
    dib.Finish();
    ASSERT_EQ(target.Width(), 3);
    ASSERT_EQ(target.Height(), 2);
    EXPECT_EQ(target.BitsPerPixel(), bits);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const platform::RgbQuad expected = bits == 8 ? ((x + y) % 2 ? platform::Rgb(0, 0, 255) : platform::Rgb(255, 0, 0))
                                                     : platform::Rgb(200, uint8_t(100 + y), uint8_t(10 * x));
        EXPECT_EQ(target.Pixel(x, y), expected) << x << "," << y;
      }
    EXPECT_EQ(ErrorOf([&] { dib.ScanLine(0); }), "Image has no DIB");
    EXPECT_EQ(ErrorOf([&] { dib.Finish(); }), "Image has no DIB");
  }
}

TEST(GIFStream, OnlyTheWriterTakesBytesAndItPacksThemInSubBlocks) {
  gif::TGIFStream plain;
  uint8_t byte = 0;
  EXPECT_EQ(ErrorOf([&] { plain.Read(&byte, 1); }), "Invalid stream operation");
  EXPECT_EQ(ErrorOf([&] { plain.Write(&byte, 1); }), "Invalid stream operation");
  EXPECT_EQ(ErrorOf([&] { plain.SetPosition(0); }), "Invalid stream operation");

  platform::ByteWriter out;
  gif::TGIFWriter writer(out);
  platform::Stream& stream = writer;
  std::vector<uint8_t> data(600);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i);
  stream.WriteBuffer(data.data(), data.size());
  stream.Flush();
  EXPECT_EQ(ErrorOf([&] { stream.Read(&byte, 1); }), "Invalid stream operation");
  EXPECT_EQ(ErrorOf([&] { stream.SetPosition(0); }), "Invalid stream operation");
  ASSERT_EQ(out.Size(), 603u);
  EXPECT_EQ(stream.Size(), 603u);
  EXPECT_EQ(stream.Position(), 603u);
  EXPECT_EQ(out.Data()[0], 255);
  EXPECT_EQ(out.Data()[256], 255);
  EXPECT_EQ(out.Data()[512], 90);
  EXPECT_EQ(out.Data()[513], uint8_t(510));
}

}  // namespace
