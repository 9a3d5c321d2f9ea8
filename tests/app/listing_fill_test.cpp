// Filling the NC listing: in pieces with the progress shown, the text as it was given, and a listing
// that would not fit in memory refused with words while the NC file and the job stay; Calculate keeps
// its bar and hourglass until the listing is full.
#include "app/listing_fill.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "main_window_fixture.h"
#include "platform/memory.h"

namespace {

using testing_support::FileText;

constexpr uint64_t kPlenty = UINT64_MAX;

std::string Lines(int count, const char* end) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "N" + std::to_string(i) + " G1 X12.345 Y67.890 Z-1.234" + end;
  return text;
}

QString Shown(const std::string& text) {
  return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

TEST(ListingFill, TheTextGoesInWholeInPiecesWithItsProgress) {
  const struct {
    const char* name;
    std::string text;
    size_t leastCalls;  // pieces of about a megabyte each
  } cases[] = {{"empty", "", 0},
               {"one line without its end", "G0 X1", 1},
               {"CR LF lines", Lines(10, "\r\n"), 1},
               {"about 3 MB in CR LF lines", Lines(90'000, "\r\n"), 3},
               {"about 3 MB in LF lines", Lines(90'000, "\n"), 3}};
  for (const auto& c : cases) {
    QPlainTextEdit listing;
    listing.setPlainText(QStringLiteral("an older program\n"));
    std::vector<int> positions;
    std::vector<int> blocksSeen;
    app::FillListing(listing, c.text, [] { return kPlenty; }, [&](int position) {
      positions.push_back(position);
      blocksSeen.push_back(listing.document()->blockCount());
    });
    EXPECT_EQ(listing.toPlainText(), Shown(c.text)) << c.name;
    EXPECT_GE(positions.size(), c.leastCalls) << c.name;
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << c.name;
    if (!positions.empty()) {
      EXPECT_EQ(positions.back(), 100) << c.name;
      // The bar moves while the lines go in, not once they are all there.
      if (c.leastCalls > 1) {
        EXPECT_LT(blocksSeen.front(), listing.document()->blockCount()) << c.name;
      }
    }
    EXPECT_EQ(listing.textCursor().position(), 0) << c.name << ": at the top";
    EXPECT_TRUE(listing.document()->isUndoRedoEnabled()) << c.name;
    EXPECT_FALSE(listing.document()->isUndoAvailable()) << c.name << ": nothing to undo back to the older program";
  }
}

TEST(ListingFill, AListingThatWouldNotFitIsRefusedAndLeftEmpty) {
  const std::string text = Lines(1000, "\r\n");
  const uint64_t needed = app::ListingFillBytes(1001, text.size());
  // The need grows with the lines and the characters, and is more than the text itself.
  EXPECT_GT(needed, 2 * text.size());
  EXPECT_GT(app::ListingFillBytes(2002, 2 * text.size()), needed);
  const struct {
    const char* name;
    std::function<uint64_t()> headroom;
    bool filled;
  } cases[] = {{"room enough", [needed] { return needed; }, true},
               {"a byte short", [needed] { return needed - 1; }, false},
               {"nothing left", [] { return uint64_t(0); }, false},
               {"memory runs out while asking", []() -> uint64_t { throw std::bad_alloc(); }, false}};
  for (const auto& c : cases) {
    QPlainTextEdit listing;
    listing.setPlainText(QStringLiteral("an older program\n"));
    int progressCalls = 0;
    try {
      app::FillListing(listing, text, c.headroom, [&](int) { ++progressCalls; });
      EXPECT_TRUE(c.filled) << c.name;
      EXPECT_EQ(listing.toPlainText(), Shown(text)) << c.name;
    } catch (const platform::OutOfMemory& error) {
      EXPECT_FALSE(c.filled) << c.name;
      EXPECT_STREQ(error.what(), "There is not enough memory to fill the NC listing.") << c.name;
      EXPECT_TRUE(listing.toPlainText().isEmpty()) << c.name << ": neither a part nor the older program";
      EXPECT_EQ(progressCalls, 0) << c.name << ": refused before anything went in";
    }
  }
}

class CalculateListingTest : public testing_support::MainWindowTest {};

// Counts the times a widget is shown while the hourglass is up.
class ShowWatch : public QObject {
 public:
  explicit ShowWatch(QWidget& widget) : widget_(widget) { widget_.installEventFilter(this); }
  ~ShowWatch() override { widget_.removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    const QCursor* cursor = QApplication::overrideCursor();
    if (event->type() == QEvent::Show && cursor && cursor->shape() == Qt::WaitCursor) ++shownWaiting;
    return false;
  }
  int shownWaiting = 0;

 private:
  QWidget& widget_;
};

// Calculate of a program shows the bar and the hourglass while the listing fills, and a listing that
// does not fit in memory is told in words while the NC file written stays and the job is kept.
TEST_F(CalculateListingTest, TheListingFillsUnderTheBarOrIsRefusedWithTheFileKept) {
  testing_support::RecordingMain& w = Start();
  w.show();
  const std::string ncFile = dir_.File("relief");
  OpenAndWalkToCutting(ncFile);
  auto* listing = Get<QPlainTextEdit>("ricIso");
  auto* bar = Get<QProgressBar>("ProgressBar1");

  struct Seen {
    int blocks;
    bool bar;
    bool hourglass;
  };
  std::vector<Seen> seen;
  QObject::connect(listing, &QPlainTextEdit::textChanged, listing, [&] {
    const QCursor* cursor = QApplication::overrideCursor();
    seen.push_back({listing->document()->blockCount(), !bar->isHidden(), cursor && cursor->shape() == Qt::WaitCursor});
  });

  const struct {
    const char* name;
    std::function<uint64_t()> headroom;
    bool filled;
  } cases[] = {{"room enough", [] { return kPlenty; }, true},
               {"too little memory left", [] { return uint64_t(4096); }, false},
               {"memory runs out", []() -> uint64_t { throw std::bad_alloc(); }, false},
               {"room again", [] { return kPlenty; }, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(ncFile + ".nc");
    w.SetMemoryHeadroomReader(c.headroom);
    dialogs_.messages.clear();
    seen.clear();
    w.TogliAssoc();
    Click("sbtNcCalc");
    QApplication::processEvents();

    const std::string nc = FileText(ncFile + ".nc");
    ASSERT_GT(nc.size(), 8u) << "the NC file is written whether the listing fits or not";
    EXPECT_EQ(nc.substr(nc.size() - 8), "M30\r\n%\r\n");
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Page(), app::kPageCutting);
    EXPECT_NE(w.WorkingBitmap(), nullptr) << "the job is kept";
    EXPECT_EQ(w.Job().ncFileName, ncFile + ".nc");
    if (c.filled) {
      EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().text;
      EXPECT_EQ(listing->toPlainText(), Shown(nc));
      const int lines = static_cast<int>(std::count(nc.begin(), nc.end(), '\n'));
      EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text().toStdString(), "Line 1/" + std::to_string(lines))
          << "the caret at the top, as the status says";
      EXPECT_TRUE(Enabled("sbtNextB6"));
      bool filledUnderTheBar = false;
      for (const Seen& s : seen)
        if (s.blocks > 1) filledUnderTheBar = filledUnderTheBar || (s.bar && s.hourglass);
      EXPECT_TRUE(filledUnderTheBar) << "the lines went in while the bar and the hourglass showed";
      // Its page lays every line out as it shows: under the hourglass too.
      ShowWatch watch(*listing);
      Click("sbtNextB6");
      EXPECT_EQ(Page(), app::kPageListing);
      EXPECT_EQ(watch.shownWaiting, 1) << "shown once, under the hourglass";
      EXPECT_EQ(QApplication::overrideCursor(), nullptr);
      w.sbtPrevB7Click();
    } else {
      ASSERT_EQ(dialogs_.messages.size(), 1u);
      EXPECT_EQ(dialogs_.messages[0].text, "There is not enough memory to fill the NC listing. The NC file was written and "
                                           "is kept: " + ncFile + ".nc");
      EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Error);
      EXPECT_TRUE(listing->toPlainText().isEmpty());
      EXPECT_FALSE(Enabled("sbtNextB6")) << "no empty listing to go to";
      EXPECT_TRUE(Enabled("sbtNcCalc")) << "Calculate can run again";
    }
  }
}

}  // namespace
