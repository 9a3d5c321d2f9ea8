#include "scene3d/coordinates.h"

#include <gtest/gtest.h>

#include <string>

#include "expect_vectors.h"
#include "scene3d/streaming_classes.h"

using namespace scene3d;

namespace {

// A scene object in small: counts both ways of hearing of its coordinates.
class TPlaced : public TGLCoordinatesUpdateAbleComponent {
 public:
  using TGLCoordinatesUpdateAbleComponent::TGLCoordinatesUpdateAbleComponent;
  void CoordinatesEdited(TGLCustomCoordinates* sender) override {
    EXPECT_EQ(sender, position);
    ++edited;
  }
  void NotifyChange(TObject* sender) override {
    EXPECT_EQ(sender, position);
    ++notified;
  }
  TGLCustomCoordinates* position = nullptr;
  int edited = 0;
  int notified = 0;
};

std::string Name(TGLCoordinatesStyle style) { return "style " + std::to_string(int(style)); }

}  // namespace

TEST(Coordinates, StyledSettersForceTheComponentsTheStyleSays) {
  struct Case {
    TGLCoordinatesStyle style;
    TVector4f styled;       // SetStyled((1, 2, 3, 5))
    TVector4f fromVector;   // SetFromVector((1, 2, 3, 5)) on (9, 9, 9, 9)
  };
  const Case cases[] = {
      {ctPoint2D, {1, 2, 0, 0}, {1, 2, 3, 0}},
      {ctPoint, {1, 2, 3, 1}, {1, 2, 3, 1}},
      {ctVector, {1, 2, 3, 0}, {1, 2, 3, 0}},
      {ctUnknown, {1, 2, 3, 5}, {9, 9, 9, 9}},
  };
  for (const Case& c : cases) {
    TGLCoordinates3 coordinates(nullptr, {9, 9, 9, 9}, c.style);
    int events = 0;
    coordinates.OnChange = [&](TObject*) { ++events; };
    coordinates.SetFromVector({1, 2, 3, 5});
    ExpectNear(coordinates.Value(), c.fromVector, 0, Name(c.style) + " SetFromVector");
    coordinates.SetStyled({1, 2, 3, 5});
    ExpectNear(coordinates.Value(), c.styled, 0, Name(c.style) + " SetStyled");
    EXPECT_EQ(events, 2) << Name(c.style) << ": both notify, even when nothing is copied";
  }
}

TEST(Coordinates, EverySetterNotifiesTheOwnerWhileInitialiseAssignAndStoreRawDoNot) {
  TPlaced object(nullptr);
  TGLCoordinates3 position(&object, {1, 2, 3, 1}, ctPoint);
  object.position = &position;

  position.SetX(1);
  EXPECT_EQ(object.edited, 1) << "the value it already has still notifies";
  EXPECT_EQ(object.notified, 1);

  position.TranslateBy(TVector3f{1, 1, 1});
  ExpectNear(position.Value(), {2, 3, 4, 1}, 0, "translated, W kept");
  position.TranslateBy(TVector4f{1, 0, 0, 7});
  ExpectNear(position.Value(), {3, 3, 4, 1}, 0, "the vector's W is not added");
  position.SetPointXYZ(3, 0, 4);
  position.Normalize();
  ExpectNear(position.Value(), {0.6f, 0, 0.8f, 0}, 1e-7, "normalised point loses its W");
  EXPECT_FLOAT_EQ(position.Length3(), 1);
  position.SetDirectionXYZ(0, 1, 0);
  position.SetXYZW(1, 2, 3, 4);
  EXPECT_EQ(object.edited, 7);
  EXPECT_EQ(object.notified, 7);

  TGLCoordinates4 other(nullptr, {5, 6, 7, 8}, ctUnknown);
  position.Assign(&other);
  position.StoreRaw({1, 1, 1, 1});
  position.Initialize({0, 0, 0, 1});
  EXPECT_EQ(object.edited, 7) << "no notification from Assign, StoreRaw or Initialize";
  EXPECT_EQ(position.Style(), ctPoint) << "Assign leaves the style";
  position.Assign(&other);
  EXPECT_TRUE(position.SameAs({5, 6, 7, 8}));
  EXPECT_FALSE(position.SameAs({5, 6, 7, -8}));
}

TEST(Coordinates, StoredAsSixteenBytesUnlessStillAtTheirDefaultAndMadeByName) {
  TGLCoordinates3 scale(nullptr, {1, 1, 1, 0}, ctVector);
  const TStoredProperties stored = StoreDefinedProperties(scale);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].name, "Coordinates");
  EXPECT_EQ(stored[0].data, std::string("\x00\x00\x80\x3F\x00\x00\x80\x3F\x00\x00\x80\x3F\x00\x00\x00\x00", 16));

  UseDefaultCoordinates = true;
  TGLCoordinates3 up(nullptr, {0, 1, 0, 0}, ctVector);
  UseDefaultCoordinates = false;
  EXPECT_TRUE(StoreDefinedProperties(up).empty());
  LoadDefinedProperties(up, stored);
  ExpectNear(up.Value(), {1, 1, 1, 0}, 0, "read back");
  EXPECT_EQ(StoreDefinedProperties(up).size(), 1u) << "no longer its default";

  TPlaced owner(nullptr);
  for (const char* name : {"TGLCoordinates2", "TGLCoordinates3", "TGLCoordinates4"}) {
    std::unique_ptr<TPersistent> made = StreamingClasses().Create(name, &owner);
    EXPECT_EQ(made->ClassName(), name);
    EXPECT_EQ(made->GetOwner(), &owner);
  }
}
