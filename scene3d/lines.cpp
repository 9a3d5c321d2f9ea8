#include "scene3d/lines.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_state.h"
#include "scene3d/gl_transformation.h"
#include "scene3d/rendering_log.h"
#include "scene3d/wire_shapes.h"
#include "scene3d/stored_object.h"

namespace scene3d {

namespace {
constexpr TVector4f kBlue{0, 0, 1, 1};
// The order every OpenGL's evaluators take at least.
constexpr GLint kMinimumEvalOrder = 8;

// The point at t of the Bézier curve whose control points are the consecutive groups of `size` values
// (de Casteljau's construction, stable for any number of points).
template <int size>
TVector4f BezierPoint(const std::vector<float>& points, float t) {
  std::vector<float> work(points);
  for (size_t count = work.size() / size; count > 1; --count)
    for (size_t i = 0; i + 1 < count; ++i)
      for (size_t k = 0; k < size_t(size); ++k) work[i * size + k] += t * (work[(i + 1) * size + k] - work[i * size + k]);
  TVector4f result{0, 0, 0, 0};
  for (int k = 0; k < size; ++k) (&result.x)[k] = work[size_t(k)];
  return result;
}

bool SameColor(const TVector4f& a, const TVector4f& b) { return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w; }
// The NURBS renderer's entry points in the loaded libGLU.
struct GluNurbs {
  decltype(&::gluNewNurbsRenderer) create = nullptr;
  decltype(&::gluDeleteNurbsRenderer) destroy = nullptr;
  decltype(&::gluNurbsProperty) property = nullptr;
  decltype(&::gluNurbsCallback) callback = nullptr;
  decltype(&::gluLoadSamplingMatrices) matrices = nullptr;
  decltype(&::gluBeginCurve) begin = nullptr;
  decltype(&::gluNurbsCurve) curve = nullptr;
  decltype(&::gluEndCurve) end = nullptr;
  bool Complete() const { return create && destroy && property && callback && matrices && begin && curve && end; }
};

const GluNurbs& Nurbs() {
  static GluNurbs glu;
  static void* library = nullptr;
  if (GLULoadedAnew(library) || !glu.Complete()) {
    FindGLUProc(glu.create, "gluNewNurbsRenderer");
    FindGLUProc(glu.destroy, "gluDeleteNurbsRenderer");
    FindGLUProc(glu.property, "gluNurbsProperty");
    FindGLUProc(glu.callback, "gluNurbsCallback");
    FindGLUProc(glu.matrices, "gluLoadSamplingMatrices");
    FindGLUProc(glu.begin, "gluBeginCurve");
    FindGLUProc(glu.curve, "gluNurbsCurve");
    FindGLUProc(glu.end, "gluEndCurve");
  }
  return glu;
}

void GLAPIENTRY NurbsBegin(GLenum type) { ActiveGLTable().Begin(type); }
void GLAPIENTRY NurbsVertex(GLfloat* v) { ActiveGLTable().Vertex3fv(v); }
void GLAPIENTRY NurbsEnd() { ActiveGLTable().End(); }
void GLAPIENTRY NurbsError(GLenum) {}

}  // namespace

// --- TGLLineBase -------------------------------------------------------------------------------------------

TGLLineBase::TGLLineBase(TComponent* owner)
    : TGLImmaterialSceneObject(owner), lineColor_(std::make_unique<TGLColor>(this, clrWhite)) {}

TGLLineBase::~TGLLineBase() = default;

void TGLLineBase::SetLineColor(const TGLColor& colour) {
  lineColor_->SetColor(colour.GetColor());
  StructureChanged();
}

void TGLLineBase::SetLinePattern(uint16_t pattern) {
  if (StoreChanged(linePattern_, pattern)) StructureChanged();
}

void TGLLineBase::SetLineWidth(float width) {
  if (StoreChanged(lineWidth_, width)) StructureChanged();
}

void TGLLineBase::SetAntiAliased(bool flag) {
  if (StoreChanged(antiAliased_, flag)) StructureChanged();
}

void TGLLineBase::NotifyChange(TObject* sender) {
  if (sender == lineColor_.get()) StructureChanged();
  TGLImmaterialSceneObject::NotifyChange(sender);
}

void TGLLineBase::Assign(const TPersistent* source) {
  if (auto* line = dynamic_cast<const TGLLineBase*>(source)) {
    SetLineColor(*line->lineColor_);
    SetLinePattern(line->linePattern_);
    SetLineWidth(line->lineWidth_);
    SetAntiAliased(line->antiAliased_);
  }
  TGLImmaterialSceneObject::Assign(source);
}

void TGLLineBase::ApplyLineStyle(RenderContextInfo& rci, bool smooth) {
  TGLStateCache& states = *rci.GLStates;
  auto blend = [&states] {
    states.EnableState(stBlend);
    states.SetBlendFunction(bfSrcAlpha, bfOneMinusSrcAlpha);
  };
  states.DisableState(stLighting);
  if (linePattern_ != 0xFFFF) {
    states.EnableState(stLineStipple);
    blend();
    states.SetLineStippleFactor(1);
    states.SetLineStipplePattern(linePattern_);
  } else {
    states.DisableState(stLineStipple);
  }
  if (smooth) {
    states.EnableState(stLineSmooth);
    blend();
  } else {
    states.DisableState(stLineSmooth);
  }
  states.SetLineWidth(lineWidth_);
  const TVector4f& c = lineColor_->GetColor();
  if (c.w != 1 && !smooth) blend();
  states.SetColor(c);
}

// --- Nodes of lines ---------------------------------------------------------------------------------------

TGLLinesNode::TGLLinesNode(TCollection& collection) : TGLNode(collection), color_(kBlue) {
  if (auto* nodes = dynamic_cast<TGLLinesNodes*>(&collection))
    if (auto* lines = dynamic_cast<TGLNodedLines*>(nodes->Owner())) color_ = lines->NodeColor().GetColor();
}

void TGLLinesNode::SetColor(const TVector4f& colour) {
  color_ = colour;
  TellCollection();
}

void TGLLinesNode::Assign(const TPersistent* source) {
  if (auto* node = dynamic_cast<const TGLLinesNode*>(source)) color_ = node->color_;
  TGLNode::Assign(source);
}

TGLLinesNodes::TGLLinesNodes(TGLNodedLines* owner)
    : TGLNodes(owner,
               [owner](TCollection& collection) -> std::unique_ptr<TCollectionItem> {
                 return std::make_unique<TGLLinesNode>(collection, owner ? owner->NodeColor().GetColor() : kBlue);
               }),
      lines_(owner) {}

std::unique_ptr<TGLNodes> TGLLinesNodes::CreateCopy(TPersistent* owner) const {
  auto copy = std::make_unique<TGLLinesNodes>(dynamic_cast<TGLNodedLines*>(owner));
  copy->Assign(this);
  return copy;
}

void TGLLinesNodes::AddNodes(std::span<const TLinesNodePoint> points) {
  if (points.empty()) return;
  BeginUpdate();
  try {
    for (const TLinesNodePoint& p : points) {
      auto* node = static_cast<TGLLinesNode*>(Add());
      node->StoreRaw({p.position.x, p.position.y, p.position.z, 1});
      node->StoreColor(p.color);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TGLLinesNodes::NotifyChange() {
  if (lines_) {
    lines_->StructureChanged();
  } else {
    TGLNodes::NotifyChange();
  }
}

// --- TGLNodedLines ---------------------------------------------------------------------------------------

TGLNodedLines::TGLNodedLines(TComponent* owner)
    : TGLLineBase(owner),
      nodeColor_(std::make_unique<TGLColor>(this, kBlue, [this](TObject*) { NodeColorChanged(); })),
      oldNodeColor_(kBlue) {
  nodes_ = std::make_unique<TGLLinesNodes>(this);
}

TGLNodedLines::~TGLNodedLines() {
  // The nodes go first, while the lines they tell still stand.
  nodes_.reset();
}

void TGLNodedLines::SetNodesAspect(TLineNodesAspect aspect) {
  if (StoreChanged(nodesAspect_, aspect)) StructureChanged();
}

void TGLNodedLines::SetNodeSize(float size) {
  if (!(size > 0)) size = 1;
  if (StoreChanged(nodeSize_, size)) StructureChanged();
}

void TGLNodedLines::NodeColorChanged() {
  const TVector4f& colour = nodeColor_->GetColor();
  for (int i = 0; i < nodes_->Count(); ++i) {
    TGLLinesNode* node = nodes_->Items(i);
    if (SameColor(node->Color(), oldNodeColor_)) node->StoreColor(colour);
  }
  oldNodeColor_ = colour;
  StructureChanged();
}

TGLLinesNode* TGLNodedLines::AddNode(float x, float y, float z) { return AddNode(x, y, z, nodeColor_->GetColor()); }

TGLLinesNode* TGLNodedLines::AddNode(float x, float y, float z, const TVector4f& colour) {
  nodes_->BeginUpdate();
  TGLLinesNode* node = nullptr;
  try {
    node = static_cast<TGLLinesNode*>(nodes_->Add());
    node->StoreRaw({x, y, z, 1});
    node->StoreColor(colour);
  } catch (...) {
    nodes_->EndUpdate();
    throw;
  }
  nodes_->EndUpdate();
  return node;
}

TVector4f TGLNodedLines::HalfExtents() const {
  if (extentsStale_) {
    extents_ = {0, 0, 0, 0};
    for (int i = 0; i < nodes_->Count(); ++i) {
      const TVector4f& p = nodes_->Items(i)->AsVector();
      for (int axis = 0; axis < 3; ++axis) extents_[axis] = std::max(extents_[axis], std::fabs(p[axis]));
    }
    extentsStale_ = false;
  }
  return extents_;
}

void TGLNodedLines::StructureChanged() {
  extentsStale_ = true;
  TGLLineBase::StructureChanged();
}

void TGLNodedLines::Assign(const TPersistent* source) {
  if (auto* lines = dynamic_cast<const TGLNodedLines*>(source)) {
    nodes_->Assign(lines->nodes_.get());
    SetNodesAspect(lines->nodesAspect_);
    nodeColor_->SetColor(lines->nodeColor_->GetColor());
    SetNodeSize(lines->nodeSize_);
  }
  TGLLineBase::Assign(source);
}

void TGLNodedLines::DrawNodeMarker(RenderContextInfo& rci, const TGLLinesNode& node) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLStateCache& states = *rci.GLStates;
  gl.PushMatrix();
  gl.Translatef(node.X(), node.Y(), node.Z());
  switch (nodesAspect_) {
    case lnaAxes:
      DrawAxesLines(states, nodeSize_ * 0.5f, 0xCCCC);
      break;
    case lnaCube:
      BuildWireCube(states, nodeSize_, false, node.Color());
      break;
    case lnaDodecahedron: {
      const bool scaled = nodeSize_ != 1;
      if (scaled) {
        gl.PushMatrix();
        gl.Scalef(nodeSize_, nodeSize_, nodeSize_);
      }
      states.SetMaterial(cmFront, {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, node.Color(), {0, 0, 0, 1}, 0);
      BuildDodecahedron();
      if (scaled) gl.PopMatrix();
      break;
    }
    default: break;
  }
  gl.PopMatrix();
}

// --- TGLLines ----------------------------------------------------------------------------------------------

TGLLines::TGLLines(TComponent* owner) : TGLNodedLines(owner) {}

TGLLines::~TGLLines() = default;

void TGLLines::SetDivision(int32_t division) {
  if (division < 1) division = 1;
  if (StoreChanged(division_, division)) StructureChanged();
}

void TGLLines::SetSplineMode(TLineSplineMode mode) {
  if (StoreChanged(splineMode_, mode)) StructureChanged();
}

void TGLLines::SetOptions(TLinesOptions options) {
  options_ = options;
  StructureChanged();
}

void TGLLines::Assign(const TPersistent* source) {
  if (auto* lines = dynamic_cast<const TGLLines*>(source)) {
    SetDivision(lines->division_);
    SetSplineMode(lines->splineMode_);
    SetOptions(lines->options_);
  }
  TGLNodedLines::Assign(source);
}

void TGLLines::BuildList(RenderContextInfo& rci) {
  const TGLLinesNodes& nodes = Nodes();
  const int n = nodes.Count();
  if (n < 2) return;
  TGLStateCache& states = *rci.GLStates;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  ApplyLineStyle(rci);
  if (rci.bufferDepthTest) states.EnableState(stDepthTest);
  const bool xorColors = (options_ & loColorLogicXor) != 0;
  if (xorColors) {
    states.EnableState(stColorLogicOp);
    states.SetLogicOp(loXOr);
  }
  const bool nodeColors = (options_ & loUseNodeColorForLines) != 0;
  const bool curves = splineMode_ == lsmBezierSpline || splineMode_ == lsmNURBSCurve;
  std::vector<float> positions, colours;
  if (curves) {
    positions.reserve(size_t(n) * 3);
    colours.reserve(size_t(n) * 4);
    for (int i = 0; i < n; ++i) {
      const TGLLinesNode* node = nodes.Items(i);
      positions.insert(positions.end(), {node->X(), node->Y(), node->Z()});
      const TVector4f& c = node->Color();
      colours.insert(colours.end(), {c.x, c.y, c.z, c.w});
    }
  }
  // OpenGL's evaluators take curves up to an order of its own (Mesa: 30); a curve of more nodes is
  // evaluated here, which draws the same points.
  bool evaluateHere = false;
  if (splineMode_ == lsmBezierSpline && division_ >= 2) {
    const int32_t maxOrder = rci.GLStates->MaxEvalOrder();
    evaluateHere = n > (maxOrder > 0 ? maxOrder : kMinimumEvalOrder);
  }
  if (splineMode_ == lsmBezierSpline && !evaluateHere) {
    gl.PushAttrib(GL_EVAL_BIT);
    gl.Enable(GL_MAP1_VERTEX_3);
    gl.Enable(GL_MAP1_COLOR_4);
    gl.Map1f(GL_MAP1_VERTEX_3, 0, 1, 3, n, positions.data());
    gl.Map1f(GL_MAP1_COLOR_4, 0, 1, 4, n, colours.data());
  }
  if (splineMode_ == lsmNURBSCurve && division_ >= 2) {
    if (CurveOrder > 0 && !CurveKnots.empty()) DrawNurbsCurve(rci, positions);
  } else {
    gl.Begin(splineMode_ == lsmSegments ? GL_LINES : splineMode_ == lsmLoop ? GL_LINE_LOOP : GL_LINE_STRIP);
    if (division_ >= 2 && splineMode_ == lsmCubicSpline) {
      const std::unique_ptr<TCubicSpline> spline = nodes.BuildCubicSpline();
      const float step = 1.0f / float(division_);
      const int last = division_ * (n - 1);
      for (int i = 0; i <= last; ++i) {
        if (nodeColors) {
          const int f = i / division_;
          if (f < n - 1) {
            const TVector4f c = VectorLerp4(nodes.Items(f)->Color(), nodes.Items(f + 1)->Color(), float(i % division_) * step);
            gl.Color4fv(&c.x);
          } else {
            gl.Color4fv(&nodes.Items(n - 1)->Color().x);
          }
        }
        const TVector3f p = spline->EvaluateAffine(float(i) * step);
        gl.Vertex3fv(&p.x);
      }
    } else if (evaluateHere) {
      for (int i = 0; i <= division_; ++i) {
        const float t = float(i) / float(division_);
        const TVector4f c = BezierPoint<4>(colours, t);
        gl.Color4fv(&c.x);
        const TVector4f p = BezierPoint<3>(positions, t);
        gl.Vertex3fv(&p.x);
      }
    } else if (division_ >= 2 && splineMode_ == lsmBezierSpline) {
      for (int i = 0; i <= division_; ++i) gl.EvalCoord1f(float(i) / float(division_));
    } else {
      for (int i = 0; i < n; ++i) {
        const TGLLinesNode* node = nodes.Items(i);
        if (nodeColors) gl.Color4fv(&node->Color().x);
        gl.Vertex3fv(node->Coordinates());
      }
    }
    gl.End();
  }
  if (xorColors) states.DisableState(stColorLogicOp);
  if (splineMode_ == lsmBezierSpline && !evaluateHere) gl.PopAttrib();
  if (NodesAspect() != lnaInvisible) {
    if (!rci.ignoreBlendingRequests) {
      states.EnableState(stBlend);
      states.SetBlendFunction(bfSrcAlpha, bfOneMinusSrcAlpha);
    }
    for (int i = 0; i < n; ++i) DrawNodeMarker(rci, *nodes.Items(i));
  }
}

void TGLLines::DrawNurbsCurve(RenderContextInfo& rci, std::vector<float>& points) {
  const int n = int(points.size() / 3);
  // GLU reads knots - order control points: any other count would read past the nodes.
  if (int64_t(CurveKnots.size()) != int64_t(n) + CurveOrder) {
    LogLine(lkWarning, "NURBS curve: " + std::to_string(CurveKnots.size()) + " knots for " + std::to_string(n) +
                           " nodes of order " + std::to_string(CurveOrder) + ", not drawn");
    return;
  }
  const GluNurbs& glu = Nurbs();
  if (!glu.Complete()) {
    LogLine(lkError, "The GLU NURBS renderer is missing: curve not drawn");
    return;
  }
  GLUnurbs* renderer = glu.create();
  if (!renderer) return;
  try {
    // The curve comes back as vertices, so it goes through the active table like every other drawing.
    glu.property(renderer, GLU_NURBS_MODE, GLU_NURBS_TESSELLATOR);
    glu.property(renderer, GLU_SAMPLING_TOLERANCE, CurveTolerance);
    glu.property(renderer, GLU_DISPLAY_MODE, GLU_FILL);
    glu.property(renderer, GLU_AUTO_LOAD_MATRIX, GL_FALSE);
    TGLPipelineTransformation& pipeline = *rci.PipelineTransformation;
    const TMatrix4f modelView = pipeline.ModelViewMatrix();
    const TMatrix4f projection = pipeline.ProjectionMatrix();
    const TVector4i& v = rci.GLStates->Viewport();
    const GLint viewport[4] = {v.x, v.y, v.z > 0 ? v.z : 1, v.w > 0 ? v.w : 1};
    glu.matrices(renderer, &modelView[0].x, &projection[0].x, viewport);
    glu.callback(renderer, GLU_NURBS_BEGIN, reinterpret_cast<_GLUfuncptr>(&NurbsBegin));
    glu.callback(renderer, GLU_NURBS_VERTEX, reinterpret_cast<_GLUfuncptr>(&NurbsVertex));
    glu.callback(renderer, GLU_NURBS_END, reinterpret_cast<_GLUfuncptr>(&NurbsEnd));
    glu.callback(renderer, GLU_NURBS_ERROR, reinterpret_cast<_GLUfuncptr>(&NurbsError));
    glu.begin(renderer);
    glu.curve(renderer, GLint(CurveKnots.size()), CurveKnots.data(), 3, points.data(), CurveOrder, GL_MAP1_VERTEX_3);
    glu.end(renderer);
  } catch (...) {
    glu.destroy(renderer);
    throw;
  }
  glu.destroy(renderer);
}

void TGLLinesNode::DefinePublished(TFiler& filer) {
  TGLNode::DefinePublished(filer);
  DefineVector(filer, "Color", color_, [this](const TVector4f& v) { StoreColor(v); });
}

void TGLLineBase::DefinePublished(TFiler& filer) {
  TGLImmaterialSceneObject::DefinePublished(filer);
  DefineObject(filer, "LineColor", lineColor_.get(), [this]() -> TPersistent& { return *lineColor_; });
  DefineInteger(filer, "LinePattern", linePattern_, [this](int32_t v) { SetLinePattern(uint16_t(v)); }, 0xFFFF, 0,
                0xFFFF);
  DefineSingle(filer, "LineWidth", lineWidth_, [this](float v) { SetLineWidth(v); }, 1);
  DefineBoolean(filer, "AntiAliased", antiAliased_, [this](bool v) { SetAntiAliased(v); }, false);
}

void TGLNodedLines::DefinePublished(TFiler& filer) {
  TGLLineBase::DefinePublished(filer);
  // The node colour before the nodes: a change of it recolours the nodes that had the old one.
  DefineObject(filer, "NodeColor", nodeColor_.get(), [this]() -> TPersistent& { return *nodeColor_; });
  DefineCollection(filer, "Nodes", *nodes_);
  DefineEnum<TLineNodesAspect>(filer, "NodesAspect", nodesAspect_, [this](TLineNodesAspect v) { SetNodesAspect(v); },
                               lnaAxes, lnaDodecahedron);
  DefineSingle(filer, "NodeSize", nodeSize_, [this](float v) { SetNodeSize(v); }, 1);
}

void TGLLines::DefinePublished(TFiler& filer) {
  TGLNodedLines::DefinePublished(filer);
  DefineSubdivisions(filer, "Division", division_, [this](int32_t v) { SetDivision(v); }, 10);
  DefineEnum<TLineSplineMode>(filer, "SplineMode", splineMode_, [this](TLineSplineMode v) { SetSplineMode(v); },
                              lsmLines, lsmLoop);
  DefineBits(filer, "Options", options_, [this](uint32_t v) { SetOptions(TLinesOptions(v)); }, 0,
             loUseNodeColorForLines | loColorLogicXor);
}

}  // namespace scene3d
