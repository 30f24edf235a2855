// A bare GTK 4 program: four undecorated windows, each with a drawing area painted by Cairo (the floor
// of the live host's start-up time and of its resident memory);
// prints "drawn" once all four have drawn, the way the host reports it.
#include <gtk/gtk.h>
#include <stdio.h>
static int drawn = 0;
static void draw(GtkDrawingArea* a, cairo_t* cr, int w, int h, gpointer d) {
  cairo_set_source_rgb(cr, 0.9, 0.9, 0.9); cairo_paint(cr);
  if (++drawn == 4) { fprintf(stderr, "all drawn\n"); fflush(stderr); }
}
static void activate(GtkApplication* app, gpointer d) {
  for (int i = 0; i < 4; i++) {
    GtkWidget* w = gtk_application_window_new(app);
    gtk_window_set_decorated(GTK_WINDOW(w), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(w), 170, 170);
    GtkWidget* a = gtk_drawing_area_new();
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(a), draw, NULL, NULL);
    gtk_window_set_child(GTK_WINDOW(w), a);
    gtk_window_present(GTK_WINDOW(w));
  }
}
int main(int argc, char** argv) {
  GtkApplication* app = gtk_application_new("org.example.floor", G_APPLICATION_NON_UNIQUE);
  g_signal_connect(app, "activate", G_CALLBACK(activate), NULL);
  return g_application_run(G_APPLICATION(app), argc, argv);
}
