// Ring, BigValue, Eyebrow and Pill: what each decides for the arguments the widgets give, in the
// laid-out tree and, where only pixels show it, on a PNG.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "KestrunWidgetKit/WidgetViews/Gauges.h"
#include "Platform/ViewToolkit/Text.h"
#include "tests/KestrunWidgetKit/WidgetViews/KitTesting.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::BigValue;
using KestrunWidgetKit::Eyebrow;
using KestrunWidgetKit::Pill;
using KestrunWidgetKit::Ring;

using namespace ViewToolkit;
using KitTesting::distance;
using KitTesting::over;

namespace {

const ResolvedFont caption2Semibold = Font::caption2.weight(Font::Weight::semibold).resolve();

// The strokes of a ring with a value: the track first, then the arc.
std::vector<const LayoutNode*> strokes(const LayoutNode& root) {
  std::vector<const LayoutNode*> found;
  for (const LayoutNode* c : root.findAll("Circle")) {
    if (c->shape->mode == ShapeContent::Mode::stroke) found.push_back(c);
  }
  return found;
}

}  // namespace

TEST(Ring, WithoutAValueIsAPaleDiscBehindTheSymbol) {
  const LaidOutView laid =
      KitTesting::lay(Ring{std::nullopt, Color::blue, "wifi", 38, 4}, {38, 38});
  const auto circles = laid.root.findAll("Circle");
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_EQ(circles[0]->shape->mode, ShapeContent::Mode::fill);
  EXPECT_EQ(circles[0]->shape->paint.color, Color::blue.opacity(0.15));
  EXPECT_EQ(circles[0]->frame, (Rect{0, 0, 38, 38}));
  ASSERT_NE(laid.root.findFirst("Image"), nullptr);
  EXPECT_EQ(laid.root.findFirst("Image")->symbol->name, "wifi");
}

TEST(Ring, AnArcOfTheClampedFractionOnATrack) {
  struct Case {
    double fraction;
    double arc;
  };
  const Case cases[] = {{0, 0.02},     {-0.5, 0.02}, {std::nan(""), 0.02},
                        {0.019, 0.02}, {0.02, 0.02}, {0.5, 0.5},
                        {1, 1},        {1.7, 1},     {std::numeric_limits<double>::infinity(), 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fraction);
    const LaidOutView laid =
        KitTesting::lay(Ring{c.fraction, Color::green, "wifi", 38, 4}, {38, 38});
    const auto found = strokes(laid.root);
    ASSERT_EQ(found.size(), 2u);
    const LayoutNode& track = *found[0];
    const LayoutNode& arc = *found[1];
    EXPECT_EQ(track.shape->paint.kind, Paint::Kind::color);
    EXPECT_EQ(track.shape->paint.color, Color::green.opacity(0.18));
    EXPECT_EQ(track.shape->stroke, (StrokeStyle{.lineWidth = 4}));
    EXPECT_EQ(track.shape->shape.trimTo(), 1);
    EXPECT_EQ(arc.shape->paint.kind, Paint::Kind::colorGradient);
    EXPECT_EQ(arc.shape->paint.color, Color::green);
    EXPECT_EQ(arc.shape->stroke, (StrokeStyle{.lineWidth = 4, .lineCap = LineCap::round}));
    EXPECT_EQ(arc.shape->shape.trimFrom(), 0);
    EXPECT_EQ(arc.shape->shape.trimTo(), c.arc);
    // Only the arc is turned to start at 12 o'clock and belongs to the accent group.
    const auto path = laid.root.pathTo(&arc);
    const auto rotated = std::find_if(path.begin(), path.end(),
                                      [](const LayoutNode* n) { return n->rotation.has_value(); });
    ASSERT_NE(rotated, path.end());
    EXPECT_DOUBLE_EQ((*rotated)->rotation->radians, Angle::degrees(-90).radians);
    EXPECT_EQ((*rotated)->rotationAnchor, UnitPoint::center);
    EXPECT_TRUE((*rotated)->accentable);
    for (const LayoutNode* n : laid.root.pathTo(&track)) EXPECT_FALSE(n->accentable);
  }
}

TEST(Ring, OccupiesItsSquareWithTheSymbolSizedFromIt) {
  const LaidOutView laid =
      KitTesting::lay(Ring{0.4, Color::orange, "memorychip", 38, 4}, {100, 100});
  EXPECT_EQ(laid.root.frame, (Rect{31, 31, 38, 38}));
  const LayoutNode* symbol = laid.root.findFirst("Image");
  ASSERT_NE(symbol, nullptr);
  EXPECT_DOUBLE_EQ(symbol->symbol->font.size, 13.68);
  EXPECT_EQ(symbol->symbol->font.weight, Font::Weight::semibold);
  EXPECT_EQ(symbol->symbol->font.design, Font::Design::standard);
  EXPECT_EQ(symbol->symbol->paint.color, Color::orange);
}

TEST(RingDrawing, AZeroShowsAShortArcAtTwelveAndAHalfTheRightSide) {
  // The ring sits in the middle of a larger canvas: half of each stroke lies outside its square.
  const Point centre{30, 30};
  const double r = 19;
  auto onCircle = [&](double degreesClockwiseFromTwelve) {
    const double a = degreesClockwiseFromTwelve * M_PI / 180;
    return Point{centre.x + r * std::sin(a), centre.y - r * std::cos(a)};
  };
  for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
    const char* name = scheme == ColorScheme::light ? "light" : "dark";
    SCOPED_TRACE(name);
    const RGBA window = Color::windowBackground.resolve(scheme);
    const RGBA red = Color::red.resolve(scheme);
    const RGBA track = over(red, 0.18, window);
    auto isArc = [&](RGBA p) { return distance(p, track) > 0.35; };
    auto isTrack = [&](RGBA p) { return distance(p, track) < 0.06; };

    const auto zero = KitTesting::draw(Ring{0, Color::red, "wifi", 38, 4}, {60, 60},
                                       std::string("ring-zero-") + name, scheme);
    EXPECT_TRUE(isArc(zero.bitmap.at(onCircle(3))));  // 2 % is 7.2 degrees
    EXPECT_TRUE(isTrack(zero.bitmap.at(onCircle(30))));
    EXPECT_TRUE(isTrack(zero.bitmap.at(onCircle(-30))));
    EXPECT_TRUE(isTrack(zero.bitmap.at(onCircle(180))));

    const auto half = KitTesting::draw(Ring{0.5, Color::red, "wifi", 38, 4}, {60, 60},
                                       std::string("ring-half-") + name, scheme);
    for (double at : {20.0, 90.0, 160.0}) EXPECT_TRUE(isArc(half.bitmap.at(onCircle(at)))) << at;
    for (double at : {200.0, 270.0, 340.0})
      EXPECT_TRUE(isTrack(half.bitmap.at(onCircle(at)))) << at;
    // The stroke is centred on the outline: it reaches half a line width past the square.
    EXPECT_TRUE(isArc(half.bitmap.at({centre.x + r + 1.5, centre.y})));
  }
}

TEST(BigValue, ABoldRoundedNumberAndASmallerSecondaryUnitOnOneLine) {
  const LaidOutView laid = KitTesting::lay(BigValue{"4", "ms", 26}, {120, 40});
  const LayoutNode* text = laid.root.findFirst("Text");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text->string(), "4 ms");
  ASSERT_EQ(text->text->runs.size(), 2u);
  const auto& number = text->text->runs[0];
  const auto& unit = text->text->runs[1];
  EXPECT_EQ(number.style.font, (ResolvedFont{26, Font::Weight::bold, Font::Design::rounded}));
  EXPECT_EQ(number.paint.level, HierarchicalLevel::primary);  // the surroundings' style
  EXPECT_EQ(unit.text, " ms");
  EXPECT_EQ(unit.style.font, (ResolvedFont{14.3, Font::Weight::semibold, Font::Design::rounded}));
  EXPECT_EQ(unit.paint.level, HierarchicalLevel::secondary);
  EXPECT_EQ(text->text->paragraph.lineLimit, 1);
}

TEST(BigValue, TakesTheColourItsCallerGives) {
  const LaidOutView laid =
      KitTesting::lay(View(BigValue{"12", "GB", 30}).foregroundStyle(Color::orange), {120, 40});
  const auto& runs = laid.root.findFirst("Text")->text->runs;
  EXPECT_EQ(runs[0].paint.color, Color::orange);
  EXPECT_EQ(runs[1].paint.level, HierarchicalLevel::secondary);
}

TEST(BigValue, WithoutAUnitIsTheNumberAloneWithNoTrailingSpace) {
  const LaidOutView laid = KitTesting::lay(BigValue{"Offline", std::nullopt, 22}, {120, 40});
  EXPECT_EQ(laid.root.findFirst("Text")->text->string(), "Offline");
}

TEST(BigValue, ShrinksToSixtyPercentThenCutsAndNeverWraps) {
  const View value = BigValue{"123456789", "GB", 30};
  const double natural = KitTesting::lay(value, {1000, 100}).root.frame.width;
  const auto fit = [&](double width) {
    return *KitTesting::lay(value, {width, 100}).root.findFirst("Text")->text;
  };

  const TextContent roomy = fit(natural + 1);
  EXPECT_EQ(roomy.fontScale, 1);
  const TextContent shrunk = fit(natural * 0.8);
  EXPECT_LT(shrunk.fontScale, 1);
  EXPECT_GE(shrunk.fontScale, 0.6);
  EXPECT_FALSE(shrunk.box.truncated);
  const TextContent cut = fit(natural * 0.4);
  EXPECT_DOUBLE_EQ(cut.fontScale, 0.6);
  EXPECT_TRUE(cut.box.truncated);
  for (const TextContent& t : {roomy, shrunk, cut}) EXPECT_EQ(t.box.lineCount, 1);
}

TEST(Eyebrow, UpperCasedTheSameInEveryLocaleInSmallTrackedSecondaryType) {
  const std::pair<const char*, const char*> cases[] = {
      {"Wi-Fi", "WI-FI"}, {"Needs you", "NEEDS YOU"}, {"straße", "STRASSE"}};
  for (auto [given, shown] : cases) {
    const LaidOutView laid = KitTesting::lay(Eyebrow{given}, {200, 30});
    const LayoutNode* text = laid.root.findFirst("Text");
    ASSERT_NE(text, nullptr) << given;
    EXPECT_EQ(text->text->string(), shown);
    const auto& run = text->text->runs[0];
    EXPECT_EQ(run.style.font, (ResolvedFont{9.5, Font::Weight::semibold, Font::Design::standard}));
    EXPECT_EQ(run.style.tracking, 0.6);
    EXPECT_EQ(run.paint.level, HierarchicalLevel::secondary);
    EXPECT_EQ(text->text->paragraph.lineLimit, std::nullopt);
  }
}

TEST(Pill, AColouredDotLabelAndCapsule) {
  const LaidOutView laid = KitTesting::lay(Pill{"Busy", Color::red}, {200, 40});
  const LayoutNode* capsule = laid.root.findFirst("Capsule");
  const LayoutNode* label = laid.root.findText("Busy");
  const auto circles = laid.root.findAll("Circle");
  ASSERT_TRUE(capsule && label);
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_EQ(circles[0]->frame.width, 5);
  EXPECT_EQ(circles[0]->frame.height, 5);
  EXPECT_EQ(circles[0]->shape->paint.color, Color::red);
  EXPECT_EQ(label->text->runs[0].style.font, caption2Semibold);
  EXPECT_EQ(label->text->runs[0].paint.color, Color::red);
  EXPECT_EQ(capsule->shape->paint.color, Color::red.opacity(0.14));
  EXPECT_EQ(capsule->shape->shape.cornerStyle(), RoundedCornerStyle::continuous);
  // Seven points either side and three above and below the dot and label.
  const LayoutNode* row = laid.root.findFirst("HStack");
  EXPECT_EQ(row->frame.x - capsule->frame.x, 7);
  EXPECT_EQ(capsule->frame.x + capsule->frame.width - (row->frame.x + row->frame.width), 7);
  EXPECT_EQ(row->frame.y - capsule->frame.y, 3);
  EXPECT_EQ(capsule->frame.y + capsule->frame.height - (row->frame.y + row->frame.height), 3);
  EXPECT_EQ(label->frame.x - (circles[0]->frame.x + 5), 4);
}

TEST(Pill, SecondaryTurnsLabelAndCapsuleNeutralButNotTheDot) {
  const LaidOutView laid = KitTesting::lay(Pill{"Idle", Color::secondary}, {200, 40});
  EXPECT_EQ(laid.root.findFirst("Circle")->shape->paint.color, Color::secondary);
  EXPECT_EQ(laid.root.findText("Idle")->text->runs[0].paint.level, HierarchicalLevel::secondary);
  EXPECT_EQ(laid.root.findFirst("Capsule")->shape->paint.color, Color::primary.opacity(0.06));
}

TEST(Pill, ASymbolTakesThePlaceOfTheDot) {
  const LaidOutView laid = KitTesting::lay(Pill{"OK", Color::green, "checkmark"}, {200, 40});
  EXPECT_EQ(laid.root.findFirst("Circle"), nullptr);
  const LayoutNode* mark = laid.root.findFirst("Image");
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->symbol->name, "checkmark");
  EXPECT_TRUE(mark->symbol->known);
  EXPECT_EQ(mark->symbol->font, (ResolvedFont{8, Font::Weight::bold, Font::Design::standard}));
  EXPECT_EQ(mark->symbol->paint.color, Color::green);
  EXPECT_EQ(laid.root.findText("OK")->text->runs[0].style.font, caption2Semibold);
}

TEST(PillDrawing, TheDotIsItsColourInBothAppearances) {
  for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
    const std::string name = scheme == ColorScheme::light ? "pill-light" : "pill-dark";
    const auto drawn = KitTesting::draw(Pill{"Busy", Color::red}, {80, 30}, name, scheme);
    const LayoutNode* dot = drawn.laid.root.findFirst("Circle");
    const Point middle{dot->frame.x + 2.5, dot->frame.y + 2.5};
    EXPECT_LT(distance(drawn.bitmap.at(middle), Color::red.resolve(scheme)), 0.06) << name;
  }
}
