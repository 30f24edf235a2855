#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace {

using Severity = WidgetSnapshot::Severity;
using Tint = WidgetSnapshot::Tint;

WidgetSnapshot::WiFi wifi(std::int64_t rssi) { return {"Net", "5 GHz", rssi, 3, 9, 0}; }

WidgetSnapshot snapshot() {
  return {Foundation::Date{1'000'000},
          WidgetSnapshot::Memory{8, 16, 0, Severity::warning},
          true,
          wifi(-60),
          WidgetSnapshot::SpeedTest{100, 20, Foundation::Date{999'000}},
          WidgetSnapshot::Disk{1, 2, std::nullopt},
          1,
          {{"a", "First", "one", Severity::info, "sweep", "folder.fill", Tint::blue},
           {"b", "Second", "two", Severity::critical, "ports", "bolt", Tint::red}},
          2,
          1,
          1};
}

TEST(SignalTitle, BoundsOfEachBand) {
  struct Case {
    std::int64_t rssi;
    const char* title;
  } cases[] = {{40, "Excellent"}, {0, "Excellent"}, {-55, "Excellent"}, {-56, "Good"},
               {-65, "Good"},     {-66, "Fair"},    {-72, "Fair"},      {-73, "Weak"},
               {INT64_MIN, "Weak"}};
  for (const auto& c : cases) EXPECT_EQ(wifi(c.rssi).signalTitle(), c.title) << c.rssi;
}

TEST(SignalFraction, ClampedBetweenFivePercentAndFull) {
  struct Case {
    std::int64_t rssi;
    double fraction;
  } cases[] = {{-100, 0.05}, {-87, 0.05}, {-84, 0.1}, {-60, 0.5}, {-30, 1.0}, {0, 1.0},
               {INT64_MAX, 1.0}, {INT64_MIN, 0.05}};
  for (const auto& c : cases)
    EXPECT_NEAR(wifi(c.rssi).signalFraction(), c.fraction, 1e-12) << c.rssi;
  EXPECT_DOUBLE_EQ(wifi(-58).signalFraction(), 32.0 / 60.0);
}

TEST(MemoryFraction, ZeroPhysicalCountsAsOneAndNothingIsClamped) {
  EXPECT_DOUBLE_EQ((WidgetSnapshot::Memory{5, 0, 0, Severity::info}.fraction()), 5.0);
  EXPECT_GT((WidgetSnapshot::Memory{17, 16, 0, Severity::info}.fraction()), 1.0);
  EXPECT_DOUBLE_EQ((WidgetSnapshot::Memory{UINT64_MAX, UINT64_MAX, 0, Severity::info}.fraction()),
                   1.0);
}

TEST(PressureTitle, OnePerSeverity) {
  EXPECT_EQ((WidgetSnapshot::Memory{0, 1, 0, Severity::info}.pressureTitle()), "Normal");
  EXPECT_EQ((WidgetSnapshot::Memory{0, 1, 0, Severity::warning}.pressureTitle()), "High");
  EXPECT_EQ((WidgetSnapshot::Memory{0, 1, 0, Severity::critical}.pressureTitle()), "Critical");
}

TEST(RawValues, SeverityAndTintAcceptExactlyTheirCases) {
  EXPECT_EQ(WidgetSnapshot::severityFromRawValue(0), Severity::info);
  EXPECT_EQ(WidgetSnapshot::severityFromRawValue(2), Severity::critical);
  for (std::int64_t bad : std::vector<std::int64_t>{3, -1, INT64_MIN, INT64_MAX})
    EXPECT_FALSE(WidgetSnapshot::severityFromRawValue(bad)) << bad;
  EXPECT_LT(Severity::info, Severity::warning);
  EXPECT_LT(Severity::warning, Severity::critical);

  for (Tint t : WidgetSnapshot::allTints)
    EXPECT_EQ(WidgetSnapshot::tintFromRawValue(WidgetSnapshot::rawValue(t)), t);
  EXPECT_EQ(WidgetSnapshot::rawValue(Tint::indigo), "indigo");
  for (const char* bad : {"Blue", " blue", "blue ", "", "grey", "BRAND"})
    EXPECT_FALSE(WidgetSnapshot::tintFromRawValue(bad)) << bad;
}

TEST(Staleness, MoreThanTwentyMinutesOld) {
  WidgetSnapshot s = snapshot();
  EXPECT_FALSE(s.isStale(s.updated + 1200));
  EXPECT_TRUE(s.isStale(s.updated + 1200.5));
  EXPECT_FALSE(s.isStale(s.updated - 5000));
}

TEST(Equality, TextComparesByCanonicalEquivalence) {
  WidgetSnapshot a = snapshot(), b = snapshot();
  a.attention[0].title = "Caf\u00e9";
  b.attention[0].title = "Cafe\u0301";
  a.wifi->ssid = "\u00c5";
  b.wifi->ssid = "A\u030a";
  EXPECT_EQ(a, b);
  b.attention[0].title = "Cafe";
  EXPECT_NE(a, b);
}

TEST(Equality, EveryFieldCounts) {
  const WidgetSnapshot base = snapshot();
  std::vector<std::pair<const char*, void (*)(WidgetSnapshot&)>> changes = {
      {"memory absent", [](WidgetSnapshot& s) { s.memory.reset(); }},
      {"swap", [](WidgetSnapshot& s) { s.memory->swapUsed = 1; }},
      {"wifiChecked", [](WidgetSnapshot& s) { s.wifiChecked = false; }},
      {"ssid absent", [](WidgetSnapshot& s) { s.wifi->ssid.reset(); }},
      {"internetMs", [](WidgetSnapshot& s) { s.wifi->internetMs.reset(); }},
      {"speed test date", [](WidgetSnapshot& s) { s.speedTest->date = s.speedTest->date + 1; }},
      {"cleanable", [](WidgetSnapshot& s) { s.disk->cleanable = 0; }},
      {"devRunning", [](WidgetSnapshot& s) { s.devRunning = 2; }},
      {"tint", [](WidgetSnapshot& s) { s.attention[1].tint = Tint::orange; }},
      {"order", [](WidgetSnapshot& s) { std::swap(s.attention[0], s.attention[1]); }},
      {"one item fewer", [](WidgetSnapshot& s) { s.attention.pop_back(); }},
      {"toCheck", [](WidgetSnapshot& s) { s.toCheck = 0; }},
  };
  for (const auto& [name, change] : changes) {
    WidgetSnapshot changed = base;
    change(changed);
    EXPECT_NE(changed, base) << name;
    EXPECT_FALSE(changed.sameContent(base)) << name;
  }
}

TEST(SameContent, IgnoresOnlyTheUpdateTime) {
  WidgetSnapshot a = snapshot(), b = snapshot();
  b.updated = b.updated + 60;
  EXPECT_NE(a, b);
  EXPECT_TRUE(a.sameContent(b));
  EXPECT_TRUE(b.sameContent(a));
}

TEST(Sample, FilledForEveryWidgetAndBuiltOnce) {
  const WidgetSnapshot& s = WidgetSnapshot::sample();
  ASSERT_TRUE(s.memory && s.wifi && s.speedTest && s.disk);
  EXPECT_EQ(s.wifi->signalTitle(), "Good");
  EXPECT_NEAR(s.memory->fraction(), 0.575, 0.001);
  EXPECT_EQ(s.memory->pressureTitle(), "Normal");
  EXPECT_NEAR(s.speedTest->date.timeIntervalSince(s.updated), -7200, 1.0);
  EXPECT_EQ(s.urgent, 0);
  EXPECT_EQ(s.toCheck, 1);
  ASSERT_EQ(s.attention.size(), 2u);
  EXPECT_EQ(s.attention[0].severity, Severity::warning);
  EXPECT_EQ(s.attention[1].severity, Severity::info);
  EXPECT_EQ(s.attention[0].detail, "kestrun (\u21911), zelno (\u21913)");
  EXPECT_EQ(s.attention[0].detail.size(), 24u + 2 * 2);  // two arrows of three bytes each

  // Asked for from several threads at once, and later with another clock: one value.
  std::vector<const WidgetSnapshot*> seen(4);
  std::vector<std::thread> threads;
  for (auto& p : seen) threads.emplace_back([&p] { p = &WidgetSnapshot::sample(); });
  for (auto& t : threads) t.join();
  Foundation::ScopedClock later(s.updated + 60);
  for (auto* p : seen) EXPECT_EQ(p, &s);
  EXPECT_EQ(WidgetSnapshot::sample().updated, s.updated);
}

}  // namespace
