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

// When to ask for a new timeline. The host asks once the last entry's date has passed; it may
// also ask on its own (a replaced file, a wake-up from sleep).
struct TimelineReloadPolicy {
  enum class Kind { atEnd };
  Kind kind = Kind::atEnd;

  static const TimelineReloadPolicy atEnd;

  // "atEnd".
  std::string description() const;

  friend bool operator==(const TimelineReloadPolicy&, const TimelineReloadPolicy&) = default;
};

inline const TimelineReloadPolicy TimelineReloadPolicy::atEnd{TimelineReloadPolicy::Kind::atEnd};

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
