// The laid-out tree: what layout decided for every node of a view, in absolute points rounded
// to device pixels, with the regions its links cover. It is plain data, built once per layout
// and read by the display list, the JSON dump, hit testing and tests:
//
//   LaidOutView laid = layoutView(view, {0, 0, 170, 170}, environment, measurer);
//   const LayoutNode* title = laid.root.findText("Wi-Fi");
//   EXPECT_EQ(title->frame.y, 16);
//   EXPECT_EQ(title->text->runs[0].paint.color, Color::secondary);
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/ViewToolkit/Geometry.h"
#include "Platform/ViewToolkit/Paint.h"
#include "Platform/ViewToolkit/TextMeasurer.h"
#include "Platform/ViewToolkit/View.h"

namespace ViewToolkit {

struct TextContent {
  struct Run {
    std::string text;
    TextRunStyle style;
    Paint paint;
  };
  std::vector<Run> runs;
  TextParagraph paragraph;      // the runs without their paints, as measured
  double fontScale = 1;         // below 1 when the text shrank to fit
  std::optional<double> width;  // the width it was laid out at (absent: natural lines)
  TextBox box;                  // as layout measured it, with the shaped lines drawing shows
  std::string string() const;  // the runs joined, as shown before any ellipsis
};

struct SymbolContent {
  std::string name;            // as the view asked for it
  bool known = false;          // false: drawn with the neutral fallback glyph
  std::string glyph;           // UTF-8 of the icon font character
  double glyphSize = 0;        // em size of the icon font, in points
  double rotationDegrees = 0;  // some symbols are a turned glyph of the icon font
  ResolvedFont font;           // the font that sized it
  Paint paint;
};

struct ShapeContent {
  enum class Mode { fill, stroke, strokeBorder };
  Shape shape = Rectangle();
  Mode mode = Mode::fill;
  Paint paint;
  StrokeStyle stroke;
};

struct LayoutNode {
  std::string_view kind;  // "VStack", "Text", "Circle", "padding", "frame", "Link", ...
  Rect frame;

  std::shared_ptr<const TextContent> text;
  std::optional<SymbolContent> symbol;
  std::optional<ShapeContent> shape;

  std::optional<std::string> url;  // a Link's destination
  std::optional<std::string> widgetURL;
  bool accentable = false;  // starts the accent group
  double opacity = 1;
  std::optional<Angle> rotation;
  UnitPoint rotationAnchor = UnitPoint::center;
  std::optional<Point> offset;

  std::vector<LayoutNode> children;

  // Depth-first, in drawing order.
  const LayoutNode* findText(std::string_view text) const;
  const LayoutNode* findFirst(std::string_view kind) const;
  std::vector<const LayoutNode*> findAll(std::string_view kind) const;
  // The nodes from this one down to `target`, or empty when it is not below this one.
  std::vector<const LayoutNode*> pathTo(const LayoutNode* target) const;
};

// Where a Link can be tapped.
struct LinkRegion {
  Rect rect;  // bounding box of the link's frame as drawn
  std::string url;
  int depth = 0;      // links inside links are deeper
  std::string label;  // the texts inside the link, in reading order, joined by ", "
  friend bool operator==(const LinkRegion&, const LinkRegion&) = default;
};

// The URL a tap at `point` opens: the innermost link under it (the last drawn among equally
// deep ones), else the widget URL, else none.
std::optional<std::string> linkAt(const std::vector<LinkRegion>& links,
                                  const std::optional<std::string>& widgetURL, Point point);

struct LaidOutView {
  LayoutNode root;
  Rect bounds;  // where it was laid out
  double displayScale = 1;
  std::vector<LinkRegion> links;  // every Link, in drawing order

  // The first widget URL of the tree, in tree order.
  std::optional<std::string> widgetURL() const;
  // The URL a tap at `point` opens (linkAt over this view's links and widget URL).
  std::optional<std::string> urlAt(Point point) const;
  // One JSON object a node: kind, frame [x, y, width, height], and what applies of text,
  // font, foreground, fill, symbol, url, widgetURL, accentable, opacity, children.
  std::string json(bool pretty = false) const;
};

// Lays `view` out in `bounds` (it is proposed their size and centred in them), building
// component bodies in `environment`. Text is measured through `measurer`; geometry is rounded
// to pixels of environment.displayScale.
LaidOutView layoutView(const View& view, Rect bounds, const EnvironmentValues& environment,
                       const TextMeasurer& measurer);

}  // namespace ViewToolkit
