// The whole way from bytes to pixels: decode, then lay out and draw all four widgets at scale 1 in
// both appearances. Whatever the file holds, nothing crashes and every widget draws.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetViews/HealthWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/MemoryWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/OverviewWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "KestrunWidgetKit/WidgetViews/WiFiWidgetView.h"
#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"

namespace {

using namespace ViewToolkit;

void draw(const View& content, Size size, ColorScheme scheme) {
  Scene scene;
  scene.size = size;
  scene.displayScale = 1;
  scene.draw.colorScheme = scheme;
  View widget = ZStack(Alignment::center, {WidgetBackground{}, content.padding(16)});
  const PangoTextSystem& text = PangoTextSystem::shared();
  Bitmap pixels = rasterize(DisplayList::build(layoutView(widget, scene, text)), scene, text);
  if (pixels.width != int(size.width) || pixels.height != int(size.height)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto snapshot = decodeSnapshot(std::string_view(reinterpret_cast<const char*>(data), size));
  for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
    draw(WiFiWidgetView{snapshot}, {170, 170}, scheme);
    draw(MemoryWidgetView{snapshot}, {170, 170}, scheme);
    draw(OverviewWidgetView{snapshot}, {364, 170}, scheme);
    draw(HealthWidgetView{snapshot}, {364, 382}, scheme);
  }
  return 0;
}
