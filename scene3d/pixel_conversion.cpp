#include "scene3d/pixel_conversion.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "scene3d/block_compression.h"
#include "scene3d/gl_constants.h"

namespace scene3d {

namespace {

// Where one stored value of a pixel goes in the working pixel. Luminance fills red, green and blue;
// intensity fills all four; both are stored back as the mean of red, green and blue.
enum Slot : uint8_t { kRed, kGreen, kBlue, kAlpha, kLuminance, kIntensity };

struct ChannelLayout {
  int count = 0;
  Slot slots[4] = {};
  bool hasAlpha = false;
  bool integer = false;  // the *_INTEGER formats are stored without clamping
};

std::optional<ChannelLayout> LayoutOf(uint32_t colorFormat) {
  switch (colorFormat) {
    case GL_RED: return ChannelLayout{1, {kRed}, false, false};
    case GL_RED_INTEGER: return ChannelLayout{1, {kRed}, false, true};
    case GL_GREEN: return ChannelLayout{1, {kGreen}, false, false};
    case GL_GREEN_INTEGER: return ChannelLayout{1, {kGreen}, false, true};
    case GL_BLUE: return ChannelLayout{1, {kBlue}, false, false};
    case GL_BLUE_INTEGER: return ChannelLayout{1, {kBlue}, false, true};
    case GL_ALPHA: return ChannelLayout{1, {kAlpha}, true, false};
    case GL_ALPHA_INTEGER_EXT: return ChannelLayout{1, {kAlpha}, true, true};
    case GL_RGB: return ChannelLayout{3, {kRed, kGreen, kBlue}, false, false};
    case GL_RGB_INTEGER: return ChannelLayout{3, {kRed, kGreen, kBlue}, false, true};
    case GL_RGBA: return ChannelLayout{4, {kRed, kGreen, kBlue, kAlpha}, true, false};
    case GL_RGBA_INTEGER: return ChannelLayout{4, {kRed, kGreen, kBlue, kAlpha}, true, true};
    case GL_LUMINANCE: return ChannelLayout{1, {kLuminance}, false, false};
    case GL_LUMINANCE_INTEGER_EXT: return ChannelLayout{1, {kLuminance}, false, true};
    case GL_LUMINANCE_ALPHA: return ChannelLayout{2, {kLuminance, kAlpha}, true, false};
    case GL_LUMINANCE_ALPHA_INTEGER_EXT: return ChannelLayout{2, {kLuminance, kAlpha}, true, true};
    case GL_INTENSITY: return ChannelLayout{1, {kIntensity}, true, false};
    case GL_BGR: return ChannelLayout{3, {kBlue, kGreen, kRed}, false, false};
    case GL_BGR_INTEGER: return ChannelLayout{3, {kBlue, kGreen, kRed}, false, true};
    case GL_BGRA: return ChannelLayout{4, {kBlue, kGreen, kRed, kAlpha}, true, false};
    case GL_BGRA_INTEGER: return ChannelLayout{4, {kBlue, kGreen, kRed, kAlpha}, true, true};
    case GL_RG: return ChannelLayout{2, {kRed, kGreen}, false, false};
    case GL_RG_INTEGER: return ChannelLayout{2, {kRed, kGreen}, false, true};
    default: return std::nullopt;
  }
}

// Fields of a packed type in OpenGL's component order (the first component first); each is
// left-aligned in 8 bits, so 10-bit fields come out as quarters and 2-bit alpha as multiples of 64.
struct PackedField {
  uint8_t shift;
  uint8_t bits;
};
struct PackedLayout {
  int bytes;
  int count;
  PackedField fields[4];
};

std::optional<PackedLayout> PackedLayoutOf(uint32_t dataType) {
  switch (dataType) {
    case GL_UNSIGNED_BYTE_3_3_2: return PackedLayout{1, 3, {{5, 3}, {2, 3}, {0, 2}}};
    case GL_UNSIGNED_BYTE_2_3_3_REV: return PackedLayout{1, 3, {{0, 3}, {3, 3}, {6, 2}}};
    case GL_UNSIGNED_SHORT_5_6_5: return PackedLayout{2, 3, {{11, 5}, {5, 6}, {0, 5}}};
    case GL_UNSIGNED_SHORT_5_6_5_REV: return PackedLayout{2, 3, {{0, 5}, {5, 6}, {11, 5}}};
    case GL_UNSIGNED_SHORT_4_4_4_4: return PackedLayout{2, 4, {{12, 4}, {8, 4}, {4, 4}, {0, 4}}};
    case GL_UNSIGNED_SHORT_4_4_4_4_REV: return PackedLayout{2, 4, {{0, 4}, {4, 4}, {8, 4}, {12, 4}}};
    case GL_UNSIGNED_SHORT_5_5_5_1: return PackedLayout{2, 4, {{11, 5}, {6, 5}, {1, 5}, {0, 1}}};
    case GL_UNSIGNED_SHORT_1_5_5_5_REV: return PackedLayout{2, 4, {{0, 5}, {5, 5}, {10, 5}, {15, 1}}};
    case GL_UNSIGNED_INT_8_8_8_8: return PackedLayout{4, 4, {{24, 8}, {16, 8}, {8, 8}, {0, 8}}};
    case GL_UNSIGNED_INT_8_8_8_8_REV: return PackedLayout{4, 4, {{0, 8}, {8, 8}, {16, 8}, {24, 8}}};
    case GL_UNSIGNED_INT_10_10_10_2: return PackedLayout{4, 4, {{22, 10}, {12, 10}, {2, 10}, {0, 2}}};
    case GL_UNSIGNED_INT_2_10_10_10_REV: return PackedLayout{4, 4, {{0, 10}, {10, 10}, {20, 10}, {30, 2}}};
    default: return std::nullopt;
  }
}

// Packed layouts name their components; only the base formats with the same components fit.
bool PackedFits(const PackedLayout& packed, uint32_t colorFormat) {
  if (packed.count == 3) return colorFormat == GL_RGB || colorFormat == GL_BGR;
  return colorFormat == GL_RGBA || colorFormat == GL_BGRA || colorFormat == GL_RGBA_INTEGER ||
         colorFormat == GL_BGRA_INTEGER;
}

// The plain component types with the factor their values take into the working scale.
struct PlainType {
  int bytes;
  float scale;
};

std::optional<PlainType> PlainTypeOf(uint32_t dataType) {
  switch (dataType) {
    case GL_UNSIGNED_BYTE: case GL_BYTE: return PlainType{1, 1.0f};
    case GL_UNSIGNED_SHORT: case GL_SHORT: return PlainType{2, 1.0f / 256};
    case GL_UNSIGNED_INT: case GL_INT: return PlainType{4, 1.0f / 16777216};
    case GL_FLOAT: return PlainType{4, 255.0f};
    case GL_HALF_FLOAT: return PlainType{2, 255.0f};
    default: return std::nullopt;
  }
}

// A type without a decoder or encoder here (float and half have no encoder; sRGB S3TC and 3Dc no
// decoder) fails like a type nobody knows.
[[noreturn]] void Unimplemented() { throw EGLImageUtils(kUnimplementedConversionText); }
[[noreturn]] void InvalidDataType() { throw EGLImageUtils(kInvalidDataTypeText); }

struct Half {
  uint16_t bits;
};

// IEEE half to single: subnormals kept, infinities and NaNs carried over as such.
float HalfToFloat(uint16_t h) {
  const uint32_t sign = static_cast<uint32_t>(h & 0x8000) << 16;
  const int exponent = (h >> 10) & 31;
  const uint32_t mantissa = h & 0x3FF;
  if (exponent == 31) return std::bit_cast<float>(sign | 0x7F800000u | (mantissa << 13));
  if (exponent == 0) {
    const float magnitude = std::ldexp(static_cast<float>(mantissa), -24);
    return sign ? -magnitude : magnitude;
  }
  return std::bit_cast<float>(sign | (static_cast<uint32_t>(exponent + 112) << 23) | (mantissa << 13));
}

template <typename T>
float Widen(T raw) {
  return static_cast<float>(raw);
}
float Widen(Half raw) { return HalfToFloat(raw.bits); }

// Where each working component of a decoded pixel comes from: the index of a stored value, or -1
// for its fill (0, or 255 for the alpha of a format without one).
struct Gather {
  int8_t from[4] = {-1, -1, -1, -1};
  float fill[4] = {0, 0, 0, 0};
};

Gather GatherOf(const ChannelLayout& layout) {
  Gather g;
  if (!layout.hasAlpha) g.fill[3] = 255;
  for (int k = 0; k < layout.count; ++k) {
    const int8_t index = static_cast<int8_t>(k);
    switch (layout.slots[k]) {
      case kLuminance: g.from[0] = g.from[1] = g.from[2] = index; break;
      case kIntensity: g.from[0] = g.from[1] = g.from[2] = g.from[3] = index; break;
      default: g.from[layout.slots[k]] = index; break;
    }
  }
  return g;
}

inline TVector4f Assemble(const Gather& g, const float* v) {
  return {g.from[0] >= 0 ? v[g.from[0]] : g.fill[0], g.from[1] >= 0 ? v[g.from[1]] : g.fill[1],
          g.from[2] >= 0 ? v[g.from[2]] : g.fill[2], g.from[3] >= 0 ? v[g.from[3]] : g.fill[3]};
}

// The working component each stored value is taken from; 4 is the mean of red, green and blue.
int8_t TakeIndex(Slot slot) { return slot == kLuminance || slot == kIntensity ? 4 : static_cast<int8_t>(slot); }

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

struct Decoder;
using DecodeFn = void (*)(const Decoder&, const uint8_t*, size_t, TVector4f*);

// A resolved (base format, data type) pair of a source.
struct Decoder {
  uint32_t dataType = 0;
  Gather gather;
  PackedLayout packed{};
  float scale = 1;
  int pixelBytes = 0;  // 0 for block-compressed types
  int blockBytes = 0;
  DecodeFn decode = nullptr;
};

template <typename T, int N>
void DecodePlain(const Decoder& d, const uint8_t* src, size_t pixels, TVector4f* out) {
  const Gather g = d.gather;
  const float scale = d.scale;
  for (size_t p = 0; p < pixels; ++p, src += N * sizeof(T)) {
    float v[N];
    for (int k = 0; k < N; ++k) v[k] = Widen(Load<T>(src + k * sizeof(T))) * scale;
    out[p] = Assemble(g, v);
  }
}

template <typename T>
void DecodePacked(const Decoder& d, const uint8_t* src, size_t pixels, TVector4f* out) {
  const Gather g = d.gather;
  const int count = d.packed.count;
  float factor[4];
  uint32_t mask[4];
  for (int k = 0; k < count; ++k) {
    factor[k] = std::ldexp(1.0f, 8 - d.packed.fields[k].bits);
    mask[k] = (1u << d.packed.fields[k].bits) - 1;
  }
  for (size_t p = 0; p < pixels; ++p, src += sizeof(T)) {
    const uint32_t raw = Load<T>(src);
    float v[4] = {};
    for (int k = 0; k < count; ++k)
      v[k] = static_cast<float>((raw >> d.packed.fields[k].shift) & mask[k]) * factor[k];
    out[p] = Assemble(g, v);
  }
}

template <typename T>
DecodeFn PlainDecoder(int count) {
  switch (count) {
    case 1: return DecodePlain<T, 1>;
    case 2: return DecodePlain<T, 2>;
    case 3: return DecodePlain<T, 3>;
    default: return DecodePlain<T, 4>;
  }
}

DecodeFn PlainDecodeFn(uint32_t dataType, int count) {
  switch (dataType) {
    case GL_UNSIGNED_BYTE: return PlainDecoder<uint8_t>(count);
    case GL_BYTE: return PlainDecoder<int8_t>(count);
    case GL_UNSIGNED_SHORT: return PlainDecoder<uint16_t>(count);
    case GL_SHORT: return PlainDecoder<int16_t>(count);
    case GL_UNSIGNED_INT: return PlainDecoder<uint32_t>(count);
    case GL_INT: return PlainDecoder<int32_t>(count);
    case GL_FLOAT: return PlainDecoder<float>(count);
    default: return PlainDecoder<Half>(count);
  }
}

Decoder ResolveDecoder(uint32_t colorFormat, uint32_t dataType) {
  Decoder d;
  d.dataType = dataType;
  d.blockBytes = CompressedBlockBytes(dataType);
  if (d.blockBytes > 0) return d;  // the block types carry their own layout
  const std::optional<PlainType> plain = PlainTypeOf(dataType);
  const std::optional<PackedLayout> packed = PackedLayoutOf(dataType);
  if (!plain && !packed) Unimplemented();
  const std::optional<ChannelLayout> layout = LayoutOf(colorFormat);
  if (!layout) InvalidDataType();
  d.gather = GatherOf(*layout);
  if (plain) {
    d.scale = plain->scale;
    d.pixelBytes = plain->bytes * layout->count;
    d.decode = PlainDecodeFn(dataType, layout->count);
    return d;
  }
  if (!PackedFits(*packed, colorFormat)) InvalidDataType();
  d.packed = *packed;
  d.pixelBytes = packed->bytes;
  d.decode = packed->bytes == 1   ? DecodePacked<uint8_t>
             : packed->bytes == 2 ? DecodePacked<uint16_t>
                                  : DecodePacked<uint32_t>;
  return d;
}

uint64_t SaturatingProduct(uint64_t a, uint64_t b) {
  if (a != 0 && b > std::numeric_limits<uint64_t>::max() / a) return std::numeric_limits<uint64_t>::max();
  return a * b;
}

uint64_t SizeInBytes(const Decoder& d, int32_t width, int32_t height) {
  if (width < 1 || height < 1) return 0;
  if (d.blockBytes > 0) {
    const uint64_t blocks = ((static_cast<uint64_t>(width) + 3) / 4) * ((static_cast<uint64_t>(height) + 3) / 4);
    return SaturatingProduct(blocks, static_cast<uint64_t>(d.blockBytes));
  }
  return SaturatingProduct(static_cast<uint64_t>(width) * static_cast<uint64_t>(height),
                           static_cast<uint64_t>(d.pixelBytes));
}

void CheckFits(uint64_t needed, size_t available) {
  if (needed > available) throw EGLImageUtils(kBlockTooSmallText);
}

// Rows firstRow .. firstRow + rows - 1 of the source into out; firstRow is a multiple of 4.
void DecodeRows(const Decoder& d, std::span<const uint8_t> source, int32_t width, int32_t firstRow, int32_t rows,
                TVector4f* out) {
  if (d.blockBytes > 0) {
    DecodeCompressedRows(source, d.dataType, width, firstRow, rows, out);
    return;
  }
  const size_t first = static_cast<size_t>(firstRow) * static_cast<size_t>(width);
  d.decode(d, source.data() + first * d.pixelBytes, static_cast<size_t>(rows) * width, out);
}

// Clamp, then round half to even. The byte and short types work in single precision, where their
// values round by the float trick (exact below 2^22, following the nearest-even rounding mode without
// a library call); the 32-bit types work in double.
template <typename T>
using WorkType = std::conditional_t<sizeof(T) <= 2, float, double>;

template <typename T>
T StoreClamped(WorkType<T> v) {
  using W = WorkType<T>;
  // The signed byte and short ranges are symmetric; the int range runs to its true minimum.
  constexpr W lo =
      std::is_signed_v<T> && sizeof(T) < 4 ? -W(std::numeric_limits<T>::max()) : W(std::numeric_limits<T>::min());
  constexpr W hi = std::numeric_limits<T>::max();
  W c = v < lo ? lo : (v > hi ? hi : v);
  if (c != c) c = 0;
  if constexpr (sizeof(T) <= 2) return static_cast<T>((c + 12582912.0f) - 12582912.0f);
  else return static_cast<T>(std::nearbyint(c));
}

// The integer base formats keep whatever value is given, wrapped into the type as a store would.
template <typename T>
T StoreUnclamped(double v) {
  if (v != v) return 0;
  const double r = std::nearbyint(std::clamp(v, -9.2e18, 9.2e18));
  return static_cast<T>(static_cast<int64_t>(r));
}

struct Encoder;
using EncodeFn = void (*)(const Encoder&, const TVector4f*, size_t, uint8_t*);

struct Encoder {
  int count = 0;
  int8_t take[4] = {};
  bool integer = false;  // stored unclamped
  double scale = 1;
  int pixelBytes = 0;
  EncodeFn encode = nullptr;
};

template <typename T, int N, bool Integer>
void EncodePlain(const Encoder& e, const TVector4f* in, size_t pixels, uint8_t* dst) {
  using W = WorkType<T>;
  const W scale = static_cast<W>(e.scale);
  int8_t take[N];
  std::copy_n(e.take, N, take);
  const bool mean = std::find(take, take + N, 4) != take + N;
  for (size_t p = 0; p < pixels; ++p, dst += N * sizeof(T)) {
    const TVector4f& px = in[p];
    const float c[5] = {px.x, px.y, px.z, px.w, mean ? (px.x + px.y + px.z) / 3 : 0.0f};
    for (int k = 0; k < N; ++k) {
      T stored;
      if constexpr (Integer) stored = StoreUnclamped<T>(double(c[take[k]]) * e.scale);
      else stored = StoreClamped<T>(W(c[take[k]]) * scale);
      std::memcpy(dst + k * sizeof(T), &stored, sizeof stored);
    }
  }
}

template <typename T>
EncodeFn PlainEncoder(int count, bool integer) {
  switch (count) {
    case 1: return integer ? EncodePlain<T, 1, true> : EncodePlain<T, 1, false>;
    case 2: return integer ? EncodePlain<T, 2, true> : EncodePlain<T, 2, false>;
    case 3: return integer ? EncodePlain<T, 3, true> : EncodePlain<T, 3, false>;
    default: return integer ? EncodePlain<T, 4, true> : EncodePlain<T, 4, false>;
  }
}

Encoder ResolveEncoder(uint32_t colorFormat, uint32_t dataType) {
  Encoder e;
  int bytes = 0;
  EncodeFn (*encoderFor)(int, bool) = nullptr;
  switch (dataType) {
    case GL_UNSIGNED_BYTE: encoderFor = PlainEncoder<uint8_t>; bytes = 1; break;
    case GL_BYTE: encoderFor = PlainEncoder<int8_t>; bytes = 1; break;
    case GL_UNSIGNED_SHORT: encoderFor = PlainEncoder<uint16_t>; bytes = 2; e.scale = 256; break;
    case GL_SHORT: encoderFor = PlainEncoder<int16_t>; bytes = 2; e.scale = 256; break;
    case GL_UNSIGNED_INT: encoderFor = PlainEncoder<uint32_t>; bytes = 4; e.scale = 16777216; break;
    case GL_INT: encoderFor = PlainEncoder<int32_t>; bytes = 4; e.scale = 16777216; break;
    default: Unimplemented();
  }
  const std::optional<ChannelLayout> layout = LayoutOf(colorFormat);
  if (!layout) InvalidDataType();
  e.count = layout->count;
  for (int k = 0; k < e.count; ++k) e.take[k] = TakeIndex(layout->slots[k]);
  e.integer = layout->integer;
  e.pixelBytes = bytes * e.count;
  e.encode = encoderFor(e.count, e.integer);
  return e;
}

// The working strip of a conversion: about a megabyte, whole block rows.
int32_t StripRows(int32_t width) {
  const int32_t rows = static_cast<int32_t>(65536 / std::max<int64_t>(width, 1)) & ~3;
  return std::max(rows, 4);
}

}  // namespace

uint64_t ImageSizeInBytes(uint32_t colorFormat, uint32_t dataType, int32_t width, int32_t height) {
  return SizeInBytes(ResolveDecoder(colorFormat, dataType), width, height);
}

std::vector<TVector4f> DecodeImage(std::span<const uint8_t> source, uint32_t colorFormat, uint32_t dataType,
                                   int32_t width, int32_t height) {
  const Decoder d = ResolveDecoder(colorFormat, dataType);
  if (width < 1 || height < 1) return {};
  CheckFits(SizeInBytes(d, width, height), source.size());
  std::vector<TVector4f> image(static_cast<size_t>(width) * static_cast<size_t>(height));
  DecodeRows(d, source, width, 0, height, image.data());
  return image;
}

void EncodeImage(std::span<const TVector4f> image, std::span<uint8_t> destination, uint32_t colorFormat,
                 uint32_t dataType, int32_t width, int32_t height) {
  const Encoder e = ResolveEncoder(colorFormat, dataType);
  if (width < 1 || height < 1) return;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  CheckFits(pixels, image.size());
  CheckFits(SaturatingProduct(pixels, static_cast<uint64_t>(e.pixelBytes)), destination.size());
  e.encode(e, image.data(), pixels, destination.data());
}

void ConvertImage(std::span<const uint8_t> source, std::span<uint8_t> destination, uint32_t sourceColorFormat,
                  int32_t width, int32_t height, uint32_t destinationDataType, uint32_t sourceDataType,
                  uint32_t destinationColorFormat) {
  const Decoder d = ResolveDecoder(sourceColorFormat, sourceDataType);
  const Encoder e = ResolveEncoder(destinationColorFormat, destinationDataType);
  if (width < 1) return;
  height = std::max(height, 1);
  CheckFits(SizeInBytes(d, width, height), source.size());
  const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(e.pixelBytes);
  CheckFits(SaturatingProduct(rowBytes, static_cast<uint64_t>(height)), destination.size());
  // Strip by strip: the same result as one whole working image, without its size in memory.
  const int32_t strip = StripRows(width);
  std::vector<TVector4f> working(static_cast<size_t>(width) * static_cast<size_t>(std::min(strip, height)));
  for (int32_t row = 0; row < height; row += strip) {
    const int32_t rows = std::min(strip, height - row);
    DecodeRows(d, source, width, row, rows, working.data());
    e.encode(e, working.data(), static_cast<size_t>(rows) * width, destination.data() + row * rowBytes);
  }
}

const std::array<uint8_t, 256>& SqrtIntensityTable() {
  static const std::array<uint8_t, 256> table = [] {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(std::nearbyint(std::sqrt(i / 255.0) * 255));
    return t;
  }();
  return table;
}

}  // namespace scene3d
