// The resolved tree: a view as layout receives it. Component bodies are built, the environment
// is applied to every leaf (fonts, paints, text settings, localised strings), groups are
// flattened into their containers, and modifiers that only mark a node (opacity, priority,
// widget URL, accent group) are attributes of it. Layout reads nothing else.
//
// Internal to the toolkit.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Platform/ViewToolkit/LayoutNode.h"

namespace ViewToolkit {

struct ResolvedNode;
using ResolvedNodes = std::vector<ResolvedNode>;

namespace Resolved {

enum class Axis { horizontal, vertical };

struct Empty {};
struct Text {
  std::vector<TextContent::Run> runs;
  TextParagraph paragraph;
  double minimumScale = 1;
};
// A symbol image, sized by its font.
struct Image {
  std::string symbol;
  ResolvedFont font;
  Paint paint;
};
struct Shape {
  ShapeContent content;
  std::string_view kind;  // "Circle", "Color", "LinearGradient", ...
};
struct Spacer {
  std::optional<double> minLength;
};
// Children: the node's children, in order.
struct Stack {
  Axis axis;
  Alignment alignment;
  std::optional<double> spacing;
  std::string_view kind;  // "HStack", "VStack", "GridRow" (a row outside a grid), "Label"
};
// Children: the layers, back to front.
struct ZStack {
  Alignment alignment;
};
struct GridRow {
  std::optional<VerticalAlignment> alignment;
  ResolvedNodes cells;
  bool spansAll = false;  // a child of the grid that is not a GridRow
};
struct Grid {
  Alignment alignment;
  double horizontalSpacing;
  double verticalSpacing;
  std::vector<GridRow> rows;
};
// The single-child wrappers: children holds the one child.
struct Padding {
  EdgeInsets insets;
};
struct Frame {
  FlexibleFrame frame;  // a fixed frame keeps its lengths as ideals
  bool fixed;
};
struct Offset {
  Point offset;
};
struct Rotation {
  Angle angle;
  UnitPoint anchor;
};
struct Link {
  std::string url;
};
// Children: the primary view, then the secondary one (the background or the overlay).
struct Layers {
  Alignment alignment;
  bool overlay;
};

}  // namespace Resolved

struct ResolvedNode {
  using Content = std::variant<Resolved::Empty, Resolved::Text, Resolved::Image, Resolved::Shape,
                               Resolved::Spacer, Resolved::Stack, Resolved::ZStack, Resolved::Grid,
                               Resolved::Padding, Resolved::Frame, Resolved::Offset,
                               Resolved::Rotation, Resolved::Link, Resolved::Layers>;
  ResolvedNode(Content content, ResolvedNodes children = {})
      : content(std::move(content)), children(std::move(children)) {}

  Content content;
  ResolvedNodes children;

  double opacity = 1;
  bool accentable = false;  // starts the accent group
  std::optional<std::string> widgetURL;
};

// Resolves `view` placed in `environment`. Several views where one is expected stack
// vertically; none is the empty node.
ResolvedNode resolveView(const View& view, const EnvironmentValues& environment);

}  // namespace ViewToolkit
