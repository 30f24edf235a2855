// The Zed Avudad widget: header pills from the counters, the four tiles in every state, the
// needs-you list with its eyebrow, age line and rows, and the links of tiles, rows and the rest.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "KestrunWidgetKit/WidgetViews/HealthWidgetView.h"
#include "Platform/Foundation/Date.h"
#include "tests/KestrunWidgetKit/WidgetViews/WidgetViewTesting.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::HealthWidgetView;
using KestrunWidgetKit::WidgetSnapshot;

using namespace WidgetViewTesting;

namespace {

using Severity = WidgetSnapshot::Severity;
using Tint = WidgetSnapshot::Tint;
constexpr auto most = std::numeric_limits<std::int64_t>::max();

WidgetSnapshot::Attention item(std::string id, Severity severity = Severity::info,
                               std::string title = "", std::string detail = "detail",
                               Tint tint = Tint::teal, std::string section = "ports") {
  if (title.empty()) title = "Item " + id;
  return {id, std::move(title), std::move(detail), severity, std::move(section), "bell.fill", tint};
}

std::vector<WidgetSnapshot::Attention> items(int n) {
  std::vector<WidgetSnapshot::Attention> out;
  for (int i = 1; i <= n; ++i) out.push_back(item(std::to_string(i)));
  return out;
}

Texts between(const Texts& all, const std::string& from, const std::string& to) {
  auto begin = std::find(all.begin(), all.end(), from);
  auto end = std::find(begin, all.end(), to);
  return begin == all.end() ? Texts{} : Texts(begin + 1, end);
}

// The texts of the first link to `url`, in order.
Texts linkTexts(const LaidOutView& laid, const std::string& url) {
  for (const LayoutNode* link : laid.root.findAll("Link")) {
    if (link->url == url) {
      Texts out;
      collectTexts(*link, out);
      return out;
    }
  }
  return {};
}

const LayoutNode* link(const LaidOutView& laid, const std::string& url) {
  for (const LayoutNode* l : laid.root.findAll("Link")) {
    if (l->url == url) return l;
  }
  return nullptr;
}

}  // namespace

TEST(HealthWidgetView, HeaderPillsComeFromTheCountersAlone) {
  Foundation::ScopedClock clock(now);
  const struct {
    std::int64_t total, urgent, toCheck;
    Texts pills;
    std::vector<std::string> colors;
  } cases[] = {
      {0, 2, 5, {"[checkmark]", "All clear"}, {"green"}},
      {4, 0, 0, {"4 FYI"}, {"secondary"}},
      {3, 1, 2, {"1 urgent", "2 to check"}, {"red", "orange"}},
      {2, 0, 1, {"1 to check"}, {"orange"}},
      {9, 5, 0, {"5 urgent"}, {"red"}},
      {-2, 0, 0, {"-2 FYI"}, {"secondary"}},
      {most,
       most,
       most,
       {"9223372036854775807 urgent", "9223372036854775807 to check"},
       {"red", "orange"}},
      // A negative counter says nothing: the other one decides, as if it were 0.
      {3, -1, 1, {"1 to check"}, {"orange"}},
      {3, -1, 0, {"3 FYI"}, {"secondary"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.total << "/" << c.urgent << "/" << c.toCheck);
    // The list never decides: it holds two items whatever the counters say.
    WidgetSnapshot s = with(
        [&](auto& s) { s.attentionTotal = c.total, s.urgent = c.urgent, s.toCheck = c.toCheck; });
    const LaidOutView laid = lay(HealthWidgetView{s}, large);
    const Texts pills = between(shown(laid), "Kestrun", "[memorychip.fill]");
    EXPECT_EQ(pills, c.pills);
    for (std::size_t i = 0; i < c.colors.size(); ++i) {
      EXPECT_EQ(colorOf(laid, c.pills[c.pills.size() - c.colors.size() + i]), c.colors[i]);
    }
    // Pills sit against the trailing edge, inside the widget.
    const Rect last = frameOf(laid, c.pills.back());
    EXPECT_LE(last.maxX(), contentRect(large).maxX());
    EXPECT_GT(last.maxX(), contentRect(large).maxX() - 10);
  }
}

TEST(HealthWidgetView, TilesShowEachPartOrItsAbsence) {
  Foundation::ScopedClock clock(now);
  const struct {
    const char* name;
    WidgetSnapshot snapshot;
    const char* url;
    Texts texts;  // ring symbol, title, value, caption
    const char* tint;
    std::optional<double> arc;  // none: a pale disc
  } cases[] = {
      {"memory",
       fullSnapshot(),
       "kestrun://open/memory",
       {"[memorychip.fill]", "MEMORY", "Normal pressure", "18.4 GB of 32 GB"},
       "green",
       19'756'849'152.0 / 34'359'738'368.0},
      {"memory critical, physical 0",
       with([](auto& s) {
         s.memory = WidgetSnapshot::Memory{5, 0, 0, Severity::critical};
       }),
       "kestrun://open/memory",
       {"[memorychip.fill]", "MEMORY", "Critical pressure", "0.0 GB of 0 GB"},
       "red",
       1},
      {"memory absent",
       with([](auto& s) { s.memory.reset(); }),
       "kestrun://open/memory",
       {"[memorychip.fill]", "MEMORY", "—", "Not measured"},
       "gray",
       std::nullopt},
      {"disk with clearable space",
       fullSnapshot(),
       "kestrun://open/sweep",
       {"[internaldrive.fill]", "DISK", "212 GB free", "8.4 GB to clear"},
       "blue",
       1 - 212.0 / 994.0},
      {"disk nearly full",
       with([](auto& s) {
         s.disk = WidgetSnapshot::Disk{5'000'000'000, 100'000'000'000, 99'999'999};
       }),
       "kestrun://open/sweep",
       {"[internaldrive.fill]", "DISK", "5 GB free", "of 100 GB"},
       "red",
       0.95},
      {"disk low",
       with([](auto& s) {
         s.disk = WidgetSnapshot::Disk{15'000'000'000, 100'000'000'000, 100'000'000};
       }),
       "kestrun://open/sweep",
       {"[internaldrive.fill]", "DISK", "15 GB free", "100 MB to clear"},
       "orange",
       0.85},
      {"disk at a fifth free",
       with([](auto& s) {
         s.disk = WidgetSnapshot::Disk{400'000'000'000, 2'000'000'000'000, std::nullopt};
       }),
       "kestrun://open/sweep",
       {"[internaldrive.fill]", "DISK", "400 GB free", "of 2.0 TB"},
       "blue",
       0.8},
      // A total of 0 counts as 1 byte, so the used share goes negative and the ring shows its
      // shortest arc.
      {"disk of no size",
       with([](auto& s) {
         s.disk = WidgetSnapshot::Disk{5, 0, std::nullopt};
       }),
       "kestrun://open/sweep",
       {"[internaldrive.fill]", "DISK", "0 GB free", "of 0 GB"},
       "blue",
       -4},
      {"disk absent",
       with([](auto& s) { s.disk.reset(); }),
       "kestrun://open/sweep",
       {"[internaldrive.fill]", "DISK", "—", "Not measured"},
       "blue",
       std::nullopt},
      {"wifi",
       with([](auto& s) { s.wifi->routerMs = 12; }),
       "kestrun://open/wifi",
       {"[wifi]", "WI-FI", "12 ms", "Home · 5 GHz"},
       "green",
       (-58.0 + 90) / 60},
      {"wifi unnamed, no latency",
       with([](auto& s) { s.wifi->routerMs.reset(), s.wifi->ssid.reset(), s.wifi->rssi = -70; }),
       "kestrun://open/wifi",
       {"[wifi]", "WI-FI", "Fair", "Fair signal · 5 GHz"},
       "yellow",
       20.0 / 60},
      {"wifi with an empty band",
       with([](auto& s) { s.wifi->band = "", s.wifi->rssi = -73; }),
       "kestrun://open/wifi",
       {"[wifi]", "WI-FI", "4 ms", "Home · "},
       "red",
       17.0 / 60},
      {"wifi not checked",
       with([](auto& s) { s.wifi.reset(), s.wifiChecked = false; }),
       "kestrun://open/wifi",
       {"[wifi.slash]", "WI-FI", "—", "Not joined"},
       "gray",
       std::nullopt},
      {"wifi off",
       with([](auto& s) { s.wifi.reset(); }),
       "kestrun://open/wifi",
       {"[wifi.slash]", "WI-FI", "Offline", "Not joined"},
       "gray",
       std::nullopt},
      {"dev servers",
       fullSnapshot(),
       "kestrun://open/ports",
       {"[bolt.horizontal.fill]", "DEV SERVERS", "3 running", "Ports, sims, Docker"},
       "teal",
       std::nullopt},
      {"no dev servers",
       with([](auto& s) { s.devRunning = 0; }),
       "kestrun://open/ports",
       {"[bolt.horizontal.fill]", "DEV SERVERS", "Nothing", "Ports, sims, Docker"},
       "teal",
       std::nullopt},
      {"a negative count",
       with([](auto& s) { s.devRunning = -1; }),
       "kestrun://open/ports",
       {"[bolt.horizontal.fill]", "DEV SERVERS", "-1 running", "Ports, sims, Docker"},
       "teal",
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WidgetSnapshot s = c.snapshot;
    s.attention.clear();  // so that the first link to a section is its tile
    const LaidOutView laid = lay(HealthWidgetView{s}, large);
    const LayoutNode* tile = link(laid, c.url);
    ASSERT_TRUE(tile);
    EXPECT_EQ(linkTexts(laid, c.url), c.texts);
    const std::string symbol = c.texts[0].substr(1, c.texts[0].size() - 2);
    EXPECT_EQ(describe(findSymbol(*tile, symbol)->symbol->paint), c.tint);
    EXPECT_EQ(findSymbol(*tile, symbol)->symbol->font.size, 28 * 0.36);
    EXPECT_EQ(arcEnd(*tile).has_value(), c.arc.has_value());
    if (c.arc) {
      EXPECT_NEAR(*arcEnd(*tile), std::max(std::min(*c.arc, 1.0), 0.02), 1e-9);
    }
    EXPECT_EQ(findFill(*tile, std::string(c.tint) + "@0.15") != nullptr, !c.arc);
    // Title small and spaced, value bold and rounded, caption in the secondary colour.
    const LayoutNode* title = findShown(*tile, c.texts[1]);
    EXPECT_EQ(title->text->runs.front().style.font.size, 8.5);
    EXPECT_EQ(title->text->runs.front().style.tracking, 0.5);
    const ResolvedFont value = findShown(*tile, c.texts[2])->text->runs.front().style.font;
    EXPECT_EQ(value.weight, Font::Weight::bold);
    EXPECT_EQ(value.design, Font::Design::rounded);
    EXPECT_EQ(describe(findShown(*tile, c.texts[3])->text->runs.front().paint), "secondary");
  }
}

TEST(HealthWidgetView, TheNeedsYouHeaderCountsFromTheTotalAndJudgesAgeNow) {
  Foundation::ScopedClock clock(now);
  const struct {
    const char* name;
    std::int64_t total;
    int listed;
    Foundation::TimeInterval age;
    const char* eyebrow;
    int rows;
    const char* ageLine;
    const char* ageColor;
  } cases[] = {
      {"three", 3, 3, 60, "NEEDS YOU", 3, "Updated just now", "tertiary"},
      {"four", 4, 4, 60, "NEEDS YOU · +1 MORE", 3, "Updated just now", "tertiary"},
      {"ten, five listed", 10, 5, 60, "NEEDS YOU · +7 MORE", 3, "Updated just now", "tertiary"},
      {"five, two listed", 5, 2, 60, "NEEDS YOU · +2 MORE", 2, "Updated just now", "tertiary"},
      {"negative total", -1, 1, 60, "NEEDS YOU", 1, "Updated just now", "tertiary"},
      {"huge total", most, 3, 60, "NEEDS YOU · +9223372036854775804 MORE", 3, "Updated just now",
       "tertiary"},
      {"just fresh", 2, 2, 1200, "NEEDS YOU", 2, "Updated 20 min. ago", "tertiary"},
      {"stale", 2, 2, 1201, "NEEDS YOU", 2, "Updated 20 min. ago · open Kestrun", "orange"},
      {"from the future", 2, 2, -86400, "NEEDS YOU", 2, "Updated just now", "tertiary"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WidgetSnapshot s = with([&](auto& s) {
      s.attentionTotal = c.total, s.attention = items(c.listed), s.updated = now - c.age;
    });
    const LaidOutView laid = lay(HealthWidgetView{s}, large);
    Texts rows;
    for (int i = 1; i <= c.listed; ++i) {
      if (findShown(laid.root, "Item " + std::to_string(i))) rows.push_back(std::to_string(i));
    }
    EXPECT_EQ(int(rows.size()), c.rows);
    for (int i = 0; i < c.rows; ++i) EXPECT_EQ(rows[i], std::to_string(i + 1));  // the first ones
    EXPECT_TRUE(findShown(laid.root, c.eyebrow));
    EXPECT_EQ(colorOf(laid, c.ageLine), c.ageColor);
    EXPECT_EQ(fontSizeOf(laid, c.ageLine), 9.5);
    // One line: the eyebrow and the age share a baseline, the age against the trailing edge.
    const Rect eyebrow = frameOf(laid, c.eyebrow), age = frameOf(laid, c.ageLine);
    EXPECT_NEAR(eyebrow.x, contentRect(large).x, 0.5);
    EXPECT_NEAR(age.maxX(), contentRect(large).maxX(), 0.5);
  }
}

TEST(HealthWidgetView, TheAgeLineIsJudgedWhenTheBodyIsBuilt) {
  Foundation::ScopedClock clock(now);
  const View view = HealthWidgetView{with([](auto& s) { s.updated = now - 1200; })};
  EXPECT_EQ(colorOf(lay(view, large), "Updated 20 min. ago"), "tertiary");
  clock.advance(1);
  EXPECT_EQ(colorOf(lay(view, large), "Updated 20 min. ago · open Kestrun"), "orange");
}

TEST(HealthWidgetView, AnEmptyListShowsTheCalmStateWhateverTheCounters) {
  Foundation::ScopedClock clock(now);
  const LaidOutView laid = lay(HealthWidgetView{with([](auto& s) {
                                 s.attention.clear(), s.attentionTotal = 2, s.toCheck = 0;
                               })},
                               large);
  const Texts all = shown(laid);
  EXPECT_EQ(between(all, "Kestrun", "[memorychip.fill]"), (Texts{"2 FYI"}));
  EXPECT_EQ(Texts(all.end() - 4, all.end()),
            (Texts{"NEEDS YOU", "Updated just now", "[checkmark.circle.fill]",
                   "Nothing needs you right now."}));
  EXPECT_EQ(symbolColor(laid, "checkmark.circle.fill"), "green");
  EXPECT_EQ(colorOf(laid, "Nothing needs you right now."), "secondary");
  EXPECT_EQ(fontSizeOf(laid, "Nothing needs you right now."), 10);
  EXPECT_EQ(tap(laid, centre(frameOf(laid, "Nothing needs you right now."))),
            "kestrun://open/home");
}

TEST(HealthWidgetView, RowsShowTheirItemWithABadgeBySeverity) {
  Foundation::ScopedClock clock(now);
  const struct {
    const char* name;
    WidgetSnapshot::Attention item;
    Texts texts;
    std::optional<std::string> badge;
    const char* tile;
  } cases[] = {
      {"info",
       item("a", Severity::info, "Docker is idle", "", Tint::red, "ports"),
       {"[bell.fill]", "Docker is idle"},
       std::nullopt,
       "red"},
      {"warning",
       item("b", Severity::warning, "Swap grows", "3 GB", Tint::brand, "memory"),
       {"[bell.fill]", "Swap grows", "3 GB"},
       "orange",
       "#5c57faff"},
      {"critical",
       item("c", Severity::critical, "Disk full", "1 GB left", Tint::green, "sweep"),
       {"[bell.fill]", "Disk full", "1 GB left"},
       "red",
       "green"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const LaidOutView laid =
        lay(HealthWidgetView{with([&](auto& s) { s.attention = {c.item}, s.attentionTotal = 1; })},
            large);
    const auto links = laid.root.findAll("Link");
    ASSERT_EQ(links.size(), 5u);
    const LayoutNode& row = *links[4];
    EXPECT_EQ(*row.url, "kestrun://open/" + c.item.section);
    Texts texts;
    collectTexts(row, texts);
    EXPECT_EQ(texts, c.texts);
    // The icon's tile and glyph take the item's tint, never its severity.
    const LayoutNode* tile = findFill(row, std::string(c.tile) + "@0.16");
    ASSERT_TRUE(tile) << LaidOutView{row, {}, 2, {}}.json(true);
    EXPECT_EQ(tile->frame.size(), (Size{24, 24}));
    EXPECT_EQ(describe(findSymbol(row, "bell.fill")->symbol->paint), c.tile);
    const LayoutNode* badge = c.badge ? findFill(row, *c.badge) : nullptr;
    EXPECT_EQ(badge != nullptr, c.badge.has_value());
    if (badge) {
      // Over the tile's top trailing corner, 2 points further out each way.
      EXPECT_EQ(badge->frame.size(), (Size{7, 7}));
      EXPECT_EQ(badge->frame.maxX(), tile->frame.maxX() + 2);
      EXPECT_EQ(badge->frame.y, tile->frame.y - 2);
    }
    EXPECT_EQ(fontSizeOf(laid, c.texts[1]), 10);
    EXPECT_EQ(findShown(laid.root, c.texts[1])->text->runs.front().style.font.weight,
              Font::Weight::semibold);
  }
}

TEST(HealthWidgetView, TapsGoToTheTileOrRowUnderThemElseHome) {
  Foundation::ScopedClock clock(now);
  WidgetSnapshot s = with([](auto& s) {
    s.attention = {item("1", Severity::critical, "First", "d", Tint::red, "projects"),
                   item("2", Severity::warning, "Second", "d", Tint::blue, "my section"),
                   item("3", Severity::info, "Third", "d", Tint::gray, "../../etc"),
                   item("4", Severity::info, "Fourth", "d", Tint::gray, "never shown")};
    s.attentionTotal = 4;
  });
  const LaidOutView laid = lay(HealthWidgetView{s}, large);
  EXPECT_EQ(laid.widgetURL(), "kestrun://open/home");
  const Rect content = contentRect(large);
  const auto row = [&](const char* title) { return frameOf(laid, title); };
  const struct {
    Point at;
    std::string url;
  } taps[] = {
      {centre(findSymbol(laid.root, "memorychip.fill")->frame), "kestrun://open/memory"},
      {centre(frameOf(laid, "212 GB free")), "kestrun://open/sweep"},
      {centre(frameOf(laid, "Home · 5 GHz")), "kestrun://open/wifi"},
      {{content.maxX() - 3, frameOf(laid, "3 running").midY()}, "kestrun://open/ports"},
      {centre(row("First")), "kestrun://open/projects"},
      {{content.maxX() - 3, row("First").midY()}, "kestrun://open/projects"},
      {centre(row("Second")), "kestrun://open/my%20section"},
      {centre(row("Third")), "kestrun://open/..%2F..%2Fetc"},
      {centre(frameOf(laid, "Kestrun")), "kestrun://open/home"},
      {centre(findSymbol(laid.root, "flag.pattern.checkered")->frame), "kestrun://open/home"},
      {centre(frameOf(laid, "NEEDS YOU · +1 MORE")), "kestrun://open/home"},
      {{content.midX(), row("Third").maxY() + 30}, "kestrun://open/home"},
      {{2, 2}, "kestrun://open/home"},
      {{content.midX(), frameOf(laid, "212 GB free").maxY() + 13.5}, "kestrun://open/home"},
  };
  for (const auto& t : taps) EXPECT_EQ(tap(laid, t.at), t.url) << t.at.x << "," << t.at.y;
  EXPECT_FALSE(findShown(laid.root, "Fourth"));
  const LaidOutView setup = lay(HealthWidgetView{std::nullopt}, large);
  EXPECT_EQ(shown(setup)[1], "Open Kestrun");
  EXPECT_EQ(tap(setup, {182, 191}), "kestrun://open/home");
}

TEST(HealthWidgetView, LongAndUnusualTextsShrinkThenAreCutOnOneLine) {
  Foundation::ScopedClock clock(now);
  const std::string longTitle =
      "A title that goes on and on well past the width of the large widget's row";
  const std::string rtl = "المستودعات تحتوي على تغييرات لم يتم دفعها إلى الخادم البعيد بعد";
  const std::string emoji =
      "🚀🔥 Deploy 👩🏽‍💻 finished with 🎉🎉🎉 and ⚠️ warnings "
      "🧯🧯🧯🧯";
  WidgetSnapshot s = with([&](auto& s) {
    s.attention = {item("1", Severity::warning, longTitle, longTitle),
                   item("2", Severity::info, rtl, rtl), item("3", Severity::critical, emoji, "")};
    s.attentionTotal = 3;
    s.wifi->ssid = "The neighbours' network with a needlessly long name";
    s.disk = WidgetSnapshot::Disk{most, most, most};
    s.devRunning = std::numeric_limits<std::int64_t>::min();
  });
  const LaidOutView laid = lay(HealthWidgetView{s}, large);
  const Rect content = contentRect(large);
  for (const LayoutNode* text : laid.root.findAll("Text")) {
    SCOPED_TRACE(text->text->string());
    EXPECT_EQ(text->text->box.lineCount, 1);
    EXPECT_TRUE(content.containsRect(text->frame, 0.5));
  }
  const auto cut = [&](const std::string& t) {
    const LayoutNode* n = findShown(laid.root, t);
    return n && n->text->box.truncated;
  };
  EXPECT_TRUE(cut(longTitle));
  EXPECT_TRUE(cut(rtl));
  EXPECT_TRUE(cut("The neighbours' network with a needlessly long name · 5 GHz"));
  // A value first shrinks to three quarters, a caption to 85 %.
  EXPECT_TRUE(findShown(laid.root, "9223372.0 TB free"));
  const LayoutNode* count = findShown(laid.root, "-9223372036854775808 running");
  ASSERT_TRUE(count);
  EXPECT_NEAR(count->text->fontScale, 0.75, 1e-9);
  EXPECT_TRUE(count->text->box.truncated);
  EXPECT_NEAR(findShown(laid.root, "The neighbours' network with a needlessly long name · 5 GHz")
                  ->text->fontScale,
              0.85, 1e-9);
}

TEST_F(InGerman, TheLargeWidgetTranslatesOnlyItsKeys) {
  const Texts all = shown(lay(HealthWidgetView{with([](auto& s) {
                                s.attention.clear();
                                s.updated = now - 7200;
                              })},
                              large));
  EXPECT_EQ(between(all, "[flag.pattern.checkered]", "[memorychip.fill]"),
            (Texts{"Kestrun", "1 to check"}));
  EXPECT_EQ(Texts(all.end() - 3, all.end()),
            (Texts{"Aktualisiert vor 2 Std. · Kestrun öffnen", "[checkmark.circle.fill]",
                   "Gerade braucht dich nichts."}));
  EXPECT_NE(std::find(all.begin(), all.end(), "8,4 GB to clear"), all.end());
}

TEST(HealthWidgetViewRendering, DrawsInLightAndDark) {
  Foundation::ScopedClock clock(now);
  drawInBothAppearances(
      "health-", large,
      {
          {"full", HealthWidgetView{fullSnapshot()}},
          {"empty", HealthWidgetView{emptySnapshot()}},
          {"busy", HealthWidgetView{with([](auto& s) {
             s.attention = {item("1", Severity::critical, "Disk almost full",
                                 "12 GB free of 500 GB", Tint::red),
                            item("2", Severity::warning, "Swap is growing",
                                 "3.2 GB in the last hour", Tint::orange),
                            item("3", Severity::info, "المستودعات تحتوي على تغييرات لم يتم دفعها",
                                 "", Tint::brand),
                            item("4")};
             s.attentionTotal = 9, s.urgent = 1, s.toCheck = 2;
             s.updated = now - 5000;
             s.disk = WidgetSnapshot::Disk{5'000'000'000, 100'000'000'000, std::nullopt};
             s.memory->pressure = Severity::critical;
             s.wifi->rssi = -70;
           })}},
      });
  // The badge's ring is the window background: it cuts the dot out of the tile it overlaps.
  const WidgetSnapshot badged =
      with([](auto& s) { s.attention = {item("1", Severity::critical, "Disk", "", Tint::blue)}; });
  const LaidOutView laid = lay(HealthWidgetView{badged}, large);
  const LayoutNode* badge = findFill(laid.root, "red");
  ASSERT_TRUE(badge);
  const Bitmap b = draw(HealthWidgetView{badged}, large, "health-probe");
  const RGBA rim = b.at({badge->frame.midX(), badge->frame.y + 0.4});
  const RGBA dot = b.at(centre(badge->frame));
  EXPECT_GT(dot.red, 0.9);
  EXPECT_LT(dot.green, 0.4);
  EXPECT_GT(rim.green, 0.8);  // the light window background, not red
}

TEST(HealthWidgetView, ATapOnASeverityBadgeOpensItsRowsSection) {
  Foundation::ScopedClock clock(now);
  for (auto severity : {WidgetSnapshot::Severity::warning, WidgetSnapshot::Severity::critical}) {
    const LaidOutView laid =
        lay(HealthWidgetView{with([&](WidgetSnapshot& s) { s.attention[0].severity = severity; })},
            large);
    const LayoutNode* row = nullptr;
    for (const LayoutNode* link : laid.root.findAll("Link")) {
      if (link->url == "kestrun://open/projects") row = link;
    }
    ASSERT_TRUE(row);
    const LayoutNode* badge =
        findFill(*row, severity == WidgetSnapshot::Severity::critical ? "red" : "orange");
    ASSERT_TRUE(badge);
    // The dot's top edge stands above the row: the whole dot still opens the row's section.
    for (Point p : {centre(badge->frame), Point{badge->frame.midX(), badge->frame.minY() + 0.25},
                    Point{badge->frame.maxX() - 0.25, badge->frame.midY()}}) {
      EXPECT_EQ(tap(laid, p), "kestrun://open/projects") << p.x << "," << p.y;
    }
  }
}
