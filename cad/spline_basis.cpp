#include "cad/spline_basis.h"

#include <algorithm>

namespace cad {

int FindKnotSpan(std::span<const double> knots, int count, int p, double u) {
  const int last = count - 1;
  if (u >= knots[size_t(count)]) {
    int i = last;
    while (i > p && !(knots[size_t(i)] < knots[size_t(i) + 1])) --i;
    return i;
  }
  // The last knot not above u, among knots[p .. count - 1].
  const auto first = knots.begin() + p;
  const auto end = knots.begin() + count;
  const int i = int(std::upper_bound(first, end, u) - knots.begin()) - 1;
  return std::clamp(i, p, last);
}

void BasisFunctions(std::span<const double> knots, int span, int p, double u, std::vector<double>& basis) {
  basis.assign(size_t(p) + 1, 0.0);
  std::vector<double> left(size_t(p) + 1), right(size_t(p) + 1);
  basis[0] = 1.0;
  for (int j = 1; j <= p; ++j) {
    left[size_t(j)] = u - knots[size_t(span + 1 - j)];
    right[size_t(j)] = knots[size_t(span + j)] - u;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      const double denominator = right[size_t(r) + 1] + left[size_t(j - r)];
      // Zero only between equal knots, where the term is left out.
      const double temp = denominator != 0 ? basis[size_t(r)] / denominator : 0.0;
      basis[size_t(r)] = saved + right[size_t(r) + 1] * temp;
      saved = left[size_t(j - r)] * temp;
    }
    basis[size_t(j)] = saved;
  }
}

}  // namespace cad
