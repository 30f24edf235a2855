#include "Platform/Foundation/Date.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

using Foundation::Date;
using Foundation::formatRFC3339;
using Foundation::parseRFC3339;

TEST(RFC3339, AcceptedForms) {
  struct Case {
    const char* text;
    double seconds;
  } cases[] = {
      {"1970-01-01T00:00:00Z", 0},
      {"2026-12-09T05:36:25Z", 1796794585},
      {"2000-02-29T12:00:00Z", 951825600},  // divisible by 400: a leap year
      {"2024-02-29T00:00:00Z", 1709164800},
      {"1969-12-31T23:59:59Z", -1},
      {"0000-01-01T00:00:00Z", -62167219200},
      {"9999-12-31T23:59:59Z", 253402300799},
      {"2026-12-09T05:36:25.5Z", 1796794585.5},
      {"2026-12-09T05:36:25.000000001Z", 1796794585.000000001},
      {"2026-12-09T06:36:25+01:00", 1796794585},
      {"2026-12-09T00:06:25-05:30", 1796794585},
      {"2026-12-09T05:36:25-00:00", 1796794585},
      {"2026-12-09t05:36:25z", 1796794585},
  };
  for (const auto& c : cases) {
    auto d = parseRFC3339(c.text);
    ASSERT_TRUE(d) << c.text;
    EXPECT_DOUBLE_EQ(d->secondsSinceEpoch, c.seconds) << c.text;
  }
}

TEST(RFC3339, ImpossibleOrMalformedDatesFail) {
  const char* cases[] = {
      "2026-13-01T00:00:00Z", "2026-00-10T00:00:00Z", "2026-02-30T00:00:00Z",
      "2025-02-29T00:00:00Z", "1900-02-29T00:00:00Z", "2026-04-31T00:00:00Z",
      "2026-01-00T00:00:00Z", "2026-01-01T25:00:00Z", "2026-01-01T24:00:00Z",
      "2026-01-01T00:60:00Z", "2026-01-01T00:00:60Z", "2026-01-01T00:00:00",
      "2026-01-01 00:00:00Z", "2026-01-01T00:00:00.Z", "2026-01-01T00:00:00+0100",
      "2026-01-01T00:00:00+24:00", "2026-01-01T00:00:00+01:60", " 2026-01-01T00:00:00Z",
      "2026-01-01T00:00:00Z ", "2026-1-01T00:00:00Z", "+2026-01-01T00:00:00Z",
      "2026-01-01T00:00:00ZZ", "", "2026-01-01", "２０２６-01-01T00:00:00Z",
  };
  for (const char* text : cases) EXPECT_FALSE(parseRFC3339(text)) << text;
}

// An offset that moves the instant outside the writable years would give a date that cannot be
// written back, so the reader refuses it; the same wall-clock time a minute inside is accepted.
TEST(RFC3339, InstantsOutsideTheWritableYearsFail) {
  const char* refused[] = {
      "0000-01-01T00:00:00+00:01", "0000-01-01T00:30:00+01:00",   "9999-12-31T23:30:00-01:00",
      "9999-12-31T23:59:59-00:01", "9999-12-31T23:59:59.5-00:01",
  };
  for (const char* text : refused) EXPECT_FALSE(parseRFC3339(text)) << text;
  const char* accepted[] = {
      "0000-01-01T00:00:00-00:01", "0000-01-01T01:00:00+01:00", "9999-12-31T23:59:59.999Z",
      "9999-12-31T22:30:00-01:00", "9999-12-31T23:59:59+00:01",
  };
  for (const char* text : accepted) {
    auto date = parseRFC3339(text);
    ASSERT_TRUE(date) << text;
    EXPECT_TRUE(Foundation::isRFC3339Representable(*date)) << text;
    EXPECT_EQ(parseRFC3339(formatRFC3339(*date))->secondsSinceEpoch,
              std::floor(date->secondsSinceEpoch))
        << text;
  }
  EXPECT_FALSE(Foundation::isRFC3339Representable(Date{std::nan("")}));
  EXPECT_FALSE(Foundation::isRFC3339Representable(Date{253402300800.0}));
}

TEST(RFC3339, WriterDropsFractionsTowardThePast) {
  EXPECT_EQ(formatRFC3339(Date{0}), "1970-01-01T00:00:00Z");
  EXPECT_EQ(formatRFC3339(Date{1796794585.999}), "2026-12-09T05:36:25Z");
  EXPECT_EQ(formatRFC3339(Date{-0.5}), "1969-12-31T23:59:59Z");
  EXPECT_EQ(formatRFC3339(Date{951825600}), "2000-02-29T12:00:00Z");
  // What the writer writes, the reader reads back to the same second.
  for (double s : {-62167219200.0, -1.0, 0.0, 1e9, 1796794585.0, 253402300799.0})
    EXPECT_EQ(parseRFC3339(formatRFC3339(Date{s}))->secondsSinceEpoch, s) << s;
}

TEST(Clock, ScopedClocksReplaceAndNest) {
  Date real = Foundation::Clock::now();
  {
    Foundation::ScopedClock outer(Date{100});
    EXPECT_EQ(Foundation::Clock::now(), Date{100});
    {
      Foundation::ScopedClock inner(Date{200});
      inner.advance(5);
      EXPECT_EQ(Foundation::Clock::now(), Date{205});
    }
    EXPECT_EQ(Foundation::Clock::now(), Date{100});
  }
  EXPECT_GE(Foundation::Clock::now(), real);
}

// A running replacement starts at its date and then moves with the system clock; a stopped one
// nested inside it stands still, and leaving it restores the running clock, not a frozen one.
TEST(Clock, RunningClocksMoveOnFromTheirStart) {
  Foundation::ScopedClock running(Date{1000}, Foundation::ClockPace::running);
  Date first = Foundation::Clock::now();
  EXPECT_GE(first.secondsSinceEpoch, 1000);
  EXPECT_LT(first.secondsSinceEpoch, 1001);
  {
    Foundation::ScopedClock stopped(Date{50});
    EXPECT_EQ(Foundation::Clock::now(), Date{50});
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  Date later = Foundation::Clock::now();
  EXPECT_GT(later.timeIntervalSince(first), 0.015);
  EXPECT_LT(later.timeIntervalSince(first), 5);
  running.advance(3600);
  EXPECT_GT(Foundation::Clock::now().timeIntervalSince(later), 3599.9);
}

}  // namespace
