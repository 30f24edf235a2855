// Horizontal and vertical stacks, and the spacers that take what their stack leaves.
#include <algorithm>

#include "Platform/ViewToolkit/Layout/Element.h"
#include "Platform/ViewToolkit/Layout/SpaceDistribution.h"

namespace ViewToolkit::Layout {
namespace {

class SpacerElement : public Element {
 public:
  SpacerElement(const LayoutContext& ctx, std::optional<double> minLength)
      : Element(ctx), minLength_(minLength.value_or(defaultSpacing)) {}
  bool isSpacer() const override { return true; }
  void setSpacerAxis(std::optional<Axis> axis) override { axis_ = axis; }

 protected:
  Size computeSize(ProposedSize p) override {
    auto along = [&](ProposedLength l) { return std::max(l.valueOr(minLength_), minLength_); };
    if (!axis_) return {along(p.width), along(p.height)};
    if (*axis_ == Axis::horizontal) return {along(p.width), 0};
    return {0, along(p.height)};
  }
  std::string_view kind() const override { return "Spacer"; }

 private:
  double minLength_;
  std::optional<Axis> axis_;
};

class StackElement : public Element {
 public:
  StackElement(const LayoutContext& ctx, Axis axis, Alignment alignment,
               std::optional<double> spacing, Elements children, std::string_view kind)
      : Element(ctx),
        axis_(axis),
        alignment_(alignment),
        spacing_(spacing),
        children_(std::move(children)),
        kind_(kind) {
    for (auto& c : children_) c->setSpacerAxis(axis_);
  }

  std::optional<double> baseline(bool first, Size size) override {
    Arrangement a = arrange(proposalFor(size), size);
    const std::size_t n = children_.size();
    for (std::size_t k = 0; k < n; ++k) {
      std::size_t i = first ? k : n - 1 - k;
      if (auto b = children_[i]->baseline(first, a.sizes[i])) return a.origins[i].y + *b;
    }
    return std::nullopt;
  }

 protected:
  struct Arrangement {
    std::vector<Size> sizes;
    std::vector<Point> origins;  // relative to the stack's frame
    Size extent;
  };

  Size computeSize(ProposedSize p) override { return arrange(p, std::nullopt).extent; }

  void placeChildren(Rect frame, ProposedSize p) override {
    Arrangement a = arrange(p, frame.size());
    for (std::size_t i = 0; i < children_.size(); ++i) {
      children_[i]->place({frame.x + a.origins[i].x, frame.y + a.origins[i].y, a.sizes[i].width,
                           a.sizes[i].height});
    }
  }

  std::string_view kind() const override { return kind_; }
  void fill(LayoutNode& n) const override {
    for (const auto& c : children_) n.children.push_back(c->exportNode());
  }

 private:
  double gapBefore(std::size_t i) const {
    if (i == 0) return 0;
    if (spacing_) return *spacing_;
    // Spacers bring their own minimum length; the default spacing does not add to it.
    if (children_[i]->isSpacer() || children_[i - 1]->isSpacer()) return 0;
    return defaultSpacing;
  }

  std::vector<Size> allocate(ProposedSize p) {
    const std::size_t n = children_.size();
    std::vector<Size> sizes(n);
    const ProposedLength pMain = mainOf(p, axis_);
    const ProposedLength pCross = crossOf(p, axis_);
    if (pMain.isUnspecified()) {
      for (std::size_t i = 0; i < n; ++i) {
        sizes[i] = children_[i]->sizeThatFits(proposal(axis_, ProposedLength(), pCross));
      }
      return sizes;
    }
    double spacing = 0;
    for (std::size_t i = 0; i < n; ++i) spacing += gapBefore(i);
    std::vector<SpaceClaim> claims(n);
    for (std::size_t i = 0; i < n; ++i) {
      const double minimum =
          mainOf(children_[i]->sizeThatFits(proposal(axis_, 0.0, pCross)), axis_);
      const double maximum = mainOf(
          children_[i]->sizeThatFits(proposal(axis_, ProposedLength::infinity(), pCross)), axis_);
      claims[i] = {minimum, maximum - minimum, children_[i]->isSpacer()};
    }
    distributeSpace(pMain.valueOr(0) - spacing, claims, [&](std::size_t i, double offer) {
      sizes[i] =
          children_[i]->sizeThatFits(proposal(axis_, ProposedLength::fromValue(offer), pCross));
      return mainOf(sizes[i], axis_);
    });
    return sizes;
  }

  // Cross-axis guide of a child: where its alignment line lies, from its top (or leading) edge.
  double guide(std::size_t i, Size size) {
    if (axis_ == Axis::vertical) return size.width * alignFraction(alignment_.horizontal);
    switch (alignment_.vertical) {
      case VerticalAlignment::top:
        return 0;
      case VerticalAlignment::center:
        return size.height / 2;
      case VerticalAlignment::bottom:
        return size.height;
      case VerticalAlignment::firstTextBaseline:
        return children_[i]->baseline(true, size).value_or(size.height);
      case VerticalAlignment::lastTextBaseline:
        return children_[i]->baseline(false, size).value_or(size.height);
    }
    return 0;
  }

  Arrangement arrange(ProposedSize p, std::optional<Size> frameSize) {
    Arrangement a;
    a.sizes = allocate(p);
    const std::size_t n = children_.size();
    a.origins.resize(n);
    double low = 0, high = 0;
    std::vector<double> crossPos(n);
    for (std::size_t i = 0; i < n; ++i) {
      double g = guide(i, a.sizes[i]);
      crossPos[i] = -g;
      if (i == 0) {
        low = -g;
        high = -g + crossOf(a.sizes[i], axis_);
      } else {
        low = std::min(low, -g);
        high = std::max(high, -g + crossOf(a.sizes[i], axis_));
      }
    }
    double crossExtent = n ? high - low : 0;
    // Content smaller than the frame sits by the alignment; baselines count as the top.
    double slack = frameSize ? crossOf(*frameSize, axis_) - crossExtent : 0;
    double shift = 0;
    if (axis_ == Axis::vertical) {
      shift = slack * alignFraction(alignment_.horizontal);
    } else if (alignment_.vertical == VerticalAlignment::center) {
      shift = slack / 2;
    } else if (alignment_.vertical == VerticalAlignment::bottom) {
      shift = slack;
    }
    double cursor = 0;
    for (std::size_t i = 0; i < n; ++i) {
      cursor += gapBefore(i);
      double c = crossPos[i] - low + shift;
      a.origins[i] = axis_ == Axis::horizontal ? Point{cursor, c} : Point{c, cursor};
      cursor += mainOf(a.sizes[i], axis_);
    }
    a.extent = axis_ == Axis::horizontal ? Size{cursor, crossExtent} : Size{crossExtent, cursor};
    return a;
  }

  Axis axis_;
  Alignment alignment_;
  std::optional<double> spacing_;
  Elements children_;
  std::string_view kind_;
};

}  // namespace

ElementPtr makeSpacer(const LayoutContext& ctx, std::optional<double> minLength) {
  return std::make_unique<SpacerElement>(ctx, minLength);
}

ElementPtr makeStack(const LayoutContext& ctx, const Resolved::Stack& stack, Elements children) {
  return std::make_unique<StackElement>(
      ctx, stack.axis == Resolved::Axis::horizontal ? Axis::horizontal : Axis::vertical,
      stack.alignment, stack.spacing, std::move(children), stack.kind);
}

}  // namespace ViewToolkit::Layout
