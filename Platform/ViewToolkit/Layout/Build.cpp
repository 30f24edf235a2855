// The layout pass: the elements of a resolved tree, proposed the bounds' size, placed, and
// exported as the laid-out tree.
#include "Platform/ViewToolkit/Layout/Element.h"

namespace ViewToolkit {
namespace Layout {
namespace {

ElementPtr build(ResolvedNode&& node, const LayoutContext& ctx);

Elements buildAll(ResolvedNodes&& nodes, const LayoutContext& ctx) {
  Elements out;
  out.reserve(nodes.size());
  for (ResolvedNode& n : nodes) out.push_back(build(std::move(n), ctx));
  return out;
}

struct ElementBuilder {
  const LayoutContext& ctx;
  ResolvedNodes& children;

  ElementPtr child(std::size_t i = 0) { return build(std::move(children[i]), ctx); }

  ElementPtr operator()(Resolved::Empty&) { return makeEmpty(ctx); }
  ElementPtr operator()(Resolved::Text& t) { return makeText(ctx, std::move(t)); }
  ElementPtr operator()(Resolved::Image& i) { return makeImage(ctx, std::move(i)); }
  ElementPtr operator()(Resolved::Shape& s) { return makeShape(ctx, std::move(s)); }
  ElementPtr operator()(Resolved::Spacer& s) { return makeSpacer(ctx, s.minLength); }
  ElementPtr operator()(Resolved::Stack& s) {
    return makeStack(ctx, s, buildAll(std::move(children), ctx));
  }
  ElementPtr operator()(Resolved::ZStack& z) {
    return makeZStack(ctx, z.alignment, buildAll(std::move(children), ctx));
  }
  ElementPtr operator()(Resolved::Grid& g) {
    std::vector<GridRowElements> rows;
    for (Resolved::GridRow& r : g.rows) {
      rows.push_back({r.alignment, buildAll(std::move(r.cells), ctx), r.spansAll});
    }
    return makeGrid(ctx, g, std::move(rows));
  }
  ElementPtr operator()(Resolved::Padding& p) { return makePadding(ctx, p.insets, child()); }
  ElementPtr operator()(Resolved::Frame& f) { return makeFrame(ctx, f, child()); }
  ElementPtr operator()(Resolved::Offset& o) { return makeOffset(ctx, o.offset, child()); }
  ElementPtr operator()(Resolved::Rotation& r) { return makeRotation(ctx, r, child()); }
  ElementPtr operator()(Resolved::Link& l) { return makeLink(ctx, std::move(l.url), child()); }
  ElementPtr operator()(Resolved::Layers& l) {
    ElementPtr primary = child(0);
    return makeLayers(ctx, l, std::move(primary), child(1));
  }
};

ElementPtr build(ResolvedNode&& node, const LayoutContext& ctx) {
  ElementPtr e = std::visit(ElementBuilder{ctx, node.children}, node.content);
  e->opacity = node.opacity;
  e->accentable = node.accentable;
  e->widgetURL = std::move(node.widgetURL);
  return e;
}

}  // namespace
}  // namespace Layout

LaidOutView layoutView(const View& view, Rect bounds, const EnvironmentValues& environment,
                       const TextMeasurer& measurer) {
  const double scale = environment.displayScale > 0 ? environment.displayScale : 1;
  Layout::LayoutContext ctx{measurer, scale, bounds};
  Layout::ElementPtr root = Layout::build(resolveView(view, environment), ctx);
  Size s = root->sizeThatFits(ProposedSize::of(bounds.size()));
  Point origin = Layout::alignIn(bounds, s, Alignment::center);
  root->place({origin.x, origin.y, s.width, s.height});
  LaidOutView out;
  out.root = root->exportNode();
  out.links = Layout::linkRegions(out.root);
  out.bounds = bounds;
  out.displayScale = scale;
  return out;
}

}  // namespace ViewToolkit
