#include "app/help_window.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "lang/lang.h"
#include "platform/dialogs.h"
#include "platform/help_sitemap.h"
#include "platform/qt_dialogs.h"

namespace app {
namespace {

const char kChmScheme[] = "chm";
const char kNoteScheme[] = "velkora-note";
QString WindowTitle() { return QString::fromStdString(lang::LangStringOr("1060", "Velkora Help")); }

QString L(lang::MessageNumber number, const char* fallback) { return lang::LangQStringOr(number, fallback); }
// The same with its arguments put in by the one substitution every message uses.
QString L(lang::MessageNumber number, const char* fallback, const std::string& argument) {
  return QString::fromStdString(lang::LangFormatOr(number, fallback, {argument}));
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The object path of a sitemap's "Local": relative to the file's root, possibly written with the
// file's own name in front ("Velkora.chm::/depth.html").
std::string ObjectPathOfLocal(std::string local) {
  const size_t separator = local.rfind("::");
  if (separator != std::string::npos) local = local.substr(separator + 2);
  if (local.empty() || local.front() != '/') local.insert(local.begin(), '/');
  return local;
}

std::string WithoutFragment(const std::string& path) { return path.substr(0, path.find('#')); }

QUrl TopicUrl(const std::string& objectPath) {
  QUrl url;
  url.setScheme(QLatin1String(kChmScheme));
  const size_t hash = objectPath.find('#');
  url.setPath(Q(objectPath.substr(0, hash)));
  if (hash != std::string::npos) url.setFragment(Q(objectPath.substr(hash + 1)));
  return url;
}

}  // namespace

// ---- ChmBrowser ----

ChmBrowser::ChmBrowser(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
}

QVariant ChmBrowser::loadResource(int type, const QUrl& name) {
  const QUrl url = name.isRelative() ? source().resolved(name) : name;
  if (url.scheme() == QLatin1String(kNoteScheme)) return property("note");
  if (url.scheme() != QLatin1String(kChmScheme) || !file_) return QVariant();
  std::optional<std::string> bytes;
  try {
    bytes = file_->Read(url.path().toStdString());
  } catch (const std::exception&) {
    // A damaged page shows as a missing one.
  }
  if (!bytes) return QVariant();
  if (type == QTextDocument::ImageResource) return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
  return QString::fromUtf8(bytes->data(), static_cast<qsizetype>(bytes->size()));
}

// ---- THelpWindow ----

THelpWindow::THelpWindow() {
  setObjectName(QStringLiteral("frmHelp"));
  // An open help window does not keep the program running once the main window has closed.
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(820, 580);

  tabs_ = new QTabWidget;
  tabs_->setObjectName(QStringLiteral("tabNavigation"));
  contents_ = new QTreeWidget;
  contents_->setObjectName(QStringLiteral("treContents"));
  contents_->setHeaderHidden(true);
  tabs_->addTab(contents_, QString());

  auto* indexPage = new QWidget;
  keyword_ = new QLineEdit;
  keyword_->setObjectName(QStringLiteral("txtKeyword"));
  index_ = new QListWidget;
  index_->setObjectName(QStringLiteral("lstIndex"));
  display_ = new QPushButton;
  display_->setObjectName(QStringLiteral("btnDisplay"));
  auto* indexLayout = new QVBoxLayout(indexPage);
  indexLayout->addWidget(keyword_);
  indexLayout->addWidget(index_);
  indexLayout->addWidget(display_);
  tabs_->addTab(indexPage, QString());

  browser_ = new ChmBrowser;
  browser_->setObjectName(QStringLiteral("brwTopic"));
  back_ = new QToolButton;
  back_->setObjectName(QStringLiteral("btnBack"));
  back_->setEnabled(false);
  forward_ = new QToolButton;
  forward_->setObjectName(QStringLiteral("btnForward"));
  forward_->setEnabled(false);
  home_ = new QToolButton;
  home_->setObjectName(QStringLiteral("btnHome"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back_);
  buttons->addWidget(forward_);
  buttons->addWidget(home_);
  buttons->addStretch();
  auto* pagePane = new QWidget;
  auto* pageLayout = new QVBoxLayout(pagePane);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  pageLayout->addLayout(buttons);
  pageLayout->addWidget(browser_);

  auto* splitter = new QSplitter;
  splitter->addWidget(tabs_);
  splitter->addWidget(pagePane);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({230, 590});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter);

  connect(contents_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item && !item->data(0, Qt::UserRole).toString().isEmpty())
      ShowTopic(item->data(0, Qt::UserRole).toString().toStdString());
  });
  connect(keyword_, &QLineEdit::textEdited, this, [this](const QString& text) { SelectKeyword(text); });
  connect(keyword_, &QLineEdit::returnPressed, this, [this] { ShowIndexEntry(); });
  connect(index_, &QListWidget::itemActivated, this, [this] { ShowIndexEntry(); });
  connect(display_, &QPushButton::clicked, this, [this] { ShowIndexEntry(); });
  connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { LinkClicked(url); });
  connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) { SourceChanged(url); });
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(home_, &QToolButton::clicked, this, [this] { ShowTopic(std::string()); });
  ShowTexts();
}

void THelpWindow::ShowTexts() {
  setWindowTitle(WindowTitle());
  tabs_->setTabText(0, L("1061", "Contents"));
  tabs_->setTabText(1, L("1064", "Index"));
  keyword_->setPlaceholderText(L("1062", "Type a keyword"));
  display_->setText(L("1063", "&Display"));
  back_->setText(L("1065", "Back"));
  forward_->setText(L("1066", "Forward"));
  home_->setText(L("1067", "Home"));
}

THelpWindow::~THelpWindow() { browser_->SetFile(nullptr); }

bool THelpWindow::OpenFile(const std::string& path) {
  ShowTexts();
  if (file_ && file_->Path() == path) return true;
  std::unique_ptr<platform::ChmFile> file;
  try {
    file = std::make_unique<platform::ChmFile>(path);
  } catch (const std::exception& error) {
    platform::CurrentDialogs().Message(lang::LangFormatOr("1068", "Cannot show the help.\r\n%1", {error.what()}),
                                       "",
                                       platform::MessageKind::Error, platform::Buttons::Ok);
    return false;
  }
  file_ = std::move(file);
  browser_->SetFile(file_.get());
  browser_->clearHistory();
  browser_->clear();
  browser_->setProperty("note", QString());
  FillContents();
  FillIndex();
  return true;
}

void THelpWindow::FillContents() {
  const QSignalBlocker blocker(contents_);
  contents_->clear();
  contentsByTopic_.clear();
  std::optional<std::string> sitemap;
  try {
    if (!file_->ContentsFile().empty()) sitemap = file_->Read(file_->ContentsFile());
  } catch (const std::exception&) {
  }
  if (!sitemap) return;
  std::vector<QTreeWidgetItem*> parents;  // the last item of each level above the current one
  for (const platform::SitemapEntry& entry : platform::ParseSitemap(*sitemap)) {
    const size_t level = std::min(static_cast<size_t>(entry.level), parents.size());
    auto* item = level == 0 ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(parents[level - 1]);
    parents.resize(level);
    parents.push_back(item);
    item->setText(0, Q(entry.name));
    if (entry.local.empty()) continue;
    const std::string topic = ObjectPathOfLocal(entry.local);
    item->setData(0, Qt::UserRole, Q(topic));
    contentsByTopic_.emplace(WithoutFragment(topic), item);
  }
  contents_->expandAll();
}

void THelpWindow::FillIndex() {
  index_->clear();
  std::optional<std::string> sitemap;
  try {
    if (!file_->IndexFile().empty()) sitemap = file_->Read(file_->IndexFile());
  } catch (const std::exception&) {
  }
  if (!sitemap) return;
  for (const platform::SitemapEntry& entry : platform::ParseSitemap(*sitemap)) {
    auto* item = new QListWidgetItem(Q(entry.name), index_);
    if (!entry.local.empty()) item->setData(Qt::UserRole, Q(ObjectPathOfLocal(entry.local)));
  }
}

std::string THelpWindow::CurrentTopic() const {
  const QUrl source = browser_->source();
  return source.scheme() == QLatin1String(kChmScheme) ? source.path().toStdString() : std::string();
}

void THelpWindow::ShowTopic(const std::string& objectPath) {
  if (!file_) return;
  std::string path = objectPath.empty() ? file_->DefaultTopic() : objectPath;
  if (path.empty() && contents_->topLevelItemCount() > 0)
    path = contents_->topLevelItem(0)->data(0, Qt::UserRole).toString().toStdString();
  if (path.empty()) {
    ShowNote(L("1069", "No pages"), L("1070", "This help file names no page to start with."));
    return;
  }
  if (!file_->Contains(WithoutFragment(path))) {
    ShowNote(L("1071", "Page not found"),
             L("1072", "This help file has no page <b>%1</b>.", Q(WithoutFragment(path)).toHtmlEscaped().toStdString()));
    return;
  }
  browser_->setSource(TopicUrl(path));
}

void THelpWindow::ShowNote(const QString& title, const QString& text) {
  // A page of its own, so the history and a later return to the last topic behave as for any page.
  browser_->setProperty("note", QStringLiteral("<html><body><h2>%1</h2><p>%2</p></body></html>").arg(title, text));
  browser_->setSource(QUrl(QStringLiteral("%1:%2").arg(QLatin1String(kNoteScheme)).arg(++notes_)));
}

void THelpWindow::ShowContents() {
  tabs_->setCurrentWidget(contents_);
  if (CurrentTopic().empty()) ShowTopic(std::string());
}

void THelpWindow::SelectKeyword(const QString& keyword) {
  for (int row = 0; row < index_->count(); ++row)
    if (index_->item(row)->text().startsWith(keyword, Qt::CaseInsensitive)) {
      index_->setCurrentRow(row);
      index_->scrollToItem(index_->item(row), QAbstractItemView::PositionAtTop);
      return;
    }
  index_->setCurrentRow(-1);
}

void THelpWindow::ShowIndex(const std::string& keyword) {
  tabs_->setCurrentIndex(tabs_->indexOf(index_->parentWidget()));
  keyword_->setText(Q(keyword));
  SelectKeyword(keyword_->text());
  QListWidgetItem* item = index_->currentItem();
  if (item && item->text().compare(keyword_->text(), Qt::CaseInsensitive) == 0)
    ShowIndexEntry();
  else if (CurrentTopic().empty())
    ShowTopic(std::string());
}

void THelpWindow::ShowIndexEntry() {
  QListWidgetItem* item = index_->currentItem();
  if (item && !item->data(Qt::UserRole).toString().isEmpty()) ShowTopic(item->data(Qt::UserRole).toString().toStdString());
}

void THelpWindow::ShowContext(uint32_t context) {
  if (!file_) return;
  if (std::optional<std::string> topic = file_->TopicOfContext(context))
    ShowTopic(*topic);
  else
    ShowNote(L("1073", "No page"), L("1074", "No page of this help file belongs to help context %1.", std::to_string(context)));
}

void THelpWindow::LinkClicked(const QUrl& url) {
  const QUrl target = url.isRelative() ? browser_->source().resolved(url) : url;
  if (target.scheme() == QLatin1String(kChmScheme)) {
    const std::string fragment = target.fragment().toStdString();
    ShowTopic(target.path().toStdString() + (fragment.empty() ? std::string() : "#" + fragment));
  } else {
    platform::CurrentDialogs().ShellOpen(url.toString().toStdString());
  }
}

void THelpWindow::SourceChanged(const QUrl& url) {
  const QSignalBlocker blocker(contents_);
  auto found = url.scheme() == QLatin1String(kChmScheme) ? contentsByTopic_.find(url.path().toStdString())
                                                          : contentsByTopic_.end();
  if (found != contentsByTopic_.end())
    contents_->setCurrentItem(found->second);
  else
    contents_->setCurrentItem(nullptr);
}

// ---- HelpWindows ----

HelpWindows::HelpWindows() = default;
HelpWindows::~HelpWindows() = default;

void HelpWindows::HtmlHelp(QWidget*, const std::string& file, int command, const platform::HtmlHelpData& data) {
  platform::RunGuarded([&] {
    if (command == platform::kHhCloseAll) {
      if (window_) window_->close();
      return;
    }
    if (command != platform::kHhDisplayTopic && command != platform::kHhDisplayToc &&
        command != platform::kHhDisplayIndex && command != platform::kHhHelpContext)
      return;
    // "help.chm::/topic.html": the file, then the page inside it.
    const size_t separator = file.find("::");
    const std::string path = file.substr(0, separator);
    const std::string topic = separator == std::string::npos ? std::string() : file.substr(separator + 2);
    if (!window_) window_ = std::make_unique<THelpWindow>();
    if (!window_->OpenFile(path)) return;
    switch (command) {
      case platform::kHhDisplayTopic: window_->ShowTopic(topic); break;
      case platform::kHhDisplayToc: window_->ShowContents(); break;
      case platform::kHhDisplayIndex: window_->ShowIndex(data.keyword); break;
      case platform::kHhHelpContext: window_->ShowContext(data.context); break;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
  });
}

}  // namespace app
