#include "scene3d/scene_object.h"

#include <algorithm>
#include <cmath>

#include "platform/binary_stream.h"
#include "scene3d/camera.h"
#include "scene3d/erase_last.h"
#include "scene3d/gl_context.h"
#include "scene3d/matrices.h"
#include "scene3d/object_behaviours.h"
#include "scene3d/planes.h"
#include "scene3d/scalar_math.h"
#include "scene3d/scene3d_exceptions.h"
#include "scene3d/stage.h"
#include "scene3d/stored_object.h"
#include "scene3d/streaming_classes.h"

namespace scene3d {

namespace {

constexpr TBoxCorners kNullBox = {OriginPoint, OriginPoint, OriginPoint, OriginPoint,
                                  OriginPoint, OriginPoint, OriginPoint, OriginPoint};
constexpr uint8_t kBothAbsoluteBits = ocAbsoluteMatrix | ocInvAbsoluteMatrix;
constexpr uint8_t kChildrenBoxStale = 1;
constexpr uint8_t kOwnBoxStale = 2;

TVector3f Xyz(const TVector4f& v) { return {v.x, v.y, v.z}; }

// Restores a value of the render context when the scope ends, also on an exception.
template <class T>
class Restore {
 public:
  explicit Restore(T& slot) : slot_(slot), saved_(slot) {}
  ~Restore() { slot_ = saved_; }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& slot_;
  T saved_;
};

// Pops the transformation stack when the scope ends.
class MatrixScope {
 public:
  explicit MatrixScope(TGLPipelineTransformation& pipeline) : pipeline_(pipeline) { pipeline_.PushMatrices(); }
  ~MatrixScope() {
    try {
      pipeline_.PopMatrices();
    } catch (...) {
      // Balanced with the push above; nothing to undo.
    }
  }
  MatrixScope(const MatrixScope&) = delete;
  MatrixScope& operator=(const MatrixScope&) = delete;

 private:
  TGLPipelineTransformation& pipeline_;
};

}  // namespace

bool IsInSubtree(const TGLBaseSceneObject* object, const TGLBaseSceneObject* ancestor) {
  for (const TGLBaseSceneObject* o = object; o; o = o->Parent())
    if (o == ancestor) return true;
  return false;
}

// --- Life ---------------------------------------------------------------------------------------------------

TGLBaseSceneObject::TGLBaseSceneObject(TComponent* owner)
    : TGLCoordinatesUpdateAbleComponent(owner),
      position_(std::make_unique<TGLCoordinates3>(this, OriginPoint, ctPoint)),
      rotation_(std::make_unique<TGLCoordinates3>(this, NullVector4, ctVector)),
      direction_(std::make_unique<TGLCoordinates3>(this, ZAxisVector, ctVector)),
      up_(std::make_unique<TGLCoordinates3>(this, YAxisVector, ctVector)),
      scaling_(std::make_unique<TGLCoordinates3>(this, XYZAxisVector, ctVector)),
      ownBox_(kNullBox),
      childrenBox_(kNullBox) {}

TGLBaseSceneObject::~TGLBaseSceneObject() {
  DeleteChildCameras();
  if (parent_) {
    parent_->Remove(this, false);
  } else if (scene_) {
    TGLStage* scene = scene_;
    scene_ = nullptr;
    scene->ObjectLeaves(this);
  }
  FreeChildren();
}

void TGLBaseSceneObject::DeleteChildCameras() {
  for (size_t i = children_.size(); i-- > 0;) {
    if (i >= children_.size()) continue;
    TGLBaseSceneObject* child = children_[i];
    if (dynamic_cast<TGLCamera*>(child)) {
      delete child;
    } else {
      child->DeleteChildCameras();
    }
  }
}

// --- Tree -------------------------------------------------------------------------------------------------------

TGLBaseSceneObject* TGLBaseSceneObject::Children(int index) const {
  if (index < 0 || index >= Count()) throw EListError("Invalid list index");
  return children_[size_t(index)];
}

int TGLBaseSceneObject::IndexOfChild(const TGLBaseSceneObject* child) const {
  auto it = std::find(children_.begin(), children_.end(), child);
  return it == children_.end() ? -1 : static_cast<int>(it - children_.begin());
}

void TGLBaseSceneObject::AddChild(TGLBaseSceneObject* child) { AttachAt(Count(), child); }

void TGLBaseSceneObject::Insert(int index, TGLBaseSceneObject* child) { AttachAt(index, child); }

void TGLBaseSceneObject::AttachAt(int index, TGLBaseSceneObject* child) {
  if (!child) return;
  if (IsInSubtree(this, child))
    throw platform::Exception("Cannot put " + child->ClassName() + " \"" + child->Name() + "\" under itself");
  // One place in the tree: an object still held by a former parent would be freed twice.
  if (child->parent_) child->parent_->Detach(child);
  index = std::clamp(index, 0, Count());
  children_.insert(children_.begin() + index, child);
  child->parent_ = this;
  child->SetScene(scene_);
  child->MarkAbsoluteStale();
  child->AddedToParent();
  MarkChildrenBoxStaleUpwards();
  NotifyChange(this);
}

void TGLBaseSceneObject::Detach(TGLBaseSceneObject* child) {
  if (!EraseLast(children_, child)) return;
  child->parent_ = nullptr;
  child->SetScene(nullptr);
  child->MarkAbsoluteStale();
  MarkChildrenBoxStaleUpwards();
}

void TGLBaseSceneObject::Remove(TGLBaseSceneObject* child, bool keepChildren) {
  if (!child || child->parent_ != this) return;
  if (!keepChildren) {
    Detach(child);
    NotifyChange(this);
    return;
  }
  BeginUpdate();
  try {
    int at = IndexOfChild(child);
    Detach(child);
    while (child->Count() > 0) Insert(at++, child->children_.front());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TGLBaseSceneObject::FreeChildren() {
  // Each child leaves the list on its way out.
  while (!children_.empty()) delete children_.back();
}

TGLBaseSceneObject* TGLBaseSceneObject::CreateChild(const std::string& className) {
  std::unique_ptr<TPersistent> made = StreamingClasses().Create(className, Owner());
  auto* child = dynamic_cast<TGLBaseSceneObject*>(made.get());
  if (!child) throw EConvertError(className + " is not a scene object");
  made.release();
  AddChild(child);
  return child;
}

TGLBaseSceneObject* TGLBaseSceneObject::CreateChildFirst(const std::string& className) {
  TGLBaseSceneObject* child = CreateChild(className);
  child->SetIndex(0);
  return child;
}

void TGLBaseSceneObject::MoveTo(TGLBaseSceneObject* newParent) {
  if (newParent == parent_) return;
  if (newParent) {
    newParent->AddChild(this);
  } else if (parent_) {
    parent_->Remove(this, false);
  }
}

int TGLBaseSceneObject::Index() const { return parent_ ? parent_->IndexOfChild(this) : -1; }

void TGLBaseSceneObject::SetIndex(int index) {
  if (!parent_) return;
  auto& siblings = parent_->children_;
  const int last = static_cast<int>(siblings.size()) - 1;
  index = std::clamp(index, 0, last);
  const int current = Index();
  if (index == current) return;
  siblings.erase(siblings.begin() + current);
  siblings.insert(siblings.begin() + index, this);
  NotifyChange(this);
}

void TGLBaseSceneObject::ForEachInTree(const std::function<void(TGLBaseSceneObject&)>& visit) {
  visit(*this);
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->ForEachInTree(visit);
}

void TGLBaseSceneObject::SetScene(TGLStage* scene) {
  if (scene_ == scene) return;
  // Display lists belong to the old scene's contexts.
  listHandle_.reset();
  TGLStage* old = scene_;
  scene_ = scene;
  if (old) old->ObjectLeaves(this);
  SceneChanged(old, scene);
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->SetScene(scene);
}

void TGLBaseSceneObject::SceneChanged(TGLStage*, TGLStage*) {}

void TGLBaseSceneObject::AddedToParent() {
  if (OnAddedToParent) OnAddedToParent(this);
}

// --- Placement -------------------------------------------------------------------------------------------------

void TGLBaseSceneObject::SetPosition(const TGLCustomCoordinates& value) { position_->SetXYZW(value.X(), value.Y(), value.Z(), value.W()); }

void TGLBaseSceneObject::SetDirection(const TGLCustomCoordinates& value) {
  if (!AffineIsNull(value.Value())) direction_->SetDirectionXYZ(value.X(), value.Y(), value.Z());
}

void TGLBaseSceneObject::SetUp(const TGLCustomCoordinates& value) {
  if (!AffineIsNull(value.Value())) up_->SetDirectionXYZ(value.X(), value.Y(), value.Z());
}

void TGLBaseSceneObject::SetScale(const TGLCustomCoordinates& value) { scaling_->SetDirectionXYZ(value.X(), value.Y(), value.Z()); }

void TGLBaseSceneObject::TranslatePosition(float dx, float dy, float dz) { position_->TranslateBy(TVector3f{dx, dy, dz}); }

float TGLBaseSceneObject::PitchAngle() const { return rotation_->X(); }
float TGLBaseSceneObject::TurnAngle() const { return rotation_->Y(); }
float TGLBaseSceneObject::RollAngle() const { return rotation_->Z(); }
void TGLBaseSceneObject::SetPitchAngle(float degrees) { SetAngle(0, degrees); }
void TGLBaseSceneObject::SetTurnAngle(float degrees) { SetAngle(1, degrees); }
void TGLBaseSceneObject::SetRollAngle(float degrees) { SetAngle(2, degrees); }

void TGLBaseSceneObject::SetAngle(int axis, float degrees) {
  TVector4f angles = rotation_->Value();
  const float old = angles[axis];
  if (!IsLoading()) {
    if (degrees == old) return;
    TVector3f about;
    switch (axis) {
      case 0: about = AffineCross(direction_->Value(), up_->Value()); break;  // the right vector
      case 1: about = up_->AsAffine(); break;
      default: about = direction_->AsAffine(); break;
    }
    RotateFrame(about, old, degrees);
  }
  angles[axis] = NormalizeDegreeAngle(degrees);
  rotation_->StoreRaw(angles);
}

void TGLBaseSceneObject::RotateFrame(const TVector3f& axis, float oldDegrees, float newDegrees) {
  const float angle = DegreesToRadiansSingle(oldDegrees - newDegrees);
  TVector4f up = up_->Value();
  TVector4f direction = direction_->Value();
  VectorRotateAroundAxis(up, axis, angle);
  VectorRotateAroundAxis(direction, axis, angle);
  up_->StoreRaw(VectorNormalized4(up));
  direction_->StoreRaw(VectorNormalized4(direction));
  MarkTransformChanged();
}

void TGLBaseSceneObject::SetLocalMatrix(const TMatrix4f& m) {
  localMatrix_ = m;
  direction_->StoreRaw(VectorNormalized4(m[2]));
  up_->StoreRaw(VectorNormalized4(m[1]));
  scaling_->StoreRaw({float(AffineLength(m[0])), float(AffineLength(m[1])), float(AffineLength(m[2])), 0});
  position_->StoreRaw(m[3]);
  MarkTransformChanged();
}

void TGLBaseSceneObject::RebuildMatrix() {
  if (!(changes_ & ocTransformation)) return;
  const TVector4f& up = up_->Value();
  const TVector4f& direction = direction_->Value();
  const TVector4f& scale = scaling_->Value();
  localMatrix_[0] = DirectionFromAffine(AffineScaled(AffineCross(up, direction), scale.x));
  localMatrix_[1] = DirectionFromAffine(AffineScaled(Xyz(up), scale.y));
  localMatrix_[2] = DirectionFromAffine(AffineScaled(Xyz(direction), scale.z));
  localMatrix_[3] = position_->Value();
  changes_ = uint8_t((changes_ & ~ocTransformation) | kBothAbsoluteBits);
}

const TMatrix4f& TGLBaseSceneObject::LocalMatrix() {
  RebuildMatrix();
  return localMatrix_;
}

const TMatrix4f& TGLBaseSceneObject::AbsoluteMatrix() {
  if (changes_ & ocAbsoluteMatrix) {
    RebuildMatrix();
    if (!parent_ || (scene_ && parent_ == scene_->Objects())) {
      absoluteMatrix_ = localMatrix_;
    } else {
      absoluteMatrix_ = MatrixProduct(localMatrix_, parent_->AbsoluteMatrix());
    }
    changes_ = uint8_t((changes_ & ~ocAbsoluteMatrix) | ocInvAbsoluteMatrix);
  }
  return absoluteMatrix_;
}

const TMatrix4f& TGLBaseSceneObject::InvAbsoluteMatrix() {
  if (changes_ & ocInvAbsoluteMatrix) {
    if (scaling_->SameAs(XYZAxisVector)) {
      RebuildMatrix();
      const TMatrix4f rigid = MatrixInvertAnglePreserving(localMatrix_);
      if (!parent_ || (scene_ && parent_ == scene_->Objects())) {
        invAbsoluteMatrix_ = rigid;
      } else {
        invAbsoluteMatrix_ = MatrixProduct(parent_->InvAbsoluteMatrix(), rigid);
      }
    } else {
      invAbsoluteMatrix_ = AbsoluteMatrix();
      MatrixInvert(invAbsoluteMatrix_);
    }
    changes_ = uint8_t(changes_ & ~ocInvAbsoluteMatrix);
  }
  return invAbsoluteMatrix_;
}

TVector4f TGLBaseSceneObject::AbsolutePosition() { return AbsoluteMatrix()[3]; }
TVector4f TGLBaseSceneObject::AbsoluteDirection() { return VectorNormalized4(AbsoluteMatrix()[2]); }
TVector4f TGLBaseSceneObject::AbsoluteUp() { return VectorNormalized4(AbsoluteMatrix()[1]); }
TVector4f TGLBaseSceneObject::LocalToAbsolute(const TVector4f& v) { return VectorTransform4(v, AbsoluteMatrix()); }
TVector4f TGLBaseSceneObject::AbsoluteToLocal(const TVector4f& v) { return VectorTransform4(v, InvAbsoluteMatrix()); }
TVector4f TGLBaseSceneObject::RightVector() const { return VectorCross4(up_->Value(), direction_->Value()); }
TVector4f TGLBaseSceneObject::LeftVector() const { return VectorCross4(direction_->Value(), up_->Value()); }

double TGLBaseSceneObject::SquaredDistanceTo(const TVector4f& point) {
  return AffineDistance2(Xyz(AbsolutePosition()), Xyz(point));
}

void TGLBaseSceneObject::CoordinatesChanged(TGLCustomCoordinates* sender) {
  if (isCalculating_) return;
  isCalculating_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{isCalculating_};

  // Keeps Direction and Up a right-angled pair: the one edited wins, the other is turned to it.
  auto right = [](const TVector3f& direction, const TVector3f& up) {
    TVector3f r = AffineCross(direction, up);
    if (AffineLength(r) < 1e-5) r = AffineCross(TVector3f{0, 0, 1}, up);
    if (AffineLength(r) < 1e-5) r = AffineCross(TVector3f{1, 0, 0}, up);
    return r;
  };
  if (sender == direction_.get()) {
    TVector3f direction = direction_->AsAffine();
    if (AffineLength(direction) == 0) direction = {0, 0, 1};
    direction = AffineNormalized(direction);
    const TVector3f r = right(direction, up_->AsAffine());
    direction_->StoreRaw(DirectionFromAffine(direction));
    up_->StoreRaw(DirectionFromAffine(AffineNormalized(AffineCross(r, direction))));
  } else if (sender == up_.get()) {
    TVector3f up = up_->AsAffine();
    if (AffineLength(up) == 0) up = {0, 1, 0};
    up = AffineNormalized(up);
    const TVector3f r = right(direction_->AsAffine(), up);
    up_->StoreRaw(DirectionFromAffine(up));
    direction_->StoreRaw(DirectionFromAffine(AffineNormalized(AffineCross(up, r))));
  }
  MarkTransformChanged();
}

// --- Change --------------------------------------------------------------------------------------------------------

void TGLBaseSceneObject::NotifyChange(TObject* sender) {
  if (updateCount_ != 0 || IsLoading() || !scene_) return;
  scene_->NotifyChange(sender);
}

void TGLBaseSceneObject::StructureChanged() {
  if (!(changes_ & ocStructure)) {
    changes_ |= ocStructure;
    MarkOwnBoxStale();
    NotifyChange(this);
  } else if (objectStyle_ & osDirectDraw) {
    MarkOwnBoxStale();
    NotifyChange(this);
  }
}

void TGLBaseSceneObject::MarkTransformChanged() {
  if (changes_ & ocTransformation) return;
  changes_ |= ocTransformation;
  MarkAbsoluteStale();
  // Where a child stands is part of its parent's box.
  if (parent_) parent_->MarkChildrenBoxStaleUpwards();
  if (!IsLoading()) NotifyChange(this);
}

void TGLBaseSceneObject::MarkAbsoluteStale() {
  changes_ |= kBothAbsoluteBits;
  for (TGLBaseSceneObject* child : children_)
    if ((child->changes_ & kBothAbsoluteBits) != kBothAbsoluteBits) child->MarkAbsoluteStale();
}

void TGLBaseSceneObject::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) NotifyChange(this);
}

// --- Properties ----------------------------------------------------------------------------------------------------

void TGLBaseSceneObject::SetVisible(bool flag) {
  if (StoreChanged(visible_, flag)) NotifyChange(this);
}

void TGLBaseSceneObject::SetPickable(bool flag) {
  if (StoreChanged(pickable_, flag)) NotifyChange(this);
}

void TGLBaseSceneObject::SetShowAxes(bool flag) {
  if (StoreChanged(showAxes_, flag)) NotifyChange(this);
}

void TGLBaseSceneObject::SetObjectsSorting(TGLObjectsSorting sorting) {
  if (StoreChanged(objectsSorting_, sorting)) NotifyChange(this);
}

void TGLBaseSceneObject::SetVisibilityCulling(TGLVisibilityCulling culling) {
  if (StoreChanged(visibilityCulling_, culling)) NotifyChange(this);
}

void TGLBaseSceneObject::SetObjectStyle(uint8_t style) {
  if (StoreChanged(objectStyle_, style)) NotifyChange(this);
}

void TGLBaseSceneObject::SetObjectStyleBits(uint8_t bits, bool on) {
  SetObjectStyle(on ? uint8_t(objectStyle_ | bits) : uint8_t(objectStyle_ & ~bits));
}

TGLBehaviours& TGLBaseSceneObject::Behaviours() {
  if (!behaviours_) behaviours_ = std::make_unique<TGLBehaviours>(this);
  return *behaviours_;
}

TGLObjectEffects& TGLBaseSceneObject::Effects() {
  if (!effects_) effects_ = std::make_unique<TGLObjectEffects>(this);
  return *effects_;
}

bool TGLBaseSceneObject::HasBehaviours() const { return behaviours_ && behaviours_->Count() > 0; }
bool TGLBaseSceneObject::HasEffects() const { return effects_ && effects_->Count() > 0; }

// --- Boxes ------------------------------------------------------------------------------------------------------------

TVector4f TGLBaseSceneObject::HalfExtents() const { return {0.5f, 0.5f, 0.5f, 0}; }

float TGLBaseSceneObject::BoundingRadius() {
  TVector4f extents = HalfExtents();
  VectorMultiplyInPlace4(extents, scaling_->Value());
  return float(AffineLength(extents));
}

void TGLBaseSceneObject::MarkOwnBoxStale() {
  boxChanges_ |= kOwnBoxStale;
  MarkChildrenBoxStaleUpwards();
}

void TGLBaseSceneObject::MarkChildrenBoxStaleUpwards() {
  for (TGLBaseSceneObject* o = this; o; o = o->parent_) o->boxChanges_ |= kChildrenBoxStale;
}

TBoxCorners TGLBaseSceneObject::BoundingBox() {
  if (boxChanges_ & kOwnBoxStale) {
    ownBox_ = BoxCornersFromAxisBox(AxisBoxFromHalfExtents(HalfExtents()));
    boxChanges_ &= uint8_t(~kOwnBoxStale);
  }
  return ownBox_;
}

TBoxCorners TGLBaseSceneObject::ChildrenBox() {
  if (boxChanges_ & kChildrenBoxStale) {
    childrenBox_ = kNullBox;
    bool first = true;
    for (TGLBaseSceneObject* child : children_) {
      TBoxCorners box = child->HierarchyBox();
      BoxCornersTransform(box, child->LocalMatrix());
      if (first) {
        childrenBox_ = box;
        first = false;
      } else {
        BoxCornersUnion(childrenBox_, box, childrenBox_);
      }
    }
    boxChanges_ &= uint8_t(~kChildrenBoxStale);
  }
  return childrenBox_;
}

TBoxCorners TGLBaseSceneObject::HierarchyBox() {
  TBoxCorners box = BoundingBox();
  if (!children_.empty()) {
    TBoxCorners children = ChildrenBox();
    BoxCornersUnion(box, children, box);
  }
  return box;
}

TAxisBox TGLBaseSceneObject::AlignedBoxUnscaled(bool includeChildren) {
  TAxisBox box = AxisBoxFromHalfExtents(HalfExtents());
  if (includeChildren) {
    for (TGLBaseSceneObject* child : children_) {
      TAxisBox childBox = child->AlignedBoxUnscaled(true);
      AxisBoxTransform(childBox, child->LocalMatrix());
      AxisBoxInclude(box, childBox);
    }
  }
  return box;
}

TAxisBox TGLBaseSceneObject::AlignedBox(bool includeChildren) {
  TAxisBox box = AlignedBoxUnscaled(includeChildren);
  AxisBoxScale(box, scaling_->AsAffine());
  return box;
}

bool TGLBaseSceneObject::ContainsPoint(const TVector4f& point) {
  const TVector4f local = VectorTransform4(PointFromAffine(Xyz(point)), InvAbsoluteMatrix());
  const TVector4f extents = HalfExtents();
  const TVector4f& scale = scaling_->Value();
  for (int i = 0; i < 3; ++i)
    if (std::fabs(double(local[i]) * scale[i]) > std::fabs(double(extents[i]) * scale[i])) return false;
  return true;
}

bool TGLBaseSceneObject::RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit,
                                      TVector4f* normal) {
  const TVector4f centre = AbsolutePosition();
  TVector4f i1, i2;
  if (RaySphereIntersect(rayStart, VectorNormalized4(rayVector), centre, BoundingRadius(), i1, i2) <= 0) return false;
  if (hit) *hit = PointFromAffine(Xyz(i1));
  if (normal) *normal = VectorNormalized4(VectorDifference4(i1, centre));
  return true;
}

std::unique_ptr<TGLSilhouette> TGLBaseSceneObject::BuildSilhouette(const TOutlineRequest& request) {
  const double r = AffineLength(HalfExtents());
  const double d = AffineLength(request.Viewpoint);
  // Seen from inside the sphere there is no cone to widen it by: the sphere's own radius.
  const double radius = (request.Style != 0 || d <= r) ? r : r * d / std::sqrt(d * d - r * r);
  TVector3f u = AffineCross(request.Viewpoint, TVector3f{1, 0, 0});
  if (AffineLength(u) < 0.001) u = AffineCross(request.Viewpoint, TVector3f{0, 1, 0});
  TVector3f w = AffineCross(request.Viewpoint, u);
  u = AffineNormalized(u);
  w = AffineNormalized(w);

  auto silhouette = std::make_unique<TGLSilhouette>();
  silhouette->Request = request;
  constexpr int kSegments = 21;
  constexpr double kStep = 0.2991993;  // 2 pi / 21
  for (int i = 0; i < kSegments; ++i) {
    const double c = std::cos(i * kStep) * 0.98 * radius, s = std::sin(i * kStep) * 0.98 * radius;
    silhouette->Vertices.AddPoint(float(c * u.x + s * w.x), float(c * u.y + s * w.y), float(c * u.z + s * w.z));
    silhouette->OutlineEdges.Add(i, (i + 1) % kSegments);
  }
  if (request.WithCaps) {
    for (int i = 0; i < kSegments; ++i) silhouette->CapTriangles.Add(kSegments, i, (i + 1) % kSegments);
    silhouette->Vertices.Add(OriginPoint);
  }
  return silhouette;
}

// --- Rendering ------------------------------------------------------------------------------------------------------

void TGLBaseSceneObject::RenderObject(RenderContextInfo& rci) {
  if (rci.drawState == dsPicking && !pickable_) return;
  bool renderSelf = true;
  bool renderChildren = !children_.empty();
  switch (rci.visibilityCulling) {
    case vcObjectBased:
      if (!(objectStyle_ & osNoVisibilityCulling))
        renderSelf = !IsSphereClipped(Xyz(AbsolutePosition()), BoundingRadius(), rci.rcci.frustum);
      break;
    case vcHierarchical: {
      TAxisBox box = AlignedBoxUnscaled(true);
      AxisBoxTransform(box, AbsoluteMatrix());
      if (IsBoxClipped(box.min, box.max, rci.rcci.frustum)) renderSelf = renderChildren = false;
      break;
    }
    default: break;
  }
  if (!renderSelf && !renderChildren) return;

  TGLPipelineTransformation& pipeline = *rci.PipelineTransformation;
  MatrixScope matrices(pipeline);
  RebuildMatrix();
  if (rci.proxySubObject) {
    pipeline.SetModelMatrix(MatrixProduct(localMatrix_, pipeline.ModelMatrix()));
  } else {
    pipeline.SetModelMatrix(AbsoluteMatrix());
  }
  if (!renderSelf) {
    DoRender(rci, false, renderChildren);
    return;
  }
  if (showAxes_) DrawAxes(rci);
  const bool ignoreDepth = (objectStyle_ & osIgnoreDepthBuffer) != 0;
  const bool depthWasOn = rci.GLStates->IsEnabled(stDepthTest);
  if (ignoreDepth) rci.GLStates->DisableState(stDepthTest);
  try {
    if (HasEffects()) {
      {
        MatrixScope effectMatrices(pipeline);
        effects_->RenderPreEffects(rci);
      }
      DoRender(rci, true, renderChildren);
      effects_->RenderPostEffects(rci);
    } else {
      DoRender(rci, true, renderChildren);
    }
  } catch (...) {
    if (ignoreDepth && depthWasOn) rci.GLStates->EnableState(stDepthTest);
    throw;
  }
  if (ignoreDepth && depthWasOn) rci.GLStates->EnableState(stDepthTest);
}

void TGLBaseSceneObject::DrawAxes(RenderContextInfo& rci) {
  TGLStateCache& states = *rci.GLStates;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  const float l = rci.rcci.farClippingDistance - rci.rcci.nearClippingDistance;
  states.SetLineStippleFactor(1);
  states.SetLineStipplePattern(0xCCCC);
  states.EnableState(stLineStipple);
  states.SetLineWidth(1);
  states.DisableState(stLighting);
  if (!rci.ignoreBlendingRequests) {
    states.EnableState(stBlend);
    states.SetBlendFunction(bfSrcAlpha, bfOneMinusSrcAlpha);
  }
  states.SetDepthFunction(cfLEqual);
  states.SetState(stDepthTest, rci.bufferDepthTest);
  struct Axis {
    TVector4f colour;
    TVector3f end;
  };
  const Axis axes[] = {{{0.5f, 0, 0, 1}, {-l, 0, 0}}, {{1, 0, 0, 1}, {l, 0, 0}}, {{0, 0.5f, 0, 1}, {0, -l, 0}},
                       {{0, 1, 0, 1}, {0, l, 0}},     {{0, 0, 0.5f, 1}, {0, 0, -l}}, {{0, 0, 1, 1}, {0, 0, l}}};
  gl.Begin(GL_LINES);
  for (const Axis& axis : axes) {
    gl.Color4fv(&axis.colour.x);
    gl.Vertex3f(0, 0, 0);
    gl.Vertex3f(axis.end.x, axis.end.y, axis.end.z);
  }
  gl.End();
  states.ColorSetBehind();
  states.DisableState(stLineStipple);
}

void TGLBaseSceneObject::RenderSelf(RenderContextInfo& rci) {
  if ((objectStyle_ & osDirectDraw) || rci.amalgamating) {
    BuildList(rci);
  } else {
    rci.GLStates->CallList(CompiledList(rci));
  }
}

void TGLBaseSceneObject::DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf) RenderSelf(rci);
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLBaseSceneObject::RenderChildren(int first, int last, RenderContextInfo& rci) {
  if (children_.empty()) return;
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  if (first > last) return;
  Restore<TGLVisibilityCulling> culling(rci.visibilityCulling);
  if (visibilityCulling_ != vcInherited) rci.visibilityCulling = visibilityCulling_;
  if (first == last) {
    if (children_[size_t(first)]->Visible()) children_[size_t(first)]->RenderObject(rci);
    return;
  }
  Restore<TGLObjectsSorting> sorting(rci.objectsSorting);
  if (objectsSorting_ != osInherited) rci.objectsSorting = objectsSorting_;
  const TGLObjectsSorting mode = rci.objectsSorting;
  if (mode != osRenderFarthestFirst && mode != osRenderBlendedLast && mode != osRenderNearestFirst) {
    for (int i = first; i <= last; ++i)
      if (children_[size_t(i)]->Visible()) children_[size_t(i)]->RenderObject(rci);
    return;
  }
  // Keys are the squared distances of the children's sort positions from the camera plus one, so never
  // negative.
  std::vector<std::pair<float, TGLBaseSceneObject*>> sorted;
  sorted.reserve(size_t(last - first + 1));
  for (int i = first; i <= last; ++i) {
    TGLBaseSceneObject* child = children_[size_t(i)];
    if (!child->Visible()) continue;
    if (mode == osRenderBlendedLast && !child->IsBlended()) {
      child->RenderObject(rci);
      continue;
    }
    sorted.emplace_back(float(AffineDistance2(Xyz(child->SortPosition()), Xyz(rci.cameraPosition)) + 1), child);
  }
  if (sorted.size() > 1)
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  if (mode == osRenderNearestFirst) {
    for (auto& entry : sorted) entry.second->RenderObject(rci);
  } else {
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) it->second->RenderObject(rci);
  }
}

GLuint TGLBaseSceneObject::CompiledList(RenderContextInfo& rci) {
  if (!listHandle_) listHandle_ = std::make_unique<TGLListHandle>(GLContextManager());
  if (listHandle_->Identifier() == 0) listHandle_->AllocateIdentifier();
  if (changes_ & ocStructure) {
    changes_ = uint8_t(changes_ & ~ocStructure);
    MarkOwnBoxStale();
    listHandle_->MarkDataChanged();
  }
  const GLuint list = listHandle_->Identifier();
  if (list != 0 && listHandle_->NeedsDataUpdate()) {
    TGLStateCache& states = *rci.GLStates;
    states.NewList(list, GL_COMPILE);
    try {
      BuildList(rci);
    } catch (...) {
      states.EndList();
      // Compiled again at the next frame.
      changes_ |= ocStructure;
      throw;
    }
    states.EndList();
    listHandle_->MarkDataUpdated();
  }
  return list;
}

void TGLBaseSceneObject::FreeGLHandles() {
  listHandle_.reset();
  for (TGLBaseSceneObject* child : children_) child->FreeGLHandles();
}

void TGLBaseSceneObject::ProgressTick(const TProgressTimes& times) {
  for (size_t i = children_.size(); i-- > 0;)
    if (i < children_.size()) children_[i]->ProgressTick(times);
  if (behaviours_) behaviours_->DoProgress(times);
  if (effects_) effects_->DoProgress(times);
  if (OnProgress) OnProgress(this, times);
}

// --- Copy and storage ------------------------------------------------------------------------------------------------

void TGLBaseSceneObject::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLBaseSceneObject*>(source);
  if (!from) {
    TGLCoordinatesUpdateAbleComponent::Assign(source);
    return;
  }
  if (from == this) return;
  // A tree copied into a part of itself would copy itself without end.
  if (IsInSubtree(from, this) || IsInSubtree(this, from))
    throw platform::Exception("Cannot assign a scene object from its own ancestor or descendant");
  auto* src = const_cast<TGLBaseSceneObject*>(from);
  FreeGLHandles();
  SetVisible(src->visible_);
  SetLocalMatrix(src->LocalMatrix());
  showAxes_ = src->showAxes_;
  objectsSorting_ = src->objectsSorting_;
  visibilityCulling_ = src->visibilityCulling_;
  rotation_->StoreRaw(src->rotation_->Value());
  const std::vector<TGLBaseSceneObject*> sourceChildren = src->children_;
  FreeChildren();
  if (scene_) scene_->BeginUpdate();
  try {
    for (TGLBaseSceneObject* child : sourceChildren) CreateChild(child->ClassName())->Assign(child);
  } catch (...) {
    if (scene_) scene_->EndUpdate();
    throw;
  }
  if (scene_) scene_->EndUpdate();
  OnProgress = src->OnProgress;
  if (src->HasBehaviours()) {
    Behaviours().Assign(src->behaviours_.get());
  } else {
    behaviours_.reset();
  }
  if (src->HasEffects()) {
    Effects().Assign(src->effects_.get());
  } else {
    effects_.reset();
  }
  Tag = src->Tag;
  TagFloat = src->TagFloat;
}

void TGLBaseSceneObject::DefinePublished(TFiler& filer) {
  TGLCoordinatesUpdateAbleComponent::DefinePublished(filer);
  DefineEnum<TGLObjectsSorting>(filer, "ObjectsSorting", objectsSorting_,
                                [this](TGLObjectsSorting v) { SetObjectsSorting(v); }, osInherited,
                                osRenderNearestFirst);
  DefineEnum<TGLVisibilityCulling>(filer, "VisibilityCulling", visibilityCulling_,
                                   [this](TGLVisibilityCulling v) { SetVisibilityCulling(v); }, vcInherited,
                                   vcHierarchical);
  auto coordinates = [&filer](const char* name, TGLCoordinates3& value) {
    DefineObject(filer, name, &value, [&value]() -> TPersistent& { return value; });
  };
  coordinates("Direction", *direction_);
  DefineSingle(filer, "PitchAngle", PitchAngle(), [this](float v) { SetPitchAngle(v); }, 0);
  coordinates("Position", *position_);
  DefineSingle(filer, "RollAngle", RollAngle(), [this](float v) { SetRollAngle(v); }, 0);
  coordinates("Scale", *scaling_);
  DefineBoolean(filer, "ShowAxes", showAxes_, [this](bool v) { SetShowAxes(v); }, false);
  DefineSingle(filer, "TurnAngle", TurnAngle(), [this](float v) { SetTurnAngle(v); }, 0);
  coordinates("Up", *up_);
  DefineBoolean(filer, "Visible", visible_, [this](bool v) { SetVisible(v); }, true);
  DefineBoolean(filer, "Pickable", pickable_, [this](bool v) { SetPickable(v); }, true);
  DefineInteger(filer, "Tag", Tag, [this](int32_t v) { Tag = v; }, 0);
  DefineSingle(filer, "TagFloat", TagFloat, [this](float v) { TagFloat = v; }, 0);
}

void TGLBaseSceneObject::DefineProperties(TFiler& filer) {
  TGLCoordinatesUpdateAbleComponent::DefineProperties(filer);
  auto define = [&filer](const std::string& name, TXCollection* collection, std::function<TXCollection&()> make) {
    filer.DefineBinaryProperty(
        name,
        [make](platform::Stream& stream) {
          TBinaryReader reader(stream);
          make().LoadBinary(reader);
        },
        [collection](platform::Stream& stream) {
          TBinaryWriter writer(stream);
          collection->SaveBinary(writer);
        },
        collection && collection->Count() > 0);
  };
  define("BehavioursData", behaviours_.get(), [this]() -> TXCollection& { return Behaviours(); });
  define("EffectsData", effects_.get(), [this]() -> TXCollection& { return Effects(); });
}

void TGLBaseSceneObject::Loaded() {
  TVector4f p = position_->Value();
  p.w = 1;
  position_->StoreRaw(p);
  if (behaviours_) behaviours_->AfterLoad();
  if (effects_) effects_->AfterLoad();
  TGLCoordinatesUpdateAbleComponent::Loaded();
  MarkTransformChanged();
}

}  // namespace scene3d
