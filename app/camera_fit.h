// The 3D view's autozoom: the camera placed so the stock box fills the view. Plain maths on the
// camera's and its target's positions; the scene applies the result.
#pragma once

#include <array>
#include <optional>

#include "machining/relief.h"

namespace app {

using Vec3 = std::array<double, 3>;

struct CameraFit {
  Vec3 camera{};  // new camera position
  Vec3 target{};  // new target position (the box's centre)
  double sceneScale = 1.0;
  double depthOfView = 100.0;
};

// The camera keeps its direction to the target at twice the box's diagonal (scaled by the camera's
// distance from the origin) and looks at the box's centre. None when the box has no extent or the
// camera stands at the origin: the view then stays as it is.
std::optional<CameraFit> FitCameraToStockBox(const machining::StockBox& box, const Vec3& camera, const Vec3& target);

}  // namespace app
