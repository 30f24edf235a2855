#include "KestrunProbe/Probe.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::decodeSnapshot;
using KestrunWidgetKit::encodeSnapshot;
using KestrunWidgetKit::WidgetSnapshot;

using namespace Probe;
using Severity = WidgetSnapshot::Severity;
using Tint = WidgetSnapshot::Tint;
using TestSupport::TemporaryDirectory;
using TestSupport::writeFile;

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

WidgetSnapshot::Memory memory(Severity pressure) {
  return {4 * GiB, 16 * GiB, 0, pressure};
}

class NoWireless : public WirelessSource {
 public:
  std::optional<Association> association() override { return std::nullopt; }
};
class NoEcho : public EchoPinger {
 public:
  std::optional<double> echo(const in_addr&, std::chrono::milliseconds) override {
    return std::nullopt;
  }
  bool available(std::string*) override { return false; }
};

}  // namespace

TEST(ProbeAttention, ItemsInTheSampleShapeMostSevereFirst) {
  Findings findings;
  findings.memory = memory(Severity::critical);
  findings.disk = WidgetSnapshot::Disk{1'500'000'000, 500'000'000'000, 8'400'000'000};
  findings.wifi = WidgetSnapshot::WiFi{"Home", "5 GHz", -80, 4, std::nullopt, 1};
  findings.unpushed = {{"kestrun", 3}, {"zelno", 1}};
  auto items = attentionItems(findings);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].id, "disk-low");
  EXPECT_EQ(items[0].title, "Only 1.5 GB free on disk");
  EXPECT_EQ(items[0].severity, Severity::critical);
  EXPECT_EQ(items[1].id, "memory-pressure");
  EXPECT_EQ(items[1].title, "Memory pressure is critical");
  EXPECT_EQ(items[1].tint, Tint::red);
  EXPECT_EQ(items[2].id, "repos-unpushed");
  EXPECT_EQ(items[2].title, "2 repos have commits not pushed");
  EXPECT_EQ(items[2].detail, "kestrun (\u21913), zelno (\u21911)");
  EXPECT_EQ(items[2].section, "projects");
  EXPECT_EQ(items[2].symbol, "folder.fill");
  EXPECT_EQ(items[2].tint, Tint::blue);
  EXPECT_EQ(items[2].severity, Severity::warning);
  EXPECT_EQ(items[3].id, "wifi-weak");
  EXPECT_EQ(items[3].detail, "-80 dBm on Home");
  EXPECT_EQ(items[4].id, "sweep");
  EXPECT_EQ(items[4].title, "8.4 GB can be cleared");
  EXPECT_EQ(items[4].severity, Severity::info);
  EXPECT_EQ(items[4].symbol, "internaldrive.fill");
  EXPECT_EQ(items[4].tint, Tint::purple);

  WidgetSnapshot snapshot = WidgetSnapshot::sample();
  setAttention(snapshot, items);
  EXPECT_EQ(snapshot.attentionTotal, 5);
  EXPECT_EQ(snapshot.urgent, 2);
  EXPECT_EQ(snapshot.toCheck, 2);
}

TEST(ProbeAttention, NothingMeasuredOrNothingWrongMeansNoItems) {
  EXPECT_TRUE(attentionItems(Findings{}).empty());
  Findings healthy;
  healthy.memory = memory(Severity::info);
  healthy.disk = WidgetSnapshot::Disk{200'000'000'000, 500'000'000'000, 999'999'999};
  healthy.wifi = WidgetSnapshot::WiFi{"Home", "5 GHz", -72, 4, std::nullopt, 0};
  EXPECT_TRUE(attentionItems(healthy).empty());
  // A cleanable figure that could not be measured raises nothing.
  healthy.disk->cleanable = std::nullopt;
  EXPECT_TRUE(attentionItems(healthy).empty());
}

TEST(ProbeAttention, OneRepositoryAndManyRepositories) {
  Findings one;
  one.unpushed = {{"solo", 2}};
  auto items = attentionItems(one);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].title, "1 repo has commits not pushed");
  EXPECT_EQ(items[0].detail, "solo (\u21912)");
  Findings many;
  for (int i = 0; i < 9; ++i) many.unpushed.push_back({"r" + std::to_string(i), 1});
  auto detail = attentionItems(many)[0].detail;
  EXPECT_TRUE(detail.ends_with("r5 (\u21911), and 3 more")) << detail;
}

TEST(ProbeAttention, SmallDisksAreLowByShareLargeOnesByBytes) {
  Findings small;
  small.disk = WidgetSnapshot::Disk{3'000'000'000, 100'000'000'000, std::nullopt};  // 3 %
  EXPECT_EQ(attentionItems(small).size(), 1u);
  Findings large;
  large.disk = WidgetSnapshot::Disk{30'000'000'000, 100'000'000'000, std::nullopt};
  EXPECT_TRUE(attentionItems(large).empty());
}

TEST(ProbeRound, AFakeMachineGivesASnapshotTheWidgetsRead) {
  TemporaryDirectory root, projects;
  writeFile(root / "proc/meminfo",
            "MemTotal: 16777216 kB\nMemAvailable: 4194304 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n");
  Sources sources;
  sources.root = root.path();
  sources.space = [](const std::filesystem::path&) {
    return std::optional<FileSystemSpace>({{500'000'000'000, 1'000'000'000}});
  };
  sources.wireless = std::make_unique<NoWireless>();
  sources.pinger = std::make_unique<NoEcho>();
  sources.uid = ::getuid();
  sources.projectRoots = {projects.path()};
  Probe::Probe probe(std::move(sources));
  std::vector<std::string> notes;
  Foundation::ScopedClock clock(Foundation::Date{1'800'000'000});
  WidgetSnapshot::SpeedTest carried{100, 20, Foundation::Date{1'799'999'000}};
  auto snapshot = probe.measure(carried, notes);

  EXPECT_EQ(snapshot.updated, Foundation::Date{1'800'000'000});
  ASSERT_TRUE(snapshot.memory);
  EXPECT_EQ(snapshot.memory->used, 12 * GiB);
  EXPECT_EQ(snapshot.memory->pressure,
            Severity::info);  // no pressure file: a quarter available is enough
  EXPECT_TRUE(snapshot.wifiChecked);
  EXPECT_FALSE(snapshot.wifi);
  EXPECT_EQ(snapshot.speedTest, carried);
  ASSERT_TRUE(snapshot.disk);
  EXPECT_EQ(snapshot.disk->free, 1'000'000'000);
  EXPECT_FALSE(snapshot.disk->cleanable);
  EXPECT_EQ(snapshot.devRunning, 0);  // the fake tree has no socket tables
  EXPECT_EQ(snapshot.attentionTotal, static_cast<std::int64_t>(snapshot.attention.size()));
  ASSERT_FALSE(snapshot.attention.empty());
  EXPECT_EQ(snapshot.attention[0].id, "disk-low");

  std::string diagnosis;
  auto decoded = decodeSnapshot(encodeSnapshot(snapshot), &diagnosis);
  ASSERT_TRUE(decoded) << diagnosis;
  EXPECT_TRUE(decoded->sameContent(snapshot));
}

TEST(ProbeRound, TheCleanableFigureIsReusedUntilItsRefreshIsDue) {
  TemporaryDirectory root, cache;
  auto makeSources = [&](std::chrono::seconds refresh) {
    Sources sources;
    sources.root = root.path();
    sources.space = [](const std::filesystem::path&) {
      return std::optional<FileSystemSpace>({{100, 50}});
    };
    sources.cleanable = {cache.path()};
    sources.cleanableRefresh = refresh;
    return sources;
  };
  Probe::Probe reusing(makeSources(std::chrono::seconds(600)));
  Probe::Probe walking(makeSources(std::chrono::seconds(0)));
  std::vector<std::string> notes;
  auto before = reusing.measure(std::nullopt, notes).disk->cleanable;
  ASSERT_TRUE(before);
  EXPECT_EQ(walking.measure(std::nullopt, notes).disk->cleanable, before);
  writeFile(cache / "new", std::string(1 << 20, 'x'));
  EXPECT_EQ(reusing.measure(std::nullopt, notes).disk->cleanable, before);
  auto after = walking.measure(std::nullopt, notes).disk->cleanable;
  ASSERT_TRUE(after);
  EXPECT_GE(*after, *before + (1 << 20));
}
