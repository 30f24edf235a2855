#include "Platform/ViewToolkit/PangoTextSystem.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>
#include <string>
#include <unordered_map>

#include "Platform/ViewToolkit/Symbols.h"

namespace ViewToolkit {
namespace {

// The system font is Inter; from 20 points on, its display cut, as the platform's font
// switches to its display optical size there.
constexpr double kDisplayCutFrom = 20;
// Rounded design: the nearest packaged rounded face, Quicksand, was compared with Inter by
// rendering big values ("12.4 GB"): its bold is light for a bold and it sets a wide gap after
// the decimal point ("12. 4"), so rounded text uses Inter and keeps the design only as data.
constexpr const char* kRoundedFamily = "Inter";
constexpr const char* kMonospacedFamily = "DejaVu Sans Mono";
constexpr const char* kSerifFamily = "DejaVu Serif";
// Laid-out Pango layouts kept by content. Measured: one frame of the large widget lays out 68,
// the four widgets together 120, and the gallery (every widget in 16 variants) 138 distinct
// ones; 512 keeps every widget's frame and the next one's changed texts.
constexpr std::size_t kCacheCapacity = 512;

const char* family(const ResolvedFont& font, double size) {
  switch (font.design) {
    case Font::Design::rounded:
      return kRoundedFamily;
    case Font::Design::monospaced:
      return kMonospacedFamily;
    case Font::Design::serif:
      return kSerifFamily;
    case Font::Design::standard:
      break;
  }
  return size >= kDisplayCutFrom ? "Inter Display" : "Inter";
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

// A one-line text shows its lines joined: line breaks inside it would otherwise become
// lines of their own.
std::string singleLine(std::string s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\n' || c == '\r' || c == '\v' || c == '\f') {
      out += ' ';
    } else if (c == 0xE2 && i + 2 < s.size() && (unsigned char)s[i + 1] == 0x80 &&
               ((unsigned char)s[i + 2] == 0xA8 || (unsigned char)s[i + 2] == 0xA9)) {
      out += ' ';
      i += 2;
    } else if (c == 0xC2 && i + 1 < s.size() && (unsigned char)s[i + 1] == 0x85) {
      out += ' ';
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

struct LayoutDeleter {
  void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using LayoutRef = std::unique_ptr<PangoLayout, LayoutDeleter>;

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

}  // namespace

struct PangoTextSystem::Impl {
  PangoFontMap* fontMap = nullptr;
  PangoContext* context = nullptr;

  // LRU cache of laid-out layouts by content.
  std::list<std::pair<std::string, LayoutRef>> order;
  std::unordered_map<std::string, std::list<std::pair<std::string, LayoutRef>>::iterator> index;

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
  }
  ~Impl() {
    index.clear();
    order.clear();
    g_object_unref(context);
    g_object_unref(fontMap);
  }

  PangoLayout* cached(const std::string& key) {
    auto it = index.find(key);
    if (it == index.end()) return nullptr;
    order.splice(order.begin(), order, it->second);
    return it->second->second.get();
  }
  PangoLayout* store(std::string key, PangoLayout* layout) {
    if (order.size() >= kCacheCapacity) {
      index.erase(order.back().first);
      order.pop_back();
    }
    order.emplace_front(key, LayoutRef(layout));
    index[std::move(key)] = order.begin();
    return layout;
  }

  static std::string keyFor(const TextParagraph& p, double scale, std::optional<double> width) {
    std::string key;
    appendKey(key, scale);
    appendKey(key, width ? *width : -1.0);
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

  PangoLayout* layoutFor(const TextParagraph& p, double scale, std::optional<double> width) {
    std::string key = keyFor(p, scale, width);
    if (PangoLayout* l = cached(key)) return l;

    PangoLayout* layout = pango_layout_new(context);
    std::string text;
    PangoAttrList* attrs = pango_attr_list_new();
    for (const TextRun& r : p.runs) {
      std::string piece = validUTF8(r.text);
      if (p.lineLimit && *p.lineLimit == 1) piece = singleLine(std::move(piece));
      const guint start = static_cast<guint>(text.size());
      text += piece;
      const guint end = static_cast<guint>(text.size());
      if (start == end) continue;
      PangoFontDescription* desc = describe(r.style.font, r.style.font.size * scale);
      PangoAttribute* a = pango_attr_font_desc_new(desc);
      pango_font_description_free(desc);
      a->start_index = start;
      a->end_index = end;
      pango_attr_list_insert(attrs, a);
      if (r.style.tracking != 0) {
        a = pango_attr_letter_spacing_new(int(std::lround(r.style.tracking * scale * PANGO_SCALE)));
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
    if (!p.runs.empty()) {
      // An empty text still has the height of a line in its font.
      const ResolvedFont& f = p.runs.front().style.font;
      PangoFontDescription* desc = describe(f, f.size * scale);
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
      if (p.lineLimit) {
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        pango_layout_set_height(layout, -std::max(1, *p.lineLimit));
      }
    }
    hideUnknownGlyphs(layout);
    return store(std::move(key), layout);
  }

  PangoLayout* symbolLayout(const SymbolGlyph& s, double glyphSize) {
    std::string key = "\x01symbol";
    appendKey(key, glyphSize);
    key += s.glyph;
    if (PangoLayout* l = cached(key)) return l;
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* desc = describe(kIconFontFamily, glyphSize, Font::Weight::regular);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(layout, s.glyph.data(), static_cast<int>(s.glyph.size()));
    hideUnknownGlyphs(layout);
    return store(std::move(key), layout);
  }
};

PangoTextSystem::PangoTextSystem() : impl_(std::make_unique<Impl>()) {}
PangoTextSystem::~PangoTextSystem() = default;

PangoTextSystem& PangoTextSystem::shared() {
  thread_local PangoTextSystem system;
  return system;
}

TextBox PangoTextSystem::measure(const TextParagraph& paragraph, double fontScale,
                                 std::optional<double> width) const {
  PangoLayout* layout = impl_->layoutFor(paragraph, fontScale, width);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  TextBox box;
  box.size = {double(logical.width) / PANGO_SCALE, double(logical.height) / PANGO_SCALE};
  box.firstBaseline = double(pango_layout_get_baseline(layout) - logical.y) / PANGO_SCALE;
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  int lastBaseline = pango_layout_iter_get_baseline(it);
  while (pango_layout_iter_next_line(it)) lastBaseline = pango_layout_iter_get_baseline(it);
  pango_layout_iter_free(it);
  box.lastBaseline = double(lastBaseline - logical.y) / PANGO_SCALE;
  box.lineCount = pango_layout_get_line_count(layout);
  box.truncated = pango_layout_is_ellipsized(layout);
  return box;
}

namespace {

void showAt(cairo_t* cr, PangoLayout* layout, Point origin) {
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  cairo_save(cr);
  cairo_move_to(cr, origin.x - double(logical.x) / PANGO_SCALE,
                origin.y - double(logical.y) / PANGO_SCALE);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
}

bool sameColor(const std::vector<RGBA>& colors) {
  for (const RGBA& c : colors) {
    if (!(c == colors.front())) return false;
  }
  return true;
}

}  // namespace

void PangoTextSystem::drawText(cairo_t* cr, const TextParagraph& paragraph, double fontScale,
                               std::optional<double> width, Point origin,
                               const std::vector<RGBA>& runColors) const {
  if (runColors.empty() || sameColor(runColors)) {
    RGBA c = runColors.empty() ? RGBA{0, 0, 0, 1} : runColors.front();
    cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
    drawTextWithCurrentSource(cr, paragraph, fontScale, width, origin);
    return;
  }
  // Runs of different colours: colour attributes on a copy of the measured layout, so that the
  // lines stay exactly those that layout measured.
  PangoLayout* base = impl_->layoutFor(paragraph, fontScale, width);
  PangoLayout* layout = pango_layout_copy(base);
  PangoAttrList* attrs = pango_attr_list_copy(pango_layout_get_attributes(base));
  guint start = 0;
  for (std::size_t i = 0; i < paragraph.runs.size() && i < runColors.size(); ++i) {
    std::string piece = validUTF8(paragraph.runs[i].text);
    if (paragraph.lineLimit && *paragraph.lineLimit == 1) piece = singleLine(piece);
    guint end = start + static_cast<guint>(piece.size());
    const RGBA& c = runColors[i];
    auto channel = [](double v) { return guint16(std::lround(std::clamp(v, 0.0, 1.0) * 65535)); };
    PangoAttribute* a =
        pango_attr_foreground_new(channel(c.red), channel(c.green), channel(c.blue));
    a->start_index = start;
    a->end_index = end;
    pango_attr_list_insert(attrs, a);
    a = pango_attr_foreground_alpha_new(std::max<guint16>(1, channel(c.alpha)));
    a->start_index = start;
    a->end_index = end;
    pango_attr_list_insert(attrs, a);
    start = end;
  }
  pango_layout_set_attributes(layout, attrs);
  pango_attr_list_unref(attrs);
  hideUnknownGlyphs(layout);
  showAt(cr, layout, origin);
  g_object_unref(layout);
}

void PangoTextSystem::drawTextWithCurrentSource(cairo_t* cr, const TextParagraph& paragraph,
                                                double fontScale, std::optional<double> width,
                                                Point origin) const {
  showAt(cr, impl_->layoutFor(paragraph, fontScale, width), origin);
}

void PangoTextSystem::drawSymbol(cairo_t* cr, const SymbolGlyph& symbol, double glyphSize,
                                 Rect frame) const {
  PangoLayout* layout = impl_->symbolLayout(symbol, glyphSize);
  PangoRectangle ink, logical;
  pango_layout_get_extents(layout, &ink, &logical);
  // The icon font's em is the symbol's square: centre the em box, not the ink, so that
  // symbols of one size line up with each other.
  const double w = double(logical.width) / PANGO_SCALE, h = double(logical.height) / PANGO_SCALE;
  cairo_save(cr);
  cairo_translate(cr, frame.midX(), frame.midY());
  if (symbol.rotationDegrees != 0) cairo_rotate(cr, symbol.rotationDegrees * M_PI / 180.0);
  cairo_move_to(cr, -w / 2 - double(logical.x) / PANGO_SCALE,
                -h / 2 - double(logical.y) / PANGO_SCALE);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
}

int PangoTextSystem::unknownGlyphCount(const TextParagraph& paragraph) const {
  // A fresh layout: cached ones have had their unknown glyphs hidden.
  PangoLayout* cachedLayout = impl_->layoutFor(paragraph, 1, std::nullopt);
  PangoLayout* layout = pango_layout_new(impl_->context);
  pango_layout_set_attributes(layout, pango_layout_get_attributes(cachedLayout));
  const char* text = pango_layout_get_text(cachedLayout);
  pango_layout_set_text(layout, text, -1);
  int n = pango_layout_get_unknown_glyphs_count(layout);
  g_object_unref(layout);
  return n;
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

std::string PangoTextSystem::symbolFamily(const SymbolGlyph& glyph, double glyphSize) const {
  PangoLayout* layout = impl_->symbolLayout(glyph, glyphSize);
  PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
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
