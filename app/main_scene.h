// The main window's 3D scene GLStage1 as its viewer GLViewPort shows it: the orthogonal camera
// GLCamera1 aimed at the dummy cube GLDummyCube1, the light GlLuce1 under the origin sphere
// GLOrigine, the relief surface GLSuperficie (a direct-drawing object whose drawing, the window's,
// draws a mesh of quads made again only when the surface changes), the wire stock box
// GLEstensioneCnc, the axes GLAssi (a hub sphere with three shafts and arrow heads), the tool body
// GLUtensile (the tool's profile turned about its axis, tip down), the toolpath lines GLCncMov (rapid
// moves yellow, feed moves cyan) and the heads-up text GLText in GLWindowsBitmapFont1.
//
// The camera moves as the window's view buttons and the mouse ask: the four standard views about the
// target, the fit to the stock box, the orbit, the pan of camera and target together, the scale.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <string>

#include "app/camera_fit.h"
#include "app/relief_surface.h"
#include "machining/backplot.h"
#include "machining/relief.h"
#include "platform/canvas.h"

namespace scene3d {
class TGLBaseSceneObject;
class TGLCamera;
class TGLCube;
class TGLDirectOpenGL;
class TGLDummyCube;
class TGLHUDText;
class TGLLightSource;
class TGLLines;
class TGLRevolutionSolid;
class TGLSphere;
class TGLStage;
class TGLStageViewer;
class TGLWindowsBitmapFont;
}  // namespace scene3d

namespace app {

class ToolpathLines;

enum class StandardView { Top, Front, Side, Iso };

// The address space the driver takes to make the 3D context and draw its first frame (Mesa's software
// renderer maps about 1.4 GiB with eight cores, more with more); with less left it does not fail, it
// ends the program.
constexpr uint64_t kContextAddressSpace = uint64_t(1792) << 20;

// Why the 3D view stays empty under the address-space limit `limit` (0 none) with `used` mapped: the
// words the view shows instead of making its context; empty when there is room.
std::string ContextMemoryRefusal(uint64_t limit, uint64_t used);

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
  scene3d::TGLDummyCube& Target() const { return *target_; }
  scene3d::TGLSphere& Origin() const { return *origin_; }
  scene3d::TGLLightSource& Light() const { return *light_; }
  scene3d::TGLDirectOpenGL& Surface() const { return *surface_; }
  scene3d::TGLCube& StockBoxCube() const { return *stockBox_; }
  scene3d::TGLSphere& Axes() const { return *axes_; }
  scene3d::TGLRevolutionSolid& Tool() const { return *tool_; }
  ToolpathLines& Toolpath() const;
  scene3d::TGLHUDText& Text() const { return *text_; }
  scene3d::TGLWindowsBitmapFont& Font() const { return *font_; }

  // The surface's quads as the window's render event draws them, kept until RebuildSurface.
  ReliefSurfaceDrawing& SurfaceDrawing() { return surfaceDrawing_; }

  void SetBackground(platform::TColor color);
  // The surface is drawn again at the next frame. When the viewer shows, that frame is rendered
  // at once, outside a paint, so the progress of a long drawing can be painted meanwhile.
  void RebuildSurface();
  // While held (the calls nest), the scene's changes ask the viewer for no repaint; the last let-go
  // asks for one. A play holds them so that it repaints only as often as it chooses.
  void HoldFrames(bool hold);
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

  // The stock box sized and placed, the axes scaled with it; StockBox gives back what they hold.
  void PlaceStockBox(const machining::StockBox& box);
  machining::StockBox StockBox() const;
  void ShowStockBox(bool on);
  bool StockBoxShown() const;
  void ToggleAxes();
  bool AxesShown() const;

  // The tool body: its tip stands at the point; the profile's points are (radius, height).
  void MoveTool(float x, float y, float z);
  Vec3 ToolPosition() const;
  void ShowTool(bool on);
  bool ToolShown() const;
  void SetToolProfile(const std::vector<machining::ProfilePoint>& profile);
  std::vector<machining::ProfilePoint> ToolProfile() const;

  // The toolpath: one node per move, yellow for a rapid and cyan for a feed move; an arc is count + 1
  // feed nodes at height z about (cx, cy) from startAngle to stopAngle (radians, as numbers: the stop
  // is the start plus or minus the sweep).
  void ClearToolpath();
  void AddToolpathNode(bool rapid, float x, float y, float z);
  void AddToolpathArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count);

  // The heads-up text: `text` (UTF-8) shown 40 pixels above the view's bottom; an empty text hides it.
  void ShowText(const std::string& text);
  // Keeps the text 40 pixels above the view's bottom when the view's size changes.
  void MoveText();

 private:
  void BuildAxes();

  Vec3 CameraPosition() const;
  Vec3 TargetPosition() const;
  void PlaceCamera(const Vec3& position);

  scene3d::TGLStageViewer& viewer_;
  std::unique_ptr<scene3d::TGLStage> stage_;
  scene3d::TGLDummyCube* target_ = nullptr;
  scene3d::TGLCamera* camera_ = nullptr;
  scene3d::TGLSphere* origin_ = nullptr;
  scene3d::TGLLightSource* light_ = nullptr;
  scene3d::TGLDirectOpenGL* surface_ = nullptr;
  scene3d::TGLCube* stockBox_ = nullptr;
  scene3d::TGLSphere* axes_ = nullptr;
  scene3d::TGLRevolutionSolid* tool_ = nullptr;
  ToolpathLines* toolpath_ = nullptr;
  scene3d::TGLWindowsBitmapFont* font_ = nullptr;
  scene3d::TGLHUDText* text_ = nullptr;
  ReliefSurfaceDrawing surfaceDrawing_;
  bool outsidePaint_ = false;
};

}  // namespace app
