// Every widget as the host draws it, in every appearance, scale and rendering mode, from the
// sample, the first-run view (in English and German) and snapshots built to be awkward: text is
// drawn from the lines layout decided, its ink stays in its frame, every frame stays in the
// widget, and strings from the snapshot keep the place their line composes for them.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/WidgetHost/WidgetRendering.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using ViewToolkit::LayoutNode;
using ViewToolkit::PangoTextSystem;

struct Awkward {
  const char* name;
  std::optional<WidgetSnapshot> snapshot;
  const char* lang = "en_US.UTF-8";
};

std::vector<Awkward> awkwardSnapshots() {
  const WidgetSnapshot sample = WidgetSnapshot::sample();
  auto with = [&](auto change) {
    WidgetSnapshot s = sample;
    change(s);
    return s;
  };
  return {
      {"sample", sample},
      {"first run", std::nullopt},
      {"first run in German", std::nullopt, "de_DE.UTF-8"},
      {"empty name and band",
       with([](WidgetSnapshot& s) { s.wifi->ssid = "", s.wifi->band = ""; })},
      {"Hebrew and Arabic names", with([](WidgetSnapshot& s) {
         s.wifi->ssid = "\u05D1\u05D9\u05EA";
         s.attention[0].title = "\u0627\u0644\u0642\u0631\u0635 \u0645\u0645\u062A\u0644\u0626";
         s.attention[0].detail =
             "\u05E0\u05E7\u05D4 \u05D0\u05EA \u05D4\u05EA\u05D9\u05E7\u05D9\u05D4";
       })},
      {"long strings", with([](WidgetSnapshot& s) {
         s.wifi->ssid = std::string(500'000, 'W');
         s.wifi->band = std::string(20'000, '5');
         s.attention[0].title = std::string(300'000, 'T');
         s.attention[0].symbol = std::string(100'000, 's');
       })},
  };
}

void texts(const LayoutNode& n, std::vector<const LayoutNode*>& out) {
  if (n.text) out.push_back(&n);
  for (const auto& c : n.children) texts(c, out);
}

bool inside(const ViewToolkit::Rect& outer, const ViewToolkit::Rect& inner, double slack) {
  return inner.minX() >= outer.minX() - slack && inner.minY() >= outer.minY() - slack &&
         inner.maxX() <= outer.maxX() + slack && inner.maxY() <= outer.maxY() + slack;
}

void frames(const LayoutNode& n, const ViewToolkit::Rect& widget, int& outside) {
  outside += !inside(widget, n.frame, 1e-6);
  for (const auto& c : n.children) frames(c, widget, outside);
}

}  // namespace

TEST(GalleryText, InkStaysInItsFrameAndAnEllipsisOnlyWhereLayoutCutTheText) {
  TestSupport::ScopedEnvironment bundle{{"KESTRUN_BUNDLE", KESTRUN_BUILD_DATA_DIR}};
  const auto widgets = KestrunWidgetBundle{}.body();
  const PangoTextSystem& text = PangoTextSystem::shared();
  int checked = 0;
  for (const Awkward& a : awkwardSnapshots()) {
    SCOPED_TRACE(a.name);
    TestSupport::ScopedLocale locale(a.lang);
    TestSupport::ScopedWidgetContainer container;
    if (a.snapshot) WidgetStore::write(*a.snapshot);
    Foundation::ScopedClock clock(WidgetSnapshot::sample().updated + 60);
    for (const auto& widget : widgets) {
      SCOPED_TRACE(widget.kind);
      const auto entry = widget.timeline({}).entries.front();
      for (auto scheme : {ViewToolkit::ColorScheme::light, ViewToolkit::ColorScheme::dark}) {
        for (double scale : {1.0, 2.0, 3.0}) {
          for (auto mode : {ViewToolkit::WidgetRenderingMode::fullColor,
                            ViewToolkit::WidgetRenderingMode::accented}) {
            SCOPED_TRACE(scale);
            const auto r = WidgetHost::renderWidget(widget, entry, {scheme, scale, mode}, text);
            const ViewToolkit::Rect bounds{0, 0, r.metrics.size.width, r.metrics.size.height};
            int outside = 0;
            frames(r.laidOut.root, bounds, outside);
            EXPECT_EQ(outside, 0);
            std::vector<const LayoutNode*> shown;
            texts(r.laidOut.root, shown);
            for (const LayoutNode* t : shown) {
              const auto& box = t->text->box;
              ASSERT_TRUE(box.shaped) << "drawn without the lines layout shaped";
              // Ink may reach a little past the logical box (accents, overhangs), never further.
              ViewToolkit::Rect ink = text.inkBounds(box);
              ink = {ink.x + t->frame.x, ink.y + t->frame.y, ink.width, ink.height};
              if (ink.width > 0) {
                EXPECT_TRUE(inside(t->frame, ink, 1.5))
                    << text.laidOutText(box).substr(0, 40) << " in " << t->frame.width << "x"
                    << t->frame.height;
              }
              // The laid-out lines fit the frame (up to the pixel that rounding a frame's two
              // edges can take): whatever is drawn is what layout sized.
              EXPECT_LE(box.size.width, t->frame.width + 1 / scale + 0.01);
              EXPECT_LE(box.size.height, t->frame.height + 1 / scale + 0.01);
              ++checked;
            }
            if (widget.kindSuffix() == "overview" && std::string(a.name) == "empty name and band") {
              // The caption " · " fits its 8.5 points and is drawn whole.
              for (const LayoutNode* t : shown) {
                if (t->text->string() == "\u2068\u2069 \u00B7 \u2068\u2069") {
                  EXPECT_FALSE(t->text->box.truncated) << scale;
                }
              }
            }
          }
        }
      }
    }
  }
  EXPECT_GT(checked, 2000);
}

TEST(GalleryText, RightToLeftNamesKeepTheirPlaceInTheLine) {
  const auto widgets = KestrunWidgetBundle{}.body();
  const PangoTextSystem& text = PangoTextSystem::shared();
  for (const char* name : {"\u05D1\u05D9\u05EA", "\u0634\u0628\u0643\u0629"}) {
    SCOPED_TRACE(name);
    TestSupport::ScopedWidgetContainer container;
    WidgetSnapshot s = WidgetSnapshot::sample();
    s.wifi->ssid = name;
    WidgetStore::write(s);
    Foundation::ScopedClock clock(s.updated + 60);
    int lines = 0;
    for (const auto& widget : widgets) {
      SCOPED_TRACE(widget.kind);
      const auto r =
          WidgetHost::renderWidget(widget, widget.timeline({}).entries.front(), {}, text);
      std::vector<const LayoutNode*> shown;
      texts(r.laidOut.root, shown);
      for (const LayoutNode* t : shown) {
        const std::string line = text.laidOutText(t->text->box);
        const std::size_t at = line.find(name);
        if (at == std::string::npos || line.find("5 GHz") == std::string::npos) continue;
        ++lines;
        const auto nameAt = text.xOfCharacter(t->text->box, at);
        // What follows the name in the composed line is drawn after it, to its right.
        const auto nextAt = text.xOfCharacter(t->text->box, line.find("5 GHz"));
        ASSERT_TRUE(nameAt && nextAt) << line;
        EXPECT_LT(*nameAt, *nextAt) << line;
      }
    }
    // The network line in the three widgets that show it.
    EXPECT_EQ(lines, 3);
  }
}

namespace {

long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

}  // namespace

TEST(GalleryText, MemoryComesBackAfterDistinctDocumentsWithLongNames) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer holds freed memory back in quarantine";
#endif
  const auto widgets = KestrunWidgetBundle{}.body();
  const PangoTextSystem& text = PangoTextSystem::shared();
  TestSupport::ScopedWidgetContainer container;
  auto showDocument = [&](int n) {
    WidgetSnapshot s = WidgetSnapshot::sample();
    s.wifi->ssid = std::to_string(n) + std::string(100'000, 'n');
    s.attention[0].title = std::to_string(n) + std::string(100'000, 't');
    WidgetStore::write(s);
    for (const auto& widget : widgets) {
      const auto r =
          WidgetHost::renderWidget(widget, widget.timeline({}).entries.front(), {}, text);
      (void)r.rasterize();
    }
  };
  showDocument(0);
  const long first = residentKiB();
  for (int n = 1; n <= 40; ++n) showDocument(n);
  // The caches keep a few MiB at most, whatever the documents held.
  const long grew = residentKiB() - first;
  RecordProperty("grewKiB", std::to_string(grew));
  EXPECT_LT(grew, 6 * 1024);
}
