#include "Platform/WidgetHost/Desktop/Core/Placement.h"

#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "Platform/Foundation/Files.h"
#include "Platform/WidgetHost/Desktop/Core/UserDirectories.h"

namespace WidgetHost {
namespace {

// Key file keys allow only a few characters; monitor names (connector names, as a rule) are
// mapped onto them, which keeps distinct real names distinct.
std::string keyFor(const std::string& monitor) {
  std::string key = "at-";
  for (unsigned char c : monitor) key += g_ascii_isalnum(c) || c == '-' ? char(c) : '_';
  return key;
}

using KeyFile = std::unique_ptr<GKeyFile, decltype(&g_key_file_free)>;

}  // namespace

std::vector<ScreenPoint> firstPlacement(ScreenRect area, const std::vector<ScreenSize>& sizes,
                                        int gap) {
  std::vector<ScreenPoint> points;
  int right = area.x + area.width - gap;  // the current column's right edge
  int y = area.y + gap;
  int columnWidth = 0;
  for (const ScreenSize& s : sizes) {
    if (y != area.y + gap && y + s.height > area.y + area.height - gap) {
      right -= columnWidth + gap;
      y = area.y + gap;
      columnWidth = 0;
    }
    points.push_back({right - s.width, y});
    y += s.height + gap;
    columnWidth = std::max(columnWidth, s.width);
  }
  return points;
}

std::filesystem::path PositionStore::defaultFile() {
  return userDirectory("XDG_STATE_HOME", ".local/state") / "kestrun-widgets" / "positions.ini";
}

PositionStore::PositionStore(std::filesystem::path file) : file_(std::move(file)) {
  auto text = Foundation::readWholeFile(file_, 1 << 20);
  if (!text) return;
  KeyFile keys(g_key_file_new(), g_key_file_free);
  if (!g_key_file_load_from_data(keys.get(), text->data(), text->size(), G_KEY_FILE_NONE, nullptr))
    return;
  gchar** groups = g_key_file_get_groups(keys.get(), nullptr);
  for (gchar** g = groups; *g; ++g) {
    gchar* last = g_key_file_get_string(keys.get(), *g, "monitor", nullptr);
    if (!last) continue;
    last_.emplace_back(*g, last);
    g_free(last);
    gchar** names = g_key_file_get_string_list(keys.get(), *g, "monitors", nullptr, nullptr);
    for (gchar** m = names; m && *m; ++m) {
      gsize count = 0;
      gint* xy = g_key_file_get_integer_list(keys.get(), *g, keyFor(*m).c_str(), &count, nullptr);
      if (xy && count == 2) kept_.push_back({*g, *m, {xy[0], xy[1]}});
      g_free(xy);
    }
    g_strfreev(names);
  }
  g_strfreev(groups);
}

std::optional<ScreenPoint> PositionStore::offset(const std::string& widget,
                                                 const std::string& monitor) const {
  for (const Kept& k : kept_)
    if (k.widget == widget && k.monitor == monitor) return k.offset;
  return std::nullopt;
}

std::optional<std::string> PositionStore::lastMonitor(const std::string& widget) const {
  for (const auto& [w, m] : last_)
    if (w == widget) return m;
  return std::nullopt;
}

void PositionStore::set(const std::string& widget, const std::string& monitor, ScreenPoint offset) {
  auto kept = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& k) {
    return k.widget == widget && k.monitor == monitor;
  });
  if (kept != kept_.end())
    kept->offset = offset;
  else
    kept_.push_back({widget, monitor, offset});
  auto last =
      std::find_if(last_.begin(), last_.end(), [&](const auto& l) { return l.first == widget; });
  if (last != last_.end())
    last->second = monitor;
  else
    last_.emplace_back(widget, monitor);
}

void PositionStore::save() const {
  KeyFile keys(g_key_file_new(), g_key_file_free);
  for (const auto& [widget, monitor] : last_) {
    g_key_file_set_string(keys.get(), widget.c_str(), "monitor", monitor.c_str());
    std::vector<const gchar*> names;
    for (const Kept& k : kept_)
      if (k.widget == widget) {
        names.push_back(k.monitor.c_str());
        gint xy[2] = {k.offset.x, k.offset.y};
        g_key_file_set_integer_list(keys.get(), widget.c_str(), keyFor(k.monitor).c_str(), xy, 2);
      }
    g_key_file_set_string_list(keys.get(), widget.c_str(), "monitors", names.data(), names.size());
  }
  gsize length = 0;
  gchar* data = g_key_file_to_data(keys.get(), &length, nullptr);
  std::string text(data, length);
  g_free(data);
  std::filesystem::create_directories(file_.parent_path());
  Foundation::writeAtomically(file_, text);
}

const Monitor* monitorAt(const std::vector<Monitor>& monitors, ScreenPoint point) {
  for (const Monitor& m : monitors)
    if (m.geometry.contains(point)) return &m;
  return monitors.empty() ? nullptr : &monitors.front();
}

Placement placeWidget(const PositionStore& store, const std::string& widget,
                      const std::vector<Monitor>& monitors, ScreenPoint fallback) {
  if (monitors.empty()) return {"", fallback};
  const Monitor* chosen = &monitors.front();
  if (auto last = store.lastMonitor(widget))
    for (const Monitor& m : monitors)
      if (m.name == *last) chosen = &m;
  auto offset = store.offset(widget, chosen->name);
  if (!offset) return {chosen->name, fallback};
  const ScreenRect& g = chosen->geometry;
  // A monitor that shrank since keeps the corner on it.
  ScreenPoint p{g.x + std::clamp(offset->x, 0, std::max(0, g.width - 1)),
                g.y + std::clamp(offset->y, 0, std::max(0, g.height - 1))};
  return {chosen->name, p};
}

}  // namespace WidgetHost
