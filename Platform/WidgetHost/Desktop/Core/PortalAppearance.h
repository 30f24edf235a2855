// The desktop's light or dark preference as the XDG desktop portal's settings tell it
// (org.freedesktop.appearance color-scheme), followed through its SettingChanged signal. GTK 4.8
// does not read it on X11, so the host asks the portal itself.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <optional>

namespace WidgetHost {

class PortalAppearance {
 public:
  enum class Preference { none, dark, light };

  // Asks at once (without waiting) and calls `changed` whenever the answer or a later change
  // arrives. A bus without a portal leaves the preference unknown.
  PortalAppearance(GDBusConnection* bus, std::function<void()> changed);
  ~PortalAppearance();
  PortalAppearance(const PortalAppearance&) = delete;
  PortalAppearance& operator=(const PortalAppearance&) = delete;

  // Unknown until the portal answered; `none` when it has no preference (or an unknown value).
  std::optional<Preference> preference() const { return preference_; }

  // The portal's value, unwrapped of however many variant layers it comes in (Read wraps it
  // twice, ReadOne and the signal once).
  static std::optional<Preference> decode(GVariant* value);

 private:
  void update(GVariant* value);

  GDBusConnection* bus_;
  std::function<void()> changed_;
  GCancellable* cancellable_;
  guint subscription_ = 0;
  std::optional<Preference> preference_;
};

}  // namespace WidgetHost
