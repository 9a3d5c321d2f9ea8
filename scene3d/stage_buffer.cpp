#include "scene3d/stage_buffer.h"

#include "scene3d/camera.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/object_behaviours.h"
#include "scene3d/rendering_log.h"
#include "scene3d/silent_abort.h"
#include "scene3d/stage.h"
#include "scene3d/texture.h"
#include "scene3d/texture_image.h"

namespace scene3d {

namespace {

// Runs the given code when the scope ends, also on an exception.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() { f_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

bool OwnerLoading(const TPersistent* owner) {
  auto* component = dynamic_cast<const TComponent*>(owner);
  return component && component->IsLoading();
}

void DeactivateQuietly(TGLContext& rc) {
  try {
    rc.Deactivate();
  } catch (const std::exception& error) {
    LogLine(lkError, error.what());
  }
}

}  // namespace

int DepthBitsOf(TGLDepthPrecision precision) {
  constexpr int kBits[] = {24, 16, 24, 32};
  return kBits[precision <= dp32bits ? precision : 0];
}

int ColorBitsOf(TGLColorDepth depth) {
  constexpr int kBits[] = {24, 8, 16, 24, 64, 128};
  return kBits[depth <= cdFloat128bits ? depth : 0];
}

// Hears when the shown camera is freed.
class TGLStageBuffer::CameraWatch : public TComponent {
 public:
  explicit CameraWatch(TGLStageBuffer& buffer) : TComponent(nullptr), buffer_(buffer) {}

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove && component && component == static_cast<TComponent*>(buffer_.camera_))
      buffer_.CameraFreed();
    TComponent::Notification(component, operation);
  }

 private:
  TGLStageBuffer& buffer_;
};

TGLStageBuffer::TGLStageBuffer(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      watch_(std::make_unique<CameraWatch>(*this)),
      fog_(std::make_unique<TGLFogEnvironment>(this)),
      ambientColor_(std::make_unique<TGLColor>(nullptr, TVector4f{0.2f, 0.2f, 0.2f, 1})),
      backgroundColor_(platform::clBtnFace) {}

TGLStageBuffer::~TGLStageBuffer() {
  try {
    DestroyContext();
  } catch (const std::exception& error) {
    LogLine(lkError, error.what());
  }
  Unregister();
  camera_ = nullptr;
}

// --- Context ----------------------------------------------------------------------------------------------------

TGLOutputDevice& TGLStageBuffer::DeviceOfKind(TGLDeviceKind kind) {
  if (!device_ || device_->Kind() != kind) device_ = std::make_unique<TGLOutputDevice>(kind, viewport_.z, viewport_.w);
  device_->SetSize(viewport_.z, viewport_.w);
  return *device_;
}

TGLOutputDevice& TGLStageBuffer::Device() { return device_ ? *device_ : DeviceOfKind(dkWindow); }

void TGLStageBuffer::CreateContext(bool memoryContext, int bufferCount) {
  DestroyContext();
  rendering_ = true;
  ScopeExit notRendering([this] { rendering_ = false; });
  std::unique_ptr<TGLContext> rc(GLContextManager().CreateContext());
  if (!rc) throw platform::Exception("Failed to create RenderingContext.");
  rc->SetAcceleration((contextOptions_ & roSoftwareMode) ? chaSoftware : chaHardware);
  TGLRCOptions options = 0;
  if (contextOptions_ & roDoubleBuffer) options |= rcoDoubleBuffered;
  if (contextOptions_ & roStereo) options |= rcoStereo;
  rc->SetOptions(options);
  rc->SetColorBits((contextOptions_ & roNoColorBuffer) ? 0 : ColorBitsOf(colorDepth_));
  rc->SetDepthBits(DepthBitsOf(depthPrecision_));
  rc->SetStencilBits((contextOptions_ & roStencilBuffer) ? 8 : 0);
  rc->SetAlphaBits((contextOptions_ & roDestinationAlpha) ? 8 : 0);
  rc->SetAccumBits(accumBufferBits_);
  rc->SetAuxBuffers(0);
  rc->SetAntiAliasing(antiAliasing_);
  rc->GLStates().SetForwardContext((contextOptions_ & roForwardContext) != 0);
  if (PrepareContextHook) PrepareContextHook(*rc);

  rc_ = std::move(rc);
  // Registered before the native context is made: EGL shares display lists only then.
  if (camera_ && camera_->Scene()) camera_->Scene()->AddBuffer(this);
  TGLOutputDevice& device = DeviceOfKind(memoryContext ? dkMemory : dkWindow);
  try {
    if (memoryContext) {
      rc_->CreateOffscreen(&device, viewport_.z, viewport_.w, bufferCount);
    } else {
      rc_->CreateOnDevice(&device);
    }
  } catch (...) {
    Unregister();
    rc_.reset();
    throw;
  }

  rc_->Activate();
  ScopeExit deactivate([this] { DeactivateQuietly(*rc_); });
  if (!ActiveGLTable().GLVersion1_1) {
    LogLine(lkError, "Need at least OpenGL version 1.1");
    SilentAbort();
  }
  rc_->GLStates().SetViewport({0, 0, viewport_.z, viewport_.w});
  PrepareFrame();
  TVector4f clear = ColorFromTColor(backgroundColor_, 1);
  rc_->GLStates().SetClearColor(clear);
}

void TGLStageBuffer::DestroyContext() {
  if (!rc_) return;
  DropFrozenImage();
  Unregister();
  std::unique_ptr<TGLContext> rc = std::move(rc_);
  rc.reset();
}

void TGLStageBuffer::Unregister() {
  if (!registeredScene_) return;
  TGLStage* scene = registeredScene_;
  registeredScene_ = nullptr;
  scene->RemoveBuffer(this);
}

void TGLStageBuffer::SceneFreed(TGLStage* scene) {
  if (registeredScene_ == scene) registeredScene_ = nullptr;
}

// --- Size ---------------------------------------------------------------------------------------------------------

void TGLStageBuffer::Resize(int width, int height) {
  viewport_ = {0, 0, std::max(width, 1), std::max(height, 1)};
  if (device_) device_->SetSize(viewport_.z, viewport_.w);
  if (!rc_) return;
  rc_->Activate();
  ScopeExit deactivate([this] { DeactivateQuietly(*rc_); });
  rc_->GLStates().SetViewport(viewport_);
}

void TGLStageBuffer::SetViewPort(int x, int y, int width, int height) {
  viewport_ = {x, y, std::max(width, 1), std::max(height, 1)};
  NotifyChange(this);
}

// --- Camera ----------------------------------------------------------------------------------------------------------

void TGLStageBuffer::SetCamera(TGLCamera* camera) {
  if (camera == camera_) return;
  Unregister();
  if (camera_) camera_->RemoveFreeNotification(watch_.get());
  camera_ = nullptr;
  if (camera && camera->Scene()) {
    camera_ = camera;
    camera_->FreeNotification(watch_.get());
    camera_->MarkTransformChanged();
  }
  NotifyChange(this);
}

void TGLStageBuffer::CameraFreed() {
  camera_ = nullptr;
  Unregister();
  NotifyChange(this);
}

// --- Settings -------------------------------------------------------------------------------------------------------

void TGLStageBuffer::NotifyChange(TObject* sender) {
  if (rendering_) return;
  TGLUpdateAbleObject::NotifyChange(sender);
}

void TGLStageBuffer::StructuralChange() {
  if (!OwnerLoading(Owner()) && OnStructuralChange) OnStructuralChange(this);
}

void TGLStageBuffer::SetFogEnvironment(const TGLFogEnvironment& fog) {
  fog_->Assign(&fog);
  NotifyChange(this);
}

void TGLStageBuffer::SetBackgroundColor(TColor color) {
  if (StoreChanged(backgroundColor_, color)) NotifyChange(this);
}

void TGLStageBuffer::SetBackgroundAlpha(float alpha) {
  if (StoreChanged(backgroundAlpha_, alpha)) NotifyChange(this);
}

void TGLStageBuffer::SetContextOptions(TContextOptions options) {
  if (StoreChanged(contextOptions_, options)) StructuralChange();
}
void TGLStageBuffer::SetAccumBufferBits(int bits) {
  if (StoreChanged(accumBufferBits_, bits)) StructuralChange();
}
void TGLStageBuffer::SetAntiAliasing(TGLAntiAliasing mode) {
  if (StoreChanged(antiAliasing_, mode)) StructuralChange();
}
void TGLStageBuffer::SetDepthPrecision(TGLDepthPrecision precision) {
  if (StoreChanged(depthPrecision_, precision)) StructuralChange();
}
void TGLStageBuffer::SetColorDepth(TGLColorDepth depth) {
  if (StoreChanged(colorDepth_, depth)) StructuralChange();
}
void TGLStageBuffer::SetDepthTest(bool flag) {
  if (StoreChanged(depthTest_, flag)) NotifyChange(this);
}
void TGLStageBuffer::SetFaceCulling(bool flag) {
  if (StoreChanged(faceCulling_, flag)) NotifyChange(this);
}
void TGLStageBuffer::SetFogEnable(bool flag) {
  if (StoreChanged(fogEnable_, flag)) NotifyChange(this);
}
void TGLStageBuffer::SetLighting(bool flag) {
  if (StoreChanged(lighting_, flag)) NotifyChange(this);
}
void TGLStageBuffer::SetShadeModel(TGLShadeModel model) {
  if (StoreChanged(shadeModel_, model)) NotifyChange(this);
}

void TGLStageBuffer::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLStageBuffer*>(source);
  if (!from) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  fog_->Assign(from->fog_.get());
  ambientColor_->Initialize(from->ambientColor_->GetColor());
  backgroundColor_ = from->backgroundColor_;
  backgroundAlpha_ = from->backgroundAlpha_;
  depthTest_ = from->depthTest_;
  faceCulling_ = from->faceCulling_;
  fogEnable_ = from->fogEnable_;
  lighting_ = from->lighting_;
  shadeModel_ = from->shadeModel_;
  const bool structural = contextOptions_ != from->contextOptions_ || accumBufferBits_ != from->accumBufferBits_ ||
                          antiAliasing_ != from->antiAliasing_ || depthPrecision_ != from->depthPrecision_ ||
                          colorDepth_ != from->colorDepth_;
  contextOptions_ = from->contextOptions_;
  accumBufferBits_ = from->accumBufferBits_;
  antiAliasing_ = from->antiAliasing_;
  depthPrecision_ = from->depthPrecision_;
  colorDepth_ = from->colorDepth_;
  if (structural) StructuralChange();
  NotifyChange(this);
}

// --- Frames ---------------------------------------------------------------------------------------------------------

TVector4f TGLStageBuffer::ClearColor() const { return ColorFromTColor(backgroundColor_, backgroundAlpha_); }

void TGLStageBuffer::PrepareFrame() {
  TGLStateCache& states = rc_->GLStates();
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  const bool forward = (contextOptions_ & roForwardContext) != 0;
  if (!forward) {
    gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, ambientColor_->ColorPointer());
    gl.LightModeli(GL_LIGHT_MODEL_TWO_SIDE, (contextOptions_ & roTwoSideLighting) ? 1 : 0);
    gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl.ShadeModel(shadeModel_ == smFlat ? GL_FLAT : GL_SMOOTH);
  }
  states.EnableStateDirect(stNormalize);
  auto direct = [&states](TGLState state, bool on) {
    on ? states.EnableStateDirect(state) : states.DisableStateDirect(state);
  };
  direct(stDepthTest, depthTest_);
  direct(stCullFace, faceCulling_);
  direct(stLighting, lighting_);
  direct(stFog, fogEnable_);
  if (gl.ARB_depth_clamp) states.DisableStateDirect(stDepthClamp);
  if (!forward) {
    GLint blueBits = 8;
    gl.GetIntegerv(GL_BLUE_BITS, &blueBits);
    direct(stDither, blueBits < 8);
  }
  states.ResetAllTextureMatrices();
}

void TGLStageBuffer::ClearBuffers() {
  TGLStateCache& states = rc_->GLStates();
  GLbitfield mask = 0;
  if (!(contextOptions_ & roNoDepthBufferClear)) {
    states.SetDepthWriteMask(true);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (!(contextOptions_ & (roNoColorBuffer | roNoColorBufferClear))) {
    states.SetColorWriteMask(0x0F);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (contextOptions_ & roStencilBuffer) mask |= GL_STENCIL_BUFFER_BIT;
  ActiveGLTable().Clear(mask);
}

void TGLStageBuffer::Render(TGLBaseSceneObject* base) {
  if (rendering_ || !rc_ || !rc_->HasNativeContext()) return;
  if (frozen_) {
    RenderFrozen();
    return;
  }
  const auto t0 = std::chrono::steady_clock::now();
  if (camera_ && camera_->Scene()) {
    camera_->AbsoluteMatrix();
    camera_->Scene()->AddBuffer(this);
  }
  rendering_ = true;
  ScopeExit notRendering([this] { rendering_ = false; });
  try {
    rc_->Activate();
  } catch (const EGLContext& error) {
    // The frame is skipped; the next paint tries again.
    LogLine(lkError, error.what());
    return;
  }
  {
    ScopeExit deactivate([this] { DeactivateQuietly(*rc_); });
    if (frameCount_ == 0) firstFrame_ = t0;
    renderDPI_ = 96;
    TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
    gl.DrainGLErrors();
    PrepareFrame();
    rc_->GLStates().SetClearColor(ClearColor());
    ClearBuffers();
    gl.ReportGLErrors();
    DoBaseRender(dsRendering, base);
    if (!(contextOptions_ & roNoSwapBuffers)) rc_->SwapBuffers();
    ++frameCount_;
    const auto t1 = std::chrono::steady_clock::now();
    lastFrameTime_ = std::chrono::duration<float>(t1 - t0).count();
    if (t1 > firstFrame_)
      framesPerSecond_ = float(double(frameCount_) / std::chrono::duration<double>(t1 - firstFrame_).count());
    gl.ReportGLErrors();
  }
  if (AfterRender) AfterRender(this);
}

void TGLStageBuffer::DoBaseRender(TDrawState drawState, TGLBaseSceneObject* base) {
  TGLPipelineTransformation& pipeline = rc_->PipelineTransformation();
  pipeline.ResetMatrices();
  baseProjectionMatrix_ = pipeline.ProjectionMatrix();
  if (camera_) {
    if (camera_->Scene()) camera_->Scene()->SetCurrentCamera(camera_);
    camera_->ApplyProjection(pipeline, viewport_, float(viewport_.z), float(viewport_.w), renderDPI_);
    camera_->ApplyView(pipeline);
    cameraAbsolutePosition_ = camera_->AbsolutePosition();
  }
  const bool forward = (contextOptions_ & roForwardContext) != 0;
  if (!forward) CurrentCoordinator().MapMain();
  if (drawState != dsPrinting && BeforeRenderHook) BeforeRenderHook();
  if (BeforeRender) BeforeRender(this);
  if (camera_ && camera_->Scene()) {
    TGLStage& scene = *camera_->Scene();
    TGLStateCache& states = rc_->GLStates();
    scene.LoadLights(states.MaxLights());
    if (!forward) {
      if (fogEnable_) {
        states.EnableState(stFog);
        fog_->ApplyFog();
      } else {
        states.DisableState(stFog);
      }
    }
    RenderScene(scene, drawState, base);
  }
  if (PostRender) PostRender(this);
}

void TGLStageBuffer::RenderScene(TGLStage& scene, TDrawState drawState, TGLBaseSceneObject* base) {
  afterEffects_.clear();
  scene.SetCurrentBuffer(this);
  TGLPipelineTransformation& pipeline = rc_->PipelineTransformation();
  TGLStateCache& states = rc_->GLStates();
  RenderContextInfo rci{};
  rci.scene = &scene;
  rci.buffer = this;
  rci.afterRenderEffects = &afterEffects_;
  rci.objectsSorting = scene.ObjectsSorting();
  rci.visibilityCulling = scene.VisibilityCulling();
  rci.bufferFaceCull = faceCulling_;
  rci.bufferLighting = lighting_;
  rci.bufferFog = fogEnable_;
  rci.bufferDepthTest = depthTest_;
  rci.drawState = drawState;
  rci.sceneAmbientColor = ambientColor_->GetColor();
  rci.cameraPosition = cameraAbsolutePosition_;
  const TVector4f direction = VectorNormalized4(camera_->LastDirection());
  rci.cameraDirection = direction;
  rci.cameraUp = VectorNormalized4(VectorCross4(VectorCross4(direction, camera_->Up().Value()), direction));
  rci.rcci.origin = rci.cameraPosition;
  rci.rcci.clippingDirection = direction;
  rci.rcci.viewPortRadius = camera_->ViewPortRadius();
  rci.rcci.nearClippingDistance = camera_->NearPlane();
  rci.rcci.farClippingDistance = camera_->NearPlane() + camera_->DepthOfView();
  rci.rcci.frustum = pipeline.Frustum();
  rci.viewPortSizeX = viewport_.z;
  rci.viewPortSizeY = viewport_.w;
  rci.renderDPI = renderDPI_;
  rci.GLStates = &states;
  rci.PipelineTransformation = &pipeline;
  rci.ignoreMaterials = (contextOptions_ & roNoColorBuffer) || drawState == dsPicking;
  states.SetColorWriting(!rci.ignoreMaterials);
  ScopeExit colourBack([&states] { states.SetColorWriting(true); });
  if (InitiateRendering) InitiateRendering(this, rci);
  scene.InitializePendingObjects(rci);
  (base ? base : scene.Objects())->RenderObject(rci);
  states.SetColorWriting(true);
  for (TGLObjectAfterEffect* effect : afterEffects_) effect->Render(rci);
  if (WrapUpRendering) WrapUpRendering(this, rci);
}

// --- Frozen image ------------------------------------------------------------------------------------------------------

void TGLStageBuffer::Freeze() {
  if (!rc_ || frozen_ || rendering_) return;
  rc_->Activate();
  ScopeExit deactivate([this] { DeactivateQuietly(*rc_); });
  frozenWidth_ = viewport_.z;
  frozenHeight_ = viewport_.w;
  frozenPixels_.assign(size_t(frozenWidth_) * size_t(frozenHeight_) * 4, 0);
  // Rows of 4-byte pixels meet any pack alignment.
  ActiveGLTable().ReadPixels(0, 0, frozenWidth_, frozenHeight_, GL_RGBA, GL_UNSIGNED_BYTE, frozenPixels_.data());
  frozen_ = true;
}

void TGLStageBuffer::DropFrozenImage() {
  frozen_ = false;
  frozenPixels_.clear();
  frozenPixels_.shrink_to_fit();
  frozenWidth_ = frozenHeight_ = 0;
}

void TGLStageBuffer::RenderFrozen() {
  rendering_ = true;
  ScopeExit notRendering([this] { rendering_ = false; });
  rc_->Activate();
  ScopeExit deactivate([this] { DeactivateQuietly(*rc_); });
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  rc_->GLStates().SetClearColor(ClearColor());
  ClearBuffers();
  TGLPipelineTransformation& pipeline = rc_->PipelineTransformation();
  pipeline.ResetMatrices();
  gl.RasterPos2f(-1, -1);
  gl.DrawPixels(frozenWidth_, frozenHeight_, GL_RGBA, GL_UNSIGNED_BYTE, frozenPixels_.data());
  if (!(contextOptions_ & roNoSwapBuffers)) rc_->SwapBuffers();
}

void TGLStageBuffer::CopyImageToTexture(TGLTexture& texture) {
  if (!rc_ || rendering_) return;
  rc_->Activate();
  ScopeExit deactivate([this] { DeactivateQuietly(*rc_); });
  texture.SetImageClassName("TGLBlankImage");
  auto& blank = static_cast<TGLBlankImage&>(texture.Image());
  blank.SetWidth(viewport_.z);
  blank.SetHeight(viewport_.w);
  const GLuint id = texture.BuildHandle();
  if (!id) return;
  TGLStateCache& states = rc_->GLStates();
  const int unit = states.ActiveTextureUnit();
  const GLuint previous = states.TextureBinding(unit, ttTexture2D);
  states.SetTextureBinding(unit, ttTexture2D, id);
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  gl.CopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, viewport_.z, viewport_.w);
  if (IsMipmapFilter(texture.MinFilter())) gl.GenerateMipmap(GL_TEXTURE_2D);
  states.SetTextureBinding(unit, ttTexture2D, previous);
}

void TGLStageBuffer::ResetFrameCounters() {
  frameCount_ = 0;
  framesPerSecond_ = 0;
  lastFrameTime_ = 0;
}

}  // namespace scene3d
