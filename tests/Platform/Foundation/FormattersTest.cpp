#include "Platform/Foundation/Formatters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "tests/Support/TestSupport.h"

namespace {

using Foundation::Date;
using Foundation::formatByteCount;
using Foundation::formatInteger;
using Foundation::Locale;
using Foundation::RelativeDateTimeFormatter;

const Locale english{"en", "US"};
const Locale german{"de", "DE"};

TEST(FormattersTest, IntegersAreGroupedTheLocalesWay) {
  struct Case {
    std::int64_t value;
    const char *english, *german;
  } cases[] = {
      {0, "0", "0"},
      {999, "999", "999"},
      {1234, "1,234", "1.234"},
      {-1234567, "-1,234,567", "-1.234.567"},
      {std::numeric_limits<std::int64_t>::min(), "-9,223,372,036,854,775,808",
       "-9.223.372.036.854.775.808"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatInteger(c.value, english), c.english);
    EXPECT_EQ(formatInteger(c.value, german), c.german);
  }
  EXPECT_EQ(formatInteger(1234, Locale{"de", "CH"}), "1’234");
}

TEST(FormattersTest, IntegersFollowTheEnvironmentByDefault) {
  {
    TestSupport::ScopedLocale environment("de_DE.UTF-8");
    EXPECT_EQ(formatInteger(1234), "1.234");
  }
  {
    // No locale at all still groups, as the widgets show latencies.
    TestSupport::ScopedLocale environment("C");
    EXPECT_EQ(formatInteger(1234), "1,234");
  }
}

TEST(FormattersTest, ByteCountsInTheFileStyle) {
  struct Case {
    std::int64_t bytes;
    const char* expected;
  } cases[] = {
      {0, "Zero KB"},
      {1, "1 byte"},
      {999, "999 bytes"},
      {1000, "1 KB"},
      {1499, "1 KB"},
      {1500, "2 KB"},  // ties go to even
      {2500, "2 KB"},
      {2501, "3 KB"},
      {999'499, "999 KB"},
      {999'500, "1 MB"},  // 1000 KB after rounding moves up a unit
      {1'000'000, "1 MB"},
      {1'250'000, "1.2 MB"},
      {1'350'000, "1.4 MB"},
      {123'456'789, "123.5 MB"},
      {999'949'999, "999.9 MB"},
      {999'950'000, "1 GB"},
      {1'005'000'000, "1 GB"},
      {1'015'000'000, "1.02 GB"},
      {8'400'000'000, "8.4 GB"},
      {8'450'000'000, "8.45 GB"},
      {245'300'000'000, "245.3 GB"},
      {1'000'000'000'000, "1 TB"},
      {2'500'000'000'000, "2.5 TB"},
      {1'000'000'000'000'000, "1 PB"},
      {std::numeric_limits<std::int64_t>::max(), "9.22 EB"},
      {-1'500'000, "-1.5 MB"},
      {-999, "-999 bytes"},
      {std::numeric_limits<std::int64_t>::min(), "-9.22 EB"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatByteCount(c.bytes, english), c.expected) << c.bytes;
}

TEST(FormattersTest, ByteCountsUseTheLocalesNumbersAndWords) {
  EXPECT_EQ(formatByteCount(8'400'000'000, german), "8,4 GB");
  EXPECT_EQ(formatByteCount(123'456'789, german), "123,5 MB");
  EXPECT_EQ(formatByteCount(999, german), "999 Byte");
  EXPECT_EQ(formatByteCount(0, german), "0 KB");
  EXPECT_EQ(formatByteCount(8'400'000'000, Locale{"de", "CH"}), "8.4 GB");
}

TEST(FormattersTest, UppercasingIsFullUnicodeAndIgnoresTheLocale) {
  TestSupport::ScopedLocale turkish("tr_TR.UTF-8");
  struct Case {
    const char *text, *expected;
  } cases[] = {
      {"Wi-Fi", "WI-FI"},
      {"Needs you · +2 more", "NEEDS YOU · +2 MORE"},
      {"straße", "STRASSE"},
      {"istanbul", "ISTANBUL"},  // no dotted İ: the root locale, not Turkish
      {"ﬁle", "FILE"},
      {"ǆemal", "ǄEMAL"},
      {"", ""},
      {"bad \xff byte", "BAD \uFFFD BYTE"},
  };
  for (const auto& c : cases) EXPECT_EQ(Foundation::uppercased(c.text), c.expected) << c.text;
}

// A fixed reference in mid-month and mid-day, so that month and day counts are the same in every
// time zone the tests may run in.
const Date reference{1718452800};  // 2024-06-15T12:00:00Z
constexpr double minute = 60, hour = 3600, day = 86400;

TEST(FormattersTest, RelativeDatesNameTheLargestWholeUnit) {
  RelativeDateTimeFormatter formatter;
  struct Case {
    double secondsAgo;
    const char *english, *german;
  } cases[] = {
      {0.4, "now", "jetzt"},
      {30, "30 sec. ago", "vor 30 Sek."},
      {90, "1 min. ago", "vor 1 Min."},
      {5 * minute, "5 min. ago", "vor 5 Min."},
      {hour - 1, "59 min. ago", "vor 59 Min."},
      {90 * minute, "1 hr. ago", "vor 1 Std."},
      {2 * hour, "2 hr. ago", "vor 2 Std."},
      {day - 1, "23 hr. ago", "vor 23 Std."},
      {day, "yesterday", "gestern"},
      {2 * day - 1, "yesterday", "gestern"},
      {2 * day, "2 days ago", "vorgestern"},
      {3 * day, "3 days ago", "vor 3 Tagen"},
      {7 * day, "last wk.", "letzte Woche"},
      {14 * day, "2 wk. ago", "vor 2 Wochen"},
      {30 * day, "4 wk. ago", "vor 4 Wochen"},  // May 16: not yet a whole month
      {31 * day, "last mo.", "letzten Monat"},
      {92 * day, "3 mo. ago", "vor 3\u00A0Monaten"},  // ICU's German keeps 3 and Monaten together
      {366 * day, "last yr.", "letztes Jahr"},
      {-2 * hour, "in 2 hr.", "in 2 Std."},
      {-day, "tomorrow", "morgen"},
  };
  for (const auto& c : cases) {
    Date date = reference - c.secondsAgo;
    EXPECT_EQ(formatter.localizedString(date, reference, english), c.english) << c.secondsAgo;
    EXPECT_EQ(formatter.localizedString(date, reference, german), c.german) << c.secondsAgo;
  }
}

TEST(FormattersTest, RelativeDatesInOtherPresentations) {
  using P = RelativeDateTimeFormatter::Presentation;
  using U = RelativeDateTimeFormatter::UnitsStyle;
  RelativeDateTimeFormatter numeric(P::numeric), wide(P::named, U::wide);
  EXPECT_EQ(numeric.localizedString(reference - day, reference, english), "1 day ago");
  EXPECT_EQ(numeric.localizedString(reference, reference, english), "in 0 sec.");
  EXPECT_EQ(wide.localizedString(reference - 2 * hour, reference, english), "2 hours ago");
  EXPECT_EQ(wide.localizedString(reference - 2 * hour, reference, german), "vor 2 Stunden");
}

TEST(FormattersTest, RelativeDatesSurviveDatesNoCalendarHolds) {
  RelativeDateTimeFormatter formatter;
  EXPECT_EQ(formatter.localizedString(Date{std::nan("")}, reference, english), "now");
  EXPECT_EQ(formatter.localizedString(Date{INFINITY}, reference, english), "now");
  EXPECT_FALSE(formatter.localizedString(Date{-1e300}, reference, english).empty());
  EXPECT_FALSE(formatter.localizedString(Date{1e300}, reference, english).empty());
}

TEST(FormattersTest, FormattersAreSafeFromManyThreads) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &failures] {
      const Locale& locale = t % 2 ? german : english;
      RelativeDateTimeFormatter formatter;
      for (int i = 0; i < 300; ++i) {
        bool ok = formatInteger(1234, locale) == (t % 2 ? "1.234" : "1,234") &&
                  formatByteCount(8'400'000'000, locale) == (t % 2 ? "8,4 GB" : "8.4 GB") &&
                  formatter.localizedString(reference - day, reference, locale) ==
                      (t % 2 ? "gestern" : "yesterday");
        failures[std::size_t(t)] += !ok;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
