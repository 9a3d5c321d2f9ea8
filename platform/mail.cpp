#include "platform/mail.h"

#include <array>

namespace platform {

std::string MapiResultName(int code) {
  // Indexed by code; code 7 never had a name.
  static constexpr std::array<const char*, 27> kNames = {
      "SUCCESS_SUCCESS",
      "MAPI_USER_ABORT",
      "MAPI_E_FAILURE",
      "MAPI_E_LOGIN_FAILURE",
      "MAPI_E_DISK_FULL",
      "MAPI_E_INSUFFICIENT_MEMORY",
      "MAPI_E_ACCESS_DENIED",
      nullptr,
      "MAPI_E_TOO_MANY_SESSIONS",
      "MAPI_E_TOO_MANY_FILES",
      "MAPI_E_TOO_MANY_RECIPIENTS",
      "MAPI_E_ATTACHMENT_NOT_FOUND",
      "MAPI_E_ATTACHMENT_OPEN_FAILURE",
      "MAPI_E_ATTACHMENT_WRITE_FAILURE",
      "MAPI_E_UNKNOWN_RECIPIENT",
      "MAPI_E_BAD_RECIPTYPE",
      "MAPI_E_NO_MESSAGES",
      "MAPI_E_INVALID_MESSAGE",
      "MAPI_E_TEXT_TOO_LARGE",
      "MAPI_E_INVALID_SESSION",
      "MAPI_E_TYPE_NOT_SUPPORTED",
      "MAPI_E_AMBIGUOUS_RECIPIENT",
      "MAPI_E_MESSAGE_IN_USE",
      "MAPI_E_NETWORK_FAILURE",
      "MAPI_E_INVALID_EDITFIELDS",
      "MAPI_E_INVALID_RECIPS",
      "MAPI_E_NOT_SUPPORTED",
  };
  if (code >= 0 && code < static_cast<int>(kNames.size()) && kNames[static_cast<size_t>(code)])
    return kNames[static_cast<size_t>(code)];
  return "UNKNOWN ERROR. CODE = " + std::to_string(code);
}

}  // namespace platform
