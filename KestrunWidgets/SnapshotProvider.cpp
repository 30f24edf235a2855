#include "KestrunWidgets/SnapshotProvider.h"

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::SharedSnapshot;
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

std::optional<WidgetSnapshot> SnapshotProvider::read() const {
  return snapshotFile ? WidgetStore::readFrom(*snapshotFile) : WidgetStore::read();
}

SnapshotEntry SnapshotProvider::placeholder(const WidgetHost::TimelineProviderContext&) const {
  return {Foundation::Clock::now(), WidgetSnapshot::sample()};
}

void SnapshotProvider::getSnapshot(const WidgetHost::TimelineProviderContext& context,
                                   const std::function<void(SnapshotEntry)>& completion) const {
  Foundation::Date date = Foundation::Clock::now();
  std::optional<WidgetSnapshot> snapshot = read();
  if (!snapshot && context.isPreview) snapshot = WidgetSnapshot::sample();
  completion({date, std::move(snapshot)});
}

void SnapshotProvider::getTimeline(
    const WidgetHost::TimelineProviderContext&,
    const std::function<void(WidgetHost::Timeline<SnapshotEntry>)>& completion) const {
  SharedSnapshot snapshot = read();
  Foundation::Date now = Foundation::Clock::now();
  WidgetHost::Timeline<SnapshotEntry> timeline{{}, WidgetHost::TimelineReloadPolicy::atEnd};
  timeline.entries.reserve(timelineEntryCount);
  // At the very end of the writable years the later entries would carry dates no one can write
  // down; the timeline then stops early rather than repeat a clamped date.
  for (int i = 0; i < timelineEntryCount; ++i) {
    Foundation::Date date = now + i * timelineEntrySpacing;
    if (i > 0 && !Foundation::isRFC3339Representable(date)) break;
    timeline.entries.push_back({date, snapshot});
  }
  completion(std::move(timeline));
}
