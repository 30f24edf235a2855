#include "KestrunProbe/Memory.h"

#include <sys/sysinfo.h>

#include <gtest/gtest.h>

#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

using namespace Probe;
using Severity = WidgetSnapshot::Severity;
using TestSupport::TemporaryDirectory;
using TestSupport::writeFile;

TEST(ProbeMemory, MeminfoIsReadByKeyInBytes) {
  auto values = parseMeminfo(
      "MemTotal:       24683748 kB\nMemFree: 100 kB\nHugePages_Total:       7\n"
      "Broken line\nNoNumber: x kB\nOtherUnit: 5 MB\n:9 kB\n");
  EXPECT_EQ(values.at("MemTotal"), 24683748ull * 1024);
  EXPECT_EQ(values.at("MemFree"), 102400u);
  EXPECT_EQ(values.at("HugePages_Total"), 7u);
  EXPECT_EQ(values.size(), 3u);
}

TEST(ProbeMemory, PressureAveragesOfSomeAndFull) {
  auto both = parsePressure(
      "some avg10=12.50 avg60=3.00 avg300=1.00 total=12345\nfull avg10=0.75 avg60=0.00 avg300=0.00 "
      "total=1\n");
  ASSERT_TRUE(both);
  EXPECT_DOUBLE_EQ(both->someAvg10, 12.5);
  EXPECT_EQ(both->fullAvg10, 0.75);
  auto someOnly = parsePressure("some avg10=1.00 avg60=0.00 avg300=0.00 total=0\n");
  ASSERT_TRUE(someOnly);
  EXPECT_FALSE(someOnly->fullAvg10);
  EXPECT_FALSE(parsePressure(""));
  EXPECT_FALSE(parsePressure("some avg10=nan avg60=0 avg300=0 total=0\n"));
  EXPECT_FALSE(parsePressure("some avg10=150.00 avg60=0 avg300=0 total=0\n"));
}

TEST(ProbeMemory, PressureLevels) {
  constexpr std::uint64_t G = 1ull << 30;
  struct Case {
    std::uint64_t available, swapTotal, swapFree;
    std::optional<PressureAverages> psi;
    Severity expected;
  };
  const Case cases[] = {
      {7 * G, 0, 0, PressureAverages{0, 0.0}, Severity::info},
      {7 * G, 0, 0, PressureAverages{15, 0.0}, Severity::warning},
      {7 * G, 0, 0, PressureAverages{9.9, 0.0}, Severity::info},
      {7 * G, 0, 0, PressureAverages{40, 12.0}, Severity::critical},
      {7 * G, 0, 0, PressureAverages{40, std::nullopt}, Severity::warning},
      // Half or more available: stalls come from elsewhere.
      {8 * G, 0, 0, PressureAverages{40, 12.0}, Severity::info},
      {10 * G, 0, 0, PressureAverages{40, 12.0}, Severity::info},
      // Memory and swap both nearly used up.
      {1 * G, 8 * G, G / 2, PressureAverages{0, 0.0}, Severity::critical},
      {1 * G, 0, 0, PressureAverages{0, 0.0}, Severity::info},
      // Without pressure information, the share available decides.
      {G / 2, 0, 0, std::nullopt, Severity::critical},
      {2 * G, 0, 0, std::nullopt, Severity::warning},
      {4 * G, 0, 0, std::nullopt, Severity::info},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pressureLevel(16 * G, c.available, c.swapTotal, c.swapFree, c.psi), c.expected)
        << c.available / G << " GiB available";
  EXPECT_EQ(pressureLevel(0, 0, 0, 0, std::nullopt), Severity::info);
}

TEST(ProbeMemory, FakeTreeGivesUsedAsTotalMinusAvailable) {
  TemporaryDirectory root;
  writeFile(root / "proc/meminfo",
            "MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 400 kB\nSwapTotal: 50 kB\nSwapFree: "
            "20 kB\n");
  writeFile(
      root / "proc/pressure/memory",
      "some avg10=20.00 avg60=0 avg300=0 total=0\nfull avg10=0.00 avg60=0 avg300=0 total=0\n");
  auto memory = measureMemory(root.path());
  ASSERT_TRUE(memory);
  EXPECT_EQ(memory->physical, 1024000u);
  EXPECT_EQ(memory->used, 600u * 1024);
  EXPECT_EQ(memory->swapUsed, 30u * 1024);
  EXPECT_EQ(memory->pressure, Severity::warning);
}

TEST(ProbeMemory, WithoutMemAvailableOrWithNonsenseThereIsNoMemory) {
  for (const char* text :
       {"MemTotal: 1000 kB\nMemFree: 100 kB\n", "MemTotal: 100 kB\nMemAvailable: 200 kB\n", ""}) {
    TemporaryDirectory root;
    writeFile(root / "proc/meminfo", text);
    EXPECT_FALSE(measureMemory(root.path())) << text;
  }
  TemporaryDirectory empty;
  EXPECT_FALSE(measureMemory(empty.path()));
}

TEST(ProbeMemory, ThisMachineMatchesTheKernel) {
  auto memory = measureMemory("/");
  ASSERT_TRUE(memory);
  struct sysinfo info {};
  ASSERT_EQ(::sysinfo(&info), 0);
  // sysinfo rounds to pages where meminfo counts KiB; both describe the same memory.
  EXPECT_NEAR(static_cast<double>(memory->physical),
              static_cast<double>(info.totalram) * info.mem_unit, 64 * 1024.0);
  EXPECT_LE(memory->used, memory->physical);
}
