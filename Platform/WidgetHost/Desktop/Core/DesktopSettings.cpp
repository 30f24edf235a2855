#include "Platform/WidgetHost/Desktop/Core/DesktopSettings.h"

#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "Platform/Foundation/Files.h"
#include "Platform/WidgetHost/Desktop/Core/UserDirectories.h"

namespace WidgetHost {
namespace {

using KeyFile = std::unique_ptr<GKeyFile, decltype(&g_key_file_free)>;

// Texts from the file reach messages only as printable characters.
std::string printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  if (text.size() > 80) text = text.substr(0, 80) + "...";
  return text;
}

struct Reader {
  GKeyFile* keys;
  std::vector<std::string>& problems;

  std::optional<std::string> value(const char* group, const char* key) {
    gchar* v = g_key_file_get_string(keys, group, key, nullptr);
    if (!v) return std::nullopt;
    std::string s(v);
    g_free(v);
    return s;
  }
  void invalid(const std::string& group, const char* key, const std::string& value,
               const char* accepted, const char* fallback) {
    problems.push_back("widgets.ini: [" + printable(group) + "] " + key + ": \"" +
                       printable(value) + "\" is not " + accepted + "; using " + fallback);
  }
  template <class T>
  void choice(const char* group, const char* key, T& out,
              std::initializer_list<std::pair<const char*, T>> choices, const char* accepted) {
    auto v = value(group, key);
    if (!v) return;
    for (const auto& [name, c] : choices)
      if (*v == name) {
        out = c;
        return;
      }
    invalid(group, key, *v, accepted, choices.begin()->first);
  }
};

}  // namespace

bool DesktopSettings::isShown(const std::string& widget) const {
  return std::find(shown.begin(), shown.end(), widget) != shown.end();
}

const WidgetPlacementSetting* DesktopSettings::placement(const std::string& widget) const {
  for (const auto& [w, p] : placements)
    if (w == widget) return &p;
  return nullptr;
}

std::filesystem::path DesktopSettings::defaultFile() {
  return userDirectory("XDG_CONFIG_HOME", ".config") / "kestrun-widgets" / "widgets.ini";
}

DesktopSettings DesktopSettings::parse(std::string_view text,
                                       const std::vector<std::string>& widgets,
                                       std::vector<std::string>& problems) {
  DesktopSettings s;
  s.shown = widgets;
  KeyFile keys(g_key_file_new(), g_key_file_free);
  GError* error = nullptr;
  if (!g_key_file_load_from_data(keys.get(), text.data(), text.size(), G_KEY_FILE_NONE, &error)) {
    problems.push_back("widgets.ini: " + printable(error->message) + "; using the defaults");
    g_error_free(error);
    return s;
  }
  Reader r{keys.get(), problems};
  if (gchar** list = g_key_file_get_string_list(keys.get(), "widgets", "shown", nullptr, nullptr)) {
    s.shown.clear();
    for (gchar** w = list; *w; ++w) {
      if (std::find(widgets.begin(), widgets.end(), *w) == widgets.end()) {
        std::string names;
        for (const auto& n : widgets) names += (names.empty() ? "" : ", ") + n;
        problems.push_back("widgets.ini: [widgets] shown: \"" + printable(*w) +
                           "\" is not one of " + names + "; left out");
      } else if (!s.isShown(*w)) {
        s.shown.push_back(*w);
      }
    }
    g_strfreev(list);
  }
  r.choice(
      "widgets", "appearance", s.appearance,
      {{"auto", Appearance::automatic}, {"light", Appearance::light}, {"dark", Appearance::dark}},
      "auto, light or dark");
  r.choice("widgets", "mode", s.mode, {{"full", Mode::full}, {"accented", Mode::accented}},
           "full or accented");
  r.choice("widgets", "scale", s.scale, {{"auto", 0}, {"1", 1}, {"2", 2}, {"3", 3}},
           "auto, 1, 2 or 3");
  for (const auto& widget : widgets) {
    const char* group = widget.c_str();
    if (!g_key_file_has_group(keys.get(), group)) continue;
    WidgetPlacementSetting p;
    bool anchored = false;
    if (auto monitor = r.value(group, "monitor"); monitor && !monitor->empty()) p.monitor = monitor;
    if (r.value(group, "anchor")) {
      anchored = true;
      r.choice(group, "anchor", p.anchor,
               {{"top-right", Corner::topRight},
                {"top-left", Corner::topLeft},
                {"bottom-left", Corner::bottomLeft},
                {"bottom-right", Corner::bottomRight}},
               "top-left, top-right, bottom-left or bottom-right");
    }
    if (auto offset = r.value(group, "offset")) {
      anchored = true;
      gsize n = 0;
      GError* bad = nullptr;
      gint* xy = g_key_file_get_integer_list(keys.get(), group, "offset", &n, &bad);
      if (bad || n != 2 || xy[0] < 0 || xy[1] < 0 || xy[0] > 100000 || xy[1] > 100000)
        r.invalid(widget, "offset", *offset, "two distances in pixels such as 16;16", "16;16");
      else
        p.offset = {xy[0], xy[1]};
      if (bad) g_error_free(bad);
      g_free(xy);
    }
    if (anchored || p.monitor) s.placements.emplace_back(widget, p);
  }
  return s;
}

DesktopSettings DesktopSettings::load(const std::filesystem::path& file,
                                      const std::vector<std::string>& widgets,
                                      std::vector<std::string>& problems) {
  std::string why;
  auto text = Foundation::readWholeFile(file, 1 << 16, &why);
  if (!text) {
    if (why != "no such file") problems.push_back("widgets.ini: " + why + "; using the defaults");
    return parse("", widgets, problems);
  }
  return parse(*text, widgets, problems);
}

ScreenPoint anchoredPosition(const WidgetPlacementSetting& s, const Monitor& monitor,
                             ScreenSize size) {
  const ScreenRect& a = monitor.workArea;
  bool right = s.anchor == Corner::topRight || s.anchor == Corner::bottomRight;
  bool bottom = s.anchor == Corner::bottomLeft || s.anchor == Corner::bottomRight;
  ScreenPoint p{right ? a.x + a.width - s.offset.x - size.width : a.x + s.offset.x,
                bottom ? a.y + a.height - s.offset.y - size.height : a.y + s.offset.y};
  // Never off the monitor, whatever the offset.
  p.x = std::clamp(p.x, a.x, std::max(a.x, a.x + a.width - size.width));
  p.y = std::clamp(p.y, a.y, std::max(a.y, a.y + a.height - size.height));
  return p;
}

}  // namespace WidgetHost
