// The live desktop in GTK 4 (see DesktopHost.h for what it does).
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>

#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/WidgetHost/CommandLine.h"
#include "Platform/WidgetHost/Desktop/DesktopModule.h"
#include "Platform/WidgetHost/WidgetRendering.h"

namespace WidgetHost {
namespace {

struct LiveWidget {
  const WidgetDescription* widget = nullptr;
  GtkWidget* fixed = nullptr;  // the drawing, and over it one accessible object a link region
  GtkWidget* area = nullptr;
  GtkWindow* window = nullptr;
  HostTimeline timeline;
  std::optional<RenderedWidget> rendered;
  std::vector<GtkWidget*> linkViews;
  std::vector<ViewToolkit::LinkRegion> links;
  guint timer = 0;
  bool verbose = false;
};

struct DesktopState {
  std::string title;
  std::vector<WidgetDescription> widgets;
  std::vector<std::unique_ptr<LiveWidget>> live;
  std::optional<std::filesystem::path> watched;
  GFileMonitor* monitor = nullptr;
  guint debounce = 0;
  GDBusConnection* systemBus = nullptr;
  guint sleepSubscription = 0;
  GMainLoop* loop = nullptr;
  int windowsOpen = 0;
  bool verbose = false;
};

void reloadTimeline(LiveWidget& w);

void reloadAll(DesktopState& state, const char* why) {
  if (state.verbose) std::cerr << "kestrun-widgets host: new timelines (" << why << ")\n";
  for (auto& w : state.live) reloadTimeline(*w);
}

// logind announces sleep with PrepareForSleep(true) and the wake-up with PrepareForSleep(false).
// Timers run on the monotonic clock, which stands still while the machine sleeps, so every entry
// is rescheduled from the wall clock on wake-up. Any sender is believed: the worst a forged
// signal does is one more timeline.
void sleepChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                  GVariant* parameters, gpointer data) {
  gboolean sleeping = TRUE;
  if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) g_variant_get(parameters, "(b)", &sleeping);
  if (!sleeping) reloadAll(*static_cast<DesktopState*>(data), "resumed from sleep");
}

void watchSleep(DesktopState& state) {
  g_bus_get(G_BUS_TYPE_SYSTEM, nullptr, [](GObject*, GAsyncResult* result, gpointer data) {
    auto& state = *static_cast<DesktopState*>(data);
    GError* error = nullptr;
    state.systemBus = g_bus_get_finish(result, &error);
    if (!state.systemBus) {
      // No system bus (a container, a minimal session): the host still runs, without wake-ups.
      if (state.verbose) std::cerr << "kestrun-widgets host: not told of sleep: " << error->message << '\n';
      g_error_free(error);
      return;
    }
    state.sleepSubscription = g_dbus_connection_signal_subscribe(
        state.systemBus, nullptr, "org.freedesktop.login1.Manager", "PrepareForSleep",
        "/org/freedesktop/login1", nullptr, G_DBUS_SIGNAL_FLAGS_NONE, sleepChanged, &state, nullptr);
    if (state.verbose) std::cerr << "kestrun-widgets host: watching for sleep\n";
  }, &state);
}

bool prefersDark() {
  gboolean dark = FALSE;
  g_object_get(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", &dark, nullptr);
  return dark;
}

void schedule(LiveWidget& w);

const RenderedWidget& rendered(LiveWidget& w);

// Texts from the snapshot file go to a terminal only without their control characters.
std::string printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

// Assistive technology sees each link region as a link named by its texts and described by its
// destination. The objects draw nothing and take no pointer events: clicks reach the drawing.
void exposeLinks(LiveWidget& w) {
  // The widget as a whole: its name, and where a tap outside every region goes.
  const RenderedWidget& r = rendered(w);
  const std::string widgetURL = r.displayList.widgetURL.value_or("");
  gtk_accessible_update_property(GTK_ACCESSIBLE(w.area), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                 widgetURL.c_str(), -1);
  if (r.displayList.links == w.links) return;
  for (GtkWidget* v : w.linkViews) gtk_fixed_remove(GTK_FIXED(w.fixed), v);
  w.linkViews.clear();
  for (const auto& link : r.displayList.links) {
    GtkWidget* v = GTK_WIDGET(g_object_new(GTK_TYPE_BOX, "accessible-role", GTK_ACCESSIBLE_ROLE_LINK, nullptr));
    const std::string label = link.label.empty() ? link.url : link.label;
    gtk_accessible_update_property(GTK_ACCESSIBLE(v), GTK_ACCESSIBLE_PROPERTY_LABEL, label.c_str(),
                                   GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, link.url.c_str(), -1);
    gtk_widget_set_can_target(v, FALSE);
    gtk_widget_set_size_request(v, std::max(1, int(link.rect.width)), std::max(1, int(link.rect.height)));
    gtk_fixed_put(GTK_FIXED(w.fixed), v, link.rect.x, link.rect.y);
    w.linkViews.push_back(v);
  }
  w.links = r.displayList.links;
  if (w.verbose) {
    std::cerr << "kestrun-widgets host: " << w.widget->displayName << " exposes " << w.links.size()
              << (w.links.size() == 1 ? " link" : " links");
    for (const auto& link : w.links)
      std::cerr << "; \"" << printable(link.label) << "\" -> " << printable(link.url);
    std::cerr << '\n';
  }
}

void refresh(LiveWidget& w) {
  w.rendered.reset();
  exposeLinks(w);
  gtk_widget_queue_draw(w.area);
  schedule(w);
}

void reloadTimeline(LiveWidget& w) {
  w.timeline = w.widget->timeline({});
  refresh(w);
}

// Wakes at the next entry's date, or once the last has passed for a new timeline.
void schedule(LiveWidget& w) {
  if (w.timer) g_source_remove(w.timer);
  w.timer = 0;
  Foundation::Date now = Foundation::Clock::now();
  std::optional<Foundation::Date> next;
  for (const auto& e : w.timeline.entries)
    if (e.date > now) {
      next = e.date;
      break;
    }
  bool reload = !next && w.timeline.policy.kind == TimelineReloadPolicy::Kind::atEnd;
  if (!next && !reload) return;
  double wait = next ? next->timeIntervalSince(now) : 1;
  guint ms = static_cast<guint>(std::clamp(std::ceil(wait * 1000), 1.0, 3.6e6));
  w.timer = g_timeout_add(ms, [](gpointer data) -> gboolean {
    auto* w = static_cast<LiveWidget*>(data);
    w->timer = 0;
    Foundation::Date now = Foundation::Clock::now();
    bool pastLast = w->timeline.entries.empty() || w->timeline.entries.back().date <= now;
    if (pastLast && w->timeline.policy.kind == TimelineReloadPolicy::Kind::atEnd)
      reloadTimeline(*w);
    else
      refresh(*w);
    return G_SOURCE_REMOVE;
  }, &w);
}

const RenderedWidget& rendered(LiveWidget& w) {
  Appearance appearance;
  appearance.colorScheme = prefersDark() ? ViewToolkit::ColorScheme::dark : ViewToolkit::ColorScheme::light;
  appearance.displayScale = std::max(1, gtk_widget_get_scale_factor(w.area));
  if (!w.rendered || w.rendered->scene.draw.colorScheme != appearance.colorScheme ||
      w.rendered->scene.displayScale != appearance.displayScale) {
    const HostEntry* entry = currentEntry(w.timeline, Foundation::Clock::now());
    HostEntry fallback = w.widget->placeholder({});
    w.rendered = renderWidget(*w.widget, entry ? *entry : fallback, appearance,
                              ViewToolkit::PangoTextSystem::shared());
  }
  return *w.rendered;
}

void draw(GtkDrawingArea*, cairo_t* cr, int, int, gpointer data) {
  auto& w = *static_cast<LiveWidget*>(data);
  const RenderedWidget& r = rendered(w);
  r.draw(cr);
}

void open(LiveWidget& w, const std::string& url) {
  GError* error = nullptr;
  GdkAppLaunchContext* context = gdk_display_get_app_launch_context(gtk_widget_get_display(w.area));
  if (!g_app_info_launch_default_for_uri(url.c_str(), G_APP_LAUNCH_CONTEXT(context), &error)) {
    std::string message = "Nothing opens " + url + (error ? ": " + std::string(error->message) : "");
    std::cerr << "kestrun-widgets host: " << message << '\n';
    gtk_window_set_title(w.window, message.c_str());
    if (error) g_error_free(error);
  }
  g_object_unref(context);
}

void pressed(GtkGestureClick*, int, double x, double y, gpointer data) {
  auto& w = *static_cast<LiveWidget*>(data);
  if (auto url = rendered(w).urlAt({x, y})) open(w, *url);
}

void fileChanged(GFileMonitor*, GFile* file, GFile* other, GFileMonitorEvent event, gpointer data) {
  auto& state = *static_cast<DesktopState*>(data);
  if (event != G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT && event != G_FILE_MONITOR_EVENT_RENAMED &&
      event != G_FILE_MONITOR_EVENT_MOVED_IN && event != G_FILE_MONITOR_EVENT_CREATED &&
      event != G_FILE_MONITOR_EVENT_DELETED)
    return;
  auto named = [&](GFile* f) {
    if (!f) return false;
    char* base = g_file_get_basename(f);
    bool match = base && state.watched && state.watched->filename() == base;
    g_free(base);
    return match;
  };
  if (!named(file) && !named(other)) return;
  if (state.debounce) return;
  state.debounce = g_timeout_add(250, [](gpointer data) -> gboolean {
    auto& state = *static_cast<DesktopState*>(data);
    state.debounce = 0;
    reloadAll(state, "the snapshot file changed");
    return G_SOURCE_REMOVE;
  }, &state);
}

int runDesktop(DesktopState& state, bool together) {
  // Four small pictures redrawn a few times an hour need no GPU context. GTK's cairo renderer,
  // with GL left unopened (GTK 4.8 opens it at start otherwise), keeps the host near 40 MiB
  // instead of 100-170 MiB with a software GL driver. A user who chose a renderer keeps it.
  if (!g_getenv("GSK_RENDERER")) {
    g_setenv("GSK_RENDERER", "cairo", TRUE);
    if (!g_getenv("GDK_DEBUG")) g_setenv("GDK_DEBUG", "gl-disable", TRUE);
  }
  if (!gtk_init_check()) {
    std::cerr << "kestrun-widgets host: no display to show widgets on (is DISPLAY set?)\n";
    return ExitStatus::failure;
  }
  state.loop = g_main_loop_new(nullptr, FALSE);
  GtkWidget* shared = nullptr;
  GtkWidget* box = nullptr;
  if (together) {
    shared = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(shared), state.title.c_str());
    box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 16);
    gtk_widget_set_margin_start(box, 16);
    gtk_widget_set_margin_end(box, 16);
    gtk_widget_set_margin_top(box, 16);
    gtk_widget_set_margin_bottom(box, 16);
    gtk_window_set_child(GTK_WINDOW(shared), box);
  }
  for (const auto& widget : state.widgets) {
    auto w = std::make_unique<LiveWidget>();
    w->widget = &widget;
    FamilyMetrics m = metrics(widget.supportedFamilies.empty() ? WidgetFamily::systemSmall
                                                               : widget.supportedFamilies.front());
    w->verbose = state.verbose;
    w->fixed = gtk_fixed_new();
    w->area = gtk_drawing_area_new();
    gtk_fixed_put(GTK_FIXED(w->fixed), w->area, 0, 0);
    gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(w->area), int(m.size.width));
    gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(w->area), int(m.size.height));
    gtk_widget_set_valign(w->fixed, GTK_ALIGN_START);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(w->area), draw, w.get(), nullptr);
    GtkGesture* click = gtk_gesture_click_new();
    g_signal_connect(click, "pressed", G_CALLBACK(pressed), w.get());
    gtk_widget_add_controller(w->area, GTK_EVENT_CONTROLLER(click));
    gtk_accessible_update_property(GTK_ACCESSIBLE(w->area), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   widget.displayName.c_str(), -1);
    if (together) {
      gtk_box_append(GTK_BOX(box), w->fixed);
      w->window = GTK_WINDOW(shared);
    } else {
      w->window = GTK_WINDOW(gtk_window_new());
      gtk_window_set_title(w->window, widget.displayName.c_str());
      gtk_window_set_resizable(w->window, FALSE);
      gtk_window_set_child(w->window, w->fixed);
    }
    reloadTimeline(*w);
    state.live.push_back(std::move(w));
  }
  std::vector<GtkWindow*> windows;
  if (together)
    windows.push_back(GTK_WINDOW(shared));
  else
    for (auto& w : state.live) windows.push_back(w->window);
  for (GtkWindow* window : windows) {
    ++state.windowsOpen;
    g_signal_connect(window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer data) {
      auto& state = *static_cast<DesktopState*>(data);
      if (--state.windowsOpen == 0) g_main_loop_quit(state.loop);
    }), &state);
    gtk_window_present(window);
  }
  // The appearance follows the desktop's preference as it changes.
  g_signal_connect(gtk_settings_get_default(), "notify::gtk-application-prefer-dark-theme",
                   G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     for (auto& w : static_cast<DesktopState*>(data)->live) refresh(*w);
                   }), &state);
  if (state.watched) {
    GFile* dir = g_file_new_for_path(state.watched->parent_path().c_str());
    state.monitor = g_file_monitor_directory(dir, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
    g_object_unref(dir);
    if (state.monitor) g_signal_connect(state.monitor, "changed", G_CALLBACK(fileChanged), &state);
  }
  watchSleep(state);
  g_main_loop_run(state.loop);
  if (state.sleepSubscription) g_dbus_connection_signal_unsubscribe(state.systemBus, state.sleepSubscription);
  if (state.systemBus) g_object_unref(state.systemBus);
  if (state.monitor) g_object_unref(state.monitor);
  g_main_loop_unref(state.loop);
  return ExitStatus::success;
}

}  // namespace
}  // namespace WidgetHost

extern "C" __attribute__((visibility("default"))) int kestrunRunDesktop(
    const WidgetHost::DesktopRequest* request) {
  WidgetHost::DesktopState state;
  state.title = request->title;
  state.widgets = request->widgets;
  state.watched = request->watched;
  state.verbose = request->verbose;
  return WidgetHost::runDesktop(state, request->together);
}
