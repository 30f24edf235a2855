// Reading the laid-out tree: finding nodes, the widget URL, the URL under a point.
#include "Platform/ViewToolkit/DisplayList.h"
#include "Platform/ViewToolkit/LayoutNode.h"

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

DisplayList LaidOutView::displayList() const {
  return DisplayList::build(root, bounds.size());
}

std::optional<std::string> LaidOutView::urlAt(Point point) const {
  return displayList().urlAt(point);
}

}  // namespace ViewToolkit
