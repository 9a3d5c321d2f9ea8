// The colour of the 3D scene: red, green, blue and alpha in 0..1 as a TVector4f, and TGLColor, the
// persistent, change-notifying colour that materials, lights, the background and lines publish.
//
// Notification: SetColor and Assign always notify; the component setters (SetRed...) only when the
// value changes. The owner is told once per change, as every TGLUpdateAbleObject tells it, then
// OnChange fires; nothing while an update is open.
//
// Stored definitions: the colour is the binary property "Color" (16 bytes, see vector_property.h),
// left out when UseDefaultColors was on at its creation and it still holds its initial colour.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/canvas.h"
#include "scene3d/update_able.h"
#include "scene3d/vector_property.h"

namespace scene3d {

using platform::TColor;

inline constexpr TVector4f clrBlack{0, 0, 0, 1};
inline constexpr TVector4f clrDarkGray{0.2f, 0.2f, 0.2f, 1};
inline constexpr TVector4f clrLightGray{0.8f, 0.8f, 0.8f, 1};
inline constexpr TVector4f clrWhite{1, 1, 1, 1};

// When on, every colour made from then on remembers its initial value as its default.
extern bool UseDefaultColors;

// A system colour (high byte 0xFF) is first resolved through the platform's table of system colours
// (platform::ColorToRGB; an index that names none gives black); then the bytes 0, 1, 2 become red,
// green and blue over 255.
TVector4f ColorFromTColor(TColor color, float alpha);
inline uint8_t ColorRed(TColor color) { return platform::RedOf(color); }
inline uint8_t ColorGreen(TColor color) { return platform::GreenOf(color); }
inline uint8_t ColorBlue(TColor color) { return platform::BlueOf(color); }

// The system colours 0 to 21 as colours with alpha 1, in index order.
const std::array<TVector4f, 22>& SystemColorVectors();

class TGLColor : public TGLUpdateAbleObject {
 public:
  // Black.
  explicit TGLColor(TPersistent* owner);
  // `color`, with `onChange` as OnChange.
  TGLColor(TPersistent* owner, const TVector4f& color, TNotifyEvent onChange = nullptr);
  std::string ClassName() const override { return "TGLColor"; }

  // Takes the colour without notifying (and as default while UseDefaultColors is on).
  void Initialize(const TVector4f& color);
  void SetColor(const TVector4f& color);
  const TVector4f& GetColor() const { return color_.value; }
  // The four singles in a row, for OpenGL.
  const float* ColorPointer() const { return &color_.value.x; }
  const TVector4f* DefaultColor() const { return color_.DefaultValue(); }

  float Red() const { return color_.value.x; }
  float Green() const { return color_.value.y; }
  float Blue() const { return color_.value.z; }
  float Alpha() const { return color_.value.w; }
  void SetRed(float value) { SetComponent(0, value); }
  void SetGreen(float value) { SetComponent(1, value); }
  void SetBlue(float value) { SetComponent(2, value); }
  void SetAlpha(float value) { SetComponent(3, value); }

  // From another colour: its four components, then NotifyChange.
  void Assign(const TPersistent* source) override;
  void DefineProperties(TFiler& filer) override;
  void NotifyChange(TObject* sender) override;

 private:
  void SetComponent(int index, float value);
  TStoredVector4f color_;
};

}  // namespace scene3d
