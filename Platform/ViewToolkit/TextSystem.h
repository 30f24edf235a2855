// The one system through which texts and symbols are measured and drawn. Layout measures with it
// (as a TextMeasurer) and drawing draws with the same object, so that a text is drawn with
// exactly the lines, ellipsis and shrink that layout measured (the laid-out text carries this
// system's shaped result); whoever lays out and draws hands it to both. The Pango text system
// implements it; layout tests measure with a fake.
#pragma once

#include <optional>
#include <vector>

#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/Symbols.h"
#include "Platform/ViewToolkit/TextMeasurer.h"

typedef struct _cairo cairo_t;

namespace ViewToolkit {

class TextSystem : public TextMeasurer {
 public:
  // Draws a text exactly as this system's measure() laid it out (`laidOut` must be its answer),
  // with its top-leading corner at `origin`, one colour per run (resolved for the appearance and
  // rendering mode already). Uses the cairo_t's current transform. A box that another measurer
  // made draws nothing.
  virtual void drawText(cairo_t* cr, const TextBox& laidOut, Point origin,
                        const std::vector<RGBA>& runColors) const = 0;
  // Draws a symbol's glyph, `glyphSize` points to the em, centred in `frame` and turned as the
  // symbol table says, with the current source.
  virtual void drawSymbol(cairo_t* cr, const SymbolGlyph& glyph, double glyphSize,
                          Rect frame) const = 0;
};

}  // namespace ViewToolkit
