// The one interpreter of the view tree: every view kind and every modifier is read here, and
// nowhere else. A modifier's value is stored by View.cpp; its effect is decided here.
#include <algorithm>

#include "Platform/ViewToolkit/Resolve/ResolvedTree.h"
#include "Platform/ViewToolkit/ViewNode.h"

namespace ViewToolkit {
namespace {

constexpr double defaultSpacing = 8;
constexpr double labelSpacing = 4;

ResolvedNode wrap(ResolvedNode child, ResolvedNode::Content content) {
  ResolvedNode n(std::move(content));
  n.children.push_back(std::move(child));
  return n;
}

ResolvedNode fixedFrame(ResolvedNode child, Size size, Alignment alignment) {
  FlexibleFrame f;
  f.idealWidth = Length(std::max(0.0, size.width));
  f.idealHeight = Length(std::max(0.0, size.height));
  f.alignment = alignment;
  return wrap(std::move(child), Resolved::Frame{f, true});
}

std::string_view shapeKind(const ShapeNode& node) {
  switch (node.origin) {
    case ShapeNode::Origin::color:
      return "Color";
    case ShapeNode::Origin::gradient:
      return "LinearGradient";
    case ShapeNode::Origin::shape:
      break;
  }
  switch (node.shape.kind()) {
    case Shape::Kind::rectangle:
      return "Rectangle";
    case Shape::Kind::roundedRectangle:
      return "RoundedRectangle";
    case Shape::Kind::circle:
      return "Circle";
    case Shape::Kind::capsule:
      return "Capsule";
  }
  return "Shape";
}

class Resolver {
 public:
  ResolvedNodes resolve(const View& view, const EnvironmentValues& env) {
    ResolvedNodes out;
    resolveInto(view, env, out);
    return out;
  }

  // Several views where one is expected (a link's label, a background, the root) stack
  // vertically.
  ResolvedNode single(const View& view, const EnvironmentValues& env) {
    ResolvedNodes list = resolve(view, env);
    if (list.size() == 1) return std::move(list.front());
    if (list.empty()) return {Resolved::Empty{}, {}};
    return {Resolved::Stack{Resolved::Axis::vertical, Alignment::center, std::nullopt, "VStack"},
            std::move(list)};
  }

 private:
  // What a container collects while its content is resolved: the first container background
  // asked for anywhere below it, resolved where it was asked for.
  struct ContainerSlot {
    std::optional<ResolvedNodes> background;
    Alignment alignment = Alignment::center;
  };

  void resolveInto(const View& view, const EnvironmentValues& env, ResolvedNodes& out) {
    std::visit([&](const auto& node) { resolveNode(node, env, out); }, view.node()->content);
  }

  void resolveNode(const EmptyNode&, const EnvironmentValues&, ResolvedNodes&) {}

  void resolveNode(const TextNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    out.push_back(text(node.text, env));
  }

  ResolvedNode text(const Text& text, const EnvironmentValues& env) {
    Resolved::Text t;
    for (const Text::Run& r : text.runs()) {
      TextContent::Run run;
      if (const auto* s = std::get_if<std::string>(&r.content)) {
        run.text = *s;
      } else {
        run.text = std::get<LocalizedStringKey>(r.content).resolve();
      }
      ResolvedFont font = r.font ? r.font->resolve() : env.font.value_or(Font::body).resolve();
      if (r.weight) font.weight = *r.weight;
      run.style.font = font;
      run.style.tracking = r.tracking.value_or(env.tracking);
      run.style.monospacedDigit = r.monospacedDigit || env.monospacedDigit;
      run.paint = resolvePaint(r.style.value_or(ShapeStyle::foreground), env);
      t.paragraph.runs.push_back({run.text, run.style});
      t.runs.push_back(std::move(run));
    }
    t.paragraph.lineLimit = env.lineLimit;
    t.paragraph.alignment = env.multilineTextAlignment;
    t.minimumScale = env.minimumScaleFactor;
    return {std::move(t), {}};
  }

  ResolvedNode image(const std::string& symbol, const EnvironmentValues& env) {
    return {Resolved::Image{symbol, env.font.value_or(Font::body).resolve(),
                            resolvePaint(ShapeStyle::foreground, env)},
            {}};
  }

  void resolveNode(const ImageNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    out.push_back(image(node.symbol, env));
  }

  void resolveNode(const ShapeNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    ShapeContent c;
    c.shape = node.shape;
    c.mode = node.paint == ShapeNode::Paint::fill     ? ShapeContent::Mode::fill
             : node.paint == ShapeNode::Paint::stroke ? ShapeContent::Mode::stroke
                                                      : ShapeContent::Mode::strokeBorder;
    c.paint = resolvePaint(node.style, env);
    c.stroke = node.stroke;
    out.push_back({Resolved::Shape{std::move(c), shapeKind(node)}, {}});
  }

  void resolveNode(const StackNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    ResolvedNodes children;
    for (const View& v : node.children) resolveInto(v, env, children);
    if (node.axis == StackAxis::depth) {
      out.push_back({Resolved::ZStack{node.alignment}, std::move(children)});
      return;
    }
    const bool h = node.axis == StackAxis::horizontal;
    out.push_back({Resolved::Stack{h ? Resolved::Axis::horizontal : Resolved::Axis::vertical,
                                   node.alignment, node.spacing, h ? "HStack" : "VStack"},
                   std::move(children)});
  }

  void resolveNode(const GridNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    Resolved::Grid grid{node.alignment,
                        node.horizontalSpacing.value_or(defaultSpacing),
                        node.verticalSpacing.value_or(defaultSpacing),
                        {}};
    for (const View& v : node.rows) {
      const ViewNode* n = v.node().get();
      // Environment modifiers around a row still leave it a row.
      EnvironmentValues rowEnv = env;
      while (const auto* m = std::get_if<ModifierNode>(&n->content)) {
        const auto* e = std::get_if<EnvironmentModifier>(&m->modifier);
        if (!e) break;
        e->transform(rowEnv);
        n = m->child.node().get();
      }
      if (const auto* r = std::get_if<GridRowNode>(&n->content)) {
        Resolved::GridRow row{r->alignment, {}, false};
        for (const View& cell : r->cells) resolveInto(cell, rowEnv, row.cells);
        grid.rows.push_back(std::move(row));
      } else {
        for (ResolvedNode& c : resolve(v, env)) {
          Resolved::GridRow row{std::nullopt, {}, true};
          row.cells.push_back(std::move(c));
          grid.rows.push_back(std::move(row));
        }
      }
    }
    out.push_back({std::move(grid), {}});
  }

  void resolveNode(const GridRowNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    // A row outside a grid lays its cells out in a row.
    ResolvedNodes cells;
    for (const View& v : node.cells) resolveInto(v, env, cells);
    out.push_back(
        {Resolved::Stack{Resolved::Axis::horizontal, Alignment::center, std::nullopt, "GridRow"},
         std::move(cells)});
  }

  void resolveNode(const SpacerNode& node, const EnvironmentValues&, ResolvedNodes& out) {
    out.push_back({Resolved::Spacer{node.minLength}, {}});
  }

  void resolveNode(const GroupNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    for (const View& v : node.children) resolveInto(v, env, out);
  }

  void resolveNode(const LinkNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    out.push_back(wrap(single(node.label, env), Resolved::Link{node.url}));
  }

  void resolveNode(const LabelNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    ResolvedNodes parts;
    parts.push_back(image(node.symbol, env));
    parts.push_back(text(node.title, env));
    out.push_back(
        {Resolved::Stack{Resolved::Axis::horizontal, Alignment::center, labelSpacing, "Label"},
         std::move(parts)});
  }

  void resolveNode(const ComponentNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    View body;
    {
      ScopedCurrentEnvironment scope(env);
      body = node.body();
    }
    resolveInto(body, env, out);
  }

  void resolveNode(const ContainerNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    slots_.emplace_back();
    ResolvedNodes content = resolve(node.content, env);
    ContainerSlot slot = std::move(slots_.back());
    slots_.pop_back();
    ResolvedNodes layers;
    if (slot.background && node.drawsBackground) {
      for (ResolvedNode& b : *slot.background) {
        layers.push_back(fixedFrame(std::move(b), node.size, slot.alignment));
      }
    }
    for (ResolvedNode& c : content) {
      layers.push_back(fixedFrame(wrap(std::move(c), Resolved::Padding{node.margins}), node.size,
                                  Alignment::center));
    }
    out.push_back({Resolved::ZStack{Alignment::center}, std::move(layers)});
  }

  void resolveNode(const ModifierNode& node, const EnvironmentValues& env, ResolvedNodes& out) {
    if (const auto* e = std::get_if<EnvironmentModifier>(&node.modifier)) {
      EnvironmentValues inner = env;
      e->transform(inner);
      resolveInto(node.child, inner, out);
      return;
    }
    if (const auto* a = std::get_if<AccentableModifier>(&node.modifier)) {
      EnvironmentValues inner = env;
      inner.accentable = a->accentable || env.accentable;
      for (ResolvedNode& c : resolve(node.child, inner)) {
        c.accentable = a->accentable && !env.accentable;
        out.push_back(std::move(c));
      }
      return;
    }
    if (const auto* b = std::get_if<ContainerBackgroundModifier>(&node.modifier)) {
      // The nearest container draws it; outside any container it is not drawn.
      if (!slots_.empty() && !slots_.back().background) {
        slots_.back().background = resolve(b->background, env);
        slots_.back().alignment = b->alignment;
      }
      resolveInto(node.child, env, out);
      return;
    }
    // A modifier on a group applies to each of its views.
    for (ResolvedNode& c : resolve(node.child, env)) {
      out.push_back(apply(std::move(c), node.modifier, env));
    }
  }

  ResolvedNode apply(ResolvedNode child, const Modifier& modifier, const EnvironmentValues& env) {
    return std::visit(
        [&](const auto& m) -> ResolvedNode { return applyOne(std::move(child), m, env); },
        modifier);
  }

  ResolvedNode applyOne(ResolvedNode c, const PaddingModifier& m, const EnvironmentValues&) {
    return wrap(std::move(c), Resolved::Padding{m.insets});
  }
  ResolvedNode applyOne(ResolvedNode c, const FixedFrameModifier& m, const EnvironmentValues&) {
    FlexibleFrame f;
    if (m.size.width) f.idealWidth = Length(std::max(0.0, *m.size.width));
    if (m.size.height) f.idealHeight = Length(std::max(0.0, *m.size.height));
    f.alignment = m.size.alignment;
    return wrap(std::move(c), Resolved::Frame{f, true});
  }
  ResolvedNode applyOne(ResolvedNode c, const FlexibleFrameModifier& m, const EnvironmentValues&) {
    return wrap(std::move(c), Resolved::Frame{m.frame, false});
  }
  ResolvedNode applyOne(ResolvedNode c, const OpacityModifier& m, const EnvironmentValues&) {
    c.opacity *= std::clamp(m.opacity, 0.0, 1.0);
    return c;
  }
  ResolvedNode applyOne(ResolvedNode c, const BackgroundModifier& m, const EnvironmentValues& env) {
    ResolvedNode n{Resolved::Layers{m.alignment, false}, {}};
    n.children.push_back(std::move(c));
    n.children.push_back(single(m.background, env));
    return n;
  }
  ResolvedNode applyOne(ResolvedNode c, const OverlayModifier& m, const EnvironmentValues& env) {
    ResolvedNode n{Resolved::Layers{m.alignment, true}, {}};
    n.children.push_back(std::move(c));
    n.children.push_back(single(m.overlay, env));
    return n;
  }
  ResolvedNode applyOne(ResolvedNode c, const OffsetModifier& m, const EnvironmentValues&) {
    return wrap(std::move(c), Resolved::Offset{{m.x, m.y}});
  }
  ResolvedNode applyOne(ResolvedNode c, const RotationModifier& m, const EnvironmentValues&) {
    return wrap(std::move(c), Resolved::Rotation{m.angle, m.anchor});
  }
  ResolvedNode applyOne(ResolvedNode c, const WidgetURLModifier& m, const EnvironmentValues&) {
    if (!c.widgetURL) c.widgetURL = m.url;
    return c;
  }
  // Read in resolveNode(ModifierNode): they change what is resolved, not the node.
  ResolvedNode applyOne(ResolvedNode c, const AccentableModifier&, const EnvironmentValues&) {
    return c;
  }
  ResolvedNode applyOne(ResolvedNode c, const ContainerBackgroundModifier&,
                        const EnvironmentValues&) {
    return c;
  }
  ResolvedNode applyOne(ResolvedNode c, const EnvironmentModifier&, const EnvironmentValues&) {
    return c;
  }

  std::vector<ContainerSlot> slots_;
};

}  // namespace

ResolvedNode resolveView(const View& view, const EnvironmentValues& environment) {
  return Resolver().single(view, environment);
}

}  // namespace ViewToolkit
