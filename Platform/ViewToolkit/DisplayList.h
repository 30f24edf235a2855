// Drawing commands with absolute geometry, produced from a laid-out tree and drawn by the
// renderer. Opacity groups, transforms and accent groups are bracketed begin/end commands; the
// laid-out view's link regions and widget URL ride along for hit testing and for PDF links.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/ViewToolkit/LayoutNode.h"

namespace ViewToolkit {

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

class DisplayList {
 public:
  std::vector<DisplayCommand> commands;
  std::vector<LinkRegion> links;  // in drawing order
  std::optional<std::string> widgetURL;
  Size size;

  // The drawing commands of a laid-out view; its link regions as layout found them.
  static DisplayList build(const LaidOutView& laidOut);
  // The innermost link under `point` (the last drawn among equally deep ones), else the
  // widget URL, else none.
  std::optional<std::string> urlAt(Point point) const;
};

}  // namespace ViewToolkit
