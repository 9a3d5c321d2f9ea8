#include "platform/dialogs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/numbers.h"
#include "platform/texts.h"

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

template <class T>
T TakeFront(std::vector<T>& queue) {
  if (queue.empty()) return {};
  T front = queue.front();
  queue.erase(queue.begin());
  return front;
}


std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.push_back(Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start)));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// A file-name pattern with '*' and '?', ASCII case ignored.
bool Matches(const char* pattern, const char* name) {
  if (*pattern == 0) return *name == 0;
  if (*pattern == '*') return Matches(pattern + 1, name) || (*name != 0 && Matches(pattern, name + 1));
  if (*name == 0) return false;
  const bool same = *pattern == '?' || std::tolower(static_cast<unsigned char>(*pattern)) ==
                                           std::tolower(static_cast<unsigned char>(*name));
  return same && Matches(pattern + 1, name + 1);
}

}  // namespace

std::vector<FileFilter> ParseWindowsFilter(const std::string& filter) {
  const std::vector<std::string> parts = Split(filter, '|');
  std::vector<FileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    FileFilter f{parts[i], {}};
    for (const std::string& pattern : Split(parts[i + 1], ';'))
      if (!pattern.empty()) f.patterns.push_back(pattern);
    if (!f.patterns.empty()) filters.push_back(std::move(f));
  }
  return filters;
}

std::string QtFilterFromWindows(const std::string& filter) {
  std::string qt;
  for (const FileFilter& f : ParseWindowsFilter(filter)) {
    std::vector<std::string> patterns;
    auto add = [&](const std::string& pattern) {
      const std::string p = pattern == "*.*" ? "*" : pattern;
      if (std::find(patterns.begin(), patterns.end(), p) == patterns.end()) patterns.push_back(p);
    };
    // Lower case first: a save dialog gives a typed or proposed name the first pattern's suffix, and
    // the files we write end in lower case (job.qvx, not a second file job.QVX beside it).
    for (const std::string& p : f.patterns) add(ToLowerAscii(p));
    for (const std::string& p : f.patterns) add(p);
    if (!qt.empty()) qt += ";;";
    qt += f.description + " (";
    for (size_t i = 0; i < patterns.size(); ++i) qt += (i ? " " : "") + patterns[i];
    qt += ")";
  }
  return qt;
}

int MatchingFilterIndex(const std::string& filter, const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  const std::vector<FileFilter> filters = ParseWindowsFilter(filter);
  for (size_t i = 0; i < filters.size(); ++i)
    for (const std::string& pattern : filters[i].patterns)
      if (pattern == "*.*" || Matches(pattern.c_str(), name.c_str())) return static_cast<int>(i) + 1;
  return 0;
}

FileChoice Dialogs::OpenFile(const FileDialogRequest& request) {
  FileChoice choice{OpenFileName(request.caption, request.initialPath, QtFilterFromWindows(request.filter)), 0};
  if (!choice.path.empty()) choice.filterIndex = std::max(1, MatchingFilterIndex(request.filter, choice.path));
  return choice;
}

FileChoice Dialogs::SaveFile(const FileDialogRequest& request) {
  FileChoice choice{SaveFileName(request.caption, request.initialPath, QtFilterFromWindows(request.filter)), 0};
  if (!choice.path.empty()) {
    const int matching = MatchingFilterIndex(request.filter, choice.path);
    choice.filterIndex = matching ? matching : request.filterIndex;
  }
  return choice;
}

Dialogs& CurrentDialogs() { return *Current(); }

void SetDialogs(Dialogs* dialogs) { Current() = dialogs ? dialogs : &Silent(); }

std::string MessageCaption(const std::string& caption, MessageKind kind, Buttons buttons) {
  if (!caption.empty()) return caption;
  if (buttons != Buttons::Ok || kind == MessageKind::Confirmation) return Text("450", "Confirm");
  switch (kind) {
    case MessageKind::Error: return Text("1720", "Error");
    case MessageKind::Warning: return Text("1721", "Warning");
    default: return Text("1722", "Information");
  }
}

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
  messages.push_back({text, MessageCaption(caption, kind, buttons), kind, buttons});
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

namespace {
FileChoice Scripted(FileChoice choice, std::vector<int>& indexes) {
  if (!indexes.empty()) {
    if (!choice.path.empty()) choice.filterIndex = indexes.front();
    indexes.erase(indexes.begin());
  }
  return choice;
}
}  // namespace

FileChoice RecordingDialogs::OpenFile(const FileDialogRequest& request) {
  fileRequests.push_back(request);
  return Scripted(Dialogs::OpenFile(request), filterIndexes);
}

FileChoice RecordingDialogs::SaveFile(const FileDialogRequest& request) {
  fileRequests.push_back(request);
  return Scripted(Dialogs::SaveFile(request), filterIndexes);
}

bool Dialogs::ColorDialog(const std::string&, uint32_t&) { return false; }

bool RecordingDialogs::ColorDialog(const std::string& caption, uint32_t& colour) {
  colorCaptions.push_back(caption);
  if (colors.empty()) return false;
  colour = TakeFront(colors);
  return true;
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
