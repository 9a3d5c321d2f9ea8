// Value types and constants of the 3D maths: single-precision vectors and matrices as OpenGL reads
// them. Vectors are row vectors multiplied on the left (v' = v x M) and the translation stands in
// row 3, so the row-major memory of a TMatrix4f is exactly OpenGL's column-major matrix.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <numbers>
#include <type_traits>

namespace scene3d {

// An affine vector or point.
struct TVector3f {
  float x = 0;
  float y = 0;
  float z = 0;
  // Any index past 2 answers z, so a stray index never reads outside the vector.
  constexpr float& operator[](int i) {
    switch (i) {
      case 0: return x;
      case 1: return y;
      default: return z;
    }
  }
  constexpr float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};

// A homogeneous vector (w = 0 for a direction, 1 for a point), a plane a·x + b·y + c·z + d = 0
// with (a, b, c) its normal, or an RGBA colour.
struct TVector4f {
  float x = 0;
  float y = 0;
  float z = 0;
  float w = 0;
  constexpr float& operator[](int i) {
    switch (i) {
      case 0: return x;
      case 1: return y;
      case 2: return z;
      default: return w;
    }
  }
  constexpr float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
};

// Four rows, row-major: m[i][j] is row i, column j.
struct TMatrix4f {
  TVector4f row[4];
  constexpr TVector4f& operator[](int i) { return row[i & 3]; }
  constexpr const TVector4f& operator[](int i) const { return row[i & 3]; }
};

struct TVector3d {
  double x = 0;
  double y = 0;
  double z = 0;
};

// A texture coordinate.
struct TTexPoint {
  float s = 0;
  float t = 0;
};

struct TVector3i {
  int32_t x = 0;
  int32_t y = 0;
  int32_t z = 0;
};

// Also a viewport: x, y, width, height in OpenGL's order.
struct TVector4i {
  int32_t x = 0;
  int32_t y = 0;
  int32_t z = 0;
  int32_t w = 0;
};

// Six planes, each normalised and facing into the viewing volume.
struct TFrustumPlanes {
  TVector4f left;
  TVector4f top;
  TVector4f right;
  TVector4f bottom;
  TVector4f near;
  TVector4f far;
};

// OpenGL takes these as they lie in memory.
static_assert(sizeof(TVector3f) == 12 && sizeof(TVector4f) == 16 && sizeof(TMatrix4f) == 64);
static_assert(std::is_standard_layout_v<TMatrix4f> && std::is_trivially_copyable_v<TMatrix4f>);
static_assert(sizeof(TTexPoint) == 8 && sizeof(TVector4i) == 16);

inline constexpr TVector3f NullAffine{0, 0, 0};
inline constexpr TVector4f XAxisVector{1, 0, 0, 0};
inline constexpr TVector4f YAxisVector{0, 1, 0, 0};
inline constexpr TVector4f ZAxisVector{0, 0, 1, 0};
inline constexpr TVector4f WAxisVector{0, 0, 0, 1};
inline constexpr TVector4f XYZAxisVector{1, 1, 1, 0};
inline constexpr TVector4f NullVector4{0, 0, 0, 0};
inline constexpr TVector4f OriginPoint{0, 0, 0, 1};
inline constexpr TMatrix4f IdentityMatrix{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
inline constexpr TMatrix4f ZeroMatrix{};

// A denormal on purpose: singular-matrix tests compare against it, so nothing in the program may
// flush denormals to zero (no -ffast-math, no flush-to-zero modes).
inline constexpr float FloatEpsilon = 1e-40f;
static_assert(std::bit_cast<uint32_t>(FloatEpsilon) == 0x000116C2u);
inline constexpr float FloatEpsilon2 = 1e-30f;

inline constexpr float DegToRadFactor = static_cast<float>(std::numbers::pi / 180);
inline constexpr float RadToDegFactor = static_cast<float>(180 / std::numbers::pi);
inline constexpr float TwoPi = static_cast<float>(2 * std::numbers::pi);
inline constexpr float InvThreeSixty = 1.0f / 360.0f;
inline constexpr float OneEighty = 180.0f;
inline constexpr float ThreeSixty = 360.0f;

}  // namespace scene3d
