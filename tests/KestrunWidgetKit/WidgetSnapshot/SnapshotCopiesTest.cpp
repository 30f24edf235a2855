// Copies of a snapshot are independent values under any sequence of operations: random sequences
// run against snapshots and, beside them, against plain vectors of items that model what each
// snapshot must hold.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::SharedSnapshot;
using KestrunWidgetKit::WidgetSnapshot;

namespace {

using Attention = WidgetSnapshot::Attention;

Attention item(int n) {
  return {"id" + std::to_string(n),  "title", "detail", WidgetSnapshot::Severity::info, "s", "bolt",
          WidgetSnapshot::Tint::blue};
}

TEST(SnapshotCopies, AReferenceTakenBeforeACopyNeverWritesIntoTheCopy) {
  WidgetSnapshot s = WidgetSnapshot::sample();
  auto& first = s.attention[0];
  WidgetSnapshot copy = s;
  first.title = "x";
  EXPECT_EQ(copy.attention[0].title, WidgetSnapshot::sample().attention[0].title);
  EXPECT_FALSE(copy.sameContent(s));
}

TEST(SnapshotCopies, RandomOperationSequencesMatchAModelOfPlainVectors) {
  std::mt19937 random(20261209);
  for (int run = 0; run < 200; ++run) {
    std::vector<WidgetSnapshot> snapshots{WidgetSnapshot::sample()};
    std::vector<std::vector<Attention>> models{WidgetSnapshot::sample().attention};
    int serial = 0;
    auto pick = [&](std::size_t n) {
      return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (int step = 0; step < 40; ++step) {
      std::size_t i = pick(snapshots.size());
      auto& list = snapshots[i].attention;
      auto& model = models[i];
      switch (pick(7)) {
        case 0:  // copy, then write through a reference and an iterator taken before the copy
          if (!list.empty()) {
            std::size_t k = pick(list.size());
            Attention& held = list[k];
            auto it = list.begin() + static_cast<std::ptrdiff_t>(k);
            const Attention* pointer = &list[k];
            snapshots.reserve(snapshots.size() + 1);  // keeps `held` valid across the push
            snapshots.push_back(snapshots[i]);
            models.push_back(models[i]);
            held.detail = "changed " + std::to_string(++serial);
            it->symbol = "star";
            models[i][k].detail = held.detail;
            models[i][k].symbol = "star";
            EXPECT_EQ(pointer, &snapshots[i].attention[k]);
          }
          break;
        case 1:  // plain copy
          snapshots.push_back(snapshots[i]);
          models.push_back(models[i]);
          break;
        case 2:  // growth after a copy
          list.push_back(item(++serial));
          model.push_back(item(serial));
          break;
        case 3:  // change every item through a range-for
          for (auto& a : list) a.severity = WidgetSnapshot::Severity::critical;
          for (auto& a : model) a.severity = WidgetSnapshot::Severity::critical;
          break;
        case 4:
          if (!list.empty()) {
            list.pop_back();
            model.pop_back();
          }
          break;
        case 5: {  // assignment from another snapshot
          std::size_t j = pick(snapshots.size());
          snapshots[i] = snapshots[j];
          models[i] = models[j];
          break;
        }
        case 6:
          if (!list.empty()) {
            std::size_t k = pick(list.size());
            list[k].tint = WidgetSnapshot::Tint::red;
            model[k].tint = WidgetSnapshot::Tint::red;
          }
          break;
      }
      for (std::size_t a = 0; a < snapshots.size(); ++a) {
        ASSERT_EQ(snapshots[a].attention, models[a]) << "run " << run << " step " << step;
        std::size_t b = pick(snapshots.size());
        EXPECT_EQ(snapshots[a].sameContent(snapshots[b]), models[a] == models[b]);
      }
    }
  }
}

TEST(SnapshotCopies, ASharedSnapshotIsOneImmutableValue) {
  SharedSnapshot none, alsoNone = std::nullopt;
  EXPECT_FALSE(none);
  EXPECT_EQ(none, alsoNone);
  EXPECT_EQ(none, std::nullopt);
  SharedSnapshot one = WidgetSnapshot::sample();
  SharedSnapshot two = one;
  EXPECT_TRUE(two.sharesWith(one));
  EXPECT_EQ(two, WidgetSnapshot::sample());
  // Changing what was read out makes a copy of its own; the shared one stays as it was.
  WidgetSnapshot changed = *two;
  changed.attention.clear();
  EXPECT_EQ(*one, WidgetSnapshot::sample());
  EXPECT_NE(SharedSnapshot(changed), one);
  EXPECT_EQ(SharedSnapshot(WidgetSnapshot::sample()), one);  // equal by value, not by identity
}

}  // namespace

namespace {

// Every field of every record takes part in equality: each change in turn must make the snapshot
// differ, and (but for `updated`) differ in content too. A field left out of an `==` fails here.
TEST(SnapshotEquality, EveryFieldOfEveryRecordCounts) {
  using S = WidgetSnapshot;
  const S base = WidgetSnapshot::sample();
  struct Change {
    const char* field;
    void (*apply)(S&);
  } changes[] = {
      {"updated", [](S& s) { s.updated = s.updated + 1; }},
      {"memory", [](S& s) { s.memory.reset(); }},
      {"memory.used", [](S& s) { s.memory->used += 1; }},
      {"memory.physical", [](S& s) { s.memory->physical += 1; }},
      {"memory.swapUsed", [](S& s) { s.memory->swapUsed += 1; }},
      {"memory.pressure", [](S& s) { s.memory->pressure = S::Severity::critical; }},
      {"wifiChecked", [](S& s) { s.wifiChecked = !s.wifiChecked; }},
      {"wifi", [](S& s) { s.wifi.reset(); }},
      {"wifi.ssid", [](S& s) { s.wifi->ssid = "Other"; }},
      {"wifi.ssid absent", [](S& s) { s.wifi->ssid.reset(); }},
      {"wifi.band", [](S& s) { s.wifi->band = "2.4 GHz"; }},
      {"wifi.rssi", [](S& s) { s.wifi->rssi += 1; }},
      {"wifi.routerMs", [](S& s) { s.wifi->routerMs = 99; }},
      {"wifi.internetMs", [](S& s) { s.wifi->internetMs.reset(); }},
      {"wifi.issues", [](S& s) { s.wifi->issues += 1; }},
      {"speedTest", [](S& s) { s.speedTest.reset(); }},
      {"speedTest.downloadMbps", [](S& s) { s.speedTest->downloadMbps += 1; }},
      {"speedTest.uploadMbps", [](S& s) { s.speedTest->uploadMbps += 1; }},
      {"speedTest.date", [](S& s) { s.speedTest->date = s.speedTest->date + 1; }},
      {"disk", [](S& s) { s.disk.reset(); }},
      {"disk.free", [](S& s) { s.disk->free += 1; }},
      {"disk.total", [](S& s) { s.disk->total += 1; }},
      {"disk.cleanable", [](S& s) { s.disk->cleanable.reset(); }},
      {"devRunning", [](S& s) { s.devRunning += 1; }},
      {"attention", [](S& s) { s.attention.pop_back(); }},
      {"attention.id", [](S& s) { s.attention[0].id = "x"; }},
      {"attention.title", [](S& s) { s.attention[0].title = "x"; }},
      {"attention.detail", [](S& s) { s.attention[0].detail = "x"; }},
      {"attention.severity", [](S& s) { s.attention[0].severity = S::Severity::critical; }},
      {"attention.section", [](S& s) { s.attention[0].section = "x"; }},
      {"attention.symbol", [](S& s) { s.attention[0].symbol = "x"; }},
      {"attention.tint", [](S& s) { s.attention[0].tint = S::Tint::red; }},
      {"attentionTotal", [](S& s) { s.attentionTotal += 1; }},
      {"urgent", [](S& s) { s.urgent += 1; }},
      {"toCheck", [](S& s) { s.toCheck += 1; }},
  };
  for (const auto& c : changes) {
    S changed = base;
    c.apply(changed);
    EXPECT_FALSE(changed == base) << c.field;
    EXPECT_FALSE(base == changed) << c.field;
    EXPECT_EQ(changed.sameContent(base), std::string_view(c.field) == "updated") << c.field;
  }
  // Text compares by canonical equivalence: é as one code point or as e + U+0301.
  S composed = base, decomposed = base;
  composed.attention[0].title = "caf\u00e9";
  decomposed.attention[0].title = "cafe\u0301";
  EXPECT_TRUE(composed == decomposed);
}

}  // namespace
