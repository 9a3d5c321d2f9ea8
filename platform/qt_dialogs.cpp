#include "platform/qt_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <stdexcept>

namespace platform {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The program's texts break lines with CR LF; Qt's labels want a bare LF.
QString BoxText(const std::string& text) { return Q(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QString Encoded(const QString& text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); }

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
  }
  return QMessageBox::Ok;
}

// Closing the box with its title bar counts as the gentlest answer the box offers.
Answer AnswerOf(int pressed, Buttons buttons) {
  switch (pressed) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
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
  QMessageBox box(IconOf(kind), caption.empty() ? QApplication::applicationName() : Q(caption), BoxText(text),
                  ButtonsOf(buttons), QApplication::activeWindow());
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

QUrl MailtoUrl(const std::string& subject, const std::string& body, const std::string& attachment) {
  QString text = Q(body);
  if (!attachment.empty()) text += QStringLiteral("\r\n\r\n") + Q(attachment);
  // Every reserved character is escaped, so '&' or '=' in a text cannot start another field.
  return QUrl(QStringLiteral("mailto:?subject=") + Encoded(Q(subject)) + QStringLiteral("&body=") + Encoded(text),
              QUrl::StrictMode);
}

bool QtDialogs::SendMail(const std::string& subject, const std::string& body, const std::string& attachment) {
  QUrl url = MailtoUrl(subject, body, attachment);
  if (!url.isValid() || !QDesktopServices::openUrl(url)) return false;
  if (!attachment.empty())
    Message("Please attach this file to the message:\r\n" + attachment, "", MessageKind::Information, Buttons::Ok);
  return true;
}

uint64_t QtDialogs::TickCount() { return static_cast<uint64_t>(clock_.elapsed()); }

std::string ExceptionText(const std::exception& error) {
  std::string text = error.what();
  return text.empty() ? std::string("Unknown error") : text;
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
