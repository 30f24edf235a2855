// Laying out and drawing kit components with the real text system, for the component tests.
//
// Set KESTRUN_TEST_PNG_DIR to keep every drawn component as a PNG there for a look by eye.
#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "Platform/ViewToolkit/View.h"

namespace KitTesting {

using namespace ViewToolkit;

inline LaidOutView lay(const View& view, Size size, EnvironmentValues environment = {}) {
  Scene scene;
  scene.size = size;
  return layoutView(view, scene, std::move(environment));
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
  LaidOutView laid = layoutView(view, scene);
  DisplayList list = laid.displayList();
  if (const char* dir = std::getenv("KESTRUN_TEST_PNG_DIR")) {
    writeDocument(list, scene, DocumentFormat::png,
                  (std::filesystem::path(dir) / (name + ".png")).string());
  }
  return {std::move(laid), rasterize(list, scene)};
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
