// The Pango text system as layout and drawing use it: heights and line limits that count every
// line, lines that keep the order they were composed in, and a cache that stays within its
// budget of bytes whatever it is asked to lay out.
#include <gtest/gtest.h>

#include <string>

#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "Platform/ViewToolkit/Text.h"

using namespace ViewToolkit;

namespace {

const PangoTextSystem& text() {
  return PangoTextSystem::shared();
}

TextParagraph paragraph(std::string s, std::optional<int> lineLimit = std::nullopt) {
  TextParagraph p;
  p.runs.push_back({std::move(s), {Font::caption.resolve()}});
  p.lineLimit = lineLimit;
  return p;
}

const std::string longNote =
    "Öffnen Sie Kestrun einmal, damit die Widgets Werte zum Anzeigen haben, und lassen Sie "
    "die App im Hintergrund laufen.";

}  // namespace

TEST(TextLines, ALineLimitCountsEveryLineHoweverTheTextBreaks) {
  const struct {
    const char* name;
    std::string text;
    std::optional<int> limit;
    std::optional<double> width;
    int lines;
    bool truncated;
  } cases[] = {
      {"line breaks, limit 2", "a\nb\nc\nd", 2, std::nullopt, 2, true},
      {"line breaks within the limit", "a\nb", 5, std::nullopt, 2, false},
      {"every kind of break", "a\r\nb\u2029c\u2028d\re", 3, std::nullopt, 3, true},
      {"wrapped and broken lines together", longNote + "\n" + longNote, 3, 120.0, 3, true},
      {"wrapped lines within the limit", longNote, 9, 120.0, -1, false},
      {"one line joins its breaks", "a\nb\nc", 1, 200.0, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TextBox box = text().measure(paragraph(c.text, c.limit), 1, c.width, std::nullopt);
    if (c.lines > 0) {
      EXPECT_EQ(box.lineCount, c.lines);
    }
    EXPECT_EQ(box.truncated, c.truncated);
    if (c.width) {
      EXPECT_LE(box.size.width, *c.width);
    }
  }
}

TEST(TextLines, AProposedHeightKeepsTheLinesThatFitAndEndsTheLastWithAnEllipsis) {
  const TextBox whole = text().measure(paragraph(longNote), 1, 60.0, std::nullopt);
  ASSERT_GT(whole.lineCount, 3);
  for (double height : {20.0, 35.0, 50.0}) {
    SCOPED_TRACE(height);
    const TextBox box = text().measure(paragraph(longNote), 1, 60.0, height);
    EXPECT_TRUE(box.truncated);
    EXPECT_LE(box.size.height, height);
    EXPECT_LT(box.lineCount, whole.lineCount);
  }
  // At least one line, however little room there is.
  EXPECT_EQ(text().measure(paragraph(longNote), 1, 60.0, 1.0).lineCount, 1);
  // A height that holds the text changes nothing.
  EXPECT_FALSE(text().measure(paragraph(longNote), 1, 60.0, whole.size.height).truncated);
}

TEST(TextLines, AWrappingTextInASmallFrameShowsWhatFitsAndDrawsInsideIt) {
  const View v =
      Text::verbatim(longNote).foregroundStyle(Color::black).frame({.width = 60, .height = 20});
  Scene scene{{100, 40}, 2, {}, Color::white};
  const LaidOutView laid = layoutView(v, scene, text());
  const LayoutNode* t = laid.root.findFirst("Text");
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->text->box.truncated);
  EXPECT_LE(t->frame.height, 20);
  const Rect ink = text().inkBounds(t->text->box);
  EXPECT_LE(ink.maxY(), t->frame.height + 0.5);
  EXPECT_LE(ink.maxX(), t->frame.width + 0.5);
}

TEST(TextLines, AStringSetApartInAnIsolateKeepsItsPlaceInTheLine) {
  for (const char* name :
       {"\u05D1\u05D9\u05EA", "\u0634\u0628\u0643\u0629 \u0627\u0644\u0645\u0646\u0632\u0644"}) {
    SCOPED_TRACE(name);
    const std::string line = std::string("\u2068") + name + "\u2069 \u00B7 \u20685 GHz\u2069";
    const TextBox box = text().measure(paragraph(line, 1), 1, 300.0, std::nullopt);
    const auto nameAt = text().xOfCharacter(box, 3);
    const auto dotAt = text().xOfCharacter(box, line.find("\u00B7"));
    const auto bandAt = text().xOfCharacter(box, line.find("5 GHz"));
    ASSERT_TRUE(nameAt && dotAt && bandAt);
    EXPECT_LT(*nameAt, *dotAt);
    EXPECT_LT(*dotAt, *bandAt);
  }
}

TEST(TextCache, StaysWithinItsBytesWhateverItLaysOut) {
  PangoTextSystem system;
  for (int document = 0; document < 40; ++document) {
    const std::string name = std::to_string(document) + std::string(20'000, 'n');
    system.measure(paragraph(name, 1), 1, 200.0, std::nullopt);
    system.measure(paragraph("Home " + std::to_string(document), 1), 1, 200.0, std::nullopt);
  }
  EXPECT_LE(system.cachedBytes(), std::size_t(2) << 20);
  EXPECT_GT(system.cachedBytes(), 0u);  // the short texts are still kept
}
