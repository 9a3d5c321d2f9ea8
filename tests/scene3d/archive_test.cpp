#include "scene3d/archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "scene3d/scene3d_exceptions.h"
#include "stored_bytes.h"

using namespace scene3d;
using platform::Bytes;

namespace {

Bytes Written(const std::function<void(TBinaryWriter&)>& write) {
  const std::string bytes = Archived(write);
  return Bytes(bytes.begin(), bytes.end());
}

Bytes Concat(Bytes head, const std::string& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

}  // namespace

TEST(Archive, ValuesAreWrittenInTheirShortestTagAndReadBack) {
  struct Case {
    int32_t value;
    Bytes bytes;
  } integers[] = {
      {0, {0x02, 0x00}},
      {127, {0x02, 0x7F}},
      {-128, {0x02, 0x80}},
      {128, {0x03, 0x80, 0x00}},
      {-129, {0x03, 0x7F, 0xFF}},
      {-32768, {0x03, 0x00, 0x80}},
      {32767, {0x03, 0xFF, 0x7F}},
      {32768, {0x04, 0x00, 0x80, 0x00, 0x00}},
      {-32769, {0x04, 0xFF, 0x7F, 0xFF, 0xFF}},
      {std::numeric_limits<int32_t>::min(), {0x04, 0x00, 0x00, 0x00, 0x80}},
  };
  for (const Case& c : integers) {
    Bytes bytes = Written([&](TBinaryWriter& w) { w.WriteInteger(c.value); });
    EXPECT_EQ(bytes, c.bytes) << c.value;
    platform::MemoryStream in(bytes);
    EXPECT_EQ(TBinaryReader(in).ReadInteger(), c.value);
  }

  EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteFloat(1.0); }),
            (Bytes{0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0x3F}));
  EXPECT_EQ(Written([](TBinaryWriter& w) {
              w.WriteBoolean(false);
              w.WriteBoolean(true);
              w.WriteListBegin();
              w.WriteListEnd();
            }),
            (Bytes{0x08, 0x09, 0x01, 0x00}));

  std::string s255(255, 'a'), s256(256, 'b');
  EXPECT_EQ(Written([&](TBinaryWriter& w) { w.WriteString(s255); }), Concat({0x06, 0xFF}, s255));
  EXPECT_EQ(Written([&](TBinaryWriter& w) { w.WriteString(s256); }), Concat({0x0C, 0x00, 0x01, 0x00, 0x00}, s256));
  EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteWideString(u"\u20AC"); }),
            (Bytes{0x12, 0x01, 0x00, 0x00, 0x00, 0xAC, 0x20}));

  // Everything back in order.
  Bytes all = Written([&](TBinaryWriter& w) {
    w.WriteListBegin();
    w.WriteFloat(-2.5e-300);
    w.WriteString(s256);
    w.WriteString("");
    w.WriteWideString(u"\u20AC\U0001F600");
    w.WriteBoolean(true);
    w.WriteListEnd();
  });
  platform::MemoryStream in(all);
  TBinaryReader r(in);
  r.ReadListBegin();
  EXPECT_FALSE(r.EndOfList());
  EXPECT_EQ(r.NextValue(), vaExtended);
  EXPECT_EQ(r.ReadFloat(), -2.5e-300);
  EXPECT_EQ(r.ReadString(), s256);
  EXPECT_EQ(r.ReadString(), "");
  EXPECT_EQ(r.ReadString(), "\xE2\x82\xAC\xF0\x9F\x98\x80") << "a wide string read as 8-bit text is UTF-8";
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_TRUE(r.EndOfList());
  r.ReadListEnd();
  EXPECT_EQ(in.Remaining(), 0u);
}

TEST(Archive, ReadsUtf8StringsBothWays) {
  Bytes utf8 = {0x14, 0x07, 0x00, 0x00, 0x00, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80};
  platform::MemoryStream a(utf8);
  EXPECT_EQ(TBinaryReader(a).ReadString(), "\xE2\x82\xAC\xF0\x9F\x98\x80");
  platform::MemoryStream b(utf8);
  EXPECT_EQ(TBinaryReader(b).ReadWideString(), u"\u20AC\U0001F600");
}

TEST(Archive, WrongTagsCutAndLyingLengthsAreReadErrors) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::function<void(TBinaryReader&)> read;
    const char* message;
  } cases[] = {
      {"boolean as integer", {0x08}, [](TBinaryReader& r) { r.ReadInteger(); }, "TBinaryReader, read type error"},
      {"integer as boolean", {0x02, 0x01}, [](TBinaryReader& r) { r.ReadBoolean(); }, "TBinaryReader, read type error"},
      {"integer as string", {0x02, 0x01}, [](TBinaryReader& r) { r.ReadString(); }, "TBinaryReader, read type error"},
      {"integer as float", {0x04, 0, 0, 0, 0}, [](TBinaryReader& r) { r.ReadFloat(); }, "TBinaryReader, read type error"},
      {"end as list start", {0x00}, [](TBinaryReader& r) { r.ReadListBegin(); }, "TBinaryReader, read type error"},
      {"list start as end", {0x01}, [](TBinaryReader& r) { r.ReadListEnd(); }, "TBinaryReader, read type error"},
      {"8-bit string as wide", {0x06, 0x01, 'x'}, [](TBinaryReader& r) { r.ReadWideString(); },
       "TBinaryReader, read type error"},
      {"unlisted tag 7", {0x07}, [](TBinaryReader& r) { r.ReadString(); }, "TBinaryReader, read type error"},
      {"empty stream", {}, [](TBinaryReader& r) { r.NextValue(); }, "Stream read error"},
      {"cut 2-byte integer", {0x03, 0x01}, [](TBinaryReader& r) { r.ReadInteger(); }, "Stream read error"},
      {"cut float", {0x05, 0, 0, 0}, [](TBinaryReader& r) { r.ReadFloat(); }, "Stream read error"},
      {"short string longer than the rest", {0x06, 0x0A, 'a', 'b'}, [](TBinaryReader& r) { r.ReadString(); },
       "Stream read error"},
      {"long string of 2 GB", {0x0C, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, [](TBinaryReader& r) { r.ReadString(); },
       "Stream read error"},
      {"long string of negative length", {0x0C, 0xFF, 0xFF, 0xFF, 0xFF}, [](TBinaryReader& r) { r.ReadString(); },
       "Stream read error"},
      {"wide string of 2 units in 3 bytes", {0x12, 0x02, 0, 0, 0, 'a', 0, 'b'},
       [](TBinaryReader& r) { r.ReadWideString(); }, "Stream read error"},
      {"wide string of a billion units", {0x12, 0x00, 0xCA, 0x9A, 0x3B}, [](TBinaryReader& r) { r.ReadString(); },
       "Stream read error"},
      {"UTF-8 string cut in its length", {0x14, 0x01, 0x00}, [](TBinaryReader& r) { r.ReadString(); },
       "Stream read error"},
      {"end of list at the end", {}, [](TBinaryReader& r) { r.EndOfList(); }, "Stream read error"},
  };
  for (const Case& c : cases) {
    platform::MemoryStream stream(c.bytes);
    TBinaryReader reader(stream);
    std::string message;
    try {
      c.read(reader);
      message = "no exception";
    } catch (const platform::ReadError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message) << c.what;
  }
}
