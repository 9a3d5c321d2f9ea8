// The base of everything a 2D drawing holds: extents, the model transform (part of the object's
// data) and the current transform (still being applied, as while an object is dragged), the drawing
// and picking protocol, and a shared control-point handler.
//
// What a drawing container, a viewport or a writer uses:
// - Draw (view, canvas, clip, mode): view maps object coordinates (after the model transform) to
//   screen pixels, clip is the screen clip rectangle in pixels;
// - IsVisible (clip, mode): clip here is the visible window in drawing units;
// - PickTest (point, aperture, out distance) -> pick code (PICK_NOOBJECT ... control-point index);
// - Extents (after UpdateExtension), GetModelTransform, and for entities their points (primitives);
// - SaveToStream / the stream constructor registered in the class register.
#pragma once

#include <atomic>
#include <memory>
#include <optional>

#include "cad/decorative_pen.h"
#include "cad/geometry.h"
#include "cad/graphic_object.h"

namespace cad {

class TObject2D;

// Drawing-mode bit: vector texts leave out their characters (their box is still drawn).
inline constexpr int DRAWMODE_NOCHARS = 0x20;

// Control-point drawing and picking shared by many objects; freed when its last user lets go.
class TObject2DHandler {
 public:
  // One reference, held by the creator. `object` is the object it was made for, or none.
  explicit TObject2DHandler(TObject2D* object = nullptr) : object_(object) {}
  TObject2DHandler(const TObject2DHandler&) = delete;
  TObject2DHandler& operator=(const TObject2DHandler&) = delete;

  void Reference() { refCount_.fetch_add(1); }
  // Drops one reference; the last frees the handler.
  void Release();
  int RefCount() const { return refCount_.load(); }
  TObject2D* Object() const { return object_; }

  // Both do nothing here.
  virtual void DrawControlPoints(TObject2D& object, const TTransform2D& view, int width, TDecorativeCanvas& canvas);
  // A control-point index, or PICK_NOOBJECT.
  virtual int PickTest(TObject2D& object, const TPoint2D& p, double& distance, double aperture);

 protected:
  // Only through Release. Clears the handler of the object it was made for.
  virtual ~TObject2DHandler();

 private:
  TObject2D* object_;
  std::atomic<int> refCount_{1};
};

class TObject2D : public TGraphicObject {
 public:
  explicit TObject2D(int32_t id);
  // After the header: the 72-byte transform, which becomes the model transform.
  TObject2D(platform::ByteReader& stream, const std::string& versionTag);
  ~TObject2D() override;

  // Bakes the current transform into the model transform, then writes it.
  void SaveToStream(platform::ByteWriter& stream) override;
  // Copies what both objects share, then recomputes and notifies. Derived classes copy their own
  // data in AssignFrom.
  void Assign(const TGraphicObject& source) final;

  // An empty object of the same class with this ID (a group copies its children through it).
  virtual std::unique_ptr<TObject2D> NewInstance(int32_t id) const = 0;

  // Model x current: the model transform acts first on a point.
  TTransform2D GetModelTransform() const;
  // An exact identity drops the current transform; then UpdateAndNotify.
  virtual void SetTransform(const TTransform2D& m);
  virtual bool HasTransform() const { return model_.has_value() || current_.has_value(); }
  virtual void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) = 0;
  // The visible flag set and the extents overlapping `clip` (both taken as ordered).
  virtual bool IsVisible(const TRect2D& clip, int mode) const;

  // current := current x m.
  virtual void Transform(const TTransform2D& m);
  // model := model x current; current dropped.
  virtual void ApplyTransform();
  virtual void DrawControlPoints(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int width);
  // PICK_NOOBJECT for a disabled object; PICK_INBBOX inside the extents grown by the aperture; a
  // handler's control-point index beats both. `distance` is 1e8 when nothing was found.
  virtual int PickTest(const TPoint2D& p, double aperture, double& distance);

  // An identity drops the model transform; always drops the current one; no notification.
  void SetModelTransform(const TTransform2D& m);
  void ResetTransform();
  // The point in object coordinates (through the inverse of GetModelTransform).
  TPoint2D ToObjectPoint(const TPoint2D& p) const;

  TObject2DHandler* Handler() const { return handler_; }
  // Lets go of the old handler and takes a reference to the new one.
  void SetHandler(TObject2DHandler* handler);

  // Valid after UpdateExtension, in drawing units (model transform applied).
  const TRect2D& Extents() const { return extents_; }
  // The objects one Draw of this object enters, itself included: 1 for a plain object; groups and
  // placements count what they hold through every level (see TContainer2D::kMaxDrawnObjects).
  virtual int64_t DrawnObjects() const { return 1; }

  bool ShowBoundingBox = false;

 protected:
  // Copies the data of `source` when it is of a class this one copies from; every override calls
  // its parent's first.
  virtual void AssignFrom(const TGraphicObject& source);
  // Extents in object coordinates brought to drawing units.
  TRect2D ModelBoundingBox(const TRect2D& objectBox) const;

  TRect2D extents_ = Rect2D(0, 0, 0, 0);

 private:
  friend class TObject2DHandler;

  std::optional<TTransform2D> model_;
  std::optional<TTransform2D> current_;
  TObject2DHandler* handler_ = nullptr;
};

// Reads one object record: int16 class id, then the record of the class registered under it.
// Unknown ids raise the class register's errors; a short stream raises FormatError.
std::unique_ptr<TGraphicObject> KQSysReadObject(platform::ByteReader& stream, const std::string& versionTag);
// The same for records that must hold a 2D object; anything else raises ECADFileNotValid.
std::unique_ptr<TObject2D> KQSysReadObject2D(platform::ByteReader& stream, const std::string& versionTag);
// Writes the object's class id (from its class name) and its record.
void KQSysWriteObject(platform::ByteWriter& stream, TGraphicObject& object);

// Reads a count of items of at least `itemSize` bytes each, refusing a negative one or one that
// the remaining bytes cannot hold with ECADFileNotValid "<where>: <what> count out of bounds".
int32_t ReadCheckedCount(platform::ByteReader& stream, size_t itemSize, const char* where, const char* what);

}  // namespace cad
