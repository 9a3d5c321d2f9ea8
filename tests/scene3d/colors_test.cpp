#include "scene3d/colors.h"

#include <gtest/gtest.h>

#include <vector>

#include "expect_vectors.h"
#include "scene3d/scene3d_exceptions.h"
#include "scene3d/vectors.h"

using namespace scene3d;

namespace {

// Something that hears changes without being an updatable object or component.
class TPlainListener : public TPersistent, public IGLNotifyAble {
 public:
  void NotifyChange(TObject* sender) override { heard.push_back(sender); }
  std::vector<TObject*> heard;
};

class TOwnerObject : public TGLUpdateAbleObject {
 public:
  using TGLUpdateAbleObject::TGLUpdateAbleObject;
  void NotifyChange(TObject* sender) override {
    heard.push_back(sender);
    TGLUpdateAbleObject::NotifyChange(sender);
  }
  std::vector<TObject*> heard;
};

// Switches UseDefaultColors on for one test.
struct DefaultColorsOn {
  DefaultColorsOn() { UseDefaultColors = true; }
  ~DefaultColorsOn() { UseDefaultColors = false; }
};

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

}  // namespace

TEST(Colors, TheColorPropertyHoldsSixteenLittleEndianBytesAndReadsBackExactly) {
  TGLColor color(nullptr, {1, 0, 0.5f, 1});
  const TStoredProperties stored = StoreDefinedProperties(color);
  const TStoredProperties want{
      {"Color", Bytes({0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x80, 0x3F})}};
  EXPECT_EQ(stored, want);

  TGLColor copy(nullptr);
  int events = 0;
  copy.OnChange = [&](TObject*) { ++events; };
  LoadDefinedProperties(copy, stored);
  EXPECT_TRUE(VectorEqual4(copy.GetColor(), color.GetColor()));
  EXPECT_EQ(events, 0) << "reading a stored colour is no change to tell";

  // A payload of the wrong length is refused and leaves nothing half read in place.
  for (size_t length : {15u, 17u}) {
    TGLColor target(nullptr, clrWhite);
    std::string data = stored[0].data;
    data.resize(length, '\0');
    EXPECT_THROW(LoadDefinedProperties(target, {{"Color", data}}), platform::ReadError) << length << " bytes";
  }
  TGLColor untouched(nullptr, clrWhite);
  LoadDefinedProperties(untouched, {{"Other", stored[0].data}});
  EXPECT_TRUE(VectorEqual4(untouched.GetColor(), clrWhite)) << "only its own name is read";
}

TEST(Colors, WithDefaultColorsOnAnUnchangedColourIsNotStored) {
  TGLColor before(nullptr, {1, 0, 0, 1});
  EXPECT_EQ(StoreDefinedProperties(before).size(), 1u) << "made without defaults: always stored";
  EXPECT_EQ(before.DefaultColor(), nullptr);

  DefaultColorsOn on;
  TGLColor color(nullptr, {1, 0, 0, 1}, [](TObject*) {});
  ASSERT_NE(color.DefaultColor(), nullptr);
  EXPECT_TRUE(StoreDefinedProperties(color).empty());
  color.SetGreen(0.5f);
  EXPECT_EQ(StoreDefinedProperties(color).size(), 1u) << "changed: stored";
  color.SetGreen(0);
  EXPECT_TRUE(StoreDefinedProperties(color).empty()) << "back to its default";
  TGLColor black(nullptr);
  EXPECT_TRUE(StoreDefinedProperties(black).empty()) << "a plain new colour defaults to black";
}

TEST(Colors, ComponentSettersNotifyOnlyOnAChangeAndTheOwnerHearsOnce) {
  TOwnerObject owner(nullptr);
  TGLColor color(&owner, {0.25f, 0.5f, 0.75f, 1});
  int events = 0;
  color.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &color);
    ++events;
  };

  color.SetRed(0.25f);
  color.SetAlpha(1);
  EXPECT_EQ(events, 0) << "the value it already has";
  color.SetRed(0.3f);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(owner.heard, std::vector<TObject*>{&color}) << "told once, by the colour";
  EXPECT_FLOAT_EQ(color.Red(), 0.3f);

  color.SetColor(color.GetColor());
  EXPECT_EQ(events, 2) << "SetColor always notifies";
  TGLColor other(nullptr, clrWhite);
  color.Assign(&other);
  EXPECT_EQ(events, 3);
  EXPECT_TRUE(VectorEqual4(color.GetColor(), clrWhite));
  EXPECT_THROW(color.Assign(&owner), EConvertError);

  color.BeginUpdate();
  color.SetBlue(0);
  EXPECT_EQ(events, 3) << "nothing while updating";
  color.EndUpdate();
  EXPECT_EQ(events, 4);
  EXPECT_EQ(owner.heard.size(), 4u);

  TPlainListener listener;
  TGLColor heard(&listener);
  heard.SetGreen(1);
  EXPECT_EQ(listener.heard, std::vector<TObject*>{&heard}) << "an owner that only hears changes is told too";
}

TEST(Colors, ColorFromTColorResolvesSystemColoursThroughThePlatform) {
  struct Case {
    TColor color;
    float alpha;
    TVector4f want;
  };
  const Case cases[] = {
      {0x0000FF, 0.5f, {1, 0, 0, 0.5f}},
      {0x00FF8000, 1, {0, 128 / 255.0f, 1, 1}},
      {platform::clBtnFace, 1, {240 / 255.0f, 240 / 255.0f, 240 / 255.0f, 1}},
      {0xFFFFFFF5u, 1, {0, 0, 0, 1}},  // names no system colour
  };
  for (const Case& c : cases) ExpectNear(ColorFromTColor(c.color, c.alpha), c.want, 1e-7, std::to_string(c.color));

  const auto& system = SystemColorVectors();
  ExpectNear(system[15], cases[2].want, 1e-7, "button face slot");
  ExpectNear(system[5], clrWhite, 1e-7, "window slot");
  EXPECT_NE(system[13].z, 0) << "the highlight slot holds the highlight colour, not black";
}
