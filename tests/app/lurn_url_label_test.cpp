#include "app/lurn_url_label.h"

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QTest>

#include "platform/dialogs.h"

namespace {

using app::TUrlType;
using app::UrlTarget;

TEST(UrlTarget, PrefixesAndMailFields) {
  struct Case {
    TUrlType type;
    const char* expected;
  };
  const Case plain[] = {{TUrlType::utFile, "file://x"},     {TUrlType::utFtp, "ftp://x"},
                        {TUrlType::utGopher, "gopher://x"}, {TUrlType::utHttp, "http://x"},
                        {TUrlType::utHttps, "https://x"},   {TUrlType::utNews, "news:x"},
                        {TUrlType::utTelnet, "telnet:x"},   {TUrlType::utWais, "wais:x"},
                        {TUrlType::utCustom, "callto:x"},   {TUrlType::utMail, "mailto:x"}};
  for (const Case& c : plain) {
    UrlTarget t;
    t.UrlType = c.type;
    t.Url = "x";
    t.CustomUrlType = "callto:";
    EXPECT_EQ(t.FullUrl(), c.expected);
  }
  UrlTarget custom;  // an empty address opens the custom prefix as it stands
  custom.UrlType = TUrlType::utCustom;
  custom.CustomUrlType = "callto:velkora";
  EXPECT_EQ(custom.FullUrl(), "callto:velkora");

  UrlTarget mail;
  mail.UrlType = TUrlType::utMail;
  mail.Url = "a";
  mail.MailSubject = "S";
  mail.MailBody = {"l1", "l2"};
  EXPECT_EQ(mail.FullUrl(), "mailto:a?Subject=S&Body=l1%0A%0Dl2%0A%0D");
  mail.Bcc = "b@x";
  mail.Cc = "c@x";
  EXPECT_EQ(mail.FullUrl(), "mailto:a?Subject=S&Body=l1%0A%0Dl2%0A%0D&Bcc=b@x&Cc=c@x");
  mail.MailSubject.clear();
  mail.Bcc.clear();
  EXPECT_EQ(mail.FullUrl(), "mailto:a?Body=l1%0A%0Dl2%0A%0D&Cc=c@x");
  mail.MailBody.clear();
  EXPECT_EQ(mail.FullUrl(), "mailto:a?Cc=c@x");
  mail.MailBody = {""};  // one empty line still makes a body
  mail.Cc.clear();
  EXPECT_EQ(mail.FullUrl(), "mailto:a?Body=%0A%0D");
}

TEST(TLurnUrlLabel, ClickOpensTheTargetThroughTheShell) {
  platform::RecordingDialogs shell;
  platform::ScopedDialogs scoped(&shell);
  QWidget window;
  auto* label = new app::TLurnUrlLabel(&window);
  label->setText("Write to us");
  label->setGeometry(10, 10, 120, 20);
  label->SetURLType(TUrlType::utMail);
  label->SetURL("a");
  label->SetMailSubject("S");
  label->SetMailBody({"l1", "l2"});
  window.show();
  QTest::mouseClick(label, Qt::LeftButton);
  QTest::mouseClick(label, Qt::RightButton);
  EXPECT_EQ(shell.opened, std::vector<std::string>{"mailto:a?Subject=S&Body=l1%0A%0Dl2%0A%0D"});
  EXPECT_EQ(label->toolTip(), "mailto:a?Subject=S&Body=l1%0A%0Dl2%0A%0D");
  EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);

  // The hint follows the target while ShowUrlHint is on; switched off it goes only when it is the target.
  label->SetShowUrlHint(false);
  EXPECT_EQ(label->toolTip(), "");
  label->SetURL("b");
  EXPECT_EQ(label->toolTip(), "");
  label->setToolTip("Our support");
  label->SetShowUrlHint(true);
  EXPECT_EQ(label->toolTip(), "mailto:b?Subject=S&Body=l1%0A%0Dl2%0A%0D");
  label->setToolTip("Our support");
  label->SetShowUrlHint(false);
  EXPECT_EQ(label->toolTip(), "Our support");
}

TEST(TLurnUrlLabel, ColourAndUnderlineFollowTheMouse) {
  app::TLurnUrlLabel label;
  EXPECT_EQ(label.FontColor(), platform::clNavy);
  QFont styled = label.font();
  styled.setBold(true);
  label.setFont(styled);
  std::vector<std::string> seen;
  QObject::connect(&label, &app::TLurnUrlLabel::MouseEnter, [&] {
    seen.push_back(label.FontColor() == platform::clBlue && label.font().underline() ? "enter after" : "enter before");
  });
  QObject::connect(&label, &app::TLurnUrlLabel::MouseLeave, [&] {
    seen.push_back(label.FontColor() == platform::clNavy && !label.font().underline() ? "leave after" : "leave before");
  });
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&label, &enter);
  EXPECT_FALSE(label.font().bold());  // exactly underlined
  QApplication::sendEvent(&label, &leave);
  EXPECT_EQ(seen, (std::vector<std::string>{"enter after", "leave after"}));

  label.SetUnderlineOnEnter(false);
  QApplication::sendEvent(&label, &enter);
  EXPECT_EQ(label.FontColor(), platform::clBlue);
  EXPECT_FALSE(label.font().underline());
  QApplication::sendEvent(&label, &leave);

  // Not following the mouse: underlined for good, colours stay.
  label.SetDetectMouse(false);
  EXPECT_TRUE(label.font().underline());
  QApplication::sendEvent(&label, &enter);
  EXPECT_EQ(label.FontColor(), platform::clNavy);
  QApplication::sendEvent(&label, &leave);
  EXPECT_TRUE(label.font().underline());
  label.SetDetectMouse(true);
  EXPECT_FALSE(label.font().underline());
}

}  // namespace
