// A text measurer with arithmetic metrics, so layout tests can compute frames by hand: every
// character (byte) is 0.5 em wide plus tracking, a line is 1.25 em tall with its baseline at
// 1 em, and wrapping breaks between characters.
#pragma once

#include <algorithm>
#include <cmath>

#include "Platform/ViewToolkit/TextMeasurer.h"

namespace ViewToolkitTesting {

class FakeTextMeasurer : public ViewToolkit::TextMeasurer {
 public:
  ViewToolkit::TextBox measure(const ViewToolkit::TextParagraph& p, double scale,
                               std::optional<double> width,
                               std::optional<double> height) const override {
    double natural = 0, size = 0;
    int chars = 0;
    for (const auto& r : p.runs) {
      const double em = r.style.font.size * scale;
      natural += double(r.text.size()) * (em * 0.5 + r.style.tracking * scale);
      size = std::max(size, em);
      chars += int(r.text.size());
    }
    if (p.runs.empty()) size = 13 * scale;
    const double charWidth = chars ? natural / chars : 0;
    ViewToolkit::TextBox box;
    box.lineCount = 1;
    double w = natural;
    if (width && natural > *width + 1e-9) {
      if (p.lineLimit && *p.lineLimit == 1) {
        box.truncated = true;
        w = std::max(*width, charWidth);  // at least the ellipsis
      } else {
        const int perLine = std::max(1, int(std::floor(*width / charWidth + 1e-9)));
        int lines = (chars + perLine - 1) / perLine;
        int limit = p.lineLimit.value_or(lines);
        if (height) limit = std::min(limit, std::max(1, int(std::floor(*height / (size * 1.25)))));
        if (lines > limit) {
          lines = limit;
          box.truncated = true;
        }
        box.lineCount = lines;
        w = std::min(natural, perLine * charWidth);
      }
    }
    box.size = {w, box.lineCount * size * 1.25};
    box.firstBaseline = size;
    box.lastBaseline = size * 1.25 * (box.lineCount - 1) + size;
    return box;
  }
};

}  // namespace ViewToolkitTesting
