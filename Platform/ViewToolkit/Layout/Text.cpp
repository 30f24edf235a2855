// Texts, measured through the injected text measurer, and symbol images, sized by their font.
#include <algorithm>
#include <limits>

#include "Platform/ViewToolkit/Layout/Element.h"
#include "Platform/ViewToolkit/Symbols.h"

namespace ViewToolkit::Layout {
namespace {

// Measurements kept per text, by offered size. Measured on the four widgets' trees: no text is
// measured at more than 3 widths in a layout, and heights that hold a text whole share its
// measurement, so 8 never evicts.
constexpr std::size_t measurementsKept = 8;
// Frames are rounded up to whole pixels, never down by more than this.
constexpr double frameSlack = 1e-3;

class TextElement : public Element {
 public:
  TextElement(const LayoutContext& ctx, Resolved::Text text)
      : Element(ctx),
        runs_(std::move(text.runs)),
        paragraph_(std::move(text.paragraph)),
        minimumScale_(std::clamp(text.minimumScale, 0.01, 1.0)) {}

  std::optional<double> baseline(bool first, Size size) override {
    const Measured& m = measuredIn(size);
    return first ? m.box.firstBaseline : m.box.lastBaseline;
  }

 protected:
  struct Measured {
    double scale = 1;
    std::optional<double> width;
    std::optional<double> height;
    TextBox box;
    Size size;
  };

  Size computeSize(ProposedSize p) override {
    return measure(finite(p.width), finite(p.height)).size;
  }

  std::string_view kind() const override { return "Text"; }

  void fill(LayoutNode& n) const override {
    auto content = std::make_shared<TextContent>();
    content->runs = runs_;
    for (auto& r : content->runs) r.paint.bounds = n.frame;
    content->paragraph = paragraph_;
    const Measured& m = measuredIn(frame_.size());
    content->fontScale = m.scale;
    content->width = m.width;
    content->box = m.box;
    n.text = std::move(content);
  }

 private:
  static std::optional<double> finite(ProposedLength l) {
    return l.isFinite() ? std::optional<double>(l.points()) : std::nullopt;
  }

  // The text as it is drawn in a frame: what layout measured for a proposal that gave the
  // frame's size (of several, one that shows the whole text, as the widest proposal laid it
  // out: a text whose ellipsis happens to be as wide as its whole self is not cut), else laid
  // out again for a frame of another size, which cuts it to fit.
  const Measured& measuredIn(Size size) const {
    const Measured* best = nullptr;
    auto widest = [](const Measured& m) {
      return m.width.value_or(std::numeric_limits<double>::infinity());
    };
    for (const Measured& m : measured_) {
      if (!(m.size == size)) continue;
      if (!best || (best->box.truncated && !m.box.truncated) ||
          (best->box.truncated == m.box.truncated && widest(m) > widest(*best)))
        best = &m;
    }
    if (best) return *best;
    return measure(size.width + frameSlack, size.height + frameSlack);
  }

  // A height changes nothing for a text that it holds whole, or that is one line already.
  const Measured& measure(std::optional<double> width, std::optional<double> height) const {
    if (height) {
      const Measured& whole = measureAt(width, std::nullopt);
      if (whole.box.size.height <= *height || whole.box.lineCount <= 1) return whole;
    }
    return measureAt(width, height);
  }

  // Under pressure a text first shrinks down to its minimum scale factor, then is cut.
  const Measured& measureAt(std::optional<double> width, std::optional<double> height) const {
    for (const Measured& m : measured_) {
      if (m.width == width && m.height == height) return m;
    }
    Measured m;
    m.width = width;
    m.height = height;
    auto boxAt = [&](double scale) {
      return ctx_.measurer.measure(paragraph_, scale, width, height);
    };
    m.box = boxAt(1);
    if (m.box.truncated && (width || height) && minimumScale_ < 1) {
      TextBox smallest = boxAt(minimumScale_);
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
          TextBox b = boxAt(mid);
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
    if (measured_.size() >= measurementsKept) measured_.erase(measured_.begin());
    measured_.push_back(std::move(m));
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
    double side = ctx_.ceilToPixel(image_.font.size * symbolSizeFactor);
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
    s.glyphSize = image_.font.size * symbolSizeFactor;
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
