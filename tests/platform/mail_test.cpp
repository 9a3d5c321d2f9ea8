// Mail result names, and the desktop mail through xdg-email with a recording mail program in place of
// the user's (xdg-email hands the mailto: link to $MAILER).
#include "platform/mail.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QUrl>
#include <QUrlQuery>
#include <filesystem>

#include "platform/qt_dialogs.h"
#include "scratch_dir.h"

namespace {

TEST(Mail, ResultNames) {
  const std::pair<int, const char*> cases[] = {
      {1, "MAPI_USER_ABORT"},
      {2, "MAPI_E_FAILURE"},
      {6, "MAPI_E_ACCESS_DENIED"},
      {7, "UNKNOWN ERROR. CODE = 7"},
      {8, "MAPI_E_TOO_MANY_SESSIONS"},
      {15, "MAPI_E_BAD_RECIPTYPE"},
      {24, "MAPI_E_INVALID_EDITFIELDS"},
      {26, "MAPI_E_NOT_SUPPORTED"},
      {27, "UNKNOWN ERROR. CODE = 27"},
      {-3, "UNKNOWN ERROR. CODE = -3"},
  };
  for (const auto& [code, name] : cases) EXPECT_EQ(platform::MapiResultName(code), name) << code;
}

TEST(Mail, XdgEmailArguments) {
  platform::MailMessage message{"support@velkora.example", "Velkora, Software Tools", "New (de)",
                                "Language:\r\nde\r\n\r\n", "/tmp/a b.lng"};
  EXPECT_EQ(platform::XdgEmailArguments(message),
            (QStringList{"--utf8", "--subject", "New (de)", "--body", "Language:\nde\n\n", "--attach", "/tmp/a b.lng",
                         "support@velkora.example"}));
  // xdg-email refuses empty option values; without an address the composer asks for one.
  EXPECT_EQ(platform::XdgEmailArguments({"", "Nobody", "", "", ""}), QStringList{"--utf8"});
}

class DesktopMail : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists("/usr/bin/xdg-email")) GTEST_SKIP() << "xdg-utils is not installed";
    previous_ = qgetenv("MAILER");
    hadMailer_ = qEnvironmentVariableIsSet("MAILER");
    mailer_ = dir_.Write("mailer.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + dir_.File("link.txt") + "\"\nexit $EXIT\n");
    std::filesystem::permissions(mailer_, std::filesystem::perms::owner_all);
    qputenv("MAILER", QByteArray::fromStdString(mailer_));
  }
  void TearDown() override {
    if (hadMailer_) qputenv("MAILER", previous_);
    else qunsetenv("MAILER");
    qunsetenv("EXIT");
  }

  testing_support::ScratchDir dir_{"mail"};
  std::string mailer_;
  QByteArray previous_;
  bool hadMailer_ = false;
};

TEST_F(DesktopMail, ComposerGetsTheWholeMessage) {
  const std::string attachment = dir_.Write("deutsch.lng", "[String]\n");
  platform::QtDialogs dialogs;
  const uint64_t started = dialogs.TickCount();
  qputenv("EXIT", "0");
  ASSERT_EQ(dialogs.SendMail({"support@velkora.example", "Velkora", "New (deutsch) & more", "a=1\r\nb", attachment}),
            platform::kMapiSuccess);
  const QUrl link(QString::fromStdString(testing_support::FileText(dir_.File("link.txt"))));
  EXPECT_EQ(link.scheme(), "mailto");
  EXPECT_EQ(link.path(), "support@velkora.example");
  const QUrlQuery query(link);
  EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "New (deutsch) & more");
  EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), "a=1\r\nb");
  EXPECT_EQ(query.queryItemValue("attach", QUrl::FullyDecoded).toStdString(), attachment);
  EXPECT_GE(dialogs.TickCount(), started) << "the clock never runs back";

  // The mail program fails; the attachment is gone.
  qputenv("EXIT", "1");
  EXPECT_EQ(dialogs.SendMail({"", "", "s", "b", attachment}), platform::kMapiFailure);
  qputenv("EXIT", "0");
  EXPECT_EQ(dialogs.SendMail({"", "", "s", "b", dir_.File("gone.lng")}), platform::kMapiAttachmentNotFound);
}

}  // namespace
