#include "platform/numbers.h"

#include <gtest/gtest.h>

#include <clocale>

#include "platform/exception.h"
#include "platform/texts.h"

using namespace platform;

TEST(Numbers, RoundIsHalfToEvenAndTruncGoesTowardZero) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(2.5000001), 3);
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_EQ(Trunc(2.7), 2);
}

TEST(Numbers, FixedFormatsUseDotWhateverTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  // A locale with ',' as separator (scripts/deps.sh makes it); the text must not change.
  ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is missing: run scripts/deps.sh";
  EXPECT_EQ(FormatPrintf("%0.3f", 2.5), "2.500");
  EXPECT_EQ(FormatPrintf("%0.4f", -0.00004), "-0.0000");
  EXPECT_EQ(FormatPrintf("%.0f", 2.5), "3");
  EXPECT_EQ(FormatPrintf("%8.2f", 3.14159), "    3.14");
  EXPECT_EQ(FormatPrintf("%08.2f", -3.14159), "-0003.14");
  EXPECT_EQ(FormatFixed(1234.5678, 2), "1234.57");
  EXPECT_EQ(ParseDouble("2.5").value(), 2.5);
  EXPECT_EQ(FormatFloatPattern("0.##", -0.5), "-0.5") << "the sign must not depend on the locale";
  EXPECT_EQ(FormatFloatPattern("0.#", -0.04), "0");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Numbers, TextsRoundHalfwayAwayFromZeroButRoundStaysHalfToEven) {
  struct Case {
    const char* format;
    double value;
    const char* text;
  } cases[] = {
      {"%0.3f", 0.0625, "0.063"},   {"%0.3f", -0.0625, "-0.063"}, {"%1.3f", 2.0625, "2.063"},
      {"%0.4f", 0.03125, "0.0313"}, {"%0.4f", 0.00005, "0.0001"}, {"%.0f", 0.5, "1"},
      {"%.0f", -0.5, "-1"},         {"%.0f", 9.5, "10"},          {"%0.0f", -99.5, "-100"},
      {"%0.2f", 0.125, "0.13"},     {"%0.2f", 0.375, "0.38"},     {"%6.1f", 0.25, "   0.3"},
      // Not exactly halfway in binary: the nearest text, as before.
      {"%0.2f", 2.675, "2.67"},     {"%0.2f", 1.005, "1.00"},     {"%0.3f", 0.0625f + 1e-9, "0.063"},
      {"%0.3f", 1.0 / 3, "0.333"},  {"%0.3f", 0.0, "0.000"},      {"%0.30f", 0.5, "0.500000000000000000000000000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatPrintf(c.format, c.value), c.text) << c.format << " " << c.value;
  EXPECT_EQ(FormatFixed(0.0625f, 3), "0.063") << "singles widened to double keep their ties";
  EXPECT_EQ(FormatFloatPattern("0", 534.5), "535");
  EXPECT_EQ(FormatFloatPattern("0", -534.5), "-535");
  EXPECT_EQ(FormatFloatPattern("0.#", 0.25), "0.3");
  EXPECT_EQ(FormatFloatPattern("00", 1.5), "02");
  EXPECT_EQ(Round(534.5), 534);
  EXPECT_EQ(Round(0.5), 0);
}

TEST(Numbers, FormatTextFromFilesIsNeverAPrintfFormat) {
  EXPECT_TRUE(IsFixedFormat("%0.3f"));
  EXPECT_TRUE(IsFixedFormat("%.4f"));
  EXPECT_FALSE(IsFixedFormat("%s"));
  EXPECT_FALSE(IsFixedFormat("%n%0.3f"));
  EXPECT_FALSE(IsFixedFormat("%0.3fX"));
  EXPECT_FALSE(IsFixedFormat("%0.999f"));
  EXPECT_THROW(FormatPrintf("%s", 1.0), FormatError);
}

TEST(Numbers, FloatPatterns) {
  EXPECT_EQ(FormatFloatPattern("00", 5), "05");
  EXPECT_EQ(FormatFloatPattern("00", 65), "65");
  EXPECT_EQ(FormatFloatPattern("0.###", 2.5), "2.5");
  EXPECT_EQ(FormatFloatPattern("0.000", 2.5), "2.500");
  EXPECT_EQ(FormatFloatPattern("0", -3.4), "-3");
  EXPECT_EQ(FormatFloatPattern("#.##", 0.0), "0");
}

TEST(Numbers, NumberFieldsHoldOnlyWhatASingleHolds) {
  using platform::FieldRange;
  const struct {
    const char* text;
    FieldRange range;
    bool accepted;
    const char* said;  // part of the message when refused
  } cases[] = {
      {"2.5", FieldRange::Any, true, ""},
      {"-2.5", FieldRange::Any, true, ""},
      {"3.4e38", FieldRange::Any, true, ""},
      {"1e39", FieldRange::Any, false, "is too large for this field"},
      {"-1e39", FieldRange::Any, false, "is too large for this field"},
      {"1234567890123456789012345678901234567890", FieldRange::Any, false, "too large"},
      {"abc", FieldRange::Any, false, "is not a number"},
      {"", FieldRange::Any, false, "is not a number"},
      {"1,5", FieldRange::Any, false, "is not a number"},
      {"0", FieldRange::Positive, false, "must be above 0"},
      {"1e-50", FieldRange::Positive, false, "must be above 0"},  // a single holds it as 0
      {"0.001", FieldRange::Positive, true, ""},
      {"0", FieldRange::NotNegative, true, ""},
      {"-0.5", FieldRange::NotNegative, false, "must not be below 0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ParseSingleField(c.text, c.range).has_value(), c.accepted) << c.text;
    if (c.accepted) {
      EXPECT_FLOAT_EQ(platform::ReadSingleField(c.text, "Width", c.range), static_cast<float>(std::stod(c.text)));
      continue;
    }
    try {
      platform::ReadSingleField(c.text, "Feed plane", c.range);
      ADD_FAILURE() << c.text << " was accepted";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.Message().rfind("Feed plane: \"" + std::string(c.text) + "\"", 0), 0u) << e.Message();
      EXPECT_NE(e.Message().find(c.said), std::string::npos) << e.Message();
    }
  }
}

// Each refusal of a field is one numbered sentence of the installed language, with the field and the
// text put in; with no language installed, the English.
TEST(Numbers, FieldRefusalsAreNumberedTexts) {
  struct Case {
    const char* text;
    FieldRange range;
    const char* named;  // the number with a field name
    const char* alone;  // and without
  };
  const Case cases[] = {
      {"abc", FieldRange::Any, "1312", "1313"},
      {"1e39", FieldRange::Any, "1314", "1315"},
      {"0", FieldRange::Positive, "1316", "1317"},
      {"-1", FieldRange::NotNegative, "1318", "1319"},
  };
  auto refusal = [](const char* text, const char* field, FieldRange range) {
    try {
      platform::ReadSingleField(text, field, range);
    } catch (const FormatError& e) {
      return e.Message();
    }
    return std::string("(accepted)");
  };
  // A language that answers each number with its number and the two places.
  platform::SetTextLookup([](std::string_view number, std::string_view) {
    return "#" + std::string(number) + "[%1|%2]";
  });
  for (const Case& c : cases) {
    EXPECT_EQ(refusal(c.text, "Feed plane", c.range), "#" + std::string(c.named) + "[Feed plane|" + c.text + "]");
    EXPECT_EQ(refusal(c.text, "", c.range), "#" + std::string(c.alone) + "[" + c.text + "|%2]");
  }
  try {
    platform::StrToInt("x", "speed");
    ADD_FAILURE() << "\"x\" taken as a whole number";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.Message(), "#1321[x|speed]");
  }
  platform::SetTextLookup(nullptr);
  EXPECT_EQ(refusal("abc", "Feed plane", FieldRange::Any), "Feed plane: \"abc\" is not a number.");
  EXPECT_EQ(refusal("0", "", FieldRange::Positive), "\"0\" must be above 0.");
  EXPECT_EQ(platform::Text("1330", "Cannot open file"), "Cannot open file");
}

TEST(Numbers, ParsingAcceptsOnlyPlainDecimals) {
  EXPECT_EQ(ParseDouble(" -5 ").value(), -5.0);
  EXPECT_EQ(ParseDouble("1e3").value(), 1000.0);
  EXPECT_EQ(ParseDouble(".5").value(), 0.5);
  EXPECT_FALSE(ParseDouble(""));
  EXPECT_FALSE(ParseDouble("-"));
  EXPECT_FALSE(ParseDouble("."));
  EXPECT_FALSE(ParseDouble("2,5"));
  EXPECT_FALSE(ParseDouble("12abc"));
  EXPECT_FALSE(ParseDouble("inf"));
  EXPECT_FALSE(ParseDouble("nan"));
  EXPECT_FALSE(ParseDouble("0x10"));
  EXPECT_EQ(ParseInt("42").value(), 42);
  EXPECT_FALSE(ParseInt("4.2"));
  EXPECT_EQ(ParseInt("+5").value(), 5);
  EXPECT_FALSE(ParseInt("+-5"));
  EXPECT_FALSE(ParseDouble("+-5"));
  EXPECT_FALSE(ParseInt("+"));
  EXPECT_FALSE(ParseInt("- 5"));
  EXPECT_THROW(StrToFloat("abc", "Feed rate"), FormatError);
  try {
    StrToFloat("abc", "Feed rate");
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("Feed rate"), std::string::npos);
  }
}
