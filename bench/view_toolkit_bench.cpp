// The four real widgets, laid out and drawn as the host renders them (placeholder entries, 2x):
// - warm, in this process;
// - cold: the first layout and drawing in a fresh process each time, against the warm figure of
//   the same child (a child of its own, so that this harness's caches and memory never count),
//   by the wall clock and as CPU time of the whole child;
// - the large widget redrawn after a new snapshot, every text new, against the same texts again.
// Counters are in milliseconds; `_floor` is the floor of the same iterations, `_ratio` the median
// of the pairs' ratios.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "Platform/ViewToolkit/PNGEncoder.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/WidgetHost/WidgetRendering.h"
#include "bench/BenchSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

extern char** environ;

namespace {

using BenchSupport::Paired;
using BenchSupport::secondsFor;
using WidgetHost::HostEntry;
using WidgetHost::WidgetDescription;

const ViewToolkit::TextSystem& text() {
  return ViewToolkit::PangoTextSystem::shared();
}

const std::vector<WidgetDescription>& widgets() {
  static const std::vector<WidgetDescription> all = KestrunWidgetBundle{}.body();
  return all;
}

void BM_FourWidgetsWarm(benchmark::State& state) {
  std::vector<HostEntry> entries;
  for (const auto& w : widgets()) entries.push_back(w.placeholder({}));
  for (auto _ : state) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      auto r = WidgetHost::renderWidget(widgets()[i], entries[i], {}, text());
      benchmark::DoNotOptimize(r.rasterize().argb.data());
    }
  }
}
BENCHMARK(BM_FourWidgetsWarm)->Unit(benchmark::kMillisecond);

// A private home, so that nothing of the user's (snapshot, settings) takes part.
std::filesystem::path privateHome() {
  static const struct Home {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("kestrun-view-bench-" + std::to_string(::getpid()));
    Home() {
      std::filesystem::create_directories(dir);
      ::setenv("HOME", dir.c_str(), 1);
      ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
      ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    }
    ~Home() { std::filesystem::remove_all(dir); }
  } home;
  return home.dir;
}

// The child's figures (cold layout, cold draw, warm layout, warm draw, cold CPU, warm CPU), or
// none.
std::optional<std::array<double, 6>> firstFrame() {
  const std::filesystem::path out = privateHome() / "first-frame.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  char* argv[] = {const_cast<char*>(FIRST_FRAME), nullptr};
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, FIRST_FRAME, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0)
    return std::nullopt;
  std::array<double, 6> f{};
  FILE* in = std::fopen(out.c_str(), "r");
  bool read = in && std::fscanf(in, "%lf %lf %lf %lf %lf %lf", &f[0], &f[1], &f[2], &f[3], &f[4],
                                &f[5]) == 6;
  if (in) std::fclose(in);
  if (!read) return std::nullopt;
  return f;
}

void BM_FourWidgetsFreshProcess(benchmark::State& state) {
  Paired total, layout, draw, cpu;
  for (auto _ : state) {
    auto f = firstFrame();
    if (!f) {
      state.SkipWithError("the child failed");
      return;
    }
    const auto& [coldLayout, coldDraw, warmLayout, warmDraw, coldCPU, warmCPU] = *f;
    state.SetIterationTime((coldLayout + coldDraw) / 1e3);
    total.add(warmLayout + warmDraw, coldLayout + coldDraw);
    layout.add(warmLayout, coldLayout);
    draw.add(warmDraw, coldDraw);
    cpu.add(warmCPU, coldCPU);
  }
  total.report(state, "cold_ms");
  layout.report(state, "cold_layout_ms");
  draw.report(state, "cold_draw_ms");
  cpu.report(state, "cold_cpu_ms");
}
BENCHMARK(BM_FourWidgetsFreshProcess)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(11);

// The sample with every text the large widget shows changed, by frame number.
WidgetSnapshot changed(int frame) {
  WidgetSnapshot s = WidgetSnapshot::sample();
  const auto k = static_cast<std::int64_t>(frame);
  s.updated = Foundation::Clock::now() - 60.0 * double(1 + frame % 15);
  s.memory->used = 10'000'000'000ULL + std::uint64_t(k % 997) * 13'000'000ULL;
  s.memory->swapUsed = 500'000'000ULL + std::uint64_t(k % 991) * 11'000'000ULL;
  s.wifi->ssid = "Network " + std::to_string(frame);
  s.wifi->rssi = -50 - k % 30;
  s.wifi->routerMs = 1 + k % 97;
  s.wifi->internetMs = 5 + k % 89;
  s.speedTest->downloadMbps = 100 + k % 900;
  s.speedTest->uploadMbps = 10 + k % 90;
  s.disk->free = 100'000'000'000LL + (k % 983) * 1'000'000'000LL;
  s.devRunning = 1 + k % 9;
  for (auto& a : s.attention) {
    a.title = std::to_string(frame) + " " + a.title;
    a.detail = a.detail + " " + std::to_string(frame);
  }
  s.attentionTotal = 2 + k % 7;
  s.toCheck = 1 + k % 5;
  return s;
}

const WidgetDescription& largeWidget() {
  for (const auto& w : widgets())
    if (w.kindSuffix() == "health") return w;
  std::abort();
}

void BM_LargeWidgetRedraw(benchmark::State& state) {
  privateHome();
  const WidgetDescription& health = largeWidget();
  WidgetStore::write(changed(0));
  const HostEntry same = health.snapshot({});
  ViewToolkit::Bitmap bitmap;
  Paired frame, layout;
  int n = 1;
  for (auto _ : state) {
    state.PauseTiming();
    WidgetStore::write(changed(n++));
    const HostEntry fresh = health.snapshot({});
    state.ResumeTiming();
    auto redraw = [&](const HostEntry& entry, double& layoutSeconds) {
      std::optional<WidgetHost::RenderedWidget> r;
      layoutSeconds = secondsFor([&] { r = WidgetHost::renderWidget(health, entry, {}, text()); });
      return layoutSeconds + secondsFor([&] {
               ViewToolkit::rasterizeInto(r->displayList, r->scene, text(), bitmap);
             });
    };
    double sameLayout = 0, newLayout = 0;
    const double sameFrame = redraw(same, sameLayout);
    const double newFrame = redraw(fresh, newLayout);
    frame.add(sameFrame, newFrame);
    layout.add(sameLayout, newLayout);
  }
  frame.report(state, "new_text_ms", 1e3);
  layout.report(state, "new_text_layout_ms", 1e3);
}
BENCHMARK(BM_LargeWidgetRedraw)->Unit(benchmark::kMillisecond)->Iterations(200);

// The encoder alone on the drawn large widget, by deflate level; bytes_out is the file's size.
void BM_EncodePNGLevel(benchmark::State& state) {
  auto r = WidgetHost::renderWidget(largeWidget(), largeWidget().placeholder({}), {}, text());
  ViewToolkit::Bitmap bitmap = r.rasterize();
  const auto* pixels = reinterpret_cast<const unsigned char*>(bitmap.argb.data());
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string png = ViewToolkit::encodePNG(pixels, bitmap.width, bitmap.height, bitmap.width * 4,
                                             {static_cast<int>(state.range(0))});
    bytes = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["bytes_out"] = double(bytes);
}
BENCHMARK(BM_EncodePNGLevel)->Arg(1)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond);

}  // namespace
