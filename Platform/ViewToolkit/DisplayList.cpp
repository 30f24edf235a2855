#include "Platform/ViewToolkit/DisplayList.h"

namespace ViewToolkit {

namespace {

struct Builder {
  DisplayList& list;
  Affine transform;

  void visit(const LayoutNode& n) {
    if (n.widgetURL && !list.widgetURL) list.widgetURL = n.widgetURL;
    const bool group = n.opacity < 1;
    if (group) list.commands.push_back(BeginOpacity{n.opacity});
    if (n.accentable) list.commands.push_back(BeginAccent{});
    const Affine saved = transform;
    if (n.rotation && n.rotation->radians != 0) {
      Point about{n.frame.x + n.frame.width * n.rotationAnchor.x,
                  n.frame.y + n.frame.height * n.rotationAnchor.y};
      Affine r = Affine::rotation(*n.rotation, about);
      list.commands.push_back(BeginTransform{r});
      transform = r.then(transform);
    }
    if (n.shape) list.commands.push_back(ShapeCommand{n.frame, *n.shape});
    if (n.text) list.commands.push_back(TextCommand{n.frame, n.text});
    if (n.symbol) list.commands.push_back(SymbolCommand{n.frame, *n.symbol});
    for (const LayoutNode& c : n.children) visit(c);

    if (!(transform == saved)) {
      list.commands.push_back(EndTransform{});
      transform = saved;
    }
    if (n.accentable) list.commands.push_back(EndAccent{});
    if (group) list.commands.push_back(EndOpacity{});
  }
};

}  // namespace

DisplayList DisplayList::build(const LaidOutView& laidOut) {
  DisplayList list;
  list.size = laidOut.bounds.size();
  list.links = laidOut.links;
  Builder b{list, {}};
  b.visit(laidOut.root);
  return list;
}

std::optional<std::string> DisplayList::urlAt(Point point) const {
  return linkAt(links, widgetURL, point);
}

}  // namespace ViewToolkit
