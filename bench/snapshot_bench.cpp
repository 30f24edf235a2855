// The data layer's costs, each against its floor in the same iteration: a timeline request against
// a bare open/read/close of the same file, and decoding documents of 1 KB to 16 MB against
// simdjson's own parse of the same bytes. Times are CPU time of the benchmark's thread (all of
// this work stays on it). Counters: `<figure>` and `<figure>_floor` in microseconds,
// `<figure>_ratio` the median of the pairs' ratios. A durable store write closes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <simdjson.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgets/SnapshotProvider.h"
#include "Platform/Foundation/Files.h"
#include "Platform/Foundation/JSON.h"
#include "bench/BenchSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::decodeSnapshot;
using KestrunWidgetKit::encodeSnapshot;
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using BenchSupport::cpuSecondsFor;
using BenchSupport::Paired;

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
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    WidgetStore::write(WidgetSnapshot::sample());
    file = *WidgetStore::fileURL();
    // An installed Info.plist was written long before any request; one written a moment ago is
    // read again on every request until its times lie in the past (see Bundle.cpp).
    std::this_thread::sleep_for(std::chrono::milliseconds(3100));
  }
  ~Fixture() { std::filesystem::remove_all(root); }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void bareRead(const std::string& path) {
  static char buffer[65536];
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  benchmark::DoNotOptimize(n);
}

void BM_GetTimelineVsBareRead(benchmark::State& state) {
  const std::string path = fixture().file.string();
  SnapshotProvider provider;
  constexpr int batch = 200;
  Paired pairs;
  for (auto _ : state) {
    double floor = cpuSecondsFor([&] { bareRead(path); }, batch);
    double timeline = cpuSecondsFor(
        [&] {
          provider.getTimeline({}, [](WidgetHost::Timeline<SnapshotEntry> t) {
            benchmark::DoNotOptimize(t.entries.data());
          });
        },
        batch);
    state.SetIterationTime(timeline / batch);
    pairs.add(floor / batch, timeline / batch);
  }
  pairs.report(state, "timeline_us", 1e6);
}
BENCHMARK(BM_GetTimelineVsBareRead)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(300);

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

// The sample with attention items added until the document holds at least `bytes` bytes: a
// large document is a long attention list, every item of which the decoder reads.
std::string documentOf(std::size_t bytes) {
  WidgetSnapshot s = WidgetSnapshot::sample();
  const std::vector<WidgetSnapshot::Attention> items = s.attention;
  auto addItems = [&](std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      WidgetSnapshot::Attention a = items[s.attention.size() % items.size()];
      a.id += "-" + std::to_string(s.attention.size());
      s.attention.push_back(std::move(a));
    }
    return encodeSnapshot(s);
  };
  std::string json = encodeSnapshot(s);
  while (json.size() < bytes) {
    const std::size_t before = json.size();
    json = addItems(1);
    json = addItems((bytes - std::min(bytes, json.size())) / (json.size() - before));
  }
  return json;
}

void BM_DecodeVsSimdjsonParse(benchmark::State& state) {
  const std::string json = documentOf(static_cast<std::size_t>(state.range(0)));
  const simdjson::padded_string padded(json);
  simdjson::dom::parser parser;
  if (!decodeSnapshot(json) || parser.parse(padded).error()) {
    state.SkipWithError("the document does not decode");
    return;
  }
  // About a millisecond of work a side, so that the clock's resolution does not count.
  const int batch = std::max<int>(1, int(1'000'000 / json.size()));
  Paired pairs;
  for (auto _ : state) {
    double floor =
        cpuSecondsFor([&] { benchmark::DoNotOptimize(parser.parse(padded).error()); }, batch);
    double decode = cpuSecondsFor([&] { benchmark::DoNotOptimize(decodeSnapshot(json)); }, batch);
    state.SetIterationTime(decode / batch);
    pairs.add(floor / batch, decode / batch);
  }
  pairs.report(state, "decode_us", 1e6);
  state.counters["bytes"] = double(json.size());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(json.size()));
}
BENCHMARK(BM_DecodeVsSimdjsonParse)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Arg(1'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(16'000'000)
    ->Iterations(15);

// Where a decode's time goes: the parse into the document tree alone.
void BM_ParseOnly(benchmark::State& state) {
  const std::string json = documentOf(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Foundation::JSON::Document::parse(json));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(json.size()));
}
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMicrosecond)->Arg(1'000)->Arg(100'000);

void BM_DurableWrite(benchmark::State& state) {
  fixture();
  const WidgetSnapshot& sample = WidgetSnapshot::sample();
  for (auto _ : state) WidgetStore::write(sample);
}
BENCHMARK(BM_DurableWrite)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
