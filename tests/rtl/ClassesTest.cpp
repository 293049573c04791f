#include "rtl/Classes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "rtl/Clock.h"
#include "rtl/DateUtils.h"

namespace {

using namespace rtl;

TEST(MemoryStream, ReadWriteSeek) {
  TMemoryStream s;
  s.WriteBuffer("hello", 5);
  EXPECT_EQ(s.Size(), 5);
  EXPECT_EQ(s.Position(), 5);
  EXPECT_EQ(s.Seek(-2, soEnd), 3);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 2);  // short read returns what there is
  EXPECT_STREQ(buf, "lo");
  EXPECT_EQ(s.Read(buf, 8), 0);

  // Seeking past the end is allowed; writing there fills the gap with zeros.
  EXPECT_EQ(s.Seek(8, soBeginning), 8);
  EXPECT_EQ(s.Size(), 5);
  s.WriteBuffer("!", 1);
  ASSERT_EQ(s.Size(), 9);
  EXPECT_EQ(std::memcmp(s.Memory(), "hello\0\0\0!", 9), 0);

  // A position before the start is refused and the position stays.
  EXPECT_EQ(s.Seek(-10, soCurrent), -1);
  EXPECT_EQ(s.Position(), 9);
  EXPECT_EQ(s.Seek(-1, soBeginning), -1);

  s.SetSize(3);
  EXPECT_EQ(s.Position(), 3);
  EXPECT_THROW(s.SetSize(-1), EStreamError);
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStream, ExactTransfersRaise) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.SetPosition(1);
  char buf[4];
  try {
    s.ReadBuffer(buf, 3);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  s.SetPosition(0);
  EXPECT_NO_THROW(s.ReadBuffer(buf, 0));
  EXPECT_NO_THROW(s.ReadBuffer(buf, 3));
  EXPECT_THROW(s.ReadBuffer(buf, -1), EReadError);
  EXPECT_THROW(s.WriteBuffer(buf, -1), EWriteError);

  // A write that would pass what a memory stream can hold fails cleanly.
  s.SetPosition(0x7FFFFFFF);
  try {
    s.WriteBuffer("x", 1);
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
  EXPECT_EQ(s.Size(), 3);
}

TEST(MemoryStream, CopyFrom) {
  TMemoryStream source, target;
  std::vector<uint8_t> data(100000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  source.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));

  // Count 0 copies the whole source from its start, whatever its position.
  EXPECT_EQ(target.CopyFrom(source, 0), 100000);
  EXPECT_EQ(target.Data(), data);

  source.SetPosition(10);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(source, 5), 5);
  EXPECT_EQ(std::vector<uint8_t>(part.Data()), std::vector<uint8_t>(data.begin() + 10, data.begin() + 15));

  source.SetPosition(99990);
  EXPECT_THROW(part.CopyFrom(source, 11), EReadError);
  EXPECT_THROW(part.CopyFrom(source, -1), EReadError);
}

TEST(Clock, FixedClockAdvancesOnSleep) {
  TFixedClock clock(45000.5, 0xFFFFFFF0u);
  std::vector<uint32_t> slept;
  clock.OnSleep = [&](uint32_t ms) { slept.push_back(ms); };
  SetClock(&clock);
  Clock().Sleep(7000);
  Clock().Sleep(250);
  EXPECT_EQ(Clock().TickCount(), 0xFFFFFFF0u + 7250u);  // wraps like a 32-bit tick count
  EXPECT_DOUBLE_EQ(Clock().Now(), 45000.5 + 7250.0 / 86400000.0);
  EXPECT_EQ(slept, (std::vector<uint32_t>{7000, 250}));
  SetClock(nullptr);
  EXPECT_NE(&Clock(), &clock);
}

TEST(Clock, SystemClockIsLocalTimeAndMonotonic) {
  TSystemClock clock;
  uint32_t t0 = clock.TickCount();
  TDateTime now = clock.Now();
  clock.Sleep(40);
  // Windows' tick count moves in steps of up to 16 ms.
  EXPECT_GE(static_cast<uint32_t>(clock.TickCount() - t0), 40u - 16u);
  time_t host = time(nullptr);
  const std::tm local = *std::localtime(&host);
  // The C library's local time of the same moment, within a minute.
  const TDateTime expected =
      EncodeDate(static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint16_t>(local.tm_mon + 1),
                 static_cast<uint16_t>(local.tm_mday)) +
      EncodeTime(static_cast<uint16_t>(local.tm_hour), static_cast<uint16_t>(local.tm_min),
                 static_cast<uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec), 0);
  EXPECT_NEAR(now, expected, 1.0 / 24 / 60);
}

TEST(Exceptions, AbortIsSilentAbort) {
  try {
    Abort();
  } catch (const EAbort& e) {
    EXPECT_EQ(e.Message(), "Operation aborted");
    return;
  }
  FAIL() << "no EAbort";
}

}  // namespace
