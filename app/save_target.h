// Where a save writes: every write over a file that is already there is asked first, with the name
// that will really be written (the extension the dialog's type adds included).
#pragma once

#include <functional>
#include <string>

#include "platform/dialogs.h"

namespace app {

// True when `path` does not exist yet or the user answers Yes to replacing it.
bool ConfirmReplace(const std::string& path);

// True when the user agrees to the first write of an NC file that an opened document named: over a
// file that exists, the question of ConfirmReplace; where none does yet (or over a pipe or device),
// whether to write there at all, so a document never makes a file unasked.
bool ConfirmDocumentNcFile(const std::string& path);

// The save dialog until it gives a name that is free or that the user agrees to replace; No to
// replacing brings the dialog back with that name and type, as desktop save dialogs do. `complete`
// makes the dialog's answer the name really written (the suffix of the type chosen), or empty to stop
// without writing. An empty path when the user cancels.
platform::FileChoice ChooseFileToWrite(platform::FileDialogRequest request,
                                      const std::function<std::string(const platform::FileChoice&)>& complete);

// The save dialog over `filter` (the Windows form, "NC programs (*.nc)|*.nc") starting at
// `initialPath`; the chosen name gets ".<extension>" when it has none. Empty when the user cancels.
std::string ChooseFileToWrite(const std::string& initialPath, const std::string& filter, const std::string& extension);

// The user's documents folder with a final "/" (the home folder when there is none), where a save
// starts when the job has no file yet (the program's own folder is read-only once installed).
std::string UserDocumentsFolder();

}  // namespace app
