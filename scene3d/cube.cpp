#include "scene3d/cube.h"

#include <array>
#include <cmath>

#include "platform/binary_stream.h"
#include "scene3d/filer.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/planes.h"
#include "scene3d/silhouette.h"
#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

namespace {

// One face: its part, its normal for n = 1 and its four corners with their texture coordinates.
// A corner is (sx·hw, sy·hh, sz·hd) where a factor marked 'n' is multiplied by n.
struct Corner {
  float s, t;
  float x, y, z;
  bool nx, ny, nz;
};
struct Face {
  TCubeParts part;
  float normal[3];
  Corner corners[4];
};

}  // namespace

// As the face table of the stored scenes has it: with ndInside (n = -1) the second and fourth
// corner come out exchanged, so the winding reverses while the texture coordinates stay in order.
static const Face kFaces[] = {
    {cpFront, {0, 0, 1}, {{1, 1, 1, 1, 1, 0, 0, 0}, {0, 1, -1, 1, 1, 1, 1, 0}, {0, 0, -1, -1, 1, 0, 0, 0}, {1, 0, 1, -1, 1, 1, 1, 0}}},
    {cpBack, {0, 0, -1}, {{0, 1, 1, 1, -1, 0, 0, 0}, {0, 0, 1, -1, -1, 1, 1, 0}, {1, 0, -1, -1, -1, 0, 0, 0}, {1, 1, -1, 1, -1, 1, 1, 0}}},
    {cpLeft, {-1, 0, 0}, {{1, 1, -1, 1, 1, 0, 0, 0}, {0, 1, -1, 1, -1, 0, 1, 1}, {0, 0, -1, -1, -1, 0, 0, 0}, {1, 0, -1, -1, 1, 0, 1, 1}}},
    {cpRight, {1, 0, 0}, {{0, 1, 1, 1, 1, 0, 0, 0}, {0, 0, 1, -1, 1, 0, 1, 1}, {1, 0, 1, -1, -1, 0, 0, 0}, {1, 1, 1, 1, -1, 0, 1, 1}}},
    {cpTop, {0, 1, 0}, {{0, 1, -1, 1, -1, 0, 0, 0}, {0, 0, -1, 1, 1, 1, 0, 1}, {1, 0, 1, 1, 1, 0, 0, 0}, {1, 1, 1, 1, -1, 1, 0, 1}}},
    {cpBottom, {0, -1, 0}, {{0, 0, -1, -1, -1, 0, 0, 0}, {1, 0, 1, -1, -1, 1, 0, 1}, {1, 1, 1, -1, 1, 0, 0, 0}, {0, 1, -1, -1, 1, 1, 0, 1}}},
};

TGLCube::TGLCube(TComponent* owner) : TGLStageObject(owner) { SetObjectStyle(uint8_t(ObjectStyle() | osDirectDraw)); }

void TGLCube::SetCubeWidth(float value) {
  if (StoreChanged(width_, value)) StructureChanged();
}

void TGLCube::SetCubeHeight(float value) {
  if (StoreChanged(height_, value)) StructureChanged();
}

void TGLCube::SetCubeDepth(float value) {
  if (StoreChanged(depth_, value)) StructureChanged();
}

void TGLCube::SetParts(TCubeParts parts) {
  if (StoreChanged(parts_, TCubeParts(parts & cpAll))) StructureChanged();
}

void TGLCube::SetNormalDirection(TNormalDirection direction) {
  if (StoreChanged(normalDirection_, direction)) StructureChanged();
}

TVector4f TGLCube::HalfExtents() const { return {width_ * 0.5f, height_ * 0.5f, depth_ * 0.5f, 0}; }

namespace {

// The corners of one face for n = ±1, in drawing order.
std::array<TVector3f, 4> FaceCorners(const Face& face, const TVector4f& half, float n) {
  std::array<TVector3f, 4> corners;
  for (int i = 0; i < 4; ++i) {
    const Corner& c = face.corners[i];
    corners[size_t(i)] = {c.x * (c.nx ? n : 1) * half.x, c.y * (c.ny ? n : 1) * half.y, c.z * (c.nz ? n : 1) * half.z};
  }
  return corners;
}

}  // namespace

void TGLCube::BuildList(RenderContextInfo&) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLMultitextureCoordinator& coordinator = CurrentCoordinator();
  const float n = normalDirection_ == ndInside ? -1.0f : 1.0f;
  const TVector4f half = HalfExtents();
  gl.Begin(GL_QUADS);
  for (const Face& face : kFaces) {
    if (!(parts_ & face.part)) continue;
    const float normal[3] = {face.normal[0] * n, face.normal[1] * n, face.normal[2] * n};
    gl.Normal3fv(normal);
    const std::array<TVector3f, 4> corners = FaceCorners(face, half, n);
    for (int i = 0; i < 4; ++i) {
      coordinator.TexCoord2f(face.corners[i].s, face.corners[i].t);
      gl.Vertex3fv(&corners[size_t(i)].x);
    }
  }
  gl.End();
}

bool TGLCube::RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) {
  const TVector4f start = AbsoluteToLocal(PointFromAffine(TVector3f{rayStart.x, rayStart.y, rayStart.z}));
  const TVector4f direction =
      VectorNormalized4(AbsoluteToLocal(DirectionFromAffine(TVector3f{rayVector.x, rayVector.y, rayVector.z})));
  const float sizes[3] = {width_, height_, depth_};
  for (int i = 0; i < 6; ++i) {
    const int axis = i % 3;
    const float sign = i < 3 ? 1.0f : -1.0f;
    if (!(direction[axis] * sign > 0)) continue;
    // The face behind this normal, at -sign·size/2 on the axis; the ray meets it from outside.
    const float plane = -sign * sizes[axis] * 0.5f;
    const float t = (plane - start[axis]) / direction[axis];
    if (!(t > 0)) continue;
    TVector4f point = {start.x + t * direction.x, start.y + t * direction.y, start.z + t * direction.z, 1};
    bool inside = true;
    for (int k = 0; k < 3 && inside; ++k) inside = std::fabs(point[k]) <= 0.5001f * std::fabs(sizes[k]);
    if (!inside) continue;
    TVector4f outward{0, 0, 0, 0};
    outward[axis] = -sign;
    if (hit) *hit = LocalToAbsolute(point);
    if (normal) *normal = VectorNormalized4(LocalToAbsolute(outward));
    return true;
  }
  return false;
}

std::unique_ptr<TGLSilhouette> TGLCube::BuildSilhouette(const TOutlineRequest& request) {
  TConnectivity connectivity(true);
  const float n = normalDirection_ == ndInside ? -1.0f : 1.0f;
  const TVector4f half = HalfExtents();
  for (const Face& face : kFaces) {
    if (!(parts_ & face.part)) continue;
    const std::array<TVector3f, 4> c = FaceCorners(face, half, n);
    connectivity.AddQuad(c[0], c[1], c[2], c[3]);
  }
  std::unique_ptr<TGLSilhouette> silhouette;
  connectivity.BuildOutline(request, silhouette, false);
  return silhouette;
}

void TGLCube::Assign(const TPersistent* source) {
  if (auto* cube = dynamic_cast<const TGLCube*>(source)) {
    SetCubeWidth(cube->width_);
    SetCubeHeight(cube->height_);
    SetCubeDepth(cube->depth_);
    SetParts(cube->parts_);
    SetNormalDirection(cube->normalDirection_);
  }
  TGLStageObject::Assign(source);
}

void TGLCube::DefineProperties(TFiler& filer) {
  TGLStageObject::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "CubeSize",
      [this](platform::Stream& stream) {
        uint8_t bytes[12];
        stream.ReadBuffer(bytes, sizeof(bytes));
        platform::ByteReader reader(bytes, sizeof(bytes));
        width_ = reader.F32();
        height_ = reader.F32();
        depth_ = reader.F32();
        StructureChanged();
      },
      [this](platform::Stream& stream) {
        platform::ByteWriter writer;
        writer.F32(width_);
        writer.F32(height_);
        writer.F32(depth_);
        stream.WriteBuffer(writer.Data().data(), writer.Data().size());
      },
      width_ != 1 || height_ != 1 || depth_ != 1);
}

void TGLCube::DefinePublished(TFiler& filer) {
  TGLStageObject::DefinePublished(filer);
  // The sizes are the "CubeSize" data of DefineProperties.
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TCubeParts(v)); }, cpAll, cpAll);
  DefineEnum<TNormalDirection>(filer, "NormalDirection", normalDirection_,
                               [this](TNormalDirection v) { SetNormalDirection(v); }, ndOutside, ndOutside);
}

}  // namespace scene3d
