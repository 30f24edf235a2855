#include "Platform/WidgetHost/Desktop/Core/DesktopSettings.h"

#include <gtest/gtest.h>

namespace {

using namespace WidgetHost;
const std::vector<std::string> widgets = {"wifi", "memory", "overview", "health"};

TEST(DesktopSettings, NoFileMeansEverythingByDefault) {
  std::vector<std::string> problems;
  DesktopSettings s = DesktopSettings::parse("", widgets, problems);
  EXPECT_EQ(s.shown, widgets);
  EXPECT_EQ(s.appearance, DesktopSettings::Appearance::automatic);
  EXPECT_EQ(s.mode, DesktopSettings::Mode::full);
  EXPECT_EQ(s.scale, 0);
  EXPECT_EQ(s.placement("memory"), nullptr);
  EXPECT_TRUE(problems.empty());
}

TEST(DesktopSettings, ReadsEveryKey) {
  std::vector<std::string> problems;
  DesktopSettings s = DesktopSettings::parse(
      "[widgets]\nshown=health;memory;memory\nappearance=dark\nmode=accented\nscale=2\n"
      "[memory]\nmonitor=DP-2\nanchor=bottom-left\noffset=10;20\n",
      widgets, problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_EQ(s.shown, (std::vector<std::string>{"health", "memory"}));
  EXPECT_EQ(s.appearance, DesktopSettings::Appearance::dark);
  EXPECT_EQ(s.mode, DesktopSettings::Mode::accented);
  EXPECT_EQ(s.scale, 2);
  ASSERT_NE(s.placement("memory"), nullptr);
  EXPECT_EQ(s.placement("memory")->monitor, "DP-2");
  EXPECT_EQ(s.placement("memory")->anchor, Corner::bottomLeft);
  EXPECT_EQ(s.placement("memory")->offset, (ScreenPoint{10, 20}));
}

// Each invalid value: one message naming the key and what it accepts, and that key's default,
// while the valid keys around it still count.
TEST(DesktopSettings, AnInvalidValueGetsOneMessageAndItsDefault) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"[widgets]\nappearance=purple\nmode=accented\n",
       "[widgets] appearance: \"purple\" is not auto, light or dark; using auto"},
      {"[widgets]\nscale=4\nmode=accented\n",
       "[widgets] scale: \"4\" is not auto, 1, 2 or 3; using auto"},
      {"[widgets]\nmode=loud\nscale=1\n",
       "[widgets] mode: \"loud\" is not full or accented; using full"},
      {"[widgets]\nshown=memory;battery\nmode=accented\n",
       "[widgets] shown: \"battery\" is not one of wifi, memory, overview, health; left out"},
      {"[memory]\nanchor=middle\n[widgets]\nmode=accented\n",
       "[memory] anchor: \"middle\" is not top-left, top-right, bottom-left or bottom-right; using "
       "top-right"},
      {"[memory]\noffset=-5;x\n[widgets]\nmode=accented\n",
       "[memory] offset: \"-5;x\" is not two distances in pixels such as 16;16; using 16;16"},
      {"[widgets]\nappearance=\x1b[31mred\nmode=accented\n",
       "[widgets] appearance: \"?[31mred\" is not auto, light or dark; using auto"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> problems;
    DesktopSettings s = DesktopSettings::parse(c.text, widgets, problems);
    ASSERT_EQ(problems.size(), 1u) << c.text;
    EXPECT_EQ(problems[0], std::string("widgets.ini: ") + c.message);
    EXPECT_TRUE(s.mode == DesktopSettings::Mode::accented || s.scale == 1) << c.text;
  }
}

TEST(DesktopSettings, ADamagedFileIsAllDefaultsWithOneMessage) {
  std::vector<std::string> problems;
  DesktopSettings s = DesktopSettings::parse("[widgets\nmode=accented", widgets, problems);
  EXPECT_EQ(problems.size(), 1u);
  EXPECT_EQ(s.mode, DesktopSettings::Mode::full);
  EXPECT_EQ(s.shown, widgets);
}

TEST(AnchoredPosition, EachCornerOfTheWorkAreaAndNeverOffTheMonitor) {
  Monitor m{"A", {0, 0, 1280, 800}, {0, 30, 1280, 770}};
  ScreenSize size{170, 170};
  struct Case {
    Corner anchor;
    ScreenPoint offset, expected;
  } cases[] = {
      {Corner::topRight, {16, 16}, {1280 - 16 - 170, 46}},
      {Corner::topLeft, {16, 16}, {16, 46}},
      {Corner::bottomLeft, {10, 20}, {10, 800 - 20 - 170}},
      {Corner::bottomRight, {0, 0}, {1110, 630}},
      {Corner::topLeft, {5000, 5000}, {1110, 630}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(anchoredPosition({std::nullopt, c.anchor, c.offset}, m, size), c.expected);
}

}  // namespace
