#include "Platform/WidgetHost/Desktop/Core/PortalAppearance.h"

namespace WidgetHost {
namespace {

constexpr const char* portalName = "org.freedesktop.portal.Desktop";
constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
constexpr const char* settingsInterface = "org.freedesktop.portal.Settings";
constexpr const char* appearanceNamespace = "org.freedesktop.appearance";

}  // namespace

std::optional<PortalAppearance::Preference> PortalAppearance::decode(GVariant* value) {
  if (!value) return std::nullopt;
  GVariant* v = g_variant_ref(value);
  while (g_variant_is_of_type(v, G_VARIANT_TYPE_VARIANT)) {
    GVariant* inner = g_variant_get_variant(v);
    g_variant_unref(v);
    v = inner;
  }
  std::optional<Preference> result;
  if (g_variant_is_of_type(v, G_VARIANT_TYPE_UINT32)) {
    switch (g_variant_get_uint32(v)) {
      case 1:
        result = Preference::dark;
        break;
      case 2:
        result = Preference::light;
        break;
      default:
        result = Preference::none;
        break;
    }
  }
  g_variant_unref(v);
  return result;
}

PortalAppearance::PortalAppearance(GDBusConnection* bus, std::function<void()> changed)
    : bus_(bus), changed_(std::move(changed)), cancellable_(g_cancellable_new()) {
  if (!bus_) return;
  g_object_ref(bus_);
  subscription_ = g_dbus_connection_signal_subscribe(
      bus_, portalName, settingsInterface, "SettingChanged", portalPath, appearanceNamespace,
      G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
         GVariant* parameters, gpointer data) {
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)"))) return;
        const gchar* ns = nullptr;
        const gchar* key = nullptr;
        GVariant* value = nullptr;
        g_variant_get(parameters, "(&s&sv)", &ns, &key, &value);
        if (g_str_equal(ns, appearanceNamespace) && g_str_equal(key, "color-scheme"))
          static_cast<PortalAppearance*>(data)->update(value);
        g_variant_unref(value);
      },
      this, nullptr);
  // Read is in every version of the interface (ReadOne only from version 2 on).
  g_dbus_connection_call(
      bus_, portalName, portalPath, settingsInterface, "Read",
      g_variant_new("(ss)", appearanceNamespace, "color-scheme"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, 2000, cancellable_,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
        if (!reply) {
          // Cancelled (the host is going), no portal, or one without the setting: GTK's own
          // preference stands.
          g_error_free(error);
          return;
        }
        GVariant* value = g_variant_get_child_value(reply, 0);
        static_cast<PortalAppearance*>(data)->update(value);
        g_variant_unref(value);
        g_variant_unref(reply);
      },
      this);
}

PortalAppearance::~PortalAppearance() {
  g_cancellable_cancel(cancellable_);
  g_object_unref(cancellable_);
  if (!bus_) return;
  if (subscription_) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
  g_object_unref(bus_);
}

void PortalAppearance::update(GVariant* value) {
  auto decoded = decode(value);
  if (!decoded || decoded == preference_) return;
  preference_ = decoded;
  if (changed_) changed_();
}

}  // namespace WidgetHost
