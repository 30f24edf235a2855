// Frames computed by hand for each layout rule, with arithmetic text metrics (see
// FakeTextMeasurer.h: at size 8 a character is 4 wide and a line 10 tall), and invariants over
// a whole widget-sized tree.
#include <gtest/gtest.h>

#include <functional>

#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/Text.h"
#include "tests/Platform/ViewToolkit/FakeTextMeasurer.h"

using namespace ViewToolkit;

namespace {

const ViewToolkitTesting::FakeTextMeasurer measurer;

LaidOutView lay(const View& v, Size size = {200, 100}, double scale = 1) {
  EnvironmentValues env;
  env.displayScale = scale;
  return layoutView(v, {0, 0, size.width, size.height}, env, measurer);
}

View box(double w, double h) {
  return Rectangle().frame({.width = w, .height = h});
}
View text(const char* s) {
  return Text::verbatim(s).font(Font::system(8));
}

// The frames of the root's children (the root itself is the stack under test).
std::vector<Rect> childFrames(const LaidOutView& l) {
  std::vector<Rect> out;
  for (const LayoutNode& c : l.root.children) out.push_back(c.frame);
  return out;
}

}  // namespace

TEST(StackLayout, ChildrenAreSizedAndPlacedByTheStackRules) {
  struct Case {
    const char* name;
    View view;
    Rect stack;
    std::vector<Rect> children;
  };
  const Case cases[] = {
      {"default spacing between views, centred in the proposal",
       HStack({box(20, 10), box(30, 10)}),
       {71, 45, 58, 10},
       {{71, 45, 20, 10}, {99, 45, 30, 10}}},
      {"a spacer takes the rest; no default spacing beside it",
       HStack({box(20, 10), Spacer(), box(30, 10)}),
       {0, 45, 200, 10},
       {{0, 45, 20, 10}, {20, 50, 150, 0}, {170, 45, 30, 10}}},
      {"explicit spacing applies beside spacers too",
       HStack(VerticalAlignment::center, 4, {box(20, 10), Spacer(), box(30, 10)}),
       {0, 45, 200, 10},
       {{0, 45, 20, 10}, {24, 50, 142, 0}, {170, 45, 30, 10}}},
      {"two spacers share the rest evenly",
       HStack({Spacer(), box(20, 10), Spacer()}),
       {0, 45, 200, 10},
       {{0, 50, 90, 0}, {90, 45, 20, 10}, {110, 50, 90, 0}}},
      {"a spacer never goes below its minimum: the stack overflows, cut at the canvas's edges",
       HStack({box(100, 10), Spacer(20), box(100, 10)}),
       {0, 45, 200, 10},
       {{0, 45, 100, 10}, {100, 50, 20, 0}, {120, 45, 80, 10}}},
      {"least flexible first: the max-width frame gets half, the min-width child overflows",
       HStack(VerticalAlignment::center, 0,
              {View(Color::red).frame(FlexibleFrame{.maxWidth = 100}),
               View(Color::green).frame(FlexibleFrame{.minWidth = 100})})
           .frame({.width = 150}),
       {25, 0, 150, 100},
       {}},
      {"vertical stack, leading alignment",
       VStack(HorizontalAlignment::leading, 2, {box(20, 10), box(40, 10)}),
       {80, 39, 40, 22},
       {{80, 39, 20, 10}, {80, 51, 40, 10}}},
      {"vertical stack, trailing alignment",
       VStack(HorizontalAlignment::trailing, 0, {box(20, 10), box(40, 10)}),
       {80, 40, 40, 20},
       {{100, 40, 20, 10}, {80, 50, 40, 10}}},
      {"horizontal stack, top alignment",
       HStack(VerticalAlignment::top, 0, {box(10, 10), box(10, 30)}),
       {90, 35, 20, 30},
       {{90, 35, 10, 10}, {100, 35, 10, 30}}},
      {"horizontal stack, bottom alignment",
       HStack(VerticalAlignment::bottom, 0, {box(10, 10), box(10, 30)}),
       {90, 35, 20, 30},
       {{90, 55, 10, 10}, {100, 35, 10, 30}}},
      {"an empty group adds nothing, not even spacing",
       HStack({box(10, 10), Group({}), box(10, 10)}),
       {86, 45, 28, 10},
       {{86, 45, 10, 10}, {104, 45, 10, 10}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LaidOutView l = lay(c.view);
    EXPECT_EQ(l.root.frame, c.stack);
    if (!c.children.empty()) {
      EXPECT_EQ(childFrames(l), c.children);
    }
  }
}

TEST(StackLayout, TheOverflowExampleIs175Wide) {
  // Offered 150: the max-width child gets 75 and takes it, the min-width one gets 75, takes 100.
  LaidOutView l = lay(HStack(VerticalAlignment::center, 0,
                             {View(Color::red).frame(FlexibleFrame{.maxWidth = 100}),
                              View(Color::green).frame(FlexibleFrame{.minWidth = 100})})
                          .frame({.width = 150}));
  const LayoutNode& stack = l.root.children[0];
  EXPECT_EQ(stack.frame.width, 175);
  EXPECT_EQ(stack.children[0].frame.width, 75);
  EXPECT_EQ(stack.children[1].frame.width, 100);
}

TEST(FrameLayout, FixedAndFlexibleFramesFollowTheirRules) {
  struct Case {
    const char* name;
    View view;
    Rect frame;
    Rect child;
  };
  // text("abcd") is 16 by 10.
  const Case cases[] = {
      {"infinite maximum width fills the proposal, content leading",
       text("abcd").frame(
           FlexibleFrame{.maxWidth = Length::infinity(), .alignment = Alignment::leading}),
       {0, 45, 200, 10},
       {0, 45, 16, 10}},
      {"infinite maxima fill both axes, content centred",
       text("abcd").frame(
           FlexibleFrame{.maxWidth = Length::infinity(), .maxHeight = Length::infinity()}),
       {0, 0, 200, 100},
       {92, 45, 16, 10}},
      {"only a minimum: at least the minimum",
       box(20, 10).frame(FlexibleFrame{.minWidth = 50}),
       {75, 45, 50, 10},
       {90, 45, 20, 10}},
      {"only a maximum on a greedy child: the maximum",
       View(Color::blue).frame(FlexibleFrame{.maxWidth = 100}),
       {50, 0, 100, 100},
       {50, 0, 100, 100}},
      {"minimum and maximum: the proposal clamped",
       box(20, 10).frame(FlexibleFrame{.minWidth = 10, .maxWidth = 300}),
       {0, 45, 200, 10},
       {90, 45, 20, 10}},
      {"fixed width, child centred",
       text("abcd").frame({.width = 30}),
       {85, 45, 30, 10},
       {92, 45, 16, 10}},
      {"fixed width only: height follows the child's choice",
       View(Color::red).frame({.width = 1}),
       {99.5, 0, 1, 100},
       {99.5, 0, 1, 100}},
      {"fixed frame smaller than the child: the child overflows, centred",
       box(40, 10).frame({.width = 20, .height = 20}),
       {90, 40, 20, 20},
       {80, 45, 40, 10}},
      {"fixed frame, bottom trailing",
       box(10, 10).frame({.width = 30, .height = 30, .alignment = Alignment::bottomTrailing}),
       {85, 35, 30, 30},
       {105, 55, 10, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LaidOutView l = lay(c.view, {200, 100}, 2);
    EXPECT_EQ(l.root.frame, c.frame);
    ASSERT_EQ(l.root.children.size(), 1u);
    EXPECT_EQ(l.root.children[0].frame, c.child);
  }
}

TEST(ModifierLayout, PaddingLayersOffsetAndRotation) {
  {
    LaidOutView l = lay(box(20, 10).padding());
    EXPECT_EQ(l.root.frame, (Rect{74, 29, 52, 42}));
    EXPECT_EQ(l.root.children[0].frame, (Rect{90, 45, 20, 10}));
  }
  {
    LaidOutView l = lay(box(20, 10).padding(EdgeSet::horizontal, 7).padding(EdgeSet::top, 5));
    EXPECT_EQ(l.root.frame.size(), (Size{34, 15}));
  }
  {
    LaidOutView l = lay(box(20, 10).padding(EdgeInsets{1, 2, 3, 4}));
    EXPECT_EQ(l.root.frame, (Rect{87, 43, 26, 14}));
    EXPECT_EQ(l.root.children[0].frame, (Rect{89, 44, 20, 10}));
  }
  {
    // The secondary view is proposed the primary's size and does not change it.
    LaidOutView l = lay(box(10, 10).overlay(box(30, 30)));
    EXPECT_EQ(l.root.kind, "overlay");
    EXPECT_EQ(l.root.frame, (Rect{95, 45, 10, 10}));
    EXPECT_EQ(l.root.children[1].frame, (Rect{85, 35, 30, 30}));
  }
  {
    LaidOutView l = lay(text("ab").background(Color::red));
    EXPECT_EQ(l.root.children[0].kind, "Rectangle");  // drawn first
    EXPECT_EQ(l.root.children[0].frame, l.root.children[1].frame);
  }
  {
    // Offset moves the drawing, never the layout of it or of its siblings.
    LaidOutView l =
        lay(HStack(VerticalAlignment::center, 0, {box(20, 10).offset(5, 3), box(20, 10)}));
    const LayoutNode& offset = l.root.children[0];
    EXPECT_EQ(offset.frame, (Rect{80, 45, 20, 10}));
    EXPECT_EQ(offset.children[0].frame, (Rect{85, 48, 20, 10}));
    EXPECT_EQ(l.root.children[1].frame, (Rect{100, 45, 20, 10}));
  }
  {
    LaidOutView l = lay(box(20, 10).rotationEffect(Angle::degrees(-90)));
    EXPECT_EQ(l.root.frame, (Rect{90, 45, 20, 10}));
    ASSERT_TRUE(l.root.rotation);
    EXPECT_DOUBLE_EQ(l.root.rotation->degreesValue(), -90);
  }
}

TEST(ZStackLayout, SizeIsTheUnionAndChildrenAlign) {
  LaidOutView l = lay(ZStack(Alignment::topTrailing, {box(40, 20), box(10, 10)}));
  EXPECT_EQ(l.root.frame, (Rect{80, 40, 40, 20}));
  EXPECT_EQ(l.root.children[1].frame, (Rect{110, 40, 10, 10}));
  LaidOutView centred = lay(ZStack({box(40, 20), box(10, 10)}));
  EXPECT_EQ(centred.root.children[1].frame, (Rect{95, 45, 10, 10}));
}

TEST(GridLayout, ColumnsAsWideAsTheirWidestCellRowsAsTallAsTheirTallest) {
  LaidOutView l =
      lay(Grid(Alignment::center, 6, 4,
               {GridRow({text("ab"), text("abcdef")}), GridRow({text("abcd"), box(10, 14)})}));
  // Columns 16 and 24 wide with 6 between; rows 10 and 14 tall with 4 between.
  EXPECT_EQ(l.root.frame.size(), (Size{46, 28}));
  const LayoutNode& row0 = l.root.children[0];
  const LayoutNode& row1 = l.root.children[1];
  EXPECT_EQ(row0.kind, "GridRow");
  EXPECT_EQ(row1.frame.y - row0.frame.maxY(), 4);
  const double x0 = l.root.frame.x;
  EXPECT_EQ(row0.children[0].frame.x, x0 + 4);  // "ab" centred in the 16 column
  EXPECT_EQ(row0.children[1].frame.x, x0 + 22);
  EXPECT_EQ(row1.children[1].frame, (Rect{x0 + 29, row1.frame.y, 10, 14}));
  EXPECT_EQ(row1.children[0].frame.y, row1.frame.y + 2);  // centred in the 14 row
}

TEST(GridLayout, FlexibleCellsShareTheWidth) {
  View tile =
      View(Color::gray).frame(FlexibleFrame{.maxWidth = Length::infinity()}).frame({.height = 20});
  LaidOutView l = lay(Grid(Alignment::center, 6, 6, {GridRow({tile, tile}), GridRow({tile, tile})}),
                      {206, 100});
  EXPECT_EQ(l.root.children[0].children[0].frame.width, 100);
  EXPECT_EQ(l.root.children[1].children[1].frame.x, 106);
}

TEST(TextLayout, OneLineShrinksToTheMinimumScaleThenTruncates) {
  struct Case {
    double width;
    double minimumScale;
    double scale;
    bool truncated;
  };
  // "abcdefghij" at size 8 is 40 wide.
  const Case cases[] = {
      {50, 0.5, 1, false},     // fits
      {30, 0.5, 0.75, false},  // shrinks to exactly fit
      {20, 0.6, 0.6, true},    // 24 wide at 0.6: cut
      {30, 1, 1, true},        // no shrinking allowed: cut at once
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    LaidOutView l = lay(text("abcdefghij")
                            .lineLimit(1)
                            .minimumScaleFactor(c.minimumScale)
                            .frame({.width = c.width}));
    const LayoutNode* t = l.root.findFirst("Text");
    ASSERT_TRUE(t);
    EXPECT_NEAR(t->text->fontScale, c.scale, 0.005);
    EXPECT_EQ(t->text->box.truncated, c.truncated);
    EXPECT_LE(t->frame.width, std::max(c.width, 4.0));
  }
}

TEST(TextLayout, WithoutALineLimitTextWraps) {
  LaidOutView l = lay(text("abcdefghij").frame({.width = 20}));
  const LayoutNode* t = l.root.findFirst("Text");
  EXPECT_EQ(t->frame.size(), (Size{20, 20}));
  EXPECT_EQ(t->text->box.lineCount, 2);
  EXPECT_FALSE(t->text->box.truncated);
}

TEST(TextLayout, BaselineAlignmentLinesUpTheFirstBaselines) {
  LaidOutView l = lay(HStack(VerticalAlignment::firstTextBaseline, 0,
                             {text("a"), Text::verbatim("b").font(Font::system(16))}));
  const LayoutNode& small = l.root.children[0];
  const LayoutNode& big = l.root.children[1];
  EXPECT_EQ(small.frame.y + 8, big.frame.y + 16);
}

TEST(PixelRounding, EdgesLandOnDevicePixelsAndStayAdjacent) {
  for (double scale : {1.0, 2.0, 3.0}) {
    SCOPED_TRACE(scale);
    LaidOutView l = lay(HStack(VerticalAlignment::center, 0,
                               {View(Color::red), View(Color::green), View(Color::blue)}),
                        {100, 10}, scale);
    const auto& c = l.root.children;
    ASSERT_EQ(c.size(), 3u);
    for (std::size_t i = 0; i < c.size(); ++i) {
      EXPECT_DOUBLE_EQ(std::round(c[i].frame.x * scale), c[i].frame.x * scale);
      EXPECT_DOUBLE_EQ(std::round(c[i].frame.maxX() * scale), c[i].frame.maxX() * scale);
      if (i) {
        EXPECT_DOUBLE_EQ(c[i].frame.x, c[i - 1].frame.maxX());
      }
    }
    EXPECT_DOUBLE_EQ(c.back().frame.maxX(), 100);
  }
}
