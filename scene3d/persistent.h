// The roots of the 3D library's class tree.
//
// TObject: every class whose objects are handled through base pointers (lists of objects, readers,
// writers, the log). It knows its class's name, which archives and messages spell out, so every
// class overrides ClassName() with its own name. Objects are not copyable: they are shared by
// pointer and copied with Assign.
//
// TPersistent: an object whose contents another object can take over (Assign), that may name an
// owner (GetOwner) and may store values of its own beside its published ones (DefineProperties,
// filer.h). A class that can copy from another overrides Assign and calls the base for any
// source it does not know; a class that can copy itself into another overrides AssignTo. When
// neither side knows the other, EConvertError "Cannot assign a <source> to a <destination>".
//
// Interfaces are C++ abstract classes asked for with dynamic_cast; nothing is reference-counted
// through them: every object has one owner that frees it.
#pragma once

#include <functional>
#include <string>

namespace scene3d {

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  virtual std::string ClassName() const { return "TObject"; }
};

// An event that tells its handler which object it comes from.
using TNotifyEvent = std::function<void(TObject* sender)>;

class TFiler;

class TPersistent : public TObject {
 public:
  std::string ClassName() const override { return "TPersistent"; }

  // Takes over what `source` holds; a null source means "nothing" and is refused here
  // ("Cannot assign a nil to a TFoo") unless a derived class gives it a meaning.
  virtual void Assign(const TPersistent* source);
  // The object this one belongs to (a property object's owner, an item's collection), or none.
  virtual TPersistent* GetOwner() const { return nullptr; }
  // How the object is named in messages: its class name here, its name for components.
  virtual std::string GetNamePath() const { return ClassName(); }
  // Names the values the object stores itself, with their reader and writer; none here.
  virtual void DefineProperties(TFiler& filer);
  // Names the object's published values the same way, so that a stored definition keeps them
  // (stored_object.h); none here. A class calls its base first.
  virtual void DefinePublished(TFiler& filer);

 protected:
  // Copies this object into `dest`; the default refuses with EConvertError.
  virtual void AssignTo(TPersistent* dest) const;
};

}  // namespace scene3d
