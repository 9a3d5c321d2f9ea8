// Real roots of polynomials up to degree four, for the ray tests of the quadric solids. Coefficients
// come lowest first: c0 + c1·x + c2·x² (+ c3·x³ + c4·x⁴). A leading coefficient near zero drops to
// the equation of the next lower degree, down to the linear one.
#pragma once

#include <optional>
#include <vector>

namespace scene3d {

// |x| <= 1e-40.
bool IsNearZero(double x);
// The real cube root, negative for negative x.
double CubeRoot(double x);
// 0 to 2 roots; a double root once.
std::vector<double> SolveQuadratic(double c0, double c1, double c2);
// 0 to 3 roots (0 only when the equation is not cubic).
std::vector<double> SolveCubic(double c0, double c1, double c2, double c3);
// 0 to 4 roots.
std::vector<double> SolveQuartic(double c0, double c1, double c2, double c3, double c4);
// The smallest root that is >= 0, or nothing.
std::optional<double> SmallestNonNegativeRoot(const std::vector<double>& roots);

}  // namespace scene3d
