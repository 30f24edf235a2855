// Laying out and drawing kit components with the real text system, for the component tests.
//
// Set KESTRUN_TEST_PNG_DIR to keep every drawn component as a PNG there for a look by eye.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "Platform/ViewToolkit/View.h"

namespace KitTesting {

using namespace ViewToolkit;

inline LaidOutView lay(const View& view, Size size, EnvironmentValues environment = {}) {
  Scene scene;
  scene.size = size;
  return layoutView(view, scene, PangoTextSystem::shared(), std::move(environment));
}

struct Drawn {
  LaidOutView laid;
  Bitmap bitmap;
};

// Draws `view` on the window background of `scheme` (or on nothing), and keeps a PNG when asked.
inline Drawn draw(const View& view, Size size, const std::string& name,
                  ColorScheme scheme = ColorScheme::light,
                  std::optional<Color> backdrop = Color::windowBackground) {
  Scene scene{size, 2, DrawSettings{.colorScheme = scheme}, backdrop};
  const PangoTextSystem& text = PangoTextSystem::shared();
  LaidOutView laid = layoutView(view, scene, text);
  DisplayList list = DisplayList::build(laid);
  if (const char* dir = std::getenv("KESTRUN_TEST_PNG_DIR")) {
    writeDocument(list, scene, DocumentFormat::png,
                  (std::filesystem::path(dir) / (name + ".png")).string(), text);
  }
  return {std::move(laid), rasterize(list, scene, text)};
}

// How far apart two colours are, channel by channel, alpha included.
inline double distance(RGBA a, RGBA b) {
  return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue) +
         std::abs(a.alpha - b.alpha);
}

// `color` drawn at `alpha` over an opaque `under`.
inline RGBA over(RGBA color, double alpha, RGBA under) {
  auto mix = [&](double c, double u) { return c * alpha + u * (1 - alpha); };
  return {mix(color.red, under.red), mix(color.green, under.green), mix(color.blue, under.blue), 1};
}

}  // namespace KitTesting

namespace KitTesting {

// The smallest distance to `color` of any pixel inside `frame`: near 0 when some of the ink there
// is that colour itself.
inline double closestInk(const Bitmap& bitmap, Rect frame, RGBA color) {
  double closest = 10;
  for (double y = frame.y; y < frame.y + frame.height; y += 0.5) {
    for (double x = frame.x; x < frame.x + frame.width; x += 0.5) {
      closest = std::min(closest, distance(bitmap.at({x, y}), color));
    }
  }
  return closest;
}

}  // namespace KitTesting
