#include "Platform/ViewToolkit/Renderer.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include "Platform/ViewToolkit/PNGEncoder.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"

namespace ViewToolkit {
namespace {

// Control points of a continuous ("squircle") corner, in multiples of the corner radius, as
// (distance back along the incoming edge, distance along the outgoing edge) from the corner.
constexpr double kCornerExtent = 1.52866483;
constexpr double kCorner[][2] = {
    {1.08849299, 0},          {0.86840701, 0},          {0.63149399, 0.07491100},
    {0.37282401, 0.16905201}, {0.16905201, 0.37282401}, {0.07491100, 0.63149399},
    {0, 0.86840701},          {0, 1.08849299},          {0, kCornerExtent},
};

struct Vec {
  double x, y;
};

void continuousCorner(cairo_t* cr, Vec corner, Vec in, Vec out, double r, bool first) {
  auto at = [&](double a, double b) {
    return Vec{corner.x - a * r * in.x + b * r * out.x, corner.y - a * r * in.y + b * r * out.y};
  };
  Vec start = at(kCornerExtent, 0);
  if (first) {
    cairo_move_to(cr, start.x, start.y);
  } else {
    cairo_line_to(cr, start.x, start.y);
  }
  for (int i = 0; i < 9; i += 3) {
    Vec c1 = at(kCorner[i][0], kCorner[i][1]);
    Vec c2 = at(kCorner[i + 1][0], kCorner[i + 1][1]);
    Vec e = at(kCorner[i + 2][0], kCorner[i + 2][1]);
    cairo_curve_to(cr, c1.x, c1.y, c2.x, c2.y, e.x, e.y);
  }
}

void roundedRectPath(cairo_t* cr, Rect r, double radius, bool continuous) {
  const double half = std::min(r.width, r.height) / 2;
  radius = std::clamp(radius, 0.0, half);
  if (radius <= 0) {
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    return;
  }
  if (continuous && radius * kCornerExtent <= half) {
    continuousCorner(cr, {r.maxX(), r.minY()}, {1, 0}, {0, 1}, radius, true);
    continuousCorner(cr, {r.maxX(), r.maxY()}, {0, 1}, {-1, 0}, radius, false);
    continuousCorner(cr, {r.minX(), r.maxY()}, {-1, 0}, {0, -1}, radius, false);
    continuousCorner(cr, {r.minX(), r.minY()}, {0, -1}, {1, 0}, radius, false);
    cairo_close_path(cr);
    return;
  }
  // Too tight for the continuous curve (capsule ends): circular corners.
  cairo_new_sub_path(cr);
  cairo_arc(cr, r.maxX() - radius, r.minY() + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, r.maxX() - radius, r.maxY() - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, r.minX() + radius, r.maxY() - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, r.minX() + radius, r.minY() + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void basePath(cairo_t* cr, Rect r, const Shape& s, double extraInset) {
  const double inset = s.insetAmount() + extraInset;
  r = {r.x + inset, r.y + inset, std::max(0.0, r.width - 2 * inset),
       std::max(0.0, r.height - 2 * inset)};
  switch (s.kind()) {
    case Shape::Kind::rectangle:
      cairo_rectangle(cr, r.x, r.y, r.width, r.height);
      break;
    case Shape::Kind::roundedRectangle:
      roundedRectPath(cr, r, s.cornerRadius() - inset,
                      s.cornerStyle() == RoundedCornerStyle::continuous);
      break;
    case Shape::Kind::capsule:
      roundedRectPath(cr, r, std::min(r.width, r.height) / 2, false);
      break;
    case Shape::Kind::circle: {
      const double radius = std::min(r.width, r.height) / 2;
      cairo_new_sub_path(cr);
      cairo_arc(cr, r.midX(), r.midY(), radius, 0, 2 * M_PI);
      cairo_close_path(cr);
      break;
    }
  }
}

// The part [from, to] of the path by length, for outlines other than circles.
void trimmedPath(cairo_t* cr, double from, double to) {
  cairo_path_t* flat = cairo_copy_path_flat(cr);
  cairo_new_path(cr);
  std::vector<Vec> points;
  Vec start{0, 0};
  for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
    const cairo_path_data_t* d = &flat->data[i];
    switch (d->header.type) {
      case CAIRO_PATH_MOVE_TO:
        start = {d[1].point.x, d[1].point.y};
        if (points.empty()) points.push_back(start);
        break;
      case CAIRO_PATH_LINE_TO:
        points.push_back({d[1].point.x, d[1].point.y});
        break;
      case CAIRO_PATH_CLOSE_PATH:
        points.push_back(start);
        break;
      case CAIRO_PATH_CURVE_TO:
        break;  // flattened away
    }
  }
  cairo_path_destroy(flat);
  double total = 0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    total += std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
  }
  if (total <= 0) return;
  const double a = from * total, b = to * total;
  double walked = 0;
  bool started = false;
  for (std::size_t i = 1; i < points.size(); ++i) {
    Vec p = points[i - 1], q = points[i];
    double len = std::hypot(q.x - p.x, q.y - p.y);
    if (len <= 0) continue;
    double s0 = std::max(a, walked), s1 = std::min(b, walked + len);
    if (s0 < s1) {
      auto lerp = [&](double s) {
        double t = (s - walked) / len;
        return Vec{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t};
      };
      Vec u = lerp(s0), v = lerp(s1);
      if (!started) {
        cairo_move_to(cr, u.x, u.y);
        started = true;
      }
      cairo_line_to(cr, v.x, v.y);
    }
    walked += len;
  }
}

void shapePath(cairo_t* cr, Rect frame, const Shape& s, double extraInset) {
  cairo_new_path(cr);
  double from = std::clamp(s.trimFrom(), 0.0, 1.0), to = std::clamp(s.trimTo(), 0.0, 1.0);
  const bool trimmed = from > 0 || to < 1;
  if (trimmed && from >= to) return;
  if (trimmed && s.kind() == Shape::Kind::circle) {
    // A circle's outline starts at 3 o'clock and runs clockwise (y points down).
    const double inset = s.insetAmount() + extraInset;
    Rect r{frame.x + inset, frame.y + inset, std::max(0.0, frame.width - 2 * inset),
           std::max(0.0, frame.height - 2 * inset)};
    cairo_arc(cr, r.midX(), r.midY(), std::min(r.width, r.height) / 2, 2 * M_PI * from,
              2 * M_PI * to);
    return;
  }
  basePath(cr, frame, s, extraInset);
  if (trimmed) trimmedPath(cr, from, to);
}

// Sampled gradients by everything that determines their pixels. Measured: the four widgets
// draw their wash at three sizes (small, medium, large: 4 lookups, 3 samplings for one render
// of all four), so 4 entries keep every widget's wash across the live host's redraws.
constexpr std::size_t kGradientsKept = 4;

class GradientCache {
 public:
  ~GradientCache() {
    for (auto& e : entries_) cairo_surface_destroy(e.second);
  }
  cairo_surface_t* find(const std::string& key) {
    for (auto& e : entries_) {
      if (e.first == key) return e.second;
    }
    return nullptr;
  }
  void insert(std::string key, cairo_surface_t* image) {
    if (entries_.size() >= kGradientsKept) {
      cairo_surface_destroy(entries_.front().second);
      entries_.erase(entries_.begin());
    }
    entries_.emplace_back(std::move(key), image);
  }

 private:
  std::vector<std::pair<std::string, cairo_surface_t*>> entries_;
};

GradientCache& gradientCache() {
  thread_local GradientCache cache;
  return cache;
}

class Painter {
 public:
  Painter(cairo_t* cr, const DrawSettings& settings) : cr_(cr), settings_(settings) {}

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
    const PangoTextSystem& pango = PangoTextSystem::shared();
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
      pango.drawText(cr_, text, origin, colors);
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
    pango.drawText(cr_, text, origin, colors);
  }

  void drawSymbol(const SymbolCommand& s) {
    setSource(s.symbol.paint);
    PangoTextSystem::shared().drawSymbol(cr_, s.symbol, s.frame);
  }

  void addLinks(const DisplayList& list) {
    cairo_surface_t* target = cairo_get_target(cr_);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_PDF) return;
    for (const LinkRegion& l : list.links) {
      std::string uri;
      for (char ch : l.url) {
        if (ch == '\\' || ch == '\'') uri += '\\';
        uri += ch;
      }
      char rect[160];
      std::snprintf(rect, sizeof rect, "rect=[%.3f %.3f %.3f %.3f] ", l.rect.x, l.rect.y,
                    l.rect.width, l.rect.height);
      std::string attributes = std::string(rect) + "uri='" + uri + "'";
      cairo_tag_begin(cr_, CAIRO_TAG_LINK, attributes.c_str());
      cairo_tag_end(cr_, CAIRO_TAG_LINK);
    }
  }

  cairo_t* cr_;
  DrawSettings settings_;
  std::vector<double> alpha_;
  std::vector<bool> groups_;
  std::vector<double> groupOpacity_;
  int saves_ = 0;
  int accent_ = 0;
};

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// A scene with a corner radius is a rounded canvas (a widget's outline): nothing is drawn
// outside it.
void clipToCanvas(cairo_t* cr, const Scene& scene) {
  if (!scene.cornerRadius || *scene.cornerRadius <= 0) return;
  const double w = scene.size.width, h = scene.size.height;
  const double r = std::min({*scene.cornerRadius, w / 2, h / 2});
  cairo_new_path(cr);
  cairo_arc(cr, w - r, r, r, -M_PI / 2, 0);
  cairo_arc(cr, w - r, h - r, r, 0, M_PI / 2);
  cairo_arc(cr, r, h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, r, r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
  cairo_clip(cr);
}

void paintBackdrop(cairo_t* cr, const Scene& scene) {
  clipToCanvas(cr, scene);
  if (!scene.backdrop) return;
  RGBA c = scene.backdrop->resolve(scene.draw.colorScheme);
  cairo_save(cr);
  cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
  cairo_paint(cr);
  cairo_restore(cr);
}

int pixels(double points, double scale) {
  return std::max(1, static_cast<int>(std::ceil(points * scale - 1e-9)));
}

}  // namespace

void drawDisplayList(cairo_t* cr, const DisplayList& list, const DrawSettings& settings) {
  cairo_save(cr);
  cairo_set_tolerance(cr, 0.25);
  Painter(cr, settings).draw(list);
  cairo_restore(cr);
}

void drawScene(cairo_t* cr, const DisplayList& list, const Scene& scene) {
  cairo_save(cr);
  paintBackdrop(cr, scene);
  drawDisplayList(cr, list, scene.draw);
  cairo_restore(cr);
}

EnvironmentValues Scene::environment(EnvironmentValues base) const {
  base.colorScheme = draw.colorScheme;
  base.displayScale = displayScale;
  base.widgetRenderingMode = draw.renderingMode;
  return base;
}

LaidOutView layoutView(const View& view, const Scene& scene, EnvironmentValues base) {
  return layoutView(view, {0, 0, scene.size.width, scene.size.height},
                    scene.environment(std::move(base)), PangoTextSystem::shared());
}

std::string renderDocument(const DisplayList& list, const Scene& scene, DocumentFormat format) {
  std::string out;
  cairo_surface_t* surface = nullptr;
  switch (format) {
    case DocumentFormat::png:
      surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32,
                                           pixels(scene.size.width, scene.displayScale),
                                           pixels(scene.size.height, scene.displayScale));
      break;
    case DocumentFormat::svg:
      surface = cairo_svg_surface_create_for_stream(appendToString, &out, scene.size.width,
                                                    scene.size.height);
      break;
    case DocumentFormat::pdf:
      surface = cairo_pdf_surface_create_for_stream(appendToString, &out, scene.size.width,
                                                    scene.size.height);
      break;
  }
  cairo_t* cr = cairo_create(surface);
  if (format == DocumentFormat::png) cairo_scale(cr, scene.displayScale, scene.displayScale);
  paintBackdrop(cr, scene);
  drawDisplayList(cr, list, scene.draw);
  cairo_destroy(cr);
  if (format == DocumentFormat::png && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(surface);
    out = encodePNG(cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
                    cairo_image_surface_get_height(surface),
                    cairo_image_surface_get_stride(surface));
  }
  cairo_surface_finish(surface);
  cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error(std::string("cairo: ") + cairo_status_to_string(status));
  }
  return out;
}

void writeDocument(const DisplayList& list, const Scene& scene, DocumentFormat format,
                   const std::string& path) {
  const std::string bytes = renderDocument(list, scene, format);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::system_error(errno, std::generic_category(), path);
  const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), f);
  const int writeErrno = errno;
  if (std::fclose(f) != 0 || written != bytes.size()) {
    throw std::system_error(written != bytes.size() ? writeErrno : errno, std::generic_category(),
                            path);
  }
}

RGBA Bitmap::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0, 0};
  const std::uint32_t p = argb[std::size_t(y) * std::size_t(width) + std::size_t(x)];
  const double a = double((p >> 24) & 0xff) / 255.0;
  if (a == 0) return {0, 0, 0, 0};
  return {double((p >> 16) & 0xff) / 255.0 / a, double((p >> 8) & 0xff) / 255.0 / a,
          double(p & 0xff) / 255.0 / a, a};
}

RGBA Bitmap::at(Point p) const {
  return pixel(static_cast<int>(std::floor(p.x * scale)),
               static_cast<int>(std::floor(p.y * scale)));
}

Bitmap rasterize(const DisplayList& list, const Scene& scene) {
  Bitmap b;
  rasterizeInto(list, scene, b);
  return b;
}

void rasterizeInto(const DisplayList& list, const Scene& scene, Bitmap& b) {
  const int width = pixels(scene.size.width, scene.displayScale);
  const int height = pixels(scene.size.height, scene.displayScale);
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  if (stride != width * 4) throw std::runtime_error("cairo: unexpected image stride");
  b.width = width;
  b.height = height;
  b.scale = scene.displayScale;
  b.argb.assign(std::size_t(width) * std::size_t(height), 0);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(b.argb.data()), CAIRO_FORMAT_ARGB32, width, height, stride);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scene.displayScale, scene.displayScale);
  paintBackdrop(cr, scene);
  drawDisplayList(cr, list, scene.draw);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}

}  // namespace ViewToolkit
