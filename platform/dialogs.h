// The program's conversations with the user and the desktop (message boxes, file dialogs, shell,
// mail, clock) go through these small interfaces, so tests can script them and see what was shown.
// The running program installs the Qt implementations; a test installs its own with ScopedDialogs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mail.h"

namespace platform {

enum class MessageKind { Information, Warning, Error, Confirmation };
// SaveDiscardCancel answers Yes for Save and No for Discard.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, SaveDiscardCancel };
enum class Answer { Ok, Cancel, Yes, No };

// A file dialog as the program asks for one. The filter is in the Windows form the program's texts
// use: description and patterns alternating, separated by "|", patterns by ";"
// ("Image files (*.bmp,*.jpg)|*.BMP;*.JPG|Velkora files (*.qvx)|*.QVX"). Filter indexes count from 1.
struct FileDialogRequest {
  std::string caption;
  std::string initialPath;  // a folder, a folder and a file name, or a bare file name
  std::string filter;
  int filterIndex = 1;
};

// The user's choice: an empty path when the dialog was cancelled.
struct FileChoice {
  std::string path;
  int filterIndex = 0;  // the filter chosen, from 1
};

struct FileFilter {
  std::string description;
  std::vector<std::string> patterns;
};

// The filters of a Windows filter text; a description without patterns is dropped.
std::vector<FileFilter> ParseWindowsFilter(const std::string& filter);
// The same filters in Qt's form, "Description (*.A *.a);;...": each pattern also in lower case (file
// names on this system are case-sensitive), "*.*" as "*".
std::string QtFilterFromWindows(const std::string& filter);
// The 1-based index of the first filter with a pattern matching the file name of `path` (ASCII case
// ignored); 0 when none does.
int MatchingFilterIndex(const std::string& filter, const std::string& path);

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal message box; returns the button pressed.
  virtual Answer Message(const std::string& text, const std::string& caption, MessageKind kind,
                         Buttons buttons) = 0;
  // File dialogs; empty string when the user cancels. `filter` is "Text (*.ext);;..." in Qt's form.
  virtual std::string OpenFileName(const std::string& caption, const std::string& dir,
                                   const std::string& filter) = 0;
  virtual std::string SaveFileName(const std::string& caption, const std::string& dir,
                                   const std::string& filter) = 0;
  // File dialogs with a Windows filter, returning the filter chosen. The save dialog neither adds a
  // suffix nor asks before overwriting: the program does both once it knows the filter. By default
  // they go through OpenFileName and SaveFileName and the chosen filter is the one the name matches.
  virtual FileChoice OpenFile(const FileDialogRequest& request);
  virtual FileChoice SaveFile(const FileDialogRequest& request);
  // A one-line input box; `defaultValue` comes back when the user cancels.
  virtual std::string InputBox(const std::string& caption, const std::string& prompt,
                               const std::string& defaultValue) = 0;
  // The colour dialog, opened at `colour` (a TColor, 0x00BBGGRR); true when the user chose one, which
  // is then in `colour`. Cancelled unless an implementation shows it.
  virtual bool ColorDialog(const std::string& caption, uint32_t& colour);
  // Opens a document or web address in its application; false when nothing could open it.
  virtual bool ShellOpen(const std::string& target) = 0;
  // Hands a message to the user's mail program, which shows it for editing before it goes; returns a
  // MapiResult (kMapiSuccess, kMapiUserAbort when the user cancelled, ...).
  virtual int SendMail(const MailMessage& message) = 0;
  // Milliseconds since an arbitrary start.
  virtual uint64_t TickCount() = 0;
};

// The current implementation (never null once the program or a test has installed one; before that
// a silent default answers Ok/Cancel and records nothing).
Dialogs& CurrentDialogs();
void SetDialogs(Dialogs* dialogs);

// The caption a message box shows: `caption` where the caller gives one; else one rule for every box,
// from the language file: a box that asks (more than an OK button) "Confirm", any other its kind's word
// ("Error", "Warning", "Information").
std::string MessageCaption(const std::string& caption, MessageKind kind, Buttons buttons);

// Shorthands used throughout the program.
void ShowMessage(const std::string& text);
Answer AskQuestion(const std::string& text, const std::string& caption, Buttons buttons = Buttons::YesNo);

// Installs `dialogs` for the lifetime of the object and restores the previous one after.
class ScopedDialogs {
 public:
  explicit ScopedDialogs(Dialogs* dialogs);
  ~ScopedDialogs();
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;

 private:
  Dialogs* previous_;
};

// A scripted implementation for tests: records every message and answers from a queue
// (Ok when the queue is empty).
class RecordingDialogs : public Dialogs {
 public:
  struct Shown {
    std::string text;
    std::string caption;  // as the box shows it (MessageCaption)
    MessageKind kind;
    Buttons buttons;
  };
  std::vector<Shown> messages;
  std::vector<Answer> answers;             // taken from the front
  std::vector<std::string> fileNames;      // taken from the front by the file dialogs
  std::vector<int> filterIndexes;          // taken from the front by OpenFile and SaveFile
  std::vector<FileDialogRequest> fileRequests;  // what OpenFile and SaveFile were asked
  std::vector<std::string> inputs;         // taken from the front by InputBox (the default when empty)
  std::vector<std::string> prompts;        // InputBox captions and prompts, "caption|prompt"
  std::vector<std::string> colorCaptions;  // the colour dialogs shown
  std::vector<uint32_t> colors;            // taken from the front by ColorDialog (cancelled when empty)
  std::vector<std::string> opened;         // ShellOpen targets
  std::vector<MailMessage> mails;          // SendMail messages
  std::vector<int> mailResults;            // taken from the front by SendMail (kMapiSuccess when empty)
  uint64_t now = 0;

  Answer Message(const std::string& text, const std::string& caption, MessageKind kind, Buttons buttons) override;
  std::string OpenFileName(const std::string&, const std::string&, const std::string&) override;
  std::string SaveFileName(const std::string&, const std::string&, const std::string&) override;
  // Record the request, take the name through OpenFileName or SaveFileName, and the filter index from
  // filterIndexes (else the one the name matches, else the request's).
  FileChoice OpenFile(const FileDialogRequest& request) override;
  FileChoice SaveFile(const FileDialogRequest& request) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultValue) override;
  bool ColorDialog(const std::string& caption, uint32_t& colour) override;
  bool ShellOpen(const std::string& target) override;
  int SendMail(const MailMessage& message) override;
  uint64_t TickCount() override { return now; }
};

}  // namespace platform
