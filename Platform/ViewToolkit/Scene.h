// A canvas to lay a view out on and draw it to: its size in points, its display scale, the
// appearance and rendering mode it is drawn in, an untinted backdrop and a rounded outline.
#pragma once

#include <optional>

#include "Platform/ViewToolkit/Environment.h"
#include "Platform/ViewToolkit/LayoutNode.h"

namespace ViewToolkit {

struct DrawSettings {
  ColorScheme colorScheme = ColorScheme::light;
  WidgetRenderingMode renderingMode = WidgetRenderingMode::fullColor;
  Color accentColor = Color::blue;
};

struct Scene {
  Size size;
  double displayScale = 2;
  DrawSettings draw;
  // Painted under everything and never tinted, like the container's own background in
  // accented rendering; absent: transparent.
  std::optional<Color> backdrop = std::nullopt;
  // When set, the canvas is a rectangle with corners of this radius and nothing is drawn outside
  // it (a widget's outline).
  std::optional<double> cornerRadius = std::nullopt;

  // `base` with this scene's appearance, display scale and rendering mode.
  EnvironmentValues environment(EnvironmentValues base = {}) const;
};

// Lays `view` out over the whole scene, in the scene's environment over `base`, measuring text
// with `text` (the text system that will draw it).
LaidOutView layoutView(const View& view, const Scene& scene, const TextMeasurer& text,
                       EnvironmentValues base = {});

}  // namespace ViewToolkit
