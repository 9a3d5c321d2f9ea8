// The picture class: its draw paths, sizes, copies, frames made from other pictures, the
// registry and the clipboard.
#include "gif/gif_image.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "gif/color_reduction.h"
#include "gif/painter.h"
#include "gif_oracle.h"

namespace {

using gif::TGIFImage;
using gif::TGIFSubImage;
using namespace gif_testing;

const platform::TColor kRed = platform::RGBColor(255, 0, 0), kBlue = platform::RGBColor(0, 0, 255);

// A 2 x 2 picture: red, blue / blue, red (a third colour unused); with `transparentIndex` >= 0 that index is transparent.
std::unique_ptr<TGIFImage> Checker(int transparentIndex = -1) {
  auto image = std::make_unique<TGIFImage>();
  image->Header().ColorMap().Add(gif::TGIFColor{255, 0, 0});
  image->Header().ColorMap().Add(gif::TGIFColor{0, 0, 255});
  image->Header().ColorMap().Add(gif::TGIFColor{0, 255, 0});  // not used by the pixels
  auto frame = std::make_unique<TGIFSubImage>(image.get());
  if (transparentIndex >= 0) {
    auto control = std::make_unique<gif::TGIFGraphicControlExtension>(frame.get());
    control->SetTransparent(true);
    control->SetTransparentColorIndex(transparentIndex);
    frame->Extensions().Add(std::move(control));
  }
  frame->NewImage(2, 2);
  frame->Data()[1] = frame->Data()[2] = 1;
  image->Add(std::move(frame));
  return image;
}

std::string Rows(const platform::Canvas& canvas) {
  std::string text;
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      const platform::TColor c = canvas.GetPixel(x, y);
      text += c == kRed ? 'R' : c == kBlue ? 'B' : c == platform::clWhite ? '.' : '?';
    }
    text += '/';
  }
  return text;
}

TEST(GIFImage, StillPicturesDrawStretchedTiledAndTransparent) {
  struct DrawCase {
    const char* name;
    uint16_t options;
    int transparentIndex;
    platform::Rect target;
    std::string expected;
  };
  const std::vector<DrawCase> cases = {
      {"stretched", 0, -1, {0, 0, 4, 4}, "RRBB/RRBB/BBRR/BBRR/"},
      {"into part of the canvas", 0, -1, {1, 1, 3, 3}, "..../.RB./.BR./..../"},
      {"stretched sideways", 0, -1, {0, 0, 4, 2}, "RRBB/BBRR/..../..../"},
      {"tiled from the target's corner", gif::DrawTile, -1, {1, 0, 4, 3}, ".RBR/.BRB/.RBR/..../"},
      {"transparent", gif::DrawTransparent, 0, {0, 0, 2, 2}, ".B../B.../..../..../"},
      {"transparent ignored", 0, 0, {0, 0, 2, 2}, "RB../BR../..../..../"},
      {"transparent index never used: drawn opaque", gif::DrawTransparent, 2, {0, 0, 2, 2}, "RB../BR../..../..../"},
      {"an empty target", 0, -1, {2, 2, 2, 4}, "..../..../..../..../"},
      {"a target turned inside out", gif::DrawTile, -1, {3, 3, 1, 1}, "..../..../..../..../"},
  };
  for (const DrawCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto image = Checker(c.transparentIndex);
    image->DrawOptions = c.options | gif::DrawAsync | gif::DrawAnimate;
    platform::Canvas canvas(4, 4, platform::clWhite);
    int painterEvents = 0;
    image->OnStartPaint = [&](gif::TGIFPainter&) { ++painterEvents; };
    image->Draw(canvas, c.target);
    EXPECT_EQ(Rows(canvas), c.expected);
    EXPECT_EQ(painterEvents, 0) << "a single frame is drawn at once, with no painter";
    EXPECT_EQ(image->PainterCount(), 0);
  }
  EXPECT_TRUE(Checker(2)->Images()[0]->Mask().isNull()) << "no pixel uses index 2";
  EXPECT_FALSE(Checker(1)->Images()[0]->Mask().isNull());

  // A picture with no size draws nothing and never divides by zero.
  TGIFImage empty;
  platform::Canvas canvas(4, 4, platform::clWhite);
  empty.Draw(canvas, {0, 0, 4, 4});
  auto zero = std::make_unique<TGIFSubImage>(&empty);
  empty.Add(std::move(zero));
  empty.Draw(canvas, {0, 0, 4, 4});
  EXPECT_EQ(Rows(canvas), "..../..../..../..../");
}

TEST(GIFImage, AnimatedDrawKeepsOrRestartsItsPainter) {
  auto image = Checker();
  image->Add(std::make_unique<TGIFSubImage>(image.get()))->NewImage(2, 2, 1);
  for (const auto& frame : image->Images()) {
    auto control = std::make_unique<gif::TGIFGraphicControlExtension>(frame.get());
    control->SetDelay(2);
    frame->Extensions().Add(std::move(control));
  }
  image->DrawOptions |= gif::DrawDirect | gif::DrawLoopForever;
  platform::Canvas canvas(8, 8, platform::clWhite);
  image->Draw(canvas, {0, 0, 4, 4});
  gif::TGIFPainter* first = image->DrawPainter();
  ASSERT_NE(first, nullptr);
  image->Draw(canvas, {0, 0, 4, 4});
  EXPECT_EQ(image->DrawPainter(), first) << "same canvas and rectangle: the painter goes on";
  image->Draw(canvas, {4, 4, 8, 8});
  ASSERT_NE(image->DrawPainter(), nullptr);
  EXPECT_EQ(image->DrawPainter()->Rect(), (platform::Rect{4, 4, 8, 8}));
  EXPECT_EQ(image->PainterCount(), 1) << "the painter of the old rectangle was stopped and joined";
  image->StopDraw();
  EXPECT_EQ(image->PainterCount(), 0);

  // Through the composed bitmap: Draw returns once the first frame is shown.
  image->DrawOptions &= uint16_t(~gif::DrawDirect);
  image->Draw(canvas, {0, 0, 8, 8});
  EXPECT_EQ(canvas.GetPixel(0, 0), kRed);
  EXPECT_EQ(canvas.GetPixel(7, 0), kBlue);
  EXPECT_FALSE(image->GetBitmap().isNull());
  image->PaintStop();
}

TEST(GIFImage, SizesCopiesAndPalettes) {
  auto image = Checker();
  image->Images()[0]->SetLeft(3);
  image->SetWidth(6);
  EXPECT_EQ(image->GetWidth(), 6);
  for (auto [width, height, text] : {std::tuple{4, 2, "Image width too small for contained frames"},
                                     std::tuple{6, 1, "Image height too small for contained frames"}}) {
    try {
      image->SetWidth(width);
      image->SetHeight(height);
      ADD_FAILURE() << text;
    } catch (const gif::GIFException& e) {
      EXPECT_STREQ(e.what(), text);
    }
  }
  // A file holds sizes in 16 bits.
  EXPECT_THROW(image->SetWidth(65536), gif::GIFException);
  EXPECT_THROW(image->Add(QImage(70000, 1, QImage::Format_RGB32)), gif::GIFException);
  EXPECT_EQ(image->GetWidth(), 6);
  // The composed bitmap puts the first frame on the logical screen.
  const QImage composed = image->GetBitmap();
  ASSERT_EQ(composed.size(), QSize(6, 2));
  EXPECT_EQ(composed.pixel(3, 0), qRgb(255, 0, 0));
  EXPECT_EQ(composed.pixel(0, 0), qRgb(0, 0, 0));

  TGIFImage copy;
  copy.Assign(image.get());
  EXPECT_EQ(SaveBytes(copy), SaveBytes(*image));
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.GetEmpty());

  // Without a global map the palette is the first frame's.
  TGIFImage local;
  auto frame = std::make_unique<TGIFSubImage>(&local);
  frame->ColorMap().Add(gif::TGIFColor{1, 2, 3});
  frame->NewImage(1, 1);
  local.Add(std::move(frame));
  local.DrawOptions &= uint16_t(~gif::DrawDither);
  EXPECT_EQ(local.GetPalette(), QVector<QRgb>{qRgb(1, 2, 3)});
  // Dithering asked for without regard to the display: frames draw through the colour cube.
  auto dithered = Checker();
  dithered->DrawOptions = (dithered->DrawOptions | gif::DrawDither) & uint16_t(~gif::DrawAutoDither);
  EXPECT_EQ(dithered->GetPalette().size(), 216);
  EXPECT_EQ(dithered->Images()[0]->Bitmap().colorCount(), 216);

  TGIFSubImage& first = *image->Images()[0];
  for (auto [x, y, text] : {std::tuple{2, 0, "Invalid pixel coordinates"}, std::tuple{0, -1, "Invalid pixel coordinates"}}) {
    try {
      first.Pixel(x, y);
      ADD_FAILURE();
    } catch (const gif::GIFException& e) {
      EXPECT_STREQ(e.what(), text);
    }
  }
  TGIFSubImage bare(nullptr);
  EXPECT_THROW(bare.Pixel(0, 0), gif::GIFException);
}

TEST(GIFImage, FramesFromOtherPictures) {
  // An indexed bitmap keeps its pixels and palette: 1 bit per pixel, leftmost pixel in the high bit.
  platform::Bitmap mono(10, 2, 1);
  mono.SetColors({platform::Rgb(10, 20, 30), platform::Rgb(200, 210, 220)});
  mono.SetIndex(0, 0, 1);
  mono.SetIndex(9, 1, 1);
  TGIFImage image;
  TGIFSubImage* frame = image.Add(mono);
  EXPECT_EQ(image.GetWidth(), 10);
  EXPECT_EQ(frame->ColorMap().Count(), 2);
  EXPECT_EQ(frame->Pixel(0, 0), 1);
  EXPECT_EQ(frame->Pixel(1, 0), 0);
  EXPECT_EQ(frame->Pixel(9, 1), 1);

  // A true-colour picture is reduced (by default to the colour cube, each component to step
  // (c + 3) / 51); only the colours used enter the map; pixels with little alpha become one
  // transparent entry.
  QImage picture(3, 1, QImage::Format_ARGB32);
  picture.setPixel(0, 0, qRgba(252, 0, 0, 255));
  picture.setPixel(1, 0, qRgba(0, 48, 100, 255));
  picture.setPixel(2, 0, qRgba(9, 9, 9, 10));
  TGIFSubImage* converted = image.Add(picture);
  ASSERT_EQ(converted->ColorMap().Count(), 4);
  EXPECT_EQ(converted->ColorMap().Colors()[0], (gif::TGIFColor{255, 0, 0}));
  EXPECT_EQ(converted->ColorMap().Colors()[1], (gif::TGIFColor{0, 51, 102}));
  EXPECT_TRUE(converted->Transparent());
  EXPECT_EQ(converted->Pixel(2, 0), converted->TransparentIndex());
  // Opaque: no extra entry stays behind.
  picture.setPixel(2, 0, qRgba(9, 9, 9, 255));
  EXPECT_FALSE(image.Add(picture)->Transparent());
  EXPECT_EQ(image.Images().Last()->ColorMap().Count(), 3);

  // Without reduction more than 256 colours do not fit.
  QImage many(300, 1, QImage::Format_RGB32);
  for (int x = 0; x < 300; ++x) many.setPixel(x, 0, qRgb(x % 256, x / 256, 0));
  image.ColorReduction = gif::rmNone;
  try {
    image.Add(many);
    ADD_FAILURE();
  } catch (const gif::GIFException& e) {
    EXPECT_STREQ(e.what(), "Color table overflow");
  }
  EXPECT_THROW(image.Add(static_cast<gif::TGraphic*>(nullptr)), gif::GIFException);
}

TEST(GIFImage, RegistryAndClipboard) {
  const gif::TGraphicFormat* format = gif::FindFileFormat(".gif");
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format->Description, "GIF Image");
  EXPECT_EQ(format->ClassName, "TGIFImage");
  EXPECT_NE(dynamic_cast<TGIFImage*>(format->Create().get()), nullptr);
  EXPECT_EQ(gif::FindGraphicClass("TGIFImage"), format);
  const gif::TClipboardFormat* clip = gif::FindClipboardFormat("GIF Image");
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(clip->MimeType, "image/gif");

  auto image = Checker();
  QMimeData data;
  image->SaveToClipboardFormat(data);
  EXPECT_TRUE(data.hasFormat("image/gif"));
  EXPECT_TRUE(data.hasImage());
  TGIFImage pasted;
  pasted.LoadFromClipboardFormat(data);
  EXPECT_EQ(SaveBytes(pasted), SaveBytes(*image));

  QMimeData picture;
  QImage red(3, 2, QImage::Format_RGB32);
  red.fill(qRgb(255, 0, 0));
  picture.setImageData(red);
  pasted.LoadFromClipboardFormat(picture);
  ASSERT_EQ(pasted.Images().Count(), 1);
  EXPECT_EQ(pasted.GetWidth(), 3);
  QMimeData text;
  text.setText("no picture");
  try {
    pasted.LoadFromClipboardFormat(text);
    ADD_FAILURE();
  } catch (const gif::GIFException& e) {
    EXPECT_STREQ(e.what(), "Unsupported clipboard format");
  }

  // The system clipboard (Qt's offscreen one here) carries the same.
  gif::CopyToClipboard(*image);
  TGIFImage fromClipboard;
  gif::PasteFromClipboard(fromClipboard);
  EXPECT_EQ(SaveBytes(fromClipboard), SaveBytes(*image));
}

}  // namespace
