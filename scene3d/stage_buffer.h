// TGLStageBuffer: the rendering surface of one viewer. It owns the rendering context and the output
// device the context draws into (the frame is read back into the device's image, which the viewer
// shows), holds the frame's settings (background, ambient light, depth test, face culling, lighting,
// fog, shading, context options) and renders one frame: camera, lights, fog, the scene tree, swap
// (read-back), frame timing.
//
//   TGLStageBuffer buffer(nullptr);
//   buffer.Resize(64, 48);
//   buffer.CreateContext(true);          // a memory context of that size (false: a window's)
//   buffer.SetCamera(camera);            // a camera of a scene; without one only the background
//   buffer.Render();
//   uint32_t argb = buffer.Device().Pixel(x, y);
//
// OnChange fires when anything shown changed (not while a frame renders): a viewer repaints.
// OnStructuralChange fires when a setting needs a new context (options, depth, colour depth,
// anti-aliasing): a viewer destroys the context and creates it again.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene3d/colors.h"
#include "scene3d/fog_environment.h"
#include "scene3d/gl_context.h"
#include "scene3d/gl_output_device.h"
#include "scene3d/render_context_info.h"
#include "scene3d/update_able.h"

namespace scene3d {

class TGLStage;
class TGLCamera;
class TGLBaseSceneObject;
class TGLTexture;

// The context options, a set of bits.
using TContextOptions = uint16_t;
inline constexpr TContextOptions roSoftwareMode = 1 << 0;
inline constexpr TContextOptions roDoubleBuffer = 1 << 1;
inline constexpr TContextOptions roStencilBuffer = 1 << 2;
inline constexpr TContextOptions roRenderToWindow = 1 << 3;
inline constexpr TContextOptions roTwoSideLighting = 1 << 4;
inline constexpr TContextOptions roStereo = 1 << 5;
inline constexpr TContextOptions roDestinationAlpha = 1 << 6;
inline constexpr TContextOptions roNoColorBuffer = 1 << 7;
inline constexpr TContextOptions roNoColorBufferClear = 1 << 8;
inline constexpr TContextOptions roNoSwapBuffers = 1 << 9;
inline constexpr TContextOptions roNoDepthBufferClear = 1 << 10;
inline constexpr TContextOptions roForwardContext = 1 << 11;

enum TGLDepthPrecision : uint8_t { dpDefault, dp16bits, dp24bits, dp32bits };
enum TGLColorDepth : uint8_t { cdDefault, cd8bits, cd16bits, cd24bits, cdFloat64bits, cdFloat128bits };
enum TGLShadeModel : uint8_t { smDefault, smSmooth, smFlat };

int DepthBitsOf(TGLDepthPrecision precision);
int ColorBitsOf(TGLColorDepth depth);

class TGLStageBuffer : public TGLUpdateAbleObject {
 public:
  // `owner` (a viewer, may be none) is not owned; when it is a component that loads, structural
  // changes wait.
  explicit TGLStageBuffer(TPersistent* owner);
  ~TGLStageBuffer() override;
  std::string ClassName() const override { return "TGLStageBuffer"; }

  // --- Context ---
  // A new context from the context manager (none: "Failed to create RenderingContext."), made for a
  // memory device of the viewport's size (memoryContext) or a window's device. OpenGL older than 1.1
  // logs "Need at least OpenGL version 1.1" and aborts silently.
  void CreateContext(bool memoryContext, int bufferCount = 1);
  void DestroyContext();
  bool HasContext() const { return rc_ != nullptr; }
  TGLContext* RenderingContext() const { return rc_.get(); }
  // Where the frames are read back to; exists from the first CreateContext on.
  TGLOutputDevice& Device();
  bool HasDevice() const { return device_ != nullptr; }

  // --- Size ---
  // Sizes below 1 become 1; the viewport becomes (0, 0, width, height).
  void Resize(int width, int height);
  void SetViewPort(int x, int y, int width, int height);
  const TVector4i& ViewPort() const { return viewport_; }
  int Width() const { return viewport_.z; }
  int Height() const { return viewport_.w; }

  // --- Frames ---
  // One frame of the scene (or of the sub-tree `base`); nothing while a frame renders or without a
  // context.
  void Render(TGLBaseSceneObject* base = nullptr);
  bool Rendering() const { return rendering_; }
  // The projection the frame started from (identity unless a pick matrix was set); screen-space
  // objects draw relative to it.
  const TMatrix4f& BaseProjectionMatrix() const { return baseProjectionMatrix_; }
  TGLCamera* Camera() const { return camera_; }
  // Taken only when it belongs to a scene; otherwise the buffer is left without a camera.
  void SetCamera(TGLCamera* camera);
  // Keeps the last frame and shows it instead of rendering until DropFrozenImage.
  void Freeze();
  bool Frozen() const { return frozen_; }
  void DropFrozenImage();
  void ResetFrameCounters();
  // 0 until the clock has moved past the first frame.
  float FramesPerSecond() const { return framesPerSecond_; }
  float LastFrameTime() const { return lastFrameTime_; }
  int64_t FrameCount() const { return frameCount_; }
  // The rendered image into the texture (a blank image of the buffer's size).
  void CopyImageToTexture(TGLTexture& texture);

  // --- Settings ---
  TGLFogEnvironment& FogEnvironment() { return *fog_; }
  void SetFogEnvironment(const TGLFogEnvironment& fog);
  TColor BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(TColor color);
  float BackgroundAlpha() const { return backgroundAlpha_; }
  void SetBackgroundAlpha(float alpha);
  TGLColor& AmbientColor() { return *ambientColor_; }
  // Copied without a notification.
  void SetAmbientColor(const TVector4f& color) { ambientColor_->Initialize(color); }
  TContextOptions ContextOptions() const { return contextOptions_; }
  void SetContextOptions(TContextOptions options);
  int AccumBufferBits() const { return accumBufferBits_; }
  void SetAccumBufferBits(int bits);
  bool DepthTest() const { return depthTest_; }
  void SetDepthTest(bool flag);
  bool FaceCulling() const { return faceCulling_; }
  void SetFaceCulling(bool flag);
  bool FogEnable() const { return fogEnable_; }
  void SetFogEnable(bool flag);
  bool Lighting() const { return lighting_; }
  void SetLighting(bool flag);
  TGLAntiAliasing AntiAliasing() const { return antiAliasing_; }
  void SetAntiAliasing(TGLAntiAliasing mode);
  TGLDepthPrecision DepthPrecision() const { return depthPrecision_; }
  void SetDepthPrecision(TGLDepthPrecision precision);
  TGLColorDepth ColorDepth() const { return colorDepth_; }
  void SetColorDepth(TGLColorDepth depth);
  TGLShadeModel ShadeModel() const { return shadeModel_; }
  void SetShadeModel(TGLShadeModel model);
  // The settings of another buffer (not its camera or context).
  void Assign(const TPersistent* source) override;

  // --- Events and hooks ---
  TNotifyEvent OnStructuralChange;
  TNotifyEvent BeforeRender;
  std::function<void(TObject* sender, RenderContextInfo& rci)> InitiateRendering;
  std::function<void(TObject* sender, RenderContextInfo& rci)> WrapUpRendering;
  TNotifyEvent PostRender;
  TNotifyEvent AfterRender;
  // The viewer's: called with each new context before it is made, and before every frame.
  std::function<void(TGLContext& context)> PrepareContextHook;
  std::function<void()> BeforeRenderHook;

  // Raises OnChange unless a frame is rendering.
  void NotifyChange(TObject* sender) override;
  // Told by the scene.
  void SceneRegistered(TGLStage* scene) { registeredScene_ = scene; }
  void SceneFreed(TGLStage* scene);

 private:
  class CameraWatch;
  void StructuralChange();
  void PrepareFrame();
  void ClearBuffers();
  void DoBaseRender(TDrawState drawState, TGLBaseSceneObject* base);
  void RenderScene(TGLStage& scene, TDrawState drawState, TGLBaseSceneObject* base);
  void RenderFrozen();
  void CameraFreed();
  void Unregister();
  TGLOutputDevice& DeviceOfKind(TGLDeviceKind kind);
  TVector4f ClearColor() const;

  std::unique_ptr<TGLContext> rc_;
  std::unique_ptr<TGLOutputDevice> device_;
  std::unique_ptr<CameraWatch> watch_;
  std::unique_ptr<TGLFogEnvironment> fog_;
  std::unique_ptr<TGLColor> ambientColor_;
  TGLCamera* camera_ = nullptr;
  TGLStage* registeredScene_ = nullptr;
  TColor backgroundColor_;
  float backgroundAlpha_ = 1;
  TContextOptions contextOptions_ = roDoubleBuffer | roRenderToWindow;
  int accumBufferBits_ = 0;
  bool depthTest_ = true;
  bool faceCulling_ = true;
  bool fogEnable_ = false;
  bool lighting_ = true;
  TGLAntiAliasing antiAliasing_ = aaDefault;
  TGLDepthPrecision depthPrecision_ = dpDefault;
  TGLColorDepth colorDepth_ = cdDefault;
  TGLShadeModel shadeModel_ = smDefault;
  TVector4i viewport_{0, 0, 1, 1};
  int renderDPI_ = 96;
  int64_t frameCount_ = 0;
  std::chrono::steady_clock::time_point firstFrame_;
  float framesPerSecond_ = 0;
  float lastFrameTime_ = 0;
  bool rendering_ = false;
  bool frozen_ = false;
  std::vector<uint8_t> frozenPixels_;
  int frozenWidth_ = 0;
  int frozenHeight_ = 0;
  TVector4f cameraAbsolutePosition_{0, 0, 0, 1};
  TMatrix4f baseProjectionMatrix_ = IdentityMatrix;
  std::vector<TGLObjectAfterEffect*> afterEffects_;
};

}  // namespace scene3d
