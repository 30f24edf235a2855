// The timeline protocol between the widget host and a widget's provider.
//
// The host asks a provider for a placeholder (synchronous, at once), a snapshot (a transient display
// such as the gallery; `context.isPreview` is true there) or a timeline: entries in ascending date
// order, each shown from its date on, and a reload policy saying when to ask again. Providers are
// called on threads of the host's choosing; the completions are called exactly once, on the calling
// thread, before the operation returns.
#pragma once

#include <concepts>
#include <functional>
#include <string>
#include <vector>

#include "Platform/Foundation/Date.h"

namespace WidgetHost {

struct TimelineProviderContext {
  bool isPreview = false;
};

struct TimelineReloadPolicy {
  enum class Kind { atEnd, after, never };
  Kind kind = Kind::atEnd;
  Foundation::Date date{};  // for `after` only

  // Ask again once the last entry's date has passed.
  static const TimelineReloadPolicy atEnd;
  static const TimelineReloadPolicy never;
  static TimelineReloadPolicy after(Foundation::Date date) { return {Kind::after, date}; }

  // "atEnd", "never" or "after <RFC 3339 date>".
  std::string description() const;

  friend bool operator==(const TimelineReloadPolicy&, const TimelineReloadPolicy&) = default;
};

inline const TimelineReloadPolicy TimelineReloadPolicy::atEnd{TimelineReloadPolicy::Kind::atEnd, {}};
inline const TimelineReloadPolicy TimelineReloadPolicy::never{TimelineReloadPolicy::Kind::never, {}};

template <class Entry>
struct Timeline {
  std::vector<Entry> entries;
  TimelineReloadPolicy policy;
};

template <class E>
concept TimelineEntry = std::copy_constructible<E> && requires(const E& e) {
  { e.date } -> std::convertible_to<Foundation::Date>;
};

template <class P>
concept TimelineProvider =
    TimelineEntry<typename P::Entry> &&
    requires(const P& p, const TimelineProviderContext& context,
             const std::function<void(typename P::Entry)>& entryCompletion,
             const std::function<void(Timeline<typename P::Entry>)>& timelineCompletion) {
      { p.placeholder(context) } -> std::same_as<typename P::Entry>;
      p.getSnapshot(context, entryCompletion);
      p.getTimeline(context, timelineCompletion);
    };

}  // namespace WidgetHost
