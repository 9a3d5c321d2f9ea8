// TGLSprite: a Width x Height quad centred on the object that always faces the camera, turned by
// Rotation (degrees) about the view axis, its texture mirrored on request. Drawn directly every frame
// and never culled.
#pragma once

#include <string>

#include "scene3d/custom_scene_object.h"

namespace scene3d {

class TGLSprite : public TGLStageObject {
 public:
  explicit TGLSprite(TComponent* owner);
  std::string ClassName() const override { return "TGLSprite"; }

  float Width() const { return width_; }
  float Height() const { return height_; }
  void SetWidth(float value);
  void SetHeight(float value);
  float Rotation() const { return rotation_; }
  void SetRotation(float degrees);
  float AlphaChannel() const { return alphaChannel_; }
  // Clamped to 0..1; a value below 1 becomes the alpha of the material's front diffuse colour.
  void SetAlphaChannel(float alpha);
  bool MirrorU() const { return mirrorU_; }
  bool MirrorV() const { return mirrorV_; }
  void SetMirrorU(bool flag);
  void SetMirrorV(bool flag);

  TVector4f HalfExtents() const override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  float width_ = 1, height_ = 1;
  float rotation_ = 0;
  float alphaChannel_ = 1;
  bool mirrorU_ = false, mirrorV_ = false;
};

}  // namespace scene3d
