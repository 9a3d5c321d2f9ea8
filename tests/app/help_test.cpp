#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QRegularExpression>
#include <set>

#include "app/help_manager.h"
#include "app/help_topics.h"
#include "app/help_window.h"
#include "app/html_help_viewer.h"
#include "platform/chm_file.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace {

using platform::RecordingHtmlHelp;

std::string ProgramHelpFile() { return platform::JoinPath(platform::ProgramDir(), "hlp/Velkora.chm"); }

// A help system as the program sets it up, with the entry point recording the calls.
struct Dispatch {
  RecordingHtmlHelp entry;
  platform::ScopedHtmlHelp scoped{&entry};
  app::HelpManager manager;
  QWidget window;
  std::unique_ptr<app::HtmlHelpUnit> unit;
  Dispatch() {
    manager.SetApplicationHelpFile("Velkora.chm");
    manager.SetWindow(&window);
    unit = std::make_unique<app::HtmlHelpUnit>(manager);
  }
  const RecordingHtmlHelp::Call& Last() const { return entry.calls.back(); }
};

TEST(HtmlHelpViewer, TopicsKeywordsContentsAndContexts) {
  Dispatch d;
  const std::string file = ProgramHelpFile();
  struct Case {
    const char* topic;
    std::string expected;
  };
  const Case topics[] = {{"start", file + "::/start.html"},
                         {"page.htm", file + "::/page.htm"},
                         {"Page.HTML", file + "::/Page.HTML"},
                         {"notes.txt", file + "::/notes.txt.html"}};
  for (const Case& c : topics) {
    ASSERT_TRUE(d.manager.HelpJump(c.topic)) << c.topic;
    EXPECT_EQ(d.Last().command, platform::kHhDisplayTopic) << c.topic;
    EXPECT_EQ(d.Last().file, c.expected) << c.topic;
    EXPECT_EQ(d.Last().caller, &d.window);
  }

  d.unit->Viewer().ShowHelp("PembHtmlHelp: 1000");
  EXPECT_EQ(d.Last().command, platform::kHhDisplayIndex);
  EXPECT_EQ(d.Last().file, file);
  EXPECT_EQ(d.Last().data.keyword, "1000");
  ASSERT_TRUE(d.manager.HelpKeyword("Z no cut"));
  EXPECT_EQ(d.Last().data.keyword, "Z no cut");

  ASSERT_TRUE(d.manager.HelpCommand(app::kHelpContents, 0));
  EXPECT_EQ(d.Last().command, platform::kHhDisplayToc);
  EXPECT_EQ(d.Last().file, file);
  ASSERT_TRUE(d.manager.HelpContext(44));
  EXPECT_EQ(d.Last().command, platform::kHhHelpContext);
  EXPECT_EQ(d.Last().data.context, 44u);

  // The viewer's own strings and the old-style tester's.
  EXPECT_EQ(d.unit->Viewer().GetHelpStrings("grid"), std::vector<std::string>{"PembHtmlHelp: grid"});
  EXPECT_EQ(d.unit->Viewer().IndexOfViewerEntry({"WinHelp: grid", "PembHtmlHelp: grid"}), 1);
  EXPECT_EQ(d.unit->Viewer().IndexOfViewerEntry({"WinHelp: grid"}), 0);
  EXPECT_EQ(d.manager.GetWinHelpTester()->GetHelpStrings("grid"), std::vector<std::string>{": grid"});

  // A window's own help file with a folder is used as it stands.
  d.manager.SetHelpFile("/opt/velkora/Other.CHM");
  d.manager.HelpJump("a");
  EXPECT_EQ(d.Last().file, "/opt/velkora/Other.CHM::/a.html");

  // Closing sends command 18 with neither window nor file, then the viewer lets go of the manager.
  d.manager.ShutDown();
  EXPECT_EQ(d.Last().command, platform::kHhCloseAll);
  EXPECT_EQ(d.Last().file, "");
  EXPECT_EQ(d.Last().caller, nullptr);
  EXPECT_EQ(d.unit->Viewer().Manager(), nullptr);
}

TEST(HtmlHelpViewer, ServesOnlyChmFilesAndNeedsTheEntryPoint) {
  Dispatch d;
  for (const char* name : {"Velkora.hlp", "Velkora", "dir.chm/help", ""}) {
    d.manager.SetApplicationHelpFile(name);
    EXPECT_FALSE(d.manager.HelpJump("start")) << name;
    EXPECT_FALSE(d.manager.HelpCommand(app::kHelpContents, 0)) << name;
    d.unit->Viewer().ShowHelp("PembHtmlHelp: x");
    d.unit->Viewer().DisplayHelpByContext(3);
  }
  EXPECT_TRUE(d.entry.calls.empty());

  // Without an entry point (no help system) every request is dropped.
  platform::ScopedHtmlHelp none(nullptr);
  app::HelpManager manager;
  manager.SetApplicationHelpFile("Velkora.chm");
  {
    app::HtmlHelpUnit unit(manager);
    EXPECT_FALSE(unit.Viewer().HasEntryPoint());
    EXPECT_TRUE(manager.HelpJump("start"));
    manager.SoftShutDown();
    EXPECT_EQ(manager.ViewerCount(), 1u);
  }
  EXPECT_EQ(manager.ViewerCount(), 0u);  // finalisation released it
  EXPECT_FALSE(manager.HelpJump("start"));
}

TEST(HelpTopics, EveryTopicAndPageContextIsInTheHelpFile) {
  platform::ChmFile help(ProgramHelpFile());
  std::set<int> contexts;
  for (const app::HelpTopic& topic : app::HelpTopics()) {
    const std::string page = std::string("/") + topic.name + ".html";
    EXPECT_TRUE(help.Contains(page)) << page;
    EXPECT_EQ(help.TopicOfContext(topic.context), page) << topic.name;
    contexts.insert(topic.context);
  }
  EXPECT_EQ(contexts.size(), app::HelpTopics().size());
  for (int page = -1; page <= 51; ++page) EXPECT_TRUE(contexts.count(app::HelpContextOfPage(page))) << page;
  EXPECT_EQ(help.TopicOfContext(app::HelpContextOfPage(46)), "/depth.html");
  EXPECT_EQ(help.TopicOfContext(app::HelpContextOfPage(7)), "/view2d.html");
  // Every page of the contents and the index is in the file.
  for (const std::string& sitemap : {help.ContentsFile(), help.IndexFile()}) {
    const QString text = QString::fromStdString(help.Read(sitemap).value_or(""));
    const QRegularExpression local(QStringLiteral("value=\"([a-z_0-9]+\\.html)"));
    int found = 0;
    for (auto i = local.globalMatch(text); i.hasNext(); ++found) {
      const std::string page = i.next().captured(1).toStdString();
      EXPECT_TRUE(help.Contains(page)) << page;
    }
    EXPECT_GT(found, 10) << sitemap;
  }
}

// The heading of a page of the help file, read through chmlib.
QString Heading(const platform::ChmFile& help, const std::string& page) {
  const QString html = QString::fromStdString(help.Read(page).value_or(""));
  const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("<h1>([^<]+)</h1>")).match(html);
  EXPECT_TRUE(match.hasMatch()) << page;
  return match.captured(1);
}

struct HelpWindowFixture {
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scopedDialogs{&dialogs};
  app::HelpWindows windows;
  platform::ScopedHtmlHelp scoped{&windows};
  app::HelpManager manager;
  std::unique_ptr<app::HtmlHelpUnit> unit;
  platform::ChmFile help{ProgramHelpFile()};
  HelpWindowFixture() {
    manager.SetApplicationHelpFile("Velkora.chm");
    unit = std::make_unique<app::HtmlHelpUnit>(manager);
  }
  app::THelpWindow* Window() const { return windows.Window(); }
  QString Shown() const { return Window()->Browser()->toPlainText(); }
};

TEST(HelpWindow, ShowsPagesOfTheHelpFile) {
  HelpWindowFixture f;
  ASSERT_TRUE(f.manager.HelpJump("start"));
  ASSERT_NE(f.Window(), nullptr);
  EXPECT_TRUE(f.Window()->isVisible());
  EXPECT_EQ(f.Window()->windowTitle(), "Velkora Help");
  EXPECT_EQ(f.Window()->CurrentTopic(), "/start.html");
  EXPECT_TRUE(f.Shown().startsWith(Heading(f.help, "/start.html"))) << f.Shown().left(80).toStdString();
  QTreeWidget* tree = f.Window()->ContentsTree();
  ASSERT_GT(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "Welcome to Velkora");
  ASSERT_NE(tree->currentItem(), nullptr);
  EXPECT_EQ(tree->currentItem()->data(0, Qt::UserRole).toString(), "/start.html");

  // A context, a click in the contents, a link inside the file and one leading outside.
  f.manager.HelpContext(app::HelpContextOfPage(46));
  EXPECT_EQ(f.Window()->CurrentTopic(), "/depth.html");
  EXPECT_TRUE(f.Shown().startsWith(Heading(f.help, "/depth.html")));
  QTreeWidgetItem* tool = tree->findItems("Step 5 - Tool definition", Qt::MatchExactly | Qt::MatchRecursive).value(0);
  ASSERT_NE(tool, nullptr);
  tree->setCurrentItem(tool);
  EXPECT_EQ(f.Window()->CurrentTopic(), "/tool.html");
  emit f.Window()->Browser()->anchorClicked(QUrl("tool_database.html"));
  EXPECT_EQ(f.Window()->CurrentTopic(), "/tool_database.html");
  emit f.Window()->Browser()->anchorClicked(QUrl("mailto:support@velkora.example"));
  EXPECT_EQ(f.dialogs.opened, std::vector<std::string>{"mailto:support@velkora.example"});
  EXPECT_EQ(f.Window()->CurrentTopic(), "/tool_database.html");
  f.Window()->Browser()->backward();
  EXPECT_EQ(f.Window()->CurrentTopic(), "/tool.html");

  // A page the file lacks is said to be missing; the next topic shows normally.
  f.manager.HelpJump("nowhere");
  EXPECT_TRUE(f.Shown().contains("/nowhere.html"));
  EXPECT_EQ(f.Window()->CurrentTopic(), "");
  f.manager.HelpJump("tool");
  EXPECT_TRUE(f.Shown().startsWith(Heading(f.help, "/tool.html")));

  // Close all hides the window.
  f.manager.SoftShutDown();
  EXPECT_FALSE(f.Window()->isVisible());
  EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(HelpWindow, ContentsAndIndex) {
  HelpWindowFixture f;
  f.manager.HelpCommand(app::kHelpContents, 0);
  ASSERT_NE(f.Window(), nullptr);
  EXPECT_EQ(f.Window()->Tabs()->currentWidget(), f.Window()->ContentsTree());
  EXPECT_EQ(f.Window()->CurrentTopic(), "/start.html");

  // An index keyword that is an entry shows its page; "1000" stands in the field and selects nothing.
  f.manager.HelpKeyword("calculate");
  EXPECT_EQ(f.Window()->KeywordEdit()->text(), "calculate");
  ASSERT_NE(f.Window()->IndexList()->currentItem(), nullptr);
  EXPECT_EQ(f.Window()->IndexList()->currentItem()->text(), "Calculate");
  EXPECT_EQ(f.Window()->CurrentTopic(), "/cutting_parameters.html");
  f.unit->Viewer().ShowHelp("PembHtmlHelp: 1000");
  EXPECT_EQ(f.Window()->KeywordEdit()->text(), "1000");
  EXPECT_EQ(f.Window()->IndexList()->currentItem(), nullptr);
  EXPECT_EQ(f.Window()->CurrentTopic(), "/cutting_parameters.html");

  // Typing selects the first entry that starts with the text; Enter shows it.
  f.Window()->KeywordEdit()->clear();
  QTest::keyClicks(f.Window()->KeywordEdit(), "sn");
  ASSERT_NE(f.Window()->IndexList()->currentItem(), nullptr);
  EXPECT_EQ(f.Window()->IndexList()->currentItem()->text(), "Snap");
  QTest::keyClick(f.Window()->KeywordEdit(), Qt::Key_Return);
  EXPECT_EQ(f.Window()->CurrentTopic(), "/view2d.html");
}

TEST(HelpWindow, AHelpFileThatCannotBeReadIsReported) {
  HelpWindowFixture f;
  f.manager.SetHelpFile(platform::JoinPath(platform::ProgramDir(), "no such folder/Missing.chm"));
  f.manager.HelpJump("start");
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_NE(f.dialogs.messages[0].text.find("Missing.chm"), std::string::npos);
  EXPECT_EQ(f.dialogs.messages[0].kind, platform::MessageKind::Error);
  ASSERT_NE(f.Window(), nullptr);
  EXPECT_FALSE(f.Window()->isVisible());
  // The program's own file still opens afterwards.
  f.manager.SetHelpFile("");
  f.manager.HelpJump("files");
  EXPECT_TRUE(f.Window()->isVisible());
  EXPECT_EQ(f.Window()->CurrentTopic(), "/files.html");
}

}  // namespace
