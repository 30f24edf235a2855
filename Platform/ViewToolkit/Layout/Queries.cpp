// Reading the laid-out tree: finding nodes, the widget URL, the URL under a point.
#include <algorithm>

#include "Platform/ViewToolkit/Layout/Element.h"

namespace ViewToolkit {
namespace {

template <class Pred>
const LayoutNode* findNode(const LayoutNode& n, const Pred& pred) {
  if (pred(n)) return &n;
  for (const LayoutNode& c : n.children) {
    if (const LayoutNode* f = findNode(c, pred)) return f;
  }
  return nullptr;
}

template <class Pred>
void collect(const LayoutNode& n, const Pred& pred, std::vector<const LayoutNode*>& out) {
  if (pred(n)) out.push_back(&n);
  for (const LayoutNode& c : n.children) collect(c, pred, out);
}

bool pathTo(const LayoutNode& n, const LayoutNode* target, std::vector<const LayoutNode*>& path) {
  path.push_back(&n);
  if (&n == target) return true;
  for (const LayoutNode& c : n.children) {
    if (pathTo(c, target, path)) return true;
  }
  path.pop_back();
  return false;
}

}  // namespace

std::string TextContent::string() const {
  std::string s;
  for (const Run& r : runs) s += r.text;
  return s;
}

const LayoutNode* LayoutNode::findText(std::string_view t) const {
  return findNode(*this, [&](const LayoutNode& n) { return n.text && n.text->string() == t; });
}

const LayoutNode* LayoutNode::findFirst(std::string_view k) const {
  return findNode(*this, [&](const LayoutNode& n) { return n.kind == k; });
}

std::vector<const LayoutNode*> LayoutNode::findAll(std::string_view k) const {
  std::vector<const LayoutNode*> out;
  collect(
      *this, [&](const LayoutNode& n) { return n.kind == k; }, out);
  return out;
}

std::vector<const LayoutNode*> LayoutNode::pathTo(const LayoutNode* target) const {
  std::vector<const LayoutNode*> path;
  if (!ViewToolkit::pathTo(*this, target, path)) path.clear();
  return path;
}

std::optional<std::string> LaidOutView::widgetURL() const {
  const LayoutNode* n = findNode(root, [](const LayoutNode& n) { return n.widgetURL.has_value(); });
  if (!n) return std::nullopt;
  return n->widgetURL;
}

std::optional<std::string> LaidOutView::urlAt(Point point) const {
  return linkAt(links, widgetURL(), point);
}

std::optional<std::string> linkAt(const std::vector<LinkRegion>& links,
                                  const std::optional<std::string>& widgetURL, Point point) {
  const LinkRegion* best = nullptr;
  for (const LinkRegion& r : links) {
    if (r.rect.contains(point) && (!best || r.depth >= best->depth)) best = &r;
  }
  if (best) return best->url;
  return widgetURL;
}

Rect Affine::boundingBox(const Rect& r) const {
  if (isIdentity()) return r;
  Point corners[] = {apply({r.minX(), r.minY()}), apply({r.maxX(), r.minY()}),
                     apply({r.minX(), r.maxY()}), apply({r.maxX(), r.maxY()})};
  double x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
  for (const Point& p : corners) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

namespace {

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

Affine turned(const LayoutNode& n, Affine transform) {
  if (!n.rotation || n.rotation->radians == 0) return transform;
  Point about{n.frame.x + n.frame.width * n.rotationAnchor.x,
              n.frame.y + n.frame.height * n.rotationAnchor.y};
  return Affine::rotation(*n.rotation, about).then(transform);
}

Rect united(std::optional<Rect> a, const Rect& b) {
  if (!a) return b;
  const double x0 = std::min(a->minX(), b.minX()), y0 = std::min(a->minY(), b.minY());
  const double x1 = std::max(a->maxX(), b.maxX()), y1 = std::max(a->maxY(), b.maxY());
  return {x0, y0, x1 - x0, y1 - y0};
}

// Where a node and everything inside it is drawn. An offset's own frame is where its content
// would have been: only the moved content counts.
void drawnBounds(const LayoutNode& n, Affine transform, std::optional<Rect>& into) {
  transform = turned(n, transform);
  if (n.kind != "offset" || n.children.empty()) into = united(into, transform.boundingBox(n.frame));
  for (const LayoutNode& c : n.children) drawnBounds(c, transform, into);
}

// Rotations apply to the links inside them as they apply to the drawing. A link covers what its
// label draws, wherever an offset moved it.
void collectLinks(const LayoutNode& n, Affine transform, int depth, std::vector<LinkRegion>& into) {
  transform = turned(n, transform);
  if (n.url) {
    ++depth;
    std::optional<Rect> drawn;
    for (const LayoutNode& c : n.children) drawnBounds(c, transform, drawn);
    into.push_back({drawn.value_or(transform.boundingBox(n.frame)), *n.url, depth, {}});
    collectTexts(n, into.back().label);
  }
  for (const LayoutNode& c : n.children) collectLinks(c, transform, depth, into);
}

}  // namespace

std::vector<LinkRegion> Layout::linkRegions(const LayoutNode& root) {
  std::vector<LinkRegion> links;
  collectLinks(root, {}, 0, links);
  return links;
}

}  // namespace ViewToolkit
