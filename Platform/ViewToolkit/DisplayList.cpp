#include "Platform/ViewToolkit/DisplayList.h"

#include <algorithm>
#include <cmath>

namespace ViewToolkit {

Affine Affine::then(const Affine& n) const {
  return {n.a * a + n.c * b, n.b * a + n.d * b,          n.a * c + n.c * d,
          n.b * c + n.d * d, n.a * tx + n.c * ty + n.tx, n.b * tx + n.d * ty + n.ty};
}

Affine Affine::rotation(Angle angle, Point about) {
  const double cs = std::cos(angle.radians), sn = std::sin(angle.radians);
  // Translate `about` to the origin, rotate (clockwise on screen for positive angles, as y
  // points down), translate back.
  return {cs,
          sn,
          -sn,
          cs,
          about.x - cs * about.x + sn * about.y,
          about.y - sn * about.x - cs * about.y};
}

namespace {

Rect boundingBox(const Affine& m, const Rect& r) {
  if (m.isIdentity()) return r;
  Point corners[] = {m.apply({r.minX(), r.minY()}), m.apply({r.maxX(), r.minY()}),
                     m.apply({r.minX(), r.maxY()}), m.apply({r.maxX(), r.maxY()})};
  double x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
  for (const Point& p : corners) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

void collectTexts(const LayoutNode& n, std::string& into) {
  if (n.text) {
    std::string t = n.text->string();
    if (!t.empty()) {
      if (!into.empty()) into += ", ";
      into += t;
    }
  }
  for (const LayoutNode& c : n.children) collectTexts(c, into);
}

struct Builder {
  DisplayList& list;
  Affine transform;
  int linkDepth = 0;

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
    if (n.url) {
      ++linkDepth;
      list.links.push_back({boundingBox(transform, n.frame), *n.url, linkDepth, {}});
      collectTexts(n, list.links.back().label);
    }

    if (n.shape) list.commands.push_back(ShapeCommand{n.frame, *n.shape});
    if (n.text) list.commands.push_back(TextCommand{n.frame, n.text});
    if (n.symbol) list.commands.push_back(SymbolCommand{n.frame, *n.symbol});
    for (const LayoutNode& c : n.children) visit(c);

    if (n.url) --linkDepth;
    if (!(transform.a == saved.a && transform.b == saved.b && transform.c == saved.c &&
          transform.d == saved.d && transform.tx == saved.tx && transform.ty == saved.ty)) {
      list.commands.push_back(EndTransform{});
      transform = saved;
    }
    if (n.accentable) list.commands.push_back(EndAccent{});
    if (group) list.commands.push_back(EndOpacity{});
  }
};

}  // namespace

DisplayList DisplayList::build(const LayoutNode& root, Size size) {
  DisplayList list;
  list.size = size;
  Builder b{list, {}};
  b.visit(root);
  return list;
}

std::optional<std::string> DisplayList::urlAt(Point point) const {
  const LinkRegion* best = nullptr;
  for (const LinkRegion& r : links) {
    if (r.rect.contains(point) && (!best || r.depth >= best->depth)) best = &r;
  }
  if (best) return best->url;
  return widgetURL;
}

}  // namespace ViewToolkit
