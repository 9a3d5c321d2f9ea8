#include "platform/picture_formats.h"

#include <algorithm>

#include "platform/bmp.h"
#include "platform/jpeg.h"
#include "platform/numbers.h"

namespace platform {

namespace {

Bitmap DecodeBmpPicture(const uint8_t* data, size_t size) { return DecodeBmp(data, size); }
Bitmap DecodeJpegPicture(const uint8_t* data, size_t size) { return DecodeJpeg(data, size); }

// The platform's own formats are there from the first question on.
std::vector<PictureFormat>& Formats() {
  static std::vector<PictureFormat> formats = {
      {"bmp", "Bitmaps", &DecodeBmpPicture},
      {"jpg", "JPEG Image File", &DecodeJpegPicture},
      {"jpeg", "JPEG Image File", &DecodeJpegPicture},
  };
  return formats;
}

std::vector<PictureFormat>::iterator Find(const std::string& extension) {
  return std::find_if(Formats().begin(), Formats().end(),
                      [&](const PictureFormat& format) { return EqualsNoCase(format.extension, extension); });
}

}  // namespace

void RegisterPictureFormat(const std::string& extension, const std::string& description, PictureDecoder decode) {
  auto found = Find(extension);
  if (found != Formats().end()) {
    *found = {extension, description, decode};
    return;
  }
  Formats().push_back({extension, description, decode});
}

void UnregisterPictureFormat(const std::string& extension) {
  auto found = Find(extension);
  if (found != Formats().end()) Formats().erase(found);
}

std::optional<PictureFormat> FindPictureFormat(const std::string& extension) {
  auto found = Find(extension);
  if (found == Formats().end()) return std::nullopt;
  return *found;
}

std::vector<std::string> PictureFormatEntries() {
  std::vector<std::string> entries;
  for (const PictureFormat& format : Formats()) entries.push_back(format.extension + "=" + format.description);
  return entries;
}

}  // namespace platform
