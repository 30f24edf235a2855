#include "Platform/ViewToolkit/Renderer.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Platform/Foundation/Files.h"
#include "Platform/ViewToolkit/PNGEncoder.h"
#include "Platform/ViewToolkit/Render/Painter.h"
#include "Platform/ViewToolkit/Render/ShapePaths.h"

namespace ViewToolkit {
namespace {

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// A scene with a corner radius is a rounded canvas (a widget's outline): nothing is drawn
// outside it.
void clipToCanvas(cairo_t* cr, const Scene& scene) {
  if (!scene.cornerRadius || *scene.cornerRadius <= 0) return;
  const double w = scene.size.width, h = scene.size.height;
  cairo_new_path(cr);
  Render::roundedRectPath(cr, {0, 0, w, h}, *scene.cornerRadius, false);
  cairo_clip(cr);
}

void paintBackdrop(cairo_t* cr, const Scene& scene) {
  clipToCanvas(cr, scene);
  if (!scene.backdrop) return;
  RGBA c = scene.backdrop->resolve(scene.draw.colorScheme);
  cairo_save(cr);
  cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
  cairo_paint(cr);
  cairo_restore(cr);
}

int pixels(double points, double scale) {
  return std::max(1, static_cast<int>(std::ceil(points * scale - 1e-9)));
}

// SOURCE_DATE_EPOCH (decimal seconds, from the environment, so untrusted) as ISO 8601, or "".
std::string reproducibleDate() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  std::int64_t seconds = -1;
  if (!epoch ||
      std::from_chars(epoch, epoch + std::strlen(epoch), seconds).ptr !=
          epoch + std::strlen(epoch) ||
      seconds < 0 || seconds > 253402300799)
    return "";
  std::time_t t = seconds;
  std::tm utc{};
  char text[32];
  gmtime_r(&t, &utc);
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc));
}

}  // namespace

void drawDisplayList(cairo_t* cr, const DisplayList& list, const DrawSettings& settings,
                     const TextSystem& text) {
  cairo_save(cr);
  cairo_set_tolerance(cr, 0.25);
  Render::paint(cr, list, settings, text);
  cairo_restore(cr);
}

void drawScene(cairo_t* cr, const DisplayList& list, const Scene& scene, const TextSystem& text) {
  cairo_save(cr);
  paintBackdrop(cr, scene);
  drawDisplayList(cr, list, scene.draw, text);
  cairo_restore(cr);
}

EnvironmentValues Scene::environment(EnvironmentValues base) const {
  base.colorScheme = draw.colorScheme;
  base.displayScale = displayScale;
  base.widgetRenderingMode = draw.renderingMode;
  return base;
}

LaidOutView layoutView(const View& view, const Scene& scene, const TextMeasurer& text,
                       EnvironmentValues base) {
  return layoutView(view, {0, 0, scene.size.width, scene.size.height},
                    scene.environment(std::move(base)), text);
}

std::string renderDocument(const DisplayList& list, const Scene& scene, DocumentFormat format,
                           const TextSystem& text) {
  std::string out;
  cairo_surface_t* surface = nullptr;
  switch (format) {
    case DocumentFormat::png:
      surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32,
                                           pixels(scene.size.width, scene.displayScale),
                                           pixels(scene.size.height, scene.displayScale));
      break;
    case DocumentFormat::svg:
      surface = cairo_svg_surface_create_for_stream(appendToString, &out, scene.size.width,
                                                    scene.size.height);
      break;
    case DocumentFormat::pdf:
      surface = cairo_pdf_surface_create_for_stream(appendToString, &out, scene.size.width,
                                                    scene.size.height);
      // Cairo stamps the clock's time, so the same drawing would never give the same file. The
      // date is SOURCE_DATE_EPOCH's, as reproducible builds define it, or none (cairo leaves
      // out a date it cannot read).
      cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE,
                                     reproducibleDate().c_str());
      break;
  }
  cairo_t* cr = cairo_create(surface);
  if (format == DocumentFormat::png) cairo_scale(cr, scene.displayScale, scene.displayScale);
  paintBackdrop(cr, scene);
  drawDisplayList(cr, list, scene.draw, text);
  cairo_destroy(cr);
  if (format == DocumentFormat::png && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(surface);
    out = encodePNG(cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
                    cairo_image_surface_get_height(surface),
                    cairo_image_surface_get_stride(surface));
  }
  cairo_surface_finish(surface);
  cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    throw RenderError(std::string("cairo: ") + cairo_status_to_string(status));
  }
  return out;
}

void writeDocument(const DisplayList& list, const Scene& scene, DocumentFormat format,
                   const std::string& path, const TextSystem& text) {
  Foundation::writeAtomically(path, renderDocument(list, scene, format, text));
}

RGBA Bitmap::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0, 0};
  const std::uint32_t p = argb[std::size_t(y) * std::size_t(width) + std::size_t(x)];
  const double a = double((p >> 24) & 0xff) / 255.0;
  if (a == 0) return {0, 0, 0, 0};
  return {double((p >> 16) & 0xff) / 255.0 / a, double((p >> 8) & 0xff) / 255.0 / a,
          double(p & 0xff) / 255.0 / a, a};
}

RGBA Bitmap::at(Point p) const {
  return pixel(static_cast<int>(std::floor(p.x * scale)),
               static_cast<int>(std::floor(p.y * scale)));
}

Bitmap rasterize(const DisplayList& list, const Scene& scene, const TextSystem& text) {
  Bitmap b;
  rasterizeInto(list, scene, text, b);
  return b;
}

void rasterizeInto(const DisplayList& list, const Scene& scene, const TextSystem& text, Bitmap& b) {
  const int width = pixels(scene.size.width, scene.displayScale);
  const int height = pixels(scene.size.height, scene.displayScale);
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  if (stride != width * 4) throw RenderError("cairo: unexpected image stride");
  b.width = width;
  b.height = height;
  b.scale = scene.displayScale;
  b.argb.assign(std::size_t(width) * std::size_t(height), 0);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(b.argb.data()), CAIRO_FORMAT_ARGB32, width, height, stride);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scene.displayScale, scene.displayScale);
  paintBackdrop(cr, scene);
  drawDisplayList(cr, list, scene.draw, text);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}

}  // namespace ViewToolkit