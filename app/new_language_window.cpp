#include "app/new_language_window.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "lang/lang.h"
#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "platform/qt_dialogs.h"
#include "platform/text_encoding.h"

namespace app {

TfrmNewLang::TfrmNewLang(QWidget* parent) : platform::DialogForm("frmNewLang", parent) {
  setWindowTitle(QStringLiteral("Edit Language"));
  // Closing the main window ends the program even while a language is being edited (it is asked
  // about below).
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(560, 480);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  memLang_ = Add(new QPlainTextEdit(this), "memLang");
  memLang_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memLang_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(memLang_);
  // The program ends without closing this window: the open text is offered for saving first.
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
    if (isVisible()) platform::RunGuarded([this] { FormClose(); });
  });
}

void TfrmNewLang::LoadFile(const std::string& path) {
  const platform::Bytes bytes = platform::ReadFileBytes(path, lang::kMaxLanguageFileSize);
  // Read as the language files are (Windows-1252 where it is not UTF-8); saved as UTF-8.
  const std::string decoded =
      platform::DecodeTextFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  QString text = QString::fromStdString(decoded);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  // The memo holds the file's lines: the break that ends the last line starts no empty one.
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  memLang_->setPlainText(text);
}

bool TfrmNewLang::FormClose() {
  saved_ = false;
  if (editedPath_.empty()) return true;  // never given a file: nothing to save
  const platform::Answer answer =
      platform::CurrentDialogs().Message(lang::LangFormatOr("1052", "Save the language %1", {editedPath_}),
                                         "",
                                         platform::MessageKind::Warning, platform::Buttons::YesNo);
  if (answer != platform::Answer::Yes) return true;
  // Every line ended by a line break, as a text file has it.
  QString text = memLang_->toPlainText();
  if (!text.isEmpty()) text += QLatin1Char('\n');
  const QByteArray bytes = text.toUtf8();
  const bool written = platform::RunGuarded(
      [&] { platform::WriteFileText(editedPath_, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))); });
  saved_ = written;
  return written;
}

void TfrmNewLang::showEvent(QShowEvent* event) {
  lang::TranslateForms({this});
  platform::DialogForm::showEvent(event);
}

void TfrmNewLang::done(int result) {
  bool close = true;
  platform::RunGuarded([&] { close = FormClose(); });
  if (close) platform::DialogForm::done(result);
}

}  // namespace app
