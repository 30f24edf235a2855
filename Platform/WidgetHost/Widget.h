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
//
// Widgets often share one provider (all of an extension's widgets show the same data). When the
// host asks several widgets at once (drawing them all, a gallery, new timelines after the data
// changed), it hands them one ProviderAnswers: each distinct provider is then asked once, and every
// widget with an equal provider is given that same answer, so the data behind it is read and
// decoded once and shared. The answers live as long as the caller's request, no longer.
#pragma once

#include <concepts>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
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

// What the providers answered within one request of the host, kept by provider (its type and
// value) and question, so that equal providers are asked once. Owned by the caller of the request
// and used on its thread only; the answers it holds are immutable and shared with the entries.
class ProviderAnswers {
 public:
  enum class Question { snapshot, timeline };

  // The answer an equal provider gave to the same question in this request, or `ask()`'s,
  // which is then kept. Providers that cannot be compared are asked every time.
  template <class P, class Answer, class Ask>
  std::shared_ptr<const Answer> answer(const P& provider, Question question,
                                       const TimelineProviderContext& context, Ask ask) {
    if constexpr (std::equality_comparable<P>) {
      for (const Kept& k : kept_)
        if (k.type == std::type_index(typeid(P)) && k.question == question &&
            k.isPreview == context.isPreview &&
            *static_cast<const P*>(k.provider.get()) == provider)
          return std::static_pointer_cast<const Answer>(k.answer);
      auto answer = std::make_shared<const Answer>(ask());
      kept_.push_back({std::type_index(typeid(P)), question, context.isPreview,
                       std::make_shared<const P>(provider), answer});
      return answer;
    } else {
      return std::make_shared<const Answer>(ask());
    }
  }

  // How many providers were asked (for tests).
  std::size_t questionsAsked() const { return kept_.size(); }

 private:
  struct Kept {
    std::type_index type;
    Question question;
    bool isPreview;
    std::shared_ptr<const void> provider;
    std::shared_ptr<const void> answer;
  };
  std::vector<Kept> kept_;
};

struct WidgetDescription {
  std::string kind;
  std::string displayName;  // localizable keys, looked up when shown
  std::string description;
  std::vector<WidgetFamily> supportedFamilies;
  bool contentMarginsDisabled = false;

  // The provider's three requests, as entries of this widget. Given `answers`, a snapshot or
  // timeline an equal provider already gave within the same request is used again.
  HostEntry placeholder(const TimelineProviderContext& context) const {
    return placeholderRequest(context);
  }
  HostEntry snapshot(const TimelineProviderContext& context,
                     ProviderAnswers* answers = nullptr) const {
    return snapshotRequest(context, answers);
  }
  HostTimeline timeline(const TimelineProviderContext& context,
                        ProviderAnswers* answers = nullptr) const {
    return timelineRequest(context, answers);
  }

  std::function<HostEntry(const TimelineProviderContext&)> placeholderRequest;
  std::function<HostEntry(const TimelineProviderContext&, ProviderAnswers*)> snapshotRequest;
  std::function<HostTimeline(const TimelineProviderContext&, ProviderAnswers*)> timelineRequest;

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
    d.placeholderRequest = [provider, erase](const TimelineProviderContext& c) {
      return erase(provider.placeholder(c));
    };
    d.snapshotRequest = [provider, erase](const TimelineProviderContext& c,
                                          ProviderAnswers* answers) {
      auto ask = [&] {
        std::optional<Entry> delivered;
        provider.getSnapshot(c, [&](Entry e) { delivered = std::move(e); });
        return std::move(*delivered);
      };
      if (!answers) return erase(ask());
      return erase(
          *answers->answer<P, Entry>(provider, ProviderAnswers::Question::snapshot, c, ask));
    };
    d.timelineRequest = [provider, erase](const TimelineProviderContext& c,
                                          ProviderAnswers* answers) {
      auto ask = [&] {
        std::optional<Timeline<Entry>> delivered;
        provider.getTimeline(c, [&](Timeline<Entry> timeline) { delivered = std::move(timeline); });
        return std::move(*delivered);
      };
      auto toHost = [&](const Timeline<Entry>& timeline) {
        HostTimeline t;
        t.policy = timeline.policy;
        t.entries.reserve(timeline.entries.size());
        for (const auto& e : timeline.entries) t.entries.push_back(erase(e));
        return t;
      };
      if (!answers) return toHost(ask());
      return toHost(*answers->answer<P, Timeline<Entry>>(
          provider, ProviderAnswers::Question::timeline, c, ask));
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
