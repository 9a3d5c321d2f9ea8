// Lines through coloured nodes: the toolpath and section lines of the 3D view.
//
// TGLLineBase carries the line's look (colour, stipple pattern, width, smoothing); TGLNodedLines adds
// the nodes (TGLLinesNodes of TGLLinesNode, each with its own colour) and the markers drawn at them;
// TGLLines draws them as a polyline, segments, a loop, a cubic spline, a Bézier curve or a NURBS
// curve. Every published change rebuilds the display list at the next frame.
//
// A toolpath holds up to a million nodes, so a node is a point and a colour by value (48 bytes, no
// object per colour), and long runs go in with AddNodes, told to the scene once:
//   lines->SetNodesAspect(lnaInvisible);
//   lines->SetOptions(loUseNodeColorForLines);
//   lines->AddNode(x, y, z, {1, 1, 0, 1});                 // one node
//   lines->Nodes().AddNodes(points);                        // or a batch
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "scene3d/colors.h"
#include "scene3d/custom_scene_object.h"
#include "scene3d/nodes.h"

namespace scene3d {

enum TLineNodesAspect : uint8_t { lnaInvisible, lnaAxes, lnaCube, lnaDodecahedron };
enum TLineSplineMode : uint8_t { lsmLines, lsmCubicSpline, lsmBezierSpline, lsmNURBSCurve, lsmSegments, lsmLoop };
// A set of TLinesOption bits.
using TLinesOptions = uint8_t;
inline constexpr TLinesOptions loUseNodeColorForLines = 1;
inline constexpr TLinesOptions loColorLogicXor = 2;

class TGLLineBase : public TGLImmaterialSceneObject {
 public:
  explicit TGLLineBase(TComponent* owner);
  ~TGLLineBase() override;
  std::string ClassName() const override { return "TGLLineBase"; }

  TGLColor& LineColor() { return *lineColor_; }
  const TGLColor& LineColor() const { return *lineColor_; }
  void SetLineColor(const TGLColor& colour);
  uint16_t LinePattern() const { return linePattern_; }
  void SetLinePattern(uint16_t pattern);
  float LineWidth() const { return lineWidth_; }
  void SetLineWidth(float width);
  bool AntiAliased() const { return antiAliased_; }
  void SetAntiAliased(bool flag);

  void DefinePublished(TFiler& filer) override;
  // A change of LineColor rebuilds the list.
  void NotifyChange(TObject* sender) override;
  void Assign(const TPersistent* source) override;

 protected:
  // Lighting off, stipple, smoothing, width and colour as the properties say.
  void ApplyLineStyle(RenderContextInfo& rci) { ApplyLineStyle(rci, antiAliased_); }
  // The same with smoothing on when `smooth` (a class with smoothing of its own).
  void ApplyLineStyle(RenderContextInfo& rci, bool smooth);

 private:
  std::unique_ptr<TGLColor> lineColor_;
  uint16_t linePattern_ = 0xFFFF;
  float lineWidth_ = 1;
  bool antiAliased_ = false;
};

class TGLNodedLines;

class TGLLinesNode : public TGLNode {
 public:
  explicit TGLLinesNode(TCollection& collection);
  TGLLinesNode(TCollection& collection, const TVector4f& colour) : TGLNode(collection), color_(colour) {}
  std::string ClassName() const override { return "TGLLinesNode"; }

  const TVector4f& Color() const { return color_; }
  // Tells the collection.
  void SetColor(const TVector4f& colour);
  void StoreColor(const TVector4f& colour) { color_ = colour; }
  // From another lines node: colour and coordinates; from a plain node its coordinates.
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  TVector4f color_;
};

// One node of a batch.
struct TLinesNodePoint {
  TVector3f position;
  TVector4f color;
};

class TGLLinesNodes : public TGLNodes {
 public:
  explicit TGLLinesNodes(TGLNodedLines* owner);
  std::string ClassName() const override { return "TGLLinesNodes"; }

  TGLLinesNode* Items(int index) const { return static_cast<TGLLinesNode*>(TGLNodes::Items(index)); }
  std::unique_ptr<TGLNodes> CreateCopy(TPersistent* owner) const override;
  // Appends the points with their colours (W 1), told once.
  void AddNodes(std::span<const TLinesNodePoint> points);
  // Rebuilds the owner's list whatever the update count.
  void NotifyChange() override;

 private:
  TGLNodedLines* lines_;
};

class TGLNodedLines : public TGLLineBase {
 public:
  explicit TGLNodedLines(TComponent* owner);
  ~TGLNodedLines() override;
  std::string ClassName() const override { return "TGLNodedLines"; }

  TGLLinesNodes& Nodes() { return *nodes_; }
  const TGLLinesNodes& Nodes() const { return *nodes_; }
  void SetNodes(const TGLNodes& nodes) { nodes_->Assign(&nodes); }
  TLineNodesAspect NodesAspect() const { return nodesAspect_; }
  void SetNodesAspect(TLineNodesAspect aspect);
  // Blue by default; a change recolours the nodes that still had the previous node colour.
  TGLColor& NodeColor() { return *nodeColor_; }
  const TGLColor& NodeColor() const { return *nodeColor_; }
  void SetNodeColor(const TGLColor& colour) { nodeColor_->Assign(&colour); }
  float NodeSize() const { return nodeSize_; }
  // A size of 0 or less stores 1.
  void SetNodeSize(float size);

  // A node at (x, y, z), W 1, in the node colour or the given one.
  TGLLinesNode* AddNode(float x, float y, float z);
  TGLLinesNode* AddNode(float x, float y, float z, const TVector4f& colour);

  // Per axis the largest absolute node coordinate (0 without nodes), kept until the nodes change.
  void DefinePublished(TFiler& filer) override;
  TVector4f HalfExtents() const override;
  void StructureChanged() override;
  void Assign(const TPersistent* source) override;

 protected:
  void DrawNodeMarker(RenderContextInfo& rci, const TGLLinesNode& node);

 private:
  void NodeColorChanged();
  std::unique_ptr<TGLLinesNodes> nodes_;
  TLineNodesAspect nodesAspect_ = lnaAxes;
  std::unique_ptr<TGLColor> nodeColor_;
  TVector4f oldNodeColor_;
  float nodeSize_ = 1;
  mutable bool extentsStale_ = true;
  mutable TVector4f extents_{};
};

class TGLLines : public TGLNodedLines {
 public:
  explicit TGLLines(TComponent* owner);
  ~TGLLines() override;
  std::string ClassName() const override { return "TGLLines"; }

  int32_t Division() const { return division_; }
  // Values below 1 store 1.
  void SetDivision(int32_t division);
  TLineSplineMode SplineMode() const { return splineMode_; }
  void SetSplineMode(TLineSplineMode mode);
  TLinesOptions Options() const { return options_; }
  // Always rebuilds.
  void SetOptions(TLinesOptions options);
  // The NURBS curve's knots, order and sampling tolerance (not stored).
  std::vector<float> CurveKnots;
  int32_t CurveOrder = 0;
  float CurveTolerance = 50;

  void DefinePublished(TFiler& filer) override;
  void BuildList(RenderContextInfo& rci) override;
  void Assign(const TPersistent* source) override;

 private:
  // Through libGLU's NURBS tessellator; the curve's knots must number nodes + CurveOrder.
  void DrawNurbsCurve(RenderContextInfo& rci, std::vector<float>& points);
  int32_t division_ = 10;
  TLineSplineMode splineMode_ = lsmLines;
  TLinesOptions options_ = 0;
};

}  // namespace scene3d
