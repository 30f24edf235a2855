// The single-child wrappers: padding, frames, and the offsets, rotations and links that leave
// layout alone.
#include <algorithm>
#include <functional>

#include "Platform/ViewToolkit/Layout/Element.h"

namespace ViewToolkit::Layout {
namespace {

class WrapperElement : public Element {
 public:
  WrapperElement(const LayoutContext& ctx, ElementPtr child)
      : Element(ctx), child_(std::move(child)) {}

 protected:
  void fill(LayoutNode& n) const override { n.children.push_back(child_->exportNode()); }
  ElementPtr child_;
};

class PaddingElement : public WrapperElement {
 public:
  PaddingElement(const LayoutContext& ctx, ElementPtr child, EdgeInsets insets)
      : WrapperElement(ctx, std::move(child)), insets_(insets) {}

  std::optional<double> baseline(bool first, Size size) override {
    auto b = child_->baseline(first, child_->sizeThatFits(innerProposal(proposalFor(size))));
    if (!b) return std::nullopt;
    return insets_.top + *b;
  }

 protected:
  static ProposedLength shrink(ProposedLength l, double by) {
    if (!l.isFinite()) return l;
    return ProposedLength(std::max(0.0, l.points() - by));
  }
  ProposedSize innerProposal(ProposedSize p) const {
    return {shrink(p.width, insets_.leading + insets_.trailing),
            shrink(p.height, insets_.top + insets_.bottom)};
  }
  Size computeSize(ProposedSize p) override {
    Size s = child_->sizeThatFits(innerProposal(p));
    return {s.width + insets_.leading + insets_.trailing, s.height + insets_.top + insets_.bottom};
  }
  void placeChildren(Rect f, ProposedSize p) override {
    Size s = child_->sizeThatFits(innerProposal(p));
    child_->place({f.x + insets_.leading, f.y + insets_.top, s.width, s.height});
  }
  std::string_view kind() const override { return "padding"; }

 private:
  EdgeInsets insets_;
};

class FrameElement : public WrapperElement {
 public:
  FrameElement(const LayoutContext& ctx, ElementPtr child, FlexibleFrame frame, bool fixed)
      : WrapperElement(ctx, std::move(child)), bounds_(frame), fixed_(fixed) {}

  std::optional<double> baseline(bool first, Size size) override {
    Size s = child_->sizeThatFits(childProposal(proposalFor(size)));
    auto b = child_->baseline(first, s);
    if (!b) return std::nullopt;
    return alignIn({0, 0, size.width, size.height}, s, bounds_.alignment).y + *b;
  }

 protected:
  struct AxisBounds {
    std::optional<double> min, ideal, max;
  };
  AxisBounds horizontal() const {
    return {value(bounds_.minWidth), value(bounds_.idealWidth), value(bounds_.maxWidth)};
  }
  AxisBounds vertical() const {
    return {value(bounds_.minHeight), value(bounds_.idealHeight), value(bounds_.maxHeight)};
  }
  static std::optional<double> value(const std::optional<Length>& l) {
    if (!l) return std::nullopt;
    return l->value();
  }

  ProposedLength axisProposal(ProposedLength p, const AxisBounds& b) const {
    if (fixed_) return b.ideal ? ProposedLength::fromValue(*b.ideal) : p;
    if (p.isUnspecified()) return b.ideal ? ProposedLength::fromValue(*b.ideal) : p;
    double v = p.valueOr(0);
    if (b.min) v = std::max(v, *b.min);
    if (b.max) v = std::min(v, *b.max);
    return ProposedLength::fromValue(v);
  }
  ProposedSize childProposal(ProposedSize p) const {
    return {axisProposal(p.width, horizontal()), axisProposal(p.height, vertical())};
  }

  double axisSize(ProposedLength p, const AxisBounds& b, double child) const {
    if (fixed_) return b.ideal ? *b.ideal : child;
    if (!b.min && !b.max) return child;
    double v = p.isUnspecified() ? b.ideal.value_or(child) : p.valueOr(0);
    if (b.min && b.max) return std::clamp(v, *b.min, std::max(*b.min, *b.max));
    if (b.min) return std::max(*b.min, std::min(v, child));
    return v > child ? std::min(v, *b.max) : child;
  }

  Size computeSize(ProposedSize p) override {
    Size c = child_->sizeThatFits(childProposal(p));
    return {axisSize(p.width, horizontal(), c.width), axisSize(p.height, vertical(), c.height)};
  }
  void placeChildren(Rect f, ProposedSize p) override {
    Size s = child_->sizeThatFits(childProposal(p));
    Point o = alignIn(f, s, bounds_.alignment);
    child_->place({o.x, o.y, s.width, s.height});
  }
  std::string_view kind() const override { return "frame"; }

 private:
  FlexibleFrame bounds_;  // a fixed frame keeps its lengths as ideals
  bool fixed_;
};

// Offsets, rotations and links size and place their child as they are sized and placed; an
// offset moves its child when placing it.
class PassElement : public WrapperElement {
 public:
  PassElement(const LayoutContext& ctx, ElementPtr child, std::string_view kind,
              std::function<void(LayoutNode&)> mark, Point offset = {})
      : WrapperElement(ctx, std::move(child)),
        kind_(kind),
        mark_(std::move(mark)),
        offset_(offset) {}

  std::optional<double> baseline(bool first, Size size) override {
    return child_->baseline(first, size);
  }

 protected:
  Size computeSize(ProposedSize p) override { return child_->sizeThatFits(p); }
  void placeChildren(Rect f, ProposedSize) override {
    child_->place(f.offsetBy(offset_.x, offset_.y));
  }
  std::string_view kind() const override { return kind_; }
  void fill(LayoutNode& n) const override {
    WrapperElement::fill(n);
    mark_(n);
  }

 private:
  std::string_view kind_;
  std::function<void(LayoutNode&)> mark_;
  Point offset_;
};

}  // namespace

ElementPtr makePadding(const LayoutContext& ctx, EdgeInsets insets, ElementPtr child) {
  return std::make_unique<PaddingElement>(ctx, std::move(child), insets);
}

ElementPtr makeFrame(const LayoutContext& ctx, const Resolved::Frame& frame, ElementPtr child) {
  return std::make_unique<FrameElement>(ctx, std::move(child), frame.frame, frame.fixed);
}

ElementPtr makeOffset(const LayoutContext& ctx, Point offset, ElementPtr child) {
  return std::make_unique<PassElement>(
      ctx, std::move(child), "offset", [offset](LayoutNode& n) { n.offset = offset; }, offset);
}

ElementPtr makeRotation(const LayoutContext& ctx, const Resolved::Rotation& rotation,
                        ElementPtr child) {
  return std::make_unique<PassElement>(ctx, std::move(child), "rotationEffect",
                                       [rotation](LayoutNode& n) {
                                         n.rotation = rotation.angle;
                                         n.rotationAnchor = rotation.anchor;
                                       });
}

ElementPtr makeLink(const LayoutContext& ctx, std::string url, ElementPtr child) {
  return std::make_unique<PassElement>(ctx, std::move(child), "Link",
                                       [url = std::move(url)](LayoutNode& n) { n.url = url; });
}

}  // namespace ViewToolkit::Layout
