#include "scene3d/polynomial_roots.h"

#include <cmath>

namespace scene3d {

bool IsNearZero(double x) { return std::fabs(x) <= 1e-40; }

double CubeRoot(double x) {
  if (x > 0) return std::pow(x, 1.0 / 3.0);
  if (x < 0) return -std::pow(-x, 1.0 / 3.0);
  return 0;
}

std::vector<double> SolveQuadratic(double c0, double c1, double c2) {
  if (IsNearZero(c2)) {
    // Not quadratic: the linear equation, which has no root when it is constant.
    if (IsNearZero(c1)) return {};
    return {-c0 / c1};
  }
  const double p = c1 / (2 * c2), q = c0 / c2;
  const double d = p * p - q;
  if (IsNearZero(d)) return {-p};
  if (d > 0) {
    const double s = std::sqrt(d);
    return {s - p, -s - p};
  }
  return {};
}

std::vector<double> SolveCubic(double c0, double c1, double c2, double c3) {
  if (IsNearZero(c3)) return SolveQuadratic(c0, c1, c2);
  const double a = c2 / c3, b = c1 / c3, c = c0 / c3;
  const double sqA = a * a;
  const double p = (-sqA / 3 + b) / 3;
  const double q = (2 * a * sqA / 27 - a * b / 3 + c) / 2;
  const double cbP = p * p * p;
  const double d = q * q + cbP;
  std::vector<double> roots;
  if (IsNearZero(d)) {
    if (IsNearZero(q)) {
      roots = {0};
    } else {
      const double u = CubeRoot(-q);
      roots = {2 * u, -u};
    }
  } else if (d < 0) {
    const double phi = std::acos(-q / std::sqrt(-cbP)) / 3;
    const double t = 2 * std::sqrt(-p);
    roots = {t * std::cos(phi), -t * std::cos(phi + M_PI / 3), -t * std::cos(phi - M_PI / 3)};
  } else {
    const double s = std::sqrt(d);
    roots = {CubeRoot(s - q) - CubeRoot(s + q)};
  }
  for (double& r : roots) r -= a / 3;
  return roots;
}

std::vector<double> SolveQuartic(double c0, double c1, double c2, double c3, double c4) {
  if (IsNearZero(c4)) return SolveCubic(c0, c1, c2, c3);
  // x⁴ + a·x³ + b·x² + c·x + d = 0, reduced by x = y - a/4 to y⁴ + p·y² + q·y + r = 0.
  const double a = c3 / c4, b = c2 / c4, c = c1 / c4, d = c0 / c4;
  const double sqA = a * a;
  const double p = -3 * sqA / 8 + b;
  const double q = sqA * a / 8 - a * b / 2 + c;
  const double r = -3 * sqA * sqA / 256 + sqA * b / 16 - a * c / 4 + d;
  std::vector<double> roots;
  if (IsNearZero(r)) {
    // y·(y³ + p·y + q) = 0.
    roots = SolveCubic(q, p, 0, 1);
    roots.push_back(0);
  } else {
    // One real root z of the resolvent cubic z³ - p/2·z² - r·z + r·p/2 - q²/8 = 0.
    const std::vector<double> resolvent = SolveCubic(r * p / 2 - q * q / 8, -r, -p / 2, 1);
    if (resolvent.empty()) return {};
    const double z = resolvent[0];
    double u = z * z - r, v = 2 * z - p;
    if (IsNearZero(u)) {
      u = 0;
    } else if (u > 0) {
      u = std::sqrt(u);
    } else {
      return {};
    }
    if (IsNearZero(v)) {
      v = 0;
    } else if (v > 0) {
      v = std::sqrt(v);
    } else {
      return {};
    }
    roots = SolveQuadratic(z - u, q < 0 ? -v : v, 1);
    const std::vector<double> more = SolveQuadratic(z + u, q < 0 ? v : -v, 1);
    roots.insert(roots.end(), more.begin(), more.end());
  }
  for (double& root : roots) root -= a / 4;
  return roots;
}

std::optional<double> SmallestNonNegativeRoot(const std::vector<double>& roots) {
  std::optional<double> best;
  for (double root : roots)
    if (root >= 0 && (!best || root < *best)) best = root;
  return best;
}

}  // namespace scene3d
