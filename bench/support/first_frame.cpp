// Lays out and draws the four widgets (their placeholder entries, at 2x) once in this fresh
// process, then again in the warm process, and prints in milliseconds:
//   cold_layout cold_draw warm_layout warm_draw cold_cpu warm_cpu
// the cold figures from the first use of the text system on, the warm ones medians of 15 rounds;
// the first four by the wall clock, the last two the CPU time of the whole process (the font
// system's own threads included), which a busy machine does not inflate.
#include <sys/resource.h>

#include <cstdio>
#include <vector>

#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/WidgetHost/WidgetRendering.h"
#include "bench/BenchSupport.h"

namespace {

struct Round {
  double layout = 0, draw = 0, cpu = 0;
};

double processCPUSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Round round(const std::vector<WidgetHost::WidgetDescription>& widgets,
            const std::vector<WidgetHost::HostEntry>& entries) {
  Round r;
  const double cpuBefore = processCPUSeconds();
  const ViewToolkit::TextSystem* text = nullptr;
  std::vector<WidgetHost::RenderedWidget> rendered;
  r.layout = BenchSupport::secondsFor([&] {
    text = &ViewToolkit::PangoTextSystem::shared();
    for (std::size_t i = 0; i < widgets.size(); ++i)
      rendered.push_back(WidgetHost::renderWidget(widgets[i], entries[i], {}, *text));
  });
  r.draw = BenchSupport::secondsFor([&] {
    for (const auto& w : rendered) {
      ViewToolkit::Bitmap b = w.rasterize();
      if (b.argb.empty()) std::abort();
    }
  });
  r.cpu = processCPUSeconds() - cpuBefore;
  return r;
}

}  // namespace

int main() {
  const std::vector<WidgetHost::WidgetDescription> widgets = KestrunWidgetBundle{}.body();
  std::vector<WidgetHost::HostEntry> entries;
  for (const auto& w : widgets) entries.push_back(w.placeholder({}));
  Round cold = round(widgets, entries);
  std::vector<double> layouts, draws, cpus;
  for (int i = 0; i < 15; ++i) {
    Round warm = round(widgets, entries);
    layouts.push_back(warm.layout);
    draws.push_back(warm.draw);
    cpus.push_back(warm.cpu);
  }
  std::printf("%.4f %.4f %.4f %.4f %.4f %.4f\n", cold.layout * 1e3, cold.draw * 1e3,
              BenchSupport::median(layouts) * 1e3, BenchSupport::median(draws) * 1e3,
              cold.cpu * 1e3, BenchSupport::median(cpus) * 1e3);
  return 0;
}
