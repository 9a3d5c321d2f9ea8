// The mailing form "frmSubmitLng": the user's name, e-mail and a note go with a language file to the
// maker through the user's mail program. The language list fills in the language and the file and shows
// the form modally; Send builds the message and closes the form, or shows why the mail failed and
// stays open.
#pragma once

#include <string>

#include "platform/form.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace app {

// Where translations go.
inline constexpr const char* kSupportMailAddress = "support@velkora.example";
inline constexpr const char* kSupportMailName = "Velkora, Software Tools";

// Hands the message to the mail program; any result but success raises platform::Exception whose text
// is the result's name ("MAPI_USER_ABORT", "UNKNOWN ERROR. CODE = 7", ...). An empty address sends to
// no one (the mail program asks), an empty attachment path attaches nothing.
void SendMail(const std::string& attachmentPath, const std::string& body, const std::string& subject,
              const std::string& recipientAddress, const std::string& recipientName);

class TfrmSubmitLng : public platform::DialogForm {
  Q_OBJECT

 public:
  explicit TfrmSubmitLng(QWidget* parent = nullptr);

  // The language to send and its file; the list window sets them before showing the form.
  void SetLanguage(const std::string& name, const std::string& filePath);
  const std::string& AttachmentPath() const { return attachmentPath_; }

  void FormShow();
  void SpeedButton1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* txtLngName_ = nullptr;
  QLineEdit* txtName_ = nullptr;
  QLineEdit* txtEmail_ = nullptr;
  QPlainTextEdit* memNote_ = nullptr;
  QCheckBox* chkAutName_ = nullptr;
  QCheckBox* chkAutEmail_ = nullptr;
  std::string attachmentPath_;
};

}  // namespace app
