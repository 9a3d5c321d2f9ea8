// TGLMesh: an object drawn from one vertex array in one primitive. Its TVertexList holds records of
// texture point, colour, normal and position (the 48-byte layout OpenGL calls GL_T2F_C4F_N3F_V3F);
// VertexMode says which of the fields go to OpenGL:
//   auto* mesh = root->CreateChild<TGLMesh>();
//   mesh->SetMode(mmTriangles);
//   mesh->Vertices().Clear();
//   mesh->Vertices().AddVertex({0, 0, 0}, {0, 0, 1}, {1, 0, 0, 1}, {0, 0});  ...
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene3d/bounding_boxes.h"
#include "scene3d/custom_scene_object.h"
#include "scene3d/update_able.h"

namespace scene3d {

struct TVertexData {
  TTexPoint textCoord;
  TVector4f color;
  TVector3f normal;
  TVector3f coord;
};
static_assert(sizeof(TVertexData) == 48);

class TVertexList : public TGLUpdateAbleObject {
 public:
  static constexpr int32_t kGrowth = 256;
  explicit TVertexList(TPersistent* owner) : TGLUpdateAbleObject(owner) {}
  std::string ClassName() const override { return "TVertexList"; }

  int32_t Count() const { return int32_t(vertices_.size()); }
  // Grows by 256 records when full.
  int32_t Capacity() const { return int32_t(vertices_.capacity()); }
  const TVertexData& Vertex(int index) const { return vertices_.at(size_t(index)); }
  const TVertexData* Data() const { return vertices_.data(); }
  void AddVertex(const TVector3f& position, const TVector3f& normal, const TVector4f& color, const TTexPoint& texPoint);
  void Clear();
  // Per-axis minimum and maximum of the positions (+infinity and -infinity when empty).
  TAxisBox Extents() const;
  // The vertices as 48 bytes each, in the order of TVertexData, little-endian.
  void DefineProperties(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  std::vector<TVertexData> vertices_;
};

enum TMeshMode : uint8_t { mmTriangleStrip, mmTriangleFan, mmTriangles, mmQuadStrip, mmQuads, mmPolygon };
enum TMeshVertexMode : uint8_t { vmV, vmVN, vmVNC, vmVNCT, vmVNT, vmVT };

class TGLMesh : public TGLCustomSceneObject {
 public:
  // With one triangle: (0, 0, 0), (1, 0, 0), (0, 1, 0), facing +Z, white.
  explicit TGLMesh(TComponent* owner);
  ~TGLMesh() override;
  std::string ClassName() const override { return "TGLMesh"; }

  TMeshMode Mode() const { return mode_; }
  void SetMode(TMeshMode mode);
  TMeshVertexMode VertexMode() const { return vertexMode_; }
  void SetVertexMode(TMeshVertexMode mode);
  TVertexList& Vertices() { return *vertices_; }
  void SetVertices(const TVertexList& list) { vertices_->Assign(&list); }

  void NotifyChange(TObject* sender) override;
  void StructureChanged() override;
  // Per axis the larger of |min| and |max| of the positions; cached until the structure changes.
  TVector4f HalfExtents() const override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  TMeshMode mode_ = mmTriangles;
  TMeshVertexMode vertexMode_ = vmVNCT;
  std::unique_ptr<TVertexList> vertices_;
  mutable bool extentsValid_ = false;
  mutable TVector4f halfExtents_{};
};

}  // namespace scene3d
