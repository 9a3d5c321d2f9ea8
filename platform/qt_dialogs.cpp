#include "platform/qt_dialogs.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <new>
#include <stdexcept>

#include "platform/texts.h"
#include "platform/canvas.h"

namespace platform {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The program's texts break lines with CR LF; Qt's labels want a bare LF.
QString BoxText(const std::string& text) { return Q(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// How long the program waits for xdg-email. Some composers keep it running until the message is sent
// or dropped; the message is then on the user's screen, which is all the program asks.
constexpr int kMailWaitMs = 10000;
constexpr int kMailStartMs = 5000;

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::SaveDiscardCancel: return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

// The buttons' words are the language's, not the toolkit's.
void NameButtons(QMessageBox& box) {
  const struct {
    QMessageBox::StandardButton button;
    const char* number;
    const char* english;
  } names[] = {{QMessageBox::Ok, "1300", "OK"},          {QMessageBox::Cancel, "1301", "Cancel"},
               {QMessageBox::Yes, "1302", "&Yes"},       {QMessageBox::No, "1303", "&No"},
               {QMessageBox::Save, "1304", "&Save"},     {QMessageBox::Discard, "1305", "&Discard"}};
  for (const auto& name : names)
    if (QAbstractButton* button = box.button(name.button)) button->setText(Q(Text(name.number, name.english)));
}

// Closing the box with its title bar counts as the gentlest answer the box offers.
Answer AnswerOf(int pressed, Buttons buttons) {
  switch (pressed) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes:
    case QMessageBox::Save: return Answer::Yes;
    case QMessageBox::No:
    case QMessageBox::Discard: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: break;
  }
  switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    default: return Answer::Cancel;
  }
}

}  // namespace

QtDialogs::QtDialogs() { clock_.start(); }

Answer QtDialogs::Message(const std::string& text, const std::string& caption, MessageKind kind,
                          Buttons buttons) {
  QMessageBox box(IconOf(kind), Q(MessageCaption(caption, kind, buttons)), BoxText(text),
                  ButtonsOf(buttons), QApplication::activeWindow());
  NameButtons(box);
  return AnswerOf(box.exec(), buttons);
}

std::string QtDialogs::OpenFileName(const std::string& caption, const std::string& dir,
                                    const std::string& filter) {
  return QFileDialog::getOpenFileName(QApplication::activeWindow(), Q(caption), Q(dir), Q(filter)).toStdString();
}

std::string QtDialogs::SaveFileName(const std::string& caption, const std::string& dir,
                                    const std::string& filter) {
  return QFileDialog::getSaveFileName(QApplication::activeWindow(), Q(caption), Q(dir), Q(filter)).toStdString();
}

namespace {

// Runs a file dialog over the request's filter; the index is the chosen filter's place in it.
FileChoice RunFileDialog(const FileDialogRequest& request, bool save) {
  const QStringList filters = Q(QtFilterFromWindows(request.filter)).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
  QString selected = filters.value(std::max(0, request.filterIndex - 1));
  const QString filter = filters.join(QStringLiteral(";;"));
  QWidget* parent = QApplication::activeWindow();
  const QString path =
      save ? QFileDialog::getSaveFileName(parent, Q(request.caption), Q(request.initialPath), filter, &selected,
                                          QFileDialog::DontConfirmOverwrite)
           : QFileDialog::getOpenFileName(parent, Q(request.caption), Q(request.initialPath), filter, &selected);
  if (path.isEmpty()) return {};
  const int index = static_cast<int>(filters.indexOf(selected));
  return {path.toStdString(), index >= 0 ? index + 1 : std::max(1, MatchingFilterIndex(request.filter, path.toStdString()))};
}

}  // namespace

FileChoice QtDialogs::OpenFile(const FileDialogRequest& request) { return RunFileDialog(request, false); }

FileChoice QtDialogs::SaveFile(const FileDialogRequest& request) { return RunFileDialog(request, true); }

bool QtDialogs::ShellOpen(const std::string& target) {
  QFileInfo info(Q(target));
  QUrl url = info.exists() ? QUrl::fromLocalFile(info.absoluteFilePath()) : QUrl::fromUserInput(Q(target));
  return url.isValid() && QDesktopServices::openUrl(url);
}

bool QtDialogs::ColorDialog(const std::string& caption, uint32_t& colour) {
  const QColor chosen = QColorDialog::getColor(QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)),
                                               QApplication::activeWindow(), Q(caption));
  if (!chosen.isValid()) return false;
  colour = RGBColor(uint8_t(chosen.red()), uint8_t(chosen.green()), uint8_t(chosen.blue()));
  return true;
}

std::string QtDialogs::InputBox(const std::string& caption, const std::string& prompt,
                                const std::string& defaultValue) {
  QInputDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(Q(caption));
  dialog.setLabelText(Q(prompt));
  dialog.setTextValue(Q(defaultValue));
  dialog.setOkButtonText(Q(Text("1300", "OK")));
  dialog.setCancelButtonText(Q(Text("1301", "Cancel")));
  return dialog.exec() == QDialog::Accepted ? dialog.textValue().toStdString() : defaultValue;
}

QStringList XdgEmailArguments(const MailMessage& message) {
  QStringList arguments{QStringLiteral("--utf8")};
  if (!message.subject.empty()) arguments << QStringLiteral("--subject") << Q(message.subject);
  if (!message.body.empty()) arguments << QStringLiteral("--body") << BoxText(message.body);
  if (!message.attachment.empty()) arguments << QStringLiteral("--attach") << Q(message.attachment);
  if (!message.recipientAddress.empty()) arguments << Q(message.recipientAddress);
  return arguments;
}

int XdgEmailResult(int exitCode) {
  switch (exitCode) {
    case 0: return kMapiSuccess;
    case 2: return kMapiAttachmentNotFound;
    case 3: return kMapiNotSupported;  // no mail program found
    case 5: return kMapiAttachmentOpenFailure;
    default: return kMapiFailure;
  }
}

int QtDialogs::SendMail(const MailMessage& message) {
  auto* process = new QProcess;
  process->setProgram(QStringLiteral("xdg-email"));
  process->setArguments(XdgEmailArguments(message));
  process->setStandardInputFile(QProcess::nullDevice());
  process->start();
  if (!process->waitForStarted(kMailStartMs)) {
    delete process;
    return kMapiNotSupported;
  }
  if (process->state() == QProcess::Running) {
    // The window goes on painting, but takes no input until the mail program has answered.
    QEventLoop loop;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kMailWaitMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  if (process->state() != QProcess::NotRunning) {
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return kMapiSuccess;
  }
  const int result = process->exitStatus() == QProcess::NormalExit ? XdgEmailResult(process->exitCode()) : kMapiFailure;
  delete process;
  return result;
}

uint64_t QtDialogs::TickCount() { return static_cast<uint64_t>(clock_.elapsed()); }

std::string ExceptionText(const std::exception& error) {
  // The library's own words ("std::bad_alloc") tell a user nothing.
  if (dynamic_cast<const std::bad_alloc*>(&error))
    return Text("1780", "There is not enough memory to finish this work.");
  std::string text = error.what();
  return text.empty() ? Text("1306", "Unknown error") : text;
}

void ShowException(const std::exception& error) {
  CurrentDialogs().Message(ExceptionText(error), "", MessageKind::Error, Buttons::Ok);
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  RunGuarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace platform
