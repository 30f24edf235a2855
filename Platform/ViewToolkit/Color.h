// Colours and shape styles.
//
// A Color is either one of the platform's named colours, which are resolved per appearance
// only when drawn, or fixed sRGB components; either way it carries an opacity that multiplies
// its alpha. Two colours are equal when they are the same named colour (or the same
// components) at the same opacity, so Color::secondary equals itself and nothing else.
//
// A ShapeStyle is what fills text and shapes: a colour, a hierarchical level of the current
// foreground style (primary, secondary, tertiary, quaternary), a colour's standard gradient, or
// a linear gradient between unit points. Values are immutable and cheap to copy.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/ViewToolkit/Geometry.h"

namespace ViewToolkit {

enum class ColorScheme : std::uint8_t { light, dark };

// Components on the 0 to 1 scale, not premultiplied.
struct RGBA {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;
  friend bool operator==(const RGBA&, const RGBA&) = default;
};

class Color {
 public:
  enum class Name : std::uint8_t {
    red,
    orange,
    yellow,
    green,
    mint,
    teal,
    cyan,
    blue,
    indigo,
    purple,
    pink,
    brown,
    gray,
    primary,  // the label colours, as macOS uses them for primary .. quaternary content
    secondary,
    tertiary,
    quaternary,
    windowBackground,
    white,
    black,
    clear,
    custom,  // fixed sRGB components
  };
  enum class RGBColorSpace : std::uint8_t { sRGB };

  // Color(.sRGB, red:green:blue:opacity:)
  constexpr Color(RGBColorSpace, double red, double green, double blue, double opacity = 1)
      : name_(Name::custom), red_(red), green_(green), blue_(blue), opacity_(opacity) {}
  constexpr Color(double red, double green, double blue, double opacity = 1)
      : Color(RGBColorSpace::sRGB, red, green, blue, opacity) {}
  constexpr explicit Color(Name name) : name_(name) {}

  static const Color red, orange, yellow, green, mint, teal, cyan, blue, indigo, purple, pink,
      brown, gray, primary, secondary, tertiary, quaternary, white, black, clear;
  // AppKit's window background colour (`Color(nsColor: .windowBackgroundColor)`).
  static const Color windowBackground;

  constexpr Name name() const { return name_; }
  constexpr double opacityValue() const { return opacity_; }
  // The same colour with its opacity multiplied by `factor`.
  constexpr Color opacity(double factor) const {
    Color c = *this;
    c.opacity_ *= factor;
    return c;
  }

  // The colour as drawn in `scheme`, opacity applied to alpha.
  RGBA resolve(ColorScheme scheme) const;
  // "green", "secondary", "windowBackground", or "#rrggbbaa" for fixed components (alpha
  // before opacity).
  std::string description() const;

  friend bool operator==(const Color&, const Color&) = default;

 private:
  Name name_;
  double red_ = 0, green_ = 0, blue_ = 0;
  double opacity_ = 1;
};

inline constexpr Color Color::red{Color::Name::red};
inline constexpr Color Color::orange{Color::Name::orange};
inline constexpr Color Color::yellow{Color::Name::yellow};
inline constexpr Color Color::green{Color::Name::green};
inline constexpr Color Color::mint{Color::Name::mint};
inline constexpr Color Color::teal{Color::Name::teal};
inline constexpr Color Color::cyan{Color::Name::cyan};
inline constexpr Color Color::blue{Color::Name::blue};
inline constexpr Color Color::indigo{Color::Name::indigo};
inline constexpr Color Color::purple{Color::Name::purple};
inline constexpr Color Color::pink{Color::Name::pink};
inline constexpr Color Color::brown{Color::Name::brown};
inline constexpr Color Color::gray{Color::Name::gray};
inline constexpr Color Color::primary{Color::Name::primary};
inline constexpr Color Color::secondary{Color::Name::secondary};
inline constexpr Color Color::tertiary{Color::Name::tertiary};
inline constexpr Color Color::quaternary{Color::Name::quaternary};
inline constexpr Color Color::white{Color::Name::white};
inline constexpr Color Color::black{Color::Name::black};
inline constexpr Color Color::clear{Color::Name::clear};
inline constexpr Color Color::windowBackground{Color::Name::windowBackground};

struct GradientStop {
  Color color;
  double location = 0;
  friend bool operator==(const GradientStop&, const GradientStop&) = default;
};

struct Gradient {
  std::vector<GradientStop> stops;

  Gradient() = default;
  explicit Gradient(std::vector<GradientStop> s) : stops(std::move(s)) {}
  // Evenly spaced stops, the first at location 0 and the last at 1.
  Gradient(std::initializer_list<Color> colors);
  static Gradient evenlySpaced(const std::vector<Color>& colors);
  friend bool operator==(const Gradient&, const Gradient&) = default;
};

struct LinearGradient {
  Gradient gradient;
  UnitPoint startPoint = UnitPoint::top;
  UnitPoint endPoint = UnitPoint::bottom;
  friend bool operator==(const LinearGradient&, const LinearGradient&) = default;
};

enum class HierarchicalLevel : std::uint8_t { primary, secondary, tertiary, quaternary };

class ShapeStyle {
 public:
  enum class Kind : std::uint8_t {
    color,
    hierarchical,   // a level of the current foreground style
    colorGradient,  // a colour's standard gradient (`Color.gradient`)
    linearGradient,
    foreground,  // the current foreground style itself
  };

  constexpr ShapeStyle(Color color) : kind_(Kind::color), color_(color) {}  // a colour is a style
  ShapeStyle(LinearGradient gradient);
  static ShapeStyle hierarchical(HierarchicalLevel level) {
    return ShapeStyle(Kind::hierarchical, level);
  }
  static ShapeStyle gradientOf(Color color) {
    ShapeStyle s(Kind::colorGradient, HierarchicalLevel::primary);
    s.color_ = color;
    return s;
  }
  static const ShapeStyle primary, secondary, tertiary, quaternary, foreground;

  Kind kind() const { return kind_; }
  // The colour of a colour style or of a colour gradient.
  const Color& color() const { return color_; }
  HierarchicalLevel level() const { return level_; }
  const LinearGradient& linearGradient() const { return *linear_; }
  // Multiplies alpha; for a colour style, the colour's own opacity.
  double opacityValue() const { return opacity_; }
  ShapeStyle opacity(double factor) const;

  friend bool operator==(const ShapeStyle& a, const ShapeStyle& b);

 private:
  constexpr ShapeStyle() = default;
  constexpr ShapeStyle(Kind kind, HierarchicalLevel level) : kind_(kind), level_(level) {}
  Kind kind_ = Kind::foreground;
  Color color_ = Color::primary;
  HierarchicalLevel level_ = HierarchicalLevel::primary;
  std::shared_ptr<const LinearGradient> linear_;
  double opacity_ = 1;
};

// Constant-initialised (constexpr constructors), so usable from any static initialiser.
inline const ShapeStyle ShapeStyle::primary{Kind::hierarchical, HierarchicalLevel::primary};
inline const ShapeStyle ShapeStyle::secondary{Kind::hierarchical, HierarchicalLevel::secondary};
inline const ShapeStyle ShapeStyle::tertiary{Kind::hierarchical, HierarchicalLevel::tertiary};
inline const ShapeStyle ShapeStyle::quaternary{Kind::hierarchical, HierarchicalLevel::quaternary};
inline const ShapeStyle ShapeStyle::foreground{};

// A colour's standard gradient (`color.gradient`): a subtle top-to-bottom ramp.
inline ShapeStyle gradient(Color color) {
  return ShapeStyle::gradientOf(color);
}

}  // namespace ViewToolkit
