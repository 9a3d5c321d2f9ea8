#include "scene3d/points.h"

#include <algorithm>

#include "scene3d/colors.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_state.h"
#include "scene3d/scene3d_exceptions.h"
#include "scene3d/stored_object.h"

namespace scene3d {

namespace {

void SendPointParameters(TGLExtensionsAndEntryPoints& gl, const TGLPointParameters& p) {
  gl.PointParameterf(GL_POINT_SIZE_MIN, p.MinSize);
  gl.PointParameterf(GL_POINT_SIZE_MAX, p.MaxSize);
  gl.PointParameterf(GL_POINT_FADE_THRESHOLD_SIZE, p.FadeTresholdSize);
  gl.PointParameterfv(GL_POINT_DISTANCE_ATTENUATION, &p.DistanceAttenuation.x);
}

bool AtDefaults(const TGLPointParameters& p) {
  const TGLPointParameters d;
  const TVector3f &a = p.DistanceAttenuation, &b = d.DistanceAttenuation;
  return p.Enabled == d.Enabled && p.MinSize == d.MinSize && p.MaxSize == d.MaxSize &&
         p.FadeTresholdSize == d.FadeTresholdSize && a.x == b.x && a.y == b.y && a.z == b.z;
}

}  // namespace

TGLPoints::TGLPoints(TComponent* owner) : TGLStageObject(owner) {
  SetObjectStyle(uint8_t(ObjectStyle() | osDirectDraw | osNoVisibilityCulling));
  positions_.Add(TVector3f{0, 0, 0});
}

void TGLPoints::SetSize(float size) {
  if (StoreChanged(size_, size)) StructureChanged();
}

void TGLPoints::SetStyle(TGLPointStyle style) {
  if (StoreChanged(style_, style)) StructureChanged();
}

void TGLPoints::SetNoZWrite(bool flag) {
  if (StoreChanged(noZWrite_, flag)) StructureChanged();
}

void TGLPoints::SetStatic(bool flag) {
  if (StoreChanged(static_, flag)) StructureChanged();
}

void TGLPoints::BuildList(RenderContextInfo& rci) {
  const int count = positions_.Count();
  if (count == 0) return;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLStateCache& states = *rci.GLStates;
  states.SetPointSize(size_);
  if (noZWrite_) states.SetDepthWriteMask(false);
  switch (style_) {
    case psRound:
      states.EnableState(stPointSmooth);
      states.EnableState(stAlphaTest);
      states.SetAlphaFunction(cfGreater, 0.5f);
      states.DisableState(stBlend);
      break;
    case psSmooth:
    case psSmoothAdditive:
      states.EnableState(stPointSmooth);
      states.EnableState(stAlphaTest);
      states.SetAlphaFunction(cfNotEqual, 0);
      states.EnableState(stBlend);
      states.SetBlendFunction(bfSrcAlpha, style_ == psSmooth ? bfOneMinusSrcAlpha : bfOne);
      break;
    case psSquareAdditive:
      states.EnableState(stBlend);
      states.SetBlendFunction(bfSrcAlpha, bfOne);
      break;
    default:
      states.DisableState(stPointSmooth);
      break;
  }
  int drawn = count;
  gl.VertexPointer(3, GL_FLOAT, 0, positions_.List());
  gl.EnableClientState(GL_VERTEX_ARRAY);
  const int colours = colors_.Count();
  if (colours == 0) {
    states.SetColor(clrWhite);
  } else if (colours == 1) {
    states.SetColor(colors_[0]);
  } else {
    drawn = std::min(count, colours);
    gl.ColorPointer(4, GL_FLOAT, 0, colors_.List());
    gl.EnableClientState(GL_COLOR_ARRAY);
  }
  const bool attenuate = PointParameters.Enabled && (gl.GLVersion1_4 || gl.ARB_point_parameters);
  if (attenuate) SendPointParameters(gl, PointParameters);
  const bool lock = drawn > 64 && gl.EXT_compiled_vertex_array;
  if (lock) gl.LockArrays(0, drawn);
  gl.DrawArrays(GL_POINTS, 0, drawn);
  if (lock) gl.UnlockArrays();
  if (attenuate) SendPointParameters(gl, TGLPointParameters{});
  if (colours > 1) {
    gl.DisableClientState(GL_COLOR_ARRAY);
    states.ColorSetBehind();  // the array leaves the current colour undefined
  }
  gl.DisableClientState(GL_VERTEX_ARRAY);
  if (noZWrite_) states.SetDepthWriteMask(true);
  if (style_ != psSquare) {
    states.DisableState(stPointSmooth);
    states.DisableState(stAlphaTest);
  }
}

void TGLPoints::Assign(const TPersistent* source) {
  if (auto* points = dynamic_cast<const TGLPoints*>(source)) {
    positions_.Assign(&points->positions_);
    colors_.Assign(&points->colors_);
    size_ = points->size_;
    style_ = points->style_;
    noZWrite_ = points->noZWrite_;
    static_ = points->static_;
    PointParameters = points->PointParameters;
    StructureChanged();
  }
  TGLStageObject::Assign(source);
}

void TGLPoints::DefinePublished(TFiler& filer) {
  TGLStageObject::DefinePublished(filer);
  DefineObject(filer, "Positions", &positions_, [this]() -> TPersistent& { return positions_; });
  DefineObject(filer, "Colors", &colors_, [this]() -> TPersistent& { return colors_; });
  DefineSingle(filer, "Size", size_, [this](float v) { SetSize(v); }, 1);
  DefineEnum<TGLPointStyle>(filer, "Style", style_, [this](TGLPointStyle v) { SetStyle(v); }, psSquare,
                            psSquareAdditive);
  DefineBoolean(filer, "NoZWrite", noZWrite_, [this](bool v) { SetNoZWrite(v); }, false);
  DefineBoolean(filer, "Static", static_, [this](bool v) { SetStatic(v); }, false);
  // Streams written before "PointParams" held the parameters as five values of their own: read,
  // never written again.
  if (dynamic_cast<TPropertyReader*>(&filer)) {
    TGLPointParameters& p = PointParameters;
    DefineBoolean(filer, "PointParameters.Enabled", p.Enabled, [&p](bool v) { p.Enabled = v; }, false);
    DefineSingle(filer, "PointParameters.MinSize", p.MinSize, [&p](float v) { p.MinSize = v; }, 0);
    DefineSingle(filer, "PointParameters.MaxSize", p.MaxSize, [&p](float v) { p.MaxSize = v; }, 128);
    DefineSingle(filer, "PointParameters.FadeTresholdSize", p.FadeTresholdSize,
                 [&p](float v) { p.FadeTresholdSize = v; }, 1);
    const TVector3f& a = p.DistanceAttenuation;
    DefineVector(filer, "PointParameters.DistanceAttenuation", {a.x, a.y, a.z, 0},
                 [&p](const TVector4f& v) { p.DistanceAttenuation = {v.x, v.y, v.z}; });
  }
}

void TGLPoints::DefineProperties(TFiler& filer) {
  TGLStageObject::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "PointParams",
      [this](platform::Stream& stream) {
        TBinaryReader reader(stream);
        // Read whole before it is taken: a value cut short or too long leaves the parameters as they were.
        if (const int32_t version = reader.ReadInteger(); version != 0)
          throw EFilerException("TGLPointParameters : unknown archive version " + std::to_string(version));
        TGLPointParameters read;
        read.Enabled = reader.ReadBoolean();
        for (float* value : {&read.MinSize, &read.MaxSize, &read.FadeTresholdSize, &read.DistanceAttenuation.x,
                             &read.DistanceAttenuation.y, &read.DistanceAttenuation.z})
          *value = static_cast<float>(reader.ReadFloat());
        if (stream.Remaining() != 0) throw platform::ReadError("Property PointParams holds more than its reader takes");
        PointParameters = read;
        StructureChanged();
      },
      [this](platform::Stream& stream) {
        TBinaryWriter writer(stream);
        const TGLPointParameters& p = PointParameters;
        writer.WriteInteger(0);
        writer.WriteBoolean(p.Enabled);
        for (float value : {p.MinSize, p.MaxSize, p.FadeTresholdSize, p.DistanceAttenuation.x, p.DistanceAttenuation.y,
                            p.DistanceAttenuation.z})
          writer.WriteFloat(value);
      },
      !AtDefaults(PointParameters));
}

}  // namespace scene3d
