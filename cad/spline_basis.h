// The B-spline basis shared by the uniform and the weighted splines: the knot span of a parameter
// and the basis functions that are not zero on it (the triangular scheme of Piegl and Tiller, which
// gives the Cox-de Boor values without their exponential recursion).
#pragma once

#include <span>
#include <vector>

namespace cad {

// Degrees above this are not evaluated (the cost grows with the square of the degree): the
// splines show their control polygon instead.
inline constexpr int kMaxSplineDegree = 64;

// The span i, p <= i <= count - 1, with knots[i] <= u < knots[i + 1] for `count` control points of
// degree p; at or past knots[count] the last span whose knots differ. The knots must be
// nondecreasing with knots[p] < knots[count].
int FindKnotSpan(std::span<const double> knots, int count, int p, double u);

// The p + 1 basis functions N[i - p .. i] at u on span i.
void BasisFunctions(std::span<const double> knots, int span, int p, double u, std::vector<double>& basis);

}  // namespace cad
