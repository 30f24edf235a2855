/* The yardstick for a whole `render --widget all`: the least a program can do that makes the
 * same four surfaces (two small, one medium, one large widget at the given scale), draws one
 * Pango text on each with the same font setup, and writes each as a PNG with Cairo's own writer.
 * What the real render costs beyond this is our own doing.
 *
 *   render_floor SCALE DIR
 */
#include <pango/pangocairo.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: render_floor SCALE DIR\n");
    return 2;
  }
  const double scale = atof(argv[1]);
  static const struct {
    const char* name;
    double width, height;
  } widgets[] = {{"wifi", 170, 170}, {"memory", 170, 170}, {"overview", 364, 170},
                 {"health", 364, 382}};
  PangoFontMap* fontMap = pango_cairo_font_map_new();
  pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap), 72);
  PangoContext* context = pango_font_map_create_context(fontMap);
  PangoFontDescription* font = pango_font_description_from_string("Inter 13");
  for (size_t i = 0; i < sizeof widgets / sizeof widgets[0]; ++i) {
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, (int)(widgets[i].width * scale), (int)(widgets[i].height * scale));
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    cairo_set_source_rgb(cr, 0.1, 0.2, 0.4);
    cairo_paint(cr);
    pango_cairo_update_context(cr, context);
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, widgets[i].name, -1);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, 16, 16);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    cairo_destroy(cr);
    char path[4096];
    snprintf(path, sizeof path, "%s/%s.png", argv[2], widgets[i].name);
    if (cairo_surface_write_to_png(surface, path) != CAIRO_STATUS_SUCCESS) return 1;
    cairo_surface_destroy(surface);
  }
  pango_font_description_free(font);
  g_object_unref(context);
  g_object_unref(fontMap);
  return 0;
}
