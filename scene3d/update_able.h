// Change notification of the 3D scene: how a property object (a colour, a coordinate triple) or a
// component tells what it belongs to that it changed, so that the change climbs to the scene and the
// view repaints.
//
// IGLNotifyAble is what can be told: NotifyChange(sender). TGLUpdateAbleObject (a property object
// with an owner) and TGLUpdateAbleComponent (a component of the scene) both are.
//
// How a later class derives and notifies:
//   class TGLColor : public TGLUpdateAbleObject {
//    public:
//     explicit TGLColor(TPersistent* owner) : TGLUpdateAbleObject(owner) {}
//     void SetRed(float v) { if (v != color_[0]) { color_[0] = v; NotifyChange(this); } }
//   };
// A setter stores, then calls NotifyChange(this). A run of changes is wrapped in BeginUpdate /
// EndUpdate: nothing is told inside, and the EndUpdate that closes the run tells once.
// TGLUpdateAbleObject::NotifyChange tells the owner when it is updatable (object or component),
// then fires OnChange; both get this object as the sender.
#pragma once

#include <string>

#include "scene3d/component.h"
#include "scene3d/persistent.h"

namespace scene3d {

// Stores `value` into `field` when they differ; true when it did, so a setter reads
//   if (StoreChanged(width_, width)) NotifyChange(this);
template <class T>
bool StoreChanged(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

class IGLNotifyAble {
 public:
  virtual void NotifyChange(TObject* sender) = 0;

 protected:
  ~IGLNotifyAble() = default;
};

// A persistent object that may implement interfaces (C++ abstract bases); nothing is counted.
class TGLInterfacedPersistent : public TPersistent {
 public:
  std::string ClassName() const override { return "TGLInterfacedPersistent"; }
};

class TGLUpdateAbleObject : public TGLInterfacedPersistent, public IGLNotifyAble {
 public:
  // `owner` (may be none) is told of changes; it is not owned.
  explicit TGLUpdateAbleObject(TPersistent* owner) : owner_(owner) {}
  std::string ClassName() const override { return "TGLUpdateAbleObject"; }

  TPersistent* GetOwner() const override { return owner_; }
  TPersistent* Owner() const { return owner_; }

  // Nothing while an update is open. Otherwise the owner, when it is a TGLUpdateAbleObject or a
  // TGLUpdateAbleComponent, gets NotifyChange(this); then OnChange(this). The sender given is not
  // passed on: whoever hears it hears it from this object.
  void NotifyChange(TObject* sender) override;

  void BeginUpdate() { ++updateCount_; }
  // The call that closes the last open update notifies; one without an open update does nothing.
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  TNotifyEvent OnChange;

 private:
  TPersistent* owner_;
  int updateCount_ = 0;
};

// The times a progress step hands on: seconds since the last step and since the start.
struct TProgressTimes {
  double deltaTime = 0;
  double newTime = 0;
};

// The root of the 3D library's components.
class TGLComponent : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TGLComponent"; }
};

// A component that the scene's cadence steps; empty here.
class TGLCadenceAbleComponent : public TGLComponent {
 public:
  using TGLComponent::TGLComponent;
  std::string ClassName() const override { return "TGLCadenceAbleComponent"; }
  virtual void DoProgress(const TProgressTimes& progressTimes);
};

class TGLUpdateAbleComponent : public TGLCadenceAbleComponent, public IGLNotifyAble {
 public:
  using TGLCadenceAbleComponent::TGLCadenceAbleComponent;
  std::string ClassName() const override { return "TGLUpdateAbleComponent"; }
  // Tells the owner, when it is a TGLUpdateAbleComponent, NotifyChange(this); nothing else.
  void NotifyChange(TObject* sender) override;
};

}  // namespace scene3d
