#include "scene3d/rendering_log.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/numbers.h"

namespace scene3d {

namespace {

constexpr std::array<const char*, 5> kModeTexts = {"no timestamp mode.", "date only mode.", "time only mode.",
                                                    "date and time mode.", "elapsed time mode."};
constexpr std::array<const char*, 6> kLevelNames = {"debug info", "info", "notices", "warnings", "errors", "fatal errors"};
// What the last line of a level that reached its limit says of the ones that follow.
constexpr std::array<const char*, 6> kLimitNouns = {"debug lines", "info lines", "notices", "warnings", "errors",
                                                    "fatal errors"};

TLogSession*& Current() {
  static TLogSession* session = nullptr;
  return session;
}

bool AppendToFile(const std::string& fileName, const std::string& line) {
  std::FILE* file = std::fopen(fileName.c_str(), "ab");
  if (!file) return false;
  bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
  return std::fclose(file) == 0 && written;
}

// The user's short date or time (strftime's %x and %X under the user's locale).
std::string LocalTimeText(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[128];
  size_t n = std::strftime(text, sizeof text, format, &local);
  return std::string(text, n);
}

}  // namespace

TLogSession::TLogSession(const std::string& fileName, TLogLevels levels, TLogTimeStampMode timeStampMode,
                         TickSource ticks)
    : timeStampMode_(timeStampMode <= lsmElapsed ? timeStampMode : lsmNoTimestamp),
      ticks_(ticks ? std::move(ticks) : TickSource(platform::TickCount64)) {
  for (size_t i = 0; i < levelNames_.size(); ++i) levelNames_[i] = kLevelNames[i];
  std::filesystem::path path(fileName);
  if (!path.has_parent_path()) {
    std::error_code ec;
    path = std::filesystem::current_path(ec) / path;
  }
  fileName_ = path.string();
  std::FILE* file = std::fopen(fileName_.c_str(), "wb");
  bool created = file != nullptr;
  if (file) created = std::fclose(file) == 0;
  startTick_ = ticks_();
  SetEnabledLevels(created ? levels : llNone);
  WriteNotice(std::string("Log subsystem started in ") + kModeTexts[timeStampMode_]);
  counts_.fill(0);
}

TLogSession::~TLogSession() {
  WriteInfo("Logged fatal errors: " + platform::FormatInt(counts_[lkFatalError]) +
            ", errors: " + platform::FormatInt(counts_[lkError]) + ", warnings: " + platform::FormatInt(counts_[lkWarning]) +
            ", titles: " + platform::FormatInt(counts_[lkNotice]) + ", infos: " + platform::FormatInt(counts_[lkInfo]) +
            ", debug info: " + platform::FormatInt(counts_[lkDebug]));
  WriteInfo("Log session shutdown");
  if (counts_[lkFatalError] + counts_[lkError] > 0 && editorHook_) editorHook_(fileName_);
  if (Current() == this) Current() = nullptr;
}

std::string TLogSession::TimeStamp() const {
  switch (timeStampMode_) {
    case lsmDateOnly: return LocalTimeText("%x");
    case lsmTimeOnly: return LocalTimeText("%X");
    case lsmDateTime: return LocalTimeText("%x %X");
    case lsmElapsed: {
      uint64_t now = ticks_();
      return platform::FormatInt(static_cast<int64_t>(now >= startTick_ ? now - startTick_ : 0));
    }
    default: return {};
  }
}

void TLogSession::AppendLine(const std::string& message, TLogLevel level) {
  size_t index = size_t(level);
  if (counts_[index] >= kLogLevelLimits[index]) return;
  std::string stamp = TimeStamp();
  std::string lead = timeStampMode_ == lsmNoTimestamp ? std::string() : stamp + "\t";
  if (!AppendToFile(fileName_, lead + kLogLevelPrefixes[index] + message + "\n")) return;
  if (++counts_[index] == kLogLevelLimits[index]) {
    // Stopping the program here would lose the user's work: the level just falls silent.
    AppendToFile(fileName_, lead + kLogLevelPrefixes[index] + "Limit of " + platform::FormatInt(kLogLevelLimits[index]) +
                                " " + kLimitNouns[index] + " reached: further ones are not logged\n");
  }
}

void TLogSession::WriteAtLevel(const std::string& message, int level) {
  if (level < lkDebug || level > lkFatalError) return;
  if (!active_ || !(enabledLevels_ & (1u << level))) return;
  AppendLine(message, static_cast<TLogLevel>(level));
}

void TLogSession::SetEnabledLevels(TLogLevels levels) {
  levels &= llAll;
  std::string text;
  for (int level = lkDebug; level <= lkFatalError; ++level) {
    if (!(levels & (1u << level))) continue;
    if (!text.empty()) text += ", ";
    text += levelNames_[size_t(level)] + " " + platform::Trim(kLogLevelPrefixes[size_t(level)]);
  }
  WriteNotice("LOGGING " + (levels == llNone ? std::string("nothing") : "[" + text + "]"));
  enabledLevels_ = levels;
}

TLogSession* RenderingLog() { return Current(); }

void LogLine(TLogLevel level, const std::string& message) {
  if (TLogSession* session = Current()) session->WriteAtLevel(message, level);
}

TLogSession* ExchangeRenderingLog(TLogSession* session) {
  TLogSession* old = Current();
  Current() = session;
  return old;
}

std::string RenderingLogFileName(const std::string& programFile, const std::string& folder) {
  return platform::JoinPath(folder, platform::BaseNameWithoutExtension(programFile) + ".log");
}

void OpenInDesktopEditor(const std::string& fileName) { platform::CurrentDialogs().ShellOpen(fileName); }

TRenderingLogScope::TRenderingLogScope(TLogSession::EditorHook editor) {
  // A bare name: the session puts it in the current directory.
  auto* session = new TLogSession(platform::BaseNameWithoutExtension(platform::ProgramFile()) + ".log", llAll, lsmElapsed);
  session->SetEditorHook(std::move(editor));
  delete Current();
  Current() = session;
}

TRenderingLogScope::~TRenderingLogScope() { delete Current(); }

}  // namespace scene3d
