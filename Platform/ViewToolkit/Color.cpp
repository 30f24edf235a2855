#include "Platform/ViewToolkit/Color.h"

#include <array>
#include <cstdio>

namespace ViewToolkit {
namespace {

struct Pair {
  RGBA light;
  RGBA dark;
};

constexpr RGBA rgb8(int r, int g, int b, double a = 1) {
  return {r / 255.0, g / 255.0, b / 255.0, a};
}

// The macOS 15 system colours and AppKit label colours (platform facts, sections 3).
Pair namedColor(Color::Name name) {
  switch (name) {
    case Color::Name::red:
      return {rgb8(255, 59, 48), rgb8(255, 69, 58)};
    case Color::Name::orange:
      return {rgb8(255, 149, 0), rgb8(255, 159, 10)};
    case Color::Name::yellow:
      return {rgb8(255, 204, 0), rgb8(255, 214, 10)};
    case Color::Name::green:
      return {rgb8(40, 205, 65), rgb8(50, 215, 75)};
    case Color::Name::mint:
      return {rgb8(0, 199, 190), rgb8(102, 212, 207)};
    case Color::Name::teal:
      return {rgb8(89, 173, 196), rgb8(106, 196, 220)};
    case Color::Name::cyan:
      return {rgb8(85, 190, 240), rgb8(90, 200, 245)};
    case Color::Name::blue:
      return {rgb8(0, 122, 255), rgb8(10, 132, 255)};
    case Color::Name::indigo:
      return {rgb8(88, 86, 214), rgb8(94, 92, 230)};
    case Color::Name::purple:
      return {rgb8(175, 82, 222), rgb8(191, 90, 242)};
    case Color::Name::pink:
      return {rgb8(255, 45, 85), rgb8(255, 55, 95)};
    case Color::Name::brown:
      return {rgb8(162, 132, 94), rgb8(172, 142, 104)};
    case Color::Name::gray:
      return {rgb8(142, 142, 147), rgb8(152, 152, 157)};
    case Color::Name::primary:
      return {rgb8(0, 0, 0, 0.847), rgb8(255, 255, 255, 0.847)};
    case Color::Name::secondary:
      return {rgb8(0, 0, 0, 0.498), rgb8(255, 255, 255, 0.549)};
    case Color::Name::tertiary:
      return {rgb8(0, 0, 0, 0.259), rgb8(255, 255, 255, 0.247)};
    case Color::Name::quaternary:
      return {rgb8(0, 0, 0, 0.098), rgb8(255, 255, 255, 0.098)};
    case Color::Name::windowBackground:
      return {rgb8(236, 236, 236), rgb8(50, 50, 50)};
    case Color::Name::white:
      return {rgb8(255, 255, 255), rgb8(255, 255, 255)};
    case Color::Name::black:
      return {rgb8(0, 0, 0), rgb8(0, 0, 0)};
    case Color::Name::clear:
      return {rgb8(0, 0, 0, 0), rgb8(0, 0, 0, 0)};
    case Color::Name::custom:
      break;
  }
  return {};
}

const char* nameText(Color::Name name) {
  switch (name) {
    case Color::Name::red:
      return "red";
    case Color::Name::orange:
      return "orange";
    case Color::Name::yellow:
      return "yellow";
    case Color::Name::green:
      return "green";
    case Color::Name::mint:
      return "mint";
    case Color::Name::teal:
      return "teal";
    case Color::Name::cyan:
      return "cyan";
    case Color::Name::blue:
      return "blue";
    case Color::Name::indigo:
      return "indigo";
    case Color::Name::purple:
      return "purple";
    case Color::Name::pink:
      return "pink";
    case Color::Name::brown:
      return "brown";
    case Color::Name::gray:
      return "gray";
    case Color::Name::primary:
      return "primary";
    case Color::Name::secondary:
      return "secondary";
    case Color::Name::tertiary:
      return "tertiary";
    case Color::Name::quaternary:
      return "quaternary";
    case Color::Name::windowBackground:
      return "windowBackground";
    case Color::Name::white:
      return "white";
    case Color::Name::black:
      return "black";
    case Color::Name::clear:
      return "clear";
    case Color::Name::custom:
      break;
  }
  return "custom";
}

int to8(double v) {
  v = v < 0 ? 0 : (v > 1 ? 1 : v);
  return static_cast<int>(v * 255 + 0.5);
}

}  // namespace

RGBA Color::resolve(ColorScheme scheme) const {
  RGBA c;
  if (name_ == Name::custom) {
    c = {red_, green_, blue_, 1};
  } else {
    Pair p = namedColor(name_);
    c = scheme == ColorScheme::dark ? p.dark : p.light;
  }
  c.alpha *= opacity_;
  if (c.alpha < 0) c.alpha = 0;
  if (c.alpha > 1) c.alpha = 1;
  return c;
}

std::string Color::description() const {
  if (name_ != Name::custom) return nameText(name_);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02xff", to8(red_), to8(green_), to8(blue_));
  return buffer;
}

Gradient::Gradient(std::initializer_list<Color> colors)
    : Gradient(evenlySpaced(std::vector<Color>(colors))) {}

Gradient Gradient::evenlySpaced(const std::vector<Color>& colors) {
  Gradient g;
  const std::size_t n = colors.size();
  for (std::size_t i = 0; i < n; ++i) {
    g.stops.push_back({colors[i], n == 1 ? 0.0 : double(i) / double(n - 1)});
  }
  return g;
}

ShapeStyle::ShapeStyle(LinearGradient gradient)
    : kind_(Kind::linearGradient),
      linear_(std::make_shared<const LinearGradient>(std::move(gradient))) {}

ShapeStyle ShapeStyle::opacity(double factor) const {
  ShapeStyle s = *this;
  if (kind_ == Kind::color) {
    s.color_ = color_.opacity(factor);
  } else {
    s.opacity_ *= factor;
  }
  return s;
}

bool operator==(const ShapeStyle& a, const ShapeStyle& b) {
  if (a.kind_ != b.kind_ || a.opacity_ != b.opacity_) return false;
  switch (a.kind_) {
    case ShapeStyle::Kind::color:
    case ShapeStyle::Kind::colorGradient:
      return a.color_ == b.color_;
    case ShapeStyle::Kind::hierarchical:
      return a.level_ == b.level_;
    case ShapeStyle::Kind::linearGradient:
      return *a.linear_ == *b.linear_;
    case ShapeStyle::Kind::foreground:
      return true;
  }
  return false;
}

}  // namespace ViewToolkit
