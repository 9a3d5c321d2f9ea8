// Small routines on image files and on the working bitmap: the BMP header fields and file length,
// the JPEG density, the relief's size from the pixel count and resolution, the grey conversion and
// the pixel-exact flips, quarter turn and crop of the image pages.
#pragma once

#include <cstdint>
#include <string>

#include "machining/relief_model.h"
#include "platform/binary_stream.h"
#include "platform/bitmap.h"

namespace machining {

struct BmpInfo {
  int bitsPerPixel = 0;
  bool compressed = false;
  int dpiX = 0;
  int dpiY = 0;
};

// The BMP header fields, as the BMP reader parses the file's headers (whichever header kind): bit
// count, compression and the resolution rounded to dots per inch (0 for an OS/2 header, which has
// none). FormatError when the bytes are no BMP or headers the reader refuses; FileError when the
// file cannot be read.
BmpInfo ReadBmpInfo(const std::string& file);
BmpInfo ReadBmpInfo(const platform::Bytes& bytes);

// The file-length field of a BMP file's header: where a document's record starts.
int32_t ReadBmpFileLength(const std::string& file);
int32_t ReadBmpFileLength(const platform::Bytes& bytes);

// The JFIF density of a JPEG file as dots per inch, looked for in the first 50 bytes. Returns false
// and leaves both values unchanged when there is no JFIF marker there or it gives no density in
// inches or centimetres.
bool ReadJpegDensity(const std::string& file, int& dpiX, int& dpiY);
bool ReadJpegDensity(const platform::Bytes& bytes, int& dpiX, int& dpiY);

// Columns and rows from the bitmap; width and height from the resolution in dots per inch (in
// millimetres unless `inches`), or one drawing unit a pixel when the resolution is not positive;
// units per pixel = width / (columns - 1). Refuses pictures below 2 x 2 pixels before changing
// anything.
void SetReliefSizeFromBitmap(ReliefModel& model, const platform::Bitmap& bitmap, int resolutionDpi, bool inches);

// Makes the bitmap 8 bits per pixel of the given size with a 256-entry grey palette, entry i the grey
// (i, i, i); with `flat`, entries 0..249 are grey 200. The pixels are first reduced to their grey
// levels (index i = grey i), so the grey conversion keeps the picture's own greys.
void MakeGreyPaletteBitmap(platform::Bitmap& bitmap, int height, int width, bool flat);

// Makes the bitmap 8 bits per pixel, index i being grey level i, and returns the depth text for the
// image information ("8 bit").
std::string MakeEightBit(platform::Bitmap& bitmap);

// Mirror top-bottom, mirror left-right, a counter-clockwise quarter turn (the old right column becomes
// the top row), and a crop of the rectangle at (x, y) of width x height pixels into `target`.
// 1- and 4-bit bitmaps are refused (their pixels are not whole bytes), as are crop rectangles not
// wholly inside the source, with platform::BitmapError.
void FlipVertical(platform::Bitmap& bitmap);
void FlipHorizontal(platform::Bitmap& bitmap);
void Rotate90(platform::Bitmap& bitmap);
void CropBitmap(const platform::Bitmap& source, platform::Bitmap& target, int x, int y, int width, int height);

}  // namespace machining
