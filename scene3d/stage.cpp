#include "scene3d/stage.h"

#include <algorithm>
#include <cmath>

#include "scene3d/camera.h"
#include "scene3d/gl_context.h"
#include "scene3d/light_source.h"
#include "scene3d/planes.h"
#include "scene3d/scene_classes.h"
#include "scene3d/stage_buffer.h"

namespace scene3d {

TGLStageRootObject::TGLStageRootObject(TComponent* owner) : TGLBaseSceneObject(owner) {
  SetName("ObjectRoot");
  SetObjectStyle(osDirectDraw);
  SetSubComponent(true);
}

TGLStage::TGLStage(TComponent* owner) : TGLUpdateAbleComponent(owner), root_(new TGLStageRootObject(this)) {
  RegisterSceneClasses();
  root_->SetScene(this);
}

TGLStage::~TGLStage() {
  destroying_ = true;
  delete root_;
  root_ = nullptr;
  for (TGLStageBuffer* buffer : std::vector<TGLStageBuffer*>(buffers_)) buffer->SceneFreed(this);
  buffers_.clear();
}

void TGLStage::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) NotifyChange(this);
}

void TGLStage::NotifyChange(TObject* sender) {
  if (updateCount_ != 0 || IsLoading() || destroying_) return;
  for (TGLStageBuffer* buffer : std::vector<TGLStageBuffer*>(buffers_)) buffer->NotifyChange(sender);
}

void TGLStage::AddBuffer(TGLStageBuffer* buffer) {
  if (!buffer || std::find(buffers_.begin(), buffers_.end(), buffer) != buffers_.end()) return;
  buffers_.push_back(buffer);
  buffer->SceneRegistered(this);
  if (buffers_.size() == 1) {
    baseContext_ = buffer->RenderingContext();
  } else if (baseContext_ && buffer->RenderingContext() && buffer->RenderingContext() != baseContext_) {
    buffer->RenderingContext()->ShareListsWith(baseContext_);
  }
}

void TGLStage::RemoveBuffer(TGLStageBuffer* buffer) {
  auto it = std::find(buffers_.begin(), buffers_.end(), buffer);
  if (it == buffers_.end()) return;
  buffers_.erase(it);
  if (currentBuffer_ == buffer) currentBuffer_ = nullptr;
  baseContext_ = buffers_.empty() ? nullptr : buffers_.front()->RenderingContext();
}

void TGLStage::AddLight(TGLLightSource* light) {
  if (!light) return;
  for (int i = 0; i < kLightSlots; ++i)
    if (lights_[size_t(i)] == light) return;
  for (int i = 0; i < kLightSlots; ++i) {
    if (!lights_[size_t(i)]) {
      lights_[size_t(i)] = light;
      light->SetLightID(i);
      return;
    }
  }
  light->SetLightID(-1);
}

void TGLStage::RemoveLight(TGLLightSource* light) {
  if (!light) return;
  // Only the slot holding this light: an unregistered light must not darken another.
  const int id = light->LightID();
  if (id >= 0 && id < kLightSlots && lights_[size_t(id)] == light) lights_[size_t(id)] = nullptr;
  light->SetLightID(-1);
}

void TGLStage::LoadLights(int maxLights) {
  TGLContext& context = SafeCurrentContext();
  TGLStateCache& states = context.GLStates();
  TGLPipelineTransformation& pipeline = context.PipelineTransformation();
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  const int n = std::min(kLightSlots, maxLights);
  for (int i = 0; i < n; ++i) {
    TGLLightSource* light = lights_[size_t(i)];
    if (!light) {
      states.SetLightEnabled(i, false);
      continue;
    }
    const int id = light->LightID();
    states.SetLightEnabled(id, light->Shining());
    if (!light->Shining()) continue;
    const bool parallel = light->LightStyle() == lsParallel;
    if (states.FixedFunctionLighting()) {
      light->RebuildMatrix();
      const GLenum name = GLenum(GL_LIGHT0 + id);
      if (parallel) {
        pipeline.SetModelMatrix(light->AbsoluteMatrix());
        gl.Lightfv(name, GL_POSITION, light->SpotDirection().CoordsPointer());
      } else {
        pipeline.SetModelMatrix(light->Parent() ? light->Parent()->AbsoluteMatrix() : IdentityMatrix);
        gl.Lightfv(name, GL_POSITION, light->Position().CoordsPointer());
      }
      if (light->LightStyle() == lsSpot && light->SpotCutOff() != 180)
        gl.Lightfv(name, GL_SPOT_DIRECTION, light->SpotDirection().CoordsPointer());
    }
    TVector4f position = light->AbsolutePosition();
    position.w = parallel ? 0 : 1;
    states.SetLightPosition(id, position);
    states.SetLightSpotDirection(id, light->SpotDirection().Value());
    states.SetLightAmbient(id, light->Ambient().GetColor());
    states.SetLightDiffuse(id, light->Diffuse().GetColor());
    states.SetLightSpecular(id, light->Specular().GetColor());
    states.SetLightConstantAttenuation(id, light->ConstAttenuation());
    states.SetLightLinearAttenuation(id, light->LinearAttenuation());
    states.SetLightQuadraticAttenuation(id, light->QuadraticAttenuation());
    states.SetLightSpotExponent(id, light->SpotExponent());
    states.SetLightSpotCutoff(id, light->SpotCutOff());
  }
  for (int i = n; i < states.MaxLights(); ++i) states.SetLightEnabled(i, false);
  pipeline.SetModelMatrix(IdentityMatrix);
}

namespace {

// The sphere round an object and its children, in world coordinates.
void HierarchySphere(TGLBaseSceneObject& object, TVector4f& centre, float& radius) {
  TBoxCorners corners = object.HierarchyBox();
  BoxCornersTransform(corners, object.AbsoluteMatrix());
  const TAxisBox box = AxisBoxFromCorners(corners);
  centre = {(box.min.x + box.max.x) / 2, (box.min.y + box.max.y) / 2, (box.min.z + box.max.z) / 2, 1};
  radius = float(AffineDistance(box.min, box.max) / 2);
}

void SearchRay(TGLBaseSceneObject& parent, const TVector4f& origin, const TVector4f& direction, double& best,
               TGLBaseSceneObject*& bestObject, TVector4f& bestHit, TVector4f& bestNormal) {
  for (int i = 0; i < parent.Count(); ++i) {
    TGLBaseSceneObject& child = *parent.Children(i);
    if (!child.Visible()) continue;
    TVector4f centre;
    float radius = 0;
    HierarchySphere(child, centre, radius);
    TVector4f i1, i2;
    if (RaySphereIntersect(origin, direction, centre, radius, i1, i2) <= 0) continue;
    const double dx = double(origin.x) - centre.x, dy = double(origin.y) - centre.y, dz = double(origin.z) - centre.z;
    const bool inside = std::sqrt(dx * dx + dy * dy + dz * dz) <= radius;
    if (!inside && AffineDistance(TVector3f{origin.x, origin.y, origin.z}, TVector3f{i1.x, i1.y, i1.z}) >= best) continue;
    TVector4f hit, normal;
    if (child.RayIntersect(origin, direction, &hit, &normal)) {
      const double distance = AffineDistance(TVector3f{origin.x, origin.y, origin.z}, TVector3f{hit.x, hit.y, hit.z});
      if (distance < best) {
        best = distance;
        bestObject = &child;
        bestHit = hit;
        bestNormal = normal;
      }
    }
    SearchRay(child, origin, direction, best, bestObject, bestHit, bestNormal);
  }
}

}  // namespace

TGLBaseSceneObject* TGLStage::RayIntersect(const TVector4f& origin, const TVector4f& direction, TVector4f* hit,
                                           TVector4f* normal) {
  double best = 1e20;
  TGLBaseSceneObject* found = nullptr;
  TVector4f bestHit, bestNormal;
  TVector4f start = origin;
  start.w = 1;
  const TVector4f unit = VectorNormalized4(direction);
  SearchRay(*root_, start, unit, best, found, bestHit, bestNormal);
  if (found) {
    if (hit) *hit = bestHit;
    if (normal) *normal = bestNormal;
  }
  return found;
}

void TGLStage::SetObjectsSorting(TGLObjectsSorting sorting) {
  if (sorting == osInherited) sorting = osRenderBlendedLast;
  if (StoreChanged(objectsSorting_, sorting)) NotifyChange(this);
}

void TGLStage::SetVisibilityCulling(TGLVisibilityCulling culling) {
  if (culling == vcInherited) culling = vcNone;
  if (StoreChanged(visibilityCulling_, culling)) NotifyChange(this);
}

void TGLStage::Progress(double deltaTime, double newTime) {
  const TProgressTimes times{deltaTime, newTime};
  if (OnBeforeProgress) OnBeforeProgress(this, times);
  BeginUpdate();
  try {
    root_->ProgressTick(times);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  if (OnProgress) OnProgress(this, times);
}

void TGLStage::AddInitializableObject(TGLBaseSceneObject* object) {
  if (object && std::find(initializable_.begin(), initializable_.end(), object) == initializable_.end())
    initializable_.push_back(object);
}

void TGLStage::RemoveInitializableObject(TGLBaseSceneObject* object) {
  initializable_.erase(std::remove(initializable_.begin(), initializable_.end(), object), initializable_.end());
}

void TGLStage::InitializePendingObjects(RenderContextInfo& rci) {
  while (!initializable_.empty()) {
    TGLBaseSceneObject* object = initializable_.back();
    initializable_.pop_back();
    object->InitializeObject(rci);
  }
}

void TGLStage::ObjectLeaves(TGLBaseSceneObject* object) {
  RemoveInitializableObject(object);
  if (currentCamera_ == object) currentCamera_ = nullptr;
}

}  // namespace scene3d
