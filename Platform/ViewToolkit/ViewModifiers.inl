// Definitions of the modifiers every view has; included at the end of View.h.
#pragma once

namespace ViewToolkit {

template <class Self>
View ViewModifiers<Self>::self() const {
  return View(static_cast<const Self&>(*this));
}

template <class Self>
View ViewModifiers<Self>::padding(double length) const {
  return detail::padding(self(), {length, length, length, length});
}

template <class Self>
View ViewModifiers<Self>::padding(EdgeSet edges, double length) const {
  EdgeInsets insets;
  if (edges.contains(Edge::top)) insets.top = length;
  if (edges.contains(Edge::leading)) insets.leading = length;
  if (edges.contains(Edge::bottom)) insets.bottom = length;
  if (edges.contains(Edge::trailing)) insets.trailing = length;
  return detail::padding(self(), insets);
}

template <class Self>
View ViewModifiers<Self>::padding(EdgeInsets insets) const {
  return detail::padding(self(), insets);
}

template <class Self>
View ViewModifiers<Self>::frame(FrameSize size) const {
  return detail::fixedFrame(self(), size);
}

template <class Self>
View ViewModifiers<Self>::frame(FlexibleFrame frame) const {
  return detail::flexibleFrame(self(), frame);
}

template <class Self>
View ViewModifiers<Self>::font(std::optional<Font> font) const {
  return detail::environmentModifier(self(), [font](EnvironmentValues& e) { e.font = font; });
}

template <class Self>
View ViewModifiers<Self>::foregroundStyle(ShapeStyle style) const {
  return detail::environmentModifier(self(),
                                     [style](EnvironmentValues& e) { e.foregroundStyle = style; });
}

template <class Self>
View ViewModifiers<Self>::foregroundColor(Color color) const {
  return foregroundStyle(color);
}

template <class Self>
View ViewModifiers<Self>::opacity(double opacity) const {
  return detail::opacity(self(), opacity);
}

template <class Self>
View ViewModifiers<Self>::lineLimit(std::optional<int> limit) const {
  return detail::environmentModifier(self(),
                                     [limit](EnvironmentValues& e) { e.lineLimit = limit; });
}

template <class Self>
View ViewModifiers<Self>::minimumScaleFactor(double factor) const {
  return detail::environmentModifier(
      self(), [factor](EnvironmentValues& e) { e.minimumScaleFactor = factor; });
}

template <class Self>
View ViewModifiers<Self>::tracking(double tracking) const {
  return detail::environmentModifier(self(),
                                     [tracking](EnvironmentValues& e) { e.tracking = tracking; });
}

template <class Self>
View ViewModifiers<Self>::monospacedDigit() const {
  return detail::environmentModifier(self(),
                                     [](EnvironmentValues& e) { e.monospacedDigit = true; });
}

template <class Self>
View ViewModifiers<Self>::multilineTextAlignment(TextAlignment alignment) const {
  return detail::environmentModifier(
      self(), [alignment](EnvironmentValues& e) { e.multilineTextAlignment = alignment; });
}

template <class Self>
View ViewModifiers<Self>::background(View background, Alignment alignment) const {
  return detail::background(self(), std::move(background), alignment);
}

template <class Self>
View ViewModifiers<Self>::background(ShapeStyle style) const {
  return detail::shapeBackground(self(), std::move(style), Rectangle());
}

template <class Self>
View ViewModifiers<Self>::background(Color color) const {
  return background(ShapeStyle(color));
}

template <class Self>
View ViewModifiers<Self>::background(const LinearGradient& gradient) const {
  return background(ShapeStyle(gradient));
}

template <class Self>
View ViewModifiers<Self>::containerBackground(Color color,
                                              ContainerBackgroundPlacement placement) const {
  return containerBackground(ShapeStyle(color), placement);
}

template <class Self>
View ViewModifiers<Self>::background(ShapeStyle style, const Shape& in) const {
  return detail::shapeBackground(self(), std::move(style), in);
}

template <class Self>
View ViewModifiers<Self>::overlay(View overlay, Alignment alignment) const {
  return detail::overlay(self(), std::move(overlay), alignment);
}

template <class Self>
View ViewModifiers<Self>::offset(double x, double y) const {
  return detail::offset(self(), x, y);
}

template <class Self>
View ViewModifiers<Self>::rotationEffect(Angle angle, UnitPoint anchor) const {
  return detail::rotation(self(), angle, anchor);
}

template <class Self>
View ViewModifiers<Self>::widgetURL(LinkDestination url) const {
  return detail::widgetURL(self(), std::move(url.absoluteString));
}

template <class Self>
View ViewModifiers<Self>::widgetAccentable(bool accentable) const {
  return detail::accentable(self(), accentable);
}

template <class Self>
View ViewModifiers<Self>::containerBackground(View background, ContainerBackgroundPlacement,
                                              Alignment alignment) const {
  return detail::containerBackground(self(), std::move(background), alignment);
}

template <class Self>
View ViewModifiers<Self>::containerBackground(ShapeStyle style,
                                              ContainerBackgroundPlacement placement) const {
  return containerBackground(Rectangle().fill(std::move(style)), placement);
}

template <class Self>
template <EnvironmentKey Key>
View ViewModifiers<Self>::environment(typename Key::Value value) const {
  return detail::environmentModifier(
      self(), [value = std::move(value)](EnvironmentValues& e) { e.set<Key>(value); });
}

template <class Self>
template <class T, class U>
View ViewModifiers<Self>::environment(T EnvironmentValues::*member, U value) const {
  return detail::environmentModifier(
      self(), [member, value = T(std::move(value))](EnvironmentValues& e) { e.*member = value; });
}

template <class Self>
View ViewModifiers<Self>::transformEnvironment(
    std::function<void(EnvironmentValues&)> transform) const {
  return detail::environmentModifier(self(), std::move(transform));
}

}  // namespace ViewToolkit
