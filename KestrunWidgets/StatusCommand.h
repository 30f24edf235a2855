// `status`: one line summing up the current snapshot for status bars, from the same formatting
// as the widgets, as text, as JSON, or as Waybar's custom-module JSON; with --watch a new line
// each time the snapshot file is written or replaced (inotify, no polling: the process sleeps in
// poll() until the file changes, or until the snapshot turns stale, which changes the line).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/WidgetHost/CommandLine.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace KestrunWidgets {

// What every format is made of. Reads the clock (staleness, relative dates) and the language.
struct StatusSummary {
  std::string text;                  // "Wi-Fi 4 ms · Memory 58% · 1 to check"
  std::vector<std::string> tooltip;  // one line a measurement; snapshot texts printable, bounded
  std::string severity;              // "info", "warning", "critical"; "none" without a snapshot
  bool stale = false;
  std::optional<int> memoryPercent;  // 0…100
};

StatusSummary summarize(const std::optional<WidgetSnapshot>& snapshot);

enum class StatusFormat { text, json, waybar };
// One line, without its newline.
std::string formatStatus(const StatusSummary& summary, StatusFormat format);

// The command. `stopDescriptor`, when readable, ends --watch (tests); -1 watches until the
// output can no longer be written or the process is ended.
WidgetHost::Command statusCommand(int stopDescriptor = -1);

}  // namespace KestrunWidgets
