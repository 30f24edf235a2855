// Tap regions and the switch that makes them plain, the footer's turn to a warning at the
// staleness bound, and the first-run view.
#include <gtest/gtest.h>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetLink.h"
#include "KestrunWidgetKit/WidgetViews/Links.h"
#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "KestrunWidgetKit/WidgetViews/StatusLines.h"
#include "Platform/ViewToolkit/Text.h"
#include "tests/KestrunWidgetKit/WidgetViews/KitTesting.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::Footnote;
using KestrunWidgetKit::kestrunBrand;
using KestrunWidgetKit::SetupView;
using KestrunWidgetKit::setWidgetLinksAsPlainViews;
using KestrunWidgetKit::SpeedLine;
using KestrunWidgetKit::Tap;
using KestrunWidgetKit::widgetLinksAsPlainViews;
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetLink = KestrunWidgetKit::WidgetLink;

using namespace ViewToolkit;

namespace {

const std::string wifiURL = "kestrun://open/wifi";
const std::string homeURL = "kestrun://open/home";

// A widget whose upper half is a Tap to the Wi-Fi section, under a whole-widget URL.
View widgetWithTap() {
  return VStack(HorizontalAlignment::center, 0,
                {Tap{WidgetLink::open("wifi"), Text::verbatim("Wi-Fi").frame({.height = 50})},
                 Spacer()})
      .frame(FlexibleFrame{.maxWidth = Length::infinity(), .maxHeight = Length::infinity()})
      .widgetURL(WidgetLink::open("home"));
}

}  // namespace

TEST(Tap, IsALinkUnlessTheEnvironmentAsksForPlainViews) {
  EXPECT_FALSE(widgetLinksAsPlainViews(EnvironmentValues()));

  const LaidOutView linked = KitTesting::lay(widgetWithTap(), {170, 170});
  const LayoutNode* link = linked.root.findFirst("Link");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->url, wifiURL);
  EXPECT_NE(link->findText("Wi-Fi"), nullptr);
  EXPECT_EQ(linked.urlAt({85, 25}), wifiURL);
  EXPECT_EQ(linked.urlAt({85, 140}), homeURL);

  const LaidOutView plain =
      KitTesting::lay(widgetLinksAsPlainViews(widgetWithTap(), true), {170, 170});
  EXPECT_EQ(plain.root.findFirst("Link"), nullptr);
  ASSERT_NE(plain.root.findText("Wi-Fi"), nullptr);
  EXPECT_EQ(plain.root.findText("Wi-Fi")->frame, linked.root.findText("Wi-Fi")->frame);
  EXPECT_EQ(plain.urlAt({85, 25}), homeURL);  // falls through to the widget's URL
}

TEST(Tap, ReadsTheSwitchWhereItIsPlaced) {
  EnvironmentValues environment;
  setWidgetLinksAsPlainViews(environment, true);
  EXPECT_TRUE(widgetLinksAsPlainViews(environment));
  const LaidOutView plain = KitTesting::lay(widgetWithTap(), {170, 170}, environment);
  EXPECT_EQ(plain.root.findFirst("Link"), nullptr);
}

class FootnoteInTime : public ::testing::Test {
 protected:
  TestSupport::ScopedLocale english{"en_US.UTF-8"};
  const Foundation::Date now{1750000000};
  Foundation::ScopedClock clock{now};

  WidgetSnapshot snapshotAged(double seconds) const {
    WidgetSnapshot s = WidgetSnapshot::sample();
    s.updated = now - seconds;
    return s;
  }
  LaidOutView footer(double age, View content) const {
    return KitTesting::lay(Footnote{snapshotAged(age), std::move(content)}, {170, 40});
  }
};

TEST_F(FootnoteInTime, ShowsItsContentUpToTheStalenessBoundThenAnOrangeClockLabel) {
  struct Case {
    double age;
    const char* shown;
  };
  const Case cases[] = {{0, "content"},
                        {-600, "content"},  // a snapshot from the future is not stale
                        {1200, "content"},
                        {1201, "Updated 20 min. ago"},
                        {7300, "Updated 2 hr. ago"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.age);
    const LaidOutView laid = footer(c.age, Text::verbatim("content"));
    const auto texts = laid.root.findAll("Text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text->string(), c.shown);
    const LayoutNode* clock = laid.root.findFirst("Image");
    if (std::string(c.shown) == "content") {
      EXPECT_EQ(clock, nullptr);
      continue;
    }
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->symbol->name, "clock");
    EXPECT_EQ(clock->symbol->paint.color, Color::orange);
    EXPECT_EQ(texts[0]->text->runs[0].paint.color, Color::orange);
    EXPECT_EQ(texts[0]->text->runs[0].style.font, Font::caption2.resolve());
  }
}

TEST_F(FootnoteInTime, IsRecomputedWhenTimePasses) {
  const View view = Footnote{snapshotAged(1100), Text::verbatim("content")};
  EXPECT_NE(KitTesting::lay(view, {170, 40}).root.findText("content"), nullptr);
  clock.advance(101);
  EXPECT_EQ(KitTesting::lay(view, {170, 40}).root.findText("content"), nullptr);
}

TEST_F(FootnoteInTime, AnAbsentContentShowsNothingUntilTheSnapshotIsStale) {
  const LaidOutView fresh = footer(60, View());
  EXPECT_TRUE(fresh.root.findAll("Text").empty());
  EXPECT_TRUE(fresh.root.findAll("Image").empty());
  EXPECT_EQ(fresh.root.frame.height, 0);
  EXPECT_NE(footer(1201, View()).root.findFirst("Image"), nullptr);
}

TEST_F(FootnoteInTime, GivesItsContentACaptionFontOneLineAndFivePointsAbove) {
  const LaidOutView laid = footer(
      0, Text::verbatim("a footer far too long to fit on one line of a small widget footer"));
  const LayoutNode* text = laid.root.findFirst("Text");
  EXPECT_EQ(text->text->runs[0].style.font, Font::caption2.resolve());
  EXPECT_EQ(text->text->paragraph.lineLimit, 1);
  EXPECT_EQ(text->text->box.lineCount, 1);
  EXPECT_EQ(text->frame.y - laid.root.frame.y, 5);
  // A content with a font of its own keeps it.
  const WidgetSnapshot::SpeedTest speed{512, 48, now};
  const LaidOutView line = footer(0, SpeedLine{speed});
  EXPECT_EQ(line.root.findText("512")->text->runs[0].style.font,
            Font::caption2.weight(Font::Weight::semibold).resolve());
}

TEST(SetupView, FillsTheWidgetAndOpensTheHomeSection) {
  for (Size family : {Size{170, 170}, Size{364, 170}, Size{364, 382}}) {
    SCOPED_TRACE(family.width);
    const LaidOutView laid = KitTesting::lay(SetupView(), family);
    EXPECT_EQ(laid.root.frame, (Rect{0, 0, family.width, family.height}));
    EXPECT_EQ(laid.widgetURL(), WidgetLink::open(WidgetLink::Section::home).absoluteString());
    EXPECT_EQ(laid.urlAt({1, 1}), homeURL);
    EXPECT_EQ(laid.urlAt({family.width - 1, family.height - 1}), homeURL);

    const LayoutNode* stack = laid.root.findFirst("VStack");
    ASSERT_NE(stack, nullptr);
    ASSERT_EQ(stack->children.size(), 3u);
    const LayoutNode* flag = stack->children[0].findFirst("Image");
    const LayoutNode* title = stack->children[1].findFirst("Text");
    const LayoutNode* note = stack->children[2].findFirst("Text");
    ASSERT_TRUE(flag && title && note);
    // Centred in the widget, eight points apart.
    EXPECT_NEAR(stack->frame.x + stack->frame.width / 2, family.width / 2, 0.5);
    EXPECT_NEAR(stack->frame.y + stack->frame.height / 2, family.height / 2, 0.5);
    EXPECT_EQ(
        stack->children[1].frame.y - (stack->children[0].frame.y + stack->children[0].frame.height),
        8);

    EXPECT_EQ(flag->symbol->name, "flag.pattern.checkered");
    EXPECT_EQ(flag->symbol->font, (ResolvedFont{22, Font::Weight::bold, Font::Design::standard}));
    EXPECT_EQ(flag->symbol->paint.color, kestrunBrand);
    bool accentable = false;
    for (const LayoutNode* n : laid.root.pathTo(flag)) accentable |= n->accentable;
    EXPECT_TRUE(accentable);

    EXPECT_EQ(title->text->string(), "Open Kestrun");
    EXPECT_EQ(title->text->runs[0].style.font,
              Font::callout.weight(Font::Weight::semibold).resolve());
    EXPECT_EQ(note->text->string(), "It measures; this widget shows what it finds.");
    EXPECT_EQ(note->text->runs[0].style.font, Font::caption2.resolve());
    EXPECT_EQ(note->text->runs[0].paint.level, HierarchicalLevel::secondary);
    EXPECT_EQ(note->text->paragraph.alignment, TextAlignment::center);
    EXPECT_EQ(note->text->paragraph.lineLimit, std::nullopt);
  }
}

TEST(SetupViewDrawing, TheFlagIsInTheBrandColourInBothAppearances) {
  for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
    const std::string name = scheme == ColorScheme::light ? "setup-light" : "setup-dark";
    const auto drawn = KitTesting::draw(SetupView(), {170, 170}, name, scheme);
    const Rect flag = drawn.laid.root.findFirst("Image")->frame;
    const double closest = KitTesting::closestInk(drawn.bitmap, flag, kestrunBrand.resolve(scheme));
    EXPECT_LT(closest, 0.05) << name;
  }
}

TEST_F(FootnoteInTime, TheStaleLabelIsDrawnOrange) {
  for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
    const std::string name =
        scheme == ColorScheme::light ? "footnote-stale-light" : "footnote-stale-dark";
    const auto drawn =
        KitTesting::draw(Footnote{snapshotAged(1201), View()}, {170, 24}, name, scheme);
    const RGBA orange = Color::orange.resolve(scheme);
    for (const char* kind : {"Image", "Text"}) {
      EXPECT_LT(
          KitTesting::closestInk(drawn.bitmap, drawn.laid.root.findFirst(kind)->frame, orange),
          0.08)
          << name << " " << kind;
    }
  }
}
