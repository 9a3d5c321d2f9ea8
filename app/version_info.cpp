#include "app/version_info.h"

#ifndef VELKORA_PRODUCT_NAME
#define VELKORA_PRODUCT_NAME "Velkora"
#endif
#ifndef VELKORA_VERSION
#define VELKORA_VERSION ""
#endif

namespace app {

std::string VersionInfo(std::string_view name) {
  if (name == "ProductName") return VELKORA_PRODUCT_NAME;
  if (name == "FileVersion" || name == "ProductVersion") return VELKORA_VERSION;
  return {};
}

std::string VersionCaption() {
  return VersionInfo("ProductName") + " v" + VersionInfo("FileVersion").substr(0, 4);
}

}  // namespace app
