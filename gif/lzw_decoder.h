// The variable-length-code LZW of GIF image data, decoded straight into a frame's pixel array.
#pragma once

#include <cstdint>

#include "gif/gif_item.h"
#include "platform/binary_stream.h"

namespace gif {

// Decodes one frame's image data, from the initial code size byte to the zero-length terminator
// (always consumed, however the codes end), into `pixels` of width x height bytes, rows in file
// order or in the four interlace passes. Pixels the data does not reach keep their value.
//
// Shortfalls only warn through `warn` ("Premature end of data", "Decoder bit buffer under-run",
// "Invalid LZW code" for a code past the next free one, after which the frame stops); a table
// chain longer than the table raises "Circular decoder table entry".
void DecodeLZW(platform::ByteReader& stream, uint8_t* pixels, int width, int height, bool interlaced,
               const TGIFItem& warn);

}  // namespace gif
