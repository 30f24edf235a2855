// The probe's measurement round on this machine with 20 repositories under its project root,
// against the floor of reading the two kernel figures every round needs (meminfo and statvfs).
// CPU time is the process's, so waiting is not counted. The first round walks every history;
// the ones after it reuse the counts of commit pairs already walked, as `run` does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "KestrunProbe/Commands.h"
#include "KestrunProbe/Disk.h"
#include "KestrunProbe/Probe.h"
#include "KestrunProbe/ProbeText.h"

namespace {

struct Fixture {
  std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("kestrun-probe-bench-" + std::to_string(::getpid()));
  Fixture() {
    std::string why;
    if (!Probe::runCapturing({"bash", KESTRUN_SOURCE_DIR "/bench/make-probe-repos.sh", root.string(), "20"},
                             std::chrono::minutes(5), &why))
      throw std::runtime_error(why);
  }
  ~Fixture() { std::filesystem::remove_all(root); }
  Probe::Sources sources() const {
    Probe::Config config;
    config.roots = std::vector<std::filesystem::path>{root / "src"};
    return Probe::systemSources(config);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_Floor_MeminfoAndStatvfs(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(Probe::readSystemFile("/proc/meminfo"));
    benchmark::DoNotOptimize(Probe::statvfsSpace("/"));
  }
}
BENCHMARK(BM_Floor_MeminfoAndStatvfs)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void BM_RoundFirst_20Repositories(benchmark::State& state) {
  auto& f = fixture();
  for (auto _ : state) {
    Probe::Probe probe(f.sources());
    std::vector<std::string> notes;
    benchmark::DoNotOptimize(probe.measure(std::nullopt, notes));
  }
}
BENCHMARK(BM_RoundFirst_20Repositories)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_RoundAgain_20Repositories(benchmark::State& state) {
  auto& f = fixture();
  Probe::Probe probe(f.sources());
  std::vector<std::string> notes;
  probe.measure(std::nullopt, notes);
  for (auto _ : state) {
    notes.clear();
    benchmark::DoNotOptimize(probe.measure(std::nullopt, notes));
  }
}
BENCHMARK(BM_RoundAgain_20Repositories)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace
