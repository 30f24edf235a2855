#include "Platform/WidgetHost/Desktop/Core/Placement.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/Support/TestSupport.h"

namespace {

using namespace WidgetHost;
namespace fs = std::filesystem;

TEST(FirstPlacement, AColumnAtTheTopRightWithEvenGaps) {
  ScreenRect area{0, 30, 1280, 770};  // a panel along the top
  auto points = firstPlacement(area, {{170, 170}, {170, 170}, {364, 170}}, 16);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0], (ScreenPoint{1280 - 16 - 170, 46}));
  EXPECT_EQ(points[1], (ScreenPoint{1280 - 16 - 170, 46 + 170 + 16}));
  EXPECT_EQ(points[2], (ScreenPoint{1280 - 16 - 364, 46 + 2 * (170 + 16)}));
}

TEST(FirstPlacement, WhatDoesNotFitStartsTheNextColumnToTheLeft) {
  ScreenRect area{100, 0, 800, 400};
  auto points = firstPlacement(area, {{200, 180}, {300, 180}, {200, 180}}, 10);
  EXPECT_EQ(points[0], (ScreenPoint{900 - 10 - 200, 10}));
  EXPECT_EQ(points[1], (ScreenPoint{900 - 10 - 300, 200}));
  // The first column is as wide as its widest widget.
  EXPECT_EQ(points[2], (ScreenPoint{900 - 10 - 300 - 10 - 200, 10}));
}

TEST(PositionStore, KeepsPositionsPerWidgetAndMonitorAcrossRuns) {
  TestSupport::TemporaryDirectory tmp;
  fs::path file = tmp.path() / "state" / "kestrun-widgets" / "positions.ini";
  {
    PositionStore store(file);
    EXPECT_EQ(store.offset("memory", "HDMI-1"), std::nullopt);
    store.set("memory", "HDMI-1", {40, 50});
    store.set("memory", "DP-2", {5, 6});
    store.set("wifi", "odd name/ü", {7, 8});
    store.set("memory", "HDMI-1", {41, 51});
    store.save();
  }
  PositionStore again(file);
  EXPECT_EQ(again.offset("memory", "HDMI-1"), (ScreenPoint{41, 51}));
  EXPECT_EQ(again.offset("memory", "DP-2"), (ScreenPoint{5, 6}));
  EXPECT_EQ(again.offset("wifi", "odd name/ü"), (ScreenPoint{7, 8}));
  EXPECT_EQ(again.lastMonitor("memory"), "HDMI-1");
  EXPECT_EQ(again.offset("wifi", "HDMI-1"), std::nullopt);
}

TEST(PositionStore, ADamagedFileIsNoPositionsAndIsReplacedWhole) {
  TestSupport::TemporaryDirectory tmp;
  fs::path file = tmp.path() / "positions.ini";
  for (const char* text :
       {"[memory\nmonitor=", "\x01\x02\xff", "[memory]\nmonitor=A\nmonitors=A;\nat-A=1;\n"}) {
    std::ofstream(file) << text;
    PositionStore store(file);
    EXPECT_EQ(store.offset("memory", "A"), std::nullopt) << text;
    store.set("memory", "A", {3, 4});
    store.save();
    EXPECT_EQ(PositionStore(file).offset("memory", "A"), (ScreenPoint{3, 4}));
  }
}

TEST(PlaceWidget, GoesBackToItsMonitorOrElseToThePrimaryOne) {
  TestSupport::TemporaryDirectory tmp;
  PositionStore store(tmp.path() / "positions.ini");
  store.set("memory", "DP-2", {100, 200});
  std::vector<Monitor> both = {{"HDMI-1", {0, 0, 1920, 1080}, {0, 0, 1920, 1050}},
                               {"DP-2", {1920, 0, 1280, 1024}, {1920, 0, 1280, 1024}}};
  ScreenPoint fallback{1700, 16};
  Placement p = placeWidget(store, "memory", both, fallback);
  EXPECT_EQ(p.monitor, "DP-2");
  EXPECT_EQ(p.position, (ScreenPoint{2020, 200}));
  // DP-2 unplugged: the primary monitor, where the widget has never been.
  p = placeWidget(store, "memory", {both[0]}, fallback);
  EXPECT_EQ(p.monitor, "HDMI-1");
  EXPECT_EQ(p.position, fallback);
  // Never placed at all.
  EXPECT_EQ(placeWidget(store, "wifi", both, fallback).position, fallback);
  // A monitor that shrank keeps the corner on it.
  store.set("memory", "HDMI-1", {3000, 2000});
  store.set("memory", "HDMI-1", {3000, 2000});
  p = placeWidget(store, "memory", {both[0]}, fallback);
  EXPECT_EQ(p.position, (ScreenPoint{1919, 1079}));
}

TEST(MonitorAt, ThePointsMonitorElseThePrimary) {
  std::vector<Monitor> both = {{"A", {0, 0, 100, 100}, {}}, {"B", {100, 0, 100, 100}, {}}};
  EXPECT_EQ(monitorAt(both, {150, 50})->name, "B");
  EXPECT_EQ(monitorAt(both, {-5, 500})->name, "A");
  EXPECT_EQ(monitorAt({}, {0, 0}), nullptr);
}

}  // namespace
