// The gauges and values that most of every widget is made of: a circular gauge with a symbol
// (Ring), a large number with its unit (BigValue), a small upper-case caption (Eyebrow) and a
// capsule-shaped status label (Pill).
//
// Each is a plain value: it keeps copies of its arguments and builds its view tree from them alone
// whenever its body is asked for, on the thread that lays the tree out.
#pragma once

#include <optional>
#include <string>

#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/View.h"

namespace KestrunWidgetKit {

// A circular gauge filled to `fraction` from 12 o'clock clockwise, with `symbol` in its centre.
// No fraction means there is no value: a pale disc instead of track and arc. A present fraction
// always shows at least a short arc (2 %), and anything from 1 on a full ring.
struct Ring {
  std::optional<double> fraction;
  ViewToolkit::Color tint;
  std::string symbol;
  double size = 44;  // side of the square, and the circle's diameter
  double lineWidth = 5;

  ViewToolkit::View body() const;
};

// `number` in bold rounded type, then " unit" smaller and in the secondary style, on one line that
// shrinks to 60 % before it is cut. The number is shown as given; the unit is looked up.
struct BigValue {
  std::string number;
  std::optional<std::string> unit = std::nullopt;
  double size = 28;  // font size of the number

  ViewToolkit::View body() const;
};

// A small caption, upper-cased the same way in every locale ("Wi-Fi" shows WI-FI).
struct Eyebrow {
  std::string text;

  ViewToolkit::View body() const;
};

// A status label on a capsule of its colour, with `symbol` before it or, without one, a dot.
// Color::secondary makes the label, symbol and capsule neutral.
struct Pill {
  std::string text;
  ViewToolkit::Color color;
  std::optional<std::string> symbol = std::nullopt;

  ViewToolkit::View body() const;
};

}  // namespace KestrunWidgetKit
