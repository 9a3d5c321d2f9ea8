#include "scene3d/multi_polygon.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "scene3d/gl_entry_points.h"
#include "scene3d/stored_object.h"

namespace scene3d {

// --- Contours ---------------------------------------------------------------------------------------------

TGLContourNodes::TGLContourNodes(TGLContour* contour) : TGLNodes(contour), contour_(contour) {}

TGLContourNodes::~TGLContourNodes() {
  contour_ = nullptr;
  Clear();
}

void TGLContourNodes::NotifyChange() {
  if (UpdateCount() == 0 && contour_) contour_->NodesChanged();
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

TGLContours::TGLContours(TMultiPolygonBase* owner) : TOwnedCollection(owner, ItemClassOf<TGLContour>()), owner_(owner) {}

TGLContours::~TGLContours() {
  owner_ = nullptr;
  Clear();
}

bool TGLContours::Extents(TAxisBox& box) const {
  bool any = false;
  for (int i = 0; i < Count(); ++i) {
    const TGLContourNodes& nodes = Item(i).Nodes();
    if (nodes.Count() == 0) continue;
    TVector3f min, max;
    nodes.Extents(min, max);
    AxisBoxIncludePoint(box, min);
    AxisBoxIncludePoint(box, max);
    any = true;
  }
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
  TPolygonTessellator tess(outline_);
  if (!tess.Ready()) return;
  tess.SetPositiveWinding();
  tess.SetNormal(normal_);
  tess.BeginPolygon();
  // Holes go the other way round, so that they cut out under the positive winding rule.
  for (int i = 0; i < contours_->Count(); ++i) tess.Contour(contours_->Item(i).OutlinePoints(), i > 0);
  tess.EndPolygon();
}

void TMultiPolygonBase::RenderTessellated(bool textured, const TVector3f& normal, bool reversed) {
  const TPolygonList& outline = Outline();
  if (std::none_of(outline.begin(), outline.end(), [](const auto& polygon) { return polygon.size() > 1; })) return;
  TPolygonTessellator tess(textured);
  if (!tess.Ready()) return;
  ActiveGLTable().Normal3fv(&normal.x);
  tess.SetPositiveWinding();
  tess.SetNormal(normal);
  tess.BeginPolygon();
  for (const auto& polygon : outline) tess.Contour(polygon, reversed);
  tess.EndPolygon();
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

void TGLMultiPolygon::SetParts(TPolygonParts parts) {
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

void TGLContour::DefinePublished(TFiler& filer) {
  TCollectionItem::DefinePublished(filer);
  DefineCollection(filer, "Nodes", *nodes_);
  DefineSubdivisions(filer, "Division", division_, [this](int32_t v) { SetDivision(v); }, 10);
  DefineEnum<TLineSplineMode>(filer, "SplineMode", splineMode_, [this](TLineSplineMode v) { SetSplineMode(v); },
                              lsmLines, lsmLoop);
  DefineText(filer, "Description", description_, [this](const std::string& v) { SetDescription(v); });
}

void TMultiPolygonBase::DefinePublished(TFiler& filer) {
  TGLCustomSceneObject::DefinePublished(filer);
  DefineCollection(filer, "Contours", *contours_);
}

void TGLMultiPolygon::DefinePublished(TFiler& filer) {
  TMultiPolygonBase::DefinePublished(filer);
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(TPolygonParts(v)); }, ppTop | ppBottom,
             ppTop | ppBottom);
}

}  // namespace scene3d
