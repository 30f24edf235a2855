// The data layer's costs: a timeline request against a bare read of the same file (the floor), the
// decoder alone, and a durable store write.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgets/SnapshotProvider.h"
#include "Platform/Foundation/Files.h"

namespace {

// A bundle and container of the benchmark's own, holding the sample as the snapshot file.
struct Fixture {
  std::filesystem::path root;
  std::filesystem::path file;
  Fixture() {
    root = std::filesystem::temp_directory_path() / ("kestrun-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "bundle");
    std::ofstream(root / "bundle" / "Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
           "<key>KestrunAppGroup</key><string>group.bench</string></dict></plist>";
    ::setenv("KESTRUN_BUNDLE", (root / "bundle").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    WidgetStore::write(WidgetSnapshot::sample());
    file = *WidgetStore::fileURL();
  }
  ~Fixture() { std::filesystem::remove_all(root); }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_BareOpenReadClose(benchmark::State& state) {
  const std::string path = fixture().file.string();
  char buffer[65536];
  for (auto _ : state) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_BareOpenReadClose);

// The parts of a timeline request, to see where its time goes.
void BM_FileURL(benchmark::State& state) {
  fixture();
  for (auto _ : state) benchmark::DoNotOptimize(WidgetStore::fileURL());
}
BENCHMARK(BM_FileURL);

void BM_ReadWholeFile(benchmark::State& state) {
  const auto path = fixture().file;
  for (auto _ : state)
    benchmark::DoNotOptimize(Foundation::readWholeFile(path, WidgetStore::maximumFileSize));
}
BENCHMARK(BM_ReadWholeFile);

void BM_GetTimeline(benchmark::State& state) {
  fixture();
  SnapshotProvider provider;
  for (auto _ : state) {
    provider.getTimeline({}, [](WidgetHost::Timeline<SnapshotEntry> t) {
      benchmark::DoNotOptimize(t.entries.data());
    });
  }
}
BENCHMARK(BM_GetTimeline);

void BM_DecodeSample(benchmark::State& state) {
  const std::string json = encodeSnapshot(WidgetSnapshot::sample());
  for (auto _ : state) benchmark::DoNotOptimize(decodeSnapshot(json));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(json.size()));
}
BENCHMARK(BM_DecodeSample);

void BM_DurableWrite(benchmark::State& state) {
  fixture();
  const WidgetSnapshot& sample = WidgetSnapshot::sample();
  for (auto _ : state) WidgetStore::write(sample);
}
BENCHMARK(BM_DurableWrite)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
