// The program's entry: the splash window, the program's windows created in their order, the message
// loop and the orderly end.
#pragma once

#include <memory>
#include <string>

namespace app {

class TfrmAbout;
class TfrmEditLng;
class TfrmGrid;
class TfrmMain;
class TfrmNewLang;
class TfrmStlDxf;
class TfrmSubmitLng;
class TfrmTool;

// The windows the program creates at start, in creation order (freed in the reverse order).
struct ProgramWindows {
  std::unique_ptr<TfrmMain> main;
  std::unique_ptr<TfrmAbout> about;
  std::unique_ptr<TfrmTool> tool;
  std::unique_ptr<TfrmNewLang> newLang;
  std::unique_ptr<TfrmEditLng> editLng;
  std::unique_ptr<TfrmSubmitLng> submitLng;
  std::unique_ptr<TfrmStlDxf> stl;
  std::unique_ptr<TfrmGrid> grid;
  ProgramWindows();
  ProgramWindows(ProgramWindows&&) noexcept;
  ProgramWindows& operator=(ProgramWindows&&) noexcept;
  ~ProgramWindows();

 private:
  void Release();
};

// Creates the windows in the program's order; the main window's creation handler does the whole
// start-up of the job (settings, language, post-processor), the tool window opens the tool database.
ProgramWindows CreateWindows();

// After the application object exists (Qt takes the user's locale then): numbers go back to '.'.
void InitialiseLocale();

// The application's help file, "Velkora.chm", which the help viewer finds in the folder "hlp".
const std::string& ApplicationHelpFile();

// The main routine.
int RunProgram(int argc, char** argv);

}  // namespace app
