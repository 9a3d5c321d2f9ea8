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
  return platform::CurrentDialogs().Message(path + " already exists.\r\nDo you want to replace it?",
                                            lang::LangStringOr("450", "Confirm"),
                                            platform::MessageKind::Warning,
                                            platform::Buttons::YesNo) == platform::Answer::Yes;
}

std::string ChooseFileToWrite(const std::string& initialPath, const std::string& filter, const std::string& extension) {
  const platform::FileChoice choice = platform::CurrentDialogs().SaveFile({"", initialPath, filter, 1});
  if (choice.path.empty()) return {};
  const std::string path = WithDefaultExtension(choice.path, extension);
  return ConfirmReplace(path) ? path : std::string();
}

std::string UserDocumentsFolder() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();
  return documents.isEmpty() ? std::string("/") : documents.toStdString() + "/";
}

}  // namespace app
