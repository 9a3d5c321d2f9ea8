// The base of every drawing object: identity, layer and the visible, enabled and to-be-saved flags,
// with the stream header every object record starts with.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/binary_stream.h"

namespace cad {

class TKQCmp;

class TGraphicObject {
 public:
  using ChangeEvent = std::function<void(TGraphicObject& sender)>;

  explicit TGraphicObject(int32_t id);
  // Reads the header: ID int32, layer uint8, flags uint8 (bit 0 visible, bit 1 enabled, bit 2 NOT to
  // be saved). Derived classes read their own fields after their parent's.
  TGraphicObject(platform::ByteReader& stream, const std::string& versionTag);
  virtual ~TGraphicObject() = default;
  TGraphicObject(const TGraphicObject&) = delete;
  TGraphicObject& operator=(const TGraphicObject&) = delete;

  // The name the class registry knows this class by.
  virtual std::string ClassName() const = 0;
  // Recomputes the object's extents from its data.
  virtual void UpdateExtension() = 0;
  // Not const: a drawing object may settle pending state into its data as it is saved.
  virtual void SaveToStream(platform::ByteWriter& stream);
  // Copies visible, enabled and to-be-saved (not the ID, not the layer).
  virtual void Assign(const TGraphicObject& source);
  // Every changing operation ends here: new extents, then the change event.
  void UpdateAndNotify();

  int32_t ID = 0;
  uint8_t Layer = 0;
  bool Visible = true;
  bool Enabled = true;
  bool ToBeSaved = true;
  // False: drawn in blue, one pixel wide, without the layer's style, and never picked.
  bool LayerStyled = true;
  // The drawing container holding the object; none until it is added.
  TKQCmp* Owner = nullptr;
  // The node of the entity information tree showing the object (a platform::TreeItemId; 0 for none).
  uint64_t TreeNode = 0;
  ChangeEvent OnChange;
};

// The object belongs to class T (or an heir of it); As<T> gives it as one, or nullptr.
template <typename T>
bool Is(const TGraphicObject& object) {
  return dynamic_cast<const T*>(&object) != nullptr;
}
template <typename T>
const T* As(const TGraphicObject& object) {
  return dynamic_cast<const T*>(&object);
}
template <typename T>
T* As(TGraphicObject& object) {
  return dynamic_cast<T*>(&object);
}

}  // namespace cad
