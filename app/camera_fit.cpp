#include "app/camera_fit.h"

#include <cmath>

#include "cad/geometry.h"

namespace app {

namespace {
double Length(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }
}  // namespace

std::optional<CameraFit> FitCameraToStockBox(const machining::StockBox& box, const Vec3& camera, const Vec3& target) {
  // The box is rolled in the scene: its cube height runs along X, its width along Y.
  const Vec3 half = {box.cubeHeight / 2.0, box.cubeWidth / 2.0, box.cubeDepth / 2.0};
  const Vec3 centre = {box.positionX, box.positionY, box.positionZ};
  const double diagonal = 2.0 * Length(half);
  const double cameraDistance = Length(camera);
  if (!(diagonal > 0.0) || !std::isfinite(diagonal) || !(cameraDistance > 0.0) || !std::isfinite(cameraDistance))
    return std::nullopt;
  CameraFit fit;
  fit.target = centre;
  for (int i = 0; i < 3; ++i) fit.camera[i] = centre[i] + (camera[i] - target[i]) * (2.0 * diagonal / cameraDistance);
  // Straight above the target the camera's up direction would be undefined.
  if (std::fabs(fit.camera[0] - fit.target[0]) <= cad::GeometryTolerance() &&
      std::fabs(fit.camera[1] - fit.target[1]) <= cad::GeometryTolerance())
    fit.camera[1] -= 0.0001;
  fit.sceneScale = 100.0 / (Length(half) * 4.3);
  fit.depthOfView = diagonal * 100.0;
  return fit;
}

}  // namespace app
