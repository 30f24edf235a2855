// Drawing a display list's commands on Cairo: opacity groups, transforms, accent groups, shapes
// with their paints (gradients sampled coarsely on image surfaces), texts and symbols through the
// text system that measured them, and PDF links.
#include "Platform/ViewToolkit/Render/Painter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Platform/ViewToolkit/Render/ShapePaths.h"

namespace ViewToolkit::Render {
namespace {

// Sampled gradients by everything that determines their pixels, within a budget of bytes.
// Measured: the four widgets draw their wash at three sizes (small, medium, large: 4 lookups, 3
// samplings for one render of all four), 8 to 36 KiB each at 2x and up to 80 KiB at 3x, so 512 KiB
// keeps every widget's wash across the live host's redraws at any scale.
constexpr std::size_t gradientBytes = 512 << 10;

class GradientCache {
 public:
  ~GradientCache() {
    for (auto& e : entries_) cairo_surface_destroy(e.image);
  }
  cairo_surface_t* find(const std::string& key) {
    for (auto& e : entries_) {
      if (e.key == key) return e.image;
    }
    return nullptr;
  }
  void insert(std::string key, cairo_surface_t* image) {
    const std::size_t bytes = key.size() + std::size_t(cairo_image_surface_get_stride(image)) *
                                               std::size_t(cairo_image_surface_get_height(image));
    while (!entries_.empty() && bytes_ + bytes > gradientBytes) {
      cairo_surface_destroy(entries_.front().image);
      bytes_ -= entries_.front().bytes;
      entries_.erase(entries_.begin());
    }
    entries_.push_back({std::move(key), image, bytes});
    bytes_ += bytes;
  }

 private:
  struct Entry {
    std::string key;
    cairo_surface_t* image;
    std::size_t bytes;
  };
  std::vector<Entry> entries_;
  std::size_t bytes_ = 0;
};

GradientCache& gradientCache() {
  thread_local GradientCache cache;
  return cache;
}

class Painter {
 public:
  Painter(cairo_t* cr, const DrawSettings& settings, const TextSystem& text)
      : cr_(cr), settings_(settings), text_(text) {}

  void draw(const DisplayList& list) {
    const auto& cmds = list.commands;
    for (std::size_t i = 0; i < cmds.size(); ++i) {
      const DisplayCommand& c = cmds[i];
      if (const auto* o = std::get_if<BeginOpacity>(&c)) {
        // A group around one drawing needs no offscreen pass: its alpha is the drawing's.
        if (i + 2 < cmds.size() && isLeaf(cmds[i + 1]) &&
            std::holds_alternative<EndOpacity>(cmds[i + 2])) {
          alpha_.push_back(alpha() * o->opacity);
          groups_.push_back(false);
        } else {
          cairo_push_group(cr_);
          groups_.push_back(true);
          groupOpacity_.push_back(o->opacity);
        }
      } else if (std::holds_alternative<EndOpacity>(c)) {
        if (groups_.empty()) continue;
        if (groups_.back()) {
          cairo_pop_group_to_source(cr_);
          cairo_paint_with_alpha(cr_, groupOpacity_.back());
          groupOpacity_.pop_back();
        } else {
          alpha_.pop_back();
        }
        groups_.pop_back();
      } else if (const auto* t = std::get_if<BeginTransform>(&c)) {
        cairo_save(cr_);
        cairo_matrix_t m;
        cairo_matrix_init(&m, t->transform.a, t->transform.b, t->transform.c, t->transform.d,
                          t->transform.tx, t->transform.ty);
        cairo_transform(cr_, &m);
        ++saves_;
      } else if (std::holds_alternative<EndTransform>(c)) {
        if (saves_ > 0) {
          cairo_restore(cr_);
          --saves_;
        }
      } else if (std::holds_alternative<BeginAccent>(c)) {
        ++accent_;
      } else if (std::holds_alternative<EndAccent>(c)) {
        accent_ = std::max(0, accent_ - 1);
      } else if (const auto* s = std::get_if<ShapeCommand>(&c)) {
        drawShape(*s);
      } else if (const auto* tx = std::get_if<TextCommand>(&c)) {
        drawText(*tx);
      } else if (const auto* sy = std::get_if<SymbolCommand>(&c)) {
        drawSymbol(*sy);
      }
    }
    while (saves_-- > 0) cairo_restore(cr_);
    addLinks(list);
  }

 private:
  static bool isLeaf(const DisplayCommand& c) {
    return std::holds_alternative<ShapeCommand>(c) || std::holds_alternative<TextCommand>(c) ||
           std::holds_alternative<SymbolCommand>(c);
  }
  double alpha() const { return alpha_.empty() ? 1 : alpha_.back(); }
  bool accented() const { return settings_.renderingMode == WidgetRenderingMode::accented; }

  // In accented rendering only alpha survives: accent-group content takes the accent colour,
  // the rest white.
  RGBA map(RGBA c) const {
    c.alpha *= alpha();
    if (!accented()) return c;
    RGBA target =
        accent_ > 0 ? settings_.accentColor.resolve(settings_.colorScheme) : RGBA{1, 1, 1, 1};
    return {target.red, target.green, target.blue, c.alpha * target.alpha};
  }

  void addStop(cairo_pattern_t* p, double offset, RGBA c) {
    cairo_pattern_add_color_stop_rgba(p, offset, c.red, c.green, c.blue, c.alpha);
  }

  void setSource(const Paint& paint) {
    switch (paint.kind) {
      case Paint::Kind::color: {
        RGBA c = map(paint.colorAt(0, settings_.colorScheme));
        cairo_set_source_rgba(cr_, c.red, c.green, c.blue, c.alpha);
        return;
      }
      case Paint::Kind::colorGradient: {
        const Rect& b = paint.bounds;
        cairo_pattern_t* p = cairo_pattern_create_linear(b.midX(), b.minY(), b.midX(), b.maxY());
        addStop(p, 0, map(paint.colorAt(0, settings_.colorScheme)));
        addStop(p, 1, map(paint.colorAt(1, settings_.colorScheme)));
        cairo_set_source(cr_, p);
        cairo_pattern_destroy(p);
        return;
      }
      case Paint::Kind::linearGradient: {
        const Rect& b = paint.bounds;
        const LinearGradient& g = *paint.linear;
        cairo_pattern_t* p = cairo_pattern_create_linear(
            b.x + b.width * g.startPoint.x, b.y + b.height * g.startPoint.y,
            b.x + b.width * g.endPoint.x, b.y + b.height * g.endPoint.y);
        const auto& stops = g.gradient.stops;
        std::string key;
        auto keyDouble = [&key](double v) {
          key.append(reinterpret_cast<const char*>(&v), sizeof v);
        };
        keyDouble(g.startPoint.x);
        keyDouble(g.startPoint.y);
        keyDouble(g.endPoint.x);
        keyDouble(g.endPoint.y);
        for (std::size_t i = 0; i < stops.size(); ++i) {
          RGBA c = stops[i].color.resolve(settings_.colorScheme);
          if (c.alpha == 0) {
            // A transparent stop takes its neighbour's colour, so that the fade to it keeps
            // its hue whichever space the rasteriser interpolates in.
            const std::size_t j = i + 1 < stops.size() ? i + 1 : (i > 0 ? i - 1 : i);
            RGBA n = stops[j].color.resolve(settings_.colorScheme);
            c = {n.red, n.green, n.blue, 0};
          }
          c.alpha *= paint.opacity;
          RGBA mapped = map(c);
          addStop(p, std::clamp(stops[i].location, 0.0, 1.0), mapped);
          for (double v :
               {mapped.red, mapped.green, mapped.blue, mapped.alpha, stops[i].location}) {
            keyDouble(v);
          }
        }
        if (cairo_pattern_t* sampled = coarse(p, b, key)) {
          cairo_pattern_destroy(p);
          p = sampled;
        }
        cairo_set_source(cr_, p);
        cairo_pattern_destroy(p);
        return;
      }
    }
  }

  // Pixman computes a slanted linear gradient pixel by pixel, about 12 ns each: a wash over a
  // whole large widget at 2x took 6.6 ms. A linear gradient is linear between its stops, so it
  // is sampled every 8 device pixels and each draw interpolates bilinearly between the samples
  // (exact up to a blur of a few pixels at each stop). The samples, 1/64 of the pixels, are kept
  // for later draws of the same gradient at the same size. Vector surfaces keep the real gradient.
  cairo_pattern_t* coarse(cairo_pattern_t* gradient, const Rect& b, const std::string& key) {
    if (cairo_surface_get_type(cairo_get_target(cr_)) != CAIRO_SURFACE_TYPE_IMAGE) return nullptr;
    cairo_matrix_t ctm;
    cairo_get_matrix(cr_, &ctm);
    const double scale = ctm.xx;
    // Only for plain scaling (no rotation), where the image's pixels are the target's pixels.
    if (ctm.xy != 0 || ctm.yx != 0 || ctm.yy != scale || scale <= 0) return nullptr;
    const int w = static_cast<int>(std::ceil(b.width * scale - 1e-6));
    const int h = static_cast<int>(std::ceil(b.height * scale - 1e-6));
    if (double(w) * double(h) < 128.0 * 128.0 || w > 8192 || h > 8192) return nullptr;

    std::string fullKey = key;
    fullKey.append(reinterpret_cast<const char*>(&scale), sizeof scale);
    fullKey.append(reinterpret_cast<const char*>(&b.width), sizeof b.width);
    fullKey.append(reinterpret_cast<const char*>(&b.height), sizeof b.height);
    // Samples: pixel i's centre stands for the point i * cell from the bounds' origin.
    const double cell = 8 / scale;
    cairo_matrix_t toSamples;
    cairo_matrix_init(&toSamples, cell, 0, 0, cell, b.x - 0.5 * cell, b.y - 0.5 * cell);
    cairo_matrix_invert(&toSamples);
    cairo_surface_t* samples = gradientCache().find(fullKey);
    if (!samples) {
      const int sw = static_cast<int>(std::ceil(b.width / cell)) + 2;
      const int sh = static_cast<int>(std::ceil(b.height / cell)) + 2;
      samples = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sw, sh);
      cairo_t* c = cairo_create(samples);
      cairo_transform(c, &toSamples);
      cairo_set_source(c, gradient);
      cairo_set_operator(c, CAIRO_OPERATOR_SOURCE);
      cairo_paint(c);
      cairo_destroy(c);

      gradientCache().insert(fullKey, samples);
    }
    // Each draw interpolates between the samples bilinearly.
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(samples);
    cairo_pattern_set_matrix(pattern, &toSamples);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    return pattern;
  }

  void drawShape(const ShapeCommand& s) {
    const ShapeContent& c = s.shape;
    if (c.mode == ShapeContent::Mode::fill) {
      shapePath(cr_, s.frame, c.shape, 0);
      setSource(c.paint);
      cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
      cairo_fill(cr_);
      return;
    }
    const StrokeStyle& st = c.stroke;
    const double inset = c.mode == ShapeContent::Mode::strokeBorder ? st.lineWidth / 2 : 0;
    shapePath(cr_, s.frame, c.shape, inset);
    setSource(c.paint);
    cairo_set_line_width(cr_, std::max(0.0, st.lineWidth));
    cairo_set_line_cap(cr_, st.lineCap == LineCap::round    ? CAIRO_LINE_CAP_ROUND
                            : st.lineCap == LineCap::square ? CAIRO_LINE_CAP_SQUARE
                                                            : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, st.lineJoin == LineJoin::round   ? CAIRO_LINE_JOIN_ROUND
                             : st.lineJoin == LineJoin::bevel ? CAIRO_LINE_JOIN_BEVEL
                                                              : CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr_, st.miterLimit);
    std::vector<double> dash;
    for (double d : st.dash) {
      if (d > 0) dash.push_back(d);
    }
    cairo_set_dash(cr_, dash.data(), int(dash.size()), st.dashPhase);
    cairo_stroke(cr_);
    cairo_set_dash(cr_, nullptr, 0, 0);
  }

  void drawText(const TextCommand& t) {
    const TextContent& text = *t.text;
    bool gradient = false;
    std::vector<RGBA> colors;
    for (const TextContent::Run& r : text.runs) {
      if (r.paint.kind != Paint::Kind::color) gradient = true;
      RGBA c = r.paint.colorAt(0, settings_.colorScheme);
      c.alpha *= alpha();
      colors.push_back(c);
    }
    const Point origin = t.frame.origin();
    if (accented() || gradient) {
      // Drawn as a mask, so colour glyphs (emoji) take the colour too, keeping only alpha.
      cairo_push_group(cr_);
      if (gradient) {
        for (RGBA& c : colors) c = {0, 0, 0, c.alpha};
      }
      text_.drawText(cr_, text.box, origin, colors);
      cairo_pattern_t* mask = cairo_pop_group(cr_);
      if (gradient && !text.runs.empty()) {
        Paint p = text.runs.front().paint;
        for (const TextContent::Run& r : text.runs) {
          if (r.paint.kind != Paint::Kind::color) p = r.paint;
        }
        p.opacity = 1;
        const std::vector<double> saved = alpha_;
        alpha_.clear();
        setSource(p);
        alpha_ = saved;
      } else {
        RGBA target =
            accent_ > 0 ? settings_.accentColor.resolve(settings_.colorScheme) : RGBA{1, 1, 1, 1};
        cairo_set_source_rgba(cr_, target.red, target.green, target.blue, target.alpha);
      }
      cairo_mask(cr_, mask);
      cairo_pattern_destroy(mask);
      return;
    }
    text_.drawText(cr_, text.box, origin, colors);
  }

  void drawSymbol(const SymbolCommand& s) {
    setSource(s.symbol.paint);
    text_.drawSymbol(cr_, {s.symbol.glyph, s.symbol.rotationDegrees, s.symbol.known},
                     s.symbol.glyphSize, s.frame);
  }

  void addLinks(const DisplayList& list) {
    cairo_surface_t* target = cairo_get_target(cr_);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_PDF) return;
    auto link = [&](double x, double y, double width, double height, const std::string& url) {
      std::string uri;
      for (char ch : url) {
        if (ch == '\\' || ch == '\'') uri += '\\';
        uri += ch;
      }
      char rect[160];
      std::snprintf(rect, sizeof rect, "rect=[%.3f %.3f %.3f %.3f] ", x, y, width, height);
      std::string attributes = std::string(rect) + "uri='" + uri + "'";
      cairo_tag_begin(cr_, CAIRO_TAG_LINK, attributes.c_str());
      cairo_tag_end(cr_, CAIRO_TAG_LINK);
    };
    // The widget URL covers the whole widget, under the regions: viewers give a click to the
    // last annotation under it, as a tap goes to the innermost link.
    if (list.widgetURL) {
      double x1, y1, x2, y2;
      cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
      link(x1, y1, x2 - x1, y2 - y1, *list.widgetURL);
    }
    for (const LinkRegion& l : list.links)
      link(l.rect.x, l.rect.y, l.rect.width, l.rect.height, l.url);
  }

  cairo_t* cr_;
  DrawSettings settings_;
  const TextSystem& text_;
  std::vector<double> alpha_;
  std::vector<bool> groups_;
  std::vector<double> groupOpacity_;
  int saves_ = 0;
  int accent_ = 0;
};

}  // namespace

void paint(cairo_t* cr, const DisplayList& list, const DrawSettings& settings,
           const TextSystem& text) {
  Painter(cr, settings, text).draw(list);
}

}  // namespace ViewToolkit::Render
