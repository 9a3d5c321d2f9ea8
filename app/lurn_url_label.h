// A text label that behaves like a hyperlink: a hand cursor, another colour and an underline while the
// mouse is over it, its target as hint, and the target opened through the desktop when clicked
// (platform::CurrentDialogs().ShellOpen, which tests replace). The About window holds two:
//
//   auto* www = Add(new app::TLurnUrlLabel(this), "nol_LurnUrlLblwww");
//   www->setText("www.velkora.example");
//   www->SetUrl("www.velkora.example");                 // URLType utHttp by default
//   auto* mail = Add(new app::TLurnUrlLabel(this), "nol_LurnUrlLblmailto");
//   mail->SetUrlType(app::TUrlType::utMail);
//   mail->SetUrl("support@velkora.example");
//   mail->SetMailSubject("Velkora");
#pragma once

#include <QLabel>
#include <QStringList>

#include "app/url_target.h"
#include "platform/canvas.h"

namespace app {

class TLurnUrlLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLurnUrlLabel(QWidget* parent = nullptr);

  platform::TColor ActiveColor() const { return activeColor_; }
  void SetActiveColor(platform::TColor color) { activeColor_ = color; }
  platform::TColor InactiveColor() const { return inactiveColor_; }
  void SetInactiveColor(platform::TColor color) { inactiveColor_ = color; }
  // The colour the text has now.
  platform::TColor FontColor() const;

  QString Bcc() const { return QString::fromStdString(target_.Bcc); }
  void SetBcc(const QString& bcc);
  QString Cc() const { return QString::fromStdString(target_.Cc); }
  void SetCc(const QString& cc);
  QString CustomURLType() const { return QString::fromStdString(target_.CustomUrlType); }
  void SetCustomURLType(const QString& prefix);
  QStringList MailBody() const;
  void SetMailBody(const QStringList& lines);
  QString MailSubject() const { return QString::fromStdString(target_.MailSubject); }
  void SetMailSubject(const QString& subject);
  TUrlType URLType() const { return target_.UrlType; }
  void SetURLType(TUrlType type);
  QString URL() const { return QString::fromStdString(target_.Url); }
  void SetURL(const QString& url);

  // Colour and underline follow the mouse; off, the label is underlined for good.
  bool DetectMouse() const { return detectMouse_; }
  void SetDetectMouse(bool on);
  // The hint shows the full target.
  bool ShowUrlHint() const { return showUrlHint_; }
  void SetShowUrlHint(bool on);
  bool UnderlineOnEnter() const { return underlineOnEnter_; }
  void SetUnderlineOnEnter(bool on) { underlineOnEnter_ = on; }

  QString GetFullURL() const { return QString::fromStdString(target_.FullUrl()); }
  // Opens the full target through the desktop.
  void Click();

 signals:
  // After the label's own reaction.
  void MouseEnter();
  void MouseLeave();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void TargetChanged();
  void SetFontColor(platform::TColor color);
  void SetUnderline(bool on);
  // Exactly underlined, or no style at all.
  void SetPlainStyle(bool underline);

  UrlTarget target_;
  platform::TColor activeColor_ = 0xFF0000;
  platform::TColor inactiveColor_ = 0x800000;
  bool detectMouse_ = true;
  bool showUrlHint_ = true;
  bool underlineOnEnter_ = true;
};

}  // namespace app
