#include "Platform/ViewToolkit/View.h"

#include "Platform/ViewToolkit/Text.h"
#include "Platform/ViewToolkit/ViewNode.h"

namespace ViewToolkit {
namespace {

template <class T>
View make(T content) {
  return View(std::make_shared<const ViewNode>(ViewNode{std::move(content)}));
}

View modified(const View& child, Modifier modifier) {
  return make(ModifierNode{child, std::move(modifier)});
}

const View& emptyView() {
  static const View empty(std::make_shared<const ViewNode>(ViewNode{EmptyNode{}}));
  return empty;
}

}  // namespace

View::View() : node_(emptyView().node()) {}
View::View(const Text& text) : View(make(TextNode{text})) {}
View::View(const Shape& shape) : View(shape.fill()) {}
View::View(Color color)
    : View(make(
          ShapeNode{Rectangle(), ShapeNode::Paint::fill, color, {}, ShapeNode::Origin::color})) {}
View::View(const LinearGradient& gradient)
    : View(make(ShapeNode{
          Rectangle(), ShapeNode::Paint::fill, gradient, {}, ShapeNode::Origin::gradient})) {}

bool View::isEmpty() const {
  return std::holds_alternative<EmptyNode>(node_->content);
}

namespace detail {

View makeComponent(std::function<View()> body) {
  return make(ComponentNode{std::move(body)});
}

View padding(const View& v, EdgeInsets insets) {
  return modified(v, PaddingModifier{insets});
}
View fixedFrame(const View& v, FrameSize size) {
  return modified(v, FixedFrameModifier{size});
}
View flexibleFrame(const View& v, FlexibleFrame f) {
  return modified(v, FlexibleFrameModifier{f});
}
View opacity(const View& v, double o) {
  return modified(v, OpacityModifier{o});
}
View background(const View& v, View b, Alignment a) {
  return modified(v, BackgroundModifier{std::move(b), a});
}
View overlay(const View& v, View o, Alignment a) {
  return modified(v, OverlayModifier{std::move(o), a});
}
View offset(const View& v, double x, double y) {
  return modified(v, OffsetModifier{x, y});
}
View rotation(const View& v, Angle angle, UnitPoint anchor) {
  return modified(v, RotationModifier{angle, anchor});
}
View widgetURL(const View& v, std::string url) {
  return modified(v, WidgetURLModifier{std::move(url)});
}
View accentable(const View& v, bool a) {
  return modified(v, AccentableModifier{a});
}
View containerBackground(const View& v, View b, Alignment a) {
  return modified(v, ContainerBackgroundModifier{std::move(b), a});
}
View environmentModifier(const View& v, std::function<void(EnvironmentValues&)> transform) {
  return modified(v, EnvironmentModifier{std::move(transform)});
}
View shapeBackground(const View& v, ShapeStyle style, const Shape& shape) {
  return background(v, shape.fill(std::move(style)), Alignment::center);
}

}  // namespace detail

View Container(View content, ContainerLayout layout) {
  return make(
      ContainerNode{std::move(content), layout.size, layout.margins, layout.drawsBackground});
}

View VStack(HorizontalAlignment alignment, std::optional<double> spacing,
            std::vector<View> children) {
  return make(StackNode{StackAxis::vertical, Alignment{alignment, VerticalAlignment::center},
                        spacing, std::move(children)});
}
View VStack(HorizontalAlignment alignment, std::vector<View> children) {
  return VStack(alignment, std::nullopt, std::move(children));
}
View VStack(std::vector<View> children) {
  return VStack(HorizontalAlignment::center, std::nullopt, std::move(children));
}
View HStack(VerticalAlignment alignment, std::optional<double> spacing,
            std::vector<View> children) {
  return make(StackNode{StackAxis::horizontal, Alignment{HorizontalAlignment::center, alignment},
                        spacing, std::move(children)});
}
View HStack(VerticalAlignment alignment, std::vector<View> children) {
  return HStack(alignment, std::nullopt, std::move(children));
}
View HStack(std::vector<View> children) {
  return HStack(VerticalAlignment::center, std::nullopt, std::move(children));
}
View ZStack(Alignment alignment, std::vector<View> children) {
  return make(StackNode{StackAxis::depth, alignment, std::nullopt, std::move(children)});
}
View ZStack(std::vector<View> children) {
  return ZStack(Alignment::center, std::move(children));
}

View Grid(Alignment alignment, std::optional<double> horizontalSpacing,
          std::optional<double> verticalSpacing, std::vector<View> rows) {
  return make(GridNode{alignment, horizontalSpacing, verticalSpacing, std::move(rows)});
}
View Grid(std::vector<View> rows) {
  return Grid(Alignment::center, std::nullopt, std::nullopt, std::move(rows));
}
View GridRow(std::optional<VerticalAlignment> alignment, std::vector<View> cells) {
  return make(GridRowNode{alignment, std::move(cells)});
}
View GridRow(std::vector<View> cells) {
  return GridRow(std::nullopt, std::move(cells));
}

View Spacer(std::optional<double> minLength) {
  return make(SpacerNode{minLength});
}
View Group(std::vector<View> children) {
  return make(GroupNode{std::move(children)});
}

View Link(LinkDestination destination, View label) {
  return make(LinkNode{std::move(destination.absoluteString), std::move(label)});
}

View Image::systemName(std::string name) {
  return make(ImageNode{std::move(name)});
}

View Label(const Text& title, std::string systemImage) {
  return make(LabelNode{title, std::move(systemImage)});
}

Shape Shape::trim(double from, double to) const {
  Shape s = *this;
  // A trim of a trim keeps the part of the part, as nested trims do.
  double length = trimTo_ - trimFrom_;
  s.trimFrom_ = trimFrom_ + length * from;
  s.trimTo_ = trimFrom_ + length * to;
  return s;
}

Shape Shape::inset(double amount) const {
  Shape s = *this;
  s.inset_ += amount;
  return s;
}

View Shape::fill(ShapeStyle style) const {
  return make(
      ShapeNode{*this, ShapeNode::Paint::fill, std::move(style), {}, ShapeNode::Origin::shape});
}
View Shape::stroke(ShapeStyle style, StrokeStyle stroke) const {
  return make(ShapeNode{*this, ShapeNode::Paint::stroke, std::move(style), std::move(stroke),
                        ShapeNode::Origin::shape});
}
View Shape::stroke(ShapeStyle style, double lineWidth) const {
  StrokeStyle s;
  s.lineWidth = lineWidth;
  return stroke(std::move(style), std::move(s));
}
View Shape::strokeBorder(ShapeStyle style, StrokeStyle stroke) const {
  return make(ShapeNode{*this, ShapeNode::Paint::strokeBorder, std::move(style), std::move(stroke),
                        ShapeNode::Origin::shape});
}
View Shape::strokeBorder(ShapeStyle style, double lineWidth) const {
  StrokeStyle s;
  s.lineWidth = lineWidth;
  return strokeBorder(std::move(style), std::move(s));
}

}  // namespace ViewToolkit
