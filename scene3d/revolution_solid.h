// TGLRevolutionSolid: a profile of nodes in the object's XY plane swept about its Y axis from
// StartAngle to StopAngle (degrees), optionally rising by YOffsetPerTurn per turn (a helix). Each
// profile segment becomes one triangle strip; the outside and inside surfaces and the flat start and
// stop polygons are drawn as Parts says. The program's tool body is one: the tool's outline as
// (radius, height) nodes turned through a full circle.
#pragma once

#include <cstdint>
#include <string>

#include "scene3d/polygon_base.h"
#include "scene3d/quadric_object.h"

namespace scene3d {

// A set of TRevolutionSolidPart bits.
using TRevolutionSolidParts = uint8_t;
inline constexpr TRevolutionSolidParts rspOutside = 1, rspInside = 2, rspStartPolygon = 4, rspStopPolygon = 8;

class TGLRevolutionSolid : public TGLPolygonBase {
 public:
  explicit TGLRevolutionSolid(TComponent* owner) : TGLPolygonBase(owner) {}
  std::string ClassName() const override { return "TGLRevolutionSolid"; }

  TRevolutionSolidParts Parts() const { return parts_; }
  void SetParts(TRevolutionSolidParts parts);
  float StartAngle() const { return startAngle_; }
  float StopAngle() const { return stopAngle_; }
  // A start past the stop takes the stop along, a stop below the start the start.
  void SetStartAngle(float degrees);
  void SetStopAngle(float degrees);
  float YOffsetPerTurn() const { return yOffsetPerTurn_; }
  void SetYOffsetPerTurn(float offset);
  int32_t Slices() const { return slices_; }
  // Values <= 0 are ignored.
  void SetSlices(int32_t slices);
  TNormalSmoothing Normals() const { return normals_; }
  void SetNormals(TNormalSmoothing normals);
  TNormalDirection NormalDirection() const { return normalDirection_; }
  void SetNormalDirection(TNormalDirection direction);

  // The angle steps of the sweep: Slices per turn, rounded to the nearest (ties to even), at least 1.
  int32_t Steps() const;
  // (r, h, r): r the largest distance of a node from the Y axis, h the largest |y|; kept until the
  // structure changes. Angles and the Y offset are not counted.
  TVector4f HalfExtents() const override;
  void BuildList(RenderContextInfo& rci) override;
  void StructureChanged() override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  TRevolutionSolidParts parts_ = rspOutside;
  float startAngle_ = 0;
  float stopAngle_ = 360;
  float yOffsetPerTurn_ = 0;
  int32_t slices_ = 16;
  TNormalSmoothing normals_ = nsFlat;
  TNormalDirection normalDirection_ = ndOutside;
  mutable TVector4f halfExtents_{-1, 0, 0, 0};  // x < 0: stale
};

}  // namespace scene3d
