// libFuzzer target: ".qvx" documents (the BMP part and the job's record) as Open reads them; a
// document that reads is written back and must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "machining/document_record.h"
#include "platform/exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  machining::Document document;
  try {
    document = machining::ParseDocument(data, size);
  } catch (const platform::Exception&) {
    return 0;
  }
  // What Open accepts, Save must accept and Open must read again unchanged.
  machining::CheckDocumentRecord(document.record);
  const platform::Bytes bytes = machining::DocumentBytes(document.bitmap, document.record);
  const machining::Document again = machining::ParseDocument(bytes.data(), bytes.size());
  if (!(again.record == document.record)) std::abort();
  return 0;
}
