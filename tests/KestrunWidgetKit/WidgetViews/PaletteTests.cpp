// The brand colour, the tint table and the widget background, in the tree and in pixels.
#include <gtest/gtest.h>

#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "tests/KestrunWidgetKit/WidgetViews/KitTesting.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::color;
using KestrunWidgetKit::kestrunBrand;
using KestrunWidgetKit::WidgetBackground;
using KestrunWidgetKit::WidgetSnapshot;

using namespace ViewToolkit;
using KitTesting::distance;
using KitTesting::over;

TEST(Palette, TheBrandIsOneFixedSRGBColourInEveryAppearance) {
  EXPECT_EQ(kestrunBrand, Color(Color::RGBColorSpace::sRGB, 0.36, 0.34, 0.98, 1.0));
  EXPECT_EQ(kestrunBrand.description(), "#5c57faff");
  EXPECT_EQ(kestrunBrand.resolve(ColorScheme::light), kestrunBrand.resolve(ColorScheme::dark));
}

TEST(Palette, EveryTintButTheBrandIsThePlatformColourOfItsName) {
  EXPECT_EQ(color(WidgetSnapshot::Tint::brand), kestrunBrand);
  for (WidgetSnapshot::Tint tint : WidgetSnapshot::allTints) {
    if (tint == WidgetSnapshot::Tint::brand) continue;
    const Color c = color(tint);
    EXPECT_NE(c.name(), Color::Name::custom) << WidgetSnapshot::rawValue(tint);
    EXPECT_EQ(c.description(), WidgetSnapshot::rawValue(tint));
    EXPECT_EQ(c.opacityValue(), 1);
  }
}

TEST(WidgetBackground, WindowBackgroundUnderABrandWashToTheCentre) {
  const LaidOutView laid = KitTesting::lay(WidgetBackground(), {170, 170});
  const LayoutNode* stack = laid.root.findFirst("ZStack");
  ASSERT_NE(stack, nullptr);
  ASSERT_EQ(stack->children.size(), 2u);
  const LayoutNode& bottom = stack->children[0];
  const LayoutNode& wash = stack->children[1];
  EXPECT_EQ(bottom.kind, "Color");
  EXPECT_EQ(bottom.shape->paint.color, Color::windowBackground);
  EXPECT_EQ(wash.kind, "LinearGradient");
  ASSERT_TRUE(wash.shape->paint.linear);
  const LinearGradient& gradient = *wash.shape->paint.linear;
  EXPECT_EQ(gradient.gradient, (Gradient{kestrunBrand.opacity(0.09), Color::clear}));
  EXPECT_EQ(gradient.startPoint, UnitPoint::topLeading);
  EXPECT_EQ(gradient.endPoint, UnitPoint::center);
  for (const LayoutNode* layer : {&bottom, &wash}) {
    EXPECT_EQ(layer->frame, (Rect{0, 0, 170, 170})) << layer->kind;
  }
}

TEST(WidgetBackground, TheBottomFollowsTheAppearanceWhileTheWashKeepsItsColour) {
  for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
    SCOPED_TRACE(scheme == ColorScheme::light ? "light" : "dark");
    const auto drawn =
        KitTesting::draw(WidgetBackground(), {170, 170},
                         scheme == ColorScheme::light ? "background-light" : "background-dark",
                         scheme, std::nullopt);
    const RGBA window = Color::windowBackground.resolve(scheme);
    const RGBA corner = over(kestrunBrand.resolve(scheme), 0.09, window);
    EXPECT_LT(distance(drawn.bitmap.at({0.25, 0.25}), corner), 0.03);
    // From the centre on, and everywhere past the diagonal through it, nothing but the window.
    for (Point p : {Point{85.5, 85.5}, Point{169.5, 169.5}, Point{169.5, 0.5}, Point{0.5, 169.5},
                    Point{120, 60}}) {
      EXPECT_LT(distance(drawn.bitmap.at(p), window), 0.01) << p.x << "," << p.y;
    }
  }
  EXPECT_GT(distance(Color::windowBackground.resolve(ColorScheme::light),
                     Color::windowBackground.resolve(ColorScheme::dark)),
            1.0);
}
