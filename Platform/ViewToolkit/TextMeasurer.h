// The interface through which layout measures text, so that the layout pass draws nothing and
// tests can measure with a fake. The Pango text system implements it for real rendering.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/ViewToolkit/Font.h"
#include "Platform/ViewToolkit/Geometry.h"

namespace ViewToolkit {

struct TextRunStyle {
  ResolvedFont font;
  double tracking = 0;
  bool monospacedDigit = false;
  friend bool operator==(const TextRunStyle&, const TextRunStyle&) = default;
};

struct TextRun {
  std::string text;
  TextRunStyle style;
  friend bool operator==(const TextRun&, const TextRun&) = default;
};

// One text as layout measures it: runs on a common baseline, wrapped or limited to lines.
struct TextParagraph {
  std::vector<TextRun> runs;
  std::optional<int> lineLimit;  // absent: as many lines as needed
  TextAlignment alignment = TextAlignment::leading;
  friend bool operator==(const TextParagraph&, const TextParagraph&) = default;
};

// What a text system made of a paragraph when it laid it out: its shaped lines, breaks and
// ellipsis. Layout only carries it; drawing hands it back to the same text system, so that a
// text is drawn exactly as it was measured and never shaped a second time.
class ShapedText {
 public:
  virtual ~ShapedText() = default;
};

struct TextBox {
  Size size;                 // the logical extent of the laid-out lines
  double firstBaseline = 0;  // from the top of the box
  double lastBaseline = 0;
  int lineCount = 0;
  bool truncated = false;  // an ellipsis replaced part of the text
  std::shared_ptr<const ShapedText> shaped;  // absent from measurers that draw nothing
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // Lays `paragraph` out with every font size multiplied by `fontScale`. With a width, lines
  // wrap at it (a one-line text is cut with an ellipsis to fit it); without one, the text keeps
  // its natural line lengths. The line limit counts every line, however the text breaks into
  // them; with a height, only the lines that fit in it are kept, at least one. When lines are
  // left out, the last line kept ends in an ellipsis.
  virtual TextBox measure(const TextParagraph& paragraph, double fontScale,
                          std::optional<double> width, std::optional<double> height) const = 0;
};

}  // namespace ViewToolkit
