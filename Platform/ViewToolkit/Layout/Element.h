// The layout pass's elements: one per resolved node, sized by proposals and then placed.
//
// Sizing follows the platform's proposal protocol: a parent proposes, the child chooses, the
// parent places. Each family of elements lives in a file of its own (Stacks, Grid, Layers,
// Wrappers, Text, Shapes) behind the factories below; Build.cpp makes the elements of a
// resolved tree and exports what they decided as the laid-out tree.
//
// Internal to the toolkit. Elements live for one layout, on one thread.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/Resolve/ResolvedTree.h"

namespace ViewToolkit::Layout {

inline constexpr double defaultSpacing = 8;

struct LayoutContext {
  const TextMeasurer& measurer;
  double scale;
  Rect bounds;  // the whole canvas (the widget): no frame reaches outside it

  // The part of `r` inside the bounds; a frame that is not a number at all collapses to the
  // bounds' origin. Whatever a text's extents or an offset say, nothing is placed, drawn or
  // tapped outside the widget.
  Rect clampToBounds(Rect r) const {
    auto clamp = [](double v, double lo, double hi) {
      return std::isnan(v) ? lo : std::min(std::max(v, lo), hi);
    };
    const double x0 = clamp(r.x, bounds.minX(), bounds.maxX());
    const double y0 = clamp(r.y, bounds.minY(), bounds.maxY());
    const double x1 = clamp(r.x + r.width, x0, bounds.maxX());
    const double y1 = clamp(r.y + r.height, y0, bounds.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
  }

  // Up to whole device pixels, so that rounding a frame never cuts into its content.
  double ceilToPixel(double v) const {
    if (!std::isfinite(v)) return v;
    return std::ceil(v * scale - 1e-7) / scale;
  }
  double roundToPixel(double v) const {
    if (!std::isfinite(v)) return v;
    return std::round(v * scale) / scale;
  }
  Rect roundRect(Rect r) const {
    double x0 = roundToPixel(r.x), y0 = roundToPixel(r.y);
    double x1 = roundToPixel(r.maxX()), y1 = roundToPixel(r.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
  }
};

enum class Axis { horizontal, vertical };

inline double mainOf(Size s, Axis a) {
  return a == Axis::horizontal ? s.width : s.height;
}
inline double crossOf(Size s, Axis a) {
  return a == Axis::horizontal ? s.height : s.width;
}
inline ProposedLength mainOf(ProposedSize p, Axis a) {
  return a == Axis::horizontal ? p.width : p.height;
}
inline ProposedLength crossOf(ProposedSize p, Axis a) {
  return a == Axis::horizontal ? p.height : p.width;
}
inline ProposedSize proposal(Axis a, ProposedLength main, ProposedLength cross) {
  return a == Axis::horizontal ? ProposedSize{main, cross} : ProposedSize{cross, main};
}

double alignFraction(HorizontalAlignment h);
// Where a child of `inner` size sits inside `outer` by `alignment`. Alone in a frame, a
// baseline-aligned child sits at the top.
Point alignIn(Rect outer, Size inner, Alignment alignment);

class Element {
 public:
  explicit Element(const LayoutContext& ctx) : ctx_(ctx) {}
  virtual ~Element() = default;

  // Answers are kept per proposal for the duration of one layout: stacks ask each child
  // several times (for its minimum, its maximum, then its share).
  Size sizeThatFits(ProposedSize p);

  // Children are arranged again for the proposal that gave this size (a stack offered 150 that
  // overflowed to 175 shares out 150, not 175).
  void place(Rect frame) {
    frame_ = ctx_.clampToBounds(frame);
    placeChildren(frame_, proposalFor(frame_.size()));
  }
  ProposedSize proposalFor(Size size) const;

  // Distance from the top to the first (or last) text baseline, for a given size; absent when
  // nothing inside has text.
  virtual std::optional<double> baseline(bool /*first*/, Size /*size*/) { return std::nullopt; }

  virtual bool isSpacer() const { return false; }
  virtual void setSpacerAxis(std::optional<Axis>) {}

  LayoutNode exportNode() const;

  double opacity = 1;
  bool accentable = false;
  std::optional<std::string> widgetURL;

 protected:
  virtual Size computeSize(ProposedSize p) = 0;
  virtual void placeChildren(Rect, ProposedSize) {}
  virtual std::string_view kind() const = 0;
  virtual void fill(LayoutNode&) const {}

  const LayoutContext& ctx_;
  Rect frame_;

 private:
  std::vector<std::pair<ProposedSize, Size>> cache_;
};

using ElementPtr = std::unique_ptr<Element>;
using Elements = std::vector<ElementPtr>;

struct GridRowElements {
  std::optional<VerticalAlignment> alignment;
  Elements cells;
  bool spansAll = false;  // a child of the grid that is not a GridRow
};

// Text.cpp
ElementPtr makeText(const LayoutContext& ctx, Resolved::Text text);
ElementPtr makeImage(const LayoutContext& ctx, Resolved::Image image);
// Shapes.cpp
ElementPtr makeShape(const LayoutContext& ctx, Resolved::Shape shape);
ElementPtr makeEmpty(const LayoutContext& ctx);
// Stacks.cpp
ElementPtr makeSpacer(const LayoutContext& ctx, std::optional<double> minLength);
ElementPtr makeStack(const LayoutContext& ctx, const Resolved::Stack& stack, Elements children);
// Grid.cpp
ElementPtr makeGrid(const LayoutContext& ctx, const Resolved::Grid& grid,
                    std::vector<GridRowElements> rows);
// Layers.cpp
ElementPtr makeZStack(const LayoutContext& ctx, Alignment alignment, Elements children);
ElementPtr makeLayers(const LayoutContext& ctx, const Resolved::Layers& layers, ElementPtr primary,
                      ElementPtr secondary);
// Queries.cpp: the regions the links of a laid-out tree cover as drawn.
std::vector<LinkRegion> linkRegions(const LayoutNode& root);
// Wrappers.cpp
ElementPtr makePadding(const LayoutContext& ctx, EdgeInsets insets, ElementPtr child);
ElementPtr makeFrame(const LayoutContext& ctx, const Resolved::Frame& frame, ElementPtr child);
ElementPtr makeOffset(const LayoutContext& ctx, Point offset, ElementPtr child);
ElementPtr makeRotation(const LayoutContext& ctx, const Resolved::Rotation& rotation,
                        ElementPtr child);
ElementPtr makeLink(const LayoutContext& ctx, std::string url, ElementPtr child);

}  // namespace ViewToolkit::Layout
