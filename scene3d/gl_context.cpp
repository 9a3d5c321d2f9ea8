#include "scene3d/gl_context.h"

#include <algorithm>

#include "scene3d/gl_egl_context.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/rendering_log.h"
#include "scene3d/silent_abort.h"

namespace scene3d {

namespace {

struct ProgramContexts {
  TGLContext* current = nullptr;
  bool activationFailed = false;
};

ProgramContexts& Program() {
  static ProgramContexts state;
  return state;
}

template <class T>
void Erase(std::vector<T*>& list, const T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

TGLContext* CurrentContext() { return Program().current; }

TGLContext& SafeCurrentContext() {
  if (!Program().current) {
    LogLine(lkError, "No active rendering context");
    SilentAbort();
  }
  return *Program().current;
}

bool ActivationFailed() { return Program().activationFailed; }

// --- TGLContext ------------------------------------------------------------------------------------------

TGLContext::TGLContext(TGLContextManager& manager, TGLResolver& resolver)
    : manager_(&manager),
      shared_{this},
      states_(std::make_unique<TGLStateCache>()),
      gl_(std::make_unique<TGLExtensionsAndEntryPoints>(resolver)),
      // No OpenGL context is current yet: made with loading off so creation calls nothing.
      transformation_(std::make_unique<TGLPipelineTransformation>(false)) {
  transformation_->SetLoadMatrices(true);
  manager.RegisterContext(this);
}

TGLContext::~TGLContext() {
  // A native context must go through the derived class's DestroyNative before this point; the
  // derived destructor calls it, so here only the registration is left.
  for (TGLContext* other : std::vector<TGLContext*>(shared_))
    if (other != this) Erase(other->shared_, this);
  if (Program().current == this) {
    Program().current = nullptr;
    SetActiveGLTable(nullptr);
  }
  try {
    manager_->UnregisterContext(this);
  } catch (const EGLContext&) {
    // Already gone from the manager: nothing left to undo.
  }
}

void TGLContext::CheckInactive() const {
  if (IsActive()) throw EGLContext("Cannot alter an active context");
}

void TGLContext::SetColorBits(int32_t bits) { CheckInactive(); colorBits_ = bits; }
void TGLContext::SetAlphaBits(int32_t bits) { CheckInactive(); alphaBits_ = bits; }
void TGLContext::SetDepthBits(int32_t bits) { CheckInactive(); depthBits_ = bits; }
void TGLContext::SetStencilBits(int32_t bits) { CheckInactive(); stencilBits_ = bits; }
void TGLContext::SetAccumBits(int32_t bits) { CheckInactive(); accumBits_ = bits; }
void TGLContext::SetAuxBuffers(int32_t count) { CheckInactive(); auxBuffers_ = count; }
void TGLContext::SetOptions(TGLRCOptions options) { CheckInactive(); options_ = options; }
void TGLContext::SetAntiAliasing(TGLAntiAliasing mode) { CheckInactive(); antiAliasing_ = mode; }
void TGLContext::SetAcceleration(TGLContextAcceleration acceleration) { CheckInactive(); acceleration_ = acceleration; }

void TGLContext::SetActive(bool flag) {
  while (IsActive() != flag) flag ? Activate() : Deactivate();
}

void TGLContext::Activate() {
  if (activationCount_ == 0) {
    if (!HasNativeContext()) throw EGLContext("Context not created");
    Program().activationFailed = false;
    try {
      NativeMakeCurrent();
    } catch (...) {
      // Nothing changes: the context is not current and the caller skips its frame.
      Program().activationFailed = true;
      throw;
    }
    SetActiveGLTable(gl_.get());
    Program().current = this;
  }
  ++activationCount_;
}

void TGLContext::Resume() {
  if (activationCount_ <= 0 || !HasNativeContext()) return;
  NativeMakeCurrent();
  SetActiveGLTable(gl_.get());
  Program().current = this;
}

void TGLContext::Deactivate() {
  if (activationCount_ <= 0) throw EGLContext("Unbalanced context activations");
  if (--activationCount_ > 0) return;
  if (!HasNativeContext()) throw EGLContext("Context not created");
  if (!Program().activationFailed) NativeReleaseCurrent();
  if (Program().current == this) {
    Program().current = nullptr;
    SetActiveGLTable(nullptr);
  }
}

void TGLContext::CreateOnDevice(TGLOutputDevice* device) {
  if (HasNativeContext()) throw EGLContext("Context already created");
  NativeCreate(device);
  manager_->NativeContextCreated();
}

void TGLContext::CreateOffscreen(TGLOutputDevice* device, int width, int height, int bufferCount) {
  if (HasNativeContext()) throw EGLContext("Context already created");
  NativeCreateOffscreen(device, width, height, bufferCount);
  manager_->NativeContextCreated();
}

bool TGLContext::SharesListsWith(const TGLContext* other) const {
  return std::find(shared_.begin(), shared_.end(), other) != shared_.end();
}

void TGLContext::AddShared(TGLContext* other) {
  if (!SharesListsWith(other)) shared_.push_back(other);
}

void TGLContext::ShareListsWith(TGLContext* other) {
  if (!other || SharesListsWith(other)) return;
  if (NativeShareLists(other)) {
    AddShared(other);
    PropagateSharing();
  }
}

void TGLContext::PropagateSharing() {
  for (size_t i = 0; i < shared_.size(); ++i)
    for (TGLContext* other : std::vector<TGLContext*>(shared_[i]->shared_)) AddShared(other);
  for (TGLContext* other : shared_)
    if (other != this) other->AddShared(this);
}

void TGLContext::UseAsActiveTable() { SetActiveGLTable(gl_.get()); }

TAbstractMultitextureCoordinator& TGLContext::MultitextureCoordinator() {
  if (!coordinator_) coordinator_ = std::make_unique<TGLMultitextureCoordinator>(*this);
  return *coordinator_;
}

void TGLContext::DestroyNative() {
  // Another context made current by nested activations gets all of them back afterwards.
  TGLContext* previous = Program().current == this ? nullptr : Program().current;
  int previousCount = 0;
  if (previous) {
    previousCount = previous->activationCount_;
    previous->SetActive(false);
  }
  std::exception_ptr failure;
  try {
    Activate();
    const std::vector<TGLContextHandle*> handles = manager_->Handles();
    for (auto it = handles.rbegin(); it != handles.rend(); ++it) (*it)->ReleaseForDestroyedContext();
    manager_->NativeContextDestroyed();
    for (TGLContext* other : std::vector<TGLContext*>(shared_))
      if (other != this) Erase(other->shared_, this);
    shared_.assign(1, this);
    // The table goes back to the stub while its own context is still current: disconnecting the
    // debug output later would reach whichever context is current then.
    acceleration_ = chaUnknown;
    gl_->ResetToStubs();
    SetActive(false);
    NativeDestroy();
  } catch (...) {
    failure = std::current_exception();
  }
  if (previous)
    for (int i = 0; i < previousCount; ++i) previous->Activate();
  if (failure) {
    acceleration_ = chaUnknown;
    gl_->ResetToStubs();
    std::rethrow_exception(failure);
  }
}

// --- Handles ------------------------------------------------------------------------------------------------

TGLContextHandle::TGLContextHandle(TGLContextManager& manager) : manager_(&manager) { manager.RegisterHandle(this); }

TGLContextHandle::~TGLContextHandle() { manager_->UnregisterHandle(this); }

void TGLContextHandle::DestroyIdentifiersQuietly() noexcept {
  try {
    DestroyIdentifiers();
  } catch (...) {
    // A handle going away must not take the program with it; the objects die with their contexts.
  }
}

TGLListHandle::~TGLListHandle() { DestroyIdentifiersQuietly(); }
TGLTextureHandle::~TGLTextureHandle() { DestroyIdentifiersQuietly(); }
TGLVirtualHandle::~TGLVirtualHandle() { DestroyIdentifiersQuietly(); }

int TGLContextHandle::SlotOf(const TGLContext* context) const {
  for (int i = kMaxContexts - 1; i >= 0; --i)
    if (slots_[size_t(i)].context == context && slots_[size_t(i)].identifier) return i;
  return -1;
}

int TGLContextHandle::FreeSlot() const {
  for (int i = kMaxContexts - 1; i >= 0; --i)
    if (!slots_[size_t(i)].context) return i;
  return -1;
}

void TGLContextHandle::AllocateIdentifier() {
  TGLContext* current = CurrentContext();
  if (!current) {
    LogLine(lkError, "Failed to allocate OpenGL identifier - no active rendering context!");
    return;
  }
  if (SlotOf(current) >= 0) return;
  bool failed = false;
  if (IsTransferable()) {
    for (int i = kMaxContexts - 1; i >= 0; --i) {
      const Slot& other = slots_[size_t(i)];
      if (!other.identifier || !current->SharesListsWith(other.context)) continue;
      int free = FreeSlot();
      if (free < 0) {
        failed = true;
        break;
      }
      slots_[size_t(free)] = {current, other.identifier, other.dataChanged};
      current->ChangeOwnedIdentifiers(+1);
      return;
    }
  }
  if (!failed) {
    int free = FreeSlot();
    if (free >= 0) {
      Slot& slot = slots_[size_t(free)];
      slot.context = current;
      slot.identifier = GenerateIdentifier();
      slot.dataChanged = slot.identifier != 0;
      if (slot.identifier) {
        current->ChangeOwnedIdentifiers(+1);
        return;
      }
      // A failed identifier gives its slot back.
      slot = Slot{};
    }
  }
  LogLine(lkError, "Failed to allocate OpenGL identifier - contexts number more then GLS_MAX_RENDERING_CONTEXT_NUM!");
}

GLuint TGLContextHandle::Identifier() const {
  int slot = SlotOf(CurrentContext());
  return CurrentContext() && slot >= 0 ? slots_[size_t(slot)].identifier : 0;
}

void TGLContextHandle::DestroyIdentifiers() {
  // The current context steps aside with all its nested activations and gets them back afterwards.
  TGLContext* previous = CurrentContext();
  int previousCount = 0;
  for (; previous && previous->IsActive(); ++previousCount) previous->Deactivate();
  std::exception_ptr failure;
  try {
    for (int i = kMaxContexts - 1; i >= 0; --i) {
      Slot& slot = slots_[size_t(i)];
      if (!slot.identifier) continue;
      slot.context->Activate();
      if (IsValidIdentifier(slot.identifier)) DeleteIdentifier(slot.identifier);
      slot.context->ChangeOwnedIdentifiers(-1);
      slot.context->Deactivate();
      slot = Slot{nullptr, 0, true};
    }
  } catch (...) {
    failure = std::current_exception();
  }
  if (TGLContext* now = CurrentContext()) now->SetActive(false);
  if (previous)
    for (int i = 0; i < previousCount; ++i) previous->Activate();
  for (Slot& slot : slots_) slot = Slot{nullptr, 0, true};
  if (failure) std::rethrow_exception(failure);
}

void TGLContextHandle::ReleaseForDestroyedContext() {
  TGLContext* current = CurrentContext();
  int mine = SlotOf(current);
  if (!current || mine < 0) return;
  bool survives = false;
  if (IsTransferable())
    for (int i = 0; i < kMaxContexts; ++i)
      if (i != mine && slots_[size_t(i)].identifier && current->SharesListsWith(slots_[size_t(i)].context)) survives = true;
  GLuint id = slots_[size_t(mine)].identifier;
  if (!survives && IsValidIdentifier(id)) DeleteIdentifier(id);
  current->ChangeOwnedIdentifiers(-1);
  slots_[size_t(mine)] = Slot{nullptr, 0, true};
}

TGLContext* TGLContextHandle::OwningContext() const {
  if (TGLContext* current = CurrentContext(); current && SlotOf(current) >= 0) return current;
  for (int i = kMaxContexts - 1; i >= 0; --i)
    if (slots_[size_t(i)].identifier) return slots_[size_t(i)].context;
  return nullptr;
}

bool TGLContextHandle::NeedsDataUpdate() const {
  int slot = SlotOf(&SafeCurrentContext());
  return slot < 0 || slots_[size_t(slot)].dataChanged;
}

void TGLContextHandle::MarkDataUpdated() {
  TGLContext& current = SafeCurrentContext();
  for (Slot& slot : slots_) {
    if (!slot.identifier) continue;
    if (IsTransferable() ? current.SharesListsWith(slot.context) : slot.context == &current) slot.dataChanged = false;
  }
}

void TGLContextHandle::MarkDataChanged() {
  for (Slot& slot : slots_) slot.dataChanged = true;
}

bool TGLListHandle::IsValidIdentifier(GLuint id) const { return ActiveGLTable().IsList(id) == GL_TRUE; }

GLuint TGLListHandle::GenerateIdentifier() { return ActiveGLTable().GenLists(1); }

void TGLListHandle::DeleteIdentifier(GLuint id) {
  if (ActivationFailed()) return;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  gl.DrainGLErrors();
  gl.DeleteLists(id, 1);
  gl.ReportGLErrors();
}

bool TGLTextureHandle::IsValidIdentifier(GLuint id) const { return ActiveGLTable().IsTexture(id) == GL_TRUE; }

GLuint TGLTextureHandle::GenerateIdentifier() {
  GLuint id = 0;
  ActiveGLTable().GenTextures(1, &id);
  target_ = kUnknownTarget;
  return id;
}

void TGLTextureHandle::DeleteIdentifier(GLuint id) {
  if (ActivationFailed()) return;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  gl.GetError();
  // No unit may keep the texture bound in the cache once it is gone.
  if (TGLContext* owner = OwningContext()) {
    TGLStateCache& states = owner->GLStates();
    int units = gl.ARB_multitexture ? kMaxTextureUnits : 1;
    for (int unit = 0; unit < units; ++unit)
      for (int target = 0; target < kTextureTargetCount; ++target)
        if (states.TextureBinding(unit, TGLTextureTarget(target)) == id) states.SetTextureBinding(unit, TGLTextureTarget(target), 0);
  }
  gl.DeleteTextures(1, &id);
  target_ = kUnknownTarget;
  gl.ReportGLErrors();
}

GLuint TGLVirtualHandle::GenerateIdentifier() {
  GLuint id = 0;
  if (onAllocate_) onAllocate_(this, id);
  return id;
}

void TGLVirtualHandle::DeleteIdentifier(GLuint id) {
  if (ActivationFailed()) return;
  ActiveGLTable().DrainGLErrors();
  if (onDestroy_) onDestroy_(this, id);
  ActiveGLTable().ReportGLErrors();
}

// --- Manager -------------------------------------------------------------------------------------------------

TGLContext* TGLContextManager::CreateContext() { return classes_.empty() ? nullptr : classes_.front()(*this); }

int TGLContextManager::ContextCount() {
  std::lock_guard guard(lock_);
  return int(contexts_.size());
}

void TGLContextManager::RegisterContext(TGLContext* context) {
  std::lock_guard guard(lock_);
  if (std::find(contexts_.begin(), contexts_.end(), context) != contexts_.end())
    throw EGLContext("Invalid context registration");
  contexts_.push_back(context);
}

void TGLContextManager::UnregisterContext(TGLContext* context) {
  std::lock_guard guard(lock_);
  auto it = std::find(contexts_.begin(), contexts_.end(), context);
  if (it == contexts_.end()) throw EGLContext("Invalid context registration");
  contexts_.erase(it);
}

void TGLContextManager::UnregisterHandle(TGLContextHandle* handle) { Erase(handles_, handle); }

void TGLContextManager::NativeContextCreated() {
  std::lock_guard guard(lock_);
  ++nativeContexts_;
}

void TGLContextManager::NativeContextDestroyed() {
  std::lock_guard guard(lock_);
  --nativeContexts_;
}

int TGLContextManager::NativeContextCount() {
  std::lock_guard guard(lock_);
  return nativeContexts_;
}

TGLContextManager& GLContextManager() {
  static TGLContextManager manager;
  static bool registered = [] {
    manager.RegisterContextClass([](TGLContextManager& owner) -> TGLContext* { return new TGLEGLContext(owner); });
    return true;
  }();
  (void)registered;
  return manager;
}

}  // namespace scene3d
