// The stored form of an object: its published values (DefinePublished) and then those it defines
// itself (DefineProperties), one named block of bytes each (filer.h). A published value is one
// archive value (archive.h) left out while it holds its default; a nested property object (a colour,
// a material) is one block that holds the nested object's own stored form.
//
//   void TGLMyShape::DefinePublished(TFiler& filer) {
//     TGLStageObject::DefinePublished(filer);
//     DefineSingle(filer, "Size", size_, [this](float v) { SetSize(v); }, 1);
//     DefineEnum(filer, "Style", style_, [this](TStyle v) { SetStyle(v); }, stPlain, stLast);
//     DefineObject(filer, "EdgeColor", &EdgeColor(), [this]() -> TPersistent& { return EdgeColor(); });
//   }
//
// Reading is strict: a value of the wrong kind, an enumeration or count outside its range, a block
// with bytes left over or a name the class does not define raises an error of platform::FormatError's
// tree and never reaches past the bytes that are there.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "scene3d/archive.h"
#include "scene3d/collection.h"
#include "scene3d/component.h"
#include "scene3d/filer.h"
#include "scene3d/vector_types.h"

namespace scene3d {

// Published values, then defined ones.
TStoredProperties StoreObject(TPersistent& object);
// Hands the values back; a name nobody took raises EFilerException "<class>: unknown stored
// property <name>".
void LoadObject(TPersistent& object, const TStoredProperties& properties);

// As archive values: start of list, then the name and the bytes (as a string) of each, end of list.
void WriteStoredProperties(TVirtualWriter& writer, const TStoredProperties& properties);
TStoredProperties ReadStoredProperties(TVirtualReader& reader);

void DefineBoolean(TFiler& filer, const std::string& name, bool value, const std::function<void(bool)>& set,
                   bool defaultValue);
// Values outside [minimum, maximum] are refused when read.
void DefineInteger(TFiler& filer, const std::string& name, int32_t value, const std::function<void(int32_t)>& set,
                   int32_t defaultValue, int32_t minimum = std::numeric_limits<int32_t>::min(),
                   int32_t maximum = std::numeric_limits<int32_t>::max());
void DefineSingle(TFiler& filer, const std::string& name, float value, const std::function<void(float)>& set,
                  float defaultValue);
void DefineText(TFiler& filer, const std::string& name, const std::string& value,
                const std::function<void(const std::string&)>& set, const std::string& defaultValue = {});
// Slices, stacks, tiles, divisions: counts of pieces a drawing is made of, refused when read above
// kMaxStoredSubdivisions (more than any drawing needs, few enough that no stored scene makes a frame
// run for minutes) or below 0.
inline constexpr int32_t kMaxStoredSubdivisions = 1024;
void DefineSubdivisions(TFiler& filer, const std::string& name, int32_t value, const std::function<void(int32_t)>& set,
                        int32_t defaultValue);
// An enumeration stored as its ordinal, 0..last.
template <class E>
void DefineEnum(TFiler& filer, const std::string& name, E value, const std::function<void(E)>& set, E defaultValue,
                E last) {
  DefineInteger(
      filer, name, static_cast<int32_t>(value), [set](int32_t v) { set(static_cast<E>(v)); },
      static_cast<int32_t>(defaultValue), 0, static_cast<int32_t>(last));
}
// A set of bits stored as an integer; bits outside `mask` are refused when read.
void DefineBits(TFiler& filer, const std::string& name, uint32_t value, const std::function<void(uint32_t)>& set,
                uint32_t defaultValue, uint32_t mask);
// A nested object: stored when `present` is not null and has anything to store (or, with
// storeEmpty, whenever it is present: for an object made on first access whose being there counts);
// when read, `get` gives (or makes) the object that takes the values.
void DefineObject(TFiler& filer, const std::string& name, TPersistent* present,
                  const std::function<TPersistent&()>& get, bool storeEmpty = false);

// Four singles as 16 bytes, little-endian IEEE; stored unless `hasData` says otherwise.
void DefineVector(TFiler& filer, const std::string& name, const TVector4f& value,
                  const std::function<void(const TVector4f&)>& set, bool hasData = true);
// The items of a collection, each as its own stored form in a list; stored when there are items.
// Reading replaces the items.
void DefineCollection(TFiler& filer, const std::string& name, TCollection& collection);

// While a stored definition is read, names of components (a material library, a font, a camera's
// target) are looked for among the components of the scope's roots, the latest made first, and the
// roots themselves. Scopes nest; the innermost counts.
class TStoredReferenceScope {
 public:
  explicit TStoredReferenceScope(TComponent* root, TComponent* secondRoot = nullptr);
  ~TStoredReferenceScope();
  TStoredReferenceScope(const TStoredReferenceScope&) = delete;
  TStoredReferenceScope& operator=(const TStoredReferenceScope&) = delete;

 private:
  TComponent* previous_[2];
};
// The component of that name in the current scope, or null (also outside any scope).
TComponent* FindStoredComponent(const std::string& name);
// A reference to a component, stored as its name; when read, the component of that name is looked
// for in the current scope and `set` gets it (or null when there is none).
void DefineComponentReference(TFiler& filer, const std::string& name, const TComponent* value,
                              const std::function<void(TComponent*)>& set);

}  // namespace scene3d
