// Text and symbols measured and drawn with Pango on Cairo.
//
// One PangoContext (on its own font map, at 72 units per inch so that sizes are points) serves
// every measurement and drawing on a thread; shared() gives the calling thread's instance.
// Hinting is off so that a text measures the same at every display scale. A measured text carries
// its Pango layout, which drawing shows as it is, so a text is never laid out a second time;
// laid-out texts are also kept by content, within a budget of bytes, for the next layout of the
// same text. Text is always set as plain text, never as markup; invalid UTF-8 is repaired first,
// and characters no installed font covers draw as nothing rather than as a box.
//
// Not thread-safe: use an instance from one thread only (shared() is per thread).
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <string>

#include "Platform/ViewToolkit/TextSystem.h"

namespace ViewToolkit {

class PangoTextSystem final : public TextSystem {
 public:
  PangoTextSystem();
  ~PangoTextSystem() override;
  PangoTextSystem(const PangoTextSystem&) = delete;
  PangoTextSystem& operator=(const PangoTextSystem&) = delete;

  static PangoTextSystem& shared();

  TextBox measure(const TextParagraph& paragraph, double fontScale, std::optional<double> width,
                  std::optional<double> height) const override;

  void drawText(cairo_t* cr, const TextBox& laidOut, Point origin,
                const std::vector<RGBA>& runColors) const override;
  void drawSymbol(cairo_t* cr, const SymbolGlyph& glyph, double glyphSize,
                  Rect frame) const override;

  // Where the laid-out text's glyphs put ink, from its top-leading corner; and the x at which
  // the character that starts at byte `index` of its text (the runs joined, line breaks as they
  // were laid out) is drawn. For checks of what drawing shows; empty and absent for a box that
  // another measurer made.
  Rect inkBounds(const TextBox& laidOut) const;
  std::optional<double> xOfCharacter(const TextBox& laidOut, std::size_t index) const;
  // The text as it was laid out: the runs joined, their line breaks as layout set them.
  std::string laidOutText(const TextBox& laidOut) const;
  // The bytes its cache of laid-out texts holds (bounded, whatever the texts).
  std::size_t cachedBytes() const;
  // Characters of `paragraph` that no installed font covers (for checks of fonts and tables).
  int unknownGlyphCount(const TextParagraph& paragraph) const;
  // The family that a design resolves to, as the font map matched it.
  std::string familyFor(const ResolvedFont& font) const;
  // The family of the font that draws a symbol's glyph (the icon font, unless it lacks it).
  std::string symbolFamily(const SymbolGlyph& glyph, double glyphSize) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ViewToolkit
