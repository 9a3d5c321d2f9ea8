#include "scene3d/colors.h"

namespace scene3d {

bool UseDefaultColors = false;

TVector4f ColorFromTColor(TColor color, float alpha) {
  const TColor c = platform::ColorToRGB(color);
  return {ColorRed(c) / 255.0f, ColorGreen(c) / 255.0f, ColorBlue(c) / 255.0f, alpha};
}

const std::array<TVector4f, 22>& SystemColorVectors() {
  // Slots 1 and 13 were meant for the desktop and the highlight colour; each slot holds the system
  // colour of its own index.
  static const std::array<TVector4f, 22> colors = [] {
    std::array<TVector4f, 22> table;
    for (size_t i = 0; i < table.size(); ++i) table[i] = ColorFromTColor(platform::clSystemColor | TColor(i), 1);
    return table;
  }();
  return colors;
}

TGLColor::TGLColor(TPersistent* owner) : TGLColor(owner, clrBlack) {}

TGLColor::TGLColor(TPersistent* owner, const TVector4f& color, TNotifyEvent onChange) : TGLUpdateAbleObject(owner) {
  Initialize(color);
  OnChange = std::move(onChange);
}

void TGLColor::Initialize(const TVector4f& color) { color_.Initialize(color, UseDefaultColors); }

void TGLColor::SetColor(const TVector4f& color) {
  color_.value = color;
  NotifyChange(this);
}

void TGLColor::SetComponent(int index, float value) {
  if (color_.value[index] == value) return;
  color_.value[index] = value;
  NotifyChange(this);
}

void TGLColor::Assign(const TPersistent* source) {
  if (auto* color = dynamic_cast<const TGLColor*>(source)) {
    color_.value = color->color_.value;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLColor::DefineProperties(TFiler& filer) {
  TGLUpdateAbleObject::DefineProperties(filer);
  color_.Define(filer, "Color");
}

void TGLColor::NotifyChange(TObject* sender) {
  if (UpdateCount() != 0) return;
  // An owner that hears changes without being an updatable object or component is told here; the
  // others are told by the base, once.
  TPersistent* owner = Owner();
  auto* notifyAble = dynamic_cast<IGLNotifyAble*>(owner);
  if (notifyAble && !dynamic_cast<TGLUpdateAbleObject*>(owner) && !dynamic_cast<TGLUpdateAbleComponent*>(owner))
    notifyAble->NotifyChange(this);
  TGLUpdateAbleObject::NotifyChange(sender);
}

}  // namespace scene3d
