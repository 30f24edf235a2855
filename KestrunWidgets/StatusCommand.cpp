#include "KestrunWidgets/StatusCommand.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <ostream>
#include <system_error>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgetKit/WidgetViews/Formatting.h"
#include "Platform/Foundation/Formatters.h"
#include "Platform/Foundation/JSON.h"
#include "Platform/Foundation/Localization.h"
#include "Platform/Foundation/Text.h"
#include "Platform/WidgetHost/PathWatch.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::diskSize;
using KestrunWidgetKit::emDash;
using KestrunWidgetKit::gigabytes;
using KestrunWidgetKit::relative;
using KestrunWidgetKit::verdict;
using KestrunWidgetKit::VerdictPart;
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace KestrunWidgets {
namespace {

constexpr const char* separator = " \u00B7 ";
// A status bar's tooltip shows a line or two of any text from the snapshot.
constexpr std::size_t tooltipTextLimit = 120;
// As many attention items as the large widget lists.
constexpr std::size_t tooltipItems = 3;

// A text from the snapshot as a tooltip may show it: no controls, no forged lines, bounded.
std::string shown(std::string_view untrusted) {
  std::string text = Foundation::escapedForTerminal(untrusted);
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size();) {
    auto decoded = Foundation::decodeUTF8(text, i);
    if (++count > tooltipTextLimit) return text.substr(0, i) + "\u2026";
    i += decoded.length ? decoded.length : 1;
  }
  return text;
}

std::string wifiValue(const WidgetSnapshot& s) {
  if (!s.wifi) return s.wifiChecked ? "Offline" : emDash;
  if (s.wifi->routerMs) return std::to_string(*s.wifi->routerMs) + " ms";
  return s.wifi->signalTitle();
}

int rank(WidgetSnapshot::Severity s) {
  return int(WidgetSnapshot::rawValue(s));
}

}  // namespace

StatusSummary summarize(const std::optional<WidgetSnapshot>& snapshot) {
  StatusSummary summary;
  if (!snapshot) {
    // What the widgets' first-run view asks of the user.
    summary.text = Foundation::localizedString("Open Kestrun");
    summary.severity = "none";
    return summary;
  }
  const WidgetSnapshot& s = *snapshot;
  std::vector<std::string> parts;
  parts.push_back(Foundation::localizedString("Wi-Fi") + " " + wifiValue(s));
  std::string memory = emDash;
  if (s.memory) {
    summary.memoryPercent = int(std::lround(std::clamp(s.memory->fraction(), 0.0, 1.0) * 100));
    memory = std::to_string(*summary.memoryPercent) + "%";
  }
  parts.push_back(Foundation::localizedString("Memory") + " " + memory);
  for (const VerdictPart& part : verdict(s)) parts.push_back(part.text);
  summary.stale = s.isStale(Foundation::Clock::now());
  if (summary.stale) parts.push_back("Updated " + relative(s.updated));
  for (const auto& p : parts) summary.text += (summary.text.empty() ? "" : separator) + p;

  int severity = 0;
  if (s.memory) severity = std::max(severity, rank(s.memory->pressure));
  for (const auto& item : s.attention) severity = std::max(severity, rank(item.severity));
  if (s.toCheck >= 1) severity = std::max(severity, 1);
  if (s.urgent >= 1) severity = 2;
  summary.severity = severity == 2 ? "critical" : severity == 1 ? "warning" : "info";

  auto& t = summary.tooltip;
  if (s.memory)
    t.push_back(Foundation::localizedString("Memory") + ": " + s.memory->pressureTitle() +
                " pressure, " + gigabytes(s.memory->used, 1, true) + " of " +
                gigabytes(s.memory->physical, 0, true));
  if (s.wifi)
    t.push_back(Foundation::localizedString("Wi-Fi") + ": " +
                (s.wifi->ssid ? shown(*s.wifi->ssid) : s.wifi->signalTitle() + " signal") +
                separator + shown(s.wifi->band) + separator + wifiValue(s));
  if (s.disk)
    t.push_back("Disk: " + diskSize(s.disk->free) + " free of " + diskSize(s.disk->total));
  if (s.devRunning != 0) t.push_back("Dev servers: " + std::to_string(s.devRunning) + " running");
  for (std::size_t i = 0; i < std::min(s.attention.size(), tooltipItems); ++i)
    t.push_back("\u2022 " + shown(s.attention[i].title));
  if (s.attentionTotal > std::int64_t(tooltipItems))
    t.push_back("+" + std::to_string(s.attentionTotal - std::int64_t(tooltipItems)) + " more");
  t.push_back("Updated " + relative(s.updated));
  return summary;
}

std::string formatStatus(const StatusSummary& summary, StatusFormat format) {
  std::string tooltip;
  for (const auto& line : summary.tooltip) tooltip += (tooltip.empty() ? "" : "\n") + line;
  if (format == StatusFormat::text) return summary.text;
  Foundation::JSON::Writer w;
  w.beginObject();
  if (format == StatusFormat::waybar) {
    // Waybar reads text and tooltip as Pango markup: snapshot texts must stay text.
    auto markup = [](std::string_view text) { return Foundation::escapedForMarkup(text); };
    w.key("text");
    w.value(markup(summary.text));
    w.key("tooltip");
    w.value(markup(tooltip));
    w.key("class");
    if (summary.stale) {
      w.beginArray();
      w.value(summary.severity);
      w.value("stale");
      w.endArray();
    } else {
      w.value(summary.severity);
    }
    if (summary.memoryPercent) {
      w.key("percentage");
      w.value(std::int64_t(*summary.memoryPercent));
    }
  } else {
    w.key("text");
    w.value(summary.text);
    w.key("severity");
    w.value(summary.severity);
    w.key("stale");
    w.value(summary.stale);
    w.key("memoryPercent");
    if (summary.memoryPercent)
      w.value(std::int64_t(*summary.memoryPercent));
    else
      w.null();
    w.key("tooltip");
    w.value(tooltip);
  }
  w.endObject();
  return w.text();
}

WidgetHost::Command statusCommand(int stopDescriptor) {
  using WidgetHost::Arguments;
  using WidgetHost::CommandIO;
  WidgetHost::Command command{
      "status",
      "",
      "One line summing up the current snapshot, for status bars.",
      {{"format",
        "",
        "text: the line; json: the line with its severity and details; waybar: "
        "Waybar's custom-module JSON (text, tooltip, class, percentage).",
        "text",
        {"text", "json", "waybar"}},
       {"watch", "",
        "Prints a new line each time the snapshot file is written, replaced or "
        "removed, or turns stale, and the line changes; runs until ended.",
        "print one line and exit"}},
      [stopDescriptor](const Arguments& args, CommandIO& io) {
        const std::string f = args.value("format").value_or("text");
        const StatusFormat format = f == "json"     ? StatusFormat::json
                                    : f == "waybar" ? StatusFormat::waybar
                                                    : StatusFormat::text;
        std::string last;
        // A line the same as the one before says nothing new to a bar: a file rewritten with the
        // same content, or the several events of one replacement.
        auto print = [&] {
          std::optional<WidgetSnapshot> snapshot = WidgetStore::read();
          std::string line = formatStatus(summarize(snapshot), format);
          if (line != last) io.out << line << '\n' << std::flush;
          last = std::move(line);
          return snapshot;
        };
        if (!args.has("watch")) {
          print();
          return WidgetHost::ExitStatus::success;
        }
        auto file = WidgetStore::fileURL();
        if (!file) {
          print();
          io.err << "kestrun-widgets status: no group identifier or container to watch\n";
          return WidgetHost::ExitStatus::notConfigured;
        }
        // Watching before the first read: a replacement in between is not missed.
        WidgetHost::PathWatch watch(*file);
        std::optional<WidgetSnapshot> snapshot = print();
        while (io.out) {
          // The one moment the line changes without the file: the snapshot turning stale.
          int timeout = -1;
          if (snapshot && !snapshot->isStale(Foundation::Clock::now())) {
            double seconds = snapshot->updated.timeIntervalSince(Foundation::Clock::now()) +
                             WidgetSnapshot::staleAfter + 1;
            timeout = int(std::clamp(seconds * 1000, 0.0, double(std::numeric_limits<int>::max())));
          }
          pollfd fds[2] = {{watch.descriptor(), POLLIN, 0}, {stopDescriptor, POLLIN, 0}};
          int ready = poll(fds, stopDescriptor >= 0 ? 2 : 1, timeout);
          if (ready < 0 && errno == EINTR) continue;
          if (ready < 0) throw std::system_error(errno, std::generic_category(), "poll");
          if (stopDescriptor >= 0 && fds[1].revents) break;
          if (ready == 0 || watch.handle()) snapshot = print();
        }
        return WidgetHost::ExitStatus::success;
      }};
  // Watching runs on: a --now date is where the clock starts, not where it stays.
  command.nowPace = Foundation::ClockPace::running;
  command.exitStatuses = {
      {WidgetHost::ExitStatus::success, "a line was printed, also for no snapshot"},
      {WidgetHost::ExitStatus::notConfigured, "--watch with no group identifier or container"}};
  return command;
}

}  // namespace KestrunWidgets
