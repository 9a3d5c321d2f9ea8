// Near-equality checks of the 3D maths' value types, naming the failing component.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scene3d/vector_types.h"

namespace scene3d {

inline void ExpectNear(const TVector3f& v, const TVector3f& want, double tolerance, const std::string& what) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(v[i], want[i], tolerance) << what << " component " << i;
}

inline void ExpectNear(const TVector4f& v, const TVector4f& want, double tolerance, const std::string& what) {
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(v[i], want[i], tolerance) << what << " component " << i;
}

inline void ExpectNear(const TMatrix4f& m, const TMatrix4f& want, double tolerance, const std::string& what) {
  for (int i = 0; i < 4; ++i) ExpectNear(m[i], want[i], tolerance, what + " row " + std::to_string(i));
}

}  // namespace scene3d
