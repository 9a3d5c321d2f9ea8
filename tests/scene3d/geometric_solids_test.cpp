// The solids that stored scenes may hold besides the program's own: each is made by its class name,
// draws balanced primitives and matrices, and answers ray tests on its surface; the frustum and the
// plane keep their stored and clamped values.
#include "scene3d/geometric_solids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "expect_vectors.h"
#include "recording_render.h"
#include "scene3d/filer.h"
#include "scene3d/pipe.h"
#include "scene3d/plane.h"
#include "scene3d/points.h"
#include "scene3d/scene_classes.h"
#include "scene3d/sprite.h"
#include "scene3d/stage.h"
#include "scene3d/stored_object.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Primitive;
using testing_support::RecordingRender;
using testing_support::Rgb;
using testing_support::SceneFixture;

TEST(GeometricSolids, EveryRegisteredSolidDrawsBalancedGeometry) {
  RegisterSceneClasses();
  TGLStage scene(nullptr);
  const char* names[] = {"TGLSphere", "TGLCube",    "TGLPlane", "TGLSprite",  "TGLPoints",    "TGLDummyCube",
                         "TGLLines",  "TGLCylinder", "TGLCone",  "TGLTorus",   "TGLDisk",      "TGLArrowLine",
                         "TGLAnnulus", "TGLFrustrum", "TGLPolygon", "TGLCapsule", "TGLRevolutionSolid", "TGLPipe",
                         "TGLExtrusionSolid"};
  for (const char* name : names) {
    TGLBaseSceneObject* object = scene.Objects()->CreateChild(name);
    ASSERT_EQ(object->ClassName(), name);
    RecordingRender r;
    object->BuildList(r.rci);
    EXPECT_EQ(r.Count("Begin"), r.Count("End")) << name;
    EXPECT_EQ(r.Count("PushMatrix"), r.Count("PopMatrix")) << name;
    EXPECT_EQ(r.Count("PushAttrib"), r.Count("PopAttrib")) << name;
    // A copy made through the register draws the same.
    TGLBaseSceneObject* copy = scene.Objects()->CreateChild(name);
    copy->Assign(object);
    RecordingRender again;
    copy->BuildList(again.rci);
    EXPECT_EQ(again.gl.Trace(), r.gl.Trace()) << name;
  }
}

TEST(GeometricSolids, RayTestsMeetTheSurface) {
  TVector4f hit, normal;
  TGLTorus torus(nullptr);
  torus.SetMajorRadius(2);
  torus.SetMinorRadius(0.5f);
  ASSERT_TRUE(torus.RayIntersect({10, 0, 0, 1}, {-1, 0, 0, 0}, &hit, &normal));
  ExpectNear(hit, {2.5f, 0, 0, 1}, 1e-4, "torus outer wall");
  ExpectNear(normal, {1, 0, 0, 0}, 1e-4, "torus normal");
  EXPECT_FALSE(torus.RayIntersect({0, 0, 10, 1}, {0, 0, -1, 0}, &hit, &normal)) << "through the hole";
  ASSERT_TRUE(torus.RayIntersect({2, 0, 10, 1}, {0, 0, -1, 0}, &hit, &normal));
  ExpectNear(hit, {2, 0, 0.5f, 1}, 1e-4, "torus top");

  TGLDisk disk(nullptr);
  disk.SetInnerRadius(1);
  disk.SetOuterRadius(2);
  disk.SetSweepAngle(90);  // from +Y to +X
  EXPECT_TRUE(disk.RayIntersect({1, 1, 5, 1}, {0, 0, -1, 0}, &hit, &normal));
  ExpectNear(normal, {0, 0, 1, 0}, 1e-6, "disk faces the ray");
  EXPECT_FALSE(disk.RayIntersect({-1, 1, 5, 1}, {0, 0, -1, 0}, &hit, &normal)) << "outside the sector";
  EXPECT_FALSE(disk.RayIntersect({0.5f, 0.5f, 5, 1}, {0, 0, -1, 0}, &hit, &normal)) << "in the hole";

  TGLCone cone(nullptr);
  cone.SetBottomRadius(1);
  cone.SetHeight(2);
  ASSERT_TRUE(cone.RayIntersect({0.5f, -10, 0, 1}, {0, 1, 0, 0}, &hit, &normal));
  ExpectNear(hit, {0.5f, -1, 0, 1}, 1e-5, "cone base");
  ExpectNear(cone.HalfExtents(), {1, 1, 1, 0}, 0, "cone box");

  TGLPlane plane(nullptr);
  plane.SetWidth(4);
  ASSERT_TRUE(plane.RayIntersect({1.5f, 0.2f, -3, 1}, {0, 0, 1, 0}, &hit, &normal));
  ExpectNear(normal, {0, 0, -1, 0}, 1e-6, "plane hit from behind");
  EXPECT_FALSE(plane.RayIntersect({2.5f, 0, -3, 1}, {0, 0, 1, 0}, &hit, &normal));
}

TEST(GeometricSolids, StoredAndClampedValues) {
  TGLFrustrum frustum(nullptr);
  frustum.SetBaseWidth(3);
  const TStoredProperties stored = StoreDefinedProperties(frustum);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].name, "FrustrumSize");
  TGLFrustrum loaded(nullptr);
  LoadDefinedProperties(loaded, stored);
  EXPECT_EQ(loaded.BaseWidth(), 3);
  EXPECT_EQ(loaded.Height(), 0.5f);
  EXPECT_THROW(LoadDefinedProperties(loaded, {{"FrustrumSize", std::string(15, '\0')}}), platform::ReadError);
  // At the apex there is no top face.
  RecordingRender r;
  frustum.SetHeight(1);
  frustum.BuildList(r.rci);
  EXPECT_EQ(r.Primitives()[0].vertices.size(), 20u);

  TGLPlane plane(nullptr);
  plane.SetXScope(3);
  EXPECT_EQ(plane.XScope(), 1);
  plane.SetYTiles(0);
  EXPECT_EQ(plane.YTiles(), 1);
  TGLSprite sprite(nullptr);
  sprite.SetAlphaChannel(-1);
  EXPECT_EQ(sprite.AlphaChannel(), 0);
  EXPECT_EQ(sprite.Material().FrontProperties().Diffuse().Alpha(), 0);
  TGLTorus torus(nullptr);
  torus.SetRings(1);
  EXPECT_EQ(torus.Rings(), 3);

  TGLPoints points(nullptr);
  points.Positions().Add(TVector3f{1, 2, 3});
  points.Colors().Add(TVector4f{1, 0, 0, 1});
  points.Colors().Add(TVector4f{0, 1, 0, 1});
  points.Colors().Add(TVector4f{0, 0, 1, 1});
  RecordingRender p;
  points.BuildList(p.rci);
  EXPECT_EQ(p.gl.Trace().back(), "DisableClientState(32884)");
  EXPECT_EQ(p.Count("DrawArrays"), 1);
  for (const auto& call : p.gl.calls) {
    if (call.name == "DrawArrays") {
      EXPECT_EQ(call.args[2], 2) << "as many points as both lists hold";
    }
  }
  EXPECT_EQ(p.Count("PointParameterf"), 0) << "no point parameters unless enabled";

  // Enabled, the parameters stand around the drawing and the defaults come back after it.
  points.PointParameters = {true, 2, 64, 3, {0.5f, 0.25f, 0.125f}};
  RecordingRender q;
  points.BuildList(q.rci);
  std::vector<std::string> parameters;
  for (const std::string& call : q.gl.Trace())
    if (call.rfind("PointParameter", 0) == 0 || call.rfind("DrawArrays", 0) == 0) parameters.push_back(call);
  EXPECT_EQ(parameters, (std::vector<std::string>{
                            "PointParameterf(33062,2)", "PointParameterf(33063,64)", "PointParameterf(33064,3)",
                            "PointParameterfv(33065,0.500000,0.250000,0.125000)", "DrawArrays(0,0,2)",
                            "PointParameterf(33062,0)", "PointParameterf(33063,128)", "PointParameterf(33064,1)",
                            "PointParameterfv(33065,1,0,0)"}));
}

// Distance attenuation on Mesa: an attenuation of 1/16 makes a point of size 2 eight pixels wide.
TEST(GeometricSolids, PointsAttenuateWithDistanceOnMesa) {
  SKIP_WITHOUT_EGL();
  for (bool enabled : {false, true}) {
    SceneFixture f;
    f.viewer.Buffer().SetLighting(false);
    auto* points = f.scene.Objects()->CreateChild<TGLPoints>();
    points->SetSize(2);
    points->PointParameters = {enabled, 0, 128, 1, {1.0f / 16, 0, 0}};
    f.Render();
    EXPECT_EQ(f.At(100, 100), (Rgb{255, 255, 255}));
    EXPECT_EQ(f.At(103, 100) == (Rgb{255, 255, 255}), enabled) << (enabled ? "attenuated" : "plain");
  }
}

TEST(GeometricSolids, PipesFollowTheirPathWithoutTwisting) {
  TGLPipe pipe(nullptr);
  pipe.SetRadius(0.5f);
  pipe.SetSlices(8);
  pipe.SetParts(ppOutside | ppStartDisk | ppStopDisk);
  pipe.AddNode(0, 0, 0);
  pipe.AddNode(0, 0, 4)->SetRadiusFactor(2);
  pipe.AddNode(4, 0, 4)->SetRadiusFactor(2);
  ExpectNear(pipe.HalfExtents(), {5, 1, 5, 0}, 0, "nodes grown by the widest ring");
  RecordingRender r;
  pipe.BuildList(r.rci);
  const std::vector<Primitive> drawn = r.Primitives();
  ASSERT_EQ(drawn.size(), 4u) << "two strips and two end discs";
  for (size_t s = 0; s < 2; ++s) {
    ASSERT_EQ(drawn[s].vertices.size(), 18u);
    for (size_t v = 0; v < 18; ++v) {
      // Every vertex lies its ring's radius from the path, and its normal points away from it.
      const TVector3f& p = drawn[s].vertices[v];
      const TVector3f& n = drawn[s].normals[v];
      const bool first = (v % 2 == 1) == true;
      const TVector3f centre = s == 0 ? (first ? TVector3f{0, 0, 0} : TVector3f{0, 0, 4})
                                      : (first ? TVector3f{0, 0, 4} : TVector3f{4, 0, 4});
      const double radius = (s == 0 && first) ? 0.5 : 1.0;
      EXPECT_NEAR(AffineDistance(p, centre), radius, 1e-5) << s << "/" << v;
      EXPECT_GT(AffineDot(AffineDifference(p, centre), n), 0) << s << "/" << v;
    }
  }
  EXPECT_EQ(drawn[2].mode, GLenum(GL_TRIANGLE_FAN));
  ExpectNear(drawn[2].normals[0], {0, 0, -1}, 1e-6, "start disc faces back along the path");
  ExpectNear(drawn[3].normals[0], {1, 0, 0}, 1e-6, "stop disc faces on along the path");
}

// The point parameters are one stored value, "PointParams", left out at the defaults; streams that
// held them as five values of their own still load.
TEST(GeometricSolids, PointParametersAreStoredAsOneValue) {
  auto names = [](const TStoredProperties& stored) {
    std::vector<std::string> all;
    for (const TStoredProperty& property : stored) all.push_back(property.name);
    return all;
  };
  auto has = [&](const TStoredProperties& stored, const std::string& prefix) {
    for (const std::string& name : names(stored))
      if (name.rfind(prefix, 0) == 0) return true;
    return false;
  };
  auto expectParameters = [](const TGLPointParameters& p, const TGLPointParameters& q, const std::string& what) {
    EXPECT_EQ(p.Enabled, q.Enabled) << what;
    EXPECT_EQ(p.MinSize, q.MinSize) << what;
    EXPECT_EQ(p.MaxSize, q.MaxSize) << what;
    EXPECT_EQ(p.FadeTresholdSize, q.FadeTresholdSize) << what;
    ExpectNear(p.DistanceAttenuation, q.DistanceAttenuation, 0, what);
  };
  TGLPoints plain(nullptr);
  EXPECT_FALSE(has(StoreObject(plain), "PointParam")) << "the defaults store nothing";

  const TGLPointParameters set[] = {{true, 2, 64, 3, {0.5f, 0.25f, 0.125f}},
                                    {false, 0, 128, 1, {1, 0, 1.0f / 3}},
                                    {true, 0, 128, 1, {1, 0, 0}}};
  for (const TGLPointParameters& p : set) {
    TGLPoints points(nullptr);
    points.PointParameters = p;
    const TStoredProperties stored = StoreObject(points);
    EXPECT_TRUE(has(stored, "PointParams")) << "enabled " << p.Enabled;
    EXPECT_FALSE(has(stored, "PointParameters")) << "not as five values";
    TGLPoints loaded(nullptr);
    LoadObject(loaded, stored);
    expectParameters(loaded.PointParameters, p, "round trip");
  }

  // The older form: five values, each in the archive form, the attenuation as four singles.
  auto value = [](const std::function<void(TVirtualWriter&)>& write) {
    platform::MemoryStream stream;
    TBinaryWriter writer(stream);
    write(writer);
    return stream.DataString();
  };
  std::string attenuation;
  for (float f : {0.5f, 0.25f, 0.125f, 0.0f}) attenuation.append(reinterpret_cast<const char*>(&f), 4);
  const TStoredProperties older = {
      {"PointParameters.Enabled", value([](TVirtualWriter& w) { w.WriteBoolean(true); })},
      {"PointParameters.MinSize", value([](TVirtualWriter& w) { w.WriteFloat(2); })},
      {"PointParameters.MaxSize", value([](TVirtualWriter& w) { w.WriteFloat(64); })},
      {"PointParameters.FadeTresholdSize", value([](TVirtualWriter& w) { w.WriteFloat(3); })},
      {"PointParameters.DistanceAttenuation", attenuation}};
  TGLPoints fromOlder(nullptr);
  LoadObject(fromOlder, older);
  expectParameters(fromOlder.PointParameters, set[0], "older form");
  EXPECT_TRUE(has(StoreObject(fromOlder), "PointParams")) << "saved again in the one value";
  EXPECT_FALSE(has(StoreObject(fromOlder), "PointParameters"));

  // Hostile values: another version, cut short, bytes left over. The parameters stay as they were.
  TGLPoints stored(nullptr);
  stored.PointParameters = set[0];
  const std::string good = StoreObject(stored).back().data;
  ASSERT_EQ(StoreObject(stored).back().name, "PointParams");
  std::string otherVersion = good;
  otherVersion[1] = 1;  // the version's one byte after its tag
  const std::string bad[] = {otherVersion, good.substr(0, good.size() - 1), good.substr(0, 3), good + '\x08', ""};
  for (const std::string& data : bad) {
    TGLPoints target(nullptr);
    target.PointParameters = set[1];
    EXPECT_THROW(LoadObject(target, {{"PointParams", data}}), platform::FormatError) << data.size() << " bytes";
    expectParameters(target.PointParameters, set[1], "unchanged after a refused value");
  }
  std::string message;
  try {
    TGLPoints target(nullptr);
    LoadObject(target, {{"PointParams", otherVersion}});
  } catch (const platform::FormatError& e) {
    message = e.what();
  }
  EXPECT_EQ(message, "TGLPointParameters : unknown archive version 1");
}
