// Strings that decode fine but are built to break drawing: direction overrides, zero-width and
// combining runs, emoji sequences, markup, very long words, symbol names that look like paths.
// Through the store and the provider into all four widgets, each must be drawn as its own text,
// inside the widget and inside its own frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgetKit/WidgetViews/Formatting.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "Platform/WidgetHost/WidgetRendering.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::snapshotText;
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using ViewToolkit::LayoutNode;

std::string repeated(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

struct Hostile {
  const char* name;
  std::string text;
};

const std::vector<Hostile>& hostileStrings() {
  static const std::vector<Hostile> strings = {
      {"right-to-left override", "\u202Egnp.exe\u202C Home \u2067\u05D0\u05D1\u2069"},
      {"zero-width run", "a" + repeated("\u200B\u200D\uFEFF", 300) + "b"},
      {"combining run", "e" + repeated("\u0301\u0316\u0489", 400)},
      {"emoji sequences", "\U0001F468\u200D\U0001F469\u200D\U0001F467 \U0001F3F3\uFE0F\u200D\U0001F308 \U0001F1E9\U0001F1EA"},
      {"markup", "<span foreground=\"red\" size=\"99999\">x</span>&amp;<b>"},
      {"very long word", repeated("Wi", 3000)},
      {"path-like", "../../etc/passwd"},
  };
  return strings;
}

void collect(const LayoutNode& n, std::vector<const LayoutNode*>& texts,
             std::vector<const LayoutNode*>& symbols) {
  if (n.text) texts.push_back(&n);
  if (n.symbol) symbols.push_back(&n);
  for (const auto& c : n.children) collect(c, texts, symbols);
}

TEST(HostileStrings, AreDrawnAsTextInsideTheWidgetAndTheirFrames) {
  const auto bundle = KestrunWidgetBundle{}.body();
  for (const Hostile& h : hostileStrings()) {
    SCOPED_TRACE(h.name);
    TestSupport::ScopedWidgetContainer container;
    WidgetSnapshot s = WidgetSnapshot::sample();
    s.wifi->ssid = h.text;
    s.wifi->band = h.text;
    for (auto& a : s.attention) {
      a.title = h.text;
      a.detail = h.text;
      a.symbol = h.text;
      a.section = h.text;
    }
    WidgetStore::write(s);
    Foundation::ScopedClock clock(s.updated + 60);

    for (const auto& widget : bundle) {
      SCOPED_TRACE(widget.kind);
      auto entry = widget.timeline({}).entries.front();
      auto r = WidgetHost::renderWidget(widget, entry, {ViewToolkit::ColorScheme::light, 1},
                                        ViewToolkit::PangoTextSystem::shared());
      const double w = r.metrics.size.width, hgt = r.metrics.size.height;
      std::vector<const LayoutNode*> texts, symbols;
      collect(r.laidOut.root, texts, symbols);
      for (const LayoutNode* t : texts) {
        SCOPED_TRACE(t->text->string().substr(0, 40));
        const auto& f = t->frame;
        EXPECT_GE(f.x, -0.5);
        EXPECT_GE(f.y, -0.5);
        EXPECT_LE(f.x + f.width, w + 0.5);
        EXPECT_LE(f.y + f.height, hgt + 0.5);
        // The laid-out lines fit the frame they were given: long text wraps or is cut short.
        EXPECT_LE(t->text->box.size.width, f.width + 1);
        EXPECT_LE(t->text->box.size.height, f.height + 1);
      }
      // The record's text is shown as it is (not parsed as markup) wherever it is shown at all,
      // isolated, and cut where no widget could show more.
      if (widget.kindSuffix() == "health") {
        bool shown = false;
        for (const LayoutNode* t : texts)
          shown = shown || t->text->string() == snapshotText(h.text);
        EXPECT_TRUE(shown);
      }
      // A symbol name from the file is a key into the symbol table, never a file.
      for (const LayoutNode* sym : symbols) {
        if (sym->symbol->name == h.text) {
          EXPECT_FALSE(sym->symbol->known);
        }
      }
      // Links keep every byte of a section inside one path segment that is no dot segment.
      const std::string open = "kestrun://open/";
      for (const auto& link : r.displayList.links) {
        if (link.url.rfind(open, 0) != 0) continue;  // the host application's fixed links
        const std::string segment = link.url.substr(open.size());
        EXPECT_EQ(segment.find_first_of("/?# <>\"\n"), std::string::npos) << link.url;
        EXPECT_NE(segment, "..");
        EXPECT_NE(segment, ".");
      }
      // And the whole widget draws.
      EXPECT_NO_THROW(r.rasterize());
    }
  }
}

}  // namespace
