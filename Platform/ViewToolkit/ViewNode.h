// The nodes behind View values. Internal to the toolkit: views are built through View.h and
// read only by the resolver (Resolve/Resolver.cpp).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/ViewToolkit/Text.h"
#include "Platform/ViewToolkit/View.h"

namespace ViewToolkit {

enum class StackAxis { horizontal, vertical, depth };

struct EmptyNode {};
struct TextNode {
  Text text;
};
struct ImageNode {
  std::string symbol;
};
// A shape drawn in its frame; also a colour or a gradient used as a view.
struct ShapeNode {
  enum class Paint { fill, stroke, strokeBorder };
  enum class Origin { shape, color, gradient };
  Shape shape;
  Paint paint = Paint::fill;
  ShapeStyle style = ShapeStyle::foreground;
  StrokeStyle stroke;
  Origin origin = Origin::shape;
};
struct StackNode {
  StackAxis axis;
  Alignment alignment;
  std::optional<double> spacing;
  std::vector<View> children;
};
struct GridNode {
  Alignment alignment;
  std::optional<double> horizontalSpacing;
  std::optional<double> verticalSpacing;
  std::vector<View> rows;
};
struct GridRowNode {
  std::optional<VerticalAlignment> alignment;
  std::vector<View> cells;
};
struct SpacerNode {
  std::optional<double> minLength;
};
struct GroupNode {
  std::vector<View> children;
};
struct LinkNode {
  std::string url;
  View label;
};
struct LabelNode {
  Text title;
  std::string symbol;
};
struct ComponentNode {
  std::function<View()> body;
};
struct ContainerNode {
  View content;
  Size size;
  EdgeInsets margins;
  bool drawsBackground;
};

struct PaddingModifier {
  EdgeInsets insets;
};
struct FixedFrameModifier {
  FrameSize size;
};
struct FlexibleFrameModifier {
  FlexibleFrame frame;
};
struct OpacityModifier {
  double opacity;
};
struct BackgroundModifier {
  View background;
  Alignment alignment;
};
struct OverlayModifier {
  View overlay;
  Alignment alignment;
};
struct OffsetModifier {
  double x, y;
};
struct RotationModifier {
  Angle angle;
  UnitPoint anchor;
};
struct WidgetURLModifier {
  std::string url;
};
struct AccentableModifier {
  bool accentable;
};
struct ContainerBackgroundModifier {
  View background;
  Alignment alignment;
};
struct EnvironmentModifier {
  std::function<void(EnvironmentValues&)> transform;
};

using Modifier = std::variant<PaddingModifier, FixedFrameModifier, FlexibleFrameModifier,
                              OpacityModifier, BackgroundModifier, OverlayModifier, OffsetModifier,
                              RotationModifier, WidgetURLModifier, AccentableModifier,
                              ContainerBackgroundModifier, EnvironmentModifier>;

struct ModifierNode {
  View child;
  Modifier modifier;
};

struct ViewNode {
  std::variant<EmptyNode, TextNode, ImageNode, ShapeNode, StackNode, GridNode, GridRowNode,
               SpacerNode, GroupNode, LinkNode, LabelNode, ComponentNode, ContainerNode,
               ModifierNode>
      content;
};

}  // namespace ViewToolkit
