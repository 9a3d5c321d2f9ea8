// A message handed to the user's mail program, and the result codes the program's mailing speaks
// (those of Simple MAPI, which the mail layer of Windows returned).
#pragma once

#include <string>

namespace platform {

struct MailMessage {
  // One "to" recipient when the address is not empty; without one the mail program asks for it.
  std::string recipientAddress;
  std::string recipientName;
  std::string subject;
  // Lines ended by CR LF.
  std::string body;
  // The path of one file to attach, or empty.
  std::string attachment;
};

// Result codes of sending a mail.
enum MapiResult : int {
  kMapiSuccess = 0,
  kMapiUserAbort = 1,
  kMapiFailure = 2,
  kMapiLoginFailure = 3,
  kMapiDiskFull = 4,
  kMapiInsufficientMemory = 5,
  kMapiAccessDenied = 6,
  kMapiTooManySessions = 8,
  kMapiTooManyFiles = 9,
  kMapiTooManyRecipients = 10,
  kMapiAttachmentNotFound = 11,
  kMapiAttachmentOpenFailure = 12,
  kMapiAttachmentWriteFailure = 13,
  kMapiUnknownRecipient = 14,
  kMapiBadRecipType = 15,
  kMapiNoMessages = 16,
  kMapiInvalidMessage = 17,
  kMapiTextTooLarge = 18,
  kMapiInvalidSession = 19,
  kMapiTypeNotSupported = 20,
  kMapiAmbiguousRecipient = 21,
  kMapiMessageInUse = 22,
  kMapiNetworkFailure = 23,
  kMapiInvalidEditFields = 24,
  kMapiInvalidRecips = 25,
  kMapiNotSupported = 26,
};

// The name of a failed result ("MAPI_USER_ABORT", ...); "UNKNOWN ERROR. CODE = n" for a code without
// one (7 among them).
std::string MapiResultName(int code);

}  // namespace platform
