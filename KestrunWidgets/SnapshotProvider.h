// The one timeline provider of the widgets, and its entry.
//
// Stateless: every snapshot or timeline request reads the shared file anew through
// WidgetStore::read() (one read, one decode), or the file it was given instead; the placeholder
// never touches it. The only substitute ever used is the sample, for the placeholder and for a
// preview snapshot when nothing can be read. Safe to call from any thread.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/Foundation/Date.h"
#include "Platform/WidgetHost/Timeline.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::SharedSnapshot;
using KestrunWidgetKit::WidgetSnapshot;

// A timeline entry: when the host is to show it, and the snapshot the views show (none: the
// first-run view). It carries no relevance of its own. The entries of one timeline share one
// decoded snapshot, so that seven entries of a large document hold it once.
struct SnapshotEntry {
  Foundation::Date date;
  SharedSnapshot snapshot;
};

struct SnapshotProvider {
  using Entry = SnapshotEntry;

  // Where the snapshot is read from: none is the store's file in the group container; a file
  // named here is read the same way instead (the host's --snapshot option).
  std::optional<std::filesystem::path> snapshotFile;

  // Entries 0, 300, … 1800 seconds after the request's current time (fewer when the later ones
  // would fall past the last instant an RFC 3339 date can name).
  static constexpr int timelineEntryCount = 7;
  static constexpr Foundation::TimeInterval timelineEntrySpacing = 300;

  // Providers reading the same file give the same answers: the host asks one of them for all.
  friend bool operator==(const SnapshotProvider&, const SnapshotProvider&) = default;

  SnapshotEntry placeholder(const WidgetHost::TimelineProviderContext& context) const;
  void getSnapshot(const WidgetHost::TimelineProviderContext& context,
                   const std::function<void(SnapshotEntry)>& completion) const;
  void getTimeline(
      const WidgetHost::TimelineProviderContext& context,
      const std::function<void(WidgetHost::Timeline<SnapshotEntry>)>& completion) const;

 private:
  std::optional<WidgetSnapshot> read() const;
};

static_assert(WidgetHost::TimelineProvider<SnapshotProvider>);
