// What the longest strings a snapshot file can hold cost to draw, next to the sample: all four
// widgets laid out and drawn at 2x, as the host draws a new document. Each iteration changes the
// strings, so no laid-out text is found in the cache. The counter peakMiB is how far the
// process's resident memory rose above where it stood while one such drawing ran (measured in a
// forked child, whose peak is reset first).
//
//   bench/long_strings_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgetKit/WidgetViews/HealthWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/MemoryWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/OverviewWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "KestrunWidgetKit/WidgetViews/WiFiWidgetView.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::HealthWidgetView;
using KestrunWidgetKit::MemoryWidgetView;
using KestrunWidgetKit::OverviewWidgetView;
using KestrunWidgetKit::SharedSnapshot;
using KestrunWidgetKit::WidgetBackground;
using KestrunWidgetKit::WidgetSnapshot;
using KestrunWidgetKit::WiFiWidgetView;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using namespace ViewToolkit;

void drawOne(const View& content, Size size) {
  Scene scene;
  scene.size = size;
  scene.displayScale = 2;
  View widget = ZStack(Alignment::center, {WidgetBackground{}, content.padding(16)});
  const PangoTextSystem& text = PangoTextSystem::shared();
  Bitmap pixels = rasterize(DisplayList::build(layoutView(widget, scene, text)), scene, text);
  benchmark::DoNotOptimize(pixels.argb.data());
}

void drawAll(const SharedSnapshot& s) {
  drawOne(WiFiWidgetView{s}, {170, 170});
  drawOne(MemoryWidgetView{s}, {170, 170});
  drawOne(OverviewWidgetView{s}, {364, 170});
  drawOne(HealthWidgetView{s}, {364, 382});
}

// Strings as long as the file can hold them (less room for the rest of the document).
constexpr std::size_t longestString = WidgetStore::maximumFileSize - 4096;

std::string repeated(const std::string& piece, std::size_t bytes) {
  std::string out;
  out.reserve(bytes);
  while (out.size() + piece.size() <= bytes) out += piece;
  return out;
}

struct Case {
  const char* name;
  std::function<void(WidgetSnapshot&)> change;
};

const Case cases[] = {
    {"sample", [](WidgetSnapshot&) {}},
    {"4 MB network name", [](WidgetSnapshot& s) { s.wifi->ssid = std::string(4 << 20, 'W'); }},
    {"15 MB title", [](WidgetSnapshot& s) { s.attention[0].title = std::string(15 << 20, 'T'); }},
    {"longest band", [](WidgetSnapshot& s) { s.wifi->band = repeated("5 GHz ", longestString); }},
    {"longest zero-width run",
     [](WidgetSnapshot& s) { s.attention[0].detail = repeated("\u200B", longestString); }},
    {"longest single character",
     [](WidgetSnapshot& s) { s.wifi->ssid = "e" + repeated("\u0301", longestString - 1); }},
    {"longest Hebrew words",
     [](WidgetSnapshot& s) {
       s.attention[1].title = repeated("\u05D1\u05D9\u05EA ", longestString);
     }},
    {"longest symbol and section",
     [](WidgetSnapshot& s) {
       s.attention[0].symbol = std::string(longestString / 2, 's');
       s.attention[0].section = std::string(longestString / 2, 'p');
     }},
};

long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  }
  return 0;
}

// The rise of resident memory over one drawing of the four widgets, in MiB.
double peakRiseMiB(const SharedSnapshot& s) {
  int pipe[2];
  if (::pipe(pipe) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts at the current size
    const long before = statusKiB("VmRSS:");
    drawAll(s);
    const double rise = double(statusKiB("VmHWM:") - before) / 1024.0;
    (void)!::write(pipe[1], &rise, sizeof rise);
    ::_exit(0);
  }
  double rise = -1;
  (void)!::read(pipe[0], &rise, sizeof rise);
  ::close(pipe[0]);
  ::close(pipe[1]);
  ::waitpid(child, nullptr, 0);
  return rise;
}

void BM_DrawFourWidgets(benchmark::State& state) {
  const Case& c = cases[state.range(0)];
  state.SetLabel(c.name);
  WidgetSnapshot base = WidgetSnapshot::sample();
  c.change(base);
  drawAll(SharedSnapshot(base));  // fonts and the symbol table loaded, as in a running host
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // A new document: the strings differ, so no laid-out text is cached.
    WidgetSnapshot s = base;
    const std::string mark = std::to_string(++round);
    s.wifi->ssid = mark + s.wifi->ssid.value_or("");
    s.attention[0].title.insert(0, mark);
    const SharedSnapshot shared(std::move(s));
    state.ResumeTiming();
    drawAll(shared);
  }
  state.counters["peakMiB"] = peakRiseMiB(SharedSnapshot(base));
}
BENCHMARK(BM_DrawFourWidgets)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

}  // namespace
