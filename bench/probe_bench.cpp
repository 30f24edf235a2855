// The probe's measurement round on this machine with 20 repositories under its project root,
// against the floor of reading the two kernel figures every round needs (meminfo and statvfs).
// The time reported is CPU time of the process and of the helper it runs for the repositories
// (waited-for children), so waiting is not counted and the helper's work is. The first round walks
// every history; the ones after it reuse the counts of commit pairs already walked, as `run` does.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include "KestrunProbe/Commands.h"
#include "KestrunProbe/Disk.h"
#include "KestrunProbe/Probe.h"
#include "KestrunProbe/ProbeText.h"

namespace {

struct Fixture {
  std::filesystem::path root = std::filesystem::temp_directory_path() /
                               ("kestrun-probe-bench-" + std::to_string(::getpid()));
  Fixture() {
    std::string why;
    if (!Probe::runCapturing(
            {"bash", KESTRUN_SOURCE_DIR "/bench/make-probe-repos.sh", root.string(), "20"},
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

double cpuSeconds() {
  auto seconds = [](const rusage& usage) {
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  };
  rusage self{}, children{};
  ::getrusage(RUSAGE_SELF, &self);
  ::getrusage(RUSAGE_CHILDREN, &children);
  return seconds(self) + seconds(children);
}

template <class Body>
void timeCpu(benchmark::State& state, Body body) {
  for (auto _ : state) {
    double start = cpuSeconds();
    body();
    state.SetIterationTime(cpuSeconds() - start);
  }
}

void BM_Floor_MeminfoAndStatvfs(benchmark::State& state) {
  timeCpu(state, [] {
    for (int i = 0; i < 100; ++i) {
      benchmark::DoNotOptimize(Probe::readSystemFile("/proc/meminfo"));
      benchmark::DoNotOptimize(Probe::statvfsSpace("/"));
    }
  });
}
// A hundred reads a timing, since rusage counts in coarse steps.
BENCHMARK(BM_Floor_MeminfoAndStatvfs)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RoundFirst_20Repositories(benchmark::State& state) {
  auto& f = fixture();
  timeCpu(state, [&] {
    Probe::Probe probe(f.sources());
    std::vector<std::string> notes;
    benchmark::DoNotOptimize(probe.measure(std::nullopt, notes));
  });
}
BENCHMARK(BM_RoundFirst_20Repositories)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RoundAgain_20Repositories(benchmark::State& state) {
  auto& f = fixture();
  Probe::Probe probe(f.sources());
  std::vector<std::string> notes;
  probe.measure(std::nullopt, notes);
  timeCpu(state, [&] {
    notes.clear();
    benchmark::DoNotOptimize(probe.measure(std::nullopt, notes));
  });
}
BENCHMARK(BM_RoundAgain_20Repositories)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
