#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/stream.h"
#include "scratch_dir.h"

using namespace platform;

TEST(Stream, ReadsNeverPassTheEndAndFilesSwitchBetweenReadAndWrite) {
  MemoryStream memory(std::string("abcdef"));
  char buffer[8] = {};
  memory.ReadBuffer(buffer, 4);
  EXPECT_EQ(std::string(buffer, 4), "abcd");
  EXPECT_THROW(memory.ReadBuffer(buffer, 3), ReadError);
  EXPECT_EQ(memory.Position(), 4u) << "a refused read takes nothing";
  EXPECT_THROW(memory.SetPosition(7), ReadError);
  memory.SetPosition(6);
  memory.WriteBuffer("gh", 2);
  EXPECT_EQ(memory.DataString(), "abcdefgh");

  testing_support::ScratchDir scratch("stream");
  std::string path = scratch.File("s.bin");
  {
    FileStream file(path, fmCreate);
    file.WriteBuffer("12345", 5);
    file.SetPosition(1);
    file.ReadBuffer(buffer, 2);
    EXPECT_EQ(std::string(buffer, 2), "23");
    file.WriteBuffer("x", 1);
    EXPECT_EQ(file.Size(), 5u);
    file.Flush();
  }
  FileStream reader(path, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(reader.Size(), 5u);
  EXPECT_EQ(reader.Write("no", 2), 0u) << "a stream opened for reading takes no bytes";
  EXPECT_THROW(reader.WriteBuffer("no", 2), WriteError);
  reader.ReadBuffer(buffer, 5);
  EXPECT_EQ(std::string(buffer, 5), "123x5");
  EXPECT_THROW(FileStream(scratch.File("missing"), fmOpenRead), FileError);
  EXPECT_THROW(FileStream(scratch.Dir(), fmOpenRead), FileError);
}

TEST(Clock, ElapsedMillisecondsStayStrictlyIncreasingWithinAMillisecond) {
  uint64_t now = 1000;
  ElapsedTimer timer([&] { return now; });
  now = 1005;
  EXPECT_DOUBLE_EQ(timer.ElapsedMilliseconds(), 5.0);
  EXPECT_DOUBLE_EQ(timer.ElapsedMilliseconds(), 5.1);
  EXPECT_DOUBLE_EQ(timer.ElapsedMilliseconds(), 5.2);
  now = 1006;
  EXPECT_DOUBLE_EQ(timer.ElapsedMilliseconds(), 6.0);
  EXPECT_DOUBLE_EQ(timer.ElapsedMilliseconds(), 6.1);
  now = 900;  // a source that runs back never gives a negative time
  EXPECT_DOUBLE_EQ(timer.ElapsedMilliseconds(), 0.0);

  double a = ElapsedMilliseconds();
  double b = ElapsedMilliseconds();
  EXPECT_GE(a, 0.0);
  EXPECT_GT(b, a) << "the program's own timer is steady and strictly increasing";
  int64_t frequency = 0;
  EXPECT_TRUE(QueryFrequency(frequency));
  EXPECT_GT(frequency, 0);
  int64_t first = QueryCounter();
  EXPECT_LE(first, QueryCounter());
}
