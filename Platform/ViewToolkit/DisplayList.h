// Drawing commands with absolute geometry, produced from a laid-out tree and drawn by the
// renderer. Opacity groups, transforms and accent groups are bracketed begin/end commands; link
// regions and the widget URL ride along for hit testing and for PDF links.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/ViewToolkit/LayoutNode.h"

namespace ViewToolkit {

// Row-major 2D affine transform: x' = a x + c y + tx, y' = b x + d y + ty.
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  Affine then(const Affine& next) const;  // this first, then `next`
  static Affine rotation(Angle angle, Point about);
  bool isIdentity() const { return a == 1 && b == 0 && c == 0 && d == 1 && tx == 0 && ty == 0; }
};

struct ShapeCommand {
  Rect frame;
  ShapeContent shape;
};
struct TextCommand {
  Rect frame;
  std::shared_ptr<const TextContent> text;
};
struct SymbolCommand {
  Rect frame;
  SymbolContent symbol;
};
struct BeginOpacity {
  double opacity;
};
struct EndOpacity {};
struct BeginTransform {
  Affine transform;
};
struct EndTransform {};
struct BeginAccent {};
struct EndAccent {};

using DisplayCommand =
    std::variant<ShapeCommand, TextCommand, SymbolCommand, BeginOpacity, EndOpacity, BeginTransform,
                 EndTransform, BeginAccent, EndAccent>;

struct LinkRegion {
  Rect rect;  // bounding box of the link's frame as drawn
  std::string url;
  int depth = 0;      // links inside links are deeper
  std::string label;  // the texts inside the link, in reading order, joined by ", "
  friend bool operator==(const LinkRegion&, const LinkRegion&) = default;
};

class DisplayList {
 public:
  std::vector<DisplayCommand> commands;
  std::vector<LinkRegion> links;  // in drawing order
  std::optional<std::string> widgetURL;
  Size size;

  static DisplayList build(const LayoutNode& root, Size size);
  // The innermost link under `point` (the last drawn among equally deep ones), else the
  // widget URL, else none.
  std::optional<std::string> urlAt(Point point) const;
};

}  // namespace ViewToolkit
