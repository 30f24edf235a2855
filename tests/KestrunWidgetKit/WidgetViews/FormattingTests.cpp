// Memory and disk sizes at their rounding ties and branch edges, and the age phrase around its
// 90-second bound.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "KestrunWidgetKit/WidgetViews/Formatting.h"
#include "KestrunWidgetKit/WidgetViews/WiFiWidgetView.h"
#include "Platform/Foundation/Text.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::diskSize;
using KestrunWidgetKit::gigabytes;
using KestrunWidgetKit::networkLine;
using KestrunWidgetKit::relative;
using KestrunWidgetKit::shownBytes;
using KestrunWidgetKit::shownCharacters;
using KestrunWidgetKit::snapshotText;
using KestrunWidgetKit::WidgetSnapshot;

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

TEST(Gigabytes, CountsPowersOfTwoAndRoundsTiesToEven) {
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

TEST(Gigabytes, NegativeDecimalsCountAsNone) {
  EXPECT_EQ(gigabytes(GiB * 3, -2, true), "3 GB");
}

TEST(DiskSize, WholeGigabytesHalfAwayFromZeroThenTerabytes) {
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

TEST_F(Relative, JustNowBelowNinetySecondsAndForTheFuture) {
  for (double age : {0.0, 1.0, 89.9, -3600.0, -1e9}) {
    EXPECT_EQ(relative(now - age), "just now") << age;
  }
  EXPECT_EQ(relative(Foundation::Date{std::nan("")}), "just now");
}

TEST_F(Relative, FromNinetySecondsTheLocalesShortPhrase) {
  EXPECT_EQ(relative(now - 90), "1 min. ago");
  EXPECT_EQ(relative(now - 1201), "20 min. ago");
  EXPECT_EQ(relative(now - 2 * 3600), "2 hr. ago");
  EXPECT_EQ(relative(now - 3 * 86400), "3 days ago");
}

TEST_F(Relative, ReadsTheClockOnEveryCall) {
  const Foundation::Date date = now - 30;
  EXPECT_EQ(relative(date), "just now");
  clock.advance(3600);
  EXPECT_EQ(relative(date), "1 hr. ago");
}

namespace {
std::string isolated(const std::string& s) {
  return "\u2068" + s + "\u2069";
}
std::string repeated(const std::string& s, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}
}  // namespace

TEST(SnapshotText, IsolatesEveryStringAndCutsOnlyWhatNoWidgetCouldShow) {
  const std::string e = "e\u0301";  // one character, two code points
  const std::string family = "\U0001F469\u200D\U0001F469\u200D\U0001F467";  // one emoji
  const std::string accented = "a" + repeated("\u0301", 10);
  const struct {
    std::string in, out;
  } cases[] = {
      {"", isolated("")},
      {"Home", isolated("Home")},
      {"\u05D1\u05D9\u05EA", isolated("\u05D1\u05D9\u05EA")},
      {"\u202EHome", isolated("\u202EHome")},  // an unclosed override stays inside
      {repeated("a", shownCharacters), isolated(repeated("a", shownCharacters))},
      {repeated("a", shownCharacters + 1), isolated(repeated("a", shownCharacters) + "\u2026")},
      {repeated(e, shownCharacters + 5), isolated(repeated(e, shownCharacters) + "\u2026")},
      {repeated(family, 1000), isolated(repeated(family, shownCharacters) + "\u2026")},
      // Heavily accented letters reach the byte bound first.
      {repeated(accented, 1000),
       isolated(repeated(accented, shownBytes / accented.size()) + "\u2026")},
  };
  for (const auto& c : cases) {
    // Compared without printing: the strings run to kilobytes.
    const std::string shown = snapshotText(c.in);
    EXPECT_TRUE(shown == c.out) << c.in.size() << " bytes in, " << shown.size() << " out";
  }
}

TEST(SnapshotText, ASingleEndlessCharacterIsCutBetweenCodePoints) {
  const std::string zalgo = "a" + repeated("\u0301", 1'000'000);
  const std::string shown = snapshotText(zalgo);
  EXPECT_LE(shown.size(), shownBytes + 9);
  EXPECT_EQ(shown.substr(0, 4), "\u2068a");
  EXPECT_TRUE(Foundation::isValidUTF8(shown));
}

TEST(SnapshotText, TheNetworkLineIsolatesNameAndBand) {
  WidgetSnapshot::WiFi wifi = WidgetSnapshot::sample().wifi.value();
  wifi.ssid = "\u202EHome";
  EXPECT_EQ(networkLine(wifi), isolated("\u202EHome") + " \u00B7 " + isolated("5 GHz"));
  wifi.ssid.reset();
  EXPECT_EQ(networkLine(wifi), isolated("5 GHz"));
}
