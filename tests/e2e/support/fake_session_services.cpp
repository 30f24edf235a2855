// Stands in for the desktop's notification server and settings portal on a private session bus,
// for the live host's end-to-end tests.
//
//   fake-session-services RECORD READY [SCHEME]
//
// Every Notify call is appended to RECORD as one line "summary<TAB>body". The portal answers
// org.freedesktop.appearance color-scheme with SCHEME (0, 1 dark or 2 light; default 2) in the
// doubly wrapped form of interface version 1, and SIGUSR1 flips it between dark and light with a
// SettingChanged signal. READY is created once both names are owned.
#include <gio/gio.h>
#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* introspection = R"(
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/>
    </method>
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
  </interface>
  <interface name="org.freedesktop.portal.Settings">
    <method name="Read">
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/>
    </method>
    <property name="version" type="u" access="read"/>
    <signal name="SettingChanged"><arg type="s"/><arg type="s"/><arg type="v"/></signal>
  </interface>
</node>)";

struct Fake {
  std::string record;
  std::string ready;
  guint32 scheme = 2;
  guint32 nextId = 1;
  int owned = 0;
  GDBusConnection* bus = nullptr;
};

void call(GDBusConnection*, const gchar*, const gchar*, const gchar* interface, const gchar* method,
          GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
  auto& fake = *static_cast<Fake*>(data);
  if (g_str_equal(interface, "org.freedesktop.portal.Settings")) {
    const gchar *ns, *key;
    g_variant_get(parameters, "(&s&s)", &ns, &key);
    if (!g_str_equal(ns, "org.freedesktop.appearance") || !g_str_equal(key, "color-scheme")) {
      g_dbus_method_invocation_return_dbus_error(
          invocation, "org.freedesktop.portal.Error.NotFound", "Requested setting not found");
      return;
    }
    g_dbus_method_invocation_return_value(
        invocation, g_variant_new("(v)", g_variant_new_variant(g_variant_new_uint32(fake.scheme))));
    return;
  }
  if (g_str_equal(method, "Notify")) {
    const gchar *summary, *body;
    g_variant_get_child(parameters, 3, "&s", &summary);
    g_variant_get_child(parameters, 4, "&s", &body);
    if (FILE* f = std::fopen(fake.record.c_str(), "a")) {
      std::fprintf(f, "%s\t%s\n", summary, body);
      std::fclose(f);
    }
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", fake.nextId++));
  } else if (g_str_equal(method, "GetCapabilities")) {
    const gchar* none[] = {"body", nullptr};
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", none));
  } else if (g_str_equal(method, "GetServerInformation")) {
    g_dbus_method_invocation_return_value(invocation,
                                          g_variant_new("(ssss)", "fake", "tests", "1", "1.2"));
  } else {
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }
}

GVariant* property(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                   GError**, gpointer) {
  return g_variant_new_uint32(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: fake-session-services RECORD READY [SCHEME]\n");
    return 64;
  }
  static Fake fake;
  fake.record = argv[1];
  fake.ready = argv[2];
  if (argc > 3) fake.scheme = guint32(std::atoi(argv[3]));
  GError* error = nullptr;
  fake.bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!fake.bus) {
    std::fprintf(stderr, "fake-session-services: %s\n", error->message);
    return 1;
  }
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(introspection, nullptr);
  static const GDBusInterfaceVTable vtable = {call, property, nullptr, {}};
  g_dbus_connection_register_object(fake.bus, "/org/freedesktop/Notifications", node->interfaces[0],
                                    &vtable, &fake, nullptr, nullptr);
  g_dbus_connection_register_object(fake.bus, "/org/freedesktop/portal/desktop",
                                    node->interfaces[1], &vtable, &fake, nullptr, nullptr);
  auto acquired = [](GDBusConnection*, const gchar*, gpointer data) {
    auto& fake = *static_cast<Fake*>(data);
    if (++fake.owned == 2) g_file_set_contents(fake.ready.c_str(), "ready\n", -1, nullptr);
  };
  for (const char* name : {"org.freedesktop.Notifications", "org.freedesktop.portal.Desktop"})
    g_bus_own_name_on_connection(fake.bus, name, G_BUS_NAME_OWNER_FLAGS_NONE, acquired, nullptr,
                                 &fake, nullptr);
  g_unix_signal_add(
      SIGUSR1,
      [](gpointer) -> gboolean {
        fake.scheme = fake.scheme == 1 ? 2 : 1;
        g_dbus_connection_emit_signal(
            fake.bus, nullptr, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings",
            "SettingChanged",
            g_variant_new("(ssv)", "org.freedesktop.appearance", "color-scheme",
                          g_variant_new_uint32(fake.scheme)),
            nullptr);
        return G_SOURCE_CONTINUE;
      },
      nullptr);
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_unix_signal_add(
      SIGTERM,
      [](gpointer loop) -> gboolean {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return G_SOURCE_REMOVE;
      },
      loop);
  g_main_loop_run(loop);
  return 0;
}
