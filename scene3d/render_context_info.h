// What one rendering traversal of the scene hands down from object to object: the scene and the
// buffer drawing it, where the camera stands and looks, the viewport, the sorting and culling modes
// in force, the context's state cache and transformation pipeline, the clipping values and the
// buffer's switches. The scene buffer fills a fresh, zeroed record for every frame; an object that
// changes the sorting or culling mode for its children puts the old value back afterwards.
#pragma once

#include <cstdint>
#include <vector>

#include "scene3d/vector_types.h"

namespace scene3d {

class TGLStage;
class TGLStageBuffer;
class TGLStateCache;
class TGLPipelineTransformation;
class TGLObjectAfterEffect;

enum TGLObjectsSorting : uint8_t {
  osInherited,
  osNone,
  osRenderFarthestFirst,
  osRenderBlendedLast,
  osRenderNearestFirst,
};

enum TGLVisibilityCulling : uint8_t { vcInherited, vcNone, vcObjectBased, vcHierarchical };

// dsRendering draws; dsPicking skips objects that are not pickable; dsPrinting renders as
// dsRendering without the viewer's before-render hook.
enum TDrawState : uint8_t { dsRendering, dsPicking, dsPrinting };

struct TRenderContextClippingInfo {
  TVector4f origin;
  TVector4f clippingDirection;
  float viewPortRadius = 0;
  float nearClippingDistance = 0;
  float farClippingDistance = 0;
  TFrustumPlanes frustum;
};

struct RenderContextInfo {
  TGLStage* scene = nullptr;
  TGLStageBuffer* buffer = nullptr;
  TVector4f cameraPosition;
  TVector4f cameraDirection;  // w = 0
  TVector4f cameraUp;
  int32_t viewPortSizeX = 0;
  int32_t viewPortSizeY = 0;
  int32_t renderDPI = 0;
  TDrawState drawState = dsRendering;
  TGLObjectsSorting objectsSorting = osInherited;
  TGLVisibilityCulling visibilityCulling = vcInherited;
  TGLStateCache* GLStates = nullptr;
  TGLPipelineTransformation* PipelineTransformation = nullptr;
  TRenderContextClippingInfo rcci;
  TVector4f sceneAmbientColor;
  bool bufferFaceCull = false;
  bool bufferLighting = false;
  bool bufferFog = false;
  bool bufferDepthTest = false;
  // A proxy draws its master's sub-objects relative to itself (local x current model matrix).
  bool proxySubObject = false;
  bool ignoreMaterials = false;
  bool ignoreBlendingRequests = false;
  bool ignoreDepthRequests = false;
  // Objects call their build routine instead of their display list.
  bool amalgamating = false;
  // Effects that draw once the whole scene is drawn; the buffer runs them at the end of the frame.
  std::vector<TGLObjectAfterEffect*>* afterRenderEffects = nullptr;
};

}  // namespace scene3d
