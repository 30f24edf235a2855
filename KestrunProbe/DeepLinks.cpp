#include "KestrunProbe/DeepLinks.h"

#include <gio/gio.h>

#include <vector>

#include "KestrunProbe/Commands.h"
#include "KestrunProbe/ProbeText.h"
#include "Platform/Foundation/URL.h"

namespace Probe {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::optional<Command> firstAvailable(std::vector<Command> candidates) {
  for (auto& candidate : candidates)
    if (canRun(candidate)) return std::move(candidate);
  return std::nullopt;
}

Command opener(const std::filesystem::path& target) {
  return {"xdg-open", target.string()};
}

}  // namespace

std::optional<DeepLink> parseDeepLink(std::string_view text, std::string* why) {
  auto fail = [&](std::string reason) -> std::optional<DeepLink> {
    if (why) *why = std::move(reason);
    return std::nullopt;
  };
  auto url = Foundation::URL::parse(text);
  if (!url) return fail("not a URL");
  if (!equalsIgnoringCase(url->scheme(), "kestrun")) return fail("not a kestrun:// link");
  if (url->query() || url->fragment()) return fail("a kestrun:// link takes no query or fragment");
  std::string host = url->host(), path = url->path();
  if (host == "speedtest" && (path.empty() || path == "/")) return SpeedTestLink{};
  if (host != "open") return fail("unknown link \"" + displayText(url->absoluteString()) + "\"");
  if (!path.starts_with('/')) return fail("no section");
  std::string_view segment = std::string_view(path).substr(1);
  if (segment.find('/') != std::string_view::npos) return fail("a section is one path segment");
  auto section = Foundation::URL::percentDecode(segment);
  if (!section) return fail("a malformed escape in the section");
  return OpenLink{std::move(*section)};
}

std::optional<Command> commandForSection(const std::string& section, const Config& config,
                                         const LinkContext& context) {
  if (auto configured = config.links.find(section); configured != config.links.end())
    return configured->second;
  std::string self = context.self.string();
  if (section == "memory")
    return firstAvailable({{"gnome-system-monitor", "--show-resources-tab"},
                           {"plasma-systemmonitor"},
                           {"xfce4-taskmanager"},
                           {"x-terminal-emulator", "-e", "top"}});
  if (section == "wifi")
    return firstAvailable({{"gnome-control-center", "wifi"},
                           {"systemsettings", "kcm_networkmanagement"},
                           {"nm-connection-editor"}});
  if (section == "sweep" && context.cacheDirectory) return opener(*context.cacheDirectory);
  if (section == "projects" && context.projectRoot) return opener(*context.projectRoot);
  if (section == "ports") return Command{"x-terminal-emulator", "-e", self, "ports", "--wait"};
  if (section == "home") return Command{self, "gallery"};
  return std::nullopt;
}

bool notify(const std::string& summary, const std::string& body) {
  // Notification servers read the body as markup; the text is data, so it is escaped.
  gchar* escaped = g_markup_escape_text(body.c_str(), -1);
  std::string plainBody(escaped);
  g_free(escaped);
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!bus) {
    g_clear_error(&error);
    return false;
  }
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
      "org.freedesktop.Notifications", "Notify",
      g_variant_new("(susssasa{sv}i)", "Kestrun", 0u, "dialog-warning", summary.c_str(),
                    plainBody.c_str(), nullptr, nullptr, -1),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, 1000, nullptr, &error);
  g_object_unref(bus);
  if (!reply) {
    g_clear_error(&error);
    return false;
  }
  g_variant_unref(reply);
  return true;
}

}  // namespace Probe
