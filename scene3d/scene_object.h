// TGLBaseSceneObject: a node of the scene tree. It holds its children, its placement (Position,
// Direction, Up, Scale and the three angles), the change bits that say which cached matrices, boxes
// and display list are stale, and renders itself and then its children with sorting and culling.
//
// How a scene object is made (later objects follow this pattern):
//   class TGLMyShape : public TGLStageObject {            // custom_scene_object.h; material applied
//    public:
//     explicit TGLMyShape(TComponent* owner) : TGLStageObject(owner) {}
//     std::string ClassName() const override { return "TGLMyShape"; }
//     void SetSize(float v) { if (v != size_) { size_ = v; StructureChanged(); } }   // rebuild list
//     TVector4f HalfExtents() const override { return {size_ / 2, size_ / 2, size_ / 2, 0}; }
//     void BuildList(RenderContextInfo& rci) override { ...OpenGL through ActiveGLTable()... }
//    private:
//     float size_ = 1;
//   };
//   and once at start: RegisterSceneObjectClass<TGLMyShape>() (scene_classes.h), so Assign and stored
//   definitions can make one by its class name.
//
// BuildList draws the object in its own coordinates; it is compiled into a display list that is
// called every frame and recompiled only after StructureChanged. With the direct-draw style
// (osDirectDraw) BuildList runs every frame instead. A setter that changes what BuildList draws calls
// StructureChanged; one that changes only how it looks (placement, visibility) calls NotifyChange or
// lets the coordinates do it. Both reach the scene (TGLStage) and every buffer showing it, whose
// viewer repaints.
//
// Ownership: objects are components, freed by their component owner (the form, or the scene for
// CreateChild) or by their parent when it is freed; an object freed on its own leaves its parent.
// An object may stand in one place of the tree: AddChild and Insert take it from a former parent.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene3d/bounding_boxes.h"
#include "scene3d/coordinates.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/render_context_info.h"
#include "scene3d/silhouette.h"

namespace scene3d {

class TGLStage;
class TGLListHandle;
class TGLBehaviours;
class TGLObjectEffects;
class TGLLightSource;

// The change bits.
inline constexpr uint8_t ocTransformation = 1;    // the local matrix must be rebuilt
inline constexpr uint8_t ocAbsoluteMatrix = 2;
inline constexpr uint8_t ocInvAbsoluteMatrix = 4;
inline constexpr uint8_t ocStructure = 8;         // the display list must be recompiled

// The object style bits.
inline constexpr uint8_t osDirectDraw = 1;          // no display list: BuildList every frame
inline constexpr uint8_t osIgnoreDepthBuffer = 2;   // depth test off around the object's own drawing
inline constexpr uint8_t osNoVisibilityCulling = 4;

using TGLProgressEvent = std::function<void(TObject* sender, const TProgressTimes& times)>;

class TGLBaseSceneObject : public TGLCoordinatesUpdateAbleComponent {
 public:
  explicit TGLBaseSceneObject(TComponent* owner);
  // Frees the cameras below it first (their viewers hear it while the tree is whole), leaves the
  // parent and frees the children.
  ~TGLBaseSceneObject() override;
  std::string ClassName() const override { return "TGLBaseSceneObject"; }

  // --- Tree ---
  TGLBaseSceneObject* Parent() const { return parent_; }
  TGLStage* Scene() const { return scene_; }
  int Count() const { return static_cast<int>(children_.size()); }
  // EListError outside 0..Count()-1.
  TGLBaseSceneObject* Children(int index) const;
  int IndexOfChild(const TGLBaseSceneObject* child) const;
  // Appends `child`, taking it from a former parent first. Refuses (platform::Exception) to put an
  // object under itself or under one of its own descendants.
  void AddChild(TGLBaseSceneObject* child);
  // Before `index` (clamped to 0..Count()).
  void Insert(int index, TGLBaseSceneObject* child);
  // Detaches `child`. With keepChildren the child's own children move to this object.
  void Remove(TGLBaseSceneObject* child, bool keepChildren);
  void FreeChildren();
  // A new object of the registered class `className`, owned by this object's component owner, appended
  // (or inserted first).
  TGLBaseSceneObject* CreateChild(const std::string& className);
  TGLBaseSceneObject* CreateChildFirst(const std::string& className);
  template <class T>
  T* CreateChild() {
    T* child = new T(Owner());
    AddChild(child);
    return child;
  }
  void MoveTo(TGLBaseSceneObject* newParent);
  // Position among the parent's children, -1 without parent.
  int Index() const;
  // Clamped to [0, Count() - 1] of the parent.
  void SetIndex(int index);
  // The object itself and its children, recursively, depth first.
  void ForEachInTree(const std::function<void(TGLBaseSceneObject&)>& visit);

  // --- Placement ---
  TGLCoordinates3& Position() { return *position_; }
  TGLCoordinates3& Direction() { return *direction_; }
  TGLCoordinates3& Up() { return *up_; }
  TGLCoordinates3& Scale() { return *scaling_; }
  TGLCoordinates3& Rotation() { return *rotation_; }
  const TGLCoordinates3& Position() const { return *position_; }
  const TGLCoordinates3& Direction() const { return *direction_; }
  const TGLCoordinates3& Up() const { return *up_; }
  const TGLCoordinates3& Scale() const { return *scaling_; }
  // Copies; Direction and Up ignore a null vector.
  void SetPosition(const TGLCustomCoordinates& value);
  void SetDirection(const TGLCustomCoordinates& value);
  void SetUp(const TGLCustomCoordinates& value);
  void SetScale(const TGLCustomCoordinates& value);
  void TranslatePosition(float dx, float dy, float dz);
  // Degrees, kept in -180..180. Setting rotates Direction and Up by the change.
  float PitchAngle() const;
  float TurnAngle() const;
  float RollAngle() const;
  void SetPitchAngle(float degrees);
  void SetTurnAngle(float degrees);
  void SetRollAngle(float degrees);
  // Takes Position, Direction, Up and Scale from the matrix's rows.
  void SetLocalMatrix(const TMatrix4f& m);
  const TMatrix4f& LocalMatrix();
  const TMatrix4f& AbsoluteMatrix();
  const TMatrix4f& InvAbsoluteMatrix();
  TVector4f AbsolutePosition();
  TVector4f AbsoluteDirection();
  TVector4f AbsoluteUp();
  TVector4f LocalToAbsolute(const TVector4f& v);
  TVector4f AbsoluteToLocal(const TVector4f& v);
  // Up x Direction and its opposite.
  TVector4f RightVector() const;
  TVector4f LeftVector() const;
  double SquaredDistanceTo(const TVector4f& point);
  // Rebuilds the local matrix when its bit says so.
  void RebuildMatrix();

  // --- Change ---
  uint8_t Changes() const { return changes_; }
  void NotifyChange(TObject* sender) override;
  virtual void StructureChanged();
  void MarkTransformChanged();
  virtual void BeginUpdate() { ++updateCount_; }
  virtual void EndUpdate();
  int32_t UpdateCount() const { return updateCount_; }
  void CoordinatesEdited(TGLCustomCoordinates* sender) override { CoordinatesChanged(sender); }

  // --- Properties ---
  virtual bool Visible() const { return visible_; }
  virtual void SetVisible(bool flag);
  virtual bool Pickable() const { return pickable_; }
  virtual void SetPickable(bool flag);
  bool ShowAxes() const { return showAxes_; }
  void SetShowAxes(bool flag);
  TGLObjectsSorting ObjectsSorting() const { return objectsSorting_; }
  void SetObjectsSorting(TGLObjectsSorting sorting);
  TGLVisibilityCulling VisibilityCulling() const { return visibilityCulling_; }
  void SetVisibilityCulling(TGLVisibilityCulling culling);
  uint8_t ObjectStyle() const { return objectStyle_; }
  void SetObjectStyle(uint8_t style);
  // Created on first access.
  TGLBehaviours& Behaviours();
  TGLObjectEffects& Effects();
  bool HasBehaviours() const;
  bool HasEffects() const;
  int32_t Tag = 0;
  float TagFloat = 0;
  TGLProgressEvent OnProgress;
  TNotifyEvent OnPicked;
  TNotifyEvent OnAddedToParent;

  // --- Boxes ---
  // Half the object's size on each axis in its own coordinates, W 0; 0.5 here.
  virtual TVector4f HalfExtents() const;
  // Where the object stands when its parent sorts its children by distance: its absolute position.
  virtual TVector4f SortPosition() { return AbsolutePosition(); }
  // Length of the half extents scaled by Scale.
  float BoundingRadius();
  // The object's own box in its own coordinates.
  virtual TBoxCorners BoundingBox();
  // The children's hierarchy boxes in this object's coordinates; the null box without children.
  TBoxCorners ChildrenBox();
  // Own box and children's box together.
  TBoxCorners HierarchyBox();
  // Own half extents as a box, grown by the children's boxes placed by their local matrices, then
  // scaled by Scale.
  TAxisBox AlignedBox(bool includeChildren);
  virtual bool ContainsPoint(const TVector4f& point);
  // Against the bounding sphere at the absolute position: the hit and the normal from the centre.
  virtual bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal);
  // A circle of 21 vertices across the view, a little inside the bounding sphere's outline.
  virtual std::unique_ptr<TGLSilhouette> BuildSilhouette(const TOutlineRequest& request);

  // --- Rendering ---
  // Culls, places, draws the object (axes, effects, its drawing) and its children.
  void RenderObject(RenderContextInfo& rci);
  virtual void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren);
  void RenderChildren(int first, int last, RenderContextInfo& rci);
  // The display list of the object in the current context, compiled when its structure changed.
  virtual GLuint CompiledList(RenderContextInfo& rci);
  // Draws the object in its own coordinates; nothing here.
  virtual void BuildList(RenderContextInfo&) {}
  virtual bool IsBlended() const { return false; }
  // The display lists of the object and its descendants.
  virtual void FreeGLHandles();
  // Run once at the start of a frame for an object registered with its scene's
  // AddInitializableObject (things that need a context, such as font textures); nothing here.
  virtual void InitializeObject(RenderContextInfo&) {}
  // Children from last to first, behaviours, effects, then OnProgress.
  virtual void ProgressTick(const TProgressTimes& times);

  // From another scene object: placement, flags, angles, a copy of each child, behaviours, effects, tags.
  void Assign(const TPersistent* source) override;
  // Sorting, culling, placement, angles, flags and tags (stored_object.h).
  void DefinePublished(TFiler& filer) override;
  void DefineProperties(TFiler& filer) override;

  // Puts the subtree into `scene` (none: out of any scene); the scene hears of every light.
  void SetScene(TGLStage* scene);

 protected:
  void Loaded() override;
  virtual void CoordinatesChanged(TGLCustomCoordinates* sender);
  // Told when the object enters a scene or leaves one (lights register here).
  virtual void SceneChanged(TGLStage* oldScene, TGLStage* newScene);
  virtual void AddedToParent();
  void SetObjectStyleBits(uint8_t bits, bool on);
  // The display list is up to date with the object's structure (what a camera's frame does).
  void ClearStructureChanged() { changes_ = uint8_t(changes_ & ~ocStructure); }
  // Draws the object's own part: BuildList or the display list, as the style and context say.
  void RenderSelf(RenderContextInfo& rci);
  // The box bits: own box and children's box stale here, children's box stale in every ancestor.
  void MarkOwnBoxStale();
  void MarkChildrenBoxStaleUpwards();

 private:
  void Detach(TGLBaseSceneObject* child);
  void AttachAt(int index, TGLBaseSceneObject* child);
  void MarkAbsoluteStale();
  void RotateFrame(const TVector3f& axis, float oldDegrees, float newDegrees);
  void SetAngle(int axis, float degrees);
  TAxisBox AlignedBoxUnscaled(bool includeChildren);
  void DrawAxes(RenderContextInfo& rci);
  void DeleteChildCameras();

  TGLBaseSceneObject* parent_ = nullptr;
  TGLStage* scene_ = nullptr;
  std::vector<TGLBaseSceneObject*> children_;
  uint8_t changes_ = ocTransformation | ocAbsoluteMatrix | ocInvAbsoluteMatrix | ocStructure;
  uint8_t objectStyle_ = 0;
  std::unique_ptr<TGLCoordinates3> position_;
  std::unique_ptr<TGLCoordinates3> rotation_;
  std::unique_ptr<TGLCoordinates3> direction_;
  std::unique_ptr<TGLCoordinates3> up_;
  std::unique_ptr<TGLCoordinates3> scaling_;
  TMatrix4f localMatrix_ = IdentityMatrix;
  TMatrix4f absoluteMatrix_ = IdentityMatrix;
  TMatrix4f invAbsoluteMatrix_ = IdentityMatrix;
  bool visible_ = true;
  bool pickable_ = true;
  bool showAxes_ = false;
  TGLObjectsSorting objectsSorting_ = osInherited;
  TGLVisibilityCulling visibilityCulling_ = vcInherited;
  std::unique_ptr<TGLListHandle> listHandle_;
  int32_t updateCount_ = 0;
  bool isCalculating_ = false;
  std::unique_ptr<TGLBehaviours> behaviours_;
  std::unique_ptr<TGLObjectEffects> effects_;
  // Box cache: bit 1 the children's box is stale, bit 2 the own box.
  uint8_t boxChanges_ = 3;
  TBoxCorners ownBox_{};
  TBoxCorners childrenBox_{};
};

// True when `object` is `ancestor` or lies below it.
bool IsInSubtree(const TGLBaseSceneObject* object, const TGLBaseSceneObject* ancestor);

}  // namespace scene3d
