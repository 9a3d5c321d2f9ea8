// Where a save writes: every write over a file that is already there is asked first, with the name
// that will really be written (the extension the dialog's type adds included).
#pragma once

#include <string>

namespace app {

// True when `path` does not exist yet or the user answers Yes to replacing it.
bool ConfirmReplace(const std::string& path);

// The save dialog over `filter` (the Windows form, "NC programs (*.nc)|*.nc") starting at
// `initialPath`; the chosen name gets ".<extension>" when it has none, and an existing file of that
// name is replaced only when the user says so. Empty when the user cancels either question.
std::string ChooseFileToWrite(const std::string& initialPath, const std::string& filter, const std::string& extension);

// The user's documents folder with a final "/", where a save starts when the job has no file yet (the
// program's own folder is read-only once installed).
std::string UserDocumentsFolder();

}  // namespace app
