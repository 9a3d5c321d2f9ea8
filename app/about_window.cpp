#include "app/about_window.h"

#include <QHideEvent>
#include <cctype>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>

#include "app/lurn_url_label.h"
#include "app/main_window.h"
#include "app/version_info.h"
#include "gif/logos.h"
#include "lang/lang.h"
#include "platform/canvas.h"
#include "platform/files.h"
#include "platform/qt_dialogs.h"

namespace app {

namespace {

constexpr int kLogoWidth = 450;
constexpr int kLogoHeight = 129;

// The animated logo: its painter hands each new frame to the GUI thread, which paints it here.
class LogoView : public QWidget {
 public:
  explicit LogoView(QWidget* parent) : QWidget(parent) {
    try {
      logo_ = gif::LoadAboutLogo();
      logo_->OnChange = [this] { update(); };
    } catch (const std::exception&) {
      // A damaged logo leaves the place plain; the window works without it.
      logo_.reset();
    }
  }
  ~LogoView() override {
    // The painter thread ends before the widget it paints into.
    if (logo_) logo_->StopDraw();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QImage back(size(), QImage::Format_RGB32);
    back.fill(palette().window().color());
    if (logo_) {
      platform::RunGuarded([&] {
        platform::Canvas canvas(&back);
        logo_->Draw(canvas, {0, 0, width(), height()});
      });
    }
    QPainter(this).drawImage(0, 0, back);
  }
  void hideEvent(QHideEvent* event) override {
    if (logo_) platform::RunGuarded([this] { logo_->StopDraw(); });
    QWidget::hideEvent(event);
  }

 private:
  std::unique_ptr<gif::TGIFImage> logo_;
};

}  // namespace

std::string TranslationCredit(const std::string& languageName, const std::string& author) {
  if (author.empty()) return {};
  std::string name = languageName;
  if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return lang::LangFormatOr("1080", "%1 language translated by %2", {name, author});
}

TfrmAbout::TfrmAbout(QWidget* parent) : platform::DialogForm("frmAbout", parent) {
  setWindowTitle(QStringLiteral("About Velkora"));
  setModal(false);
  setFixedSize(kLogoWidth + 20, 320);
  auto* logo = Add(new LogoView(this), "imgOemLogo");
  logo->setGeometry(10, 10, kLogoWidth, kLogoHeight);
  int y = kLogoHeight + 20;
  auto line = [&](QLabel* label, const char* name, int height = 22) {
    Add(label, name);
    label->setGeometry(10, y, kLogoWidth, height);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    y += height + 2;
    return label;
  };
  QFont big = font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  big.setBold(true);
  line(new QLabel(QString::fromStdString(VersionInfo("ProductName")), this), "nol_lblProduct", 28)->setFont(big);
  nol_lblVersion_ = line(new QLabel(this), "nol_lblVersion");
  nol_lbltTranslation_ = line(new QLabel(this), "nol_lbltTranslation");
  y += 4;
  auto* www = new TLurnUrlLabel(this);
  www->setText(QString::fromUtf8(kWebSite));
  www->SetURL(QString::fromUtf8(kWebSite));
  line(www, "nol_LurnUrlLblwww");
  auto* mail = new TLurnUrlLabel(this);
  mail->setText(QString::fromUtf8(kSupportMail));
  mail->SetURLType(TUrlType::utMail);
  mail->SetURL(QString::fromUtf8(kSupportMail));
  mail->SetMailSubject(QString::fromStdString(VersionInfo("ProductName")));
  line(mail, "nol_LurnUrlLblmailto");
  auto* ok = Add(new QPushButton(QStringLiteral("&Ok"), this), "btnOk");
  ok->setGeometry((width() - 90) / 2, height() - 40, 90, 28);
  connect(ok, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { btnOkClick(); }); });
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::showEvent(QShowEvent* event) {
  platform::DialogForm::showEvent(event);
  if (!event->spontaneous()) platform::RunGuarded([this] { FormShow(); });
}

void TfrmAbout::FormShow() {
  platform::FormBase* const self[] = {this};
  lang::TranslateForms(lang::ProgramLanguage(), self);
  lang::Language& language = lang::ProgramLanguage();
  language.AboutCredit = TranslationCredit(platform::BaseNameWithoutExtension(language.LangFilePath),
                                           lang::LangString("Autor"));
  nol_lbltTranslation_->setText(QString::fromStdString(language.AboutCredit));
  nol_lblVersion_->setText(QString::fromStdString(lang::LangFormatOr("1081", "Version %1", {VersionInfo("FileVersion")})));
}

void TfrmAbout::btnOkClick() { close(); }

}  // namespace app
