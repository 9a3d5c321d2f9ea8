// The GIF codec's one exception and its fixed English texts. Recoverable format problems are not
// raised: they go to the picture's warning event and reading goes on.
#pragma once

#include <cstdint>

#include "platform/exception.h"

namespace gif {

class GIFException : public platform::Exception {
 public:
  using Exception::Exception;
};

enum class TGIFSeverity { Info, Warning, Error };

// Memory budget: a hostile header can announce 65535 x 65535 pixels in a few bytes, so sizes are
// measured in 64 bits and refused before anything is allocated. One frame or the logical screen
// holds at most kMaxFramePixels. A picture holds at most kMaxPictureBytes in all: its frames with
// what they cache once drawn, the composed bitmap and the painters' work bitmaps; a few frames of
// nothing but a clear code would otherwise grow to gigabytes when animated.
inline constexpr int64_t kMaxFramePixels = int64_t(1) << 25;   // 32 Mpixel, e.g. 8192 x 4096
inline constexpr int64_t kMaxPictureBytes = int64_t(1) << 29;  // 512 MiB
// A frame's pixel: its index, the 8-bit bitmap, the mask with its row padding and the 32-bit copy
// drawn through the mask.
inline constexpr int64_t kFrameBytesPerPixel = 1 + 1 + 1 + 4;
// The composed bitmap and the painters' work bitmaps are 32 bits a pixel.
inline constexpr int64_t kBitmapBytesPerPixel = 4;
// A frame costs far more than its pixels (its object, maps, extensions, bitmaps): a file of many tiny
// frames is held to this many, so a few megabytes never take gigabytes.
inline constexpr int64_t kMaxFrames = 65536;

namespace texts {
// Reading
inline constexpr const char* kPrematureEnd = "Premature end of data";
inline constexpr const char* kInvalidSignature = "Invalid GIF signature";
inline constexpr const char* kInvalidColorCount = "Invalid number of colors specified in Screen Descriptor";
inline constexpr const char* kUnknownBlock = "Unknown GIF block type";
inline constexpr const char* kExceedsScreen = "Image exceeds Logical Screen size";
inline constexpr const char* kInvalidIntroducer = "Invalid extension introducer";
inline constexpr const char* kUnknownExtension = "Unknown extension type";
inline constexpr const char* kExtensionMismatch = "Internal error: Extension Instance does not match Extension Label";
inline constexpr const char* kAppBlockSize = "Unsupported Application Extension block size";
inline constexpr const char* kInvalidData = "Invalid GIF data";
inline constexpr const char* kInvalidTrailer = "Invalid Image trailer";
inline constexpr const char* kTooLarge = "Image is too large";
// Colour maps
inline constexpr const char* kColorTableOverflow = "Color table overflow";
inline constexpr const char* kInvalidColorIndex = "Invalid color index";
inline constexpr const char* kColorTableEmpty = "Color table is empty";
// Decoding and frames
inline constexpr const char* kBitBufferUnderrun = "Decoder bit buffer under-run";
inline constexpr const char* kCircularEntry = "Circular decoder table entry";
inline constexpr const char* kInvalidCode = "Invalid LZW code";
inline constexpr const char* kImageEmpty = "Image is empty";
inline constexpr const char* kInvalidPixel = "Invalid pixel coordinates";
// Picture
inline constexpr const char* kHeightTooSmall = "Image height too small for contained frames";
inline constexpr const char* kWidthTooSmall = "Image width too small for contained frames";
inline constexpr const char* kUnsupportedObject = "Object type not supported for operation";
inline constexpr const char* kNoColorTable = "No global or local color table defined";
// Writing, conversion and reduction
inline constexpr const char* kUnsupportedVersion = "Unsupported GIF version";
inline constexpr const char* kColorNotInTable = "Color not in color table";
inline constexpr const char* kInvalidReduction = "Invalid reduction method";
inline constexpr const char* kInvalidDimensions = "Invalid image dimensions";
inline constexpr const char* kDIBAllocation = "Failed to allocate memory for GIF DIB";
inline constexpr const char* kUnsupportedPixelFormat = "Unsupported PixelFormat";
inline constexpr const char* kNoDIB = "Image has no DIB";
inline constexpr const char* kInvalidStream = "Invalid stream operation";
inline constexpr const char* kClipboardStore = "Failed to store GIF on clipboard";
inline constexpr const char* kClipboardFormat = "Unsupported clipboard format";
// Progress
inline constexpr const char* kLoading = "Loading...";
inline constexpr const char* kSaving = "Saving...";
inline constexpr const char* kRendering = "Rendering...";
inline constexpr const char* kCopying = "Copying...";
inline constexpr const char* kOptimizing = "Optimizing...";
inline constexpr const char* kConverting = "Converting...";
}  // namespace texts

}  // namespace gif
