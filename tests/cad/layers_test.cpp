#include "cad/layers.h"

#include <gtest/gtest.h>

#include "platform/exception.h"

namespace cad {
namespace {

TEST(Layers, ExactlyTwoHundredFiftySixNamedLayers) {
  TLayers layers;
  EXPECT_EQ(TLayers::Count(), 256);
  EXPECT_EQ(layers.Layer(0).Name(), "Layer_0");
  EXPECT_EQ(layers.Layer(255).Name(), "Layer_255");
  EXPECT_EQ(layers.Layer(17).Number(), 17);
  const TLayer& l = layers.Layer(3);
  EXPECT_EQ(l.Pen().Color, platform::clBlack);
  EXPECT_EQ(l.Pen().Style, platform::PenStyle::Solid);
  EXPECT_EQ(l.Brush().Color, platform::clWhite);
  EXPECT_TRUE(l.Active && l.Visible && l.Streamable);
  EXPECT_FALSE(l.Opaque || l.Modified);
  EXPECT_TRUE(l.DecorativePen().IsSolid());
}

TEST(Layers, NamesAndTheModifiedFlag) {
  TLayer l(4);
  l.SetName("Layer_4");
  EXPECT_FALSE(l.Modified) << "the same name changes nothing";
  const std::string forty(40, 'n');
  l.SetName(forty);
  EXPECT_EQ(l.Name(), std::string(31, 'n'));
  EXPECT_TRUE(l.Modified);
  // A character that would be cut in two is left out whole.
  l.SetName(std::string(30, 'a') + "\xC3\xA0" "b");
  EXPECT_EQ(l.Name(), std::string(30, 'a'));
  l.SetName(std::string(29, 'a') + "\xC3\xA0" "b");
  EXPECT_EQ(l.Name(), std::string(29, 'a') + "\xC3\xA0");

  TLayer p(5);
  p.SetPen(platform::Pen{platform::clRed, 2, platform::PenStyle::Solid, platform::PenMode::Copy});
  EXPECT_TRUE(p.Modified);
  TLayer b(6);
  b.SetBrush(platform::Brush{platform::clRed, platform::BrushStyle::Clear});
  EXPECT_TRUE(b.Modified);
}

TEST(Layers, ApplyToCanvas) {
  platform::Canvas c(10, 10);
  TDecorativeCanvas dc(c);
  TLayer l(1);
  l.SetPen(platform::Pen{platform::clRed, 3, platform::PenStyle::Dot, platform::PenMode::Xor});
  l.SetBrush(platform::Brush{platform::clLime, platform::BrushStyle::Solid});
  l.Opaque = true;
  l.DecorativePen().SetPattern("110");

  l.Visible = false;
  c.SetBackgroundMode(platform::BackgroundMode::Transparent);
  EXPECT_FALSE(l.ApplyToCanvas(dc));
  EXPECT_EQ(c.GetPen(), platform::Pen{}) << "a hidden layer leaves the canvas alone";
  EXPECT_EQ(c.GetBrush(), platform::Brush{});
  EXPECT_TRUE(dc.Pen().IsSolid());
  EXPECT_EQ(c.GetBackgroundMode(), platform::BackgroundMode::Transparent);

  l.Visible = true;
  EXPECT_TRUE(l.ApplyToCanvas(dc));
  EXPECT_EQ(c.GetPen(), l.Pen());
  EXPECT_EQ(c.GetBrush(), l.Brush());
  EXPECT_EQ(c.GetFont().Color, platform::clRed);
  EXPECT_EQ(c.GetBackgroundMode(), platform::BackgroundMode::Opaque);
  EXPECT_EQ(dc.Pen().PatternLength(), 3);
  EXPECT_TRUE(dc.Pen().GetBit(1));
  TLayers layers;
  EXPECT_TRUE(layers.ApplyLayer(dc, 9));
  EXPECT_EQ(c.GetBackgroundMode(), platform::BackgroundMode::Transparent);
  EXPECT_TRUE(dc.Pen().IsSolid());
}

TEST(Layers, StreamRoundTripAndLayout) {
  TLayer l(7);
  l.SetPen(platform::Pen{0x123456, 2, platform::PenStyle::Dash, platform::PenMode::Xor});
  l.SetBrush(platform::Brush{0xABCDEF, platform::BrushStyle::Cross});
  l.DecorativePen().SetPattern("101");
  l.Active = false;
  l.Opaque = true;
  l.SetName("Walls");
  platform::ByteWriter w;
  l.SaveToStream(w);
  const platform::Bytes bytes = w.Data();
  ASSERT_EQ(bytes.size(), 4u + 1 + 1 + 4 + 4 + 1 + 4 + 3 + 4 + 32);
  EXPECT_EQ(bytes[0], 0x56);
  EXPECT_EQ(bytes[4], 1) << "pen style Dash";
  EXPECT_EQ(bytes[5], 14) << "pen mode Xor";
  EXPECT_EQ(bytes[14], 6) << "brush style Cross";
  EXPECT_EQ(bytes[15], 3) << "pattern length";
  EXPECT_EQ(bytes[19], 1);
  EXPECT_EQ(bytes[20], 0);
  EXPECT_EQ(bytes[26], 5) << "name length";
  EXPECT_EQ(bytes[27], 'W');

  TLayer r(7);
  platform::ByteReader reader(bytes);
  r.LoadFromStream(reader, kCurrentVersionTag);
  EXPECT_EQ(reader.Remaining(), 0u);
  EXPECT_EQ(r.Pen(), l.Pen());
  EXPECT_EQ(r.Brush(), l.Brush());
  EXPECT_EQ(r.DecorativePen().PatternLength(), 3);
  EXPECT_TRUE(r.DecorativePen().GetBit(2));
  EXPECT_FALSE(r.Active);
  EXPECT_TRUE(r.Opaque);
  EXPECT_EQ(r.Name(), "Walls");
  EXPECT_TRUE(r.Modified);
}

TEST(Layers, OlderTagsAndDamagedStreams) {
  // "CAD3  ": an extra int32 after the brush style, no pattern, no Visible, Streamable but no name.
  platform::ByteWriter w;
  w.I32(0xFF);
  w.U8(0);
  w.U8(4);
  w.I32(1);
  w.I32(0xFFFFFF);
  w.U8(0);
  w.I32(0);  // skipped
  w.U8(1);   // Active
  w.U8(0);   // Opaque
  w.U8(0);   // Streamable
  TLayer l(12);
  platform::ByteReader r(w.Data());
  l.LoadFromStream(r, "CAD3  ");
  EXPECT_EQ(r.Remaining(), 0u);
  EXPECT_EQ(l.Pen().Color, platform::clRed);
  EXPECT_TRUE(l.Visible);
  EXPECT_FALSE(l.Streamable);
  EXPECT_EQ(l.Name(), "Layer 12");

  // Short of bytes, an impossible pen style or a pattern longer than the data: an error, the layer
  // as it was.
  TLayer good(2);
  good.SetName("Kept");
  platform::ByteWriter full;
  good.SaveToStream(full);
  platform::Bytes cut(full.Data().begin(), full.Data().end() - 5);
  TLayer t(2);
  t.SetName("Mine");
  platform::ByteReader rc(cut);
  EXPECT_THROW(t.LoadFromStream(rc, kCurrentVersionTag), platform::FormatError);
  EXPECT_EQ(t.Name(), "Mine");

  platform::Bytes badStyle = full.Data();
  badStyle[4] = 9;
  platform::ByteReader rb(badStyle);
  EXPECT_THROW(t.LoadFromStream(rb, kCurrentVersionTag), platform::FormatError);

  platform::Bytes longPattern = full.Data();
  longPattern[15] = 0xFF;
  longPattern[16] = 0xFF;
  platform::ByteReader rp(longPattern);
  EXPECT_THROW(t.LoadFromStream(rp, kCurrentVersionTag), platform::FormatError);
  EXPECT_EQ(t.Name(), "Mine");
}

}  // namespace
}  // namespace cad
