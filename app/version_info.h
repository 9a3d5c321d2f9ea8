// The program file's version information, which Windows kept in a resource: here it comes from the
// build (CMake's project name and version).
#pragma once

#include <string>
#include <string_view>

namespace app {

// "ProductName" and "FileVersion" (also "ProductVersion"); an empty text for any other name, as for an
// entry the resource lacks.
std::string VersionInfo(std::string_view name);

// The main window's caption: the product name, " v" and the first four characters of the file
// version (all of it when shorter).
std::string VersionCaption();

}  // namespace app
