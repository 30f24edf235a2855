// Values, environment, texts and their keys, colours and styles, hit testing, the tree dump and
// the container background: everything about views that needs no real fonts.
#include <gtest/gtest.h>

#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/JSON.h"
#include "Platform/Foundation/URL.h"
#include "Platform/ViewToolkit/DisplayList.h"
#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/Text.h"
#include "tests/Platform/ViewToolkit/FakeTextMeasurer.h"

using namespace ViewToolkit;

namespace {

const ViewToolkitTesting::FakeTextMeasurer measurer;

LaidOutView lay(const View& v, Size size = {200, 100}, EnvironmentValues env = {}) {
  return layoutView(v, {0, 0, size.width, size.height}, env, measurer);
}

struct PlainLinksKey {
  using Value = bool;
  static Value defaultValue() { return false; }
};

// A component that decides from the environment where it is placed, as a tap region does.
struct Tap {
  std::string url;
  View content;
  View body() const {
    if (EnvironmentValues::current().get<PlainLinksKey>()) return content;
    return Link(url, content);
  }
};

// A component that reads the clock when it is built.
struct Clocked {
  View body() const {
    return Text::verbatim(Foundation::Clock::now().secondsSinceEpoch > 1000 ? "late" : "early");
  }
};

}  // namespace

TEST(Environment, KeysHaveDefaultsAndTheNearestSettingWins) {
  View tap = Tap{"kestrun://open/wifi", Text::verbatim("Wi-Fi")};
  EXPECT_EQ(lay(tap).root.kind, "Link");
  EXPECT_EQ(lay(View(tap).environment<PlainLinksKey>(true)).root.kind, "Text");
  EXPECT_EQ(
      lay(View(tap).environment<PlainLinksKey>(false).environment<PlainLinksKey>(true)).root.kind,
      "Link");
  // The toolkit's own values, by member.
  LaidOutView l = lay(Text::verbatim("x").environment(&EnvironmentValues::font, Font::caption2));
  EXPECT_EQ(l.root.text->runs[0].style.font.size, 10);
  EXPECT_EQ(l.root.text->runs[0].style.font.weight, Font::Weight::medium);
}

TEST(Components, BodiesAreBuiltWhenTheTreeIsLaidOut) {
  View v = Clocked{};
  {
    Foundation::ScopedClock clock({10});
    EXPECT_TRUE(lay(v).root.findText("early"));
  }
  Foundation::ScopedClock clock({5000});
  EXPECT_TRUE(lay(v).root.findText("late"));
}

TEST(Views, CopiesShareTheirNode) {
  View a = VStack({Text::verbatim("a"), Spacer()});
  View b = a;
  EXPECT_EQ(a.node(), b.node());
  EXPECT_TRUE(View().isEmpty());
  EXPECT_TRUE(View(std::optional<View>{}).isEmpty());
}

TEST(Texts, KeysOfInterpolatedTextsWriteASpecifierForEachValue) {
  struct Case {
    LocalizedStringKey key;
    std::string expectedKey;
    std::string shown;
  };
  const Case cases[] = {
      {LocalizedStringKey("Open Kestrun"), "Open Kestrun", "Open Kestrun"},
      {LocalizedStringKey("of ", std::string("16 GB"), " · ", std::string("0.5 GB"), " swap"),
       "of %@ · %@ swap", "of 16 GB · 0.5 GB swap"},
      {LocalizedStringKey(512, ""), "%lld", "512"},
      {LocalizedStringKey(-48, " Mbps"), "%lld Mbps", "-48 Mbps"},
      {LocalizedStringKey(1.5, " s"), "%lf s", "1.500000 s"},
      {LocalizedStringKey(specified(2.25, "%.1f"), " GB"), "%.1f GB", "2.2 GB"},
      {LocalizedStringKey("100% of ", std::string("a")), "100%% of %@", "100% of a"},
      {LocalizedStringKey(std::string("%@ %lld"), " not a format"), "%@ not a format",
       "%@ %lld not a format"},
      {LocalizedStringKey(""), "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expectedKey);
    EXPECT_EQ(c.key.key(), c.expectedKey);
    EXPECT_EQ(c.key.resolve(), c.shown);
  }
}

TEST(Texts, VerbatimTextIsShownAsGivenAndRunsKeepTheirOwnAttributes) {
  Text big = Text::verbatim("4").font(Font::system(26, Font::Weight::bold, Font::Design::rounded)) +
             Text(" ", std::string("ms"))
                 .font(Font::system(14.3, Font::Weight::semibold, Font::Design::rounded))
                 .foregroundStyle(ShapeStyle::secondary);
  LaidOutView l = lay(big.font(Font::caption).lineLimit(1).foregroundStyle(Color::orange));
  const LayoutNode* node = l.root.findText("4 ms");
  ASSERT_TRUE(node);
  const auto& runs = node->text->runs;
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].style.font, (ResolvedFont{26, Font::Weight::bold, Font::Design::rounded}));
  EXPECT_EQ(runs[1].style.font.size, 14.3);
  EXPECT_EQ(runs[0].paint.color, Color::orange);  // from the surroundings
  EXPECT_EQ(runs[1].paint.color, Color::orange);  // its own secondary, of orange
  EXPECT_NEAR(runs[1].paint.opacity, 0.59, 1e-9);
  EXPECT_EQ(node->text->paragraph.lineLimit, 1);
  // Markup is text: nothing is interpreted.
  EXPECT_TRUE(lay(Text::verbatim("<b>1 < 2 & 3</b>")).root.findText("<b>1 < 2 & 3</b>"));
}

TEST(Colors, EqualityAndAppearance) {
  EXPECT_EQ(Color::secondary, Color::secondary);
  EXPECT_NE(Color::secondary, Color::gray);
  EXPECT_NE(Color::secondary, Color::secondary.opacity(0.5));
  EXPECT_EQ(Color(0.36, 0.34, 0.98), Color(Color::RGBColorSpace::sRGB, 0.36, 0.34, 0.98, 1));
  EXPECT_NE(Color(0.36, 0.34, 0.98), Color::blue);
  EXPECT_EQ(ShapeStyle::secondary, ShapeStyle::secondary);
  EXPECT_NE(ShapeStyle::secondary, ShapeStyle(Color::secondary));

  struct Case {
    Color color;
    ColorScheme scheme;
    RGBA rgba;
  };
  const Case cases[] = {
      {Color::green, ColorScheme::light, {40 / 255.0, 205 / 255.0, 65 / 255.0, 1}},
      {Color::green, ColorScheme::dark, {50 / 255.0, 215 / 255.0, 75 / 255.0, 1}},
      {Color::windowBackground, ColorScheme::light, {236 / 255.0, 236 / 255.0, 236 / 255.0, 1}},
      {Color::windowBackground, ColorScheme::dark, {50 / 255.0, 50 / 255.0, 50 / 255.0, 1}},
      {Color::secondary, ColorScheme::light, {0, 0, 0, 0.498}},
      {Color::secondary, ColorScheme::dark, {1, 1, 1, 0.549}},
      {Color::red.opacity(0.14), ColorScheme::light, {1, 59 / 255.0, 48 / 255.0, 0.14}},
      {Color(0.36, 0.34, 0.98).opacity(0.09), ColorScheme::dark, {0.36, 0.34, 0.98, 0.09}},
      {Color::clear, ColorScheme::dark, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.color.description());
    RGBA got = c.color.resolve(c.scheme);
    EXPECT_NEAR(got.red, c.rgba.red, 1e-9);
    EXPECT_NEAR(got.green, c.rgba.green, 1e-9);
    EXPECT_NEAR(got.blue, c.rgba.blue, 1e-9);
    EXPECT_NEAR(got.alpha, c.rgba.alpha, 1e-9);
  }
  EXPECT_EQ(Color(0.36, 0.34, 0.98).description(), "#5c57faff");
}

TEST(Styles, HierarchicalLevelsFollowTheForegroundStyle) {
  struct Case {
    const char* name;
    std::optional<ShapeStyle> foreground;
    ShapeStyle style;
    Color color;
    double opacity;
  };
  const Case cases[] = {
      {"default primary", std::nullopt, ShapeStyle::foreground, Color::primary, 1},
      {"default secondary", std::nullopt, ShapeStyle::secondary, Color::secondary, 1},
      {"default tertiary", std::nullopt, ShapeStyle::tertiary, Color::tertiary, 1},
      {"primary at 5%", std::nullopt, ShapeStyle::primary.opacity(0.05), Color::primary, 0.05},
      {"secondary of orange", ShapeStyle(Color::orange), ShapeStyle::secondary, Color::orange,
       0.59},
      {"tertiary of orange", ShapeStyle(Color::orange), ShapeStyle::tertiary, Color::orange, 0.31},
      {"foreground under secondary", ShapeStyle::secondary, ShapeStyle::foreground,
       Color::secondary, 1},
      {"a colour ignores the foreground", ShapeStyle(Color::orange), ShapeStyle(Color::red),
       Color::red, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EnvironmentValues env;
    env.foregroundStyle = c.foreground;
    Paint p = resolvePaint(c.style, env);
    EXPECT_EQ(p.kind, Paint::Kind::color);
    EXPECT_EQ(p.color, c.color);
    EXPECT_NEAR(p.opacity, c.opacity, 1e-9);
  }
}

TEST(HitTesting, TheInnermostLinkWinsThenTheWidgetURL) {
  // 200 x 100: a link over the left half holding a link over its top-left quarter; a rotated
  // link and an offset link on the right; the widget URL everywhere else.
  View v =
      HStack(
          VerticalAlignment::center, 0,
          {Link("outer",
                ZStack(Alignment::topLeading,
                       {View(Color::red),
                        Link("inner", View(Color::blue).frame({.width = 50, .height = 50}))}))
               .frame({.width = 100}),
           VStack(
               HorizontalAlignment::center, 0,
               {Link("offset", View(Color::green).frame({.width = 20, .height = 20})).offset(30, 0),
                Link("turned", View(Color::gray).frame({.width = 40, .height = 10}))
                    .rotationEffect(Angle::degrees(90)),
                Spacer()})
               .frame({.width = 100})})
          .widgetURL("home");
  LaidOutView l = lay(v);
  struct Case {
    Point point;
    std::optional<std::string> url;
  };
  const Case cases[] = {
      {{10, 10}, "inner"}, {{49, 49}, "inner"},  {{50, 50}, "outer"}, {{99, 99}, "outer"},
      {{100, 5}, "home"},  {{170, 5}, "offset"}, {{140, 5}, "home"},  {{150, 30}, "turned"},
      {{135, 25}, "home"}, {{199, 99}, "home"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.point.x << "," << c.point.y);
    EXPECT_EQ(l.urlAt(c.point), c.url);
  }
  EXPECT_EQ(lay(Link("a", View(Color::red))).urlAt({300, 300}), std::nullopt);
  EXPECT_EQ(lay(Link("a", View(Color::red))).urlAt({5, 5}), "a");
  // Foundation's URLs are destinations as they are.
  auto url = Foundation::URL::parse("kestrun://speedtest");
  ASSERT_TRUE(url);
  EXPECT_EQ(lay(Link(*url, View(Color::red)).widgetURL(*url)).urlAt({5, 5}), "kestrun://speedtest");
}

TEST(HitTesting, LinkRegionsAreNamedByTheirTextsInReadingOrder) {
  View v = VStack(HorizontalAlignment::leading, 0,
                  {Link("tile", VStack(HorizontalAlignment::leading, 0,
                                       {Text::verbatim("MEMORY"), Text::verbatim("Normal pressure"),
                                        Link("inner", Text::verbatim("Details"))})),
                   Link("bare", View(Color::red).frame({.width = 20, .height = 20}))});
  const auto links = lay(v).links;
  ASSERT_EQ(links.size(), 3u);
  EXPECT_EQ(links[0].url, "tile");
  EXPECT_EQ(links[0].label, "MEMORY, Normal pressure, Details");
  EXPECT_EQ(links[1].label, "Details");
  EXPECT_EQ(links[1].depth, 2);
  EXPECT_EQ(links[2].label, "");  // nothing to read: the host names it by its destination
}

TEST(TreeDump, OneObjectANodeWithWhatApplies) {
  View v =
      VStack(HorizontalAlignment::leading, 0,
             {Text::verbatim("Say \"hi\"\n\x01")
                  .font(Font::caption.weight(Font::Weight::semibold))
                  .foregroundStyle(ShapeStyle::secondary),
              Link("kestrun://open/wifi", Image::systemName("wifi").foregroundStyle(Color::green)),
              Circle()
                  .fill(Color::red.opacity(0.15))
                  .frame({.width = 6, .height = 6})
                  .widgetAccentable(),
              Image::systemName("no.such.symbol").opacity(0.5)})
          .widgetURL("kestrun://open/home");
  std::string text = lay(v).json();
  std::string failure;
  auto doc = Foundation::JSON::Document::parse(text, 64, &failure);
  ASSERT_TRUE(doc) << failure << "\n" << text;
  auto root = doc->root();
  EXPECT_EQ(root.member("kind")->string(), "VStack");
  EXPECT_EQ(root.member("widgetURL")->string(), "kestrun://open/home");
  EXPECT_EQ(root.member("frame")->count(), 4u);
  std::vector<Foundation::JSON::Value> children;
  root.member("children")->forEachElement([&](std::size_t, Foundation::JSON::Value c) {
    children.push_back(c);
  });
  ASSERT_EQ(children.size(), 4u);
  EXPECT_EQ(children[0].member("text")->string(), "Say \"hi\"\n\x01");
  EXPECT_EQ(children[0].member("font")->member("weight")->string(), "semibold");
  EXPECT_EQ(children[0].member("font")->member("size")->number(), 10);
  EXPECT_EQ(children[0].member("foreground")->member("style")->string(), "secondary");
  EXPECT_EQ(children[1].member("kind")->string(), "Link");
  EXPECT_EQ(children[1].member("url")->string(), "kestrun://open/wifi");
  auto image = [&] {
    std::optional<Foundation::JSON::Value> first;
    children[1].member("children")->forEachElement([&](std::size_t, Foundation::JSON::Value c) {
      if (!first) first = c;
    });
    return *first;
  }();
  EXPECT_EQ(image.member("symbol")->string(), "wifi");
  EXPECT_EQ(image.member("foreground")->member("color")->string(), "green");
  EXPECT_EQ(children[2].member("accentable")->boolean(), true);
  EXPECT_EQ(children[3].member("fallback")->boolean(), true);
  EXPECT_EQ(children[3].member("opacity")->number(), 0.5);
}

// The container's layers: the background (when one was asked for), then the content.
std::vector<const LayoutNode*> containerLayers(const View& content, Size size = {100, 100},
                                               bool drawsBackground = true) {
  static LaidOutView laid;
  laid = lay(Container(content, {size, {}, drawsBackground}), size);
  std::vector<const LayoutNode*> layers;
  for (const LayoutNode& c : laid.root.children) layers.push_back(&c);
  return layers;
}

namespace {

// A component whose body asks for a container background of its own, deep inside the content:
// a window colour under a wash.
struct Backdrop {
  View body() const {
    return ZStack({Color::windowBackground,
                   LinearGradient{Gradient{Color::indigo.opacity(0.09), Color::clear},
                                  UnitPoint::topLeading, UnitPoint::center}});
  }
};
struct Page {
  View body() const {
    return VStack(HorizontalAlignment::leading, 4,
                  {Text::verbatim("Title"), Link("kestrun://open/home", Text::verbatim("Go"))})
        .padding(16)
        .containerBackground(View(Backdrop{}));
  }
};

}  // namespace

TEST(ContainerBackground, IsLiftedFromTheContentThroughComponentsAndEnvironment) {
  auto layers = containerLayers(VStack({View(Page{})}), {364, 382});
  ASSERT_EQ(layers.size(), 2u);
  // The content no longer draws it; the background alone is the window colour and the wash.
  EXPECT_FALSE(layers[1]->findFirst("LinearGradient"));
  EXPECT_EQ(layers[0]->findFirst("Color")->frame, (Rect{0, 0, 364, 382}));
  EXPECT_TRUE(layers[0]->findFirst("LinearGradient"));

  // Set above the modifier, the environment reaches the background too.
  View themed =
      View(Text::verbatim("x").containerBackground(View(Rectangle()))).foregroundStyle(Color::teal);
  layers = containerLayers(themed);
  ASSERT_EQ(layers.size(), 2u);
  EXPECT_EQ(layers[0]->findFirst("Rectangle")->shape->paint.color, Color::teal);
  EXPECT_EQ(containerLayers(Text::verbatim("plain")).size(), 1u);
}

TEST(ContainerBackground, SurvivesWhereverTheContentAsksForIt) {
  const View marked = Text::verbatim("x").containerBackground(View(Color::red));
  const struct {
    const char* where;
    View content;
  } cases[] = {
      {"at the top", marked},
      {"inside a link", Link("kestrun://a", marked)},
      {"inside a grid row", Grid({GridRow({Text::verbatim("a"), marked})})},
      {"inside a row outside a grid", GridRow({marked})},
      {"inside a label's stack", HStack({Label(Text::verbatim("l"), "wifi"), marked})},
      {"inside a group in a link", Link("kestrun://a", Group({marked, Spacer()}))},
      {"inside an overlay", Text::verbatim("y").overlay(marked)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    auto layers = containerLayers(c.content);
    ASSERT_EQ(layers.size(), 2u);
    const LayoutNode* background = layers[0]->findFirst("Color");
    ASSERT_TRUE(background);
    EXPECT_EQ(background->frame, (Rect{0, 0, 100, 100}));
    EXPECT_EQ(background->shape->paint.color, Color::red);
    EXPECT_FALSE(layers[1]->findFirst("Color")) << "the content still draws it";
    EXPECT_TRUE(layers[1]->findText("x"));
  }
}

TEST(ContainerBackground, TheFirstWinsAndEachContainerTakesItsOwn) {
  View two = VStack({Text::verbatim("a").containerBackground(View(Color::red)),
                     Text::verbatim("b").containerBackground(View(Color::blue))});
  auto layers = containerLayers(two);
  ASSERT_EQ(layers.size(), 2u);
  EXPECT_EQ(layers[0]->findFirst("Color")->shape->paint.color, Color::red);
  EXPECT_FALSE(layers[1]->findFirst("Color"));

  View nested =
      Container(Text::verbatim("in").containerBackground(View(Color::blue)), {{50, 50}, {}});
  layers = containerLayers(VStack({nested, Text::verbatim("out")}));
  ASSERT_EQ(layers.size(), 1u) << "the inner container's background is its own";

  // Left out (accented rendering paints its own backdrop), the content still shows.
  layers = containerLayers(two, {100, 100}, false);
  ASSERT_EQ(layers.size(), 1u);
  EXPECT_TRUE(layers[0]->findText("b"));
  EXPECT_FALSE(layers[0]->findFirst("Color"));
}

TEST(ContainerBackground, TheContentSitsInsideTheMarginsAndTheBackgroundFillsTheCanvas) {
  LaidOutView laid = lay(Container(View(Color::green).containerBackground(View(Color::red)),
                                   {{170, 170}, {16, 16, 16, 16}}),
                         {170, 170});
  ASSERT_EQ(laid.root.children.size(), 2u);
  EXPECT_EQ(laid.root.children[0].findFirst("Color")->frame, (Rect{0, 0, 170, 170}));
  EXPECT_EQ(laid.root.children[1].findFirst("Color")->frame, (Rect{16, 16, 138, 138}));
}

TEST(HitTesting, ALinkCoversWhatItsLabelDrawsWhereverAnOffsetMovedIt) {
  // A row and a badge drawn above its top edge, as an attention row draws its severity dot.
  const View badge = View(Color::red).frame({.width = 8, .height = 8}).offset(2, -6);
  const View row =
      ZStack(Alignment::topTrailing, {View(Color::blue).frame({.width = 40, .height = 20}), badge});
  const LaidOutView laid = lay(VStack({Spacer(30), Link("row", row)}).widgetURL("home"));
  ASSERT_EQ(laid.links.size(), 1u);
  const Rect region = laid.links[0].rect;
  const LayoutNode* dot = laid.root.findAll("Color").back();
  EXPECT_TRUE(region.containsRect(dot->frame));
  EXPECT_EQ(laid.urlAt({dot->frame.midX(), dot->frame.minY() + 1}), "row");
  // A label moved as a whole takes its region along and leaves nothing behind.
  const LaidOutView moved = lay(
      Link("moved", View(Color::red).frame({.width = 20, .height = 20}).offset(50, 0)), {200, 100});
  const Rect drawn = moved.root.findFirst("Color")->frame;
  EXPECT_EQ(moved.links[0].rect, drawn);
  EXPECT_EQ(moved.urlAt({drawn.midX() - 50, drawn.midY()}), std::nullopt);
}
