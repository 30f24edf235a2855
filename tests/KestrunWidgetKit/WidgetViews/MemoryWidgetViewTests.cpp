// The Memory widget: the first-run view without memory, the ring and detail line for each
// pressure, sizes at their edges, the footer and the whole-widget link.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "KestrunWidgetKit/WidgetViews/MemoryWidgetView.h"
#include "Platform/Foundation/Date.h"
#include "tests/KestrunWidgetKit/WidgetViews/WidgetViewTesting.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::color;
using KestrunWidgetKit::MemoryWidgetView;
using KestrunWidgetKit::WidgetSnapshot;

using namespace WidgetViewTesting;

namespace {

using Severity = WidgetSnapshot::Severity;

WidgetSnapshot withMemory(std::uint64_t used, std::uint64_t physical, std::uint64_t swap,
                          Severity pressure = Severity::info) {
  WidgetSnapshot s = fullSnapshot();
  s.memory = WidgetSnapshot::Memory{used, physical, swap, pressure};
  return s;
}

const Texts setupTexts{"[flag.pattern.checkered]", "Open Kestrun",
                       "It measures; this widget shows what it finds."};

}  // namespace

TEST(MemoryWidgetView, ShowsUsedInstalledSwapAndPressure) {
  Foundation::ScopedClock clock(now);
  const struct {
    const char* name;
    WidgetSnapshot snapshot;
    const char* value;
    const char* detail;
    const char* pressure;
    const char* tint;
    double arc;
  } cases[] = {
      {"sample", fullSnapshot(), "18.4 GB", "of 32 GB · 1.2 GB swap", "Normal pressure", "green",
       19'756'849'152.0 / 34'359'738'368.0},
      {"high", withMemory(12 * GiB, 16 * GiB, 3 * GiB, Severity::warning), "12.0 GB",
       "of 16 GB · 3.0 GB swap", "High pressure", "orange", 0.75},
      {"critical", withMemory(15 * GiB, 16 * GiB, 9 * GiB, Severity::critical), "15.0 GB",
       "of 16 GB · 9.0 GB swap", "Critical pressure", "red", 15.0 / 16},
      {"no swap", withMemory(GiB, 8 * GiB, 0), "1.0 GB", "of 8 GB · 0.0 GB swap", "Normal pressure",
       "green", 0.125},
      // With nothing installed the fraction is the used count itself: a full ring.
      {"physical 0", withMemory(5, 0, 0), "0.0 GB", "of 0 GB · 0.0 GB swap", "Normal pressure",
       "green", 1},
      {"over-committed", withMemory(20 * GiB, 16 * GiB, 0), "20.0 GB", "of 16 GB · 0.0 GB swap",
       "Normal pressure", "green", 1},
      {"nothing used", withMemory(0, 16 * GiB, 0), "0.0 GB", "of 16 GB · 0.0 GB swap",
       "Normal pressure", "green", 0.02},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const LaidOutView laid = lay(MemoryWidgetView{c.snapshot}, small);
    EXPECT_EQ(shown(laid), (Texts{"[memorychip.fill]", "MEMORY", c.value, c.detail, c.pressure}));
    EXPECT_EQ(symbolColor(laid, "memorychip.fill"), c.tint);
    ASSERT_TRUE(arcEnd(laid.root));
    EXPECT_NEAR(*arcEnd(laid.root), c.arc, 1e-9);
    EXPECT_EQ(fontSizeOf(laid, c.value), 26);
    EXPECT_EQ(colorOf(laid, c.detail), "secondary");
    // The pressure words belong to the footer alone; the detail line keeps its colour.
    EXPECT_EQ(findShown(laid.root, c.detail)->text->runs.front().style.font.size, 10);
  }
}

TEST(MemoryWidgetView, WithoutAMemoryRecordItIsTheFirstRunView) {
  Foundation::ScopedClock clock(now);
  WidgetSnapshot noMemory = fullSnapshot();
  noMemory.memory.reset();
  for (const std::optional<WidgetSnapshot>& s :
       {std::optional<WidgetSnapshot>(), std::optional<WidgetSnapshot>(noMemory)}) {
    const LaidOutView laid = lay(MemoryWidgetView{s}, small);
    EXPECT_EQ(shown(laid), setupTexts);
    EXPECT_EQ(tap(laid, {85, 85}), "kestrun://open/home");
    EXPECT_EQ(tap(laid, {2, 2}), "kestrun://open/home");
  }
}

TEST(MemoryWidgetView, EveryTapOpensTheMemorySection) {
  Foundation::ScopedClock clock(now);
  const LaidOutView laid = lay(MemoryWidgetView{fullSnapshot()}, small);
  const Point points[] = {centre(findSymbol(laid.root, "memorychip.fill")->frame),
                          centre(frameOf(laid, "18.4 GB")),
                          centre(frameOf(laid, "of 32 GB · 1.2 GB swap")),
                          centre(frameOf(laid, "Normal pressure")),
                          {85, 60},
                          {1, 169}};
  for (Point p : points) EXPECT_EQ(tap(laid, p), "kestrun://open/memory") << p.x << "," << p.y;
}

TEST(MemoryWidgetView, TheFooterShowsThePressureUntilTheSnapshotIsStale) {
  Foundation::ScopedClock clock(now);
  const struct {
    Foundation::TimeInterval age;
    Texts footer;
    const char* color;
  } cases[] = {
      {1200, {"Normal pressure"}, "secondary"},
      {-86400, {"Normal pressure"}, "secondary"},
      {1201, {"[clock]", "Updated 20 min. ago"}, "orange"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.age);
    WidgetSnapshot s = fullSnapshot();
    s.updated = now - c.age;
    const LaidOutView laid = lay(MemoryWidgetView{s}, small);
    const Texts texts = shown(laid);
    EXPECT_EQ(Texts(texts.begin() + 4, texts.end()), c.footer);
    EXPECT_EQ(colorOf(laid, c.footer.back()), c.color);
  }
}

TEST(MemoryWidgetView, HugeCountsShrinkThenAreCutInsideTheWidget) {
  Foundation::ScopedClock clock(now);
  constexpr auto most = std::numeric_limits<std::uint64_t>::max();
  const LaidOutView laid = lay(MemoryWidgetView{withMemory(most, most, most)}, small);
  const Rect content = contentRect(small);
  const LayoutNode* value = findShown(laid.root, "17179869184.0 GB");
  const LayoutNode* detail = findShown(laid.root, "of 17179869184 GB · 17179869184.0 GB swap");
  ASSERT_TRUE(value && detail) << laid.json(true);
  EXPECT_LT(value->text->fontScale, 1);
  EXPECT_GE(value->text->fontScale, 0.6);
  EXPECT_NEAR(detail->text->fontScale, 0.85, 1e-9);
  EXPECT_TRUE(detail->text->box.truncated);
  for (const LayoutNode* n : {value, detail}) {
    EXPECT_EQ(n->text->box.lineCount, 1);
    EXPECT_TRUE(content.containsRect(n->frame, 0.5));
  }
  // A detail line that only just does not fit shrinks without being cut.
  const LaidOutView tight = lay(MemoryWidgetView{withMemory(GiB, 1000 * GiB, 1000 * GiB)}, small);
  const LayoutNode* line = findShown(tight.root, "of 1000 GB · 1000.0 GB swap");
  ASSERT_TRUE(line);
  EXPECT_FALSE(line->text->box.truncated);
  EXPECT_LE(line->frame.width, content.width + 0.5);
}

TEST_F(InGerman, TheMemoryDetailLineIsTranslatedWithItsNumbersUnchanged) {
  const Texts texts = shown(lay(MemoryWidgetView{fullSnapshot()}, small));
  EXPECT_EQ(texts, (Texts{"[memorychip.fill]", "MEMORY", "18.4 GB", "von 32 GB · 1.2 GB Swap",
                          "Druck: Normal"}));
}

TEST(MemoryWidgetViewRendering, DrawsInLightAndDark) {
  Foundation::ScopedClock clock(now);
  WidgetSnapshot stale = fullSnapshot();
  stale.updated = now - 3 * 3600;
  drawInBothAppearances(
      "memory-", small,
      {
          {"normal", MemoryWidgetView{fullSnapshot()}},
          {"high", MemoryWidgetView{withMemory(12 * GiB, 16 * GiB, 3 * GiB, Severity::warning)}},
          {"critical",
           MemoryWidgetView{withMemory(15 * GiB, 16 * GiB, 9 * GiB, Severity::critical)}},
          {"huge", MemoryWidgetView{withMemory(std::numeric_limits<std::uint64_t>::max(), 0, 0)}},
          {"stale", MemoryWidgetView{stale}},
      });
  // The critical ring's arc at 12 o'clock is red.
  const Bitmap critical =
      draw(MemoryWidgetView{withMemory(15 * GiB, 16 * GiB, 0, Severity::critical)}, small,
           "memory-probe");
  const RGBA top = critical.at({16 + 19, 16 + 0.5});
  EXPECT_GT(top.red, 0.8);
  EXPECT_LT(top.green, 0.5);
}
