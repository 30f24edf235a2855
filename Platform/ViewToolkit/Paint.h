// A shape style resolved where it is used: hierarchical levels turned into a colour (or a
// gradient) at an opacity, against the foreground style in effect there. Named colours stay
// named, so that one laid-out tree draws in light and in dark appearance.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/Geometry.h"

namespace ViewToolkit {

class EnvironmentValues;

struct Paint {
  enum class Kind { color, colorGradient, linearGradient };
  Kind kind = Kind::color;
  Color color = Color::primary;            // of a colour, or the base of a colour gradient
  double opacity = 1;                      // multiplies alpha, on top of the colour's own opacity
  std::optional<HierarchicalLevel> level;  // the hierarchical level it was resolved from
  std::shared_ptr<const LinearGradient> linear;
  Rect bounds;  // the frame a gradient spans, in absolute points

  // The colour as drawn at `location` (0 at the top of a colour gradient, the start of a linear
  // one), opacity applied.
  RGBA colorAt(double location, ColorScheme scheme) const;
  // JSON object text: {"color":"green","opacity":0.14}, {"style":"secondary",...}, ...
  std::string json() const;
};

// Resolves `style` in `environment`; ShapeStyle::foreground is the current foreground style.
Paint resolvePaint(const ShapeStyle& style, const EnvironmentValues& environment);

// The two ends of a colour's standard gradient in `scheme`: a lighter top and the colour itself.
std::pair<RGBA, RGBA> standardGradientEnds(const Color& color, ColorScheme scheme);

}  // namespace ViewToolkit
