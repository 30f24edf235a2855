// Drawing a display list with Cairo, and rendering it to PNG, SVG, PDF or a bitmap in one call.
//
// Every drawing takes the text system that measured the display list's texts: it draws them
// with the lines, ellipses and shrink that layout measured. drawDisplayList draws on any cairo_t
// whose user space is in points (so a window can use it as well as the file surfaces). Named
// colours are resolved for the appearance there, and in accented rendering the accent group is
// drawn in the accent colour and everything else in white, each at its own alpha (colour is
// ignored, as for template images). On PDF surfaces link regions become real links.
//
// Failures of Cairo or of a write throw RenderError or std::system_error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Platform/ViewToolkit/DisplayList.h"
#include "Platform/ViewToolkit/RenderError.h"
#include "Platform/ViewToolkit/Scene.h"
#include "Platform/ViewToolkit/TextSystem.h"

namespace ViewToolkit {

void drawDisplayList(cairo_t* cr, const DisplayList& list, const DrawSettings& settings,
                     const TextSystem& text);

// Draws a scene's canvas on `cr` (user space in points): its rounded outline as a clip, its
// backdrop, then the display list. What the file surfaces do, for a window's surface.
void drawScene(cairo_t* cr, const DisplayList& list, const Scene& scene, const TextSystem& text);

enum class DocumentFormat { png, svg, pdf };

// The encoded document. PNG is at the scene's display scale; SVG and PDF are in points.
std::string renderDocument(const DisplayList& list, const Scene& scene, DocumentFormat format,
                           const TextSystem& text);
// Renders the document and replaces `path` with it atomically: a failed write leaves the
// previous file as it was. Throws std::system_error naming the path on failure.
void writeDocument(const DisplayList& list, const Scene& scene, DocumentFormat format,
                   const std::string& path, const TextSystem& text);

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
Bitmap rasterize(const DisplayList& list, const Scene& scene, const TextSystem& text);
// The same into an existing bitmap, reusing its pixels when the size matches (for redraws).
void rasterizeInto(const DisplayList& list, const Scene& scene, const TextSystem& text,
                   Bitmap& into);

}  // namespace ViewToolkit
