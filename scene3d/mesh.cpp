#include "scene3d/mesh.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "scene3d/height_field.h"
#include "scene3d/stored_object.h"

namespace scene3d {

// --- Vertex list -------------------------------------------------------------------------------------------------

void TVertexList::AddVertex(const TVector3f& position, const TVector3f& normal, const TVector4f& color,
                            const TTexPoint& texPoint) {
  if (vertices_.size() == vertices_.capacity()) vertices_.reserve(vertices_.capacity() + kGrowth);
  vertices_.push_back({texPoint, color, normal, position});
  NotifyChange(this);
}

void TVertexList::Clear() {
  vertices_.clear();
  NotifyChange(this);
}

TAxisBox TVertexList::Extents() const {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  TAxisBox box{{kInf, kInf, kInf}, {-kInf, -kInf, -kInf}};
  for (const TVertexData& v : vertices_) AxisBoxIncludePoint(box, v.coord);
  return box;
}

void TVertexList::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TVertexList*>(source)) {
    vertices_ = from->vertices_;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

// --- Mesh --------------------------------------------------------------------------------------------------------

TGLMesh::TGLMesh(TComponent* owner) : TGLCustomSceneObject(owner), vertices_(std::make_unique<TVertexList>(this)) {
  vertices_->BeginUpdate();
  vertices_->AddVertex({0, 0, 0}, {0, 0, 1}, clrWhite, {0, 0});
  vertices_->AddVertex({1, 0, 0}, {0, 0, 1}, clrWhite, {1, 0});
  vertices_->AddVertex({0, 1, 0}, {0, 0, 1}, clrWhite, {0, 1});
  vertices_->EndUpdate();
}

TGLMesh::~TGLMesh() = default;

void TGLMesh::SetMode(TMeshMode mode) {
  if (StoreChanged(mode_, mode)) StructureChanged();
}

void TGLMesh::SetVertexMode(TMeshVertexMode mode) {
  if (StoreChanged(vertexMode_, mode)) StructureChanged();
}

void TGLMesh::NotifyChange(TObject* sender) {
  if (sender && sender == vertices_.get()) {
    StructureChanged();
    return;
  }
  TGLCustomSceneObject::NotifyChange(sender);
}

void TGLMesh::StructureChanged() {
  extentsValid_ = false;
  TGLCustomSceneObject::StructureChanged();
}

TVector4f TGLMesh::HalfExtents() const {
  if (!extentsValid_) {
    halfExtents_ = vertices_->Count() > 0 ? HalfExtentsOfAxisBox(vertices_->Extents()) : TVector4f{0, 0, 0, 0};
    extentsValid_ = true;
  }
  return halfExtents_;
}

void TGLMesh::BuildList(RenderContextInfo& rci) {
  const int32_t count = vertices_->Count();
  if (count == 0) return;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  const TVertexData* data = vertices_->Data();
  constexpr GLsizei kStride = sizeof(TVertexData);
  const bool normals = vertexMode_ != vmV && vertexMode_ != vmVT;
  const bool colors = vertexMode_ == vmVNC || vertexMode_ == vmVNCT || vertexMode_ == vmVNT;
  const bool texPoints = vertexMode_ == vmVNCT || vertexMode_ == vmVNT || vertexMode_ == vmVT;
  // Each field from its place in the 48-byte record (texture points of vmVT included).
  gl.VertexPointer(3, GL_FLOAT, kStride, &data->coord);
  gl.EnableClientState(GL_VERTEX_ARRAY);
  if (normals) {
    gl.NormalPointer(GL_FLOAT, kStride, &data->normal);
    gl.EnableClientState(GL_NORMAL_ARRAY);
  }
  if (colors) {
    gl.ColorPointer(4, GL_FLOAT, kStride, &data->color);
    gl.EnableClientState(GL_COLOR_ARRAY);
  }
  if (texPoints) {
    gl.TexCoordPointer(2, GL_FLOAT, kStride, &data->textCoord);
    gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  if (vertexMode_ == vmVNC || vertexMode_ == vmVNCT) EnableDefaultColorMaterial(*rci.GLStates, GL_AMBIENT_AND_DIFFUSE);
  constexpr GLenum kPrimitives[] = {GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN, GL_TRIANGLES, GL_QUAD_STRIP, GL_QUADS, GL_POLYGON};
  gl.DrawArrays(kPrimitives[mode_], 0, count);
  // The arrays point into this list: none stays switched on for whoever draws next.
  gl.DisableClientState(GL_VERTEX_ARRAY);
  if (normals) gl.DisableClientState(GL_NORMAL_ARRAY);
  if (colors) gl.DisableClientState(GL_COLOR_ARRAY);
  if (texPoints) gl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void TGLMesh::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLMesh*>(source)) {
    mode_ = from->mode_;
    vertexMode_ = from->vertexMode_;
    vertices_->Assign(from->vertices_.get());
  }
  TGLCustomSceneObject::Assign(source);
}

void TVertexList::DefineProperties(TFiler& filer) {
  TGLUpdateAbleObject::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Vertices",
      [this](platform::Stream& stream) {
        const uint64_t size = stream.Remaining();
        if (size % sizeof(TVertexData) != 0)
          throw EFilerException("Stored vertices: " + std::to_string(size) + " bytes are no whole vertices");
        std::vector<uint8_t> bytes(static_cast<size_t>(size));
        stream.ReadBuffer(bytes.data(), bytes.size());
        platform::ByteReader reader(bytes.data(), bytes.size());
        std::vector<TVertexData> read(bytes.size() / sizeof(TVertexData));
        for (TVertexData& v : read) {
          v.textCoord.s = reader.F32();
          v.textCoord.t = reader.F32();
          for (int i = 0; i < 4; ++i) v.color[i] = reader.F32();
          for (int i = 0; i < 3; ++i) v.normal[i] = reader.F32();
          for (int i = 0; i < 3; ++i) v.coord[i] = reader.F32();
        }
        vertices_ = std::move(read);
        NotifyChange(this);
      },
      [this](platform::Stream& stream) {
        platform::ByteWriter writer;
        for (const TVertexData& v : vertices_) {
          writer.F32(v.textCoord.s);
          writer.F32(v.textCoord.t);
          for (int i = 0; i < 4; ++i) writer.F32(v.color[i]);
          for (int i = 0; i < 3; ++i) writer.F32(v.normal[i]);
          for (int i = 0; i < 3; ++i) writer.F32(v.coord[i]);
        }
        stream.WriteBuffer(writer.Data().data(), writer.Data().size());
      },
      !vertices_.empty());
}

void TGLMesh::DefinePublished(TFiler& filer) {
  TGLCustomSceneObject::DefinePublished(filer);
  DefineEnum<TMeshMode>(filer, "Mode", mode_, [this](TMeshMode v) { SetMode(v); }, mmTriangles, mmPolygon);
  DefineEnum<TMeshVertexMode>(filer, "VertexMode", vertexMode_, [this](TMeshVertexMode v) { SetVertexMode(v); },
                              vmVNCT, vmVT);
  DefineObject(filer, "Vertices", vertices_.get(), [this]() -> TPersistent& { return *vertices_; });
}

}  // namespace scene3d
