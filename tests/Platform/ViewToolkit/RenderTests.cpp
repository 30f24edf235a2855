// Drawing with Pango and Cairo, checked by pixel probes at chosen points (never whole images):
// a gradient's far corner, text ink inside its frame, appearance and accented
// rendering, opacity groups, symbols and missing glyphs, and the three document formats.
#include <gtest/gtest.h>

#include <system_error>

#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "Platform/ViewToolkit/Symbols.h"
#include "Platform/ViewToolkit/Text.h"
#include "tests/Platform/ViewToolkit/FakeTextMeasurer.h"

using namespace ViewToolkit;

namespace {

const PangoTextSystem& text() {
  return PangoTextSystem::shared();
}

struct Drawn {
  LaidOutView laid;
  Bitmap bitmap;
};

Drawn draw(const View& v, Size size, DrawSettings settings = {},
           std::optional<Color> backdrop = Color::white, double scale = 2) {
  Scene scene{size, scale, settings, backdrop};
  LaidOutView laid = layoutView(v, scene, text());
  return {laid, rasterize(DisplayList::build(laid), scene, text())};
}

// Pixels whose alpha-weighted distance from the backdrop colour exceeds a threshold.
bool inked(RGBA p, RGBA background = {1, 1, 1, 1}) {
  double d = std::abs(p.red - background.red) + std::abs(p.green - background.green) +
             std::abs(p.blue - background.blue) + std::abs(p.alpha - background.alpha);
  return d > 0.15;
}

}  // namespace

TEST(GradientDrawing, TheWashFadesOutAtTheCentreAndBeyond) {
  const Color brand{Color::RGBColorSpace::sRGB, 0.36, 0.34, 0.98, 1.0};
  Drawn d = draw(LinearGradient{Gradient{brand.opacity(0.09), Color::clear}, UnitPoint::topLeading,
                                UnitPoint::center},
                 {100, 100}, {}, std::nullopt);
  EXPECT_NEAR(d.bitmap.at({0.2, 0.2}).alpha, 0.09, 0.01);
  EXPECT_NEAR(d.bitmap.at({0.2, 0.2}).blue, 0.98, 0.05);  // the brand's hue, not darkened
  EXPECT_NEAR(d.bitmap.at({25, 25}).alpha, 0.045, 0.01);
  EXPECT_EQ(d.bitmap.at({51, 51}).alpha, 0);
  EXPECT_EQ(d.bitmap.at({99.8, 99.8}).alpha, 0);
  EXPECT_EQ(d.bitmap.at({99.8, 0.2}).alpha, 0.0);  // the far corner along the other diagonal
}

TEST(TextDrawing, InkLiesInsideTheTextFrame) {
  View v = Text::verbatim("Wi-Fi 512")
               .font(Font::system(20, Font::Weight::bold))
               .foregroundStyle(Color::black);
  Drawn d = draw(v, {160, 60});
  const LayoutNode* t = d.laid.root.findText("Wi-Fi 512");
  ASSERT_TRUE(t);
  int inside = 0, outside = 0;
  for (int y = 0; y < d.bitmap.height; ++y) {
    for (int x = 0; x < d.bitmap.width; ++x) {
      if (!inked(d.bitmap.pixel(x, y))) continue;
      Point p{(x + 0.5) / 2, (y + 0.5) / 2};
      (t->frame.contains(p) ? inside : outside)++;
    }
  }
  EXPECT_GT(inside, 200);
  EXPECT_EQ(outside, 0);
}

TEST(TextDrawing, OneLineTextShrinksThenTruncatesWithinItsFrame) {
  View big = Text::verbatim("123456789 GB")
                 .font(Font::system(26, Font::Weight::bold))
                 .lineLimit(1)
                 .minimumScaleFactor(0.6);
  Drawn natural = draw(big, {300, 40});
  const double width = natural.laid.root.frame.width;
  Drawn shrunk = draw(View(big).frame({.width = width * 0.8}), {300, 40});
  const LayoutNode* s = shrunk.laid.root.findFirst("Text");
  EXPECT_LT(s->text->fontScale, 0.85);
  EXPECT_GE(s->text->fontScale, 0.6);
  EXPECT_FALSE(s->text->box.truncated);
  Drawn cut = draw(View(big).frame({.width = width * 0.4}), {300, 40});
  const LayoutNode* c = cut.laid.root.findFirst("Text");
  EXPECT_DOUBLE_EQ(c->text->fontScale, 0.6);
  EXPECT_TRUE(c->text->box.truncated);
  EXPECT_LE(c->frame.width, width * 0.4 + 0.5);
}

TEST(AppearanceDrawing, NamedColoursResolvePerAppearance) {
  for (auto [scheme, value] :
       {std::pair{ColorScheme::light, 236}, std::pair{ColorScheme::dark, 50}}) {
    Drawn d = draw(View(Color::windowBackground), {10, 10}, {scheme});
    EXPECT_NEAR(d.bitmap.at({5, 5}).red * 255, value, 0.6);
  }
  // One laid-out tree draws in both appearances.
  Scene light{{10, 10}, 1, {ColorScheme::light}};
  LaidOutView laid = layoutView(View(Color::green), light, text());
  Scene dark = light;
  dark.draw.colorScheme = ColorScheme::dark;
  EXPECT_NEAR(rasterize(DisplayList::build(laid), light, text()).at({5, 5}).green * 255, 205, 0.6);
  EXPECT_NEAR(rasterize(DisplayList::build(laid), dark, text()).at({5, 5}).green * 255, 215, 0.6);
}

TEST(AccentedDrawing, AccentGroupInTheAccentColourTheRestWhiteAtItsAlpha) {
  View v =
      HStack(VerticalAlignment::center, 0,
             {View(Color::red).frame({.width = 10, .height = 10}).widgetAccentable(),
              View(Color::green.opacity(0.5)).frame({.width = 10, .height = 10}),
              Image::systemName("wifi").font(Font::system(10)).foregroundStyle(Color::purple)});
  DrawSettings accented{ColorScheme::dark, WidgetRenderingMode::accented, Color::orange};
  Drawn d = draw(v, {32, 12}, accented, Color::black);
  const RGBA accent = Color::orange.resolve(ColorScheme::dark);
  RGBA a = d.bitmap.at({4, 6});
  EXPECT_NEAR(a.red, accent.red, 0.02);
  EXPECT_NEAR(a.green, accent.green, 0.02);
  RGBA w = d.bitmap.at({14, 6});  // white at 50% over black
  EXPECT_NEAR(w.red, 0.5, 0.02);
  EXPECT_NEAR(w.green, 0.5, 0.02);
  EXPECT_NEAR(w.blue, 0.5, 0.02);
  // The symbol's ink is grey (white over black), never purple.
  bool anyInk = false;
  for (int y = 0; y < d.bitmap.height; ++y) {
    for (int x = 40; x < d.bitmap.width; ++x) {
      RGBA p = d.bitmap.pixel(x, y);
      if (p.red > 0.2) {
        anyInk = true;
        EXPECT_NEAR(p.red, p.green, 0.02);
        EXPECT_NEAR(p.green, p.blue, 0.02);
      }
    }
  }
  EXPECT_TRUE(anyInk);
}

TEST(OpacityDrawing, AGroupFadesAsOneLayer) {
  // Two overlapping opaque squares at group opacity 0.5: the overlap is not darker.
  View v = ZStack(Alignment::topLeading,
                  {View(Color::black).frame({.width = 20, .height = 20}),
                   View(Color::black).frame({.width = 20, .height = 20}).offset(10, 0)})
               .opacity(0.5);
  Drawn d = draw(v, {30, 20}, {}, std::nullopt);
  EXPECT_NEAR(d.bitmap.at({5, 10}).alpha, 0.5, 0.01);
  EXPECT_NEAR(d.bitmap.at({15, 10}).alpha, 0.5, 0.01);
  EXPECT_NEAR(d.bitmap.at({25, 10}).alpha, 0.5, 0.01);
}

TEST(ShapeDrawing, StrokeStraddlesTheOutlineAndStrokeBorderStaysInside) {
  auto probe = [](View shape) {
    View v = shape.frame({.width = 20, .height = 20}).padding(5);
    return draw(v, {30, 30}).bitmap;
  };
  Bitmap straddle = probe(Rectangle().stroke(Color::black, 4));
  Bitmap inside = probe(Rectangle().strokeBorder(Color::black, 4));
  EXPECT_TRUE(inked(straddle.at({3.5, 15})));  // outside the frame by 1.5
  EXPECT_FALSE(inked(inside.at({3.5, 15})));
  EXPECT_TRUE(inked(inside.at({8.5, 15})));  // inside the edge
  EXPECT_FALSE(inked(straddle.at({8.5, 15})));
}

TEST(SymbolDrawing, EveryTableSymbolIsInTheIconFontAndUnknownNamesDrawTheFallback) {
  const PangoTextSystem& pango = text();
  for (const std::string& name : knownSymbolNames()) {
    SCOPED_TRACE(name);
    SymbolGlyph g = lookupSymbol(name);
    EXPECT_TRUE(g.known);
    EXPECT_EQ(pango.symbolFamily(g, 16), iconFontFamily);
  }
  SymbolGlyph fallback = lookupSymbol("../../etc/passwd");
  EXPECT_FALSE(fallback.known);
  EXPECT_EQ(pango.symbolFamily(fallback, 16), iconFontFamily);

  Drawn d =
      draw(Image::systemName("not.a.symbol").font(Font::system(20)).foregroundStyle(Color::black),
           {30, 30});
  int ink = 0;
  for (std::uint32_t p : d.bitmap.argb) ink += (p & 0xff) < 128;
  EXPECT_GT(ink, 20);
}

TEST(TextDrawing, ACharacterNoFontHasDrawsNothingRatherThanABox) {
  // U+0378 is unassigned: no installed font covers it.
  Drawn d = draw(Text::verbatim("\xCD\xB8\xCD\xB8\xCD\xB8")
                     .font(Font::system(20))
                     .foregroundStyle(Color::black),
                 {60, 30});
  for (std::uint32_t p : d.bitmap.argb) ASSERT_EQ(p, 0xffffffffu);
  // Invalid UTF-8 is repaired, not passed on.
  Drawn bad = draw(Text::verbatim("ok\xff\xfe").font(Font::system(20)), {60, 30});
  EXPECT_GT(bad.laid.root.frame.width, 0);
}

TEST(Documents, PngSvgAndPdfWithRealLinks) {
  View v = Link("kestrun://open/wifi", Text::verbatim("Wi-Fi").padding())
               .widgetURL("kestrun://open/home");
  Scene scene{{120, 60}, 2, {}};
  DisplayList list = DisplayList::build(layoutView(v, scene, text()));
  std::string png = renderDocument(list, scene, DocumentFormat::png, text());
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  // 240 x 120 pixels at scale 2.
  EXPECT_EQ(static_cast<unsigned char>(png[19]), 240);
  std::string svg = renderDocument(list, scene, DocumentFormat::svg, text());
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  std::string pdf = renderDocument(list, scene, DocumentFormat::pdf, text());
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("kestrun://open/wifi"), std::string::npos);
  EXPECT_NE(pdf.find("/Link"), std::string::npos);
  EXPECT_THROW(writeDocument(list, scene, DocumentFormat::png, "/nonexistent-dir/x.png", text()),
               std::system_error);
  const std::string path = testing::TempDir() + "/toolkit-document.svg";
  writeDocument(list, scene, DocumentFormat::svg, path, text());
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_TRUE(f);
  std::fclose(f);
  std::remove(path.c_str());
}

namespace {

// Measures with arithmetic metrics and records what drawing asks of it.
class RecordingTextSystem final : public TextSystem {
 public:
  // What it laid out, carried by the box to drawing.
  struct Laid final : ShapedText {
    std::string text;
    double scale = 1;
    std::optional<double> width;
  };
  struct DrawnText {
    std::string text;
    double fontScale;
    std::optional<double> width;
    Point origin;
  };
  mutable std::vector<DrawnText> texts;
  mutable std::vector<std::pair<std::string, Rect>> symbols;

  TextBox measure(const TextParagraph& p, double scale, std::optional<double> width,
                  std::optional<double> height) const override {
    TextBox box = metrics_.measure(p, scale, width, height);
    auto laid = std::make_shared<Laid>();
    for (const TextRun& r : p.runs) laid->text += r.text;
    laid->scale = scale;
    laid->width = width;
    box.shaped = laid;
    return box;
  }
  void drawText(cairo_t*, const TextBox& box, Point origin,
                const std::vector<RGBA>&) const override {
    const auto* laid = dynamic_cast<const Laid*>(box.shaped.get());
    if (laid) texts.push_back({laid->text, laid->scale, laid->width, origin});
  }
  void drawSymbol(cairo_t*, const SymbolGlyph& glyph, double, Rect frame) const override {
    symbols.emplace_back(glyph.glyph, frame);
  }

 private:
  ViewToolkitTesting::FakeTextMeasurer metrics_;
};

}  // namespace

TEST(TextDrawing, DrawsThroughTheTextSystemItIsHandedWithWhatLayoutSettled) {
  RecordingTextSystem text;
  View v = VStack({Text::verbatim("a line too long to fit")
                       .font(Font::system(20))
                       .lineLimit(1)
                       .minimumScaleFactor(0.5),
                   Image::systemName("wifi"), Text::verbatim("red").foregroundStyle(Color::red)});
  for (auto mode : {WidgetRenderingMode::fullColor, WidgetRenderingMode::accented}) {
    SCOPED_TRACE(mode == WidgetRenderingMode::accented ? "accented" : "full colour");
    text.texts.clear();
    text.symbols.clear();
    Scene scene{{120, 80}, 1, {.renderingMode = mode}};
    LaidOutView laid = layoutView(v, scene, text);
    (void)rasterize(DisplayList::build(laid), scene, text);
    ASSERT_EQ(text.texts.size(), 2u);
    const LayoutNode* shrunk = laid.root.findText("a line too long to fit");
    ASSERT_TRUE(shrunk);
    EXPECT_LT(shrunk->text->fontScale, 1);
    EXPECT_EQ(text.texts[0].text, "a line too long to fit");
    EXPECT_EQ(text.texts[0].fontScale, shrunk->text->fontScale);
    EXPECT_EQ(text.texts[0].width, shrunk->text->width);
    EXPECT_EQ(text.texts[0].origin, shrunk->frame.origin());
    EXPECT_EQ(text.texts[1].origin, laid.root.findText("red")->frame.origin());
    ASSERT_EQ(text.symbols.size(), 1u);
    EXPECT_EQ(text.symbols[0].first, lookupSymbol("wifi").glyph);
    EXPECT_EQ(text.symbols[0].second, laid.root.findFirst("Image")->frame);
  }
}
