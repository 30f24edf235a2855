// Views: immutable values describing what to show, built by composition.
//
// A View is a shared pointer to a const node, so copying one is cheap and nothing ever changes
// a view once built. Primitives are functions and small types (Text, Image::systemName,
// shapes, stacks, Grid, Spacer, Group, ForEach, Link, Label); modifiers are member functions
// that return a new View. A component is any type with `View body() const` (or a body that
// converts to View); it converts to View implicitly, and its body is built when the tree is
// laid out, so a component that reads the environment or the clock reads them at that time:
//
//   struct Badge {
//     std::string title;
//     View body() const {
//       return Text::verbatim(title).font(Font::caption2).padding(EdgeSet::horizontal, 7);
//     }
//   };
//   View v = VStack(HorizontalAlignment::leading, 4, {Badge{"Wi-Fi"}, Spacer()});
//
// Views are built and laid out on one thread at a time (the main thread in the widget host).
#pragma once

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/Environment.h"
#include "Platform/ViewToolkit/Font.h"
#include "Platform/ViewToolkit/Geometry.h"

namespace ViewToolkit {

struct ViewNode;
class View;
class Shape;

// `.frame(width:height:alignment:)`: fixed lengths on the axes given.
struct FrameSize {
  std::optional<double> width = std::nullopt;
  std::optional<double> height = std::nullopt;
  Alignment alignment = Alignment::center;
};

// `.frame(minWidth:idealWidth:maxWidth:minHeight:idealHeight:maxHeight:alignment:)`.
struct FlexibleFrame {
  std::optional<Length> minWidth = std::nullopt;
  std::optional<Length> idealWidth = std::nullopt;
  std::optional<Length> maxWidth = std::nullopt;
  std::optional<Length> minHeight = std::nullopt;
  std::optional<Length> idealHeight = std::nullopt;
  std::optional<Length> maxHeight = std::nullopt;
  Alignment alignment = Alignment::center;
};

enum class ContainerBackgroundPlacement { widget };

// A URL as the toolkit passes it around: anything with `absoluteString()` converts.
struct LinkDestination {
  std::string absoluteString;
  LinkDestination(std::string s) : absoluteString(std::move(s)) {}
  LinkDestination(const char* s) : absoluteString(s) {}
  template <class U>
  requires requires(const U& u) {
    { u.absoluteString() } -> std::convertible_to<std::string>;
  }
  LinkDestination(const U& url) : absoluteString(url.absoluteString()) {}
};

namespace detail {
View padding(const View& view, EdgeInsets insets);
View fixedFrame(const View& view, FrameSize size);
View flexibleFrame(const View& view, FlexibleFrame frame);
View opacity(const View& view, double opacity);
View background(const View& view, View background, Alignment alignment);
View overlay(const View& view, View overlay, Alignment alignment);
View offset(const View& view, double x, double y);
View rotation(const View& view, Angle angle, UnitPoint anchor);
View widgetURL(const View& view, std::string url);
View accentable(const View& view, bool accentable);
View containerBackground(const View& view, View background, Alignment alignment);
View environmentModifier(const View& view, std::function<void(EnvironmentValues&)> transform);
View shapeBackground(const View& view, ShapeStyle style, const Shape& shape);
}  // namespace detail

// The modifiers every view has. View, Text and Shape inherit them; Text and Shape add
// modifiers of their own that keep their type (so that texts can still be concatenated).
template <class Self>
class ViewModifiers {
 public:
  View padding(double length = 16) const;
  View padding(EdgeSet edges, double length = 16) const;
  View padding(EdgeInsets insets) const;
  View frame(FrameSize size) const;
  View frame(FlexibleFrame frame) const;
  View font(std::optional<Font> font) const;
  View foregroundStyle(ShapeStyle style) const;
  View foregroundColor(Color color) const;
  View opacity(double opacity) const;
  View lineLimit(std::optional<int> limit) const;
  View minimumScaleFactor(double factor) const;
  View tracking(double tracking) const;
  View monospacedDigit() const;
  View multilineTextAlignment(TextAlignment alignment) const;
  View background(View background, Alignment alignment = Alignment::center) const;
  View background(ShapeStyle style) const;
  View background(Color color) const;
  View background(const LinearGradient& gradient) const;
  View background(ShapeStyle style, const Shape& in) const;
  View overlay(View overlay, Alignment alignment = Alignment::center) const;
  View offset(double x, double y) const;
  View rotationEffect(Angle angle, UnitPoint anchor = UnitPoint::center) const;
  View widgetURL(LinkDestination url) const;
  View widgetAccentable(bool accentable = true) const;
  View containerBackground(View background,
                           ContainerBackgroundPlacement = ContainerBackgroundPlacement::widget,
                           Alignment alignment = Alignment::center) const;
  View containerBackground(
      ShapeStyle style, ContainerBackgroundPlacement = ContainerBackgroundPlacement::widget) const;
  View containerBackground(
      Color color, ContainerBackgroundPlacement = ContainerBackgroundPlacement::widget) const;
  // `.environment(\.key, value)` for a key defined outside the toolkit.
  template <EnvironmentKey Key>
  View environment(typename Key::Value value) const;
  // `.environment(\.colorScheme, .dark)` for the toolkit's own values.
  template <class T, class U>
  View environment(T EnvironmentValues::*member, U value) const;
  View transformEnvironment(std::function<void(EnvironmentValues&)> transform) const;

 private:
  View self() const;
};

class Text;
class LinearGradientView;

class View : public ViewModifiers<View> {
 public:
  // The empty view: takes no space and draws nothing.
  View();
  View(const Text& text);
  View(const Shape& shape);
  View(Color color);
  View(const LinearGradient& gradient);
  View(std::optional<View> view) : View(view ? std::move(*view) : View()) {}
  template <class C>
  requires(!std::is_base_of_v<View, C> && requires(const C& c) {
    { c.body() } -> std::convertible_to<View>;
  }) View(C component);
  explicit View(std::shared_ptr<const ViewNode> node) : node_(std::move(node)) {}

  const std::shared_ptr<const ViewNode>& node() const { return node_; }
  bool isEmpty() const;

 private:
  std::shared_ptr<const ViewNode> node_;
};

namespace detail {
View makeComponent(std::function<View()> body);
}  // namespace detail

template <class C>
requires(!std::is_base_of_v<View, C> &&
         requires(const C& c) {
           { c.body() } -> std::convertible_to<View>;
         }) View::View(C component)
    : View(detail::makeComponent([c = std::move(component)]() -> View { return c.body(); })) {}

// ---- Stacks, grid, spacing, grouping -------------------------------------------------------

View VStack(HorizontalAlignment alignment, std::optional<double> spacing,
            std::vector<View> children);
View VStack(HorizontalAlignment alignment, std::vector<View> children);
View VStack(std::vector<View> children);
View HStack(VerticalAlignment alignment, std::optional<double> spacing, std::vector<View> children);
View HStack(VerticalAlignment alignment, std::vector<View> children);
View HStack(std::vector<View> children);
View ZStack(Alignment alignment, std::vector<View> children);
View ZStack(std::vector<View> children);

// Rows of cells sized as one table: columns as wide as their widest cell, rows as tall as their
// tallest. A child that is not a GridRow fills a row of its own.
View Grid(Alignment alignment, std::optional<double> horizontalSpacing,
          std::optional<double> verticalSpacing, std::vector<View> rows);
View Grid(std::vector<View> rows);
View GridRow(std::optional<VerticalAlignment> alignment, std::vector<View> cells);
View GridRow(std::vector<View> cells);

// Flexible space along its stack's axis (both axes elsewhere), never shorter than minLength
// (absent: the default spacing).
View Spacer(std::optional<double> minLength = std::nullopt);

// Its children, laid out by the enclosing container; modifiers on a group apply to each child.
View Group(std::vector<View> children);

// One view per element, in order. `id` gives the element's identity; a laid-out tree is built
// afresh each time, so identity only labels the rows.
template <class Range, class IdFn, class ContentFn>
View ForEach(const Range& data, IdFn id, ContentFn content) {
  std::vector<View> views;
  for (const auto& element : data) {
    (void)id(element);
    views.push_back(View(content(element)));
  }
  return Group(std::move(views));
}

// ---- Links and images ----------------------------------------------------------------------

// A tap on `label` opens `destination`; the innermost link under a tap wins over outer links
// and over the widget URL.
View Link(LinkDestination destination, View label);

struct Image {
  // A platform symbol by name, drawn from the icon font and sized by the current font. The
  // name is only ever looked up in the symbol table; an unknown name draws a neutral glyph.
  static View systemName(std::string name);
};

// A title with a symbol image before it.
View Label(const Text& title, std::string systemImage);

// ---- Shapes --------------------------------------------------------------------------------

enum class RoundedCornerStyle { circular, continuous };
enum class LineCap { butt, round, square };
enum class LineJoin { miter, round, bevel };

struct StrokeStyle {
  double lineWidth = 1;
  LineCap lineCap = LineCap::butt;
  LineJoin lineJoin = LineJoin::miter;
  double miterLimit = 10;
  std::vector<double> dash = {};
  double dashPhase = 0;
  friend bool operator==(const StrokeStyle&, const StrokeStyle&) = default;
};

class Shape : public ViewModifiers<Shape> {
 public:
  enum class Kind { rectangle, roundedRectangle, circle, capsule };

  Shape(Kind kind, double cornerRadius = 0,
        RoundedCornerStyle style = RoundedCornerStyle::continuous)
      : kind_(kind), cornerRadius_(cornerRadius), cornerStyle_(style) {}

  // The part of the outline from `from` to `to`, as shares of its length. A circle's outline
  // starts at 3 o'clock and runs clockwise on screen.
  Shape trim(double from, double to) const;
  Shape inset(double amount) const;
  View fill(ShapeStyle style = ShapeStyle::foreground) const;
  View stroke(ShapeStyle style, StrokeStyle stroke) const;
  View stroke(ShapeStyle style, double lineWidth = 1) const;
  // Strokes inside the edge: the outline is inset by half the line width first.
  View strokeBorder(ShapeStyle style, StrokeStyle stroke) const;
  View strokeBorder(ShapeStyle style, double lineWidth = 1) const;

  Kind kind() const { return kind_; }
  double cornerRadius() const { return cornerRadius_; }
  RoundedCornerStyle cornerStyle() const { return cornerStyle_; }
  double trimFrom() const { return trimFrom_; }
  double trimTo() const { return trimTo_; }
  double insetAmount() const { return inset_; }
  // By outline (the modifiers base holds nothing to compare).
  friend bool operator==(const Shape& a, const Shape& b) {
    return a.kind_ == b.kind_ && a.cornerRadius_ == b.cornerRadius_ &&
           a.cornerStyle_ == b.cornerStyle_ && a.trimFrom_ == b.trimFrom_ &&
           a.trimTo_ == b.trimTo_ && a.inset_ == b.inset_;
  }

 private:
  Kind kind_;
  double cornerRadius_;
  RoundedCornerStyle cornerStyle_;
  double trimFrom_ = 0;
  double trimTo_ = 1;
  double inset_ = 0;
};

inline Shape Circle() {
  return Shape(Shape::Kind::circle);
}
inline Shape Rectangle() {
  return Shape(Shape::Kind::rectangle);
}
inline Shape RoundedRectangle(double cornerRadius,
                              RoundedCornerStyle style = RoundedCornerStyle::continuous) {
  return Shape(Shape::Kind::roundedRectangle, cornerRadius, style);
}
inline Shape Capsule(RoundedCornerStyle style = RoundedCornerStyle::continuous) {
  return Shape(Shape::Kind::capsule, 0, style);
}

// ---- Container ---------------------------------------------------------------------------

// A widget's canvas: `content` inside `margins`, centred in `size`, over the container
// background that a view inside it asks for with `.containerBackground(...)` (the first in tree
// order, wherever it stands: inside links, grid rows and components too), which fills the
// whole size. With drawsBackground false the background is left out and only the content shows.
struct ContainerLayout {
  Size size;
  EdgeInsets margins;
  bool drawsBackground = true;
};
View Container(View content, ContainerLayout layout);

}  // namespace ViewToolkit

#include "Platform/ViewToolkit/ViewModifiers.inl"
