// Whole-file text helpers of the 3D library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scene3d {

// Replaces the file with the text's bytes; raises platform::FileError when it cannot be written.
void SaveStringToFile(const std::string& fileName, std::string_view text);
// The whole file; empty when there is no such file. Raises platform::FileError when it exists but
// cannot be read.
std::string LoadStringFromFile(const std::string& fileName);
// Its size in bytes; 0 when there is no such file.
uint64_t SizeOfFile(const std::string& fileName);

}  // namespace scene3d
