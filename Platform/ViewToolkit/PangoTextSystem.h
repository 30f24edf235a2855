// Text and symbols measured and drawn with Pango on Cairo.
//
// One PangoContext (on its own font map, at 72 units per inch so that sizes are points) serves
// every measurement and drawing on a thread; shared() gives the calling thread's instance.
// Hinting is off so that a text measures the same at every display scale, and laid-out Pango
// layouts are cached by content, so a text measured during layout is drawn without laying it
// out again. Text is always set as plain text, never as markup; invalid UTF-8 is repaired
// first, and characters no installed font covers draw as nothing rather than as a box.
//
// Not thread-safe: use an instance from one thread only (shared() is per thread).
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/TextMeasurer.h"

typedef struct _cairo cairo_t;

namespace ViewToolkit {

class PangoTextSystem final : public TextMeasurer {
 public:
  PangoTextSystem();
  ~PangoTextSystem() override;
  PangoTextSystem(const PangoTextSystem&) = delete;
  PangoTextSystem& operator=(const PangoTextSystem&) = delete;

  static PangoTextSystem& shared();

  TextBox measure(const TextParagraph& paragraph, double fontScale,
                  std::optional<double> width) const override;

  // Draws `text` with its top-leading corner at `origin`, one colour per run (already
  // resolved for the appearance and rendering mode). Uses the cairo_t's current transform.
  void drawText(cairo_t* cr, const TextContent& text, Point origin,
                const std::vector<RGBA>& runColors) const;
  // Fills the glyph of `text` with whatever source the cairo_t has (for gradient text and
  // masks).
  void drawTextWithCurrentSource(cairo_t* cr, const TextContent& text, Point origin) const;
  // Draws the symbol centred in `frame`, rotated as the table says, with the current source.
  void drawSymbol(cairo_t* cr, const SymbolContent& symbol, Rect frame) const;

  // Characters of `paragraph` that no installed font covers (for checks of fonts and tables).
  int unknownGlyphCount(const TextParagraph& paragraph) const;
  // The family that a design resolves to, as the font map matched it.
  std::string familyFor(const ResolvedFont& font) const;
  // The family of the font that draws a symbol's glyph (the icon font, unless it lacks it).
  std::string symbolFamily(const SymbolContent& symbol) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ViewToolkit
