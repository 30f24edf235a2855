// The Wi-Fi widget for each state of the link: joined with and without a router latency, not
// joined, not checked yet; the signal tint's bounds; the network line; the footer; where taps go.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "KestrunWidgetKit/WidgetViews/WiFiWidgetView.h"
#include "Platform/Foundation/Date.h"
#include "tests/KestrunWidgetKit/WidgetViews/WidgetViewTesting.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;
using KestrunWidgetKit::WiFiWidgetView;

using namespace WidgetViewTesting;

namespace {

const Texts speedLine{"[arrow.down]", "236", "[arrow.up]", "41 Mbps"};

Texts join(Texts a, const Texts& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Case {
  const char* name;
  WidgetSnapshot snapshot;
  Texts shown;
  std::string tint;  // of the ring's symbol, and of the signal line when there is one
  double bigValueSize;
};

}  // namespace

TEST(WiFiWidgetView, ShowsTheMainBlockOfEachCase) {
  Foundation::ScopedClock clock(now);
  const Case cases[] = {
      {"latency", fullSnapshot(),
       join({"[wifi]", "WI-FI", "4 ms", "Good signal", "Home · 5 GHz"}, speedLine), "green", 26},
      {"no latency", with([](auto& s) { s.wifi->routerMs.reset(), s.wifi->rssi = -70; }),
       join({"[wifi]", "WI-FI", "Fair", "-70 dBm", "Home · 5 GHz"}, speedLine), "yellow", 26},
      {"not joined", with([](auto& s) { s.wifi.reset(); }),
       join({"[wifi.slash]", "WI-FI", "Offline", "Not joined to a network"}, speedLine), "gray",
       26},
      {"not checked", with([](auto& s) { s.wifi.reset(), s.wifiChecked = false; }),
       join({"[wifi.slash]", "WI-FI", "Checking…", "Kestrun pings every 2 min"}, speedLine), "gray",
       20},
      {"no name", with([](auto& s) { s.wifi->ssid.reset(); }),
       join({"[wifi]", "WI-FI", "4 ms", "Good signal", "5 GHz"}, speedLine), "green", 26},
      {"empty band kept", with([](auto& s) { s.wifi->ssid = "Office", s.wifi->band = ""; }),
       join({"[wifi]", "WI-FI", "4 ms", "Good signal", "Office · "}, speedLine), "green", 26},
      {"no speed test",
       with([](auto& s) { s.speedTest.reset(); }),
       {"[wifi]", "WI-FI", "4 ms", "Good signal", "Home · 5 GHz"},
       "green",
       26},
      {"negative latency", with([](auto& s) { s.wifi->routerMs = -5; }),
       join({"[wifi]", "WI-FI", "-5 ms", "Good signal", "Home · 5 GHz"}, speedLine), "green", 26},
      {"strength at its lowest", with([](auto& s) {
         s.wifi->routerMs.reset(), s.wifi->rssi = std::numeric_limits<std::int64_t>::min();
       }),
       join({"[wifi]", "WI-FI", "Weak", "-9223372036854775808 dBm", "Home · 5 GHz"}, speedLine),
       "red", 26},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LaidOutView laid = lay(WiFiWidgetView{c.snapshot}, small);
    EXPECT_EQ(shown(laid), c.shown);
    EXPECT_EQ(symbolColor(laid, c.snapshot.wifi ? "wifi" : "wifi.slash"), c.tint);
    EXPECT_EQ(fontSizeOf(laid, c.shown[2]), c.bigValueSize);
    if (c.snapshot.wifi) {
      EXPECT_EQ(colorOf(laid, c.shown[3]), c.tint);  // the signal line
      EXPECT_EQ(colorOf(laid, c.shown[4]), "secondary");
      EXPECT_EQ(findShown(laid.root, c.shown[4])->text->paragraph.lineLimit, 1);
      // The ring has a value: a track and an arc, no pale disc.
      EXPECT_FALSE(findFill(laid.root, "gray@0.15"));
    } else {
      EXPECT_EQ(colorOf(laid, c.shown[3]), "secondary");
      EXPECT_TRUE(findFill(laid.root, "gray@0.15")) << laid.json(true);
    }
  }
}

TEST(WiFiWidgetView, TintsBySignalBoundsOfItsOwn) {
  Foundation::ScopedClock clock(now);
  // The word comes from signalTitle's bounds, the colour from the widget's: -65 is "Good" yet
  // yellow, -72 is "Fair" and still yellow.
  const struct {
    std::int64_t rssi;
    const char* line;
    const char* tint;
  } cases[] = {
      {0, "Excellent signal", "green"}, {-60, "Good signal", "green"},
      {-61, "Good signal", "yellow"},   {-65, "Good signal", "yellow"},
      {-72, "Fair signal", "yellow"},   {-73, "Weak signal", "red"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rssi);
    const LaidOutView laid =
        lay(WiFiWidgetView{with([&](auto& s) { s.wifi->rssi = c.rssi; })}, small);
    EXPECT_EQ(colorOf(laid, c.line), c.tint);
    EXPECT_EQ(symbolColor(laid, "wifi"), c.tint);
  }
}

TEST(WiFiWidgetView, TheFooterTurnsIntoTheAgeOnceStale) {
  Foundation::ScopedClock clock(now);
  const struct {
    const char* name;
    Foundation::TimeInterval age;
    bool hasSpeedTest;
    Texts footer;
  } cases[] = {
      {"just fresh", 1200, true, speedLine},
      {"from the future", -3600, true, speedLine},
      {"stale", 1201, true, {"[clock]", "Updated 20 min. ago"}},
      {"stale without a speed test", 7200, false, {"[clock]", "Updated 2 hr. ago"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WidgetSnapshot s = with([&](auto& s) {
      s.updated = now - c.age;
      if (!c.hasSpeedTest) s.speedTest.reset();
    });
    const Texts texts = shown(lay(WiFiWidgetView{s}, small));
    EXPECT_EQ(Texts(texts.begin() + 5, texts.end()), c.footer);
  }
}

TEST(WiFiWidgetView, EveryTapOpensTheWiFiSectionAndTheFirstRunViewHome) {
  Foundation::ScopedClock clock(now);
  const Point points[] = {{40, 40}, {85, 60}, {140, 24}, {40, 100}, {60, 150}, {1, 1}, {169, 169}};
  for (const WidgetSnapshot& s :
       {fullSnapshot(), emptySnapshot(), with([](auto& s) { s.wifi.reset(); })}) {
    const LaidOutView laid = lay(WiFiWidgetView{s}, small);
    for (Point p : points) EXPECT_EQ(tap(laid, p), "kestrun://open/wifi") << p.x << "," << p.y;
  }
  const LaidOutView setup = lay(WiFiWidgetView{std::nullopt}, small);
  EXPECT_EQ(shown(setup), (Texts{"[flag.pattern.checkered]", "Open Kestrun",
                                 "It measures; this widget shows what it finds."}));
  for (Point p : points) EXPECT_EQ(tap(setup, p), "kestrun://open/home");
}

TEST(WiFiWidgetView, LongAndUnusualNamesStayOnOneLineInsideTheWidget) {
  Foundation::ScopedClock clock(now);
  const Rect content = contentRect(small);
  const char* names[] = {
      "The network with a name far too long for a small widget",
      "شبكة المنزل الطويلة جدا في الطابق الثاني",  // right to left
      "🏠📶 Home 👨‍👩‍👧‍👦 5G 🚀🚀🚀🚀🚀🚀",
      "<b>bold</b> &amp; %@ %s",  // data, never markup or a format
  };
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const std::string line = std::string(name) + " · 5 GHz";
    const LaidOutView laid =
        lay(WiFiWidgetView{with([&](auto& s) { s.wifi->ssid = name; })}, small);
    const LayoutNode* node = findShown(laid.root, line);
    ASSERT_TRUE(node) << laid.json(true);
    EXPECT_EQ(node->text->box.lineCount, 1);
    EXPECT_TRUE(content.containsRect(node->frame, 0.5));
  }
  // A latency too wide for the widget shrinks, then is cut.
  const LaidOutView huge = lay(WiFiWidgetView{with([](auto& s) {
                                 s.wifi->routerMs = std::numeric_limits<std::int64_t>::max();
                               })},
                               small);
  const LayoutNode* value = findShown(huge.root, "9223372036854775807 ms");
  ASSERT_TRUE(value);
  EXPECT_NEAR(value->text->fontScale, 0.6, 1e-9);
  EXPECT_TRUE(value->text->box.truncated);
  EXPECT_TRUE(content.containsRect(value->frame, 0.5));
}

TEST_F(InGerman, TheWiFiWidgetTranslatesItsKeysOnly) {
  const Texts joined = shown(lay(WiFiWidgetView{fullSnapshot()}, small));
  EXPECT_EQ(joined, join({"[wifi]", "WI-FI", "4 ms", "Signal: Good", "Home · 5 GHz"},
                         {"[arrow.down]", "236", "[arrow.up]", "41 Mbit/s"}));
  WidgetSnapshot noLatency = fullSnapshot();
  noLatency.wifi->routerMs.reset();
  noLatency.wifi->rssi = -1234;
  EXPECT_EQ(shown(lay(WiFiWidgetView{noLatency}, small))[3], "-1234 dBm");  // never grouped
  WidgetSnapshot unchecked = emptySnapshot();
  EXPECT_EQ(shown(lay(WiFiWidgetView{unchecked}, small))[3], "Kestrun pingt alle 2 Min.");
  unchecked.wifiChecked = true;
  EXPECT_EQ(shown(lay(WiFiWidgetView{unchecked}, small))[3], "Mit keinem Netz verbunden");
}

TEST(WiFiWidgetViewRendering, DrawsInLightAndDark) {
  Foundation::ScopedClock clock(now);
  drawInBothAppearances(
      "wifi-", small,
      {
          {"joined", WiFiWidgetView{fullSnapshot()}},
          {"no-latency-weak",
           WiFiWidgetView{with([](auto& s) { s.wifi->routerMs.reset(), s.wifi->rssi = -80; })}},
          {"offline", WiFiWidgetView{with([](auto& s) { s.wifi.reset(); })}},
          {"checking", WiFiWidgetView{emptySnapshot()}},
          {"stale", WiFiWidgetView{with([](auto& s) { s.updated = now - 4000; })}},
          {"long-name", WiFiWidgetView{with(
                            [](auto& s) { s.wifi->ssid = "The network with a very long name"; })}},
          {"setup", WiFiWidgetView{std::nullopt}},
      });
  // The ring of a joined network starts at 12 o'clock in the signal tint.
  const Bitmap joined = draw(WiFiWidgetView{fullSnapshot()}, small, "wifi-probe");
  const RGBA top = joined.at({16 + 19, 16 + 0.5});
  EXPECT_GT(top.green, 0.6);
  EXPECT_LT(top.red, 0.5);
}
