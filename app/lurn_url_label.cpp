#include "app/lurn_url_label.h"

#include <QFontDatabase>
#include <QMouseEvent>

#include "platform/dialogs.h"

namespace app {
namespace {

QColor Q(platform::TColor color) {
  const platform::TColor c = platform::ColorToRGB(color);
  return QColor(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c));
}

std::string S(const QString& text) { return text.toStdString(); }

}  // namespace

TLurnUrlLabel::TLurnUrlLabel(QWidget* parent) : QLabel(parent) {
  QFont f = font();
  f.setFamily(QFontDatabase::families().contains(QStringLiteral("Tahoma")) ? QStringLiteral("Tahoma")
                                                                            : QStringLiteral("Arial"));
  setFont(f);
  SetFontColor(inactiveColor_);
  setCursor(Qt::PointingHandCursor);
  TargetChanged();
}

platform::TColor TLurnUrlLabel::FontColor() const {
  const QColor c = palette().color(QPalette::WindowText);
  return platform::RGBColor(c.red(), c.green(), c.blue());
}

void TLurnUrlLabel::SetFontColor(platform::TColor color) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, Q(color));
  setPalette(p);
}

void TLurnUrlLabel::SetUnderline(bool on) {
  QFont f = font();
  f.setUnderline(on);
  setFont(f);
}

void TLurnUrlLabel::SetPlainStyle(bool underline) {
  QFont f = font();
  f.setBold(false);
  f.setItalic(false);
  f.setStrikeOut(false);
  f.setUnderline(underline);
  setFont(f);
}

void TLurnUrlLabel::SetBcc(const QString& bcc) {
  target_.Bcc = S(bcc);
  TargetChanged();
}

void TLurnUrlLabel::SetCc(const QString& cc) {
  target_.Cc = S(cc);
  TargetChanged();
}

void TLurnUrlLabel::SetCustomURLType(const QString& prefix) {
  target_.CustomUrlType = S(prefix);
  TargetChanged();
}

QStringList TLurnUrlLabel::MailBody() const {
  QStringList lines;
  for (const std::string& line : target_.MailBody) lines << QString::fromStdString(line);
  return lines;
}

void TLurnUrlLabel::SetMailBody(const QStringList& lines) {
  target_.MailBody.clear();
  for (const QString& line : lines) target_.MailBody.push_back(S(line));
  TargetChanged();
}

void TLurnUrlLabel::SetMailSubject(const QString& subject) {
  target_.MailSubject = S(subject);
  TargetChanged();
}

void TLurnUrlLabel::SetURLType(TUrlType type) {
  target_.UrlType = type;
  TargetChanged();
}

void TLurnUrlLabel::SetURL(const QString& url) {
  target_.Url = S(url);
  TargetChanged();
}

void TLurnUrlLabel::TargetChanged() {
  if (showUrlHint_) setToolTip(GetFullURL());
}

void TLurnUrlLabel::SetDetectMouse(bool on) {
  detectMouse_ = on;
  SetUnderline(!on);
}

void TLurnUrlLabel::SetShowUrlHint(bool on) {
  showUrlHint_ = on;
  if (on)
    setToolTip(GetFullURL());
  else if (toolTip() == GetFullURL())
    setToolTip(QString());
}

void TLurnUrlLabel::Click() { platform::CurrentDialogs().ShellOpen(target_.FullUrl()); }

void TLurnUrlLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  if (detectMouse_) {
    SetFontColor(activeColor_);
    if (underlineOnEnter_) SetPlainStyle(true);
  }
  emit MouseEnter();
}

void TLurnUrlLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  if (detectMouse_) {
    SetFontColor(inactiveColor_);
    SetPlainStyle(false);
  }
  emit MouseLeave();
}

void TLurnUrlLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Click();
}

}  // namespace app
