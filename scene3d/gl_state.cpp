#include "scene3d/gl_state.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/clock.h"
#include "scene3d/vectors.h"

namespace scene3d {

namespace {

struct StateInfo {
  GLenum cap;
  bool fixedOnly;
};

constexpr std::array<StateInfo, kGLStateCount> kStates = {{
    {GL_ALPHA_TEST, true},          {GL_AUTO_NORMAL, true},          {GL_BLEND, false},
    {GL_COLOR_MATERIAL, true},      {GL_CULL_FACE, false},           {GL_DEPTH_TEST, false},
    {GL_DITHER, false},             {GL_FOG, true},                  {GL_LIGHTING, true},
    {GL_LINE_SMOOTH, true},         {GL_LINE_STIPPLE, true},         {GL_INDEX_LOGIC_OP, true},
    {GL_COLOR_LOGIC_OP, false},     {GL_NORMALIZE, true},            {GL_POINT_SMOOTH, true},
    {GL_POINT_SPRITE, true},        {GL_POLYGON_SMOOTH, true},       {GL_POLYGON_STIPPLE, true},
    {GL_SCISSOR_TEST, false},       {GL_STENCIL_TEST, false},        {GL_POLYGON_OFFSET_POINT, false},
    {GL_POLYGON_OFFSET_LINE, false}, {GL_POLYGON_OFFSET_FILL, false}, {GL_DEPTH_CLAMP, false},
}};

constexpr std::array<GLenum, kTextureTargetCount> kTargets = {
    GL_TEXTURE_1D,         GL_TEXTURE_2D,       GL_TEXTURE_3D,       GL_TEXTURE_1D_ARRAY,
    GL_TEXTURE_2D_ARRAY,   GL_TEXTURE_RECTANGLE, GL_TEXTURE_BUFFER,  GL_TEXTURE_CUBE_MAP,
    GL_TEXTURE_2D_MULTISAMPLE, GL_TEXTURE_2D_MULTISAMPLE_ARRAY, GL_TEXTURE_CUBE_MAP_ARRAY};

// Only these targets are switched on and off in the fixed-function pipeline.
bool Switchable(TGLTextureTarget target) {
  return target == ttTexture1D || target == ttTexture2D || target == ttTexture3D || target == ttTextureRect ||
         target == ttTextureCube;
}

constexpr std::array<GLenum, 3> kHints = {GL_DONT_CARE, GL_FASTEST, GL_NICEST};
constexpr std::array<GLenum, 3> kFaces = {GL_FRONT, GL_BACK, GL_FRONT_AND_BACK};

bool operator==(const TVector4f& a, const TVector4f& b) { return VectorEqual4(a, b); }
bool operator==(const TVector4i& a, const TVector4i& b) { return IntVector4Equal(a, b); }

bool UnitOk(int unit) { return unit >= 0 && unit < kMaxTextureUnits; }

TGLExtensionsAndEntryPoints& GL() { return ActiveGLTable(); }

}  // namespace

GLbitfield AttribBitsOf(TGLStateTypes groups) {
  GLbitfield bits = 0;
  for (int group = sttCurrent; group < sttMultisample; ++group)
    if (groups & StateTypeBit(TGLStateType(group))) bits |= GLbitfield(1) << group;
  if (groups & StateTypeBit(sttMultisample)) bits |= GL_MULTISAMPLE_BIT;
  return bits;
}

GLenum ComparisonFunctionToGL(TComparisonFunction f) {
  constexpr GLenum kFunctions[] = {GL_NEVER, GL_ALWAYS, GL_LESS, GL_LEQUAL, GL_EQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL};
  return kFunctions[f & 7];
}

GLenum BlendFunctionToGL(TBlendFunction f) {
  constexpr GLenum kFactors[] = {GL_ZERO,
                                 GL_ONE,
                                 GL_SRC_COLOR,
                                 GL_ONE_MINUS_SRC_COLOR,
                                 GL_DST_COLOR,
                                 GL_ONE_MINUS_DST_COLOR,
                                 GL_SRC_ALPHA,
                                 GL_ONE_MINUS_SRC_ALPHA,
                                 GL_DST_ALPHA,
                                 GL_ONE_MINUS_DST_ALPHA,
                                 GL_CONSTANT_COLOR,
                                 GL_ONE_MINUS_CONSTANT_COLOR,
                                 GL_CONSTANT_ALPHA,
                                 GL_ONE_MINUS_CONSTANT_ALPHA,
                                 GL_SRC_ALPHA_SATURATE};
  return f <= bfSrcAlphaSat ? kFactors[f] : GL_ONE;
}

GLenum StateToGL(TGLState state) { return kStates[size_t(state) % kStates.size()].cap; }

GLenum TextureTargetToGL(TGLTextureTarget target) { return kTargets[size_t(target) % kTargets.size()]; }

TGLStateCache::TGLStateCache() : listStates_(128, 0) {
  colorWriteMasks_.fill(0x0F);
  // OpenGL's own start: light 0 is white, the others black.
  lights_[0].diffuse = {1, 1, 1, 1};
  lights_[0].specular = {1, 1, 1, 1};
}

template <class T>
bool TGLStateCache::Change(T& cached, const T& value, TGLStateType group) {
  if (insideList_) {
    Record(group);
    return true;
  }
  if (cached == value) return false;
  cached = value;
  return true;
}

void TGLStateCache::Record(TGLStateType group) {
  if (currentList_ < listStates_.size()) listStates_[currentList_] |= StateTypeBit(group);
}

// --- Switchable states ----------------------------------------------------------------------------------

void TGLStateCache::ApplyState(TGLState state, bool flag) {
  flag ? GL().Enable(StateToGL(state)) : GL().Disable(StateToGL(state));
  // Colour material may have changed the material behind our back: send it all again.
  if (!flag && state == stColorMaterial) {
    SendMaterial(GL_FRONT, frontMaterial_);
    SendMaterial(GL_BACK, backMaterial_);
  }
}

void TGLStateCache::SendMaterial(GLenum face, const TGLMaterialState& material) {
  GL().Materialfv(face, GL_EMISSION, &material.emission.x);
  GL().Materialfv(face, GL_AMBIENT, &material.ambient.x);
  GL().Materialfv(face, GL_DIFFUSE, &material.diffuse.x);
  GL().Materialfv(face, GL_SPECULAR, &material.specular.x);
  GL().Materiali(face, GL_SHININESS, material.shininess);
}

void TGLStateCache::EnableState(TGLState state) {
  if (state >= kGLStateCount || (kStates[state].fixedOnly && Fixed())) return;
  bool on = IsEnabled(state);
  if (!Change(on, true, sttEnable)) return;
  if (!insideList_) states_ |= TGLStates(1) << state;
  ApplyState(state, true);
}

void TGLStateCache::DisableState(TGLState state) {
  if (state >= kGLStateCount || (kStates[state].fixedOnly && Fixed())) return;
  bool on = IsEnabled(state);
  if (!Change(on, false, sttEnable)) return;
  if (!insideList_) states_ &= ~(TGLStates(1) << state);
  ApplyState(state, false);
}

void TGLStateCache::EnableStateDirect(TGLState state) {
  if (state >= kGLStateCount || (kStates[state].fixedOnly && Fixed())) return;
  states_ |= TGLStates(1) << state;
  ApplyState(state, true);
}

void TGLStateCache::DisableStateDirect(TGLState state) {
  if (state >= kGLStateCount || (kStates[state].fixedOnly && Fixed())) return;
  states_ &= ~(TGLStates(1) << state);
  ApplyState(state, false);
}

// --- Textures --------------------------------------------------------------------------------------------

void TGLStateCache::SetActiveTextureUnit(int unit) {
  // Without multitexturing only unit 0 exists.
  if (!UnitOk(unit) || !GL().ARB_multitexture) return;
  if (Change(activeUnit_, unit, sttTexture)) GL().ActiveTexture(GLenum(GL_TEXTURE0 + unit));
}

void TGLStateCache::SetTextureBinding(int unit, TGLTextureTarget target, GLuint id) {
  if (!UnitOk(unit) || target >= kTextureTargetCount) return;
  textureBindTimes_[size_t(unit)][target] = platform::ElapsedMilliseconds();
  if (!Change(textureBindings_[size_t(unit)][target], id, sttTexture)) return;
  int previous = activeUnit_;
  if (unit != previous) SetActiveTextureUnit(unit);
  GL().BindTexture(TextureTargetToGL(target), id);
  if (unit != previous) SetActiveTextureUnit(previous);
}

GLuint TGLStateCache::TextureBinding(int unit, TGLTextureTarget target) const {
  return UnitOk(unit) && target < kTextureTargetCount ? textureBindings_[size_t(unit)][target] : 0;
}

double TGLStateCache::TextureBindTime(int unit, TGLTextureTarget target) const {
  return UnitOk(unit) && target < kTextureTargetCount ? textureBindTimes_[size_t(unit)][target] : 0;
}

void TGLStateCache::SetTextureTargetEnabled(TGLTextureTarget target, bool flag) {
  if (Fixed() || target >= kTextureTargetCount || !Switchable(target)) return;
  if (!Change(textureEnabled_[size_t(activeUnit_)][target], flag, sttEnable)) return;
  flag ? GL().Enable(TextureTargetToGL(target)) : GL().Disable(TextureTargetToGL(target));
}

bool TGLStateCache::TextureTargetEnabled(int unit, TGLTextureTarget target) const {
  return UnitOk(unit) && target < kTextureTargetCount && textureEnabled_[size_t(unit)][target];
}

void TGLStateCache::SetTextureMatrix(const TMatrix4f& matrix) {
  if (Fixed()) return;
  if (insideList_)
    Record(sttTransform);
  else if (activeUnit_ < 4)
    textureMatrixIsIdentity_[size_t(activeUnit_)] = false;
  GL().MatrixMode(GL_TEXTURE);
  GL().LoadMatrixf(&matrix[0].x);
  GL().MatrixMode(GL_MODELVIEW);
}

void TGLStateCache::ResetTextureMatrix() {
  if (Fixed()) return;
  GL().MatrixMode(GL_TEXTURE);
  GL().LoadIdentity();
  GL().MatrixMode(GL_MODELVIEW);
  if (activeUnit_ < 4) textureMatrixIsIdentity_[size_t(activeUnit_)] = true;
}

void TGLStateCache::ResetAllTextureMatrices() {
  if (Fixed()) return;
  int active = activeUnit_;
  bool any = false;
  for (int unit = 3; unit >= 0; --unit) {
    if (textureMatrixIsIdentity_[size_t(unit)]) continue;
    if (!any) GL().MatrixMode(GL_TEXTURE);
    any = true;
    SetActiveTextureUnit(unit);
    GL().LoadIdentity();
    textureMatrixIsIdentity_[size_t(unit)] = true;
  }
  if (!any) return;
  GL().MatrixMode(GL_MODELVIEW);
  SetActiveTextureUnit(active);
}

// --- Materials and colour ------------------------------------------------------------------------------------

void TGLStateCache::SetMaterial(TCullFaceMode face, const TVector4f& emission, const TVector4f& ambient,
                                const TVector4f& diffuse, const TVector4f& specular, int32_t shininess) {
  if (Fixed() || face > cmFrontAndBack) return;
  std::vector<TGLMaterialState*> targets;
  if (face != cmBack) targets.push_back(&frontMaterial_);
  if (face != cmFront) targets.push_back(&backMaterial_);
  const bool known = (face == cmBack || materialKnown_[0]) && (face == cmFront || materialKnown_[1]);
  auto differs = [&](auto field, const auto& value) {
    return !known || std::any_of(targets.begin(), targets.end(), [&](TGLMaterialState* m) { return !(m->*field == value); });
  };
  bool shine = insideList_ || differs(&TGLMaterialState::shininess, shininess);
  bool emi = insideList_ || differs(&TGLMaterialState::emission, emission);
  bool amb = insideList_ || differs(&TGLMaterialState::ambient, ambient);
  bool dif = insideList_ || differs(&TGLMaterialState::diffuse, diffuse);
  bool spe = insideList_ || differs(&TGLMaterialState::specular, specular);
  if (!(shine || emi || amb || dif || spe)) return;
  if (insideList_) {
    Record(sttLighting);
  } else {
    for (TGLMaterialState* m : targets) *m = {emission, ambient, diffuse, specular, shininess};
    if (face != cmBack) materialKnown_[0] = true;
    if (face != cmFront) materialKnown_[1] = true;
  }
  GLenum glFace = kFaces[face];
  if (shine) GL().Materiali(glFace, GL_SHININESS, shininess);
  if (emi) GL().Materialfv(glFace, GL_EMISSION, &emission.x);
  if (amb) GL().Materialfv(glFace, GL_AMBIENT, &ambient.x);
  if (dif) GL().Materialfv(glFace, GL_DIFFUSE, &diffuse.x);
  if (spe) GL().Materialfv(glFace, GL_SPECULAR, &specular.x);
}

void TGLStateCache::SetMaterialAlphaChannel(TCullFaceMode face, float alpha) {
  if (!IsEnabled(stLighting)) {
    SetColor({color_.x, color_.y, color_.z, alpha});
    return;
  }
  if (Fixed() || face > cmFrontAndBack) return;
  // Each face keeps its own diffuse colour and takes the new alpha: sending the front's colour to
  // both faces would leave the cache believing the back kept its own.
  TVector4f front = frontMaterial_.diffuse, back = backMaterial_.diffuse;
  front.w = back.w = alpha;
  const bool sendFront = face != cmBack && (insideList_ || !materialKnown_[0] || !(frontMaterial_.diffuse == front));
  const bool sendBack = face != cmFront && (insideList_ || !materialKnown_[1] || !(backMaterial_.diffuse == back));
  if (!sendFront && !sendBack) return;
  if (insideList_) {
    Record(sttLighting);
  } else {
    if (sendFront) frontMaterial_.diffuse.w = alpha;
    if (sendBack) backMaterial_.diffuse.w = alpha;
  }
  if (sendFront && sendBack && front == back) {
    GL().Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &front.x);
    return;
  }
  if (sendFront) GL().Materialfv(GL_FRONT, GL_DIFFUSE, &front.x);
  if (sendBack) GL().Materialfv(GL_BACK, GL_DIFFUSE, &back.x);
}

void TGLStateCache::ColorSetBehind() {
  // A list's colours are dealt with when it is called (CallList).
  if (!insideList_) colorKnown_ = false;
}

void TGLStateCache::MaterialSetBehind(TCullFaceMode face) {
  if (face > cmFrontAndBack) return;
  if (insideList_) {
    Record(sttLighting);
    return;
  }
  if (face != cmBack) materialKnown_[0] = false;
  if (face != cmFront) materialKnown_[1] = false;
}

void TGLStateCache::SetColor(const TVector4f& colour) {
  // A list is compiled with every colour it sets, or it would draw in whatever colour is current
  // when it is called.
  if (!insideList_ && colorKnown_ && colour == color_) return;
  // Compiled into a list the colour is not current yet: the cache keeps the value it had, and
  // CallList forgets it, since the list sets its own.
  if (!insideList_) {
    color_ = colour;
    colorKnown_ = true;
  }
  GL().Color4fv(&colour.x);
}

// --- Per-fragment state ------------------------------------------------------------------------------------------

void TGLStateCache::SetAlphaFunction(TComparisonFunction function, float reference) {
  if (Fixed()) return;
  std::pair<TComparisonFunction, float> cached{alphaFunction_, alphaReference_};
  if (!Change(cached, {function, reference}, sttColorBuffer)) return;
  if (!insideList_) std::tie(alphaFunction_, alphaReference_) = cached;
  GL().AlphaFunc(ComparisonFunctionToGL(function), reference);
}

bool TGLStateCache::ChangeBlend(const std::array<TBlendFunction, 4>& factors) {
  std::array<TBlendFunction, 4> cached{blendSource_, blendDestination_, blendAlphaSource_, blendAlphaDestination_};
  if (!Change(cached, factors, sttColorBuffer)) return false;
  if (!insideList_) {
    blendSource_ = factors[0];
    blendDestination_ = factors[1];
    blendAlphaSource_ = factors[2];
    blendAlphaDestination_ = factors[3];
  }
  return true;
}

void TGLStateCache::SetBlendFunction(TBlendFunction source, TBlendFunction destination) {
  if (!ChangeBlend({source, destination, source, destination})) return;
  GL().BlendFunc(BlendFunctionToGL(source), BlendFunctionToGL(destination));
}

void TGLStateCache::SetBlendFunctionSeparate(TBlendFunction source, TBlendFunction destination,
                                             TBlendFunction alphaSource, TBlendFunction alphaDestination) {
  if (!ChangeBlend({source, destination, alphaSource, alphaDestination})) return;
  GL().BlendFuncSeparate(BlendFunctionToGL(source), BlendFunctionToGL(destination), BlendFunctionToGL(alphaSource),
                         BlendFunctionToGL(alphaDestination));
}

void TGLStateCache::SetDepthFunction(TComparisonFunction function) {
  if (Change(depthFunction_, function, sttDepthBuffer)) GL().DepthFunc(ComparisonFunctionToGL(function));
}

void TGLStateCache::SetDepthRange(double zNear, double zFar) {
  std::pair<double, double> cached{depthNear_, depthFar_};
  if (!Change(cached, {zNear, zFar}, sttViewport)) return;
  if (!insideList_) std::tie(depthNear_, depthFar_) = cached;
  GL().DepthRange(zNear, zFar);
}

void TGLStateCache::SetDepthWriteMask(bool flag) {
  if (Change(depthWriteMask_, flag, sttDepthBuffer)) GL().DepthMask(flag ? GL_TRUE : GL_FALSE);
}

void TGLStateCache::SetColorWriteMask(uint8_t mask) {
  mask &= 0x0F;
  if (insideList_)
    Record(sttColorBuffer);
  else
    colorWriteMasks_.fill(mask);
  GL().ColorMask(mask & 1, (mask >> 1) & 1, (mask >> 2) & 1, (mask >> 3) & 1);
}

void TGLStateCache::SetColorWriting(bool flag) {
  if (!Change(colorWriting_, flag, sttColorBuffer)) return;
  GLboolean on = flag ? GL_TRUE : GL_FALSE;
  GL().ColorMask(on, on, on, on);
}

void TGLStateCache::SetLogicOp(TLogicOp operation) {
  if (Change(logicOp_, operation, sttColorBuffer)) GL().LogicOp(GLenum(GL_CLEAR + (operation & 15)));
}

// --- Rasterisation ------------------------------------------------------------------------------------------------

void TGLStateCache::SetFrontFace(TFaceWinding winding) {
  if (Change(frontFace_, winding, sttPolygon)) GL().FrontFace(winding == fwClockWise ? GL_CW : GL_CCW);
}

void TGLStateCache::InvertFrontFace() { SetFrontFace(frontFace_ == fwClockWise ? fwCounterClockWise : fwClockWise); }

void TGLStateCache::SetPolygonMode(TPolygonMode mode) {
  constexpr GLenum kModes[] = {GL_FILL, GL_LINE, GL_POINT};
  if (mode <= pmPoints && Change(polygonMode_, mode, sttPolygon)) GL().PolygonMode(GL_FRONT_AND_BACK, kModes[mode]);
}

void TGLStateCache::SetLineWidth(float width) {
  if (Change(lineWidth_, width, sttLine)) GL().LineWidth(width);
}

void TGLStateCache::SetLineStippleFactor(int32_t factor) {
  if (Change(lineStippleFactor_, factor, sttLine)) GL().LineStipple(factor, lineStipplePattern_);
}

void TGLStateCache::SetLineStipplePattern(uint16_t pattern) {
  if (Change(lineStipplePattern_, pattern, sttLine)) GL().LineStipple(lineStippleFactor_, pattern);
}

void TGLStateCache::SetPointSize(float size) {
  if (Change(pointSize_, size, sttPoint)) GL().PointSize(size);
}

void TGLStateCache::SetViewport(const TVector4i& viewport) {
  if (Change(viewport_, viewport, sttViewport)) GL().Viewport(viewport.x, viewport.y, viewport.z, viewport.w);
}

void TGLStateCache::SetClearColor(const TVector4f& colour) {
  if (Change(clearColor_, colour, sttColorBuffer)) GL().ClearColor(colour.x, colour.y, colour.z, colour.w);
}

void TGLStateCache::SetTextureCompressionHint(THintType mode) {
  if (mode <= hintNicest && Change(textureCompressionHint_, mode, sttHint))
    GL().Hint(GL_TEXTURE_COMPRESSION_HINT, kHints[mode]);
}

void TGLStateCache::SetMultisampleFilterHint(THintType mode) {
  if (mode > hintNicest || !GL().NV_multisample_filter_hint) return;
  if (Change(multisampleFilterHint_, mode, sttHint)) GL().Hint(GL_MULTISAMPLE_FILTER_HINT_NV, kHints[mode]);
}

// --- Lights --------------------------------------------------------------------------------------------------------

void TGLStateCache::LightChanged() {
  lightsChanged_ = true;
  if (onLightChange_) onLightChange_(this);
}

void TGLStateCache::SetLightEnabled(int index, bool flag) {
  if (!LightIndexOk(index)) return;
  if (!Change(lightEnabled_[size_t(index)], flag, sttLighting)) return;
  if (fixedFunctionLighting_) flag ? GL().Enable(GLenum(GL_LIGHT0 + index)) : GL().Disable(GLenum(GL_LIGHT0 + index));
  enabledLights_.clear();
  for (int i = 0; i < kMaxCachedLights; ++i)
    if (lightEnabled_[size_t(i)]) enabledLights_.push_back(i);
  LightChanged();
}

void TGLStateCache::SetLightPosition(int index, const TVector4f& position) {
  if (!LightIndexOk(index)) return;
  lights_[size_t(index)].position = position;
  LightChanged();
}

void TGLStateCache::SetLightSpotDirection(int index, const TVector4f& direction) {
  if (!LightIndexOk(index)) return;
  lights_[size_t(index)].spotDirection = direction;
  LightChanged();
}

void TGLStateCache::LightVector(int index, TVector4f TGLLightState::*field, GLenum pname, const TVector4f& value) {
  if (!LightIndexOk(index)) return;
  if (!Change(lights_[size_t(index)].*field, value, sttLighting)) return;
  if (fixedFunctionLighting_) GL().Lightfv(GLenum(GL_LIGHT0 + index), pname, &value.x);
  LightChanged();
}

void TGLStateCache::LightScalar(int index, float TGLLightState::*field, GLenum pname, float value) {
  if (!LightIndexOk(index)) return;
  if (!Change(lights_[size_t(index)].*field, value, sttLighting)) return;
  if (fixedFunctionLighting_) GL().Lightf(GLenum(GL_LIGHT0 + index), pname, value);
  LightChanged();
}

void TGLStateCache::SetLightAmbient(int index, const TVector4f& colour) {
  LightVector(index, &TGLLightState::ambient, GL_AMBIENT, colour);
}
void TGLStateCache::SetLightDiffuse(int index, const TVector4f& colour) {
  LightVector(index, &TGLLightState::diffuse, GL_DIFFUSE, colour);
}
void TGLStateCache::SetLightSpecular(int index, const TVector4f& colour) {
  LightVector(index, &TGLLightState::specular, GL_SPECULAR, colour);
}

void TGLStateCache::SetLightSpotCutoff(int index, float degrees) {
  LightScalar(index, &TGLLightState::spotCutoff, GL_SPOT_CUTOFF, degrees);
  if (LightIndexOk(index) && !insideList_)
    lights_[size_t(index)].spotCosCutoff = float(std::cos(double(lights_[size_t(index)].spotCutoff) * std::numbers::pi / 180));
}

void TGLStateCache::SetLightSpotExponent(int index, float value) {
  LightScalar(index, &TGLLightState::spotExponent, GL_SPOT_EXPONENT, value);
}
void TGLStateCache::SetLightConstantAttenuation(int index, float value) {
  LightScalar(index, &TGLLightState::constantAttenuation, GL_CONSTANT_ATTENUATION, value);
}
void TGLStateCache::SetLightLinearAttenuation(int index, float value) {
  LightScalar(index, &TGLLightState::linearAttenuation, GL_LINEAR_ATTENUATION, value);
}
void TGLStateCache::SetLightQuadraticAttenuation(int index, float value) {
  LightScalar(index, &TGLLightState::quadraticAttenuation, GL_QUADRATIC_ATTENUATION, value);
}

// --- Pixel storage, buffers and arrays ---------------------------------------------------------------------------------

// Pixel storage, buffer bindings and attribute arrays are not compiled into lists: OpenGL carries
// them out at once, so the cache takes them at once too.
void TGLStateCache::SetUnpack(int32_t& cached, GLenum pname, int32_t value) {
  if (cached == value) return;
  cached = value;
  GL().PixelStoref(pname, float(value));
}

void TGLStateCache::SetUnpackAlignment(int32_t value) { SetUnpack(unpackAlignment_, GL_UNPACK_ALIGNMENT, value); }
void TGLStateCache::SetUnpackRowLength(int32_t value) { SetUnpack(unpackRowLength_, GL_UNPACK_ROW_LENGTH, value); }
void TGLStateCache::SetUnpackSkipPixels(int32_t value) { SetUnpack(unpackSkipPixels_, GL_UNPACK_SKIP_PIXELS, value); }
void TGLStateCache::SetUnpackSkipRows(int32_t value) { SetUnpack(unpackSkipRows_, GL_UNPACK_SKIP_ROWS, value); }

void TGLStateCache::SetBuffer(GLuint& cached, GLenum target, GLuint id) {
  if (cached == id) return;
  cached = id;
  GL().BindBuffer(target, id);
}

void TGLStateCache::SetArrayBufferBinding(GLuint id) { SetBuffer(arrayBuffer_, GL_ARRAY_BUFFER, id); }
void TGLStateCache::SetElementBufferBinding(GLuint id) { SetBuffer(elementBuffer_, GL_ELEMENT_ARRAY_BUFFER, id); }

void TGLStateCache::SetVertexAttribArrayEnabled(int index, bool flag) {
  if (index < 0 || index >= kMaxVertexAttribArrays || attribArrayEnabled_[size_t(index)] == flag) return;
  attribArrayEnabled_[size_t(index)] = flag;
  flag ? GL().EnableVertexAttribArray(GLuint(index)) : GL().DisableVertexAttribArray(GLuint(index));
}

// --- Limits and switches -------------------------------------------------------------------------------------------------

int32_t TGLStateCache::MaxLights() {
  if (maxLights_ == 0) {
    if (forwardContext_) {
      maxLights_ = kMaxCachedLights;
    } else {
      GLint value = 0;
      GL().GetIntegerv(GL_MAX_LIGHTS, &value);
      maxLights_ = std::clamp<int32_t>(value, 0, kMaxCachedLights);
    }
  }
  return maxLights_;
}

int32_t TGLStateCache::MaxTextureSize() {
  if (maxTextureSize_ == 0) GL().GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
  return maxTextureSize_;
}

int32_t TGLStateCache::MaxEvalOrder() {
  if (maxEvalOrder_ < 0) {
    GLint value = 0;
    GL().GetIntegerv(GL_MAX_EVAL_ORDER, &value);
    maxEvalOrder_ = std::max<GLint>(value, 0);
  }
  return maxEvalOrder_;
}

int32_t TGLStateCache::MaxTextureImageUnits() {
  if (maxTextureImageUnits_ == 0) GL().GetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &maxTextureImageUnits_);
  return maxTextureImageUnits_;
}

void TGLStateCache::SetForwardContext(bool flag) {
  forwardContext_ = flag;
  if (flag) fixedFunctionLighting_ = false;
}

void TGLStateCache::SetFixedFunctionLighting(bool flag) { fixedFunctionLighting_ = flag && !forwardContext_; }

// --- Lists and the attribute stack ------------------------------------------------------------------------------------------

void TGLStateCache::NewList(GLuint list, GLenum mode) {
  // Grow until the list has a record of its own (size > list).
  size_t size = listStates_.size();
  while (size <= list) size = std::max<size_t>(size * 2, size_t(list) + 1);
  listStates_.resize(size, 0);
  listStates_[list] = 0;
  if (GL().ARB_vertex_buffer_object) {
    SetArrayBufferBinding(0);
    SetElementBufferBinding(0);
    for (int i = 0; i < kMaxVertexAttribArrays; ++i) SetVertexAttribArrayEnabled(i, false);
  }
  currentList_ = list;
  insideList_ = true;
  GL().NewList(list, mode);
}

void TGLStateCache::EndList() {
  GL().EndList();
  insideList_ = false;
}

void TGLStateCache::CallList(GLuint list) {
  TGLStateTypes groups = ListStates(list);
  // A list that changed nothing of ours needs no save and restore.
  if (groups) GL().PushAttrib(AttribBitsOf(groups));
  GL().CallList(list);
  if (groups) GL().PopAttrib();
  if (!(groups & StateTypeBit(sttCurrent))) colorKnown_ = false;
}

void TGLStateCache::PushAttributes(TGLStateTypes groups) { GL().PushAttrib(AttribBitsOf(groups)); }

void TGLStateCache::PopAttributes() { GL().PopAttrib(); }

}  // namespace scene3d
