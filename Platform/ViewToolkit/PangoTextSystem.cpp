#include "Platform/ViewToolkit/PangoTextSystem.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <list>
#include <string>
#include <unordered_map>

#include "Platform/ViewToolkit/Symbols.h"

namespace ViewToolkit {
namespace {

// The system font is Inter; from 20 points on, its display cut, as the platform's font
// switches to its display optical size there.
constexpr double displayCutFrom = 20;
// Rounded design: the nearest packaged rounded face, Quicksand, was compared with Inter by
// rendering big values ("12.4 GB"): its bold is light for a bold and it sets a wide gap after
// the decimal point ("12. 4"), so rounded text uses Inter and keeps the design only as data.
constexpr const char* roundedFamily = "Inter";
constexpr const char* monospacedFamily = "DejaVu Sans Mono";
constexpr const char* serifFamily = "DejaVu Serif";
// Laid-out texts kept by content, by the bytes they hold, so that long texts cannot grow the
// cache. Measured: one frame of the four widgets lays out 120 distinct texts of about 3 KiB each
// (their glyphs, lines and attributes); 2 MiB keeps every widget's frame and the next one's
// changed texts. A text that would take more than an eighth of it is not kept.
constexpr std::size_t cacheBytes = 2 << 20;
constexpr std::size_t largestKept = cacheBytes / 8;
// Every text is laid out with its first run at this size, and every symbol at it, then drawn
// scaled to its own size. Pango asks fontconfig for a sorted font set (a sort of every installed
// font, and two threads for it) and makes a font for each size it meets, and shrink-to-fit and
// the symbol sizes make many; laid out at one size, a process needs one font set per family and
// weight (and per ratio between the sizes of one text's runs). Hinting and the rounding of glyph
// positions are off, so the metrics scale linearly and the glyphs are rasterized at the same
// device size as before: the drawing is the same.
constexpr double layoutSize = 16;

const char* family(const ResolvedFont& font, double size) {
  switch (font.design) {
    case Font::Design::rounded:
      return roundedFamily;
    case Font::Design::monospaced:
      return monospacedFamily;
    case Font::Design::serif:
      return serifFamily;
    case Font::Design::standard:
      break;
  }
  return size >= displayCutFrom ? "Inter Display" : "Inter";
}

// The one place a font description is made: the family, an absolute size in points (at least
// one) and the weight.
PangoFontDescription* describe(const char* familyName, double size, Font::Weight weight) {
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family_static(desc, familyName);
  pango_font_description_set_absolute_size(desc, std::max(1.0, size) * PANGO_SCALE);
  pango_font_description_set_weight(desc, static_cast<PangoWeight>(numericWeight(weight)));
  return desc;
}

PangoFontDescription* describe(const ResolvedFont& font, double size) {
  return describe(family(font, size), size, font.weight);
}

std::string validUTF8(const std::string& s) {
  if (g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr)) return s;
  gchar* fixed = g_utf8_make_valid(s.data(), static_cast<gssize>(s.size()));
  std::string out(fixed);
  g_free(fixed);
  return out;
}

struct LayoutDeleter {
  void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using LayoutRef = std::unique_ptr<PangoLayout, LayoutDeleter>;

// A laid-out text: its layout, whose lines are final, and where each run ends in the layout's
// text, so that runs are coloured when drawn without laying the text out again.
struct PangoShapedText final : ShapedText {
  LayoutRef layout;
  double unitsPerPoint = 1;  // the layout's sizes and positions over the drawn text's, in points
  std::vector<guint> runEnds;
  std::size_t bytes = 0;  // about what it holds, for the cache's budget
};

void appendKey(std::string& key, double v) {
  key.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// Replaces glyphs that no font covers (drawn as hex boxes otherwise) with empty glyphs.
void hideUnknownGlyphs(PangoLayout* layout) {
  if (pango_layout_get_unknown_glyphs_count(layout) == 0) return;
  for (GSList* l = pango_layout_get_lines_readonly(layout); l; l = l->next) {
    auto* line = static_cast<PangoLayoutLine*>(l->data);
    for (GSList* r = line->runs; r; r = r->next) {
      auto* run = static_cast<PangoGlyphItem*>(r->data);
      for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
        PangoGlyphInfo& g = run->glyphs->glyphs[i];
        if (g.glyph & PANGO_GLYPH_UNKNOWN_FLAG) g.glyph = PANGO_GLYPH_EMPTY;
      }
    }
  }
}

// Pango asks fontconfig for a sorted font set per font description and language. Left unset, the
// context's language is the locale's for line heights but derived from each run's script for
// shaping, so every size and weight cost two font sets (two sorts, and two threads for them). Set
// to the locale's language explicitly, both ask with the same one.
void useOneLanguage(PangoContext* context) {
  pango_context_set_language(context, pango_language_get_default());
}

// About the memory a layout holds: its text with a break record per character, its lines, and
// each run's item and glyphs.
std::size_t footprint(PangoLayout* layout) {
  const std::size_t chars = static_cast<std::size_t>(pango_layout_get_character_count(layout));
  std::size_t bytes =
      1024 + std::strlen(pango_layout_get_text(layout)) + chars * sizeof(PangoLogAttr);
  for (GSList* l = pango_layout_get_lines_readonly(layout); l; l = l->next) {
    bytes += sizeof(PangoLayoutLine) + 64;
    for (GSList* r = static_cast<PangoLayoutLine*>(l->data)->runs; r; r = r->next) {
      const auto* run = static_cast<PangoGlyphItem*>(r->data);
      bytes += sizeof(PangoGlyphItem) + sizeof(PangoItem) + 192 +
               std::size_t(run->glyphs->num_glyphs) * (sizeof(PangoGlyphInfo) + sizeof(gint));
    }
  }
  return bytes;
}

// A line break of any kind at text[i]: its length in bytes, else 0.
std::size_t lineBreakAt(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char c = b(0);
  if (c == '\r' && i + 1 < s.size() && b(1) == '\n') return 2;
  if (c == '\n' || c == '\r' || c == '\v' || c == '\f') return 1;
  if (c == 0xC2 && i + 1 < s.size() && b(1) == 0x85) return 2;  // NEL
  if (c == 0xE2 && i + 2 < s.size() && b(1) == 0x80 && (b(2) == 0xA8 || b(2) == 0xA9)) return 3;
  return 0;
}

// The text with its line breaks set as a layout needs them: from byte `joinFrom` on, every break
// becomes a space (one line), and before it every break becomes a line separator, which breaks
// the line without starting a paragraph, so that a line limit counts every line of the text.
std::string setBreaks(std::string_view s, std::size_t joinFrom) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (std::size_t n = lineBreakAt(s, i)) {
      out += i >= joinFrom ? " " : "\u2028";
      i += n;
    } else {
      out += s[i++];
    }
  }
  return out;
}

}  // namespace

struct PangoTextSystem::Impl {
  PangoFontMap* fontMap = nullptr;
  PangoContext* context = nullptr;

  // LRU cache of laid-out texts by content, within cacheBytes.
  using Shaped = std::shared_ptr<const PangoShapedText>;
  struct Entry {
    std::string key;
    Shaped shaped;
    std::size_t bytes;
  };
  std::list<Entry> order;
  std::unordered_map<std::string_view, std::list<Entry>::iterator> index;
  std::size_t cachedBytes = 0;

  Impl() {
    fontMap = pango_cairo_font_map_new();
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap), 72);
    context = pango_font_map_create_context(fontMap);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
    useOneLanguage(context);
    // Lines run left to right, as in the languages the widgets speak, whatever a line begins
    // with; a string of another direction keeps its own order inside its isolate.
    pango_context_set_base_dir(context, PANGO_DIRECTION_LTR);
  }
  ~Impl() {
    index.clear();
    order.clear();
    g_object_unref(context);
    g_object_unref(fontMap);
  }

  Shaped cached(const std::string& key) {
    auto it = index.find(key);
    if (it == index.end()) return nullptr;
    order.splice(order.begin(), order, it->second);
    return it->second->shaped;
  }
  Shaped store(std::string key, Shaped shaped) {
    const std::size_t bytes = key.size() + shaped->bytes + sizeof(Entry) + 64;
    if (bytes > largestKept) return shaped;
    while (!order.empty() && cachedBytes + bytes > cacheBytes) {
      cachedBytes -= order.back().bytes;
      index.erase(order.back().key);
      order.pop_back();
    }
    order.push_front({std::move(key), shaped, bytes});
    index[order.front().key] = order.begin();
    cachedBytes += bytes;
    return shaped;
  }
  std::size_t bytesKept() const { return cachedBytes; }

  static std::string keyFor(const TextParagraph& p, double scale, std::optional<double> width,
                            std::optional<double> height) {
    std::string key;
    appendKey(key, scale);
    appendKey(key, width ? *width : -1.0);
    appendKey(key, height ? *height : -1.0);
    key += char('0' + p.lineLimit.value_or(-1) + 1);
    key += char('0' + int(p.alignment));
    for (const TextRun& r : p.runs) {
      appendKey(key, r.style.font.size);
      appendKey(key, r.style.tracking);
      key += char('a' + int(r.style.font.weight));
      key += char('a' + int(r.style.font.design));
      key += r.style.monospacedDigit ? 'm' : '-';
      key += std::to_string(r.text.size());
      key += ':';
      key += r.text;
    }
    return key;
  }

  // The layout units a point of a paragraph's text is: its first run is laid out at layoutSize.
  static double unitsPerPoint(const TextParagraph& p, double scale) {
    if (p.runs.empty()) return 1;
    const double size = std::max(1.0, p.runs.front().style.font.size * scale);
    return std::isfinite(size) ? layoutSize / size : 1;
  }

  // One layout of the runs' texts (`pieces`, already valid UTF-8 with their breaks set), in
  // units of `units` a point. With a width (in those units), lines wrap at it; with `lines` as
  // well, the text is cut to that many lines per paragraph, the last one ending in an ellipsis.
  std::shared_ptr<PangoShapedText> build(const TextParagraph& p,
                                         const std::vector<std::string>& pieces, double scale,
                                         double units, std::optional<double> width,
                                         std::optional<int> lines) {
    auto shaped = std::make_shared<PangoShapedText>();
    PangoLayout* layout = pango_layout_new(context);
    shaped->layout.reset(layout);
    shaped->unitsPerPoint = units;
    // The family by the size drawn (the display cut from displayCutFrom on), at the laid-out size.
    const auto fontOf = [&](const ResolvedFont& f) {
      const double size = std::max(1.0, f.size * scale);
      return describe(family(f, size), size * units, f.weight);
    };
    std::string text;
    PangoAttrList* attrs = pango_attr_list_new();
    for (std::size_t i = 0; i < p.runs.size(); ++i) {
      const TextRun& r = p.runs[i];
      const guint start = static_cast<guint>(text.size());
      text += pieces[i];
      const guint end = static_cast<guint>(text.size());
      shaped->runEnds.push_back(end);
      if (start == end) continue;
      PangoFontDescription* desc = fontOf(r.style.font);
      PangoAttribute* a = pango_attr_font_desc_new(desc);
      pango_font_description_free(desc);
      a->start_index = start;
      a->end_index = end;
      pango_attr_list_insert(attrs, a);
      if (r.style.tracking != 0) {
        a = pango_attr_letter_spacing_new(
            int(std::lround(r.style.tracking * scale * units * PANGO_SCALE)));
        a->start_index = start;
        a->end_index = end;
        pango_attr_list_insert(attrs, a);
      }
      if (r.style.monospacedDigit) {
        a = pango_attr_font_features_new("tnum");
        a->start_index = start;
        a->end_index = end;
        pango_attr_list_insert(attrs, a);
      }
    }
    // Plain text only: strings are data and never markup.
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    pango_layout_set_auto_dir(layout, FALSE);
    if (!p.runs.empty()) {
      // An empty text still has the height of a line in its font.
      PangoFontDescription* desc = fontOf(p.runs.front().style.font);
      pango_layout_set_font_description(layout, desc);
      pango_font_description_free(desc);
    }
    switch (p.alignment) {
      case TextAlignment::leading:
        pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
        break;
      case TextAlignment::center:
        pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
        break;
      case TextAlignment::trailing:
        pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
        break;
    }
    if (width) {
      pango_layout_set_width(layout, static_cast<int>(std::floor(*width * PANGO_SCALE)));
      pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
      if (lines) {
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        pango_layout_set_height(layout, -std::max(1, *lines));
      }
    }
    return shaped;
  }

  // How many of a layout's lines fit, from the top, in `height` points (at least one).
  static int linesWithin(PangoLayout* layout, double height) {
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double limit = height * PANGO_SCALE + 1;  // a unit of slack for rounding
    int fit = 0;
    PangoLayoutIter* it = pango_layout_get_iter(layout);
    do {
      PangoRectangle line;
      pango_layout_iter_get_line_extents(it, nullptr, &line);
      if (double(line.y + line.height - logical.y) > limit) break;
      ++fit;
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
    return std::max(1, fit);
  }

  Shaped shape(const TextParagraph& p, double scale, std::optional<double> width,
               std::optional<double> height) {
    std::string key = keyFor(p, scale, width, height);
    if (Shaped s = cached(key)) return s;

    const bool oneLine = p.lineLimit && *p.lineLimit <= 1;
    std::vector<std::string> pieces;
    pieces.reserve(p.runs.size());
    for (const TextRun& r : p.runs) {
      std::string piece = validUTF8(r.text);
      pieces.push_back(oneLine ? setBreaks(piece, 0) : std::move(piece));
    }
    const double units = unitsPerPoint(p, scale);
    std::optional<double> layoutWidth;
    if (width) layoutWidth = *width * units;
    std::shared_ptr<PangoShapedText> shaped =
        build(p, pieces, scale, units, layoutWidth, oneLine ? std::optional<int>(1) : std::nullopt);
    if (!oneLine && (p.lineLimit || height)) {
      // Pango limits lines per paragraph and keeps at least one of each, so a text cut to its
      // lines is laid out again as one paragraph: its lines broken where they broke, the rest
      // joined into the last line, which ends in an ellipsis.
      PangoLayout* full = shaped->layout.get();
      int keep = p.lineLimit ? *p.lineLimit : std::numeric_limits<int>::max();
      if (height) keep = std::min(keep, linesWithin(full, *height * units));
      if (pango_layout_get_line_count(full) > keep) {
        const std::size_t joinFrom =
            static_cast<std::size_t>(pango_layout_get_line_readonly(full, keep - 1)->start_index);
        std::optional<double> lineWidth = layoutWidth;
        if (!lineWidth) {
          PangoRectangle logical;
          pango_layout_get_extents(full, nullptr, &logical);
          lineWidth = double(logical.width) / PANGO_SCALE;
        }
        std::size_t at = 0;
        for (std::string& piece : pieces) {
          const std::size_t size = piece.size();
          piece = setBreaks(piece, joinFrom > at ? joinFrom - at : 0);
          at += size;
        }
        shaped = build(p, pieces, scale, units, lineWidth, keep);
      }
    }
    hideUnknownGlyphs(shaped->layout.get());
    shaped->bytes = footprint(shaped->layout.get());
    return store(std::move(key), std::move(shaped));
  }

  // A symbol's glyph at layoutSize, whatever size it is drawn at.
  Shaped symbolLayout(const SymbolGlyph& s) {
    std::string key = "\x01symbol";
    key += s.glyph;
    if (Shaped l = cached(key)) return l;
    auto shaped = std::make_shared<PangoShapedText>();
    PangoLayout* layout = pango_layout_new(context);
    shaped->layout.reset(layout);
    PangoFontDescription* desc = describe(iconFontFamily, layoutSize, Font::Weight::regular);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(layout, s.glyph.data(), static_cast<int>(s.glyph.size()));
    hideUnknownGlyphs(layout);
    shaped->bytes = footprint(layout);
    return store(std::move(key), std::move(shaped));
  }
};

PangoTextSystem::PangoTextSystem() : impl_(std::make_unique<Impl>()) {}
PangoTextSystem::~PangoTextSystem() = default;

PangoTextSystem& PangoTextSystem::shared() {
  thread_local PangoTextSystem system;
  return system;
}

TextBox PangoTextSystem::measure(const TextParagraph& paragraph, double fontScale,
                                 std::optional<double> width, std::optional<double> height) const {
  Impl::Shaped shaped = impl_->shape(paragraph, fontScale, width, height);
  PangoLayout* layout = shaped->layout.get();
  const double unit = PANGO_SCALE * shaped->unitsPerPoint;  // a point in Pango's units
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  TextBox box;
  box.size = {double(logical.width) / unit, double(logical.height) / unit};
  box.firstBaseline = double(pango_layout_get_baseline(layout) - logical.y) / unit;
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  int lastBaseline = pango_layout_iter_get_baseline(it);
  while (pango_layout_iter_next_line(it)) lastBaseline = pango_layout_iter_get_baseline(it);
  pango_layout_iter_free(it);
  box.lastBaseline = double(lastBaseline - logical.y) / unit;
  box.lineCount = pango_layout_get_line_count(layout);
  box.truncated = pango_layout_is_ellipsized(layout);
  box.shaped = std::move(shaped);
  return box;
}

std::size_t PangoTextSystem::cachedBytes() const {
  return impl_->bytesKept();
}

Rect PangoTextSystem::inkBounds(const TextBox& laidOut) const {
  const auto* shaped = dynamic_cast<const PangoShapedText*>(laidOut.shaped.get());
  if (!shaped) return {};
  PangoRectangle ink, logical;
  pango_layout_get_extents(shaped->layout.get(), &ink, &logical);
  const double unit = PANGO_SCALE * shaped->unitsPerPoint;
  return {double(ink.x - logical.x) / unit, double(ink.y - logical.y) / unit,
          double(ink.width) / unit, double(ink.height) / unit};
}

std::optional<double> PangoTextSystem::xOfCharacter(const TextBox& laidOut,
                                                    std::size_t index) const {
  const auto* shaped = dynamic_cast<const PangoShapedText*>(laidOut.shaped.get());
  if (!shaped) return std::nullopt;
  PangoLayout* layout = shaped->layout.get();
  if (index >= std::strlen(pango_layout_get_text(layout))) return std::nullopt;
  PangoRectangle logical, pos;
  pango_layout_get_extents(layout, nullptr, &logical);
  pango_layout_index_to_pos(layout, static_cast<int>(index), &pos);
  // A right-to-left character's box has a negative width: its leading edge is on the right.
  return double(std::min(pos.x, pos.x + pos.width) - logical.x) /
         (PANGO_SCALE * shaped->unitsPerPoint);
}

std::string PangoTextSystem::laidOutText(const TextBox& laidOut) const {
  const auto* shaped = dynamic_cast<const PangoShapedText*>(laidOut.shaped.get());
  return shaped ? pango_layout_get_text(shaped->layout.get()) : "";
}

namespace {

// Moves the origin to `origin` and scales user space from points to the layout's units.
void enterLayoutSpace(cairo_t* cr, Point origin, double unitsPerPoint) {
  cairo_translate(cr, origin.x, origin.y);
  cairo_scale(cr, 1 / unitsPerPoint, 1 / unitsPerPoint);
}

void showAt(cairo_t* cr, const PangoShapedText& shaped, Point origin) {
  PangoLayout* layout = shaped.layout.get();
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  cairo_save(cr);
  enterLayoutSpace(cr, origin, shaped.unitsPerPoint);
  cairo_move_to(cr, -double(logical.x) / PANGO_SCALE, -double(logical.y) / PANGO_SCALE);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
}

bool sameColor(const std::vector<RGBA>& colors) {
  for (const RGBA& c : colors) {
    if (!(c == colors.front())) return false;
  }
  return true;
}

// Runs of different colours: each shaped run of the laid-out lines is drawn on its baseline in
// the colour of the text run it came from (an ellipsis takes the colour of the text it stands
// for), so the lines stay exactly those that layout measured.
void showRuns(cairo_t* cr, const PangoShapedText& shaped, Point origin,
              const std::vector<RGBA>& colors) {
  PangoLayout* layout = shaped.layout.get();
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  const char* text = pango_layout_get_text(layout);
  cairo_save(cr);
  enterLayoutSpace(cr, origin, shaped.unitsPerPoint);
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  do {
    PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
    if (!run) continue;
    std::size_t index = 0;
    while (index + 1 < shaped.runEnds.size() && index + 1 < colors.size() &&
           guint(run->item->offset) >= shaped.runEnds[index])
      ++index;
    const RGBA& c = colors[std::min(index, colors.size() - 1)];
    cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
    PangoRectangle extents;
    pango_layout_iter_get_run_extents(it, nullptr, &extents);
    cairo_move_to(cr, double(extents.x - logical.x) / PANGO_SCALE,
                  double(pango_layout_iter_get_baseline(it) - logical.y) / PANGO_SCALE);
    pango_cairo_show_glyph_item(cr, text, run);
  } while (pango_layout_iter_next_run(it));
  pango_layout_iter_free(it);
  cairo_restore(cr);
}

}  // namespace

void PangoTextSystem::drawText(cairo_t* cr, const TextBox& laidOut, Point origin,
                               const std::vector<RGBA>& runColors) const {
  const auto* shaped = dynamic_cast<const PangoShapedText*>(laidOut.shaped.get());
  if (!shaped) return;
  if (runColors.empty() || sameColor(runColors)) {
    RGBA c = runColors.empty() ? RGBA{0, 0, 0, 1} : runColors.front();
    cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
    showAt(cr, *shaped, origin);
    return;
  }
  showRuns(cr, *shaped, origin, runColors);
}

void PangoTextSystem::drawSymbol(cairo_t* cr, const SymbolGlyph& symbol, double glyphSize,
                                 Rect frame) const {
  Impl::Shaped shaped = impl_->symbolLayout(symbol);
  PangoLayout* layout = shaped->layout.get();
  PangoRectangle ink, logical;
  pango_layout_get_extents(layout, &ink, &logical);
  // The icon font's em is the symbol's square: centre the em box, not the ink, so that
  // symbols of one size line up with each other.
  const double w = double(logical.width) / PANGO_SCALE, h = double(logical.height) / PANGO_SCALE;
  cairo_save(cr);
  cairo_translate(cr, frame.midX(), frame.midY());
  if (symbol.rotationDegrees != 0) cairo_rotate(cr, symbol.rotationDegrees * M_PI / 180.0);
  const double size = std::max(1.0, glyphSize) / layoutSize;
  cairo_scale(cr, size, size);
  cairo_move_to(cr, -w / 2 - double(logical.x) / PANGO_SCALE,
                -h / 2 - double(logical.y) / PANGO_SCALE);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
}

int PangoTextSystem::unknownGlyphCount(const TextParagraph& paragraph) const {
  // A layout of its own: the measured ones have had their unknown glyphs hidden.
  std::vector<std::string> pieces;
  for (const TextRun& r : paragraph.runs) pieces.push_back(validUTF8(r.text));
  auto shaped = impl_->build(paragraph, pieces, 1, 1, std::nullopt, std::nullopt);
  return pango_layout_get_unknown_glyphs_count(shaped->layout.get());
}

std::string PangoTextSystem::familyFor(const ResolvedFont& font) const {
  PangoFontDescription* desc = describe(font, font.size);
  PangoFont* f = pango_font_map_load_font(impl_->fontMap, impl_->context, desc);
  pango_font_description_free(desc);
  if (!f) return {};
  PangoFontDescription* actual = pango_font_describe(f);
  std::string name =
      pango_font_description_get_family(actual) ? pango_font_description_get_family(actual) : "";
  pango_font_description_free(actual);
  g_object_unref(f);
  return name;
}

std::string PangoTextSystem::symbolFamily(const SymbolGlyph& glyph, double) const {
  Impl::Shaped shaped = impl_->symbolLayout(glyph);
  PangoLayoutLine* line = pango_layout_get_line_readonly(shaped->layout.get(), 0);
  if (!line || !line->runs) return {};
  auto* run = static_cast<PangoGlyphItem*>(line->runs->data);
  for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
    if (run->glyphs->glyphs[i].glyph == PANGO_GLYPH_EMPTY) return {};
  }
  PangoFontDescription* d = pango_font_describe(run->item->analysis.font);
  std::string name =
      pango_font_description_get_family(d) ? pango_font_description_get_family(d) : "";
  pango_font_description_free(d);
  return name;
}

}  // namespace ViewToolkit
