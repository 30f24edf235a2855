// Drawing a display list with Cairo, and the convenience of rendering a view to PNG, SVG, PDF
// or a bitmap in one call.
//
// drawDisplayList draws on any cairo_t whose user space is in points (so a window can use it
// as well as the file surfaces). Named colours are resolved for the appearance there, and in
// accented rendering the accent group is drawn in the accent colour and everything else in
// white, each at its own alpha (colour is ignored, as for template images). On PDF surfaces
// link regions become real links.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Platform/ViewToolkit/DisplayList.h"
#include "Platform/ViewToolkit/Environment.h"

typedef struct _cairo cairo_t;

namespace ViewToolkit {

struct DrawSettings {
  ColorScheme colorScheme = ColorScheme::light;
  WidgetRenderingMode renderingMode = WidgetRenderingMode::fullColor;
  Color accentColor = Color::blue;
};

void drawDisplayList(cairo_t* cr, const DisplayList& list, const DrawSettings& settings = {});

// A canvas to lay a view out on and draw it to.
struct Scene {
  Size size;
  double displayScale = 2;
  DrawSettings draw;
  // Painted under everything and never tinted, like the container's own background in
  // accented rendering; absent: transparent.
  std::optional<Color> backdrop = std::nullopt;
  // When set, the canvas is a rectangle with corners of this radius and nothing is drawn outside
  // it (a widget's outline).
  std::optional<double> cornerRadius = std::nullopt;

  // `base` with this scene's appearance, display scale and rendering mode.
  EnvironmentValues environment(EnvironmentValues base = {}) const;
};

// Draws a scene's canvas on `cr` (user space in points): its rounded outline as a clip, its
// backdrop, then the display list. What the file surfaces do, for a window's surface.
void drawScene(cairo_t* cr, const DisplayList& list, const Scene& scene);

// Lays `view` out over the whole scene, measuring text with the calling thread's Pango text
// system.
LaidOutView layoutView(const View& view, const Scene& scene, EnvironmentValues base = {});

enum class DocumentFormat { png, svg, pdf };

// The encoded document. PNG is at the scene's display scale; SVG and PDF are in points.
std::string renderDocument(const DisplayList& list, const Scene& scene, DocumentFormat format);
// Writes the document to `path`; throws std::system_error naming the path on failure.
void writeDocument(const DisplayList& list, const Scene& scene, DocumentFormat format,
                   const std::string& path);

// Pixels at the scene's display scale, unpremultiplied, for probing rendered output.
struct Bitmap {
  int width = 0;
  int height = 0;
  double scale = 1;
  std::vector<std::uint32_t> argb;  // premultiplied, as Cairo stores it

  RGBA pixel(int x, int y) const;
  // The pixel under a point given in points.
  RGBA at(Point p) const;
};
Bitmap rasterize(const DisplayList& list, const Scene& scene);
// The same into an existing bitmap, reusing its pixels when the size matches (for redraws).
void rasterizeInto(const DisplayList& list, const Scene& scene, Bitmap& into);

}  // namespace ViewToolkit
