#include "scene3d/height_field.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "scene3d/vectors.h"
#include "scene3d/stored_object.h"

namespace scene3d {

// --- Sampling scale ----------------------------------------------------------------------------------------------

void TGLSamplingScale::SetMin(float value) {
  min_ = value;
  if (max_ < min_) max_ = min_;
  NotifyChange(this);
}

void TGLSamplingScale::SetMax(float value) {
  max_ = value;
  if (min_ > max_) min_ = max_;
  NotifyChange(this);
}

void TGLSamplingScale::SetOrigin(float value) {
  origin_ = value;
  NotifyChange(this);
}

void TGLSamplingScale::SetStep(float value) {
  step_ = value > 0 ? value : 1;
  NotifyChange(this);
}

void TGLSamplingScale::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLSamplingScale*>(source)) {
    min_ = from->min_;
    max_ = from->max_;
    origin_ = from->origin_;
    step_ = from->step_;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

int32_t TGLSamplingScale::StepCount() const {
  return int32_t(std::nearbyint((double(max_) - double(min_)) / double(step_) + 0.5));
}

float TGLSamplingScale::StepBase() const {
  if (origin_ == min_) return min_;
  // The largest lattice point at or below Min, one step on: floor for both signs of the quotient
  // (a sample exactly at Min is kept), with a hair of tolerance for the single's rounding.
  const double quotient = (double(origin_) - double(min_)) / double(step_);
  const double k = std::floor(quotient + std::max(1e-6, std::fabs(quotient) * 1e-6));
  // The lattice point taken for Min itself may lie a rounding below it.
  return std::max(min_, float(double(origin_) - k * double(step_)));
}

void TGLSamplingScale::SetupLoop(bool enabled, float& start, float& step, float& end) const {
  step = step_;
  if (!enabled) {
    start = end = origin_;
    return;
  }
  start = StepBase();
  end = max_;
}

int32_t LoopSampleCount(float start, float step, float end) {
  if (!(start <= end)) return 0;
  if (!(step > 0) || start == end) return 1;
  const double steps = (double(end) - double(start)) / double(step);
  // The singles' rounding may leave the sample at end a millionth of the count short of it.
  const double whole = std::floor(steps + std::max(1e-4, steps * 1e-6));
  return whole >= double(kMaxLoopSamples - 1) ? kMaxLoopSamples : int32_t(whole) + 1;
}

void EnableDefaultColorMaterial(TGLStateCache& states, GLenum mode) {
  ActiveGLTable().ColorMaterial(GL_FRONT_AND_BACK, mode);
  states.EnableState(stColorMaterial);
  for (TCullFaceMode face : {cmFront, cmBack})
    states.SetMaterial(face, {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0, 0, 0, 1}, 0);
  // The colours sent from now on become the material.
  states.ColorSetBehind();
  states.MaterialSetBehind(cmFrontAndBack);
}

// --- Height field -------------------------------------------------------------------------------------------------

namespace {

struct HeightVertex {
  TVector4f color;
  float z, x, y;
  TVector3f normal;
  TTexPoint texPoint;
};

}  // namespace

TGLHeightField::TGLHeightField(TComponent* owner)
    : TGLCustomSceneObject(owner),
      xScale_(std::make_unique<TGLSamplingScale>(this)),
      yScale_(std::make_unique<TGLSamplingScale>(this)) {}

TGLHeightField::~TGLHeightField() = default;

void TGLHeightField::SetOptions(uint8_t options) {
  if (StoreChanged(options_, options)) StructureChanged();
}

void TGLHeightField::SetColorMode(THeightFieldColorMode mode) {
  if (StoreChanged(colorMode_, mode)) StructureChanged();
}

void TGLHeightField::NotifyChange(TObject* sender) {
  if (sender && (sender == xScale_.get() || sender == yScale_.get())) {
    StructureChanged();
    return;
  }
  TGLCustomSceneObject::NotifyChange(sender);
}

void TGLHeightField::BuildList(RenderContextInfo& rci) {
  if (!xScale_->IsValid() || !yScale_->IsValid()) return;
  THeightFieldGetHeightEvent height;
  if (OnGetHeight) {
    height = OnGetHeight;
  } else if (OnGetHeight2) {
    height = [this](float x, float y, float& z, TVector4f& color, TTexPoint& texPoint) {
      OnGetHeight2(this, x, y, z, color, texPoint);
    };
  } else {
    height = [](float x, float y, float& z, TVector4f& color, TTexPoint&) {
      const float r = std::sqrt(x * x + y * y);
      z = std::cos(12 * r) / ((6.28f * r + 1) * 2);
      color = {0.8f, 0.8f, 0.8f, 1};
    };
  }

  float xStart, xStep, xEnd, yStart, yStep, yEnd;
  xScale_->SetupLoop(true, xStart, xStep, xEnd);
  yScale_->SetupLoop(true, yStart, yStep, yEnd);
  const int32_t columns = LoopSampleCount(xStart, xStep, xEnd);
  const int32_t rows = LoopSampleCount(yStart, yStep, yEnd);
  if (columns <= 0 || rows <= 0) return;

  TGLStateCache& states = *rci.GLStates;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  if (options_ & hfoTwoSided) {
    states.DisableState(stCullFace);
    states.SetPolygonMode(Material().PolygonMode());
  }
  if (colorMode_ != hfcmNone) {
    constexpr GLenum kModes[] = {0, GL_EMISSION, GL_AMBIENT, GL_DIFFUSE, GL_AMBIENT_AND_DIFFUSE};
    EnableDefaultColorMaterial(states, kModes[colorMode_]);
  }

  // Three rows in turn: the one before, the one whose normals are being made, the one after.
  std::vector<HeightVertex> buffers[3];
  for (auto& buffer : buffers) buffer.resize(size_t(columns));
  auto sampleRow = [&](int32_t row, std::vector<HeightVertex>& out) {
    const float y = LoopSample(yStart, yStep, yEnd, row);
    for (int32_t i = 0; i < columns; ++i) {
      HeightVertex& v = out[size_t(i)];
      v = HeightVertex{};
      v.x = LoopSample(xStart, xStep, xEnd, i);
      v.y = y;
      height(v.x, v.y, v.z, v.color, v.texPoint);
    }
  };
  // Slopes by central differences over two steps inside, one-sided over one step at the edges.
  auto slope = [](float before, float after, int span, float step) { return (before - after) / (float(span) * step); };
  auto makeNormals = [&](const std::vector<HeightVertex>* previous, std::vector<HeightVertex>& row,
                         const std::vector<HeightVertex>* next) {
    for (int32_t i = 0; i < columns; ++i) {
      const size_t l = size_t(std::max(0, i - 1)), r = size_t(std::min(columns - 1, i + 1));
      const float dx = l == r ? 0 : slope(row[l].z, row[r].z, int(r - l), xStep);
      const float before = previous ? (*previous)[size_t(i)].z : row[size_t(i)].z;
      const float after = next ? (*next)[size_t(i)].z : row[size_t(i)].z;
      const int span = (previous ? 1 : 0) + (next ? 1 : 0);
      const float dy = span == 0 ? 0 : slope(before, after, span, yStep);
      row[size_t(i)].normal = AffineNormalized(TVector3f{dx, dy, 1});
    }
  };
  auto sendVertex = [&](const HeightVertex& v) {
    gl.Normal3fv(&v.normal.x);
    if (colorMode_ != hfcmNone) gl.Color4fv(&v.color.x);
    if (options_ & hfoTextureCoordinates) gl.TexCoord2fv(&v.texPoint.s);
    gl.Vertex3f(v.x, v.y, v.z);
  };
  auto drawStrip = [&](const std::vector<HeightVertex>& lower, const std::vector<HeightVertex>& upper) {
    gl.Begin(GL_TRIANGLE_STRIP);
    for (int32_t i = 0; i < columns; ++i) {
      sendVertex(upper[size_t(i)]);
      sendVertex(lower[size_t(i)]);
    }
    gl.End();
  };

  for (int32_t row = 0; row < rows; ++row) {
    std::vector<HeightVertex>& current = buffers[row % 3];
    sampleRow(row, current);
    if (row >= 1) {
      std::vector<HeightVertex>& middle = buffers[(row - 1) % 3];
      makeNormals(row >= 2 ? &buffers[(row - 2) % 3] : nullptr, middle, &current);
      if (row >= 2) drawStrip(buffers[(row - 2) % 3], middle);
    }
  }
  if (rows >= 2) {
    std::vector<HeightVertex>& last = buffers[(rows - 1) % 3];
    makeNormals(&buffers[(rows - 2) % 3], last, nullptr);
    drawStrip(buffers[(rows - 2) % 3], last);
  }
}

void TGLHeightField::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLHeightField*>(source)) {
    xScale_->Assign(from->xScale_.get());
    yScale_->Assign(from->yScale_.get());
    options_ = from->options_;
    colorMode_ = from->colorMode_;
    OnGetHeight = from->OnGetHeight;
    OnGetHeight2 = from->OnGetHeight2;
  }
  TGLCustomSceneObject::Assign(source);
}

void TGLSamplingScale::DefinePublished(TFiler& filer) {
  TGLUpdateAbleObject::DefinePublished(filer);
  DefineSingle(filer, "Min", min_, [this](float v) { SetMin(v); }, 0);
  DefineSingle(filer, "Max", max_, [this](float v) { SetMax(v); }, 0);
  DefineSingle(filer, "Origin", origin_, [this](float v) { SetOrigin(v); }, 0);
  DefineSingle(filer, "Step", step_, [this](float v) { SetStep(v); }, 0.1f);
}

void TGLHeightField::DefinePublished(TFiler& filer) {
  TGLCustomSceneObject::DefinePublished(filer);
  DefineObject(filer, "XSamplingScale", xScale_.get(), [this]() -> TPersistent& { return *xScale_; });
  DefineObject(filer, "YSamplingScale", yScale_.get(), [this]() -> TPersistent& { return *yScale_; });
  DefineBits(filer, "Options", options_, [this](uint32_t v) { SetOptions(uint8_t(v)); }, hfoTwoSided,
             hfoTextureCoordinates | hfoTwoSided);
  DefineEnum<THeightFieldColorMode>(filer, "ColorMode", colorMode_,
                                    [this](THeightFieldColorMode v) { SetColorMode(v); }, hfcmNone,
                                    hfcmAmbientAndDiffuse);
}

}  // namespace scene3d
