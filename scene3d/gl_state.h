// The OpenGL state cache: a shadow copy of one context's OpenGL state, so that a change is sent to
// OpenGL only when the value really changes. Every setter follows one rule: a value equal to the
// cached one does nothing unless a display list is being compiled; otherwise the call is made, and
// the cache takes the new value, or, while compiling, keeps its value and notes the setter's
// attribute group for the list, so that CallList can save and restore exactly those groups.
// Fixed-function setters do nothing in a forward context. All calls go through ActiveGLTable().
//
// Indexes out of range (texture units from 48, lights from 16, attribute arrays from 16) are
// ignored: no call, no change.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "scene3d/gl_entry_points.h"
#include "scene3d/persistent.h"
#include "scene3d/vector_types.h"

namespace scene3d {

// The attribute groups; group n stands for the OpenGL attribute bit 1 << n, except sttMultisample.
enum TGLStateType : uint8_t {
  sttCurrent, sttPoint, sttLine, sttPolygon, sttPolygonStipple, sttPixelMode, sttLighting, sttFog,
  sttDepthBuffer, sttAccumBuffer, sttStencilBuffer, sttViewport, sttTransform, sttEnable,
  sttColorBuffer, sttHint, sttEval, sttList, sttTexture, sttScissor, sttMultisample
};
// A set of groups: bit n is group n.
using TGLStateTypes = uint32_t;
constexpr TGLStateTypes StateTypeBit(TGLStateType type) { return TGLStateTypes(1) << type; }
// The PushAttrib mask of a set of groups.
GLbitfield AttribBitsOf(TGLStateTypes groups);

enum TComparisonFunction : uint8_t { cfNever, cfAlways, cfLess, cfLEqual, cfEqual, cfGreater, cfNotEqual, cfGEqual };
enum TBlendFunction : uint8_t {
  bfZero, bfOne, bfSrcColor, bfOneMinusSrcColor, bfDstColor, bfOneMinusDstColor, bfSrcAlpha,
  bfOneMinusSrcAlpha, bfDstAlpha, bfOneMinusDstAlpha, bfConstantColor, bfOneMinusConstantColor,
  bfConstantAlpha, bfOneMinusConstantAlpha, bfSrcAlphaSat
};
enum TPolygonMode : uint8_t { pmFill, pmLines, pmPoints };

// The switchable capabilities, in this order.
enum TGLState : uint8_t {
  stAlphaTest, stAutoNormal, stBlend, stColorMaterial, stCullFace, stDepthTest, stDither, stFog,
  stLighting, stLineSmooth, stLineStipple, stIndexLogicOp, stColorLogicOp, stNormalize,
  stPointSmooth, stPointSprite, stPolygonSmooth, stPolygonStipple, stScissorTest, stStencilTest,
  stPolygonOffsetPoint, stPolygonOffsetLine, stPolygonOffsetFill, stDepthClamp
};
inline constexpr int kGLStateCount = 24;
using TGLStates = uint32_t;

enum TFaceWinding : uint8_t { fwCounterClockWise, fwClockWise };
enum TCullFaceMode : uint8_t { cmFront, cmBack, cmFrontAndBack };
enum THintType : uint8_t { hintDontCare, hintFastest, hintNicest };
enum TGLTextureTarget : uint8_t {
  ttTexture1D, ttTexture2D, ttTexture3D, ttTexture1DArray, ttTexture2DArray, ttTextureRect,
  ttTextureBuffer, ttTextureCube, ttTexture2DMultisample, ttTexture2DMultisampleArray, ttTextureCubeArray
};
inline constexpr int kTextureTargetCount = 11;
// GL_CLEAR .. GL_SET in enum order.
enum TLogicOp : uint8_t {
  loClear, loAnd, loAndReverse, loCopy, loAndInverted, loNoOp, loXOr, loOr, loNor, loEquiv,
  loInvert, loOrReverse, loCopyInverted, loOrInverted, loNAnd, loSet
};

GLenum ComparisonFunctionToGL(TComparisonFunction f);
GLenum BlendFunctionToGL(TBlendFunction f);
GLenum StateToGL(TGLState state);
GLenum TextureTargetToGL(TGLTextureTarget target);

inline constexpr int kMaxTextureUnits = 48;
inline constexpr int kMaxCachedLights = 16;
inline constexpr int kMaxVertexAttribArrays = 16;

struct TGLMaterialState {
  TVector4f emission{0, 0, 0, 1};
  TVector4f ambient{0.2f, 0.2f, 0.2f, 1};
  TVector4f diffuse{0.8f, 0.8f, 0.8f, 1};
  TVector4f specular{0, 0, 0, 1};
  int32_t shininess = 0;
};

struct TGLLightState {
  TVector4f position{0, 0, 1, 0};
  TVector4f spotDirection{0, 0, -1, 0};
  TVector4f ambient{0, 0, 0, 1};
  TVector4f diffuse{0, 0, 0, 1};
  TVector4f specular{0, 0, 0, 1};
  float spotCutoff = 180;
  float spotCosCutoff = -1;
  float spotExponent = 0;
  float constantAttenuation = 1;
  float linearAttenuation = 0;
  float quadraticAttenuation = 0;
};

class TGLStateCache : public TObject {
 public:
  TGLStateCache();
  std::string ClassName() const override { return "TGLStateCache"; }

  // Switchable states.
  void EnableState(TGLState state);
  void DisableState(TGLState state);
  void SetState(TGLState state, bool flag) { flag ? EnableState(state) : DisableState(state); }
  // Without the equality test (still nothing for fixed-function states in a forward context).
  void EnableStateDirect(TGLState state);
  void DisableStateDirect(TGLState state);
  bool IsEnabled(TGLState state) const { return (states_ >> state) & 1; }

  // Textures.
  void SetActiveTextureUnit(int unit);
  int ActiveTextureUnit() const { return activeUnit_; }
  void SetTextureBinding(int unit, TGLTextureTarget target, GLuint id);
  GLuint TextureBinding(int unit, TGLTextureTarget target) const;
  double TextureBindTime(int unit, TGLTextureTarget target) const;
  void SetTextureTargetEnabled(TGLTextureTarget target, bool flag);
  bool TextureTargetEnabled(int unit, TGLTextureTarget target) const;
  void SetTextureMatrix(const TMatrix4f& matrix);
  void ResetTextureMatrix();
  void ResetAllTextureMatrices();

  // Materials and colour.
  void SetMaterial(TCullFaceMode face, const TVector4f& emission, const TVector4f& ambient, const TVector4f& diffuse,
                   const TVector4f& specular, int32_t shininess);
  void SetMaterialAlphaChannel(TCullFaceMode face, float alpha);
  const TGLMaterialState& Material(TCullFaceMode face) const { return face == cmBack ? backMaterial_ : frontMaterial_; }
  void SetColor(const TVector4f& colour);
  const TVector4f& Color() const { return color_; }
  // A drawing routine that sets the current colour or a material itself (vertex and node colours,
  // colour material, glMaterial through the table) says so here, so that the next SetColor or
  // SetMaterial is sent whatever the cache held.
  void ColorSetBehind();
  void MaterialSetBehind(TCullFaceMode face);

  // Per-fragment state.
  void SetAlphaFunction(TComparisonFunction function, float reference);
  void SetBlendFunction(TBlendFunction source, TBlendFunction destination);
  void SetBlendFunctionSeparate(TBlendFunction source, TBlendFunction destination, TBlendFunction alphaSource,
                                TBlendFunction alphaDestination);
  void SetDepthFunction(TComparisonFunction function);
  TComparisonFunction DepthFunction() const { return depthFunction_; }
  void SetDepthRange(double zNear, double zFar);
  void SetDepthWriteMask(bool flag);
  bool DepthWriteMask() const { return depthWriteMask_; }
  // Bits 0..3: red, green, blue, alpha.
  void SetColorWriteMask(uint8_t mask);
  uint8_t ColorWriteMask(int buffer = 0) const { return colorWriteMasks_[size_t(buffer & 15)]; }
  void SetColorWriting(bool flag);
  bool ColorWriting() const { return colorWriting_; }
  void SetLogicOp(TLogicOp operation);

  // Rasterisation.
  void SetFrontFace(TFaceWinding winding);
  void InvertFrontFace();
  TFaceWinding FrontFace() const { return frontFace_; }
  void SetPolygonMode(TPolygonMode mode);
  void SetLineWidth(float width);
  float LineWidth() const { return lineWidth_; }
  void SetLineStippleFactor(int32_t factor);
  void SetLineStipplePattern(uint16_t pattern);
  void SetPointSize(float size);
  void SetViewport(const TVector4i& viewport);
  const TVector4i& Viewport() const { return viewport_; }
  void SetClearColor(const TVector4f& colour);
  void SetTextureCompressionHint(THintType mode);
  void SetMultisampleFilterHint(THintType mode);

  // Lights; every setter also raises LightsChanged and calls the on-light-change callback.
  void SetLightEnabled(int index, bool flag);
  bool LightEnabled(int index) const { return index >= 0 && index < kMaxCachedLights && lightEnabled_[size_t(index)]; }
  // The indexes of the enabled lights, in increasing order.
  const std::vector<int>& EnabledLights() const { return enabledLights_; }
  void SetLightPosition(int index, const TVector4f& position);
  void SetLightSpotDirection(int index, const TVector4f& direction);
  void SetLightAmbient(int index, const TVector4f& colour);
  void SetLightDiffuse(int index, const TVector4f& colour);
  void SetLightSpecular(int index, const TVector4f& colour);
  void SetLightSpotCutoff(int index, float degrees);
  void SetLightSpotExponent(int index, float value);
  void SetLightConstantAttenuation(int index, float value);
  void SetLightLinearAttenuation(int index, float value);
  void SetLightQuadraticAttenuation(int index, float value);
  const TGLLightState& Light(int index) const { return lights_[size_t(index & 15)]; }
  bool LightsChanged() const { return lightsChanged_; }
  void SetLightsChanged(bool flag) { lightsChanged_ = flag; }
  void SetOnLightChange(TNotifyEvent handler) { onLightChange_ = std::move(handler); }

  // Pixel storage, buffers and attribute arrays: never recorded for a list.
  void SetUnpackAlignment(int32_t value);
  int32_t UnpackAlignment() const { return unpackAlignment_; }
  void SetUnpackRowLength(int32_t value);
  void SetUnpackSkipPixels(int32_t value);
  void SetUnpackSkipRows(int32_t value);
  void SetArrayBufferBinding(GLuint id);
  void SetElementBufferBinding(GLuint id);
  void SetVertexAttribArrayEnabled(int index, bool flag);

  // Limits, asked of OpenGL on first use.
  int32_t MaxLights();
  int32_t MaxTextureSize();
  int32_t MaxTextureImageUnits();
  // The highest order of the one-dimensional evaluators (0 when OpenGL does not say).
  int32_t MaxEvalOrder();

  // A forward context has no fixed-function pipeline; switching it on makes lighting inactive.
  void SetForwardContext(bool flag);
  bool ForwardContext() const { return forwardContext_; }
  // Active only while `flag` is true and the context is not forward.
  void SetFixedFunctionLighting(bool flag);
  bool FixedFunctionLighting() const { return fixedFunctionLighting_; }

  // Display lists and the attribute stack.
  void NewList(GLuint list, GLenum mode);
  void EndList();
  void CallList(GLuint list);
  bool InsideList() const { return insideList_; }
  // The groups recorded for a list; none for a list this cache did not compile.
  TGLStateTypes ListStates(GLuint list) const { return list < listStates_.size() ? listStates_[list] : 0; }
  void PushAttributes(TGLStateTypes groups);
  void PopAttributes();

 private:
  // The one rule; true when the OpenGL call is to be made.
  template <class T>
  bool Change(T& cached, const T& value, TGLStateType group);
  bool ChangeBlend(const std::array<TBlendFunction, 4>& factors);
  bool Fixed() const { return forwardContext_; }
  void Record(TGLStateType group);
  void LightChanged();
  bool LightIndexOk(int index) const { return index >= 0 && index < kMaxCachedLights; }
  void LightVector(int index, TVector4f TGLLightState::*field, GLenum pname, const TVector4f& value);
  void LightScalar(int index, float TGLLightState::*field, GLenum pname, float value);
  void SendMaterial(GLenum face, const TGLMaterialState& material);
  void SetUnpack(int32_t& cached, GLenum pname, int32_t value);
  void SetBuffer(GLuint& cached, GLenum target, GLuint id);
  void ApplyState(TGLState state, bool flag);

  TGLMaterialState frontMaterial_, backMaterial_;
  TComparisonFunction alphaFunction_ = cfAlways;
  float alphaReference_ = 0;

  int32_t maxLights_ = 0;  // 0: not asked yet
  std::array<bool, kMaxCachedLights> lightEnabled_{};
  std::vector<int> enabledLights_;
  std::array<TGLLightState, kMaxCachedLights> lights_{};
  bool lightsChanged_ = false;
  TNotifyEvent onLightChange_;

  TGLStates states_ = 0;

  std::array<bool, 4> textureMatrixIsIdentity_{true, true, true, true};
  int activeUnit_ = 0;
  std::array<std::array<GLuint, kTextureTargetCount>, kMaxTextureUnits> textureBindings_{};
  std::array<std::array<double, kTextureTargetCount>, kMaxTextureUnits> textureBindTimes_{};
  std::array<std::array<bool, kTextureTargetCount>, kMaxTextureUnits> textureEnabled_{};

  // The bindings of the vertex-array object in use (the default one).
  GLuint arrayBuffer_ = 0;
  GLuint elementBuffer_ = 0;
  std::array<bool, kMaxVertexAttribArrays> attribArrayEnabled_{};

  TComparisonFunction depthFunction_ = cfLess;
  double depthNear_ = 0;
  double depthFar_ = 1;
  bool depthWriteMask_ = true;

  TBlendFunction blendSource_ = bfOne;
  TBlendFunction blendDestination_ = bfZero;
  TBlendFunction blendAlphaSource_ = bfOne;
  TBlendFunction blendAlphaDestination_ = bfZero;
  TLogicOp logicOp_ = loCopy;
  std::array<uint8_t, 16> colorWriteMasks_;
  bool colorWriting_ = true;

  float lineWidth_ = 1;
  int32_t lineStippleFactor_ = 1;
  uint16_t lineStipplePattern_ = 0xFFFF;
  float pointSize_ = 1;
  TFaceWinding frontFace_ = fwCounterClockWise;
  TPolygonMode polygonMode_ = pmFill;
  TVector4i viewport_{};
  TVector4f clearColor_{0, 0, 0, 0};
  TVector4f color_{1, 1, 1, 1};
  // False once a list ran: lists send colours of their own (vertex and node colours).
  bool colorKnown_ = true;
  // False (front, back) once a material was set behind the cache's back.
  std::array<bool, 2> materialKnown_{true, true};

  int32_t unpackAlignment_ = 4;
  int32_t unpackRowLength_ = 0;
  int32_t unpackSkipPixels_ = 0;
  int32_t unpackSkipRows_ = 0;

  THintType textureCompressionHint_ = hintDontCare;
  THintType multisampleFilterHint_ = hintDontCare;

  bool forwardContext_ = false;
  bool fixedFunctionLighting_ = true;
  bool insideList_ = false;
  std::vector<TGLStateTypes> listStates_;
  GLuint currentList_ = 0;

  int32_t maxTextureSize_ = 0;
  int32_t maxTextureImageUnits_ = 0;
  int32_t maxEvalOrder_ = -1;
};

}  // namespace scene3d
