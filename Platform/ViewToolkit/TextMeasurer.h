// The interface through which layout measures text, so that the layout pass draws nothing and
// tests can measure with a fake. The Pango text system implements it for real rendering.
#pragma once

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

struct TextBox {
  Size size;                 // the logical extent of the laid-out lines
  double firstBaseline = 0;  // from the top of the box
  double lastBaseline = 0;
  int lineCount = 0;
  bool truncated = false;  // an ellipsis replaced part of the text
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // Lays `paragraph` out with every font size multiplied by `fontScale`. With a width, lines
  // wrap at it (or, under a line limit, are cut with an ellipsis to fit it); without one, the
  // text keeps its natural line lengths.
  virtual TextBox measure(const TextParagraph& paragraph, double fontScale,
                          std::optional<double> width) const = 0;
};

}  // namespace ViewToolkit
