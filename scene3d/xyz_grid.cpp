#include "scene3d/xyz_grid.h"
#include "scene3d/stored_object.h"

namespace scene3d {

TGLXYZGrid::TGLXYZGrid(TComponent* owner) : TGLLineBase(owner) {
  for (auto& scale : scales_) scale = std::make_unique<TGLSamplingScale>(this);
}

TGLXYZGrid::~TGLXYZGrid() = default;

void TGLXYZGrid::SetParts(uint8_t parts) {
  if (StoreChanged(parts_, uint8_t(parts & (gpX | gpY | gpZ)))) StructureChanged();
}
void TGLXYZGrid::SetLinesStyle(TXYZGridLinesStyle style) {
  if (StoreChanged(linesStyle_, style)) StructureChanged();
}
void TGLXYZGrid::SetLinesSmoothing(bool flag) {
  if (StoreChanged(linesSmoothing_, flag)) StructureChanged();
}

void TGLXYZGrid::NotifyChange(TObject* sender) {
  if (sender && (sender == scales_[0].get() || sender == scales_[1].get() || sender == scales_[2].get())) {
    StructureChanged();
    return;
  }
  TGLLineBase::NotifyChange(sender);
}

void TGLXYZGrid::BuildList(RenderContextInfo& rci) {
  ApplyLineStyle(rci, AntiAliased() || linesSmoothing_);
  float start[3], step[3], end[3];
  int32_t count[3];
  for (int a = 0; a < 3; ++a) {
    scales_[a]->SetupLoop((parts_ >> a) & 1, start[a], step[a], end[a]);
    count[a] = LoopSampleCount(start[a], step[a], end[a]);
  }
  auto sample = [&](int axis, int32_t index) { return LoopSample(start[axis], step[axis], end[axis], index); };
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  gl.Begin(GL_LINES);
  for (int a = 0; a < 3; ++a) {
    if (!((parts_ >> a) & 1) || count[a] < 2) continue;
    const int b = (a + 1) % 3, c = (a + 2) % 3;
    float p[3];
    auto vertexAt = [&](int32_t k) {
      p[a] = sample(a, k);
      gl.Vertex3fv(p);
    };
    for (int32_t i = 0; i < count[b]; ++i)
      for (int32_t j = 0; j < count[c]; ++j) {
        p[b] = sample(b, i);
        p[c] = sample(c, j);
        if (linesStyle_ == glsSegments) {
          for (int32_t k = 0; k + 1 < count[a]; ++k) {
            vertexAt(k);
            vertexAt(k + 1);
          }
        } else {
          vertexAt(0);
          vertexAt(count[a] - 1);
        }
      }
  }
  gl.End();
}

void TGLXYZGrid::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLXYZGrid*>(source)) {
    for (int a = 0; a < 3; ++a) scales_[a]->Assign(from->scales_[a].get());
    parts_ = from->parts_;
    linesStyle_ = from->linesStyle_;
    linesSmoothing_ = from->linesSmoothing_;
  }
  TGLLineBase::Assign(source);
}

void TGLXYZGrid::DefinePublished(TFiler& filer) {
  TGLLineBase::DefinePublished(filer);
  static const char* const kScales[3] = {"XSamplingScale", "YSamplingScale", "ZSamplingScale"};
  for (int i = 0; i < 3; ++i) {
    TGLSamplingScale& scale = *scales_[size_t(i)];
    DefineObject(filer, kScales[i], &scale, [&scale]() -> TPersistent& { return scale; });
  }
  DefineBits(filer, "Parts", parts_, [this](uint32_t v) { SetParts(uint8_t(v)); }, gpX | gpY, gpX | gpY | gpZ);
  DefineEnum<TXYZGridLinesStyle>(filer, "LinesStyle", linesStyle_,
                                 [this](TXYZGridLinesStyle v) { SetLinesStyle(v); }, glsSegments, glsSegments);
  DefineBoolean(filer, "LinesSmoothing", linesSmoothing_, [this](bool v) { SetLinesSmoothing(v); }, false);
}

}  // namespace scene3d
