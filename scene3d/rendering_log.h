// The rendering log: a plain-text file in which the 3D library notes its work with the graphics
// system (entry points, context information, failures, errors). One session, RenderingLog(), lives
// from the library's start to its end; the main routine holds a TRenderingLogScope for it. Each line is
// opened, appended and closed, so the file is whole whenever the program stops.
//
// A line: a time stamp by the session's mode, a tab (not in mode 0), the level's prefix, the text.
// In elapsed time mode (4) the stamp is the milliseconds since the session began, on the steady
// clock: "1532\t(EE)   Context lost".
//
// Each level stops at its limit (500 warnings, 100 errors, 10 fatal errors): the line that reaches
// the limit is followed by one line saying that further ones are not written, and the program goes
// on; the summary still counts what was written.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "scene3d/persistent.h"

namespace scene3d {

enum TLogLevel : int {
  lkDebug = 0,
  lkInfo = 1,
  lkNotice = 2,
  lkWarning = 3,
  lkError = 4,
  lkFatalError = 5,
};

// A set of levels: bit n is level n.
using TLogLevels = uint8_t;
inline constexpr TLogLevels llAll = 0x3F;
inline constexpr TLogLevels llNone = 0;

enum TLogTimeStampMode : uint8_t {
  lsmNoTimestamp = 0,
  lsmDateOnly = 1,
  lsmTimeOnly = 2,
  lsmDateTime = 3,
  lsmElapsed = 4,
};

// The line prefixes and line limits of the six levels, exactly as written.
inline constexpr std::array<const char*, 6> kLogLevelPrefixes = {" (D)  ", " (i)  ", " (I)  ", "(WW)   ", "(EE)   ", "(!!) "};
inline constexpr std::array<int32_t, 6> kLogLevelLimits = {2147483647, 2147483647, 2147483647, 500, 100, 10};

class TLogSession : public TObject {
 public:
  // Milliseconds on a clock that never runs back; the steady clock unless a test scripts one.
  using TickSource = std::function<uint64_t()>;
  // Shows the log file to the user; given the file's full name.
  using EditorHook = std::function<void(const std::string& fileName)>;

  // Empties (or creates) the file and writes "Log subsystem started in <mode text>". A name without
  // a folder is taken in the current directory. A file that cannot be created leaves every level
  // off for the whole session, silently.
  TLogSession(const std::string& fileName, TLogLevels levels, TLogTimeStampMode timeStampMode,
              TickSource ticks = nullptr);
  // Writes the summary of counts and "Log session shutdown"; when errors or fatal errors were
  // written, hands the file to the editor hook (none: nothing is opened).
  ~TLogSession() override;

  std::string ClassName() const override { return "TLogSession"; }

  // Composes and appends one line; a line past its level's limit or one the file refuses is dropped.
  virtual void AppendLine(const std::string& message, TLogLevel level);

  // Writes through AppendLine when the level is 0..5, enabled and the session active.
  void WriteAtLevel(const std::string& message, int level);
  void WriteDebug(const std::string& message) { WriteAtLevel(message, lkDebug); }
  void WriteInfo(const std::string& message) { WriteAtLevel(message, lkInfo); }
  void WriteNotice(const std::string& message) { WriteAtLevel(message, lkNotice); }
  void WriteWarning(const std::string& message) { WriteAtLevel(message, lkWarning); }
  void WriteError(const std::string& message) { WriteAtLevel(message, lkError); }
  void WriteFatal(const std::string& message) { WriteAtLevel(message, lkFatalError); }

  // Announces the new set as a notice ("LOGGING [debug info (D), ...]" or "LOGGING nothing"), tested
  // against the set in force before, then keeps it. Bits above level 5 are dropped.
  void SetEnabledLevels(TLogLevels levels);
  TLogLevels EnabledLevels() const { return enabledLevels_; }

  void SetEditorHook(EditorHook hook) { editorHook_ = std::move(hook); }

  const std::string& FileName() const { return fileName_; }
  // Lines written at the level.
  int32_t Count(TLogLevel level) const { return counts_[size_t(level)]; }
  TLogTimeStampMode TimeStampMode() const { return timeStampMode_; }

 private:
  std::string TimeStamp() const;

  std::string fileName_;
  TLogLevels enabledLevels_ = llNone;
  std::array<int32_t, 6> counts_{};
  std::array<std::string, 6> levelNames_;
  TLogTimeStampMode timeStampMode_;
  TickSource ticks_;
  uint64_t startTick_ = 0;
  bool active_ = true;
  EditorHook editorHook_;
};

// The program's one session, or none.
TLogSession* RenderingLog();

// Writes one line through the program's session; nothing happens while none runs.
void LogLine(TLogLevel level, const std::string& message);

// Puts `session` (owned by the caller) in place of the program's session and returns the one it
// replaced; a test hands in its own session and puts the old one back afterwards.
TLogSession* ExchangeRenderingLog(TLogSession* session);

// "/opt/velkora/velkora.log" for the program "/opt/velkora/velkora": the program file's name
// without its extension, ".log", in `folder`.
std::string RenderingLogFileName(const std::string& programFile, const std::string& folder);

// The editor hook of the running program: the desktop opens the log in its text editor.
void OpenInDesktopEditor(const std::string& fileName);

// Starts RenderingLog() for its lifetime: the log in the current directory, named after the program
// ("velkora.log"), every level on, elapsed time mode; `editor` shows the log at the end when errors were written. Ends it (with
// its summary) when destroyed.
class TRenderingLogScope {
 public:
  explicit TRenderingLogScope(TLogSession::EditorHook editor = OpenInDesktopEditor);
  ~TRenderingLogScope();
  TRenderingLogScope(const TRenderingLogScope&) = delete;
  TRenderingLogScope& operator=(const TRenderingLogScope&) = delete;
};

}  // namespace scene3d
