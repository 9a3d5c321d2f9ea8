// Scene objects without a driver: the tree, placement and matrices, change notification, boxes, ray
// tests, silhouettes, and the order and culling of rendering (objects that only note when they draw).
#include "scene3d/scene_object.h"

#include <gtest/gtest.h>

#include <cmath>

#include "expect_vectors.h"
#include "scene3d/camera.h"
#include "scene3d/gl_state.h"
#include "scene3d/gl_transformation.h"
#include "scene3d/matrices.h"
#include "scene3d/planes.h"
#include "scene3d/stage.h"
#include "scene3d/stage_buffer.h"

using namespace scene3d;

namespace {

// Draws nothing but notes its drawing; direct draw, so no display list is needed.
class Probe : public TGLBaseSceneObject {
 public:
  Probe(TComponent* owner, std::vector<std::string>* log, const std::string& name, bool blended = false)
      : TGLBaseSceneObject(owner), log_(log), blended_(blended) {
    SetName(name);
    SetObjectStyle(osDirectDraw);
  }
  std::string ClassName() const override { return "Probe"; }
  bool IsBlended() const override { return blended_; }
  void BuildList(RenderContextInfo&) override {
    if (log_) log_->push_back(Name());
  }

 private:
  std::vector<std::string>* log_;
  bool blended_;
};

// A render context of a camera at (0, 0, 100) with an orthographic view of ±10 units, no OpenGL.
struct Traversal {
  Traversal() {
    pipeline.SetLoadMatrices(false);
    rci.GLStates = &states;
    rci.PipelineTransformation = &pipeline;
    rci.cameraPosition = {0, 0, 100, 1};
    rci.objectsSorting = osNone;
    rci.visibilityCulling = vcNone;
    rci.rcci.frustum = FrustumFromMatrix(MatrixOrtho(-10, 10, -10, 10, -1000, 1000));
  }
  TGLStateCache states;
  TGLPipelineTransformation pipeline{false};
  RenderContextInfo rci;
};

void ExpectOrthonormal(TGLBaseSceneObject& o) {
  const TVector4f d = o.Direction().Value(), u = o.Up().Value();
  EXPECT_NEAR(AffineLength(d), 1, 1e-6);
  EXPECT_NEAR(AffineLength(u), 1, 1e-6);
  EXPECT_NEAR(AffineDot(d, u), 0, 1e-6);
  EXPECT_FALSE(std::isnan(d.x) || std::isnan(u.x));
}

}  // namespace

TEST(SceneObject, TreeKeepsEachObjectInOnePlace) {
  TGLStage scene(nullptr);
  TGLBaseSceneObject* root = scene.Objects();
  auto* a = root->CreateChild<TGLBaseSceneObject>();
  auto* b = root->CreateChild<TGLBaseSceneObject>();
  auto* c = a->CreateChild<TGLBaseSceneObject>();
  EXPECT_EQ(c->Scene(), &scene) << "a child takes its parent's scene";
  EXPECT_EQ(c->Owner(), &scene) << "CreateChild: owned by the parent's owner";

  b->AddChild(c);
  EXPECT_EQ(a->Count(), 0) << "adding takes the object from its former parent";
  EXPECT_EQ(c->Parent(), b);
  EXPECT_THROW(c->AddChild(b), platform::Exception) << "an object cannot go under its own descendant";
  EXPECT_THROW(b->AddChild(b), platform::Exception);

  auto* d = b->CreateChild<TGLBaseSceneObject>();
  auto* e = b->CreateChild<TGLBaseSceneObject>();
  e->SetIndex(99);
  EXPECT_EQ(e->Index(), 2) << "past the end: the last place";
  e->SetIndex(-5);
  EXPECT_EQ(e->Index(), 0) << "before the start: the first place";
  EXPECT_EQ(b->Children(1), c);
  EXPECT_EQ(d->Index(), 2);
  b->Insert(1, a);
  EXPECT_EQ(a->Parent(), b);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_THROW(b->Children(9), EListError);

  // Removing with its children kept: they move to the parent in its place.
  auto* f = c->CreateChild<TGLBaseSceneObject>();
  auto* g = c->CreateChild<TGLBaseSceneObject>();
  const int at = c->Index();
  b->Remove(c, true);
  EXPECT_EQ(c->Parent(), nullptr);
  EXPECT_EQ(c->Scene(), nullptr);
  EXPECT_EQ(f->Parent(), b);
  EXPECT_EQ(f->Index(), at);
  EXPECT_EQ(g->Index(), at + 1);
  delete c;

  // Freeing an object frees its children once: they leave their owner and parent.
  const int owned = scene.ComponentCount();
  delete b;
  EXPECT_EQ(scene.ComponentCount(), owned - 6) << "b, a, d, e, f and g";
  EXPECT_EQ(root->Count(), 0);

  auto* made = root->CreateChild("TGLCamera");
  EXPECT_NE(dynamic_cast<TGLCamera*>(made), nullptr) << "made by its registered class name";
  EXPECT_THROW(root->CreateChild("TNoSuchThing"), EClassNotFound);
}

TEST(SceneObject, DirectionAndUpStayARightAngledPair) {
  TGLBaseSceneObject o(nullptr);
  o.Direction().SetDirectionXYZ(0, 1, 0);  // parallel to Up
  ExpectOrthonormal(o);
  ExpectNear(o.Up().Value(), (TVector4f{0, 0, -1, 0}), 1e-6, "through the (0, 0, 1) fall-back");
  o.Up().SetDirectionXYZ(0, 0, 1);
  o.Direction().SetDirectionXYZ(0, 0, 5);  // parallel again; (0,0,1) x Up is null too
  ExpectOrthonormal(o);
  ExpectNear(o.Direction().Value(), (TVector4f{0, 0, 1, 0}), 1e-6, "");
  ExpectNear(o.Up().Value(), (TVector4f{-1, 0, 0, 0}), 1e-6, "through the (1, 0, 0) fall-back");
  o.Direction().SetDirectionXYZ(0, 0, 0);
  ExpectNear(o.Direction().Value(), (TVector4f{0, 0, 1, 0}), 1e-6, "a zero Direction becomes (0, 0, 1)");
  o.Up().SetDirectionXYZ(0, 0, 0);
  ExpectOrthonormal(o);

  TGLBaseSceneObject before(nullptr);
  before.SetDirection(TGLCoordinates3(nullptr, NullVector4, ctVector));
  ExpectNear(before.Direction().Value(), (TVector4f{0, 0, 1, 0}), 0, "the setter ignores a null vector");
}

TEST(SceneObject, AnglesTurnTheFrameAndAreKeptWithinAHalfTurn) {
  TGLBaseSceneObject o(nullptr);
  o.SetTurnAngle(90);
  EXPECT_FLOAT_EQ(o.TurnAngle(), 90);
  ExpectOrthonormal(o);
  EXPECT_NEAR(std::fabs(o.Direction().X()), 1, 1e-6) << "a quarter turn about Up brings Direction onto X";
  ExpectNear(o.Up().Value(), (TVector4f{0, 1, 0, 0}), 1e-6, "");
  o.SetTurnAngle(0);
  ExpectNear(o.Direction().Value(), (TVector4f{0, 0, 1, 0}), 1e-6, "and back");
  o.SetPitchAngle(270);
  EXPECT_FLOAT_EQ(o.PitchAngle(), -90) << "stored within -180..180";
  o.SetRollAngle(-190);
  EXPECT_FLOAT_EQ(o.RollAngle(), 170);
  ExpectOrthonormal(o);

  o.BeginLoading();
  o.SetTurnAngle(45);
  o.EndLoading();
  EXPECT_FLOAT_EQ(o.TurnAngle(), 45) << "while loading only the angle is stored";
}

TEST(SceneObject, MatricesAreBuiltFromPlacementAndParents) {
  TGLStage scene(nullptr);
  auto* parent = scene.Objects()->CreateChild<TGLBaseSceneObject>();
  parent->Position().SetPointXYZ(10, 0, 0);
  parent->SetTurnAngle(90);
  auto* child = parent->CreateChild<TGLBaseSceneObject>();
  child->Position().SetPointXYZ(0, 0, 5);

  const TMatrix4f& local = child->LocalMatrix();
  ExpectNear(local[3], (TVector4f{0, 0, 5, 1}), 0, "");
  ExpectNear(parent->LocalMatrix()[3], parent->AbsoluteMatrix()[3], 0, "under the root: the local matrix");
  const TVector4f p = child->AbsolutePosition();
  const TVector4f expected = VectorTransform4({0, 0, 5, 1}, parent->AbsoluteMatrix());
  ExpectNear(p, expected, 1e-5, "");
  EXPECT_NEAR(std::fabs(p.x - 10), 5, 1e-5) << "the parent's turn carries the child's offset onto X";

  // The inverse is the rigid inverse with a unit scale and the general one otherwise: both invert.
  for (TVector3f scale : {TVector3f{1, 1, 1}, TVector3f{2, 0.5f, 3}}) {
    child->Scale().SetDirectionXYZ(scale.x, scale.y, scale.z);
    child->SetRollAngle(child->RollAngle() + 30);
    const TMatrix4f product = MatrixProduct(child->AbsoluteMatrix(), child->InvAbsoluteMatrix());
    ExpectNear(product, IdentityMatrix, 1e-5, "absolute x inverse");
    ExpectNear(child->AbsoluteToLocal(child->LocalToAbsolute({1, 2, 3, 1})), (TVector4f{1, 2, 3, 1}), 1e-4, "");
  }

  // A moved parent moves the child's absolute matrix.
  parent->TranslatePosition(0, 0, 7);
  EXPECT_NEAR(child->AbsolutePosition().z, expected.z + 7, 1e-5);

  TGLBaseSceneObject copy(nullptr);
  TMatrix4f m = MatrixProduct(MatrixScaling({2, 2, 2}), MatrixTranslation(TVector3f{1, 2, 3}));
  copy.SetLocalMatrix(m);
  ExpectNear(copy.Scale().Value(), (TVector4f{2, 2, 2, 0}), 1e-6, "");
  ExpectNear(copy.Position().Value(), (TVector4f{1, 2, 3, 1}), 1e-6, "");
  ExpectNear(copy.LocalMatrix(), m, 1e-6, "the matrix given");
}

TEST(SceneObject, ChangesReachTheBuffersOfTheScene) {
  TGLStage scene(nullptr);
  TGLStageBuffer buffer(nullptr);
  int changes = 0;
  buffer.OnChange = [&](TObject*) { ++changes; };
  scene.AddBuffer(&buffer);
  auto* o = scene.Objects()->CreateChild<TGLBaseSceneObject>();
  changes = 0;
  o->SetVisible(false);
  EXPECT_EQ(changes, 1);
  o->SetVisible(false);
  EXPECT_EQ(changes, 1) << "an unchanged value tells nobody";

  o->BeginUpdate();
  o->SetVisible(true);
  o->SetShowAxes(true);
  EXPECT_EQ(changes, 1) << "nothing while updating";
  o->EndUpdate();
  EXPECT_EQ(changes, 2) << "once at the end";
  o->EndUpdate();
  EXPECT_EQ(o->UpdateCount(), 0) << "an EndUpdate without BeginUpdate";
  EXPECT_EQ(changes, 2) << "tells nobody";

  scene.BeginUpdate();
  o->Position().SetPointXYZ(1, 2, 3);
  o->SetPickable(false);
  scene.EndUpdate();
  EXPECT_EQ(changes, 3) << "the scene's own update gathers them into one";

  // The structure bit: set once, then only direct-draw objects go on telling.
  auto* child = o->CreateChild<TGLBaseSceneObject>();
  EXPECT_TRUE(child->Changes() & ocStructure) << "set by the constructor";
  changes = 0;
  child->StructureChanged();
  EXPECT_EQ(changes, 0) << "already set: nothing to tell until it is compiled";
  child->SetObjectStyle(osDirectDraw);
  changes = 0;
  child->StructureChanged();
  EXPECT_EQ(changes, 1) << "a direct-draw object is drawn anew at each frame";

  // A transformation marks the descendants' absolute matrices, once.
  child->AbsoluteMatrix();
  o->LocalMatrix();
  EXPECT_FALSE(child->Changes() & ocAbsoluteMatrix);
  o->Position().SetPointXYZ(4, 5, 6);
  EXPECT_TRUE(child->Changes() & ocAbsoluteMatrix);
  EXPECT_TRUE(child->Changes() & ocInvAbsoluteMatrix);
  scene.RemoveBuffer(&buffer);
}

TEST(SceneObject, BoxesRaysAndSilhouettes) {
  TGLStage scene(nullptr);
  auto* o = scene.Objects()->CreateChild<TGLBaseSceneObject>();
  o->Scale().SetDirectionXYZ(2, 4, 4);
  EXPECT_NEAR(o->BoundingRadius(), 3, 1e-6) << "|(1, 2, 2)|";
  auto* child = o->CreateChild<TGLBaseSceneObject>();
  child->Position().SetPointXYZ(3, 0, 0);
  const TAxisBox box = o->AlignedBox(true);
  EXPECT_FLOAT_EQ(box.max.x, 7) << "(3 + 0.5) scaled by 2";
  EXPECT_FLOAT_EQ(box.min.x, -1);
  EXPECT_FLOAT_EQ(box.max.y, 2);
  EXPECT_FLOAT_EQ(o->AlignedBox(false).max.x, 1);
  const TAxisBox hierarchy = AxisBoxFromCorners(o->HierarchyBox());
  EXPECT_FLOAT_EQ(hierarchy.max.x, 3.5f) << "in the object's own coordinates";
  child->Position().SetPointXYZ(5, 0, 0);
  EXPECT_FLOAT_EQ(AxisBoxFromCorners(o->HierarchyBox()).max.x, 5.5f) << "a moved child moves the box";

  o->Position().SetPointXYZ(10, 0, 0);
  EXPECT_TRUE(o->ContainsPoint({10.9f, 1.9f, -1.9f, 1}));
  EXPECT_FALSE(o->ContainsPoint({11.1f, 0, 0, 1}));

  TVector4f hit, normal;
  ASSERT_TRUE(o->RayIntersect({0, 0, 0, 1}, {2, 0, 0, 0}, &hit, &normal));
  ExpectNear(hit, (TVector4f{7, 0, 0, 1}), 1e-5, "the bounding sphere of radius 3");
  ExpectNear(normal, (TVector4f{-1, 0, 0, 0}), 1e-6, "");
  EXPECT_FALSE(o->RayIntersect({0, 0, 0, 1}, {0, 1, 0, 0}, &hit, &normal));
  EXPECT_EQ(scene.RayIntersect({0, 0, 0, 1}, {1, 0, 0, 0}, &hit), o) << "the scene finds the nearest";

  TGLBaseSceneObject unit(nullptr);
  struct Case {
    TVector3f viewpoint;
    uint8_t style;
    bool caps;
  };
  for (const Case& c : {Case{{0, 0, 10}, 0, false}, Case{{0, 0, 0.1f}, 0, true}, Case{{10, 0, 0}, 1, false}}) {
    std::unique_ptr<TGLSilhouette> s = unit.BuildSilhouette({c.viewpoint, {}, c.style, c.caps});
    ASSERT_EQ(s->Vertices.Count(), c.caps ? 22 : 21);
    EXPECT_EQ(s->OutlineEdges.Count(), 42);
    EXPECT_EQ(s->CapTriangles.Count(), c.caps ? 63 : 0);
    const double r = AffineLength(unit.HalfExtents());
    for (int i = 0; i < 21; ++i) {
      const TVector4f v = s->Vertices[i];
      EXPECT_FALSE(std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z)) << "vertex " << i;
      EXPECT_NEAR(AffineDot(v, DirectionFromAffine(c.viewpoint)), 0, 1e-4) << "across the line of sight";
      if (c.style != 0 || c.viewpoint.z < 1) {
        EXPECT_NEAR(AffineLength(v), 0.98 * r, 1e-5) << "the sphere's radius";
      }
    }
  }
}

TEST(SceneObject, ChildrenDrawInTheOrderTheSortingModeGives) {
  TGLStage scene(nullptr);
  std::vector<std::string> drawn;
  TGLBaseSceneObject* root = scene.Objects();
  // In list order: middle, near, far, with "far" and "near" blended.
  auto* middle = new Probe(&scene, &drawn, "middle");
  auto* nearest = new Probe(&scene, &drawn, "near", true);
  auto* farthest = new Probe(&scene, &drawn, "far", true);
  root->AddChild(middle);
  root->AddChild(nearest);
  root->AddChild(farthest);
  middle->Position().SetPointXYZ(0, 0, 0);
  nearest->Position().SetPointXYZ(0, 0, 50);
  farthest->Position().SetPointXYZ(0, 0, -50);

  struct Case {
    TGLObjectsSorting sorting;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {osNone, {"middle", "near", "far"}},
      {osRenderFarthestFirst, {"far", "middle", "near"}},
      {osRenderNearestFirst, {"near", "middle", "far"}},
      {osRenderBlendedLast, {"middle", "far", "near"}},
  };
  for (const Case& c : cases) {
    Traversal t;
    t.rci.objectsSorting = c.sorting;
    drawn.clear();
    root->RenderObject(t.rci);
    EXPECT_EQ(drawn, c.order) << "sorting " << int(c.sorting);
  }
  // The object's own mode wins over the context's, for its children only.
  Traversal t;
  root->SetObjectsSorting(osRenderNearestFirst);
  drawn.clear();
  root->RenderObject(t.rci);
  EXPECT_EQ(drawn, (std::vector<std::string>{"near", "middle", "far"}));
  EXPECT_EQ(t.rci.objectsSorting, osNone) << "put back afterwards";

  // One child is drawn as it is; invisible ones not at all.
  nearest->SetVisible(false);
  farthest->SetVisible(false);
  drawn.clear();
  root->RenderObject(t.rci);
  EXPECT_EQ(drawn, (std::vector<std::string>{"middle"}));
  delete nearest;
  delete farthest;
  root->SetObjectsSorting(osRenderBlendedLast);
  drawn.clear();
  root->RenderObject(t.rci);
  EXPECT_EQ(drawn, (std::vector<std::string>{"middle"}));
}

TEST(SceneObject, CullingSkipsObjectsOutsideTheView) {
  TGLStage scene(nullptr);
  std::vector<std::string> drawn;
  auto* inside = new Probe(&scene, &drawn, "inside");
  auto* outside = new Probe(&scene, &drawn, "outside");
  auto* child = new Probe(&scene, &drawn, "child of outside");
  scene.Objects()->AddChild(inside);
  scene.Objects()->AddChild(outside);
  outside->AddChild(child);
  outside->Position().SetPointXYZ(50, 0, 0);
  child->Position().SetPointXYZ(-50, 0, 0);  // back in view

  struct Case {
    TGLVisibilityCulling culling;
    std::vector<std::string> drawn;
  };
  const Case cases[] = {
      {vcNone, {"inside", "outside", "child of outside"}},
      {vcObjectBased, {"inside", "child of outside"}},
      {vcHierarchical, {"inside", "outside", "child of outside"}},
  };
  for (const Case& c : cases) {
    Traversal t;
    t.rci.visibilityCulling = c.culling;
    drawn.clear();
    scene.Objects()->RenderObject(t.rci);
    EXPECT_EQ(drawn, c.drawn) << "culling " << int(c.culling);
  }
  child->Position().SetPointXYZ(5, 0, 0);  // the whole branch out of view
  Traversal t;
  t.rci.visibilityCulling = vcHierarchical;
  drawn.clear();
  scene.Objects()->RenderObject(t.rci);
  EXPECT_EQ(drawn, (std::vector<std::string>{"inside"}));
  outside->SetObjectStyle(osDirectDraw | osNoVisibilityCulling);
  t.rci.visibilityCulling = vcObjectBased;
  drawn.clear();
  scene.Objects()->RenderObject(t.rci);
  EXPECT_EQ(drawn, (std::vector<std::string>{"inside", "outside"})) << "an object that asks never to be culled";

  t.rci.visibilityCulling = vcNone;
  t.rci.drawState = dsPicking;
  outside->SetPickable(false);
  drawn.clear();
  scene.Objects()->RenderObject(t.rci);
  EXPECT_EQ(drawn, (std::vector<std::string>{"inside"})) << "picking skips an unpickable branch";
}

TEST(SceneObject, AssignCopiesPlacementChildrenAndTags) {
  TGLStage scene(nullptr);
  auto* source = scene.Objects()->CreateChild<TGLBaseSceneObject>();
  source->Position().SetPointXYZ(1, 2, 3);
  source->SetTurnAngle(30);
  source->SetShowAxes(true);
  source->Tag = 7;
  source->TagFloat = 0.5f;
  auto* camera = source->CreateChild<TGLCamera>();
  camera->SetFocalLength(12);
  source->CreateChild<TGLBaseSceneObject>();

  auto* copy = scene.Objects()->CreateChild<TGLBaseSceneObject>();
  copy->CreateChild<TGLBaseSceneObject>()->CreateChild<TGLBaseSceneObject>();
  copy->Assign(source);
  ExpectNear(copy->Position().Value(), source->Position().Value(), 1e-6, "");
  EXPECT_FLOAT_EQ(copy->TurnAngle(), 30);
  EXPECT_TRUE(copy->ShowAxes());
  EXPECT_EQ(copy->Tag, 7);
  EXPECT_EQ(copy->TagFloat, 0.5f);
  ASSERT_EQ(copy->Count(), 2) << "the former children are freed";
  auto* copiedCamera = dynamic_cast<TGLCamera*>(copy->Children(0));
  ASSERT_NE(copiedCamera, nullptr) << "each child is made of its own class";
  EXPECT_FLOAT_EQ(copiedCamera->FocalLength(), 12);
  EXPECT_EQ(copy->Children(1)->ClassName(), "TGLBaseSceneObject");
  EXPECT_THROW(source->Assign(camera), platform::Exception) << "not from its own descendant";
}
