// The program's own help system behind the HTML Help entry point: a window that reads a compiled help
// file (platform::ChmFile) and shows its contents, its index and its pages. HelpWindows is the entry
// point the program installs (see html_help_viewer.h); it opens the window on the first request.
#pragma once

#include <QTextBrowser>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/chm_file.h"
#include "platform/html_help.h"

class QLineEdit;
class QListWidget;
class QTabWidget;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace app {

// Shows pages of a compiled help file; links to other pages of the file stay inside, any other link
// opens through the desktop.
class ChmBrowser : public QTextBrowser {
  Q_OBJECT

 public:
  explicit ChmBrowser(QWidget* parent = nullptr);
  void SetFile(const platform::ChmFile* file) { file_ = file; }
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  const platform::ChmFile* file_ = nullptr;
};

class THelpWindow : public QWidget {
  Q_OBJECT

 public:
  THelpWindow();
  ~THelpWindow() override;

  // Reads the help file unless it is the one already open; false after telling the user why when it
  // cannot be read. The window's texts follow the language in force at each request.
  bool OpenFile(const std::string& path);
  // A page by its path inside the file ("/depth.html", "/depth.html#apply"); the default topic when
  // empty. A page the file lacks is shown as such.
  void ShowTopic(const std::string& objectPath);
  // The contents, with the default topic when no page is shown yet.
  void ShowContents();
  // The index with `keyword` in its field and the first entry starting with it selected; an entry
  // that is the keyword is shown.
  void ShowIndex(const std::string& keyword);
  // The page mapped to a context number, or a note that none is.
  void ShowContext(uint32_t context);

  const platform::ChmFile* File() const { return file_.get(); }
  // The page shown ("/depth.html"), empty when none.
  std::string CurrentTopic() const;
  ChmBrowser* Browser() const { return browser_; }
  QTreeWidget* ContentsTree() const { return contents_; }
  QListWidget* IndexList() const { return index_; }
  QLineEdit* KeywordEdit() const { return keyword_; }
  QTabWidget* Tabs() const { return tabs_; }

 private:
  // The window's own texts (title, tabs, buttons) from the language file; the help file's own title is
  // never the window's, so a translation names the window.
  void ShowTexts();
  void FillContents();
  void FillIndex();
  void SelectKeyword(const QString& keyword);
  void ShowIndexEntry();
  void LinkClicked(const QUrl& url);
  void SourceChanged(const QUrl& url);
  void ShowNote(const QString& title, const QString& text);

  std::unique_ptr<platform::ChmFile> file_;
  QTabWidget* tabs_;
  QTreeWidget* contents_;
  QLineEdit* keyword_;
  QListWidget* index_;
  ChmBrowser* browser_;
  QToolButton* back_;
  QToolButton* forward_;
  QPushButton* display_;
  QToolButton* home_;
  std::map<std::string, QTreeWidgetItem*> contentsByTopic_;
  int notes_ = 0;
};

class HelpWindows : public platform::HtmlHelpEntry {
 public:
  HelpWindows();
  ~HelpWindows() override;
  void HtmlHelp(QWidget* caller, const std::string& file, int command, const platform::HtmlHelpData& data) override;
  // Null until the first request.
  THelpWindow* Window() const { return window_.get(); }

 private:
  std::unique_ptr<THelpWindow> window_;
};

}  // namespace app
