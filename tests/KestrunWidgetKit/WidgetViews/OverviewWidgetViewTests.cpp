// The Wi-Fi & Memory widget: both columns in their present and absent states, the speed-test bar
// and its fading, and the three links that are its only tap targets.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "KestrunWidgetKit/WidgetViews/OverviewWidgetView.h"
#include "Platform/Foundation/Date.h"
#include "tests/KestrunWidgetKit/WidgetViews/WidgetViewTesting.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::OverviewWidgetView;
using KestrunWidgetKit::WidgetSnapshot;

using namespace WidgetViewTesting;

namespace {

const char* const gauge = "[gauge.with.dots.needle.67percent]";

void collectFaded(const LayoutNode& node, std::vector<const LayoutNode*>& out) {
  if (node.opacity < 1) out.push_back(&node);
  for (const auto& child : node.children) collectFaded(child, out);
}

}  // namespace

TEST(OverviewWidgetView, ShowsBothColumnsAndTheSpeedTestBar) {
  Foundation::ScopedClock clock(now);
  TestSupport::ScopedLocale english("en_US.UTF-8");
  const struct {
    const char* name;
    WidgetSnapshot snapshot;
    Texts shown;
    const char* wifiTint;  // of the status and the ring
    const char* memoryTint;
  } cases[] = {
      {"everything measured",
       fullSnapshot(),
       {"[wifi]", "Wi-Fi", "Good signal", "4 ms", "Home · 5 GHz", "[memorychip.fill]", "Memory",
        "Normal pressure", "18.4 GB", "of 32 GB · 1.2 GB swap", gauge,
        "↓ 236  ↑ 41 Mbps · 2 hr. ago", "[play.fill]", "Test again"},
       "green",
       "green"},
      {"nothing measured",
       emptySnapshot(),
       {"[wifi.slash]", "Wi-Fi", "Not measured", "—", "Wi-Fi is off or not joined",
        "[memorychip.fill]", "Memory", "Not measured", "—", "Open Kestrun to measure", gauge,
        "No speed test yet", "[play.fill]", "Run test"},
       "secondary",
       "secondary"},
      {"checked, not joined",
       with([](auto& s) { s.wifi.reset(); }),
       {"[wifi.slash]", "Wi-Fi", "Offline", "—", "Wi-Fi is off or not joined", "[memorychip.fill]",
        "Memory", "Normal pressure", "18.4 GB", "of 32 GB · 1.2 GB swap", gauge,
        "↓ 236  ↑ 41 Mbps · 2 hr. ago", "[play.fill]", "Test again"},
       "secondary",
       "green"},
      // Only this widget groups the latency; the strength stays a plain integer.
      {"latency grouped",
       with([](auto& s) {
         s.wifi->routerMs = 1234, s.memory->pressure = WidgetSnapshot::Severity::warning;
       }),
       {"[wifi]", "Wi-Fi", "Good signal", "1,234 ms", "Home · 5 GHz", "[memorychip.fill]", "Memory",
        "High pressure", "18.4 GB", "of 32 GB · 1.2 GB swap", gauge, "↓ 236  ↑ 41 Mbps · 2 hr. ago",
        "[play.fill]", "Test again"},
       "green",
       "orange"},
      {"strength instead of latency",
       with([](auto& s) {
         s.wifi->routerMs.reset(), s.wifi->rssi = -67, s.wifi->ssid.reset();
         s.memory->pressure = WidgetSnapshot::Severity::critical;
       }),
       {"[wifi]", "Wi-Fi", "Fair signal", "-67 dBm", "5 GHz", "[memorychip.fill]", "Memory",
        "Critical pressure", "18.4 GB", "of 32 GB · 1.2 GB swap", gauge,
        "↓ 236  ↑ 41 Mbps · 2 hr. ago", "[play.fill]", "Test again"},
       "yellow",
       "red"},
      {"odd speeds, a test from the future",
       with([](auto& s) {
         s.speedTest = WidgetSnapshot::SpeedTest{-5, 12345, now + 600};
         s.wifi->rssi = -73;
       }),
       {"[wifi]", "Wi-Fi", "Weak signal", "4 ms", "Home · 5 GHz", "[memorychip.fill]", "Memory",
        "Normal pressure", "18.4 GB", "of 32 GB · 1.2 GB swap", gauge,
        "↓ -5  ↑ 12345 Mbps · just now", "[play.fill]", "Test again"},
       "red",
       "green"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const LaidOutView laid = lay(OverviewWidgetView{c.snapshot}, medium);
    EXPECT_EQ(shown(laid), c.shown);
    EXPECT_EQ(colorOf(laid, c.shown[2]), c.wifiTint);
    EXPECT_EQ(colorOf(laid, c.shown[7]), c.memoryTint);
    EXPECT_EQ(symbolColor(laid, c.shown[0].substr(1, c.shown[0].size() - 2)),
              c.snapshot.wifi ? c.wifiTint : "gray");
    EXPECT_EQ(symbolColor(laid, "memorychip.fill"), c.snapshot.memory ? c.memoryTint : "gray");
    for (int i : {1, 4, 9}) EXPECT_EQ(colorOf(laid, c.shown[i]), "secondary");
    for (int i : {3, 8}) EXPECT_EQ(fontSizeOf(laid, c.shown[i]), 22);
    EXPECT_EQ(colorOf(laid, c.shown[13]), "#5c57faff");  // the brand
    // Rings of 34 points, pale discs when there is no value.
    EXPECT_EQ(findSymbol(laid.root, "memorychip.fill")->symbol->font.size, 34 * 0.36);
    EXPECT_EQ(findFill(laid.root, "gray@0.15") != nullptr, !c.snapshot.wifi || !c.snapshot.memory);
  }
}

TEST(OverviewWidgetView, TheResultTextIsThreeRunsOnOneLine) {
  Foundation::ScopedClock clock(now);
  const LaidOutView laid = lay(OverviewWidgetView{fullSnapshot()}, medium);
  const LayoutNode* result = findShown(laid.root, "↓ 236  ↑ 41 Mbps · 2 hr. ago");
  ASSERT_TRUE(result);
  const auto& runs = result->text->runs;
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].style.font.weight, Font::Weight::semibold);
  EXPECT_EQ(runs[1].style.font.weight, Font::Weight::semibold);
  EXPECT_EQ(runs[2].style.font.weight, Font::Weight::regular);
  EXPECT_EQ(describe(runs[0].paint), "primary");
  EXPECT_EQ(describe(runs[2].paint), "secondary");
  for (const auto& run : runs) {
    EXPECT_EQ(run.style.font.size, 10);
    EXPECT_TRUE(run.style.monospacedDigit);
  }
  EXPECT_EQ(result->text->paragraph.lineLimit, 1);
}

TEST(OverviewWidgetView, OnlyTheColumnsAndTheRunButtonAreLinks) {
  Foundation::ScopedClock clock(now);
  for (const WidgetSnapshot& s : {fullSnapshot(), emptySnapshot()}) {
    const LaidOutView laid = lay(OverviewWidgetView{s}, medium);
    EXPECT_EQ(laid.widgetURL(), std::nullopt);
    const Texts t = shown(laid);
    const LayoutNode* rule = findFill(laid.root, "primary@0.08");
    ASSERT_TRUE(rule);
    const Rect leftCaption = frameOf(laid, t[4]);
    const Rect rightCaption = frameOf(laid, t[9]);
    const Rect button = frameOf(laid, t[13]);
    const struct {
      Point at;
      const char* url;
    } taps[] = {
        {centre(findSymbol(laid.root, t[0].substr(1, t[0].size() - 2))->frame),
         "kestrun://open/wifi"},
        {centre(frameOf(laid, t[3])), "kestrun://open/wifi"},
        {centre(leftCaption), "kestrun://open/wifi"},
        {{rule->frame.x - 15, leftCaption.midY()}, "kestrun://open/wifi"},  // the column's far end
        {{rule->frame.x - 13, leftCaption.midY()}, ""},  // the gap beside the rule
        {centre(findSymbol(laid.root, "memorychip.fill")->frame), "kestrun://open/memory"},
        {centre(rightCaption), "kestrun://open/memory"},
        {{contentRect(medium).maxX() - 2, rightCaption.midY()}, "kestrun://open/memory"},
        {centre(button), "kestrun://speedtest"},
        {centre(findSymbol(laid.root, "play.fill")->frame), "kestrun://speedtest"},
        {centre(rule->frame), ""},
        {centre(frameOf(laid, t[11])), ""},
        {centre(findSymbol(laid.root, "gauge.with.dots.needle.67percent")->frame), ""},
        {{182, leftCaption.maxY() + 14}, ""},  // between the columns and the bar
        {{2, 2}, ""},
        {{362, 168}, ""},
    };
    for (const auto& c : taps) EXPECT_EQ(tap(laid, c.at), c.url) << c.at.x << "," << c.at.y;
  }
  const LaidOutView setup = lay(OverviewWidgetView{std::nullopt}, medium);
  EXPECT_EQ(shown(setup)[1], "Open Kestrun");
  EXPECT_EQ(tap(setup, {182, 85}), "kestrun://open/home");
  EXPECT_EQ(tap(setup, {2, 2}), "kestrun://open/home");
}

TEST(OverviewWidgetView, AStaleSnapshotFadesTheBarAndNothingElse) {
  Foundation::ScopedClock clock(now);
  const auto at = [](Foundation::TimeInterval age) {
    return lay(OverviewWidgetView{with([&](auto& s) { s.updated = now - age; })}, medium);
  };
  const LaidOutView fresh = at(1200);
  const LaidOutView stale = at(1201);
  std::vector<const LayoutNode*> faded;
  collectFaded(fresh.root, faded);
  EXPECT_TRUE(faded.empty());
  collectFaded(stale.root, faded);
  ASSERT_EQ(faded.size(), 1u);
  EXPECT_EQ(faded[0]->opacity, 0.6);
  EXPECT_TRUE(findSymbol(*faded[0], "gauge.with.dots.needle.67percent"));
  EXPECT_TRUE(faded[0]->findText("Test again"));
  EXPECT_FALSE(faded[0]->findText("Wi-Fi"));
  EXPECT_EQ(shown(fresh), shown(stale));
  EXPECT_EQ(frameOf(fresh, "Home · 5 GHz"), frameOf(stale, "Home · 5 GHz"));
  std::vector<const LayoutNode*> future;
  collectFaded(at(-7200).root, future);
  EXPECT_TRUE(future.empty());

  // Judged when the body is built, not when the view value was made: a later timeline entry of
  // the same view fades.
  const View view = OverviewWidgetView{with([](auto& s) { s.updated = now - 1200; })};
  clock.advance(1);
  std::vector<const LayoutNode*> later;
  collectFaded(lay(view, medium).root, later);
  EXPECT_EQ(later.size(), 1u);
}

TEST(OverviewWidgetView, LongTextsAreCutInsideTheirColumnAndTheButtonStaysWhole) {
  Foundation::ScopedClock clock(now);
  const LaidOutView laid =
      lay(OverviewWidgetView{with([](auto& s) {
            s.wifi->ssid = "A network with a name much longer than half a medium widget";
            s.speedTest =
                WidgetSnapshot::SpeedTest{std::numeric_limits<std::int64_t>::max(),
                                          std::numeric_limits<std::int64_t>::min(), now - 7200};
          })},
          medium);
  const LayoutNode* rule = findFill(laid.root, "primary@0.08");
  ASSERT_TRUE(rule);
  const LayoutNode* caption =
      findShown(laid.root, "A network with a name much longer than half a medium widget · 5 GHz");
  ASSERT_TRUE(caption);
  EXPECT_TRUE(caption->text->box.truncated);
  EXPECT_LE(caption->frame.maxX(), rule->frame.x + 0.5);
  const LayoutNode* button = findShown(laid.root, "Test again");
  ASSERT_TRUE(button);
  EXPECT_FALSE(button->text->box.truncated);
  EXPECT_TRUE(contentRect(medium).containsRect(button->frame, 0.5));
  const LayoutNode* result =
      findShown(laid.root, "↓ 9223372036854775807  ↑ -9223372036854775808 Mbps · 2 hr. ago");
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->text->box.truncated);
  EXPECT_LE(result->frame.maxX(), button->frame.x);
  // The two columns share the row.
  EXPECT_NEAR(laid.root.findAll("Link")[0]->frame.width, laid.root.findAll("Link")[1]->frame.width,
              1);
}

TEST_F(InGerman, TheBarIsTranslatedAndTheLatencyGroupedTheGermanWay) {
  const Texts texts =
      shown(lay(OverviewWidgetView{with([](auto& s) { s.wifi->routerMs = 1234; })}, medium));
  EXPECT_EQ(texts[2], "Good signal");  // column texts are the view's own, never looked up
  EXPECT_EQ(texts[3], "1.234 ms");
  EXPECT_EQ(texts[11], "↓ 236  ↑ 41 Mbit/s · vor 2 Std.");
  EXPECT_EQ(texts[13], "Erneut testen");
  const Texts empty = shown(lay(OverviewWidgetView{emptySnapshot()}, medium));
  EXPECT_EQ(empty[4], "Wi-Fi is off or not joined");
  EXPECT_EQ(empty[11], "Noch kein Geschwindigkeitstest");
  EXPECT_EQ(empty[13], "Test starten");
}

TEST(OverviewWidgetViewRendering, DrawsInLightAndDark) {
  Foundation::ScopedClock clock(now);
  drawInBothAppearances(
      "overview-", medium,
      {
          {"full", OverviewWidgetView{fullSnapshot()}},
          {"empty", OverviewWidgetView{emptySnapshot()}},
          {"stale", OverviewWidgetView{with([](auto& s) { s.updated = now - 3600; })}},
          {"weak-high", OverviewWidgetView{with([](auto& s) {
             s.wifi->rssi = -80, s.wifi->routerMs = 1234;
             s.memory->pressure = WidgetSnapshot::Severity::warning;
           })}},
          {"long", OverviewWidgetView{with(
                       [](auto& s) { s.wifi->ssid = "A network with a very long name indeed"; })}},
      });
  // The run button's capsule is the brand colour, faint, behind its label.
  const LaidOutView laid = lay(OverviewWidgetView{fullSnapshot()}, medium);
  const Rect label = frameOf(laid, "Test again");
  const Bitmap b = draw(OverviewWidgetView{fullSnapshot()}, medium, "overview-probe");
  const RGBA capsule = b.at({label.maxX() + 4, label.midY()});
  EXPECT_GT(capsule.blue, capsule.red + 0.03);
}
