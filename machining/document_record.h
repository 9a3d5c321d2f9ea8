// The document file of a job (".qvx"): the working bitmap as a BMP file, then the 492-byte record of
// the job's parameters, read and written field by field, little-endian, padding and unused text bytes
// zero.
//
//   offset  size  field
//        0     4  image width (single)          4  4  image height
//        8     1  always 1                      9  3  padding
//       12     4  reference point X            16  4  reference point Y
//       20     4  white depth                  24  4  black depth
//       28   261  NC file path, zero-terminated (at most 260 bytes)
//      289    83  post-processor name, zero-terminated (at most 82 bytes; read back as 80)
//      372    92  the current tool (tool_record.h)
//      464     4  feed plane                  468  4  maximum stepover
//      472     4  stock to leave              476  4  filter tolerance
//      480     4  depth cuts (int32)          484  4  Z step
//      488     1  machining at 0 degrees      489  1  machining at 90 degrees
//      490     2  padding
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "machining/tool_record.h"
#include "platform/atomic_file.h"
#include "platform/binary_stream.h"
#include "platform/bitmap.h"
#include "platform/exception.h"

namespace machining {

inline constexpr size_t kDocumentRecordSize = 492;
inline constexpr size_t kNcPathField = 261;
inline constexpr size_t kNcPathMax = kNcPathField - 1;
inline constexpr size_t kPostNameField = 83;
inline constexpr size_t kPostNameMax = kPostNameField - 1;
inline constexpr size_t kPostNameReadMax = 80;
inline constexpr int kMaxDepthCuts = 255;

// A document that is damaged or no document: the text says what is wrong.
class DocumentError : public platform::FormatError {
 public:
  using FormatError::FormatError;
};

struct TDocumentRecord {
  float width = 0.0f;
  float height = 0.0f;
  float referenceX = 0.0f;  // as the reference fields show it (the origin with its sign changed)
  float referenceY = 0.0f;
  float zWhite = 0.0f;
  float zBlack = 0.0f;
  std::string ncPath;    // UTF-8
  std::string postName;  // UTF-8
  TToolRecord tool;
  float feedPlane = 0.0f;
  float maxStepover = 0.0f;
  float stockToLeave = 0.0f;
  float filter = 0.0f;
  int32_t depthCuts = 1;
  float zStep = 0.0f;
  bool rows0 = true;
  bool rows90 = false;

  bool operator==(const TDocumentRecord&) const = default;
};

// The longest start of `text` of at most `maxBytes` bytes that ends on a whole UTF-8 character.
std::string CutUtf8(const std::string& text, size_t maxBytes);

// Writes exactly 492 bytes. The post-processor name is cut to 82 bytes (on a character boundary); an
// NC path longer than 260 bytes is refused with DocumentError (the caller decides what to store).
void WriteDocumentRecord(platform::ByteWriter& out, const TDocumentRecord& record);
platform::Bytes DocumentRecordBytes(const TDocumentRecord& record);

// Reads the record at the reader's position and checks it: 492 bytes present, both texts ended inside
// their fields, every number finite, the sizes above 0, tool type 0-6 and 1-255 depth cuts. The
// post-processor name is taken as at most its first 80 bytes. DocumentError says what is wrong.
TDocumentRecord ReadDocumentRecord(platform::ByteReader& in);

// Raises DocumentError with the reader's own words when ReadDocumentRecord would refuse the record
// once written: Save checks with it before it writes, so no document is saved that Open refuses.
void CheckDocumentRecord(const TDocumentRecord& record);

struct Document {
  platform::Bitmap bitmap;
  TDocumentRecord record;
};

// A whole document file: its BMP part (the file header's length field must lie between 54 and the
// file's size less 492) and the record at that length. DocumentError (or the BMP reader's
// FormatError) says what is wrong; nothing is taken from a damaged file.
Document ParseDocument(const uint8_t* data, size_t size);
inline Document ParseDocument(const platform::Bytes& file) { return ParseDocument(file.data(), file.size()); }
// The bytes of a document: the bitmap as BMP, then the record.
platform::Bytes DocumentBytes(const platform::Bitmap& bitmap, const TDocumentRecord& record);
// Writes those bytes to `path` through a temporary (an earlier file stays whole when it fails), the
// picture row by row rather than made whole in memory first, telling `progress` how far it has come.
// A field the record cannot take (DocumentError) or an empty picture refuses it before a file is made.
void WriteDocumentFile(const std::string& path, const platform::Bitmap& bitmap, const TDocumentRecord& record,
                       const platform::SaveProgress& progress = {});

}  // namespace machining
