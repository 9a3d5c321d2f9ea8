#include "platform/dialogs.h"

namespace platform {

namespace {

class SilentDialogs : public Dialogs {
 public:
  Answer Message(const std::string&, const std::string&, MessageKind, Buttons buttons) override {
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Cancel;
  }
  std::string OpenFileName(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::string SaveFileName(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::string InputBox(const std::string&, const std::string&, const std::string& defaultValue) override {
    return defaultValue;
  }
  bool ShellOpen(const std::string&) override { return false; }
  int SendMail(const MailMessage&) override { return kMapiNotSupported; }
  uint64_t TickCount() override { return 0; }
};

Dialogs& Silent() {
  static SilentDialogs silent;
  return silent;
}

Dialogs*& Current() {
  static Dialogs* current = &Silent();
  return current;
}

std::string TakeFront(std::vector<std::string>& queue) {
  if (queue.empty()) return {};
  std::string front = queue.front();
  queue.erase(queue.begin());
  return front;
}

}  // namespace

Dialogs& CurrentDialogs() { return *Current(); }

void SetDialogs(Dialogs* dialogs) { Current() = dialogs ? dialogs : &Silent(); }

void ShowMessage(const std::string& text) {
  CurrentDialogs().Message(text, "", MessageKind::Information, Buttons::Ok);
}

Answer AskQuestion(const std::string& text, const std::string& caption, Buttons buttons) {
  return CurrentDialogs().Message(text, caption, MessageKind::Confirmation, buttons);
}

ScopedDialogs::ScopedDialogs(Dialogs* dialogs) : previous_(&CurrentDialogs()) { SetDialogs(dialogs); }
ScopedDialogs::~ScopedDialogs() { SetDialogs(previous_); }

Answer RecordingDialogs::Message(const std::string& text, const std::string& caption, MessageKind kind,
                                 Buttons buttons) {
  messages.push_back({text, caption, kind, buttons});
  if (answers.empty()) return Answer::Ok;
  Answer a = answers.front();
  answers.erase(answers.begin());
  return a;
}

std::string RecordingDialogs::OpenFileName(const std::string&, const std::string&, const std::string&) {
  return TakeFront(fileNames);
}

std::string RecordingDialogs::SaveFileName(const std::string&, const std::string&, const std::string&) {
  return TakeFront(fileNames);
}

bool RecordingDialogs::ShellOpen(const std::string& target) {
  opened.push_back(target);
  return true;
}

std::string RecordingDialogs::InputBox(const std::string& caption, const std::string& prompt,
                                       const std::string& defaultValue) {
  prompts.push_back(caption + "|" + prompt);
  return inputs.empty() ? defaultValue : TakeFront(inputs);
}

int RecordingDialogs::SendMail(const MailMessage& message) {
  mails.push_back(message);
  if (mailResults.empty()) return kMapiSuccess;
  const int result = mailResults.front();
  mailResults.erase(mailResults.begin());
  return result;
}

}  // namespace platform
