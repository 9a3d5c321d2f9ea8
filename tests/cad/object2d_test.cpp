#include "cad/object2d.h"

#include "cad/primitives2d.h"
#include "entity_test_support.h"

namespace cad {
namespace {

class Object2DTest : public EntitiesTest {};

bool SameTransform(const TTransform2D& a, const TTransform2D& b) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (std::abs(a.M[i][j] - b.M[i][j]) > 1e-12) return false;
  return true;
}

TEST_F(Object2DTest, TransformsComposeBakeAndReset) {
  TLine2D line(1, Point2D(0, 0), Point2D(10, 0));
  int changes = 0;
  line.OnChange = [&](TGraphicObject&) { ++changes; };

  line.SetTransform(Translate2D(5, 5));
  EXPECT_TRUE(line.HasTransform());
  EXPECT_EQ(line.Extents(), Rect2D(5, 5, 15, 5)) << "the extents follow the current transform";
  line.SetTransform(IdentityTransform2D);
  EXPECT_FALSE(line.HasTransform()) << "an exact identity drops the current transform";
  EXPECT_EQ(changes, 2);

  // Transform composes onto the current transform: T1 then T2.
  const TTransform2D t1 = Rotate2D(0.5), t2 = Translate2D(3, -1);
  line.SetModelTransform(Scale2D(2, 2));
  line.Transform(t1);
  line.Transform(t2);
  EXPECT_TRUE(SameTransform(line.GetModelTransform(),
                            MultiplyTransform2D(Scale2D(2, 2), MultiplyTransform2D(t1, t2))));
  // ApplyTransform makes model x T1 x T2 the model transform; a later SetTransform replaces only
  // the new current transform.
  line.ApplyTransform();
  EXPECT_TRUE(line.HasTransform());
  line.SetTransform(Translate2D(1, 1));
  EXPECT_TRUE(SameTransform(line.GetModelTransform(),
                            MultiplyTransform2D(MultiplyTransform2D(Scale2D(2, 2), MultiplyTransform2D(t1, t2)),
                                                Translate2D(1, 1))));
  const TPoint2D p = Point2D(4, 7);
  const TPoint2D back = line.ToObjectPoint(TransformPoint2D(p, line.GetModelTransform()));
  EXPECT_NEAR(back.X, 4, 1e-12);
  EXPECT_NEAR(back.Y, 7, 1e-12);

  // Saving bakes the current transform into the model transform: the object is changed.
  const TTransform2D total = line.GetModelTransform();
  platform::ByteWriter w;
  line.SaveToStream(w);
  line.SetTransform(IdentityTransform2D);
  EXPECT_TRUE(SameTransform(line.GetModelTransform(), total));

  line.ResetTransform();
  EXPECT_FALSE(line.HasTransform());
  EXPECT_EQ(line.Extents(), Rect2D(0, 0, 10, 0));
}

TEST_F(Object2DTest, VisibilityAgainstTheWindow) {
  TLine2D line(1, Point2D(0, 0), Point2D(10, 10));
  EXPECT_TRUE(line.IsVisible(Rect2D(5, 5, 20, 20), 0));
  EXPECT_TRUE(line.IsVisible(Rect2D(10, 10, 20, 20), 0)) << "touching counts";
  EXPECT_FALSE(line.IsVisible(Rect2D(11, 0, 20, 20), 0));
  EXPECT_FALSE(line.IsVisible(Rect2D(0, -5, 10, -1), 0));
  line.Visible = false;
  EXPECT_FALSE(line.IsVisible(Rect2D(5, 5, 20, 20), 0));
}

TEST_F(Object2DTest, PickProtocolOfTheBase) {
  TLine2D line(1, Point2D(0, 0), Point2D(10, 10));
  double d = 0;
  EXPECT_EQ(line.PickTest(Point2D(10.2, 9.9), 0.5, d), 1) << "the control point beats the box";
  EXPECT_NEAR(d, std::hypot(0.2, 0.1), 1e-12);
  EXPECT_EQ(line.PickTest(Point2D(5, 5), 0.5, d), PICK_ONOBJECT);
  EXPECT_EQ(line.PickTest(Point2D(8, 2), 0.5, d), PICK_INBBOX) << "inside the box, away from the line";
  EXPECT_EQ(d, 0.5);
  EXPECT_EQ(line.PickTest(Point2D(10.4, -0.4), 0.5, d), PICK_INBBOX) << "the box is grown by the aperture";
  EXPECT_EQ(line.PickTest(Point2D(11, 5), 0.5, d), PICK_NOOBJECT);
  EXPECT_EQ(d, kNoDistance);
  line.Enabled = false;
  EXPECT_EQ(line.PickTest(Point2D(5, 5), 0.5, d), PICK_NOOBJECT) << "a disabled object is never picked";
  EXPECT_EQ(line.PickTest(Point2D(0, 0), 0.5, d), PICK_NOOBJECT);
}

// A handler made for one object, counting its own destruction.
class CountingHandler : public TObject2DHandler {
 public:
  CountingHandler(TObject2D* object, int& freed) : TObject2DHandler(object), freed_(freed) {}
  ~CountingHandler() override { ++freed_; }
  int PickTest(TObject2D&, const TPoint2D&, double& distance, double) override {
    distance = 0.25;
    return 7;
  }

 private:
  int& freed_;
};

TEST_F(Object2DTest, HandlersAreSharedByReferenceCount) {
  TPrimitive2DHandler* shared = KQSysPrimitiveHandler();
  ASSERT_NE(shared, nullptr);
  const int base = shared->RefCount();
  {
    TLine2D a(1, Point2D(0, 0), Point2D(1, 1));
    TPunto2D b(2, Point2D(3, 3));
    EXPECT_EQ(a.Handler(), shared);
    EXPECT_EQ(shared->RefCount(), base + 2);
    a.SetHandler(shared);
    EXPECT_EQ(shared->RefCount(), base + 2) << "setting the same handler keeps the count";

    int freed = 0;
    auto* own = new CountingHandler(&a, freed);
    a.SetHandler(own);
    own->Release();  // the creator's reference: now only the line holds it
    EXPECT_EQ(shared->RefCount(), base + 1);
    double d;
    EXPECT_EQ(a.PickTest(Point2D(0.5, 0.9), 0.1, d), 7) << "the handler's code beats the box";
    EXPECT_EQ(d, 0.25);
    b.Assign(a);
    EXPECT_EQ(own->RefCount(), 2) << "an assigned object takes the source's handler";
    EXPECT_EQ(shared->RefCount(), base);
    b.SetHandler(nullptr);
    a.SetHandler(nullptr);
    EXPECT_EQ(freed, 1) << "the last reference frees the handler";
  }
  EXPECT_EQ(shared->RefCount(), base);
  // Ending the library lets go of its reference; objects still holding the handler keep it alive.
  TLine2D survivor(3, Point2D(0, 0), Point2D(1, 0));
  KQSysEndEntities();
  EXPECT_EQ(KQSysPrimitiveHandler(), nullptr);
  EXPECT_EQ(survivor.Handler()->RefCount(), 1);
  double d;
  EXPECT_EQ(survivor.PickTest(Point2D(1, 0), 0.1, d), 1);
}

}  // namespace
}  // namespace cad
