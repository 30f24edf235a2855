#include "Platform/WidgetHost/Desktop/GTK/X11Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <gdk/x11/gdkx.h>

#include <cmath>
#include <vector>

namespace WidgetHost::X11Desktop {
namespace {

GdkSurface* x11Surface(GtkWindow* window) {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
  return surface && GDK_IS_X11_SURFACE(surface) ? surface : nullptr;
}

Atom atom(GdkDisplay* display, const char* name) {
  return gdk_x11_get_xatom_by_name_for_display(display, name);
}

}  // namespace

unsigned long xid(GtkWindow* window) {
  GdkSurface* surface = x11Surface(window);
  return surface ? gdk_x11_surface_get_xid(surface) : 0;
}

void typeAsWidget(GtkWindow* window) {
  GdkSurface* surface = x11Surface(window);
  if (!surface) return;
  GdkDisplay* display = gdk_surface_get_display(surface);
  // Format-32 property data is an array of long, whatever the size of the values.
  long type = long(atom(display, "_NET_WM_WINDOW_TYPE_UTILITY"));
  XChangeProperty(gdk_x11_display_get_xdisplay(display), gdk_x11_surface_get_xid(surface),
                  atom(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&type), 1);
  gdk_x11_surface_set_skip_taskbar_hint(surface, TRUE);
  gdk_x11_surface_set_skip_pager_hint(surface, TRUE);
}

void keepOnDesktop(GtkWindow* window) {
  GdkSurface* surface = x11Surface(window);
  if (!surface) return;
  GdkDisplay* display = gdk_surface_get_display(surface);
  Display* xdisplay = gdk_x11_display_get_xdisplay(display);
  // GDK rewrites _NET_WM_STATE when it maps the window, so the state is asked of the window
  // manager once mapped, as a message to the root window.
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = gdk_x11_surface_get_xid(surface);
  message.xclient.message_type = atom(display, "_NET_WM_STATE");
  message.xclient.format = 32;
  message.xclient.data.l[0] = 1;  // add
  message.xclient.data.l[1] = long(atom(display, "_NET_WM_STATE_BELOW"));
  message.xclient.data.l[2] = long(atom(display, "_NET_WM_STATE_STICKY"));
  message.xclient.data.l[3] = 1;  // from an application
  XSendEvent(xdisplay, DefaultRootWindow(xdisplay), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &message);
  // Sticky means "does not scroll with the viewport" to some managers; all workspaces is this.
  gdk_x11_surface_move_to_desktop(surface, 0xFFFFFFFF);
  XFlush(xdisplay);
}

void roundCorners(GtkWindow* window, int width, int height, double radius) {
  GdkSurface* surface = x11Surface(window);
  if (!surface || width <= 0 || height <= 0) return;
  Display* xdisplay = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
  int event = 0, error = 0;
  if (!XShapeQueryExtension(xdisplay, &event, &error)) return;
  const int r = std::min<int>(std::lround(radius), std::min(width, height) / 2);
  // One rectangle per row of the rounded ends, one for the straight middle.
  std::vector<XRectangle> rows;
  for (int y = 0; y < r; ++y) {
    double dy = r - y - 0.5;
    int inset = int(std::lround(r - std::sqrt(std::max(0.0, double(r) * r - dy * dy))));
    auto w = static_cast<unsigned short>(width - 2 * inset);
    rows.push_back({short(inset), short(y), w, 1});
    rows.push_back({short(inset), short(height - 1 - y), w, 1});
  }
  rows.push_back({0, short(r), static_cast<unsigned short>(width),
                  static_cast<unsigned short>(height - 2 * r)});
  XShapeCombineRectangles(xdisplay, gdk_x11_surface_get_xid(surface), ShapeBounding, 0, 0,
                          rows.data(), int(rows.size()), ShapeSet, Unsorted);
  XFlush(xdisplay);
}

void move(GtkWindow* window, ScreenPoint position) {
  GdkSurface* surface = x11Surface(window);
  if (!surface) return;
  Display* xdisplay = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
  XMoveWindow(xdisplay, gdk_x11_surface_get_xid(surface), position.x, position.y);
  XFlush(xdisplay);
}

std::optional<ScreenPoint> position(GtkWindow* window) {
  GdkSurface* surface = x11Surface(window);
  if (!surface) return std::nullopt;
  Display* xdisplay = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
  int x = 0, y = 0;
  Window child = 0;
  if (!XTranslateCoordinates(xdisplay, gdk_x11_surface_get_xid(surface),
                             DefaultRootWindow(xdisplay), 0, 0, &x, &y, &child))
    return std::nullopt;
  return ScreenPoint{x, y};
}

std::vector<Monitor> monitors(GdkDisplay* display) {
  std::vector<Monitor> list;
  if (!GDK_IS_X11_DISPLAY(display)) return list;
  GdkMonitor* primary = gdk_x11_display_get_primary_monitor(display);
  GListModel* all = gdk_display_get_monitors(display);
  for (guint i = 0; i < g_list_model_get_n_items(all); ++i) {
    auto* monitor = GDK_MONITOR(g_list_model_get_item(all, i));
    int scale = gdk_monitor_get_scale_factor(monitor);
    GdkRectangle g, w;
    gdk_monitor_get_geometry(monitor, &g);
    gdk_x11_monitor_get_workarea(monitor, &w);
    const char* connector = gdk_monitor_get_connector(monitor);
    Monitor m{connector && *connector ? connector : "monitor-" + std::to_string(i),
              {g.x * scale, g.y * scale, g.width * scale, g.height * scale},
              {w.x * scale, w.y * scale, w.width * scale, w.height * scale}};
    if (monitor == primary)
      list.insert(list.begin(), std::move(m));
    else
      list.push_back(std::move(m));
    g_object_unref(monitor);
  }
  return list;
}

void onConfigure(GdkDisplay* display, void (*moved)(unsigned long, void*), void* data) {
  if (!GDK_IS_X11_DISPLAY(display)) return;
  struct Listener {
    void (*moved)(unsigned long, void*);
    void* data;
  };
  auto* listener = new Listener{moved, data};
  g_signal_connect_data(
      display, "xevent",
      G_CALLBACK(+[](GdkDisplay*, const XEvent* event, gpointer data) -> gboolean {
        if (event->type == ConfigureNotify) {
          auto* l = static_cast<Listener*>(data);
          l->moved(event->xconfigure.window, l->data);
        }
        return FALSE;  // GDK still handles the event
      }),
      listener, [](gpointer data, GClosure*) { delete static_cast<Listener*>(data); },
      GConnectFlags(0));
}

}  // namespace WidgetHost::X11Desktop
