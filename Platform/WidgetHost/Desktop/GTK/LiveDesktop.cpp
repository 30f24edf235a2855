// The live desktop in GTK 4 (see DesktopHost.h for what it does).
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <iostream>
#include <memory>

#include "Platform/Foundation/Text.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/WidgetHost/CommandLine.h"
#include "Platform/WidgetHost/Desktop/Core/DesktopSettings.h"
#include "Platform/WidgetHost/Desktop/Core/Placement.h"
#include "Platform/WidgetHost/Desktop/Core/PortalAppearance.h"
#include "Platform/WidgetHost/Desktop/Core/TapTracker.h"
#include "Platform/WidgetHost/Desktop/DesktopModule.h"
#include "Platform/WidgetHost/Desktop/GTK/X11Desktop.h"
#include "Platform/WidgetHost/PathWatch.h"
#include "Platform/WidgetHost/WidgetRendering.h"

namespace WidgetHost {
namespace {

// "<program> host: ", set once from the request before anything is said.
std::string logPrefix = "host: ";

enum class AppearanceChoice { automatic, light, dark };

struct DesktopState;

// One widget on the desktop. Once its window is gone (`closed`), its timer is stopped and
// nothing touches its GTK widgets again; the record itself lives as long as the host.
struct LiveWidget {
  DesktopState* state = nullptr;
  const WidgetDescription* widget = nullptr;
  std::string key;             // where its position is kept
  GtkWidget* fixed = nullptr;  // the drawing, and over it one accessible object a link region
  GtkWidget* area = nullptr;
  GtkWindow* window = nullptr;
  GtkWidget* menu = nullptr;
  HostTimeline timeline;
  std::optional<RenderedWidget> rendered;
  std::vector<GtkWidget*> linkViews;
  std::vector<ViewToolkit::LinkRegion> links;
  TapTracker taps;
  guint timer = 0;
  bool closed = false;
  bool drawn = false;
};

struct DesktopState {
  std::string title;
  std::vector<WidgetDescription> widgets;
  std::optional<std::filesystem::path> watched;
  DesktopIdentity identity;
  bool together = false;
  bool verbose = false;

  GtkApplication* app = nullptr;
  std::vector<std::unique_ptr<LiveWidget>> live;
  std::vector<GtkWindow*> windows;
  std::unique_ptr<PathWatch> watch;
  guint watchSource = 0;
  guint reloadPending = 0;
  gint64 lastReload = 0;
  GDBusConnection* systemBus = nullptr;
  guint sleepSubscription = 0;
  std::unique_ptr<PortalAppearance> portal;
  AppearanceChoice appearance = AppearanceChoice::automatic;
  std::unique_ptr<PositionStore> positions;
  DesktopSettings settings;
  std::unique_ptr<PathWatch> settingsWatch;
  guint settingsSource = 0;
  GtkWidget* togetherBox = nullptr;  // the one window's box, with --together
  guint saveTimer = 0;
  guint trimTimer = 0;
  gint64 started = 0;
  bool placed = false;
  bool launchFailureShown = false;
};

// Texts from the snapshot file and the environment go to a terminal with their controls escaped.
std::string printable(const std::string& text) {
  return Foundation::escapedForTerminal(text);
}

ViewToolkit::ColorScheme colorScheme(const DesktopState& state) {
  switch (state.appearance) {
    case AppearanceChoice::light:
      return ViewToolkit::ColorScheme::light;
    case AppearanceChoice::dark:
      return ViewToolkit::ColorScheme::dark;
    case AppearanceChoice::automatic:
      break;
  }
  if (state.portal && state.portal->preference() &&
      *state.portal->preference() != PortalAppearance::Preference::none)
    return *state.portal->preference() == PortalAppearance::Preference::dark
               ? ViewToolkit::ColorScheme::dark
               : ViewToolkit::ColorScheme::light;
  gboolean dark = FALSE;
  g_object_get(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", &dark, nullptr);
  return dark ? ViewToolkit::ColorScheme::dark : ViewToolkit::ColorScheme::light;
}

void schedule(LiveWidget& w);
void open(LiveWidget& w, const std::string& url);

// Pixels per point asked for in the settings, against the monitor's own (GTK's unit).
double zoom(const LiveWidget& w) {
  int own = std::max(1, gtk_widget_get_scale_factor(w.area));
  return w.state->settings.scale ? double(w.state->settings.scale) / own : 1.0;
}

const RenderedWidget& rendered(LiveWidget& w) {
  Appearance appearance;
  appearance.colorScheme = colorScheme(*w.state);
  appearance.displayScale = w.state->settings.scale
                                ? w.state->settings.scale
                                : std::max(1, gtk_widget_get_scale_factor(w.area));
  appearance.renderingMode = w.state->settings.mode == DesktopSettings::Mode::accented
                                 ? ViewToolkit::WidgetRenderingMode::accented
                                 : ViewToolkit::WidgetRenderingMode::fullColor;
  if (!w.rendered || w.rendered->scene.draw.colorScheme != appearance.colorScheme ||
      w.rendered->scene.displayScale != appearance.displayScale) {
    const HostEntry* entry = currentEntry(w.timeline, Foundation::Clock::now());
    HostEntry fallback = w.widget->placeholder({});
    w.rendered = renderWidget(*w.widget, entry ? *entry : fallback, appearance,
                              ViewToolkit::PangoTextSystem::shared());
  }
  return *w.rendered;
}

// Enter or Space on `target` opens `url` (changed by calling again); the URL travels with the
// object, so a key press opens what the object tells assistive technology it opens.
void activateWithKeys(LiveWidget& w, GtkWidget* target, const std::string& url) {
  bool first = !g_object_get_data(G_OBJECT(target), "kestrun-url");
  g_object_set_data_full(G_OBJECT(target), "kestrun-url", g_strdup(url.c_str()), g_free);
  gtk_widget_set_focusable(target, !url.empty());
  if (!first) return;
  gtk_widget_add_css_class(target, "kestrun-link");
  GtkEventController* keys = gtk_event_controller_key_new();
  g_signal_connect(
      keys, "key-pressed",
      G_CALLBACK(+[](GtkEventControllerKey* controller, guint key, guint, GdkModifierType,
                     gpointer data) -> gboolean {
        if (key != GDK_KEY_Return && key != GDK_KEY_KP_Enter && key != GDK_KEY_space &&
            key != GDK_KEY_KP_Space)
          return FALSE;
        GtkWidget* self = gtk_event_controller_get_widget(GTK_EVENT_CONTROLLER(controller));
        auto* url = static_cast<const char*>(g_object_get_data(G_OBJECT(self), "kestrun-url"));
        if (url && *url) open(*static_cast<LiveWidget*>(data), url);
        return TRUE;
      }),
      &w);
  gtk_widget_add_controller(target, keys);
}

// Assistive technology sees each link region as a link named by its texts and described by its
// destination; each takes keyboard focus and opens on Enter or Space. They draw nothing but a
// focus ring; pointer events pass through them to the widget's own gestures on their parent.
void exposeLinks(LiveWidget& w) {
  const RenderedWidget& r = rendered(w);
  const std::string widgetURL = r.displayList.widgetURL.value_or("");
  gtk_accessible_update_property(GTK_ACCESSIBLE(w.area), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                 widgetURL.c_str(), -1);
  activateWithKeys(w, w.area, widgetURL);
  if (r.displayList.links == w.links) return;
  for (GtkWidget* v : w.linkViews) gtk_fixed_remove(GTK_FIXED(w.fixed), v);
  w.linkViews.clear();
  for (const auto& link : r.displayList.links) {
    GtkWidget* v = GTK_WIDGET(
        g_object_new(GTK_TYPE_DRAWING_AREA, "accessible-role", GTK_ACCESSIBLE_ROLE_LINK, nullptr));
    const std::string label = link.label.empty() ? link.url : link.label;
    gtk_accessible_update_property(GTK_ACCESSIBLE(v), GTK_ACCESSIBLE_PROPERTY_LABEL, label.c_str(),
                                   GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, link.url.c_str(), -1);
    const double z = zoom(w);
    gtk_widget_set_size_request(v, std::max(1, int(link.rect.width * z)),
                                std::max(1, int(link.rect.height * z)));
    activateWithKeys(w, v, link.url);
    gtk_fixed_put(GTK_FIXED(w.fixed), v, link.rect.x * z, link.rect.y * z);
    w.linkViews.push_back(v);
  }
  w.links = r.displayList.links;
  if (w.state->verbose) {
    std::cerr << logPrefix << w.widget->displayName << " exposes " << w.links.size()
              << (w.links.size() == 1 ? " link" : " links");
    for (const auto& link : w.links)
      std::cerr << "; \"" << printable(link.label) << "\" -> " << printable(link.url);
    std::cerr << '\n';
  }
}

void refresh(LiveWidget& w) {
  if (w.closed) return;
  w.rendered.reset();
  exposeLinks(w);
  gtk_widget_queue_draw(w.area);
  schedule(w);
}

// A new timeline replaces every text and picture a widget kept; their sizes follow the
// document's, so the heap is left with free pages between the new blocks that the allocator
// keeps for itself. Once the new frames are drawn they go back to the system: without that, a
// run of documents with long strings leaves the host megabytes larger than any one of them.
constexpr guint trimDelay = 1000;  // ms, long past the frames after a reload

void trimSoon(DesktopState& state) {
#ifdef __GLIBC__
  if (state.trimTimer) g_source_remove(state.trimTimer);
  state.trimTimer = g_timeout_add(
      trimDelay,
      [](gpointer data) -> gboolean {
        static_cast<DesktopState*>(data)->trimTimer = 0;
        malloc_trim(0);
        return G_SOURCE_REMOVE;
      },
      &state);
#else
  (void)state;
#endif
}

// A new timeline for `w`; widgets asked together share `answers`, so that their data is read
// and decoded once for all of them.
void reloadTimeline(LiveWidget& w, ProviderAnswers* answers = nullptr) {
  if (w.closed) return;
  w.timeline = w.widget->timeline({}, answers);
  refresh(w);
  trimSoon(*w.state);
}

void reloadAll(DesktopState& state, const char* why) {
  if (state.verbose) std::cerr << logPrefix << "new timelines (" << why << ")\n";
  ProviderAnswers answers;
  for (auto& w : state.live) reloadTimeline(*w, &answers);
}

// Wakes at the next entry's date, or once the last has passed for a new timeline.
void schedule(LiveWidget& w) {
  if (w.timer) g_source_remove(w.timer);
  w.timer = 0;
  if (w.closed) return;
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
  w.timer = g_timeout_add(
      ms,
      [](gpointer data) -> gboolean {
        auto& w = *static_cast<LiveWidget*>(data);
        w.timer = 0;
        Foundation::Date now = Foundation::Clock::now();
        bool pastLast = w.timeline.entries.empty() || w.timeline.entries.back().date <= now;
        if (pastLast && w.timeline.policy.kind == TimelineReloadPolicy::Kind::atEnd) {
          if (w.state->verbose)
            std::cerr << logPrefix << "new timeline for " << w.widget->displayName
                      << " (its last entry has passed)\n";
          reloadTimeline(w);
        } else {
          refresh(w);
        }
        return G_SOURCE_REMOVE;
      },
      &w);
}

void draw(GtkDrawingArea*, cairo_t* cr, int, int, gpointer data) {
  auto& w = *static_cast<LiveWidget*>(data);
  if (w.closed) return;
  const RenderedWidget& r = rendered(w);
  const double z = zoom(w);
  cairo_scale(cr, z, z);
  r.draw(cr);
  if (!w.drawn) {
    w.drawn = true;
    // The window has its final size by its first frame: cut it to the widget's rounded shape.
    if (!w.state->together) {
      FamilyMetrics m =
          metrics(w.widget->supportedFamilies.empty() ? WidgetFamily::systemSmall
                                                      : w.widget->supportedFamilies.front());
      GtkWidget* window = GTK_WIDGET(w.window);
      const int scale = gtk_widget_get_scale_factor(window);
      X11Desktop::roundCorners(w.window, gtk_widget_get_width(window) * scale,
                               gtk_widget_get_height(window) * scale, m.cornerRadius * z * scale);
    }
    if (w.state->verbose)
      std::cerr << logPrefix << w.widget->displayName << " drawn "
                << (g_get_monotonic_time() - w.state->started) / 1000 << " ms after start\n";
  }
}

// A failed launch is said once per run as a desktop notification, in words a person can act on,
// and every time on stderr; the widget itself stays as it is.
void launchFailed(DesktopState& state, const std::string& url, const GError* error) {
  const std::string scheme = printable(url.substr(0, url.find(':')));
  std::cerr << logPrefix << "nothing opened " << printable(url)
            << (error ? ": " + printable(error->message) : "") << '\n';
  if (state.launchFailureShown) return;
  state.launchFailureShown = true;
  bool noHandler = !error || g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED) ||
                   g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND);
  std::string body =
      noHandler ? "No application is set to open " + scheme +
                      ":// links. Install the application that owns them, or choose one for \"" +
                      scheme + "\" links in your desktop's default applications settings."
                : "The application set to open " + scheme +
                      ":// links did not start. Check that it is still "
                      "installed, or choose another in your desktop's "
                      "default applications settings.";
  GNotification* notification = g_notification_new("This link could not be opened");
  g_notification_set_body(notification, body.c_str());
  g_application_send_notification(G_APPLICATION(state.app), "link-not-opened", notification);
  g_object_unref(notification);
}

void open(LiveWidget& w, const std::string& url) {
  if (w.closed) return;
  if (w.state->verbose) std::cerr << logPrefix << "opening " << printable(url) << '\n';
  GError* error = nullptr;
  GdkAppLaunchContext* context = gdk_display_get_app_launch_context(gtk_widget_get_display(w.area));
  if (!g_app_info_launch_default_for_uri(url.c_str(), G_APP_LAUNCH_CONTEXT(context), &error))
    launchFailed(*w.state, url, error);
  if (error) g_error_free(error);
  g_object_unref(context);
}

std::optional<std::string> urlAt(LiveWidget& w, double x, double y) {
  const double z = zoom(w);
  return rendered(w).urlAt({x / z, y / z});
}

void pressed(GtkGestureClick*, int count, double x, double y, gpointer data) {
  auto& w = *static_cast<LiveWidget*>(data);
  if (w.closed) return;
  w.taps.pressed(count, {x, y}, urlAt(w, x, y));
}

void released(GtkGestureClick*, int, double x, double y, gpointer data) {
  auto& w = *static_cast<LiveWidget*>(data);
  if (w.closed) return;
  if (auto url = w.taps.released(urlAt(w, x, y))) open(w, *url);
}

// A press that travels further than a tap hands the window to the window manager's move.
void motion(GtkEventControllerMotion* controller, double x, double y, gpointer data) {
  auto& w = *static_cast<LiveWidget*>(data);
  if (w.closed || !w.taps.moved({x, y})) return;
  GdkEvent* event = gtk_event_controller_get_current_event(GTK_EVENT_CONTROLLER(controller));
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(w.window));
  if (!event || !GDK_IS_TOPLEVEL(surface)) return;
  double sx = x, sy = y;
  graphene_point_t in{float(x), float(y)}, out;
  if (gtk_widget_compute_point(w.fixed, GTK_WIDGET(w.window), &in, &out)) sx = out.x, sy = out.y;
  gdk_toplevel_begin_move(GDK_TOPLEVEL(surface), gdk_event_get_device(event), GDK_BUTTON_PRIMARY,
                          sx, sy, gdk_event_get_time(event));
}

// Positions are kept a moment after the last move, so a drag writes the file once.
void keepPositions(DesktopState& state) {
  if (!state.placed || !state.positions) return;
  if (state.saveTimer) g_source_remove(state.saveTimer);
  state.saveTimer = g_timeout_add(
      400,
      [](gpointer data) -> gboolean {
        auto& state = *static_cast<DesktopState*>(data);
        state.saveTimer = 0;
        if (state.windows.empty()) return G_SOURCE_REMOVE;
        std::vector<Monitor> monitors =
            X11Desktop::monitors(gtk_widget_get_display(GTK_WIDGET(state.windows.front())));
        bool changed = false;
        for (auto& w : state.live) {
          if (w->closed || (state.together && w != state.live.front())) continue;
          auto at = X11Desktop::position(w->window);
          const Monitor* monitor = at ? monitorAt(monitors, *at) : nullptr;
          if (!monitor) continue;
          ScreenPoint offset{at->x - monitor->geometry.x, at->y - monitor->geometry.y};
          if (state.positions->offset(w->key, monitor->name) == offset &&
              state.positions->lastMonitor(w->key) == monitor->name)
            continue;
          state.positions->set(w->key, monitor->name, offset);
          changed = true;
          if (state.verbose)
            std::cerr << logPrefix << w->widget->displayName << " moved to " << at->x << ","
                      << at->y << " on " << printable(monitor->name) << '\n';
        }
        if (changed) {
          try {
            state.positions->save();
          } catch (const std::system_error& e) {
            std::cerr << logPrefix << "positions not kept: " << e.what() << '\n';
          }
        }
        return G_SOURCE_REMOVE;
      },
      &state);
}

// Each window goes where it was left, or on the first start into a column at the top-right.
void place(DesktopState& state) {
  if (state.windows.empty()) return;
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(state.windows.front()));
  std::vector<Monitor> monitors = X11Desktop::monitors(display);
  if (monitors.empty()) return;
  std::vector<LiveWidget*> placed;
  std::vector<ScreenSize> sizes;
  for (auto& w : state.live) {
    if ((state.together && w != state.live.front()) || w->closed) continue;
    // Mapped is not yet allocated: the size is what the window asks for.
    GtkWidget* window = GTK_WIDGET(w->window);
    int scale = gtk_widget_get_scale_factor(window);
    int width = 0, height = 0;
    gtk_widget_measure(window, GTK_ORIENTATION_HORIZONTAL, -1, nullptr, &width, nullptr, nullptr);
    gtk_widget_measure(window, GTK_ORIENTATION_VERTICAL, width, nullptr, &height, nullptr, nullptr);
    sizes.push_back({width * scale, height * scale});
    placed.push_back(w.get());
  }
  std::vector<ScreenPoint> column = firstPlacement(monitors.front().workArea, sizes);
  for (std::size_t i = 0; i < placed.size(); ++i) {
    LiveWidget& w = *placed[i];
    Placement p = placeWidget(*state.positions, w.key, monitors, column[i]);
    if (const WidgetPlacementSetting* chosen = state.settings.placement(w.key)) {
      const Monitor* monitor = &monitors.front();
      for (const Monitor& m : monitors)
        if (chosen->monitor == m.name) monitor = &m;
      p = {monitor->name, anchoredPosition(*chosen, *monitor, sizes[i])};
    }
    X11Desktop::move(w.window, p.position);
    if (state.verbose)
      std::cerr << logPrefix << w.widget->displayName << " placed at " << p.position.x << ","
                << p.position.y << " on " << printable(p.monitor) << '\n';
  }
  state.placed = true;
}

void windowMapped(GtkWidget* window, gpointer data) {
  auto& state = *static_cast<DesktopState*>(data);
  X11Desktop::keepOnDesktop(GTK_WINDOW(window));
  // Once every window is mapped (and so has its size), all are placed together.
  bool all = std::all_of(state.windows.begin(), state.windows.end(),
                         [](GtkWindow* w) { return gtk_widget_get_mapped(GTK_WIDGET(w)); });
  if (all && !state.placed) place(state);
}

void windowGone(GtkWidget* window, gpointer data) {
  auto& state = *static_cast<DesktopState*>(data);
  for (auto& w : state.live) {
    if (w->window != GTK_WINDOW(window) || w->closed) continue;
    w->closed = true;
    if (w->timer) g_source_remove(w->timer);
    w->timer = 0;
    if (w->menu) gtk_widget_unparent(w->menu);
    w->menu = nullptr;
    w->linkViews.clear();
    w->rendered.reset();
  }
  std::erase(state.windows, GTK_WINDOW(window));
}

void showMenu(GtkGestureClick* gesture, int, double x, double y, gpointer data) {
  auto& w = *static_cast<LiveWidget*>(data);
  if (w.closed) return;
  w.taps.cancel();
  if (!w.menu) {
    GMenu* menu = g_menu_new();
    GMenu* title = g_menu_new();
    g_menu_append(title, w.widget->displayName.c_str(), "widget.none");
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(title));
    GMenu* actions = g_menu_new();
    g_menu_append(actions, "Hide", "widget.hide");
    GMenu* appearance = g_menu_new();
    g_menu_append(appearance, "Auto", "app.appearance::auto");
    g_menu_append(appearance, "Light", "app.appearance::light");
    g_menu_append(appearance, "Dark", "app.appearance::dark");
    g_menu_append_submenu(actions, "Appearance", G_MENU_MODEL(appearance));
    g_menu_append(actions, "Quit", "app.quit");
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(actions));
    w.menu = gtk_popover_menu_new_from_model(G_MENU_MODEL(menu));
    gtk_popover_set_has_arrow(GTK_POPOVER(w.menu), FALSE);
    gtk_widget_set_parent(w.menu, w.fixed);
    // The widget tree may take the menu down with it; the pointer then empties itself.
    g_object_add_weak_pointer(G_OBJECT(w.menu), reinterpret_cast<gpointer*>(&w.menu));
    g_object_unref(appearance);
    g_object_unref(actions);
    g_object_unref(title);
    g_object_unref(menu);
  }
  GdkRectangle at{int(x), int(y), 1, 1};
  gtk_popover_set_pointing_to(GTK_POPOVER(w.menu), &at);
  gtk_popover_popup(GTK_POPOVER(w.menu));
  gtk_gesture_set_state(GTK_GESTURE(gesture), GTK_EVENT_SEQUENCE_CLAIMED);
}

void addWidgetActions(LiveWidget& w) {
  GSimpleActionGroup* group = g_simple_action_group_new();
  GSimpleAction* hide = g_simple_action_new("hide", nullptr);
  g_signal_connect(hide, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer data) {
                     auto& w = *static_cast<LiveWidget*>(data);
                     if (!w.closed) gtk_window_destroy(w.window);
                   }),
                   &w);
  g_action_map_add_action(G_ACTION_MAP(group), G_ACTION(hide));
  GSimpleAction* none = g_simple_action_new("none", nullptr);
  g_simple_action_set_enabled(none, FALSE);
  g_action_map_add_action(G_ACTION_MAP(group), G_ACTION(none));
  gtk_widget_insert_action_group(w.fixed, "widget", G_ACTION_GROUP(group));
  g_object_unref(hide);
  g_object_unref(none);
  g_object_unref(group);
}

GtkWindow* newWindow(DesktopState& state, const char* title) {
  auto* window = GTK_WINDOW(gtk_window_new());
  gtk_window_set_application(window, state.app);
  gtk_window_set_title(window, title);
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_resizable(window, FALSE);
  gtk_widget_add_css_class(GTK_WIDGET(window), "kestrun-widget");
  g_signal_connect(window, "realize", G_CALLBACK(+[](GtkWidget* window, gpointer) {
                     X11Desktop::typeAsWidget(GTK_WINDOW(window));
                   }),
                   nullptr);
  g_signal_connect(window, "map", G_CALLBACK(windowMapped), &state);
  g_signal_connect(window, "destroy", G_CALLBACK(windowGone), &state);
  state.windows.push_back(window);
  return window;
}

void installStyle() {
  // Transparent around each widget's rounded shape; the focus ring shows which link Enter opens.
  std::string style =
      "window.kestrun-widget { background: none; box-shadow: none; }\n"
      ".kestrun-link:focus-visible { outline: 2px solid #3584e4; outline-offset: -3px;"
      " border-radius: 6px; }\n";
  // Without a compositing manager the room a menu keeps for its shadow is drawn black: there, menus
  // go without a shadow.
  if (!gdk_display_is_composited(gdk_display_get_default()))
    style += "popover > contents { box-shadow: none; }\n";
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, style.c_str(), -1);
  gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(css),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
}

void addAppActions(DesktopState& state) {
  GSimpleAction* quit = g_simple_action_new("quit", nullptr);
  g_signal_connect(quit, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer data) {
                     g_application_quit(G_APPLICATION(data));
                   }),
                   state.app);
  g_action_map_add_action(G_ACTION_MAP(state.app), G_ACTION(quit));
  g_object_unref(quit);
  GSimpleAction* appearance = g_simple_action_new_stateful("appearance", G_VARIANT_TYPE_STRING,
                                                           g_variant_new_string("auto"));
  g_signal_connect(appearance, "change-state",
                   G_CALLBACK(+[](GSimpleAction* action, GVariant* value, gpointer data) {
                     auto& state = *static_cast<DesktopState*>(data);
                     const char* choice = g_variant_get_string(value, nullptr);
                     state.appearance = g_str_equal(choice, "light")  ? AppearanceChoice::light
                                        : g_str_equal(choice, "dark") ? AppearanceChoice::dark
                                                                      : AppearanceChoice::automatic;
                     g_simple_action_set_state(action, value);
                     for (auto& w : state.live) refresh(*w);
                   }),
                   &state);
  g_action_map_add_action(G_ACTION_MAP(state.app), G_ACTION(appearance));
  g_object_unref(appearance);
}

// logind announces sleep with PrepareForSleep(true) and the wake-up with PrepareForSleep(false).
// Timers run on the monotonic clock, which stands still while the machine sleeps, so every entry
// is rescheduled from the wall clock on wake-up. Any sender is believed: the worst a forged
// signal does is one more timeline.
void sleepChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                  GVariant* parameters, gpointer data) {
  gboolean sleeping = TRUE;
  if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)")))
    g_variant_get(parameters, "(b)", &sleeping);
  if (!sleeping) reloadAll(*static_cast<DesktopState*>(data), "resumed from sleep");
}

void watchSleep(DesktopState& state) {
  g_bus_get(
      G_BUS_TYPE_SYSTEM, nullptr,
      [](GObject*, GAsyncResult* result, gpointer data) {
        auto& state = *static_cast<DesktopState*>(data);
        GError* error = nullptr;
        state.systemBus = g_bus_get_finish(result, &error);
        if (!state.systemBus) {
          // No system bus (a container, a minimal session): the host still runs, without wake-ups.
          if (state.verbose)
            std::cerr << logPrefix << "not told of sleep: " << error->message << '\n';
          g_error_free(error);
          return;
        }
        state.sleepSubscription = g_dbus_connection_signal_subscribe(
            state.systemBus, nullptr, "org.freedesktop.login1.Manager", "PrepareForSleep",
            "/org/freedesktop/login1", nullptr, G_DBUS_SIGNAL_FLAGS_NONE, sleepChanged, &state,
            nullptr);
        if (state.verbose) std::cerr << logPrefix << "watching for sleep\n";
      },
      &state);
}

// A replacement reloads at once. A writer that replaces the file many times a second gets at most
// one reload per `reloadInterval`, the last of them after its last replacement, so that input and
// drawing keep their turn in the main loop.
constexpr guint reloadInterval = 100;  // ms

void snapshotChanged(DesktopState& state) {
  const gint64 now = g_get_monotonic_time();
  if (state.reloadPending) return;
  const gint64 since = (now - state.lastReload) / 1000;
  if (since >= reloadInterval) {
    state.lastReload = now;
    reloadAll(state, "the snapshot file changed");
    return;
  }
  state.reloadPending = g_timeout_add(
      guint(reloadInterval - since),
      [](gpointer data) -> gboolean {
        auto& state = *static_cast<DesktopState*>(data);
        state.reloadPending = 0;
        state.lastReload = g_get_monotonic_time();
        reloadAll(state, "the snapshot file changed");
        return G_SOURCE_REMOVE;
      },
      &state);
}

void watchSnapshot(DesktopState& state) {
  if (!state.watched) return;
  try {
    state.watch = std::make_unique<PathWatch>(*state.watched);
  } catch (const std::system_error& e) {
    std::cerr << logPrefix << "the snapshot file is not watched: " << e.what() << '\n';
    return;
  }
  if (state.verbose)
    std::cerr << logPrefix << "watching " << printable(state.watch->watchedDirectory()) << '\n';
  state.watchSource = g_unix_fd_add(
      state.watch->descriptor(), G_IO_IN,
      [](gint, GIOCondition, gpointer data) -> gboolean {
        auto& state = *static_cast<DesktopState*>(data);
        std::filesystem::path before = state.watch->watchedDirectory();
        bool changed = state.watch->handle();
        if (state.verbose && state.watch->watchedDirectory() != before)
          std::cerr << logPrefix << "watching " << printable(state.watch->watchedDirectory())
                    << '\n';
        if (changed) snapshotChanged(state);
        return G_SOURCE_CONTINUE;
      },
      &state);
}

// Gives `w` its window (or its place in the one window) and its first timeline.
void openWidget(DesktopState& state, LiveWidget& w, ProviderAnswers* answers = nullptr) {
  const WidgetDescription& widget = *w.widget;
  FamilyMetrics m = metrics(widget.supportedFamilies.empty() ? WidgetFamily::systemSmall
                                                             : widget.supportedFamilies.front());
  w.closed = false;
  w.drawn = false;
  w.links.clear();
  w.linkViews.clear();
  w.fixed = gtk_fixed_new();
  w.area = gtk_drawing_area_new();
  gtk_fixed_put(GTK_FIXED(w.fixed), w.area, 0, 0);
  gtk_widget_set_valign(w.fixed, GTK_ALIGN_START);
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(w.area), draw, &w, nullptr);
  GtkGesture* click = gtk_gesture_click_new();
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), GDK_BUTTON_PRIMARY);
  g_signal_connect(click, "pressed", G_CALLBACK(pressed), &w);
  g_signal_connect(click, "released", G_CALLBACK(released), &w);
  gtk_widget_add_controller(w.fixed, GTK_EVENT_CONTROLLER(click));
  GtkGesture* menu = gtk_gesture_click_new();
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(menu), GDK_BUTTON_SECONDARY);
  g_signal_connect(menu, "pressed", G_CALLBACK(showMenu), &w);
  gtk_widget_add_controller(w.fixed, GTK_EVENT_CONTROLLER(menu));
  GtkEventController* moves = gtk_event_controller_motion_new();
  g_signal_connect(moves, "motion", G_CALLBACK(motion), &w);
  gtk_widget_add_controller(w.fixed, moves);
  gtk_accessible_update_property(GTK_ACCESSIBLE(w.area), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 widget.displayName.c_str(), -1);
  addWidgetActions(w);
  if (state.together) {
    gtk_box_append(GTK_BOX(state.togetherBox), w.fixed);
    w.window = GTK_WINDOW(gtk_widget_get_root(state.togetherBox));
  } else {
    w.window = newWindow(state, widget.displayName.c_str());
    gtk_window_set_child(w.window, w.fixed);
  }
  const double z = zoom(w);
  gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(w.area), int(std::ceil(m.size.width * z)));
  gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(w.area), int(std::ceil(m.size.height * z)));
  reloadTimeline(w, answers);
}

// Reads widgets.ini again: the appearance, mode and scale apply to every widget at once, and
// widgets are opened and closed to match `shown`.
void applySettings(DesktopState& state, bool starting) {
  std::vector<std::string> names;
  for (const auto& w : state.live) names.push_back(w->key);
  std::vector<std::string> problems;
  DesktopSettings before = state.settings;
  state.settings = DesktopSettings::load(DesktopSettings::defaultFile(), names, problems);
  for (const auto& p : problems) std::cerr << logPrefix << p << '\n';
  if (starting || state.settings.appearance != before.appearance) {
    const char* choice = state.settings.appearance == DesktopSettings::Appearance::dark    ? "dark"
                         : state.settings.appearance == DesktopSettings::Appearance::light ? "light"
                                                                                           : "auto";
    g_action_change_state(
        G_ACTION(g_action_map_lookup_action(G_ACTION_MAP(state.app), "appearance")),
        g_variant_new_string(choice));
  }
  if (starting) return;
  if (state.verbose) std::cerr << logPrefix << "settings changed\n";
  bool resized = state.settings.scale != before.scale;
  ProviderAnswers answers;
  for (auto& w : state.live) {
    bool wanted = state.together || state.settings.isShown(w->key);
    if (!wanted && !w->closed) {
      gtk_window_destroy(w->window);
    } else if (wanted && w->closed) {
      openWidget(state, *w, &answers);
      gtk_window_present(w->window);
    } else if (!w->closed && resized) {
      FamilyMetrics m =
          metrics(w->widget->supportedFamilies.empty() ? WidgetFamily::systemSmall
                                                       : w->widget->supportedFamilies.front());
      gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(w->area),
                                         int(std::ceil(m.size.width * zoom(*w))));
      gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(w->area),
                                          int(std::ceil(m.size.height * zoom(*w))));
      w->links.clear();
      refresh(*w);
    } else {
      refresh(*w);
    }
  }
  // Placed again once every window is mapped (now, or when the new ones are).
  state.placed = false;
  if (std::all_of(state.windows.begin(), state.windows.end(),
                  [](GtkWindow* w) { return gtk_widget_get_mapped(GTK_WIDGET(w)); }))
    place(state);
}

void watchSettings(DesktopState& state) {
  try {
    state.settingsWatch = std::make_unique<PathWatch>(DesktopSettings::defaultFile());
  } catch (const std::system_error& e) {
    std::cerr << logPrefix << "widgets.ini is not watched: " << e.what() << '\n';
    return;
  }
  state.settingsSource = g_unix_fd_add(
      state.settingsWatch->descriptor(), G_IO_IN,
      [](gint, GIOCondition, gpointer data) -> gboolean {
        auto& state = *static_cast<DesktopState*>(data);
        if (state.settingsWatch->handle()) applySettings(state, false);
        return G_SOURCE_CONTINUE;
      },
      &state);
}

void buildWidgets(DesktopState& state) {
  installStyle();
  addAppActions(state);
  state.positions = std::make_unique<PositionStore>(PositionStore::defaultFile());
  for (const auto& widget : state.widgets) {
    auto w = std::make_unique<LiveWidget>();
    w->state = &state;
    w->widget = &widget;
    w->key = widget.kindSuffix();
    w->closed = true;
    state.live.push_back(std::move(w));
  }
  applySettings(state, true);
  if (state.together) {
    GtkWindow* shared = newWindow(state, state.title.c_str());
    state.togetherBox = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 16);
    gtk_window_set_child(shared, state.togetherBox);
  }
  ProviderAnswers answers;
  for (auto& w : state.live) {
    if (state.together) w->key = "together";
    if (state.together || state.settings.isShown(w->widget->kindSuffix()))
      openWidget(state, *w, &answers);
  }
  GdkDisplay* display = gdk_display_get_default();
  X11Desktop::onConfigure(
      display, [](unsigned long, void* data) { keepPositions(*static_cast<DesktopState*>(data)); },
      &state);
  // The appearance follows the desktop's preference as it changes.
  g_signal_connect(gtk_settings_get_default(), "notify::gtk-application-prefer-dark-theme",
                   G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     for (auto& w : static_cast<DesktopState*>(data)->live) refresh(*w);
                   }), &state);
  state.portal = std::make_unique<PortalAppearance>(
      g_application_get_dbus_connection(G_APPLICATION(state.app)), [&state] {
        if (state.verbose)
          std::cerr << logPrefix << "appearance "
                    << (colorScheme(state) == ViewToolkit::ColorScheme::dark ? "dark" : "light")
                    << " (the desktop's preference)\n";
        for (auto& w : state.live) refresh(*w);
      });
  watchSnapshot(state);
  watchSettings(state);
  watchSleep(state);
  if (state.windows.empty()) {
    std::cerr << logPrefix << "widgets.ini shows no widget\n";
    g_application_quit(G_APPLICATION(state.app));
  }
  for (GtkWindow* window : std::vector<GtkWindow*>(state.windows)) gtk_window_present(window);
}

// A second `host` lands here in the running one, which brings its widgets forward.
void activate(GApplication*, gpointer data) {
  auto& state = *static_cast<DesktopState*>(data);
  if (!state.live.empty()) {
    if (state.verbose) std::cerr << logPrefix << "asked again: bringing the widgets forward\n";
    for (GtkWindow* window : state.windows) gtk_window_present(window);
    return;
  }
  buildWidgets(state);
}

int runDesktop(DesktopState& state) {
  state.started = g_get_monotonic_time();
#ifdef __GLIBC__
  // Everything the host keeps is made on the main thread; the few blocks GLib's helper threads
  // allocate (fontconfig's start, the D-Bus worker) do not need arenas of their own, each of
  // which would keep its touched pages for the life of the host.
  mallopt(M_ARENA_MAX, 1);
#endif
  // Four small pictures redrawn a few times an hour need no GPU context. GTK's cairo renderer,
  // with GL left unopened (GTK 4.8 opens it at start otherwise), keeps the host near 40 MiB
  // instead of 100-170 MiB with a software GL driver. A user who chose a renderer keeps it.
  if (!g_getenv("GSK_RENDERER")) {
    g_setenv("GSK_RENDERER", "cairo", TRUE);
    if (!g_getenv("GDK_DEBUG")) g_setenv("GDK_DEBUG", "gl-disable", TRUE);
  }
  if (!g_application_id_is_valid(state.identity.applicationId.c_str())) {
    std::cerr << logPrefix << "\"" << printable(state.identity.applicationId)
              << "\" is not an application id\n";
    return ExitStatus::failure;
  }
  // Without a session bus there is no accessibility bus either, and GTK 4.8's accessibility
  // code then fails its own assertions and crashes when windows close; it is left off.
  GError* noBus = nullptr;
  GDBusConnection* session = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &noBus);
  if (!session) {
    if (state.verbose)
      std::cerr << logPrefix << "no session bus: " << printable(noBus->message) << '\n';
    g_error_free(noBus);
    if (!g_getenv("GTK_A11Y")) g_setenv("GTK_A11Y", "none", TRUE);
  }
  // The window class is the program name; the session knows the application by its id.
  g_set_prgname(state.identity.applicationId.c_str());
  if (!gtk_init_check()) {
    std::cerr << logPrefix << "no display to show widgets on (is DISPLAY set?)\n";
    return ExitStatus::failure;
  }
  gtk_window_set_default_icon_name(state.identity.applicationId.c_str());
  state.app =
      gtk_application_new(state.identity.applicationId.c_str(), G_APPLICATION_DEFAULT_FLAGS);
  g_signal_connect(state.app, "activate", G_CALLBACK(activate), &state);
  // Windows still open at a quit go while the application they belong to still exists.
  g_signal_connect(state.app, "shutdown", G_CALLBACK(+[](GApplication*, gpointer data) {
                     auto& state = *static_cast<DesktopState*>(data);
                     for (GtkWindow* window : std::vector<GtkWindow*>(state.windows))
                       gtk_window_destroy(window);
                   }),
                   &state);
  auto quit = [](gpointer data) -> gboolean {
    g_application_quit(G_APPLICATION(data));
    return G_SOURCE_CONTINUE;
  };
  guint term = g_unix_signal_add(SIGTERM, quit, state.app);
  guint interrupt = g_unix_signal_add(SIGINT, quit, state.app);
  guint hangup = g_unix_signal_add(SIGHUP, quit, state.app);
  int status = g_application_run(G_APPLICATION(state.app), 0, nullptr);
  g_source_remove(term);
  g_source_remove(interrupt);
  g_source_remove(hangup);
  if (state.saveTimer) g_source_remove(state.saveTimer);
  if (state.trimTimer) g_source_remove(state.trimTimer);
  if (state.watchSource) g_source_remove(state.watchSource);
  if (state.reloadPending) g_source_remove(state.reloadPending);
  if (state.settingsSource) g_source_remove(state.settingsSource);
  state.portal.reset();
  if (state.sleepSubscription) g_dbus_connection_signal_unsubscribe(state.systemBus, state.sleepSubscription);
  if (state.systemBus) g_object_unref(state.systemBus);
  g_object_unref(state.app);
  if (session) g_object_unref(session);
  return status == 0 ? ExitStatus::success : ExitStatus::failure;
}

}  // namespace
}  // namespace WidgetHost

extern "C" __attribute__((visibility("default"))) int kestrunRunDesktop(
    const WidgetHost::DesktopRequest* request) {
  WidgetHost::DesktopState state;
  if (!request->programName.empty()) WidgetHost::logPrefix = request->programName + " host: ";
  state.title = request->title;
  state.widgets = request->widgets;
  state.watched = request->watched;
  state.verbose = request->verbose;
  state.together = request->together;
  state.identity = request->identity;
  return WidgetHost::runDesktop(state);
}
