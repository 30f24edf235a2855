// The grid: rows of cells sized as one table, columns as wide as their widest cell and rows as
// tall as their tallest; columns share the width, and rows the height, as a stack's children do.
#include <algorithm>

#include "Platform/ViewToolkit/Layout/Element.h"
#include "Platform/ViewToolkit/Layout/SpaceDistribution.h"

namespace ViewToolkit::Layout {
namespace {

class GridElement : public Element {
 public:
  GridElement(const LayoutContext& ctx, Alignment alignment, double hSpacing, double vSpacing,
              std::vector<GridRowElements> rows)
      : Element(ctx),
        alignment_(alignment),
        hSpacing_(hSpacing),
        vSpacing_(vSpacing),
        rows_(std::move(rows)) {
    for (const GridRowElements& r : rows_) {
      if (!r.spansAll) columns_ = std::max(columns_, r.cells.size());
    }
    for (GridRowElements& r : rows_) {
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
      GridRowElements& row = rows_[r];
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
      for (const auto& c : rows_[r].cells) row.children.push_back(c->exportNode());
      n.children.push_back(std::move(row));
    }
  }

 private:
  double columnWidth(std::size_t col, ProposedLength offer, ProposedLength height) {
    double w = 0;
    for (GridRowElements& r : rows_) {
      if (!r.spansAll && col < r.cells.size()) {
        w = std::max(w, r.cells[col]->sizeThatFits({offer, height}).width);
      }
    }
    return w;
  }

  // Lengths for `count` columns or rows: each as measured unoffered, or sharing `offered`.
  static std::vector<double> lengths(
      std::size_t count, ProposedLength offered, double gaps,
      const std::function<double(std::size_t, ProposedLength)>& measure) {
    std::vector<double> out(count, 0);
    if (offered.isUnspecified()) {
      for (std::size_t i = 0; i < count; ++i) out[i] = measure(i, ProposedLength());
      return out;
    }
    std::vector<SpaceClaim> claims(count);
    for (std::size_t i = 0; i < count; ++i) {
      claims[i].flexibility = measure(i, ProposedLength::infinity()) - measure(i, 0.0);
    }
    distributeSpace(offered.valueOr(0) - gaps, claims, [&](std::size_t i, double offer) {
      return out[i] = measure(i, ProposedLength::fromValue(offer));
    });
    return out;
  }

  Table table(ProposedSize p) {
    Table t;
    const std::size_t cols = columns_;
    const double hGaps = cols > 1 ? hSpacing_ * double(cols - 1) : 0;
    const ProposedLength unspecified;
    t.widths = lengths(cols, p.width, hGaps, [&](std::size_t c, ProposedLength offer) {
      return columnWidth(c, offer, unspecified);
    });
    double width = hGaps;
    for (double w : t.widths) width += w;
    for (GridRowElements& r : rows_) {
      if (r.spansAll) {
        for (auto& c : r.cells)
          width = std::max(width, c->sizeThatFits({p.width, unspecified}).width);
      }
    }

    const std::size_t n = rows_.size();
    const double vGaps = n > 1 ? vSpacing_ * double(n - 1) : 0;
    t.heights = lengths(n, p.height, vGaps, [&](std::size_t r, ProposedLength offer) {
      double h = 0;
      GridRowElements& row = rows_[r];
      for (std::size_t c = 0; c < row.cells.size(); ++c) {
        ProposedLength w = row.spansAll ? ProposedLength(width) : ProposedLength(t.widths[c]);
        h = std::max(h, row.cells[c]->sizeThatFits({w, offer}).height);
      }
      return h;
    });
    double height = vGaps;
    for (double h : t.heights) height += h;
    t.extent = {width, height};
    return t;
  }

  Alignment alignment_;
  double hSpacing_, vSpacing_;
  std::vector<GridRowElements> rows_;
  std::size_t columns_ = 0;
  std::vector<Rect> rowFrames_;
};

}  // namespace

ElementPtr makeGrid(const LayoutContext& ctx, const Resolved::Grid& grid,
                    std::vector<GridRowElements> rows) {
  return std::make_unique<GridElement>(ctx, grid.alignment, grid.horizontalSpacing,
                                       grid.verticalSpacing, std::move(rows));
}

}  // namespace ViewToolkit::Layout
