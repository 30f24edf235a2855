#include "KestrunWidgets/SnapshotProvider.h"

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"

SnapshotEntry SnapshotProvider::placeholder(const WidgetHost::TimelineProviderContext&) const {
  return {Foundation::Clock::now(), WidgetSnapshot::sample()};
}

void SnapshotProvider::getSnapshot(const WidgetHost::TimelineProviderContext& context,
                                   const std::function<void(SnapshotEntry)>& completion) const {
  Foundation::Date date = Foundation::Clock::now();
  std::optional<WidgetSnapshot> snapshot = WidgetStore::read();
  if (!snapshot && context.isPreview) snapshot = WidgetSnapshot::sample();
  completion({date, std::move(snapshot)});
}

void SnapshotProvider::getTimeline(
    const WidgetHost::TimelineProviderContext&,
    const std::function<void(WidgetHost::Timeline<SnapshotEntry>)>& completion) const {
  std::optional<WidgetSnapshot> snapshot = WidgetStore::read();
  Foundation::Date now = Foundation::Clock::now();
  WidgetHost::Timeline<SnapshotEntry> timeline{{}, WidgetHost::TimelineReloadPolicy::atEnd};
  timeline.entries.reserve(timelineEntryCount);
  for (int i = 0; i < timelineEntryCount; ++i)
    timeline.entries.push_back({now + i * timelineEntrySpacing, snapshot});
  completion(std::move(timeline));
}
