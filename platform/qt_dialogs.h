// The running program's conversations with the user through Qt: message boxes, file dialogs, the
// desktop's handlers for documents and addresses, the mail program and a steady clock. main() installs
// one QtDialogs with SetDialogs; tests keep their RecordingDialogs.
//
// GuardedApplication is the program's QApplication: an exception never leaves a Qt event handler,
// one guard shows its message in an error box through CurrentDialogs() instead and the program goes on.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <exception>
#include <stdexcept>
#include <string>

#include "platform/dialogs.h"

namespace platform {

class QtDialogs : public Dialogs {
 public:
  QtDialogs();

  // The caption is MessageCaption's: the one rule for every box, from the language file.
  Answer Message(const std::string& text, const std::string& caption, MessageKind kind,
                 Buttons buttons) override;
  std::string OpenFileName(const std::string& caption, const std::string& dir,
                           const std::string& filter) override;
  std::string SaveFileName(const std::string& caption, const std::string& dir,
                           const std::string& filter) override;
  // The filter the user chose in the dialog; the save dialog leaves suffix and overwrite question to
  // the program.
  FileChoice OpenFile(const FileDialogRequest& request) override;
  FileChoice SaveFile(const FileDialogRequest& request) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultValue) override;
  bool ColorDialog(const std::string& caption, uint32_t& colour) override;
  // A path of an existing file or folder opens in its application; anything else is taken as an address.
  bool ShellOpen(const std::string& target) override;
  // The desktop's mail composer through xdg-email, which opens the message, attachment included, for
  // the user to edit and send.
  int SendMail(const MailMessage& message) override;
  uint64_t TickCount() override;

 private:
  QElapsedTimer clock_;
};

// The arguments of xdg-email for a message. Empty texts are left out (xdg-email refuses them), lines
// end in LF, and only the recipient's address is passed: a mailto: link carries no display name.
QStringList XdgEmailArguments(const MailMessage& message);
// The result of a finished xdg-email run, by its exit code.
int XdgEmailResult(int exitCode);

// The text shown for an exception that reached the event loop.
std::string ExceptionText(const std::exception& error);

// Shows `error` in an error box through CurrentDialogs().
void ShowException(const std::exception& error);

// Runs `action` and shows any exception it raises instead of letting it go on; true when it ran through.
template <class F>
bool RunGuarded(F&& action) {
  try {
    action();
    return true;
  } catch (const std::exception& error) {
    ShowException(error);
  } catch (...) {
    ShowException(std::runtime_error(""));
  }
  return false;
}

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace platform
