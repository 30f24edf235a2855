// One entry of one widget, laid out and drawn as the host shows it: the family's size, the
// container background filling the whole widget under its rounded corners, the content inside the
// family's margins unless the widget disabled them.
//
// Full-colour rendering draws the container background; accented rendering replaces it with the
// host's own neutral backdrop and draws the content in the accent group's colour and white.
// Coordinates everywhere (tree, taps) are points from the widget's top-left corner.
#pragma once

#include <optional>
#include <string>

#include "Platform/ViewToolkit/DisplayList.h"
#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "Platform/WidgetHost/Widget.h"

namespace WidgetHost {

struct Appearance {
  ViewToolkit::ColorScheme colorScheme = ViewToolkit::ColorScheme::light;
  double displayScale = 2;
  ViewToolkit::WidgetRenderingMode renderingMode = ViewToolkit::WidgetRenderingMode::fullColor;
};

struct RenderedWidget {
  WidgetFamily family;
  FamilyMetrics metrics;
  ViewToolkit::EdgeInsets margins;
  ViewToolkit::Scene scene;
  ViewToolkit::LaidOutView laidOut;
  ViewToolkit::DisplayList displayList;  // of laidOut, built once for drawing and documents
  const ViewToolkit::TextSystem* text;   // the text system that measured it, and draws it

  // None outside the widget's bounds: a tap there belongs to no widget.
  std::optional<std::string> urlAt(ViewToolkit::Point point) const {
    if (!(point.x >= 0 && point.y >= 0 && point.x < metrics.size.width &&
          point.y < metrics.size.height))
      return std::nullopt;
    return laidOut.urlAt(point);
  }
  // {"kind","family","frame","margins","cornerRadius","tree"}: the widget and its laid-out tree.
  std::string json(const WidgetDescription& widget) const;
  std::string document(ViewToolkit::DocumentFormat format) const;
  // Replaces `path` with the document atomically; throws std::system_error on failure.
  void writeDocument(ViewToolkit::DocumentFormat format, const std::string& path) const;
  // Draws the widget on a cairo_t whose user space is in points (a window's surface).
  void draw(cairo_t* cr) const;
  ViewToolkit::Bitmap rasterize() const;
};

// Lays out `entry` of `widget` in `family` (the widget's first supported family when none),
// measuring its texts with `text`, which must outlive the result.
RenderedWidget renderWidget(const WidgetDescription& widget, const HostEntry& entry,
                            const Appearance& appearance, const ViewToolkit::TextSystem& text,
                            std::optional<WidgetFamily> family = std::nullopt);

}  // namespace WidgetHost
