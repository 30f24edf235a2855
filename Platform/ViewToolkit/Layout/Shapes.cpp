// Shapes (and colours and gradients used as views), which take whatever they are offered, and
// the empty view, which takes nothing.
#include "Platform/ViewToolkit/Layout/Element.h"

namespace ViewToolkit::Layout {
namespace {

// What a shape asks for on an axis it is offered nothing definite on.
constexpr double shapeIdealSize = 10;

class ShapeElement : public Element {
 public:
  ShapeElement(const LayoutContext& ctx, Resolved::Shape shape)
      : Element(ctx), shape_(std::move(shape)) {}

 protected:
  Size computeSize(ProposedSize p) override {
    return {p.width.valueOr(shapeIdealSize), p.height.valueOr(shapeIdealSize)};
  }
  std::string_view kind() const override { return shape_.kind; }
  void fill(LayoutNode& n) const override {
    n.shape = shape_.content;
    n.shape->paint.bounds = n.frame;
  }

 private:
  Resolved::Shape shape_;
};

class EmptyElement : public Element {
 public:
  using Element::Element;

 protected:
  Size computeSize(ProposedSize) override { return {}; }
  std::string_view kind() const override { return "Empty"; }
};

}  // namespace

ElementPtr makeShape(const LayoutContext& ctx, Resolved::Shape shape) {
  return std::make_unique<ShapeElement>(ctx, std::move(shape));
}

ElementPtr makeEmpty(const LayoutContext& ctx) {
  return std::make_unique<EmptyElement>(ctx);
}

}  // namespace ViewToolkit::Layout
