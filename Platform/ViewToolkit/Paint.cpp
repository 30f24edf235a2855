#include "Platform/ViewToolkit/Paint.h"

#include <algorithm>

#include "Platform/ViewToolkit/Environment.h"
#include "Platform/ViewToolkit/JsonWriter.h"

namespace ViewToolkit {
namespace {

// Hierarchical levels of a colour foreground: the macOS label alpha ratios.
constexpr double levelFactor[] = {1.0, 0.59, 0.31, 0.12};

Color labelColor(HierarchicalLevel level) {
  switch (level) {
    case HierarchicalLevel::primary:
      return Color::primary;
    case HierarchicalLevel::secondary:
      return Color::secondary;
    case HierarchicalLevel::tertiary:
      return Color::tertiary;
    case HierarchicalLevel::quaternary:
      return Color::quaternary;
  }
  return Color::primary;
}

HierarchicalLevel deeper(HierarchicalLevel a, HierarchicalLevel b) {
  return static_cast<HierarchicalLevel>(std::min(int(a) + int(b), 3));
}

Paint fromBase(const ShapeStyle& base, HierarchicalLevel level) {
  Paint p;
  switch (base.kind()) {
    case ShapeStyle::Kind::color:
      p.color = base.color();
      p.opacity = levelFactor[int(level)];
      break;
    case ShapeStyle::Kind::colorGradient:
      p.kind = Paint::Kind::colorGradient;
      p.color = base.color();
      p.opacity = base.opacityValue() * levelFactor[int(level)];
      break;
    case ShapeStyle::Kind::linearGradient:
      p.kind = Paint::Kind::linearGradient;
      p.linear = std::make_shared<const LinearGradient>(base.linearGradient());
      p.opacity = base.opacityValue() * levelFactor[int(level)];
      break;
    case ShapeStyle::Kind::hierarchical:
      p.color = labelColor(deeper(base.level(), level));
      p.opacity = base.opacityValue();
      break;
    case ShapeStyle::Kind::foreground:
      p.color = labelColor(level);
      break;
  }
  p.level = level;
  return p;
}

double mix(double a, double b, double t) {
  return a + (b - a) * t;
}

RGBA lerp(const RGBA& a, const RGBA& b, double t) {
  return {mix(a.red, b.red, t), mix(a.green, b.green, t), mix(a.blue, b.blue, t),
          mix(a.alpha, b.alpha, t)};
}

void appendPoint(std::string& out, UnitPoint p) {
  out += '[';
  Json::appendNumber(out, p.x);
  out += ',';
  Json::appendNumber(out, p.y);
  out += ']';
}

}  // namespace

Paint resolvePaint(const ShapeStyle& style, const EnvironmentValues& environment) {
  switch (style.kind()) {
    case ShapeStyle::Kind::color: {
      Paint p;
      p.color = style.color();
      return p;
    }
    case ShapeStyle::Kind::colorGradient: {
      Paint p;
      p.kind = Paint::Kind::colorGradient;
      p.color = style.color();
      p.opacity = style.opacityValue();
      return p;
    }
    case ShapeStyle::Kind::linearGradient: {
      Paint p;
      p.kind = Paint::Kind::linearGradient;
      p.linear = std::make_shared<const LinearGradient>(style.linearGradient());
      p.opacity = style.opacityValue();
      return p;
    }
    case ShapeStyle::Kind::hierarchical: {
      const ShapeStyle base = environment.foregroundStyle.value_or(ShapeStyle::foreground);
      Paint p = fromBase(base, style.level());
      p.opacity *= style.opacityValue();
      return p;
    }
    case ShapeStyle::Kind::foreground: {
      const ShapeStyle base = environment.foregroundStyle.value_or(ShapeStyle::foreground);
      if (base.kind() == ShapeStyle::Kind::foreground) {
        Paint p = fromBase(base, HierarchicalLevel::primary);
        p.opacity *= style.opacityValue();
        return p;
      }
      EnvironmentValues outer;  // the foreground style never refers to itself
      Paint p = resolvePaint(base, outer);
      p.opacity *= style.opacityValue();
      return p;
    }
  }
  return {};
}

std::pair<RGBA, RGBA> standardGradientEnds(const Color& color, ColorScheme scheme) {
  RGBA base = color.resolve(scheme);
  // A subtle ramp: the top a little lighter, the bottom the colour itself.
  RGBA top = {mix(base.red, 1, 0.18), mix(base.green, 1, 0.18), mix(base.blue, 1, 0.18),
              base.alpha};
  return {top, base};
}

RGBA Paint::colorAt(double location, ColorScheme scheme) const {
  RGBA c;
  switch (kind) {
    case Kind::color:
      c = color.resolve(scheme);
      break;
    case Kind::colorGradient: {
      auto [top, bottom] = standardGradientEnds(color, scheme);
      c = lerp(top, bottom, std::clamp(location, 0.0, 1.0));
      break;
    }
    case Kind::linearGradient: {
      const auto& stops = linear->gradient.stops;
      if (stops.empty()) {
        c = {0, 0, 0, 0};
        break;
      }
      if (location <= stops.front().location) {
        c = stops.front().color.resolve(scheme);
        break;
      }
      c = stops.back().color.resolve(scheme);
      for (std::size_t i = 1; i < stops.size(); ++i) {
        if (location <= stops[i].location) {
          double span = stops[i].location - stops[i - 1].location;
          double t = span > 0 ? (location - stops[i - 1].location) / span : 1;
          RGBA a = stops[i - 1].color.resolve(scheme), b = stops[i].color.resolve(scheme);
          // Interpolate premultiplied, so that a fade to clear does not darken on the way.
          RGBA pa{a.red * a.alpha, a.green * a.alpha, a.blue * a.alpha, a.alpha};
          RGBA pb{b.red * b.alpha, b.green * b.alpha, b.blue * b.alpha, b.alpha};
          RGBA m = lerp(pa, pb, t);
          c = m.alpha > 0 ? RGBA{m.red / m.alpha, m.green / m.alpha, m.blue / m.alpha, m.alpha}
                          : RGBA{0, 0, 0, 0};
          break;
        }
      }
      break;
    }
  }
  c.alpha = std::clamp(c.alpha * opacity, 0.0, 1.0);
  return c;
}

std::string Paint::json() const {
  std::string out = "{";
  switch (kind) {
    case Kind::color:
      if (level) {
        static const char* names[] = {"primary", "secondary", "tertiary", "quaternary"};
        out += "\"style\":";
        Json::appendString(out, names[int(*level)]);
        out += ',';
      }
      out += "\"color\":";
      Json::appendString(out, color.description());
      out += ",\"opacity\":";
      Json::appendNumber(out, color.opacityValue() * opacity);
      break;
    case Kind::colorGradient:
      out += "\"gradient\":";
      Json::appendString(out, color.description());
      out += ",\"opacity\":";
      Json::appendNumber(out, color.opacityValue() * opacity);
      break;
    case Kind::linearGradient:
      out += "\"linearGradient\":[";
      for (std::size_t i = 0; i < linear->gradient.stops.size(); ++i) {
        const GradientStop& s = linear->gradient.stops[i];
        if (i) out += ',';
        out += "{\"color\":";
        Json::appendString(out, s.color.description());
        out += ",\"opacity\":";
        Json::appendNumber(out, s.color.opacityValue());
        out += ",\"location\":";
        Json::appendNumber(out, s.location);
        out += '}';
      }
      out += "],\"startPoint\":";
      appendPoint(out, linear->startPoint);
      out += ",\"endPoint\":";
      appendPoint(out, linear->endPoint);
      out += ",\"opacity\":";
      Json::appendNumber(out, opacity);
      break;
  }
  out += '}';
  return out;
}

}  // namespace ViewToolkit
