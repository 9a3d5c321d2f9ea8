// The main window's 3D scene GLStage1 as its viewer GLViewPort shows it: the orthogonal camera
// GLCamera1 aimed at the dummy GLDummyCube1, the light GlLuce1 under the origin GLOrigine, and the
// relief surface GLSuperficie, a direct-drawing object whose drawing (the window's) is compiled into
// a display list and made again only when the surface changes.
//
// The camera moves as the window's view buttons and the mouse ask: the four standard views about the
// target, the fit to the stock box, the orbit, the pan of camera and target together, the scale.
//
// The stock box GLEstensioneCnc, the axes GLAssi, the tool body GLUtensile and the toolpath lines
// GLCncMov keep their values here (PlaceStockBox ... AddToolpathNode) until their scene objects take
// them.
#pragma once

#include <memory>
#include <vector>

#include "app/camera_fit.h"
#include "machining/relief.h"
#include "platform/canvas.h"

namespace scene3d {
class TGLBaseSceneObject;
class TGLCamera;
class TGLDirectOpenGL;
class TGLLightSource;
class TGLStage;
class TGLStageViewer;
}  // namespace scene3d

namespace app {

enum class StandardView { Top, Front, Side, Iso };

class MainScene {
 public:
  // Builds the scene and shows it in `viewer` (clMedGray behind it until the settings colour it).
  explicit MainScene(scene3d::TGLStageViewer& viewer);
  ~MainScene();
  MainScene(const MainScene&) = delete;
  MainScene& operator=(const MainScene&) = delete;

  scene3d::TGLStage& Stage() const { return *stage_; }
  scene3d::TGLStageViewer& Viewer() const { return viewer_; }
  scene3d::TGLCamera& Camera() const { return *camera_; }
  scene3d::TGLBaseSceneObject& Target() const { return *target_; }
  scene3d::TGLLightSource& Light() const { return *light_; }
  scene3d::TGLDirectOpenGL& Surface() const { return *surface_; }

  void SetBackground(platform::TColor color);
  // The surface is drawn again at the next frame. When the viewer shows, that frame is rendered
  // at once, outside a paint, so the progress of a long drawing can be painted meanwhile.
  void RebuildSurface();
  // True while RebuildSurface renders that frame.
  bool RenderingOutsidePaint() const { return outsidePaint_; }

  // The camera from its target at the distance |camera position|: above, in front, to the right, or
  // on the diagonal; the target stays.
  void SetView(StandardView view);
  void ScaleCamera(float factor);
  // The camera and target as FitCameraToStockBox places them; nothing when it declines.
  void FitToStockBox(const machining::StockBox& box);
  // A mouse drag of (dx, dy) pixels, the last position less the new one.
  void Orbit(int dx, int dy);
  void Pan(int dx, int dy);
  // Ctrl-drag: a drag upwards (dy > 0) scales the scene by 1.1, downwards by 1 / 1.1.
  void ScaleByDrag(int dy);

  // --- The objects still to come keep their values here. ---
  void PlaceStockBox(const machining::StockBox& box) { stockBox_ = box; }
  const machining::StockBox& StockBox() const { return stockBox_; }
  void ShowStockBox(bool on) { stockBoxShown_ = on; }
  bool StockBoxShown() const { return stockBoxShown_; }
  void ToggleAxes() { axesShown_ = !axesShown_; }
  bool AxesShown() const { return axesShown_; }
  void MoveTool(float x, float y, float z) { toolPosition_ = {x, y, z}; }
  const Vec3& ToolPosition() const { return toolPosition_; }
  void ShowTool(bool on) { toolShown_ = on; }
  bool ToolShown() const { return toolShown_; }

 private:
  Vec3 CameraPosition() const;
  Vec3 TargetPosition() const;
  void PlaceCamera(const Vec3& position);

  scene3d::TGLStageViewer& viewer_;
  std::unique_ptr<scene3d::TGLStage> stage_;
  scene3d::TGLBaseSceneObject* target_ = nullptr;
  scene3d::TGLCamera* camera_ = nullptr;
  scene3d::TGLBaseSceneObject* origin_ = nullptr;
  scene3d::TGLLightSource* light_ = nullptr;
  scene3d::TGLDirectOpenGL* surface_ = nullptr;
  bool outsidePaint_ = false;

  machining::StockBox stockBox_;
  bool stockBoxShown_ = false;
  bool axesShown_ = true;
  Vec3 toolPosition_{};
  bool toolShown_ = false;
};

}  // namespace app
