// What a widget extension tells the host: its program's name and title, and its widgets, each a
// kind, a provider, a content builder and the texts of the widget gallery.
//
// The host is generic: it knows timelines, configurations and views, never the data behind them.
// A configuration is written as the platform writes it,
//
//   StaticConfiguration(kind, SnapshotProvider{}, [](const SnapshotEntry& e) { return ...; })
//       .configurationDisplayName("Memory")
//       .description("How much RAM is in use ...")
//       .supportedFamilies({WidgetFamily::systemSmall});
//
// and erased into a WidgetDescription, which is all the host keeps: the provider's three requests
// answer with entries whose content is built on demand, on the thread that asks for it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/ViewToolkit/Geometry.h"
#include "Platform/ViewToolkit/View.h"
#include "Platform/WidgetHost/Timeline.h"

namespace WidgetHost {

enum class WidgetFamily { systemSmall, systemMedium, systemLarge };

// "small", "medium", "large".
std::string_view familyName(WidgetFamily family);

// The family's size in points, the margins the host puts around content that has not disabled
// them, and the radius of the widget's corners.
struct FamilyMetrics {
  ViewToolkit::Size size;
  double contentMargin;
  double cornerRadius;
};
FamilyMetrics metrics(WidgetFamily family);

// An entry as the host keeps it: when to show it, and how to build what it shows.
struct HostEntry {
  Foundation::Date date;
  std::function<ViewToolkit::View()> content;
};
using HostTimeline = Timeline<HostEntry>;

struct WidgetDescription {
  std::string kind;
  std::string displayName;  // localizable keys, looked up when shown
  std::string description;
  std::vector<WidgetFamily> supportedFamilies;
  bool contentMarginsDisabled = false;

  std::function<HostEntry(const TimelineProviderContext&)> placeholder;
  std::function<HostEntry(const TimelineProviderContext&)> snapshot;
  std::function<HostTimeline(const TimelineProviderContext&)> timeline;

  // The last component of the kind ("health" of "app.kestrun.widgets.health").
  std::string kindSuffix() const;
};

template <TimelineProvider P, class Content>
requires std::invocable<const Content&, const typename P::Entry&>
class StaticConfiguration {
 public:
  StaticConfiguration(std::string_view kind, P provider, Content content)
      : provider_(std::move(provider)), content_(std::move(content)) {
    description_.kind = std::string(kind);
  }

  StaticConfiguration configurationDisplayName(std::string_view key) const {
    auto copy = *this;
    copy.description_.displayName = std::string(key);
    return copy;
  }
  StaticConfiguration description(std::string_view key) const {
    auto copy = *this;
    copy.description_.description = std::string(key);
    return copy;
  }
  StaticConfiguration supportedFamilies(std::vector<WidgetFamily> families) const {
    auto copy = *this;
    copy.description_.supportedFamilies = std::move(families);
    return copy;
  }
  StaticConfiguration contentMarginsDisabled() const {
    auto copy = *this;
    copy.description_.contentMarginsDisabled = true;
    return copy;
  }

  operator WidgetDescription() const {
    using Entry = typename P::Entry;
    WidgetDescription d = description_;
    P provider = provider_;
    Content content = content_;
    auto erase = [content](Entry entry) {
      Foundation::Date date = entry.date;
      return HostEntry{date, [content, entry] { return ViewToolkit::View(content(entry)); }};
    };
    d.placeholder = [provider, erase](const TimelineProviderContext& c) {
      return erase(provider.placeholder(c));
    };
    d.snapshot = [provider, erase](const TimelineProviderContext& c) {
      std::optional<HostEntry> delivered;
      provider.getSnapshot(c, [&](Entry e) { delivered = erase(std::move(e)); });
      return std::move(*delivered);
    };
    d.timeline = [provider, erase](const TimelineProviderContext& c) {
      HostTimeline t;
      provider.getTimeline(c, [&](Timeline<Entry> timeline) {
        t.policy = timeline.policy;
        t.entries.reserve(timeline.entries.size());
        for (auto& e : timeline.entries) t.entries.push_back(erase(std::move(e)));
      });
      return t;
    };
    return d;
  }

 private:
  P provider_;
  Content content_;
  WidgetDescription description_;
};

// The extension's widgets as they are when their data comes from a file the user names (the
// --snapshot option) instead of from where the widgets find it themselves, and why that file
// cannot be read, when it cannot.
struct WidgetsReadingFile {
  std::vector<WidgetDescription> widgets;
  std::optional<std::string> whyUnreadable;
};

// What an extension tells the host about itself. The host names nothing of its own: its options,
// help and messages are made of these.
struct WidgetExtension {
  std::string programName;  // in usage lines and messages, e.g. "kestrun-widgets"
  std::string title;        // the desktop's window that holds every widget together
  std::vector<WidgetDescription> widgets;
  // The widgets reading a given file, made for the one command that names it; empty when the
  // extension reads no files of the user's choosing (--snapshot is then a usage error).
  std::function<WidgetsReadingFile(const std::filesystem::path&)> readingFile;
};

// The entry of a timeline that is current at `now`: the last whose date has come, else the first.
const HostEntry* currentEntry(const HostTimeline& timeline, Foundation::Date now);

}  // namespace WidgetHost
