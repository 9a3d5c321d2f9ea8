// TGLPoints: a cloud of points drawn as GL_POINTS from its own position and colour lists (no colour:
// white; one: all points; several: one each, as far as both lists go), square, round or smooth,
// plain or additive. Drawn directly every frame and never culled.
#pragma once

#include <cstdint>
#include <string>

#include "scene3d/custom_scene_object.h"
#include "scene3d/vector_lists.h"

namespace scene3d {

enum TGLPointStyle : uint8_t { psSquare, psRound, psSmooth, psSmoothAdditive, psSquareAdditive };

// How the point size follows the distance: when Enabled and the context has point parameters
// (OpenGL 1.4 or ARB_point_parameters), set around the drawing and put back to the defaults after.
struct TGLPointParameters {
  bool Enabled = false;
  float MinSize = 0;
  float MaxSize = 128;
  float FadeTresholdSize = 1;
  TVector3f DistanceAttenuation{1, 0, 0};
};

class TGLPoints : public TGLStageObject {
 public:
  explicit TGLPoints(TComponent* owner);
  std::string ClassName() const override { return "TGLPoints"; }

  // Change the lists, then call StructureChanged.
  TAffineVectorList& Positions() { return positions_; }
  TVectorList& Colors() { return colors_; }
  float Size() const { return size_; }
  void SetSize(float size);
  TGLPointStyle Style() const { return style_; }
  void SetStyle(TGLPointStyle style);
  bool NoZWrite() const { return noZWrite_; }
  void SetNoZWrite(bool flag);
  bool Static() const { return static_; }
  void SetStatic(bool flag);
  TGLPointParameters PointParameters;

  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  // The point parameters, as "PointParams" when they are not the defaults: the archive version 0,
  // Enabled, MinSize, MaxSize, FadeTresholdSize and the three of DistanceAttenuation.
  void DefineProperties(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  TAffineVectorList positions_;
  TVectorList colors_;
  float size_ = 1;
  TGLPointStyle style_ = psSquare;
  bool noZWrite_ = false;
  bool static_ = false;
};

}  // namespace scene3d
