#include "scene3d/multi_polygon.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <limits>

#include "scene3d/gl_entry_points.h"

namespace scene3d {

namespace {

// The derivatives at the nodes of the interpolating cubic spline through `v` (end conditions of a
// natural spline: the tridiagonal system 2 1 / 1 4 1 / ... / 1 2).
std::vector<double> SplineDerivatives(const std::vector<double>& v) {
  const size_t n = v.size();
  std::vector<double> r(n), diag(n, 4.0), d(n);
  diag[0] = diag[n - 1] = 2;
  r[0] = 3 * (v[1] - v[0]);
  r[n - 1] = 3 * (v[n - 1] - v[n - 2]);
  for (size_t i = 1; i + 1 < n; ++i) r[i] = 3 * (v[i + 1] - v[i - 1]);
  // Thomas algorithm with 1 beside the diagonal.
  for (size_t i = 1; i < n; ++i) {
    const double m = 1 / diag[i - 1];
    diag[i] -= m;
    r[i] -= m * r[i - 1];
  }
  d[n - 1] = r[n - 1] / diag[n - 1];
  for (size_t i = n - 1; i-- > 0;) d[i] = (r[i] - d[i + 1]) / diag[i];
  return d;
}

// The spline through `v` (two values or more) at t in 0..n-1.
double SplineAt(const std::vector<double>& v, const std::vector<double>& d, double t) {
  const size_t k = std::min(size_t(std::max(0.0, std::floor(t))), v.size() - 2);
  const double u = t - double(k);
  const double c2 = 3 * (v[k + 1] - v[k]) - 2 * d[k] - d[k + 1];
  const double c3 = -2 * (v[k + 1] - v[k]) + d[k] + d[k + 1];
  return ((c3 * u + c2) * u + d[k]) * u + v[k];
}

// A vertex handed to the tessellator: its coordinates in doubles as GLU reads them, and as singles.
struct PoolVertex {
  GLdouble coords[3];
  TVector3f position;
};

// Vertices that keep their addresses while the pool grows (the tessellator holds pointers to them).
class VertexPool {
 public:
  PoolVertex* Add(const TVector3f& p) {
    vertices_.push_back({{p.x, p.y, p.z}, p});
    return &vertices_.back();
  }

 private:
  std::deque<PoolVertex> vertices_;
};

using GluCallback = void (*)();

// The GLU tessellator, taken from the loaded library; freed with the object, also when an exception
// passes.
class Tessellator {
 public:
  Tessellator() {
    if (!LoadGLLibraries()) return;
    newTess_ = reinterpret_cast<GLUtesselator* (*)()>(GLUProc("gluNewTess"));
    deleteTess_ = reinterpret_cast<void (*)(GLUtesselator*)>(GLUProc("gluDeleteTess"));
    property_ = reinterpret_cast<void (*)(GLUtesselator*, GLenum, GLdouble)>(GLUProc("gluTessProperty"));
    normal_ = reinterpret_cast<void (*)(GLUtesselator*, GLdouble, GLdouble, GLdouble)>(GLUProc("gluTessNormal"));
    callback_ = reinterpret_cast<void (*)(GLUtesselator*, GLenum, GluCallback)>(GLUProc("gluTessCallback"));
    beginPolygon_ = reinterpret_cast<void (*)(GLUtesselator*, void*)>(GLUProc("gluTessBeginPolygon"));
    beginContour_ = reinterpret_cast<void (*)(GLUtesselator*)>(GLUProc("gluTessBeginContour"));
    vertex_ = reinterpret_cast<void (*)(GLUtesselator*, GLdouble*, void*)>(GLUProc("gluTessVertex"));
    endContour_ = reinterpret_cast<void (*)(GLUtesselator*)>(GLUProc("gluTessEndContour"));
    endPolygon_ = reinterpret_cast<void (*)(GLUtesselator*)>(GLUProc("gluTessEndPolygon"));
    if (newTess_ && deleteTess_ && property_ && normal_ && callback_ && beginPolygon_ && beginContour_ && vertex_ &&
        endContour_ && endPolygon_)
      tess_ = newTess_();
  }
  ~Tessellator() {
    if (tess_) deleteTess_(tess_);
  }
  Tessellator(const Tessellator&) = delete;
  Tessellator& operator=(const Tessellator&) = delete;

  bool Valid() const { return tess_ != nullptr; }
  // Winding positive, the normal, and the callbacks of a pass (the _DATA kinds: they get the job);
  // new vertices come from the job's pool, errors are passed over.
  template <class Begin, class Vertex>
  void Prepare(const TVector3f& normal, bool boundaryOnly, Begin begin, Vertex vertex, void (*end)(void*));

 private:
  template <class F>
  void Callback(GLenum which, F function) {
    callback_(tess_, which, reinterpret_cast<GluCallback>(function));
  }

 public:
  // Each contour given in stored or reversed order; `data` reaches the _DATA callbacks.
  void Polygon(const TPolygonList& contours, const std::vector<bool>& reversed, VertexPool& pool, void* data) {
    beginPolygon_(tess_, data);
    for (size_t c = 0; c < contours.size(); ++c) {
      beginContour_(tess_);
      const auto& points = contours[c];
      for (size_t i = 0; i < points.size(); ++i) {
        PoolVertex* v = pool.Add(reversed[c] ? points[points.size() - 1 - i] : points[i]);
        vertex_(tess_, v->coords, v);
      }
      endContour_(tess_);
    }
    endPolygon_(tess_);
  }

 private:
  GLUtesselator* tess_ = nullptr;
  GLUtesselator* (*newTess_)() = nullptr;
  void (*deleteTess_)(GLUtesselator*) = nullptr;
  void (*property_)(GLUtesselator*, GLenum, GLdouble) = nullptr;
  void (*normal_)(GLUtesselator*, GLdouble, GLdouble, GLdouble) = nullptr;
  void (*callback_)(GLUtesselator*, GLenum, GluCallback) = nullptr;
  void (*beginPolygon_)(GLUtesselator*, void*) = nullptr;
  void (*beginContour_)(GLUtesselator*) = nullptr;
  void (*vertex_)(GLUtesselator*, GLdouble*, void*) = nullptr;
  void (*endContour_)(GLUtesselator*) = nullptr;
  void (*endPolygon_)(GLUtesselator*) = nullptr;
};

void CombineVertex(GLdouble coords[3], void* vertexData[4], GLfloat weight[4], void** out, void* data);
void IgnoreError(GLenum, void*) {}

template <class Begin, class Vertex>
void Tessellator::Prepare(const TVector3f& normal, bool boundaryOnly, Begin begin, Vertex vertex, void (*end)(void*)) {
  property_(tess_, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
  property_(tess_, GLU_TESS_BOUNDARY_ONLY, boundaryOnly ? GL_TRUE : GL_FALSE);
  normal_(tess_, normal.x, normal.y, normal.z);
  Callback(GLU_TESS_BEGIN_DATA, begin);
  Callback(GLU_TESS_VERTEX_DATA, vertex);
  if (end) Callback(GLU_TESS_END_DATA, end);
  Callback(GLU_TESS_COMBINE_DATA, &CombineVertex);
  Callback(GLU_TESS_ERROR_DATA, &IgnoreError);
}

struct TessJob {
  VertexPool pool;
  TPolygonList* outline = nullptr;  // the outline pass collects here
  bool textured = false;            // the drawing pass sends texture coordinates
};

void CombineVertex(GLdouble coords[3], void* /*vertexData*/[4], GLfloat /*weight*/[4], void** out, void* data) {
  *out = static_cast<TessJob*>(data)->pool.Add({float(coords[0]), float(coords[1]), float(coords[2])});
}
void OutlineBegin(GLenum, void* data) { static_cast<TessJob*>(data)->outline->emplace_back(); }
void OutlineVertex(void* vertex, void* data) {
  static_cast<TessJob*>(data)->outline->back().push_back(static_cast<PoolVertex*>(vertex)->position);
}
void DrawBegin(GLenum type, void*) { ActiveGLTable().Begin(type); }
void DrawVertex(void* vertex, void* data) {
  const TVector3f& p = static_cast<PoolVertex*>(vertex)->position;
  if (static_cast<TessJob*>(data)->textured) ActiveGLTable().TexCoord3fv(&p.x);
  ActiveGLTable().Vertex3fv(&p.x);
}
void DrawEnd(void*) { ActiveGLTable().End(); }

}  // namespace

// --- Nodes and contours -----------------------------------------------------------------------------------------

void TGLContourNode::SetPosition(const TVector3f& position) {
  position_ = position;
  Changed(false);
}

void TGLContourNode::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLContourNode*>(source)) {
    SetPosition(from->position_);
    return;
  }
  TCollectionItem::Assign(source);
}

TGLContourNodes::TGLContourNodes(TGLContour* contour)
    : TOwnedCollection(contour, ItemClassOf<TGLContourNode>()), contour_(contour) {}

TGLContourNodes::~TGLContourNodes() {
  contour_ = nullptr;
  Clear();
}

TGLContourNode& TGLContourNodes::AddNode(float x, float y, float z) {
  BeginUpdate();
  auto& node = static_cast<TGLContourNode&>(*Add());
  node.SetPosition({x, y, z});
  EndUpdate();
  return node;
}

bool TGLContourNodes::Extents(TAxisBox& box) const {
  for (int i = 0; i < Count(); ++i) AxisBoxIncludePoint(box, Item(i).AsAffineVector());
  return Count() > 0;
}

void TGLContourNodes::Update(TCollectionItem*) {
  if (contour_) contour_->NodesChanged();
}

TGLContour::TGLContour(TCollection&) : nodes_(std::make_unique<TGLContourNodes>(this)) {}

TGLContour::~TGLContour() = default;

std::string TGLContour::GetDisplayName() const {
  if (!description_.empty()) return description_;
  char text[48];
  std::snprintf(text, sizeof text, "GLContour: %d nodes", nodes_->Count());
  return text;
}

void TGLContour::SetDivision(int32_t division) {
  division_ = division <= 0 ? 1 : division;
  Changed(false);
}

void TGLContour::SetSplineMode(TLineSplineMode mode) {
  splineMode_ = mode;
  Changed(false);
}

void TGLContour::SetDescription(const std::string& text) {
  description_ = text;
  Changed(false);
}

void TGLContour::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLContour*>(source)) {
    nodes_->Assign(from->nodes_.get());
    division_ = from->division_;
    splineMode_ = from->splineMode_;
    description_ = from->description_;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(source);
}

std::vector<TVector3f> TGLContour::OutlinePoints() const {
  const int count = nodes_->Count();
  std::vector<TVector3f> points;
  if (splineMode_ == lsmLines || division_ < 2 || count < 2) {
    for (int i = 0; i < count; ++i) points.push_back(nodes_->Item(i).AsAffineVector());
    return points;
  }
  std::vector<double> axes[3];
  for (int i = 0; i < count; ++i) {
    const TVector3f& p = nodes_->Item(i).AsAffineVector();
    axes[0].push_back(p.x);
    axes[1].push_back(p.y);
    axes[2].push_back(p.z);
  }
  std::vector<double> slopes[3];
  for (int a = 0; a < 3; ++a) slopes[a] = SplineDerivatives(axes[a]);
  for (int i = 0; i <= division_ * (count - 1); ++i) {
    const double t = double(i) / division_;
    points.push_back({float(SplineAt(axes[0], slopes[0], t)), float(SplineAt(axes[1], slopes[1], t)),
                      float(SplineAt(axes[2], slopes[2], t))});
  }
  return points;
}

TGLContours::TGLContours(TMultiPolygonBase* owner) : TOwnedCollection(owner, ItemClassOf<TGLContour>()), owner_(owner) {}

TGLContours::~TGLContours() {
  owner_ = nullptr;
  Clear();
}

bool TGLContours::Extents(TAxisBox& box) const {
  bool any = false;
  for (int i = 0; i < Count(); ++i) any = Item(i).Nodes().Extents(box) || any;
  return any;
}

void TGLContours::Update(TCollectionItem*) {
  if (owner_) owner_->ContoursChanged();
}

// --- Multi-polygon -------------------------------------------------------------------------------------------

TMultiPolygonBase::TMultiPolygonBase(TComponent* owner)
    : TGLCustomSceneObject(owner), contours_(std::make_unique<TGLContours>(this)) {}

TMultiPolygonBase::~TMultiPolygonBase() { contours_.reset(); }

void TMultiPolygonBase::ContoursChanged() {
  outline_.clear();
  outlineValid_ = false;
  StructureChanged();
}

void TMultiPolygonBase::StructureChanged() {
  extentsValid_ = false;
  TGLCustomSceneObject::StructureChanged();
}

const TPolygonList& TMultiPolygonBase::Outline() {
  if (!outlineValid_) {
    ComputeOutline();
    outlineValid_ = true;
  }
  return outline_;
}

void TMultiPolygonBase::ComputeOutline() {
  outline_.clear();
  if (contours_->Count() == 0 || contours_->Item(0).Nodes().Count() < 3) return;
  TPolygonList contours;
  std::vector<bool> reversed;
  for (int i = 0; i < contours_->Count(); ++i) {
    contours.push_back(contours_->Item(i).OutlinePoints());
    reversed.push_back(i > 0);  // holes go the other way round
  }
  Tessellator tess;
  if (!tess.Valid()) return;
  TessJob job;
  job.outline = &outline_;
  tess.Prepare(normal_, true, &OutlineBegin, &OutlineVertex, nullptr);
  tess.Polygon(contours, reversed, job.pool, &job);
}

void TMultiPolygonBase::RenderTessellated(bool textured, const TVector3f& normal, bool reversed) {
  const TPolygonList& outline = Outline();
  if (std::none_of(outline.begin(), outline.end(), [](const auto& polygon) { return polygon.size() > 1; })) return;
  Tessellator tess;
  if (!tess.Valid()) return;
  TessJob job;
  job.textured = textured;
  ActiveGLTable().Normal3fv(&normal.x);
  tess.Prepare(normal, false, &DrawBegin, &DrawVertex, &DrawEnd);
  tess.Polygon(outline, std::vector<bool>(outline.size(), reversed), job.pool, &job);
}

TVector4f TMultiPolygonBase::HalfExtents() const {
  if (!extentsValid_) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    TAxisBox box{{kInf, kInf, kInf}, {-kInf, -kInf, -kInf}};
    halfExtents_ = contours_->Extents(box) ? HalfExtentsOfAxisBox(box) : TVector4f{0, 0, 0, 0};
    extentsValid_ = true;
  }
  return halfExtents_;
}

void TMultiPolygonBase::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TMultiPolygonBase*>(source)) contours_->Assign(from->contours_.get());
  TGLCustomSceneObject::Assign(source);
}

void TGLMultiPolygon::SetParts(uint8_t parts) {
  if (StoreChanged(parts_, parts)) StructureChanged();
}

void TGLMultiPolygon::BuildList(RenderContextInfo&) {
  if (parts_ & ppTop) RenderTessellated(true, Normal(), false);
  if (parts_ & ppBottom) RenderTessellated(true, {-Normal().x, -Normal().y, -Normal().z}, true);
}

void TGLMultiPolygon::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLMultiPolygon*>(source)) parts_ = from->parts_;
  TMultiPolygonBase::Assign(source);
}

}  // namespace scene3d
