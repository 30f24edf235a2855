#include "KestrunWidgetKit/WidgetViews/Gauges.h"

#include <algorithm>

#include "Platform/Foundation/Formatters.h"
#include "Platform/ViewToolkit/Text.h"

namespace KestrunWidgetKit {

using namespace ViewToolkit;

namespace {
// A present value always shows a visible arc, so that "0 %" differs from "no value".
constexpr double shortestArc = 0.02;
}  // namespace

View Ring::body() const {
  std::vector<View> layers;
  if (!fraction) {
    layers.push_back(Circle().fill(tint.opacity(0.15)));
  } else {
    double t = std::min(*fraction, 1.0);
    if (!(t >= shortestArc)) t = shortestArc;  // also catches NaN
    layers.push_back(Circle().stroke(tint.opacity(0.18), StrokeStyle{.lineWidth = lineWidth}));
    layers.push_back(
        Circle()
            .trim(0, t)
            .stroke(gradient(tint), StrokeStyle{.lineWidth = lineWidth, .lineCap = LineCap::round})
            .rotationEffect(Angle::degrees(-90), UnitPoint::center)
            .widgetAccentable(true));
  }
  layers.push_back(Image::systemName(symbol)
                       .font(Font::system(size * 0.36, Font::Weight::semibold))
                       .foregroundStyle(tint));
  return ZStack(Alignment::center, std::move(layers))
      .frame(FrameSize{.width = size, .height = size, .alignment = Alignment::center});
}

View BigValue::body() const {
  const Text value =
      Text::verbatim(number).font(Font::system(size, Font::Weight::bold, Font::Design::rounded));
  const Text unitRun =
      (unit ? Text(" ", *unit) : Text(""))
          .font(Font::system(size * 0.55, Font::Weight::semibold, Font::Design::rounded))
          .foregroundStyle(ShapeStyle::secondary);
  return (value + unitRun).lineLimit(1).minimumScaleFactor(0.6);
}

View Eyebrow::body() const {
  return Text::verbatim(Foundation::uppercased(text))
      .font(Font::system(9.5, Font::Weight::semibold))
      .tracking(0.6)
      .foregroundStyle(ShapeStyle::secondary);
}

View Pill::body() const {
  const bool neutral = color == Color::secondary;
  View mark = symbol ? Image::systemName(*symbol).font(Font::system(8, Font::Weight::bold))
                     : Circle().fill(color).frame(FrameSize{.width = 5, .height = 5});
  const ShapeStyle label = neutral ? ShapeStyle::secondary : ShapeStyle(color);
  const ShapeStyle capsule =
      neutral ? ShapeStyle(Color::primary.opacity(0.06)) : ShapeStyle(color.opacity(0.14));
  return HStack(VerticalAlignment::center, 4, {std::move(mark), Text::verbatim(text)})
      .font(Font::caption2.weight(Font::Weight::semibold))
      .foregroundStyle(label)
      .padding(EdgeSet::horizontal, 7)
      .padding(EdgeSet::vertical, 3)
      .background(capsule, Capsule(RoundedCornerStyle::continuous));
}

}  // namespace KestrunWidgetKit
