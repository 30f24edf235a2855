#include "KestrunWidgets/SnapshotProvider.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <functional>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/WidgetHost/WidgetRendering.h"
#include "tests/KestrunWidgets/CommandLineTesting.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using WidgetHost::Timeline;
using WidgetHost::TimelineProviderContext;

const TimelineProviderContext preview{true}, widget{false};

SnapshotEntry snapshotEntry(const TimelineProviderContext& context) {
  std::optional<SnapshotEntry> delivered;
  int calls = 0;
  SnapshotProvider{}.getSnapshot(context, [&](SnapshotEntry e) {
    delivered = std::move(e);
    ++calls;
  });
  EXPECT_EQ(calls, 1);
  return *delivered;
}

Timeline<SnapshotEntry> timeline(const TimelineProviderContext& context) {
  std::optional<Timeline<SnapshotEntry>> delivered;
  int calls = 0;
  SnapshotProvider{}.getTimeline(context, [&](Timeline<SnapshotEntry> t) {
    delivered = std::move(t);
    ++calls;
  });
  EXPECT_EQ(calls, 1);
  return *delivered;
}

WidgetSnapshot stored(double updated) {
  WidgetSnapshot s = WidgetSnapshot::sample();
  s.updated = Foundation::Date{updated};
  s.speedTest->date = Foundation::Date{updated - 60};
  s.devRunning = 9;
  return s;
}

TEST(SnapshotProvider, WithoutAFile) {
  TestSupport::ScopedWidgetContainer container;
  Foundation::ScopedClock clock(Foundation::Date{2'000'000'000});

  SnapshotEntry placeholder = SnapshotProvider{}.placeholder(widget);
  EXPECT_EQ(placeholder.date, Foundation::Date{2'000'000'000});
  EXPECT_EQ(placeholder.snapshot, WidgetSnapshot::sample());

  EXPECT_FALSE(snapshotEntry(widget).snapshot);
  EXPECT_EQ(snapshotEntry(preview).snapshot, WidgetSnapshot::sample());
  EXPECT_EQ(snapshotEntry(preview).date, Foundation::Date{2'000'000'000});

  for (const auto& context : {widget, preview}) {
    auto t = timeline(context);
    ASSERT_EQ(t.entries.size(), 7u);
    for (const auto& e : t.entries) EXPECT_FALSE(e.snapshot);  // never the sample
    EXPECT_EQ(t.policy, WidgetHost::TimelineReloadPolicy::atEnd);
  }
}

TEST(SnapshotProvider, WithAFile) {
  TestSupport::ScopedWidgetContainer container;
  WidgetStore::write(stored(1'999'999'000));
  Foundation::ScopedClock clock(Foundation::Date{2'000'000'000.25});

  EXPECT_EQ(SnapshotProvider{}.placeholder(widget).snapshot, WidgetSnapshot::sample());
  EXPECT_EQ(snapshotEntry(widget).snapshot, stored(1'999'999'000));
  EXPECT_EQ(snapshotEntry(preview).snapshot, stored(1'999'999'000));

  auto t = timeline(widget);
  ASSERT_EQ(t.entries.size(), 7u);
  for (std::size_t i = 0; i < t.entries.size(); ++i) {
    EXPECT_EQ(t.entries[i].date, Foundation::Date{2'000'000'000.25 + 300.0 * i}) << i;
    EXPECT_EQ(t.entries[i].snapshot, stored(1'999'999'000)) << i;
    // The entries hold one decoded snapshot between them.
    EXPECT_TRUE(t.entries[i].snapshot.sharesWith(t.entries[0].snapshot));
  }
  EXPECT_EQ(t.entries.capacity(), 7u);
}

TEST(SnapshotProvider, AChangedFileReachesOnlyTheNextTimeline) {
  TestSupport::ScopedWidgetContainer container;
  WidgetStore::write(stored(1'000));
  auto first = timeline(widget);
  WidgetStore::write(stored(2'000));
  auto second = timeline(widget);
  EXPECT_EQ(first.entries.back().snapshot, stored(1'000));
  EXPECT_EQ(second.entries.front().snapshot, stored(2'000));

  TestSupport::writeFile(container.snapshotFile(), "{\"updated\":");
  EXPECT_FALSE(timeline(widget).entries.front().snapshot);
  EXPECT_EQ(snapshotEntry(preview).snapshot, WidgetSnapshot::sample());
}

}  // namespace

namespace {

// Opens of the snapshot file while `body` runs, as the kernel reports them.
int opensDuring(const std::filesystem::path& file, const std::function<void()>& body) {
  int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(fd, 0);
  EXPECT_GE(::inotify_add_watch(fd, file.c_str(), IN_OPEN), 0);
  body();
  int opens = 0;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
    for (char* p = buffer; p < buffer + got;) {
      auto* event = reinterpret_cast<inotify_event*>(p);
      if (event->mask & IN_OPEN) ++opens;
      p += sizeof(inotify_event) + event->len;
    }
  ::close(fd);
  return opens;
}

// The file is read exactly once per snapshot and timeline request, and never for a placeholder.
TEST(SnapshotProvider, ReadsTheFileOncePerRequestAndNeverForThePlaceholder) {
  TestSupport::ScopedWidgetContainer container;
  WidgetStore::write(stored(1'000));
  const auto file = container.snapshotFile();
  EXPECT_EQ(opensDuring(file, [] { SnapshotProvider{}.placeholder(widget); }), 0);
  EXPECT_EQ(opensDuring(file, [] { snapshotEntry(widget); }), 1);
  EXPECT_EQ(opensDuring(file, [] { snapshotEntry(preview); }), 1);
  EXPECT_EQ(opensDuring(file, [] { timeline(widget); }), 1);
}

}  // namespace

namespace {

// The four widgets asked together (drawing them all, a gallery, the live host's new timelines)
// read and decode the file once between them; the next request reads it again.
TEST(SnapshotProvider, WidgetsAskedTogetherReadTheFileOnceAndTheNextRequestAgain) {
  TestSupport::ScopedWidgetContainer container;
  WidgetStore::write(stored(1'000));
  const auto file = container.snapshotFile();
  const auto widgets = KestrunWidgetBundle{}.body();
  ASSERT_EQ(widgets.size(), 4u);
  std::vector<WidgetHost::HostTimeline> timelines;
  EXPECT_EQ(opensDuring(file,
                        [&] {
                          WidgetHost::ProviderAnswers answers;
                          for (const auto& w : widgets)
                            timelines.push_back(w.timeline({}, &answers));
                          EXPECT_EQ(answers.questionsAsked(), 1u);
                        }),
            1);
  EXPECT_EQ(opensDuring(file,
                        [&] {
                          WidgetHost::ProviderAnswers answers;
                          for (const auto& w : widgets) w.snapshot({true}, &answers);
                        }),
            1);

  // A changed file reaches the next request, for every widget that shows what changed.
  WidgetSnapshot changed = stored(1'000);
  changed.memory->used /= 2;
  WidgetStore::write(changed);
  TestSupport::TemporaryDirectory out;
  EXPECT_EQ(opensDuring(file,
                        [&] {
                          auto r = CommandLineTesting::run(
                              {"render", "--widget", "all", "--out", out.path().string()});
                          EXPECT_EQ(r.status, 0) << r.err;
                        }),
            1);
  EXPECT_EQ(
      opensDuring(file,
                  [&] {
                    auto r = CommandLineTesting::run({"gallery", "--out", out.path().string()});
                    EXPECT_EQ(r.status, 0) << r.err;
                  }),
      1);
  auto tree = [](const WidgetHost::WidgetDescription& w, const WidgetHost::HostEntry& e) {
    return WidgetHost::renderWidget(w, e, {}, ViewToolkit::PangoTextSystem::shared()).json(w);
  };
  WidgetHost::ProviderAnswers answers;
  for (std::size_t i = 1; i < widgets.size(); ++i) {  // all but Wi-Fi show the memory used
    const auto now = widgets[i].timeline({}, &answers);
    EXPECT_NE(tree(widgets[i], now.entries.front()), tree(widgets[i], timelines[i].entries.front()))
        << widgets[i].kind;
  }
}

}  // namespace
