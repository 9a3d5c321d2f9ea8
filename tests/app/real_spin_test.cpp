#include "app/real_spin.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>
#include <string_view>
#include <stdexcept>

#include "platform/dialogs.h"

namespace {

using app::Fixed4;
using app::RealSpinValue;

TEST(Fixed4, ParsesAndWritesFourDecimals) {
  struct Case {
    const char* text;
    std::optional<int64_t> raw;
  };
  const Case cases[] = {
      {"0", 0},
      {"360", 3600000},
      {" +2 ", 20000},
      {"-0.25", -2500},
      {"1.", 10000},
      {".5", 5000},
      {"1e2", 1000000},
      {"2.5E-3", 25},
      {"-1.23456", -12346},
      {"0.00005", 0},   // half to even
      {"0.00015", 2},
      {"0.00025", 2},
      {"0.000250001", 3},
      {"1e-999999999", 0},
      {"922337203685477.5807", std::numeric_limits<int64_t>::max()},
      {"-922337203685477.5808", std::numeric_limits<int64_t>::min()},
      {"922337203685477.5808", std::nullopt},
      {"1e300", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {".", std::nullopt},
      {"1,5", std::nullopt},
      {"1.2.3", std::nullopt},
      {"--1", std::nullopt},
      {"1e", std::nullopt},
      {"abc", std::nullopt},
  };
  for (const Case& c : cases) {
    auto parsed = Fixed4::Parse(c.text);
    ASSERT_EQ(parsed.has_value(), c.raw.has_value()) << c.text;
    if (parsed) {
      EXPECT_EQ(parsed->Raw(), *c.raw) << c.text;
    }
  }
  EXPECT_EQ(Fixed4::FromRaw(0).Text(), "0");
  EXPECT_EQ(Fixed4::FromRaw(3600000).Text(), "360");
  EXPECT_EQ(Fixed4::FromRaw(-5000).Text(), "-0.5");
  EXPECT_EQ(Fixed4::FromRaw(12).Text(), "0.0012");
  EXPECT_EQ(Fixed4::FromRaw(std::numeric_limits<int64_t>::min()).Text(), "-922337203685477.5808");
  EXPECT_EQ(Fixed4::FromDouble(-1.23456).Raw(), -12346);
  EXPECT_EQ(Fixed4::FromDouble(std::nan("")).Raw(), 0);
  EXPECT_EQ(Fixed4::FromDouble(1e300).Raw(), std::numeric_limits<int64_t>::max());

  // Stepping past the end of the range stays there.
  const Fixed4 top = Fixed4::FromRaw(std::numeric_limits<int64_t>::max());
  EXPECT_EQ(top + Fixed4::FromInt(1), top);
  EXPECT_EQ(Fixed4::FromRaw(std::numeric_limits<int64_t>::min()) - Fixed4::FromInt(1),
            Fixed4::FromRaw(std::numeric_limits<int64_t>::min()));
  EXPECT_EQ(Fixed4::FromInt(std::numeric_limits<int64_t>::max()), top);
}

TEST(RealSpinValue, BoundsApplyOnlyWhenMinAndMaxDiffer) {
  RealSpinValue angle;
  angle.MinValue = Fixed4::FromInt(0);
  angle.MaxValue = Fixed4::FromInt(360);
  EXPECT_EQ(angle.TextOnExit("400"), "360");
  EXPECT_EQ(angle.TextOnExit("-5"), "0");
  EXPECT_EQ(angle.TextOnExit("200.5"), std::nullopt);
  // A non-number reads as the minimum, which needs no clamping.
  EXPECT_EQ(angle.ValueOf("abc"), Fixed4::FromInt(0));
  EXPECT_EQ(angle.TextOnExit("abc"), std::nullopt);
  EXPECT_EQ(angle.Stepped("359.5", +1), Fixed4::FromInt(360));
  EXPECT_EQ(angle.Stepped("abc", +1), Fixed4::FromInt(1));
  EXPECT_EQ(angle.Stepped("0", -1), Fixed4::FromInt(0));
  EXPECT_EQ(angle.TextOf(Fixed4::FromInt(1000)), "360");

  RealSpinValue free;  // 0 = 0: no bounds
  EXPECT_EQ(free.TextOnExit("400"), std::nullopt);
  EXPECT_EQ(free.TextOnExit("-1e6"), std::nullopt);
  EXPECT_EQ(free.Stepped("-7", -1), Fixed4::FromInt(-8));

  RealSpinValue low;  // a minimum other than 0 is what a non-number reads as
  low.MinValue = Fixed4::FromInt(-90);
  low.MaxValue = Fixed4::FromInt(90);
  low.Increment = Fixed4::FromRaw(2500);
  EXPECT_EQ(low.ValueOf("-"), Fixed4::FromInt(-90));
  EXPECT_EQ(low.Stepped("", +1).Text(), "-89.75");
}

TEST(RealSpinValue, KeyFilter) {
  for (char32_t c : std::u32string_view(U"+-.0123456789")) {
    EXPECT_TRUE(RealSpinValue::AcceptsChar(c, true)) << char(c);
    EXPECT_FALSE(RealSpinValue::AcceptsChar(c, false)) << char(c);
  }
  for (char32_t c : std::u32string_view(U"aeE xX/*;,")) EXPECT_FALSE(RealSpinValue::AcceptsChar(c, true)) << char(c);
  EXPECT_TRUE(RealSpinValue::AcceptsChar(127, true));      // Delete, as X11 delivers it
  EXPECT_FALSE(RealSpinValue::AcceptsChar(127, false));
  EXPECT_FALSE(RealSpinValue::AcceptsChar(0x00E9, true));  // é
  EXPECT_FALSE(RealSpinValue::AcceptsChar(13, true));      // Enter
  EXPECT_FALSE(RealSpinValue::AcceptsChar(13, false));
  EXPECT_TRUE(RealSpinValue::AcceptsChar(8, true));        // Backspace
  EXPECT_FALSE(RealSpinValue::AcceptsChar(8, false));
  EXPECT_TRUE(RealSpinValue::AcceptsChar(3, false));       // other control characters pass
}

// A repeat timer on a clock the test moves by hand.
class ManualTimer : public app::RepeatTimer {
 public:
  explicit ManualTimer(std::vector<int>* starts) : starts_(starts) {}
  void Start(int ms) override {
    starts_->push_back(ms);
    interval_ = ms;
    due_ = now_ + ms;
    active_ = true;
  }
  void SetInterval(int ms) override {
    interval_ = ms;
    if (active_ && !firing_) due_ = now_ + ms;
  }
  void Stop() override { active_ = false; }
  bool Active() const override { return active_; }
  int Interval() const { return interval_; }

  void Advance(int ms) {
    const int64_t target = now_ + ms;
    while (active_ && due_ <= target) {
      now_ = due_;
      firing_ = true;
      OnTimeout();
      firing_ = false;
      due_ = now_ + interval_;
    }
    now_ = target;
  }

 private:
  std::vector<int>* starts_;
  int64_t now_ = 0, due_ = 0;
  int interval_ = 0;
  bool active_ = false, firing_ = false;
};

struct SpinFixture {
  QWidget window;
  app::TRealSpinEdit* spin = new app::TRealSpinEdit(&window);
  QLineEdit* other = new QLineEdit(&window);
  std::vector<int> starts;
  ManualTimer* timer = nullptr;

  SpinFixture() {
    spin->setGeometry(10, 10, 100, 24);
    other->setGeometry(10, 50, 100, 24);
    spin->SetMinValue(Fixed4::FromInt(0));
    spin->SetMaxValue(Fixed4::FromInt(360));
    spin->Button()->UpButton()->SetTimerFactory([this] {
      auto t = std::make_unique<ManualTimer>(&starts);
      timer = t.get();
      return t;
    });
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    spin->setFocus();
  }
};

TEST(TRealSpinEdit, TypingFiltersKeysAndLeavingClamps) {
  SpinFixture f;
  ASSERT_TRUE(f.spin->hasFocus());
  QSignalSpy refused(f.spin, &app::TRealSpinEdit::KeyRefused);
  f.spin->clear();
  QTest::keyClicks(f.spin, "4a0b0x");
  EXPECT_EQ(f.spin->text(), "400");
  EXPECT_EQ(refused.count(), 3);
  QTest::keyClick(f.spin, Qt::Key_Return);
  EXPECT_EQ(refused.count(), 4);
  EXPECT_EQ(f.spin->Value(), Fixed4::FromInt(400));  // reading does not clamp

  f.other->setFocus();
  EXPECT_EQ(f.spin->text(), "360");

  // Delete as X11 delivers it (the key with the text U+007F) deletes; a ',' is refused.
  f.spin->setFocus();
  f.spin->setText("12");
  f.spin->setCursorPosition(0);
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7f)));
  QApplication::sendEvent(f.spin, &del);
  EXPECT_EQ(f.spin->text(), "2");
  const int before = refused.count();
  f.spin->setCursorPosition(1);
  QTest::keyClicks(f.spin, ",5");
  EXPECT_EQ(f.spin->text(), "25") << "1,5 would read as the minimum";
  EXPECT_EQ(refused.count(), before + 1);
  f.spin->setText("360");
  f.other->setFocus();

  // Arrow keys step, bounded.
  f.spin->setFocus();
  QTest::keyClick(f.spin, Qt::Key_Up);
  EXPECT_EQ(f.spin->text(), "360");
  QTest::keyClick(f.spin, Qt::Key_Down);
  EXPECT_EQ(f.spin->text(), "359");

  // A non-number is the minimum: leaving keeps the text, stepping starts from the minimum.
  f.spin->setText("-");
  f.other->setFocus();
  EXPECT_EQ(f.spin->text(), "-");
  EXPECT_EQ(f.spin->Value(), Fixed4::FromInt(0));
  f.spin->UpClick();
  EXPECT_EQ(f.spin->text(), "1");
}

TEST(TRealSpinEdit, EditorDisabledAndReadOnly) {
  SpinFixture f;
  f.spin->SetEditorEnabled(false);
  f.spin->setText("5");
  f.spin->setCursorPosition(1);
  QTest::keyClicks(f.spin, "12");
  QTest::keyClick(f.spin, Qt::Key_Backspace);
  EXPECT_EQ(f.spin->text(), "5");
  QTest::mouseClick(f.spin->Button()->UpButton(), Qt::LeftButton);
  EXPECT_EQ(f.spin->text(), "6");
  QTest::mouseClick(f.spin->Button()->DownButton(), Qt::LeftButton);
  QTest::mouseClick(f.spin->Button()->DownButton(), Qt::LeftButton);
  EXPECT_EQ(f.spin->text(), "4");

  f.spin->SetEditorEnabled(true);
  f.spin->setReadOnly(true);
  QSignalSpy refused(f.spin, &app::TRealSpinEdit::KeyRefused);
  f.spin->UpClick();
  EXPECT_EQ(f.spin->text(), "4");
  EXPECT_EQ(refused.count(), 1);
}

TEST(TRealSpinEdit, HoldingTheButtonRepeatsAfter400ThenEvery100Ms) {
  SpinFixture f;
  f.spin->setText("0");
  QWidget* up = f.spin->Button()->UpButton();
  QTest::mousePress(up, Qt::LeftButton);
  ASSERT_NE(f.timer, nullptr);
  EXPECT_EQ(f.starts, std::vector<int>{400});
  EXPECT_TRUE(f.spin->hasFocus());  // a press gives the edit the focus

  f.timer->Advance(399);
  EXPECT_EQ(f.spin->text(), "0");
  f.timer->Advance(1);
  EXPECT_EQ(f.spin->text(), "1");
  EXPECT_EQ(f.timer->Interval(), 100);
  f.timer->Advance(99);
  EXPECT_EQ(f.spin->text(), "1");
  f.timer->Advance(251);  // 500, 600, 700
  EXPECT_EQ(f.spin->text(), "4");
  QTest::mouseRelease(up, Qt::LeftButton);
  EXPECT_EQ(f.spin->text(), "5");  // the ordinary click
  EXPECT_FALSE(f.timer->Active());

  // Pressed again, it starts over with the long delay.
  QTest::mousePress(up, Qt::LeftButton);
  EXPECT_EQ(f.starts, (std::vector<int>{400, 400}));
  f.timer->Advance(150);
  EXPECT_EQ(f.spin->text(), "5");
  QTest::mouseRelease(up, Qt::LeftButton);
  EXPECT_EQ(f.spin->text(), "6");
}

TEST(TRealSpinEdit, AnErrorWhileRepeatingStopsTheTimerAndIsShown) {
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scoped(&dialogs);
  SpinFixture f;
  app::TTimerSpeedButton* up = f.spin->Button()->UpButton();
  int clicks = 0;
  up->OnClick = [&] {
    ++clicks;
    throw std::runtime_error("step failed");
  };
  QTest::mousePress(up, Qt::LeftButton);
  f.timer->Advance(1000);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(f.timer->Active());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "step failed");
  up->OnClick = nullptr;
  QTest::mouseRelease(up, Qt::LeftButton);
}

}  // namespace
