#include "app/submit_language_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

#include "lang/lang.h"
#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/mail.h"
#include "platform/qt_dialogs.h"

namespace app {

namespace {

constexpr int kLeft = 10;
constexpr int kFieldLeft = 110;
constexpr int kFieldWidth = 250;
constexpr int kRow = 28;
constexpr int kRowHeight = 22;

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

// The memo's lines as a list of lines has them: a final line break starts no further line.
QStringList MemoLines(const QPlainTextEdit* memo) {
  QString text = memo->toPlainText();
  if (text.isEmpty()) return {};
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return text.split(QLatin1Char('\n'));
}

}  // namespace

void SendMail(const std::string& attachmentPath, const std::string& body, const std::string& subject,
              const std::string& recipientAddress, const std::string& recipientName) {
  platform::MailMessage message;
  if (!recipientAddress.empty()) {
    message.recipientAddress = recipientAddress;
    message.recipientName = recipientName;
  }
  message.subject = subject;
  message.body = body;
  message.attachment = attachmentPath;
  const int result = platform::CurrentDialogs().SendMail(message);
  if (result != platform::kMapiSuccess) throw platform::Exception(platform::MapiResultName(result));
}

TfrmSubmitLng::TfrmSubmitLng(QWidget* parent) : platform::DialogForm("frmSubmitLng", parent) {
  setWindowTitle(QStringLiteral("Submit your language"));
  setAttribute(Qt::WA_QuitOnClose, false);
  int y = 10;
  auto field = [&](const char* labelName, const char* text, const char* name) {
    Add(new QLabel(QString::fromUtf8(text), this), labelName)->setGeometry(kLeft, y, kFieldLeft - kLeft - 4, kRowHeight);
    auto* edit = Add(new QLineEdit(this), name);
    edit->setGeometry(kFieldLeft, y, kFieldWidth, kRowHeight);
    y += kRow;
    return edit;
  };
  txtLngName_ = field("lblLngName", "Language", "txtLngName");
  txtName_ = field("lblName", "Your name", "txtName");
  txtEmail_ = field("lblEmail", "Your e-mail", "txtEmail");
  Add(new QLabel(QStringLiteral("Note"), this), "lblNote")->setGeometry(kLeft, y, kFieldLeft - kLeft - 4, kRowHeight);
  memNote_ = Add(new QPlainTextEdit(this), "memNote");
  memNote_->setGeometry(kFieldLeft, y, kFieldWidth, 110);
  y += 110 + 8;
  chkAutName_ = Add(new QCheckBox(QStringLiteral("I autorize to publish my name"), this), "chkAutName");
  chkAutName_->setGeometry(kFieldLeft, y, kFieldWidth, kRowHeight);
  y += kRow - 4;
  chkAutEmail_ = Add(new QCheckBox(QStringLiteral("I autorize to publish my email"), this), "chkAutEmail");
  chkAutEmail_->setGeometry(kFieldLeft, y, kFieldWidth, kRowHeight);
  y += kRow + 4;
  auto* send = Add(new QPushButton(QStringLiteral("Send..."), this), "SpeedButton1");
  send->setGeometry(kFieldLeft + kFieldWidth - 100, y, 100, 28);
  send->setAutoDefault(false);
  setFixedSize(kFieldLeft + kFieldWidth + kLeft, y + 28 + 10);
  connect(send, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { SpeedButton1Click(); }); });
}

void TfrmSubmitLng::SetLanguage(const std::string& name, const std::string& filePath) {
  txtLngName_->setText(QString::fromStdString(name));
  attachmentPath_ = filePath;
}

void TfrmSubmitLng::showEvent(QShowEvent* event) {
  FormShow();
  platform::DialogForm::showEvent(event);
}

void TfrmSubmitLng::FormShow() {
  lang::TranslateForms({this});
  memNote_->clear();
  txtName_->clear();
  txtEmail_->clear();
  chkAutName_->setChecked(true);
  chkAutEmail_->setChecked(true);
}

void TfrmSubmitLng::SpeedButton1Click() {
  const std::string language = Text(txtLngName_);
  std::string body;
  auto line = [&body](const std::string& text) { body.append(text).append("\r\n"); };
  line("Language:");
  line(language);
  line("");
  line("Name:");
  line(Text(txtName_));
  line(chkAutName_->isChecked() ? "I authorize to publish my name" : "I don't authorize to publish my name");
  line("");
  line("Email:");
  line(Text(txtEmail_));
  line(chkAutEmail_->isChecked() ? "I authorize to publish my email" : "I don't authorize to publish my email");
  line("");
  line("Language Note:");
  for (const QString& note : MemoLines(memNote_)) line(note.toStdString());
  body.append("\r\n");
  SendMail(attachmentPath_, body, "New Velkora language traslation (" + language + ")", kSupportMailAddress,
           kSupportMailName);
  accept();
}

}  // namespace app
