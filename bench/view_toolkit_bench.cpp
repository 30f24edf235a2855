// The view toolkit on a tree the size of the large widget (about 20 texts, 5 ring gauges,
// 6 rounded panels, one gradient), at display scale 2: building and laying the tree out,
// drawing its display list, and both; once with the same texts every frame (what a redraw of an
// unchanged timeline entry costs) and once with numbers that change every frame.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "Platform/ViewToolkit/PNGEncoder.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "tests/Platform/ViewToolkit/SampleTree.h"

using namespace ViewToolkit;

namespace {

const Scene kScene{{364, 382}, 2, {}};
const PangoTextSystem kText;

View widget(int frame) {
  std::vector<View> layers{Container(SampleTree::largeWidget(), {kScene.size, {}})};
  if (frame >= 0) {
    // A changing number, as an age or a speed would be from one frame to the next.
    layers.push_back(Text::verbatim(std::to_string(1000 + frame % 9000) + " Mbps")
                         .font(Font::caption)
                         .monospacedDigit());
  }
  return ZStack(Alignment::bottomTrailing, layers);
}

void BM_LayoutLargeWidget(benchmark::State& state) {
  for (auto _ : state) {
    LaidOutView laid = layoutView(widget(-1), kScene, kText);
    benchmark::DoNotOptimize(laid.root.frame);
  }
}
BENCHMARK(BM_LayoutLargeWidget)->Unit(benchmark::kMillisecond);

void BM_LayoutLargeWidgetChangingText(benchmark::State& state) {
  int frame = 0;
  for (auto _ : state) {
    LaidOutView laid = layoutView(widget(frame++), kScene, kText);
    benchmark::DoNotOptimize(laid.root.frame);
  }
}
BENCHMARK(BM_LayoutLargeWidgetChangingText)->Unit(benchmark::kMillisecond);

void BM_DrawLargeWidget(benchmark::State& state) {
  DisplayList list = DisplayList::build(layoutView(widget(-1), kScene, kText));
  Bitmap bitmap;
  for (auto _ : state) {
    rasterizeInto(list, kScene, kText, bitmap);
    benchmark::DoNotOptimize(bitmap.argb.data());
  }
}
BENCHMARK(BM_DrawLargeWidget)->Unit(benchmark::kMillisecond);

void BM_LayoutAndDrawLargeWidget(benchmark::State& state) {
  Bitmap bitmap;
  int frame = 0;
  for (auto _ : state) {
    LaidOutView laid = layoutView(widget(state.range(0) ? frame++ : -1), kScene, kText);
    rasterizeInto(DisplayList::build(laid), kScene, kText, bitmap);
    benchmark::DoNotOptimize(bitmap.argb.data());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = double(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_LayoutAndDrawLargeWidget)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_EncodePNG(benchmark::State& state) {
  DisplayList list = DisplayList::build(layoutView(widget(-1), kScene, kText));
  for (auto _ : state) {
    benchmark::DoNotOptimize(renderDocument(list, kScene, DocumentFormat::png, kText));
  }
}
BENCHMARK(BM_EncodePNG)->Unit(benchmark::kMillisecond);

// The encoder alone on the drawn large widget, by deflate level; bytes_out is the file's size.
void BM_EncodePNGLevel(benchmark::State& state) {
  Bitmap bitmap =
      rasterize(DisplayList::build(layoutView(widget(-1), kScene, kText)), kScene, kText);
  const auto* pixels = reinterpret_cast<const unsigned char*>(bitmap.argb.data());
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string png = encodePNG(pixels, bitmap.width, bitmap.height, bitmap.width * 4,
                                {static_cast<int>(state.range(0))});
    bytes = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["bytes_out"] = double(bytes);
}
BENCHMARK(BM_EncodePNGLevel)->Arg(1)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond);

}  // namespace
