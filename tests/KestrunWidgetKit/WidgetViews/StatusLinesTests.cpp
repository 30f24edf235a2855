// The speed line's numbers, arrows and unit, and the pressure line's colours by pressure.
#include <gtest/gtest.h>

#include "KestrunWidgetKit/WidgetViews/StatusLines.h"
#include "Platform/ViewToolkit/Text.h"
#include "tests/KestrunWidgetKit/WidgetViews/KitTesting.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::PressureLine;
using KestrunWidgetKit::SpeedLine;
using KestrunWidgetKit::WidgetSnapshot;

using namespace ViewToolkit;

namespace {
const ResolvedFont caption2Semibold = Font::caption2.weight(Font::Weight::semibold).resolve();
}  // namespace

TEST(SpeedLine, DownArrowDownloadUpArrowUploadAndTheUnitOnce) {
  struct Case {
    std::int64_t down, up;
    const char* downText;
    const char* upText;
  };
  const Case cases[] = {{512, 48, "512", "48 Mbps"},
                        {0, 0, "0", "0 Mbps"},
                        {1234, 5, "1234", "5 Mbps"},  // no grouping
                        {-5, -7, "-5", "-7 Mbps"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.downText);
    const LaidOutView laid =
        KitTesting::lay(SpeedLine{{c.down, c.up, Foundation::Date{0}}}, {170, 30});
    const LayoutNode* row = laid.root.findFirst("HStack");
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->children.size(), 4u);
    const LayoutNode* downArrow = row->children[0].findFirst("Image");
    const LayoutNode* download = row->children[1].findFirst("Text");
    const LayoutNode* upArrow = row->children[2].findFirst("Image");
    const LayoutNode* upload = row->children[3].findFirst("Text");
    ASSERT_TRUE(downArrow && download && upArrow && upload);
    EXPECT_EQ(downArrow->symbol->name, "arrow.down");
    EXPECT_EQ(downArrow->symbol->paint.color, Color::green);
    EXPECT_EQ(upArrow->symbol->name, "arrow.up");
    EXPECT_EQ(upArrow->symbol->paint.color, Color::blue);
    EXPECT_EQ(download->text->string(), c.downText);
    EXPECT_EQ(upload->text->string(), c.upText);
    for (const LayoutNode* t : {download, upload}) {
      EXPECT_EQ(t->text->runs[0].style.font, caption2Semibold);
      EXPECT_TRUE(t->text->runs[0].style.monospacedDigit);
      EXPECT_EQ(t->text->runs[0].paint.level, HierarchicalLevel::secondary);
    }
    for (std::size_t i = 1; i < 4; ++i) {
      const Rect& before = row->children[i - 1].frame;
      EXPECT_EQ(row->children[i].frame.x - (before.x + before.width), 4);
    }
  }
}

TEST(PressureLine, ASixPointDotAndTheWordInThePressuresColours) {
  struct Case {
    WidgetSnapshot::Severity pressure;
    Color dot;
    std::optional<Color> textColor;  // absent: the secondary style
    const char* text;
  };
  const Case cases[] = {
      {WidgetSnapshot::Severity::info, Color::green, std::nullopt, "Normal pressure"},
      {WidgetSnapshot::Severity::warning, Color::orange, Color::orange, "High pressure"},
      {WidgetSnapshot::Severity::critical, Color::red, Color::red, "Critical pressure"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
      const std::string name = std::string("pressure-") +
                               (scheme == ColorScheme::light ? "light-" : "dark-") +
                               std::to_string(static_cast<int>(c.pressure));
      const auto drawn = KitTesting::draw(PressureLine{{8u << 30, 16u << 30, 0, c.pressure}},
                                          {120, 24}, name, scheme);
      const LayoutNode* row = drawn.laid.root.findFirst("HStack");
      ASSERT_NE(row, nullptr);
      const LayoutNode* dot = row->findFirst("Circle");
      const LayoutNode* text = row->findFirst("Text");
      ASSERT_TRUE(dot && text);
      EXPECT_EQ(dot->frame.width, 6);
      EXPECT_EQ(dot->frame.height, 6);
      EXPECT_EQ(dot->shape->paint.color, c.dot);
      EXPECT_EQ(text->frame.x - (dot->frame.x + 6), 5);
      EXPECT_EQ(text->text->string(), c.text);
      EXPECT_EQ(text->text->runs[0].style.font, caption2Semibold);
      const Paint& paint = text->text->runs[0].paint;
      if (c.textColor) {
        EXPECT_EQ(paint.color, *c.textColor);
        EXPECT_FALSE(paint.level);
      } else {
        EXPECT_EQ(paint.level, HierarchicalLevel::secondary);
      }
      const RGBA centre = drawn.bitmap.at({dot->frame.x + 3, dot->frame.y + 3});
      EXPECT_LT(KitTesting::distance(centre, c.dot.resolve(scheme)), 0.06) << name;
    }
  }
}

TEST(SpeedLineDrawing, TheArrowsKeepTheirColoursUnderTheSecondaryNumbers) {
  for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
    const std::string name = scheme == ColorScheme::light ? "speed-light" : "speed-dark";
    const auto drawn =
        KitTesting::draw(SpeedLine{{512, 48, Foundation::Date{0}}}, {120, 24}, name, scheme);
    const auto arrows = drawn.laid.root.findAll("Image");
    ASSERT_EQ(arrows.size(), 2u);
    EXPECT_LT(KitTesting::closestInk(drawn.bitmap, arrows[0]->frame, Color::green.resolve(scheme)),
              0.08);
    EXPECT_LT(KitTesting::closestInk(drawn.bitmap, arrows[1]->frame, Color::blue.resolve(scheme)),
              0.08);
  }
}
