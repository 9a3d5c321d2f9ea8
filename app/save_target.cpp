#include "app/save_target.h"

#include <QDir>
#include <QStandardPaths>

#include "app/nc_file_name.h"
#include "lang/lang.h"
#include "platform/dialogs.h"
#include "platform/binary_stream.h"

namespace app {

bool ConfirmReplace(const std::string& path) {
  if (!platform::FileExists(path)) return true;
  return platform::CurrentDialogs().Message(lang::LangFormatOr("1023", "%1 already exists.\r\nDo you want to replace it?", {path}),
                                            "",
                                            platform::MessageKind::Warning,
                                            platform::Buttons::YesNo) == platform::Answer::Yes;
}

bool ConfirmDocumentNcFile(const std::string& path) {
  if (platform::FileExists(path)) return ConfirmReplace(path);
  const std::string question = lang::LangFormatOr(
      "1605", "%1\r\nwas named by the opened document and not chosen in this session.\r\nWrite the NC program to it?",
      {path});
  return platform::CurrentDialogs().Message(question, "",
                                            platform::MessageKind::Warning,
                                            platform::Buttons::YesNo) == platform::Answer::Yes;
}

platform::FileChoice ChooseFileToWrite(platform::FileDialogRequest request,
                                      const std::function<std::string(const platform::FileChoice&)>& complete) {
  for (;;) {
    platform::FileChoice choice = platform::CurrentDialogs().SaveFile(request);
    if (choice.path.empty()) return {};
    choice.path = complete(choice);
    if (choice.path.empty() || ConfirmReplace(choice.path)) return choice;
    // Not that file: the dialog again, where the user was.
    request.initialPath = choice.path;
    request.filterIndex = choice.filterIndex;
  }
}

std::string ChooseFileToWrite(const std::string& initialPath, const std::string& filter, const std::string& extension) {
  return ChooseFileToWrite({"", initialPath, filter, 1}, [&extension](const platform::FileChoice& choice) {
           return WithDefaultExtension(choice.path, extension);
         }).path;
}

std::string UserDocumentsFolder() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  // A desktop may name a documents folder it never made: the home folder then, as the dialogs would.
  if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
  return documents.isEmpty() ? std::string("/") : documents.toStdString() + "/";
}

}  // namespace app
