// Rendering contexts and context handles.
//
// TGLContext is the system-independent part of a rendering context: the pixel-format wishes,
// activation by counting with one program-wide current context, display-list sharing, and the
// context's own entry-point table, state cache, transformation pipeline and multitexture
// coordinator. A platform supplies the native operations (gl_egl_context.h on this system).
//
// Typical use (the scene buffer of a viewer):
//   TGLContext* rc = GLContextManager().CreateContext();   // the registered platform class
//   rc->SetDepthBits(24);
//   rc->CreateOnDevice(&device);                             // gl_output_device.h
//   rc->Activate();  ...draw through ActiveGLTable() and rc->GLStates()...  rc->SwapBuffers();
//   rc->Deactivate();
// Activate raises EGLContext when the native context cannot be made current; the caller skips
// that frame. OpenGL objects that live in contexts (display lists, textures) are held by context
// handles, which keep one identifier per context.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_state.h"
#include "scene3d/gl_transformation.h"
#include "scene3d/persistent.h"

namespace scene3d {

class TGLOutputDevice;
class TGLContextManager;
class TGLContextHandle;
class TAbstractMultitextureCoordinator;

// "Cannot alter an active context", "Context already created", "Context not created",
// "Unbalanced context activations", "Invalid context registration", "Context activation failed: %X, %s",
// "Delete context failed".
class EGLContext : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

enum TGLAntiAliasing : uint8_t {
  aaDefault, aaNone, aa2x, aa2xHQ, aa4x, aa4xHQ, aa6x, aa8x, aa16x, csa8x, csa8xHQ, csa16x, csa16xHQ
};
// Options: bit 0 double-buffered, bit 1 stereo.
using TGLRCOptions = uint8_t;
inline constexpr TGLRCOptions rcoDoubleBuffered = 1;
inline constexpr TGLRCOptions rcoStereo = 2;
enum TGLContextAcceleration : uint8_t { chaUnknown, chaHardware, chaSoftware };

class TGLContext : public TObject {
 public:
  // Registers with the manager; no native context yet. `resolver` finds the table's entry points.
  explicit TGLContext(TGLContextManager& manager, TGLResolver& resolver = SystemGLResolver());
  // Destroys the native context when there is one, then unregisters.
  ~TGLContext() override;
  std::string ClassName() const override { return "TGLContext"; }

  // Format wishes; each setter raises "Cannot alter an active context" while active.
  int32_t ColorBits() const { return colorBits_; }
  void SetColorBits(int32_t bits);
  int32_t AlphaBits() const { return alphaBits_; }
  void SetAlphaBits(int32_t bits);
  int32_t DepthBits() const { return depthBits_; }
  void SetDepthBits(int32_t bits);
  int32_t StencilBits() const { return stencilBits_; }
  void SetStencilBits(int32_t bits);
  int32_t AccumBits() const { return accumBits_; }
  void SetAccumBits(int32_t bits);
  int32_t AuxBuffers() const { return auxBuffers_; }
  void SetAuxBuffers(int32_t count);
  TGLRCOptions Options() const { return options_; }
  void SetOptions(TGLRCOptions options);
  TGLAntiAliasing AntiAliasing() const { return antiAliasing_; }
  void SetAntiAliasing(TGLAntiAliasing mode);
  TGLContextAcceleration Acceleration() const { return acceleration_; }
  void SetAcceleration(TGLContextAcceleration acceleration);

  bool IsActive() const { return activationCount_ > 0; }
  void SetActive(bool flag);
  void Activate();
  void Deactivate();

  void CreateOnDevice(TGLOutputDevice* device);
  void CreateOffscreen(TGLOutputDevice* device, int width, int height, int bufferCount);
  void ShareListsWith(TGLContext* other);
  // Makes sharing transitive across every context this one shares with.
  void PropagateSharing();
  void DestroyNative();
  // Makes this context's table the active one without activating the context.
  void UseAsActiveTable();
  // Makes this active context current again after another one was current for a moment (a swap of
  // a context that was not current).
  void Resume();

  TGLStateCache& GLStates() { return *states_; }
  TGLExtensionsAndEntryPoints& GL() { return *gl_; }
  TGLPipelineTransformation& PipelineTransformation() { return *transformation_; }
  // Created on first request.
  TAbstractMultitextureCoordinator& MultitextureCoordinator();
  // The contexts this one shares lists with, itself first.
  const std::vector<TGLContext*>& SharedContexts() const { return shared_; }
  bool SharesListsWith(const TGLContext* other) const;
  TGLContextManager& Manager() const { return *manager_; }
  int32_t OwnedIdentifiersCount() const { return ownedIdentifiers_; }
  void ChangeOwnedIdentifiers(int delta) { ownedIdentifiers_ += delta; }

  // The native operations.
  virtual void NativeCreate(TGLOutputDevice* device) = 0;
  virtual void NativeCreateOffscreen(TGLOutputDevice* device, int width, int height, int bufferCount) = 0;
  virtual bool NativeShareLists(TGLContext* other) = 0;
  virtual void NativeDestroy() = 0;
  virtual void NativeMakeCurrent() = 0;
  virtual void NativeReleaseCurrent() = 0;
  virtual bool HasNativeContext() const = 0;
  virtual void SwapBuffers() = 0;
  virtual TGLOutputDevice* OutputDevice() const = 0;

 protected:
  // Adds `other` to the shared list (no native call).
  void AddShared(TGLContext* other);

 private:
  void CheckInactive() const;

  int32_t colorBits_ = 32;
  int32_t alphaBits_ = 0;
  int32_t depthBits_ = 0;
  int32_t stencilBits_ = 0;
  int32_t accumBits_ = 0;
  int32_t auxBuffers_ = 0;
  TGLAntiAliasing antiAliasing_ = aaDefault;
  TGLRCOptions options_ = 0;
  TGLContextAcceleration acceleration_ = chaUnknown;
  int32_t activationCount_ = 0;
  int32_t ownedIdentifiers_ = 0;
  TGLContextManager* manager_;
  std::vector<TGLContext*> shared_;
  std::unique_ptr<TGLStateCache> states_;
  std::unique_ptr<TGLExtensionsAndEntryPoints> gl_;
  std::unique_ptr<TAbstractMultitextureCoordinator> coordinator_;
  std::unique_ptr<TGLPipelineTransformation> transformation_;
};

// The current context or none.
TGLContext* CurrentContext();
// The current context; without one, logs "No active rendering context" and aborts silently.
TGLContext& SafeCurrentContext();
// Set by a failed native make-current, cleared by the next activation: deactivation then skips the
// native release and handles skip their OpenGL deletes.
bool ActivationFailed();

// --- Handles ----------------------------------------------------------------------------------------

class TGLContextHandle : public TObject {
 public:
  static constexpr int kMaxContexts = 8;
  struct Slot {
    TGLContext* context = nullptr;
    GLuint identifier = 0;
    bool dataChanged = false;
  };

  explicit TGLContextHandle(TGLContextManager& manager);
  // Unregisters. Each concrete handle's destructor destroys its identifiers first, while its own
  // DeleteIdentifier can still be called.
  ~TGLContextHandle() override;
  std::string ClassName() const override { return "TGLContextHandle"; }

  virtual bool IsTransferable() const { return true; }
  virtual bool IsValidIdentifier(GLuint) const { return true; }
  virtual GLuint GenerateIdentifier() = 0;
  virtual void DeleteIdentifier(GLuint id) = 0;
  virtual bool IsSupported() const { return true; }

  // Gives the current context an identifier (shared from a list-sharing context when transferable).
  void AllocateIdentifier();
  // The identifier for the current context; 0 when none or no context is current.
  GLuint Identifier() const;
  void DestroyIdentifiers();
  TGLContext* OwningContext() const;
  bool NeedsDataUpdate() const;
  void MarkDataUpdated();
  void MarkDataChanged();
  // For the context being destroyed (current now): frees its identifier unless a list-sharing
  // context still holds the object.
  void ReleaseForDestroyedContext();
  const Slot& SlotAt(int index) const { return slots_[size_t(index & 7)]; }

 protected:
  TGLContextManager& Manager() const { return *manager_; }
  void DestroyIdentifiersQuietly() noexcept;

 private:
  int SlotOf(const TGLContext* context) const;
  int FreeSlot() const;

  TGLContextManager* manager_;
  std::array<Slot, kMaxContexts> slots_{};
};

class TGLListHandle : public TGLContextHandle {
 public:
  using TGLContextHandle::TGLContextHandle;
  ~TGLListHandle() override;
  std::string ClassName() const override { return "TGLListHandle"; }
  bool IsValidIdentifier(GLuint id) const override;
  GLuint GenerateIdentifier() override;
  void DeleteIdentifier(GLuint id) override;
};

class TGLTextureHandle : public TGLContextHandle {
 public:
  static constexpr uint8_t kUnknownTarget = 255;
  using TGLContextHandle::TGLContextHandle;
  ~TGLTextureHandle() override;
  std::string ClassName() const override { return "TGLTextureHandle"; }
  bool IsValidIdentifier(GLuint id) const override;
  GLuint GenerateIdentifier() override;
  void DeleteIdentifier(GLuint id) override;
  uint8_t Target() const { return target_; }
  void SetTarget(uint8_t target) { target_ = target; }

 private:
  uint8_t target_ = kUnknownTarget;
};

// An identifier of the caller's own making: OnAllocate supplies it, OnDestroy frees it.
class TGLVirtualHandle : public TGLContextHandle {
 public:
  using TGLVirtualHandleEvent = std::function<void(TGLVirtualHandle* sender, GLuint& handle)>;
  using TGLContextHandle::TGLContextHandle;
  ~TGLVirtualHandle() override;
  std::string ClassName() const override { return "TGLVirtualHandle"; }
  bool IsTransferable() const override { return false; }
  GLuint GenerateIdentifier() override;
  void DeleteIdentifier(GLuint id) override;
  void SetOnAllocate(TGLVirtualHandleEvent handler) { onAllocate_ = std::move(handler); }
  void SetOnDestroy(TGLVirtualHandleEvent handler) { onDestroy_ = std::move(handler); }

 private:
  TGLVirtualHandleEvent onAllocate_;
  TGLVirtualHandleEvent onDestroy_;
};

// --- The manager ---------------------------------------------------------------------------------------

class TGLContextManager : public TObject {
 public:
  using ContextFactory = std::function<TGLContext*(TGLContextManager&)>;
  std::string ClassName() const override { return "TGLContextManager"; }

  // A new context of the first registered class; null when none is registered. The caller owns it.
  TGLContext* CreateContext();
  void LockContexts() { lock_.lock(); }
  void UnlockContexts() { lock_.unlock(); }
  int ContextCount();
  void RegisterContext(TGLContext* context);
  void UnregisterContext(TGLContext* context);
  void RegisterHandle(TGLContextHandle* handle) { handles_.push_back(handle); }
  void UnregisterHandle(TGLContextHandle* handle);
  const std::vector<TGLContextHandle*>& Handles() const { return handles_; }
  void NativeContextCreated();
  void NativeContextDestroyed();
  int NativeContextCount();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  // The context classes, first registered first used.
  void RegisterContextClass(ContextFactory factory) { classes_.push_back(std::move(factory)); }

 private:
  std::recursive_mutex lock_;
  std::vector<TGLContext*> contexts_;
  std::vector<TGLContextHandle*> handles_;
  int nativeContexts_ = 0;
  bool terminated_ = false;
  std::vector<ContextFactory> classes_;
};

// The program's manager (the platform's context class registers with it on first use).
TGLContextManager& GLContextManager();

}  // namespace scene3d
