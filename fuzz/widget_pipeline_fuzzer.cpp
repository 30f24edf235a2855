// The whole way from bytes to pixels, as the host goes it: decode, then each widget of the bundle
// through its timeline, at a scale, appearance and rendering mode chosen by the input's first
// byte, laid out, drawn to a bitmap and encoded as PNG. Whatever the file holds, nothing crashes,
// every widget draws at its size, every frame and link region lies inside the widget, and every
// text is drawn from the lines its layout shaped.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "Platform/WidgetHost/WidgetRendering.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using namespace ViewToolkit;

void require(bool condition) {
  if (!condition) std::abort();
}

bool inside(const Rect& widget, const Rect& r) {
  constexpr double slack = 1e-6;
  return r.minX() >= -slack && r.minY() >= -slack && r.maxX() <= widget.maxX() + slack &&
         r.maxY() <= widget.maxY() + slack;
}

void check(const LayoutNode& n, const Rect& widget) {
  require(inside(widget, n.frame));
  if (n.text) require(n.text->box.shaped != nullptr);
  for (const LayoutNode& c : n.children) check(c, widget);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses how the widgets are drawn; the rest is the file.
  const std::uint8_t how = data[0];
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
  if (file.size() > WidgetStore::maximumFileSize) return 0;
  // The file stands in the group container, where the bundle's providers read it.
  static const TestSupport::ScopedWidgetContainer container;
  std::filesystem::create_directories(container.snapshotFile().parent_path());
  std::ofstream(container.snapshotFile(), std::ios::binary | std::ios::trunc)
      .write(file.data(), static_cast<std::streamsize>(file.size()));
  const WidgetHost::Appearance appearance{
      how & 1 ? ColorScheme::dark : ColorScheme::light, double(1 + (how >> 1) % 3),
      how & 8 ? WidgetRenderingMode::accented : WidgetRenderingMode::fullColor};
  const PangoTextSystem& text = PangoTextSystem::shared();
  static const auto widgets = KestrunWidgetBundle{}.body();
  for (const auto& widget : widgets) {
    // Every entry of the timeline carries the same snapshot; the first is drawn.
    const WidgetHost::HostEntry entry = widget.timeline({}).entries.front();
    const auto r = WidgetHost::renderWidget(widget, entry, appearance, text);
    const Rect bounds{0, 0, r.metrics.size.width, r.metrics.size.height};
    check(r.laidOut.root, bounds);
    for (const LinkRegion& l : r.displayList.links) require(inside(bounds, l.rect));
    const Bitmap pixels = r.rasterize();
    require(pixels.width == int(std::lround(bounds.width * appearance.displayScale)));
    require(pixels.height == int(std::lround(bounds.height * appearance.displayScale)));
    require(r.document(DocumentFormat::png).size() > 8);
  }
  return 0;
}
