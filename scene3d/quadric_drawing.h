// Our quadrics in place of GLU's: cylinders (cones when a radius is 0), disks and partial disks,
// drawn as quad strips through the active OpenGL table, so that what they draw can be recorded and
// compiled like every other drawing of the scene.
//
// The shapes lie as GLU lays them: a cylinder runs along +Z from 0 to its height, a disk lies in the
// XY plane facing +Z, and the angle of a point is measured from +Y towards +X (x = r·sin a,
// y = r·cos a). Outside orientation turns the front faces and normals away from the axis (a disk's
// towards +Z), inside orientation towards it.
#pragma once

#include <cstdint>

namespace scene3d {

enum TQuadricNormals : uint8_t { qnFlat, qnSmooth, qnNone };
enum TQuadricOrientation : uint8_t { qoOutside, qoInside };

struct TQuadric {
  TQuadricNormals normals = qnSmooth;
  TQuadricOrientation orientation = qoOutside;
  // Texture coordinates through the multitexture coordinator.
  bool textured = false;

  // Nothing with fewer than 1 slice or stack or a zero height.
  void Cylinder(double baseRadius, double topRadius, double height, int slices, int stacks) const;
  void Disk(double innerRadius, double outerRadius, int slices, int loops) const;
  // Angles in degrees.
  void PartialDisk(double innerRadius, double outerRadius, int slices, int loops, double startAngle,
                   double sweepAngle) const;
};

}  // namespace scene3d
