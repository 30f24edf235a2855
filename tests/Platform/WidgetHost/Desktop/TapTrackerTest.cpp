#include "Platform/WidgetHost/Desktop/Core/TapTracker.h"

#include <gtest/gtest.h>

namespace {

using WidgetHost::TapTracker;
const std::optional<std::string> memory = "kestrun://open/memory";
const std::optional<std::string> wifi = "kestrun://open/wifi";

TEST(TapTracker, OpensOnReleaseOverTheLinkThePressBeganOn) {
  struct Case {
    const char* what;
    std::optional<std::string> atPress, atRelease;
    std::optional<std::string> opens;
  } cases[] = {
      {"a click on a link", memory, memory, memory},
      {"released over another link", memory, wifi, std::nullopt},
      {"released outside every link", memory, std::nullopt, std::nullopt},
      {"pressed outside every link", std::nullopt, memory, std::nullopt},
  };
  for (const Case& c : cases) {
    TapTracker taps;
    taps.pressed(1, {10, 10}, c.atPress);
    EXPECT_EQ(taps.released(c.atRelease), c.opens) << c.what;
  }
}

TEST(TapTracker, ADoubleClickOpensOnce) {
  TapTracker taps;
  int opened = 0;
  for (int count : {1, 2}) {
    taps.pressed(count, {10, 10}, memory);
    if (taps.released(memory)) ++opened;
  }
  EXPECT_EQ(opened, 1);
}

TEST(TapTracker, APressThatTravelsStartsAMoveAndOpensNothing) {
  TapTracker taps;
  taps.pressed(1, {10, 10}, memory);
  EXPECT_FALSE(taps.moved({12, 12}));  // a shaky hand is still a tap
  EXPECT_TRUE(taps.moved({10 + TapTracker::slop + 1, 10}));
  EXPECT_FALSE(taps.moved({40, 40}));  // the move begins once
  EXPECT_EQ(taps.released(memory), std::nullopt);
  EXPECT_FALSE(taps.moved({80, 80}));  // no press, no move
}

TEST(TapTracker, AReleaseWithoutAPressOrAfterACancelOpensNothing) {
  TapTracker taps;
  EXPECT_EQ(taps.released(memory), std::nullopt);
  taps.pressed(1, {10, 10}, memory);
  taps.cancel();
  EXPECT_EQ(taps.released(memory), std::nullopt);
}

}  // namespace
