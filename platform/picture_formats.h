// The picture file formats the program can read, by file extension: the registry that libraries add
// their picture formats to when they start (BMP and JPEG here; the GIF codec adds its own) and that a
// reader of picture files asks which decoder suits a file.
//
//   if (std::optional<PictureFormat> format = FindPictureFormat("jpg"))
//     Bitmap picture = format->decode(bytes.data(), bytes.size());
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace platform {

using PictureDecoder = Bitmap (*)(const uint8_t* data, size_t size);

struct PictureFormat {
  std::string extension;    // without the dot: "bmp"
  std::string description;  // "Bitmaps"
  PictureDecoder decode = nullptr;
};

// Adds a format, or replaces the one of the same extension (compared without regard to case).
void RegisterPictureFormat(const std::string& extension, const std::string& description, PictureDecoder decode);
void UnregisterPictureFormat(const std::string& extension);
// The format of an extension without its dot, compared without regard to case; none when absent.
std::optional<PictureFormat> FindPictureFormat(const std::string& extension);
// The registered formats as "extension=description", in the order of registration.
std::vector<std::string> PictureFormatEntries();

}  // namespace platform
