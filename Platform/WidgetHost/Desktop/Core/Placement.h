// Where each widget's window goes on the screen, and the positions kept from one run to the next.
//
// Positions are kept per widget and per monitor, as offsets from the monitor's top-left corner, in
// a GLib key file (one group per widget, one key per monitor and `monitor` for the last one used)
// written atomically. A widget goes back to the monitor it was last on; if that monitor is gone,
// to the primary one, at the position it had there or else in the first-start column.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace WidgetHost {

struct ScreenPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};
struct ScreenSize {
  int width = 0;
  int height = 0;
};
struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool contains(ScreenPoint p) const {
    return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height;
  }
};
struct Monitor {
  std::string name;
  ScreenRect geometry;
  ScreenRect workArea;
};

// The first start: widgets in a column at the top-right of `workArea`, `gap` pixels apart and from
// its edges; a widget that does not fit below the others starts the next column to the left.
std::vector<ScreenPoint> firstPlacement(ScreenRect workArea, const std::vector<ScreenSize>& sizes,
                                        int gap = 16);

class PositionStore {
 public:
  // $XDG_STATE_HOME/kestrun-widgets/positions.ini (~/.local/state when unset or not absolute).
  static std::filesystem::path defaultFile();

  // Reads the file; a missing or damaged one is no positions, and a damaged value is skipped.
  explicit PositionStore(std::filesystem::path file);

  std::optional<ScreenPoint> offset(const std::string& widget, const std::string& monitor) const;
  std::optional<std::string> lastMonitor(const std::string& widget) const;
  void set(const std::string& widget, const std::string& monitor, ScreenPoint offset);

  // Writes every position atomically; throws std::system_error, leaving the old file intact.
  void save() const;
  const std::filesystem::path& file() const { return file_; }

 private:
  struct Kept {
    std::string widget;
    std::string monitor;
    ScreenPoint offset;
  };
  std::filesystem::path file_;
  std::vector<Kept> kept_;
  std::vector<std::pair<std::string, std::string>> last_;
};

// Where `widget` goes among `monitors` (the first is the primary one): its kept position on the
// monitor it was last on, else on the primary monitor, else `fallback` (absolute). The result
// keeps the window's top-left corner on the chosen monitor.
struct Placement {
  std::string monitor;
  ScreenPoint position;  // absolute
};
Placement placeWidget(const PositionStore& store, const std::string& widget,
                      const std::vector<Monitor>& monitors, ScreenPoint fallback);

// The monitor whose geometry holds `point`, else the primary one (the first); empty when none.
const Monitor* monitorAt(const std::vector<Monitor>& monitors, ScreenPoint point);

}  // namespace WidgetHost
