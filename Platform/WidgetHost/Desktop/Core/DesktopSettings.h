// The person's choices for the desktop widgets, from
// $XDG_CONFIG_HOME/kestrun-widgets/widgets.ini (a GLib key file):
//
//   [widgets]
//   shown=wifi;memory;overview;health     which widgets are on the desktop (default: all)
//   appearance=auto                       auto (the desktop's preference), light or dark
//   mode=full                             full colour or accented
//   scale=auto                            pixels per point: auto (the monitor's), 1, 2 or 3
//
//   [memory]                              one group per widget, by its short name
//   monitor=HDMI-1                        a connector name; default: the primary monitor
//   anchor=top-right                      top-left, top-right, bottom-left or bottom-right of
//                                         the monitor's work area
//   offset=16;16                          pixels from that corner, inward
//
// A widget with an anchor goes there on every start (a drag still moves it for the run); one
// without goes where it was left. An invalid value gets one message naming the file, the key and
// what is accepted, and that key's default; a file that cannot be read is all defaults.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Platform/WidgetHost/Desktop/Core/Placement.h"

namespace WidgetHost {

enum class Corner { topLeft, topRight, bottomLeft, bottomRight };

struct WidgetPlacementSetting {
  std::optional<std::string> monitor;
  Corner anchor = Corner::topRight;
  ScreenPoint offset{16, 16};
};

struct DesktopSettings {
  enum class Appearance { automatic, light, dark };
  enum class Mode { full, accented };

  std::vector<std::string> shown;  // short widget names, in the order given
  Appearance appearance = Appearance::automatic;
  Mode mode = Mode::full;
  int scale = 0;  // 0: the monitor's own
  std::vector<std::pair<std::string, WidgetPlacementSetting>> placements;

  bool isShown(const std::string& widget) const;
  const WidgetPlacementSetting* placement(const std::string& widget) const;

  // $XDG_CONFIG_HOME/kestrun-widgets/widgets.ini (~/.config/… when unset or not absolute).
  static std::filesystem::path defaultFile();

  // `widgets` are the short names there are; the messages go to `problems`, one a line.
  static DesktopSettings parse(std::string_view text, const std::vector<std::string>& widgets,
                               std::vector<std::string>& problems);
  static DesktopSettings load(const std::filesystem::path& file,
                              const std::vector<std::string>& widgets,
                              std::vector<std::string>& problems);
};

// Where a widget of `size` goes for `setting` on `monitor` (its top-left corner, absolute).
ScreenPoint anchoredPosition(const WidgetPlacementSetting& setting, const Monitor& monitor,
                             ScreenSize size);

}  // namespace WidgetHost
