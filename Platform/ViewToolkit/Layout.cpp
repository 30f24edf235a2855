// Layout: views are first resolved in their environment into a tree of layout elements
// (component bodies built, environment applied to every leaf, groups flattened), then sized by
// proposals and placed, and finally exported as the plain LayoutNode tree.
//
// Sizing follows the platform's proposal protocol: a parent proposes, the child chooses, the
// parent places. Elements cache their answers per proposal for the duration of one layout,
// because stacks ask each child several times (for its minimum, its maximum, then its share).
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

#include "Platform/ViewToolkit/DisplayList.h"
#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/Symbols.h"
#include "Platform/ViewToolkit/Resolve/ResolvedTree.h"

namespace ViewToolkit {
namespace {

constexpr double kDefaultSpacing = 8;
constexpr double kShapeIdealSize = 10;
constexpr double kInf = std::numeric_limits<double>::infinity();

struct LayoutContext {
  const TextMeasurer& measurer;
  double scale;

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

double mainOf(Size s, Axis a) {
  return a == Axis::horizontal ? s.width : s.height;
}
double crossOf(Size s, Axis a) {
  return a == Axis::horizontal ? s.height : s.width;
}
ProposedLength mainOf(ProposedSize p, Axis a) {
  return a == Axis::horizontal ? p.width : p.height;
}
ProposedLength crossOf(ProposedSize p, Axis a) {
  return a == Axis::horizontal ? p.height : p.width;
}
ProposedSize proposal(Axis a, ProposedLength main, ProposedLength cross) {
  return a == Axis::horizontal ? ProposedSize{main, cross} : ProposedSize{cross, main};
}

double alignFraction(HorizontalAlignment h) {
  switch (h) {
    case HorizontalAlignment::leading:
      return 0;
    case HorizontalAlignment::center:
      return 0.5;
    case HorizontalAlignment::trailing:
      return 1;
  }
  return 0.5;
}

// ---- Elements ------------------------------------------------------------------------------

class Element {
 public:
  explicit Element(const LayoutContext& ctx) : ctx_(ctx) {}
  virtual ~Element() = default;

  Size sizeThatFits(ProposedSize p) {
    for (const auto& [q, s] : cache_) {
      if (q == p) return s;
    }
    Size s = computeSize(p);
    if (cache_.size() >= 8) cache_.erase(cache_.begin());
    cache_.emplace_back(p, s);
    return s;
  }

  // Children are arranged again for the proposal that gave this size (a stack offered 150 that
  // overflowed to 175 shares out 150, not 175).
  void place(Rect frame) {
    frame_ = frame;
    placeChildren(frame, proposalFor(frame.size()));
  }

  ProposedSize proposalFor(Size size) const {
    for (auto it = cache_.rbegin(); it != cache_.rend(); ++it) {
      if (it->second == size) return it->first;
    }
    return ProposedSize::of(size);
  }

  // Distance from the top to the first (or last) text baseline, for a given size; absent when
  // nothing inside has text.
  virtual std::optional<double> baseline(bool /*first*/, Size /*size*/) { return std::nullopt; }

  virtual bool isSpacer() const { return false; }
  virtual void setSpacerAxis(std::optional<Axis>) {}

  LayoutNode export_() const {
    LayoutNode n;
    n.kind = kind();
    n.frame = ctx_.roundRect(frame_);
    n.opacity = opacity;
    n.accentable = accentable;
    n.widgetURL = widgetURL;
    fill(n);
    return n;
  }

  double priority = 0;
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

// Where `inner` of `innerSize` sits inside `outer` by `alignment`.
Point alignIn(Rect outer, Size inner, Alignment alignment, Element* child = nullptr) {
  double x = outer.x + (outer.width - inner.width) * alignFraction(alignment.horizontal);
  double y = outer.y;
  switch (alignment.vertical) {
    case VerticalAlignment::top:
      break;
    case VerticalAlignment::center:
      y += (outer.height - inner.height) / 2;
      break;
    case VerticalAlignment::bottom:
      y += outer.height - inner.height;
      break;
    case VerticalAlignment::firstTextBaseline:
    case VerticalAlignment::lastTextBaseline: {
      // Alone in a frame, a baseline-aligned child sits at the top.
      (void)child;
      break;
    }
  }
  return {x, y};
}

// -- Text

class TextElement : public Element {
 public:
  TextElement(const LayoutContext& ctx, std::vector<TextContent::Run> runs, TextParagraph paragraph,
              double minimumScale)
      : Element(ctx),
        runs_(std::move(runs)),
        paragraph_(std::move(paragraph)),
        minimumScale_(std::clamp(minimumScale, 0.01, 1.0)) {}

  std::optional<double> baseline(bool first, Size size) override {
    const Measured& m = measuredFor(ProposedSize::of(size), size);
    return first ? m.box.firstBaseline : m.box.lastBaseline;
  }

 protected:
  struct Measured {
    double scale = 1;
    std::optional<double> width;
    TextBox box;
    Size size;
  };

  Size computeSize(ProposedSize p) override { return measure(p.width).size; }

  std::string_view kind() const override { return "Text"; }

  void fill(LayoutNode& n) const override {
    auto content = std::make_shared<TextContent>();
    content->runs = runs_;
    for (auto& r : content->runs) r.paint.bounds = n.frame;
    content->paragraph = paragraph_;
    const Measured& m = measuredFor(ProposedSize::of(frame_.size()), frame_.size());
    content->fontScale = m.scale;
    content->width = m.width;
    content->box = m.box;
    n.text = std::move(content);
  }

 private:
  // Single-line pressure order: shrink down to the minimum scale factor, then truncate.
  Measured measure(ProposedLength width) const {
    for (const Measured& m : measured_) {
      if (width.isFinite() ? (m.width && *m.width == width.points()) : !m.width) return m;
    }
    Measured m;
    if (width.isFinite()) m.width = width.points();
    m.box = ctx_.measurer.measure(paragraph_, 1, m.width);
    if (m.box.truncated && m.width && minimumScale_ < 1) {
      TextBox smallest = ctx_.measurer.measure(paragraph_, minimumScale_, m.width);
      if (smallest.truncated) {
        m.scale = minimumScale_;
        m.box = smallest;
      } else {
        // The largest scale that fits: widths grow about linearly with the font size, so
        // start from the ratio and refine by bisection.
        double lo = minimumScale_, hi = 1;
        TextBox best = smallest;
        for (int i = 0; i < 7 && hi - lo > 0.004; ++i) {
          double mid = (lo + hi) / 2;
          TextBox b = ctx_.measurer.measure(paragraph_, mid, m.width);
          if (b.truncated) {
            hi = mid;
          } else {
            lo = mid;
            best = b;
          }
        }
        m.scale = lo;
        m.box = best;
      }
    }
    m.size = {ctx_.ceilToPixel(m.box.size.width), ctx_.ceilToPixel(m.box.size.height)};
    if (measured_.size() >= 6) measured_.erase(measured_.begin());
    measured_.push_back(m);
    return m;
  }

  // The measurement behind a size chosen earlier, found again when placing.
  const Measured& measuredFor(ProposedSize p, Size size) const {
    for (const Measured& m : measured_) {
      if (m.size == size) return m;
    }
    measure(p.width);
    return measured_.back();
  }

  std::vector<TextContent::Run> runs_;
  TextParagraph paragraph_;
  double minimumScale_;
  mutable std::vector<Measured> measured_;
};

// -- Symbol image

class ImageElement : public Element {
 public:
  ImageElement(const LayoutContext& ctx, std::string name, ResolvedFont font, Paint paint)
      : Element(ctx), name_(std::move(name)), font_(font), paint_(std::move(paint)) {}

  std::optional<double> baseline(bool, Size size) override { return size.height * 0.8; }

 protected:
  Size computeSize(ProposedSize) override {
    double side = ctx_.ceilToPixel(font_.size * kSymbolSizeFactor);
    return {side, side};
  }
  std::string_view kind() const override { return "Image"; }
  void fill(LayoutNode& n) const override {
    SymbolGlyph g = lookupSymbol(name_);
    SymbolContent s;
    s.name = name_;
    s.known = g.known;
    s.glyph = g.glyph;
    s.rotationDegrees = g.rotationDegrees;
    s.glyphSize = font_.size * kSymbolSizeFactor;
    s.font = font_;
    s.paint = paint_;
    s.paint.bounds = n.frame;
    n.symbol = std::move(s);
  }

 private:
  std::string name_;
  ResolvedFont font_;
  Paint paint_;
};

// -- Shapes, colours and gradients as views

class ShapeElement : public Element {
 public:
  ShapeElement(const LayoutContext& ctx, ShapeContent content, std::string_view kind)
      : Element(ctx), content_(std::move(content)), kind_(kind) {}

 protected:
  // A shape takes whatever it is offered.
  Size computeSize(ProposedSize p) override {
    return {p.width.valueOr(kShapeIdealSize), p.height.valueOr(kShapeIdealSize)};
  }
  std::string_view kind() const override { return kind_; }
  void fill(LayoutNode& n) const override {
    n.shape = content_;
    n.shape->paint.bounds = n.frame;
  }

 private:
  ShapeContent content_;
  std::string_view kind_;
};

// -- Spacer

class SpacerElement : public Element {
 public:
  SpacerElement(const LayoutContext& ctx, std::optional<double> minLength)
      : Element(ctx), minLength_(minLength.value_or(kDefaultSpacing)) {}
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

// -- Stacks

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
    for (const auto& c : children_) n.children.push_back(c->export_());
  }

 private:
  double gapBefore(std::size_t i) const {
    if (i == 0) return 0;
    if (spacing_) return *spacing_;
    // Spacers bring their own minimum length; the default spacing does not add to it.
    if (children_[i]->isSpacer() || children_[i - 1]->isSpacer()) return 0;
    return kDefaultSpacing;
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
    double remaining = pMain.valueOr(0) - spacing;

    // Least flexible first, within groups of equal layout priority, highest group first.
    std::vector<double> minimum(n), flexibility(n);
    for (std::size_t i = 0; i < n; ++i) {
      minimum[i] = mainOf(children_[i]->sizeThatFits(proposal(axis_, 0.0, pCross)), axis_);
      double maximum = mainOf(
          children_[i]->sizeThatFits(proposal(axis_, ProposedLength::infinity(), pCross)), axis_);
      flexibility[i] = maximum - minimum[i];
    }
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      if (children_[a]->priority != children_[b]->priority) {
        return children_[a]->priority > children_[b]->priority;
      }
      return flexibility[a] < flexibility[b];
    });

    // Spacers take what the other children leave: they are sized last, sharing the rest
    // evenly, and until then only their minimum lengths are held back for them.
    std::vector<std::size_t> views, spacers;
    for (std::size_t i : order) (children_[i]->isSpacer() ? spacers : views).push_back(i);
    for (std::size_t i : spacers) remaining -= minimum[i];

    std::size_t k = 0;
    while (k < views.size()) {
      const double groupPriority = children_[views[k]]->priority;
      std::size_t end = k;
      while (end < views.size() && children_[views[end]]->priority == groupPriority) ++end;
      // A higher group may use everything the lower groups do not need at their minimum.
      double reserved = 0;
      for (std::size_t j = end; j < views.size(); ++j) reserved += minimum[views[j]];
      double groupRemaining = remaining - reserved;
      for (std::size_t j = k; j < end; ++j) {
        const std::size_t i = views[j];
        const double left = double(end - j);
        const double offer = std::max(0.0, groupRemaining / left);
        sizes[i] =
            children_[i]->sizeThatFits(proposal(axis_, ProposedLength::fromValue(offer), pCross));
        groupRemaining -= mainOf(sizes[i], axis_);
        remaining -= mainOf(sizes[i], axis_);
      }
      k = end;
    }
    for (std::size_t i : spacers) remaining += minimum[i];
    for (std::size_t j = 0; j < spacers.size(); ++j) {
      const std::size_t i = spacers[j];
      const double offer = std::max(0.0, remaining / double(spacers.size() - j));
      sizes[i] =
          children_[i]->sizeThatFits(proposal(axis_, ProposedLength::fromValue(offer), pCross));
      remaining -= mainOf(sizes[i], axis_);
    }
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
    for (const auto& c : children_) n.children.push_back(c->export_());
  }

 private:
  Alignment alignment_;
  Elements children_;
};

// -- Grid

class GridElement : public Element {
 public:
  struct Row {
    std::optional<VerticalAlignment> alignment;
    Elements cells;
    bool spansAll = false;  // a child that is not a GridRow
  };

  GridElement(const LayoutContext& ctx, Alignment alignment, double hSpacing, double vSpacing,
              std::vector<Row> rows)
      : Element(ctx),
        alignment_(alignment),
        hSpacing_(hSpacing),
        vSpacing_(vSpacing),
        rows_(std::move(rows)) {
    for (const Row& r : rows_) {
      if (!r.spansAll) columns_ = std::max(columns_, r.cells.size());
    }
    for (Row& r : rows_) {
      for (auto& c : r.cells) c->setSpacerAxis(std::nullopt);
    }
  }

 protected:
  struct Table {
    std::vector<double> widths, heights;
    Size extent;
  };

  Size computeSize(ProposedSize p) override { return table(p).extent; }

  void placeChildren(Rect frame, ProposedSize p) override {
    Table t = table(p);
    rowFrames_.clear();
    double y = frame.y;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      Row& row = rows_[r];
      rowFrames_.push_back({frame.x, y, t.extent.width, t.heights[r]});
      double x = frame.x;
      for (std::size_t c = 0; c < row.cells.size(); ++c) {
        double w = row.spansAll ? t.extent.width : t.widths[c];
        Rect cell{x, y, w, t.heights[r]};
        Size s = row.cells[c]->sizeThatFits(ProposedSize::of(cell.size()));
        Alignment a = alignment_;
        if (row.alignment) a.vertical = *row.alignment;
        Point o = alignIn(cell, s, a);
        row.cells[c]->place({o.x, o.y, s.width, s.height});
        x += w + hSpacing_;
      }
      y += t.heights[r] + vSpacing_;
    }
  }

  std::string_view kind() const override { return "Grid"; }
  void fill(LayoutNode& n) const override {
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      LayoutNode row;
      row.kind = "GridRow";
      row.frame = r < rowFrames_.size() ? ctx_.roundRect(rowFrames_[r]) : Rect{};
      for (const auto& c : rows_[r].cells) row.children.push_back(c->export_());
      n.children.push_back(std::move(row));
    }
  }

 private:
  double columnWidth(std::size_t col, ProposedLength offer, ProposedLength height) {
    double w = 0;
    for (Row& r : rows_) {
      if (!r.spansAll && col < r.cells.size()) {
        w = std::max(w, r.cells[col]->sizeThatFits({offer, height}).width);
      }
    }
    return w;
  }

  Table table(ProposedSize p) {
    Table t;
    const std::size_t cols = columns_;
    t.widths.assign(cols, 0);
    const double hGaps = cols > 1 ? hSpacing_ * double(cols - 1) : 0;
    const ProposedLength unspecified;
    if (p.width.isUnspecified()) {
      for (std::size_t c = 0; c < cols; ++c) t.widths[c] = columnWidth(c, unspecified, unspecified);
    } else {
      // Columns share the width as a stack's children do: least flexible first.
      std::vector<double> flexibility(cols);
      for (std::size_t c = 0; c < cols; ++c) {
        flexibility[c] = columnWidth(c, ProposedLength::infinity(), unspecified) -
                         columnWidth(c, 0.0, unspecified);
      }
      std::vector<std::size_t> order(cols);
      std::iota(order.begin(), order.end(), 0);
      std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return flexibility[a] < flexibility[b];
      });
      double remaining = p.width.valueOr(0) - hGaps;
      for (std::size_t k = 0; k < cols; ++k) {
        std::size_t c = order[k];
        double offer = std::max(0.0, remaining / double(cols - k));
        t.widths[c] = columnWidth(c, ProposedLength::fromValue(offer), unspecified);
        remaining -= t.widths[c];
      }
    }
    double width = hGaps;
    for (double w : t.widths) width += w;
    for (Row& r : rows_) {
      if (r.spansAll) {
        for (auto& c : r.cells)
          width = std::max(width, c->sizeThatFits({p.width, unspecified}).width);
      }
    }

    const std::size_t n = rows_.size();
    t.heights.assign(n, 0);
    const double vGaps = n > 1 ? vSpacing_ * double(n - 1) : 0;
    auto rowHeight = [&](std::size_t r, ProposedLength offer) {
      double h = 0;
      Row& row = rows_[r];
      for (std::size_t c = 0; c < row.cells.size(); ++c) {
        ProposedLength w = row.spansAll ? ProposedLength(width) : ProposedLength(t.widths[c]);
        h = std::max(h, row.cells[c]->sizeThatFits({w, offer}).height);
      }
      return h;
    };
    if (p.height.isUnspecified()) {
      for (std::size_t r = 0; r < n; ++r) t.heights[r] = rowHeight(r, unspecified);
    } else {
      std::vector<double> flexibility(n);
      for (std::size_t r = 0; r < n; ++r) {
        flexibility[r] = rowHeight(r, ProposedLength::infinity()) - rowHeight(r, 0.0);
      }
      std::vector<std::size_t> order(n);
      std::iota(order.begin(), order.end(), 0);
      std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return flexibility[a] < flexibility[b];
      });
      double remaining = p.height.valueOr(0) - vGaps;
      for (std::size_t k = 0; k < n; ++k) {
        std::size_t r = order[k];
        double offer = std::max(0.0, remaining / double(n - k));
        t.heights[r] = rowHeight(r, ProposedLength::fromValue(offer));
        remaining -= t.heights[r];
      }
    }
    double height = vGaps;
    for (double h : t.heights) height += h;
    t.extent = {width, height};
    return t;
  }

  Alignment alignment_;
  double hSpacing_, vSpacing_;
  std::vector<Row> rows_;
  std::size_t columns_ = 0;
  std::vector<Rect> rowFrames_;
};

// -- Single-child modifiers

class WrapperElement : public Element {
 public:
  WrapperElement(const LayoutContext& ctx, ElementPtr child)
      : Element(ctx), child_(std::move(child)) {}

 protected:
  void fill(LayoutNode& n) const override { n.children.push_back(child_->export_()); }
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
      n.children.push_back(primary_->export_());
      n.children.push_back(secondary_->export_());
    } else {
      n.children.push_back(secondary_->export_());
      n.children.push_back(primary_->export_());
    }
  }

 private:
  ElementPtr primary_, secondary_;
  Alignment alignment_;
  bool overlay_;
};

// Offsets, rotations and links leave layout alone.
class PassElement : public WrapperElement {
 public:
  enum class Role { offset, rotation, link };
  PassElement(const LayoutContext& ctx, ElementPtr child, Role role)
      : WrapperElement(ctx, std::move(child)), role_(role) {}

  std::optional<double> baseline(bool first, Size size) override {
    return child_->baseline(first, size);
  }

  Point offset;
  Angle angle;
  UnitPoint anchor = UnitPoint::center;
  std::string url;

 protected:
  Size computeSize(ProposedSize p) override { return child_->sizeThatFits(p); }
  void placeChildren(Rect f, ProposedSize) override {
    child_->place(role_ == Role::offset ? f.offsetBy(offset.x, offset.y) : f);
  }
  std::string_view kind() const override {
    switch (role_) {
      case Role::offset:
        return "offset";
      case Role::rotation:
        return "rotationEffect";
      case Role::link:
        return "Link";
    }
    return "";
  }
  void fill(LayoutNode& n) const override {
    WrapperElement::fill(n);
    switch (role_) {
      case Role::offset:
        n.offset = offset;
        break;
      case Role::rotation:
        n.rotation = angle;
        n.rotationAnchor = anchor;
        break;
      case Role::link:
        n.url = url;
        break;
    }
  }

 private:
  Role role_;
};

class EmptyElement : public Element {
 public:
  using Element::Element;

 protected:
  Size computeSize(ProposedSize) override { return {}; }
  std::string_view kind() const override { return "Empty"; }
};

// ---- Elements from the resolved tree --------------------------------------------------------

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

  ElementPtr child() { return build(std::move(children.front()), ctx); }

  ElementPtr operator()(Resolved::Empty&) { return std::make_unique<EmptyElement>(ctx); }
  ElementPtr operator()(Resolved::Text& t) {
    return std::make_unique<TextElement>(ctx, std::move(t.runs), std::move(t.paragraph),
                                         t.minimumScale);
  }
  ElementPtr operator()(Resolved::Image& i) {
    return std::make_unique<ImageElement>(ctx, std::move(i.symbol), i.font, std::move(i.paint));
  }
  ElementPtr operator()(Resolved::Shape& s) {
    return std::make_unique<ShapeElement>(ctx, std::move(s.content), s.kind);
  }
  ElementPtr operator()(Resolved::Spacer& s) {
    return std::make_unique<SpacerElement>(ctx, s.minLength);
  }
  ElementPtr operator()(Resolved::Stack& s) {
    return std::make_unique<StackElement>(
        ctx, s.axis == Resolved::Axis::horizontal ? Axis::horizontal : Axis::vertical,
        s.alignment, s.spacing, buildAll(std::move(children), ctx), s.kind);
  }
  ElementPtr operator()(Resolved::ZStack& z) {
    return std::make_unique<ZStackElement>(ctx, z.alignment, buildAll(std::move(children), ctx));
  }
  ElementPtr operator()(Resolved::Grid& g) {
    std::vector<GridElement::Row> rows;
    for (Resolved::GridRow& r : g.rows) {
      rows.push_back({r.alignment, buildAll(std::move(r.cells), ctx), r.spansAll});
    }
    return std::make_unique<GridElement>(ctx, g.alignment, g.horizontalSpacing, g.verticalSpacing,
                                         std::move(rows));
  }
  ElementPtr operator()(Resolved::Padding& p) {
    return std::make_unique<PaddingElement>(ctx, child(), p.insets);
  }
  ElementPtr operator()(Resolved::Frame& f) {
    return std::make_unique<FrameElement>(ctx, child(), f.frame, f.fixed);
  }
  ElementPtr operator()(Resolved::Offset& o) {
    auto e = std::make_unique<PassElement>(ctx, child(), PassElement::Role::offset);
    e->offset = o.offset;
    return e;
  }
  ElementPtr operator()(Resolved::Rotation& r) {
    auto e = std::make_unique<PassElement>(ctx, child(), PassElement::Role::rotation);
    e->angle = r.angle;
    e->anchor = r.anchor;
    return e;
  }
  ElementPtr operator()(Resolved::Link& l) {
    auto e = std::make_unique<PassElement>(ctx, child(), PassElement::Role::link);
    e->url = std::move(l.url);
    return e;
  }
  ElementPtr operator()(Resolved::Layers& l) {
    ElementPtr primary = build(std::move(children[0]), ctx);
    ElementPtr secondary = build(std::move(children[1]), ctx);
    return std::make_unique<LayeredElement>(ctx, std::move(primary), std::move(secondary),
                                            l.alignment, l.overlay);
  }
};

ElementPtr build(ResolvedNode&& node, const LayoutContext& ctx) {
  ElementPtr e = std::visit(ElementBuilder{ctx, node.children}, node.content);
  e->priority = node.priority;
  e->opacity = node.opacity;
  e->accentable = node.accentable;
  e->widgetURL = std::move(node.widgetURL);
  return e;
}

// ---- Queries --------------------------------------------------------------------------------

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

LaidOutView layoutView(const View& view, Rect bounds, const EnvironmentValues& environment,
                       const TextMeasurer& measurer) {
  const double scale = environment.displayScale > 0 ? environment.displayScale : 1;
  LayoutContext ctx{measurer, scale};
  ElementPtr root = build(resolveView(view, environment), ctx);
  Size s = root->sizeThatFits(ProposedSize::of(bounds.size()));
  Point origin = alignIn(bounds, s, Alignment::center);
  root->place({origin.x, origin.y, s.width, s.height});
  LaidOutView out;
  out.root = root->export_();
  out.bounds = bounds;
  out.displayScale = scale;
  return out;
}

}  // namespace ViewToolkit
