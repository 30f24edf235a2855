// Texts, measured through the injected text measurer, and symbol images, sized by their font.
#include <algorithm>

#include "Platform/ViewToolkit/Layout/Element.h"
#include "Platform/ViewToolkit/Symbols.h"

namespace ViewToolkit::Layout {
namespace {

// Measurements kept per text, by offered width. Measured on the four widgets' trees: no text is
// measured at more than 3 widths in a layout, so 6 never evicts.
constexpr std::size_t kMeasurementsKept = 6;

class TextElement : public Element {
 public:
  TextElement(const LayoutContext& ctx, Resolved::Text text)
      : Element(ctx),
        runs_(std::move(text.runs)),
        paragraph_(std::move(text.paragraph)),
        minimumScale_(std::clamp(text.minimumScale, 0.01, 1.0)) {}

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
    if (measured_.size() >= kMeasurementsKept) measured_.erase(measured_.begin());
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

class ImageElement : public Element {
 public:
  ImageElement(const LayoutContext& ctx, Resolved::Image image)
      : Element(ctx), image_(std::move(image)) {}

  // Symbols stand on the text baseline at four fifths of their square, as the icon font's
  // glyphs do.
  std::optional<double> baseline(bool, Size size) override { return size.height * 0.8; }

 protected:
  Size computeSize(ProposedSize) override {
    double side = ctx_.ceilToPixel(image_.font.size * kSymbolSizeFactor);
    return {side, side};
  }
  std::string_view kind() const override { return "Image"; }
  void fill(LayoutNode& n) const override {
    SymbolGlyph g = lookupSymbol(image_.symbol);
    SymbolContent s;
    s.name = image_.symbol;
    s.known = g.known;
    s.glyph = g.glyph;
    s.rotationDegrees = g.rotationDegrees;
    s.glyphSize = image_.font.size * kSymbolSizeFactor;
    s.font = image_.font;
    s.paint = image_.paint;
    s.paint.bounds = n.frame;
    n.symbol = std::move(s);
  }

 private:
  Resolved::Image image_;
};

}  // namespace

ElementPtr makeText(const LayoutContext& ctx, Resolved::Text text) {
  return std::make_unique<TextElement>(ctx, std::move(text));
}

ElementPtr makeImage(const LayoutContext& ctx, Resolved::Image image) {
  return std::make_unique<ImageElement>(ctx, std::move(image));
}

}  // namespace ViewToolkit::Layout
