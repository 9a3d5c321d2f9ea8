// Windows BMP files read into and written from our Bitmap, keeping the pixel format and the palette
// as the file has them (the relief reads pixel bytes and palette indices directly).
//
// Read: BITMAPCOREHEADER, BITMAPINFOHEADER and its V2 to V5 successors; bottom-up and top-down rows;
// uncompressed, BI_BITFIELDS (masks other than the native ones are converted to the native layout of
// the same bit count) and RLE8/RLE4 (decoded to 8 and 4 bits). Every size, offset and count is
// checked against the bytes present; what cannot be read raises FormatError saying why. Bytes after
// the image are ignored (the document file appends its record to a BMP). Run-length data codes at
// most 255 pixels in 2 bytes, so a picture larger than its data could fill (beyond a few megabytes)
// is refused before its pixel memory is taken.
//
// Written: BITMAPFILEHEADER + BITMAPINFOHEADER, rows bottom-up, palette for 1, 4 and 8 bits,
// 15 bits as BI_RGB, 16 bits as BI_BITFIELDS 5-6-5, 24 and 32 bits as BI_RGB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/binary_stream.h"
#include "platform/bitmap.h"

namespace platform {

// The header fields of a BMP file as DecodeBmp takes them: the bit count of the file (16 for both
// 5-5-5 and 5-6-5), the compression code and the resolution in pixels per metre (0 in an OS/2 header,
// which has none). Needs only the headers (kBmpHeadersSize bytes at most); raises FormatError as
// DecodeBmp does for headers it cannot read.
struct BmpHeaderInfo {
  int bitCount = 0;
  uint32_t compression = 0;
  int32_t pixelsPerMeterX = 0;
  int32_t pixelsPerMeterY = 0;
};
inline constexpr size_t kBmpHeadersSize = 14 + 124 + 12;
BmpHeaderInfo ReadBmpHeaderInfo(const uint8_t* data, size_t size);

Bitmap DecodeBmp(const uint8_t* data, size_t size);
// The same, refusing a picture of more than `maxPixels` pixels before any pixel memory is taken:
// run-length data can announce far more pixels than its bytes hold, so a reader of embedded
// pictures bounds the size by the bytes it was given.
Bitmap DecodeBmp(const uint8_t* data, size_t size, int64_t maxPixels);
inline Bitmap DecodeBmp(const Bytes& bytes) { return DecodeBmp(bytes.data(), bytes.size()); }
Bitmap ReadBmpFile(const std::string& path);

// Refuses an empty bitmap with BitmapError (a BMP has at least one pixel).
Bytes EncodeBmp(const Bitmap& bitmap);
// The same in parts, for a writer that streams a large picture: the headers and palette (BitmapError
// as EncodeBmp), then the rows in the file's order, bottom row first.
Bytes EncodeBmpHeader(const Bitmap& bitmap);
template <class Sink>
void ForEachBmpRow(const Bitmap& bitmap, Sink&& sink) {
  for (int y = bitmap.Height() - 1; y >= 0; --y) sink(bitmap.Row(y), bitmap.Stride());
}
void WriteBmpFile(const std::string& path, const Bitmap& bitmap);

}  // namespace platform
