// Memory and disk sizes at their rounding ties and branch edges, and the age phrase around its
// 90-second bound.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "KestrunWidgetKit/WidgetViews/Formatting.h"
#include "KestrunWidgetKit/WidgetViews/WiFiWidgetView.h"
#include "tests/Support/TestSupport.h"

namespace {

struct GigabytesCase {
  std::uint64_t bytes;
  int decimals;
  bool unit;
  const char* expected;
};

struct DiskCase {
  std::int64_t bytes;
  const char* expected;
};

constexpr std::uint64_t GiB = 1073741824;

}  // namespace

TEST(Gigabytes, countsPowersOfTwoAndRoundsTiesToEven) {
  const GigabytesCase cases[] = {
      {17179869184, 0, true, "16 GB"},
      {6442450944, 1, true, "6.0 GB"},
      {0, 1, false, "0.0"},
      {GiB, 1, true, "1.0 GB"},
      {1000000000, 1, true, "0.9 GB"},  // 0.931…: gibibytes, not 10^9
      {GiB * 3 / 2, 0, false, "2"},     // 1.5 exactly: to even
      {GiB * 5 / 2, 0, false, "2"},     // 2.5 exactly: to even, unlike diskSize
      {GiB * 7 / 2, 0, false, "4"},
      {GiB / 4, 1, true, "0.2 GB"},      // 0.25 exactly: to even
      {GiB * 3 / 4, 1, true, "0.8 GB"},  // 0.75 exactly: to even
      {GiB * 12345, 0, false, "12345"},  // no grouping
      {GiB * 54321, 2, true, "54321.00 GB"},
      {GiB, 3, true, "1.000 GB"},
      {std::numeric_limits<std::uint64_t>::max(), 0, true, "17179869184 GB"},  // 2^64 / 2^30
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gigabytes(c.bytes, c.decimals, c.unit), c.expected)
        << c.bytes << " bytes, " << c.decimals << " decimals";
  }
}

TEST(Gigabytes, negativeDecimalsCountAsNone) {
  EXPECT_EQ(gigabytes(GiB * 3, -2, true), "3 GB");
}

TEST(DiskSize, wholeGigabytesHalfAwayFromZeroThenTerabytes) {
  const DiskCase cases[] = {
      {245300000000, "245 GB"},
      {999499999999, "999 GB"},
      {999500000000, "1000 GB"},  // rounds up but stays in gigabytes: the branch is unrounded
      {999999999999, "1000 GB"},
      {1000000000000, "1.0 TB"},
      {2500000000000, "2.5 TB"},
      {0, "0 GB"},
      {499999999, "0 GB"},
      {500000000, "1 GB"},
      {2500000000, "3 GB"},  // a tie goes away from zero here
      {-1500000000, "-2 GB"},
      {-2500000000, "-3 GB"},
      {-400000000, "0 GB"},  // never "-0 GB"
      {std::numeric_limits<std::int64_t>::min(), "-9223372037 GB"},
      {std::numeric_limits<std::int64_t>::max(), "9223372.0 TB"},
  };
  for (const auto& c : cases) EXPECT_EQ(diskSize(c.bytes), c.expected) << c.bytes << " bytes";
}

class Relative : public ::testing::Test {
 protected:
  TestSupport::ScopedLocale english{"en_US.UTF-8"};
  const Foundation::Date now{1750000000};
  Foundation::ScopedClock clock{now};
};

TEST_F(Relative, justNowBelowNinetySecondsAndForTheFuture) {
  for (double age : {0.0, 1.0, 89.9, -3600.0, -1e9}) {
    EXPECT_EQ(relative(now - age), "just now") << age;
  }
  EXPECT_EQ(relative(Foundation::Date{std::nan("")}), "just now");
}

TEST_F(Relative, fromNinetySecondsTheLocalesShortPhrase) {
  EXPECT_EQ(relative(now - 90), "1 min. ago");
  EXPECT_EQ(relative(now - 1201), "20 min. ago");
  EXPECT_EQ(relative(now - 2 * 3600), "2 hr. ago");
  EXPECT_EQ(relative(now - 3 * 86400), "3 days ago");
}

TEST_F(Relative, readsTheClockOnEveryCall) {
  const Foundation::Date date = now - 30;
  EXPECT_EQ(relative(date), "just now");
  clock.advance(3600);
  EXPECT_EQ(relative(date), "1 hr. ago");
}

TEST(IsolatedDirection, wrapsOnlyStringsThatCarryDirectionControls) {
  const std::string fsi = "\u200E\u2068", pdi = "\u2069";
  for (const char* plain : {"", "Home", "\u05D0\u05D1 Wi-Fi", "caf\u00E9 \u2014 \u20AC", "\xE2\x80"})
    EXPECT_EQ(isolatedDirection(plain), plain);
  for (const char* control : {"\u202EHome", "a\u202Ab", "\u202D", "x\u2066y", "\u2069", "\u200F",
                              "\u200E", "\u061C"})
    EXPECT_EQ(isolatedDirection(control), fsi + control + pdi) << control;
}

TEST(IsolatedDirection, keepsAnUnclosedOverrideInsideTheNetworkName) {
  WidgetSnapshot::WiFi wifi = WidgetSnapshot::sample().wifi.value();
  wifi.ssid = "\u202EHome";
  EXPECT_EQ(networkLine(wifi), "\u200E\u2068\u202EHome\u2069 \u00B7 5 GHz");
}
