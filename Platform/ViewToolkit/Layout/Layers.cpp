// Views drawn over each other: the depth stack, and a view with a background or an overlay
// (sized by the view alone, the other layer offered the view's size).
#include <algorithm>

#include "Platform/ViewToolkit/Layout/Element.h"

namespace ViewToolkit::Layout {
namespace {

class ZStackElement : public Element {
 public:
  ZStackElement(const LayoutContext& ctx, Alignment alignment, Elements children)
      : Element(ctx), alignment_(alignment), children_(std::move(children)) {}

  std::optional<double> baseline(bool first, Size size) override {
    for (auto& c : children_) {
      Size s = c->sizeThatFits(proposalFor(size));
      if (auto b = c->baseline(first, s)) {
        return alignIn({0, 0, size.width, size.height}, s, alignment_).y + *b;
      }
    }
    return std::nullopt;
  }

 protected:
  Size computeSize(ProposedSize p) override {
    Size extent;
    for (auto& c : children_) {
      Size s = c->sizeThatFits(p);
      extent.width = std::max(extent.width, s.width);
      extent.height = std::max(extent.height, s.height);
    }
    return extent;
  }
  void placeChildren(Rect frame, ProposedSize p) override {
    for (auto& c : children_) {
      Size s = c->sizeThatFits(p);
      Point o = alignIn(frame, s, alignment_);
      c->place({o.x, o.y, s.width, s.height});
    }
  }
  std::string_view kind() const override { return "ZStack"; }
  void fill(LayoutNode& n) const override {
    for (const auto& c : children_) n.children.push_back(c->exportNode());
  }

 private:
  Alignment alignment_;
  Elements children_;
};

class LayeredElement : public Element {
 public:
  LayeredElement(const LayoutContext& ctx, ElementPtr primary, ElementPtr secondary,
                 Alignment alignment, bool overlay)
      : Element(ctx),
        primary_(std::move(primary)),
        secondary_(std::move(secondary)),
        alignment_(alignment),
        overlay_(overlay) {}

  std::optional<double> baseline(bool first, Size size) override {
    return primary_->baseline(first, size);
  }

 protected:
  Size computeSize(ProposedSize p) override { return primary_->sizeThatFits(p); }
  void placeChildren(Rect f, ProposedSize) override {
    primary_->place(f);
    Size s = secondary_->sizeThatFits(ProposedSize::of(f.size()));
    Point o = alignIn(f, s, alignment_);
    secondary_->place({o.x, o.y, s.width, s.height});
  }
  std::string_view kind() const override { return overlay_ ? "overlay" : "background"; }
  void fill(LayoutNode& n) const override {
    // Children in drawing order.
    if (overlay_) {
      n.children.push_back(primary_->exportNode());
      n.children.push_back(secondary_->exportNode());
    } else {
      n.children.push_back(secondary_->exportNode());
      n.children.push_back(primary_->exportNode());
    }
  }

 private:
  ElementPtr primary_, secondary_;
  Alignment alignment_;
  bool overlay_;
};

}  // namespace

ElementPtr makeZStack(const LayoutContext& ctx, Alignment alignment, Elements children) {
  return std::make_unique<ZStackElement>(ctx, alignment, std::move(children));
}

ElementPtr makeLayers(const LayoutContext& ctx, const Resolved::Layers& layers, ElementPtr primary,
                      ElementPtr secondary) {
  return std::make_unique<LayeredElement>(ctx, std::move(primary), std::move(secondary),
                                          layers.alignment, layers.overlay);
}

}  // namespace ViewToolkit::Layout
