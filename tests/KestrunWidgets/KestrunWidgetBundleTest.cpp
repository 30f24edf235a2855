#include "KestrunWidgets/KestrunWidgetBundle.h"

#include <gtest/gtest.h>

#include <functional>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/WidgetHost/WidgetRendering.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using WidgetHost::WidgetFamily;

const WidgetHost::WidgetDescription& widget(std::string_view suffix) {
  static const auto bundle = KestrunWidgetBundle{}.body();
  for (const auto& w : bundle)
    if (w.kindSuffix() == suffix) return w;
  throw std::runtime_error("no such widget");
}

TEST(KestrunWidgetBundle, FourWidgetsInOrderEachInOneFamily) {
  auto bundle = KestrunWidgetBundle{}.body();
  ASSERT_EQ(bundle.size(), 4u);
  struct Expected {
    std::string_view kind;
    const char* name;
    WidgetFamily family;
    bool marginsDisabled;
  } expected[] = {
      {WidgetStore::Kind::wifi, "Wi-Fi", WidgetFamily::systemSmall, false},
      {WidgetStore::Kind::memory, "Memory", WidgetFamily::systemSmall, false},
      {WidgetStore::Kind::overview, "Wi-Fi & Memory", WidgetFamily::systemMedium, false},
      {WidgetStore::Kind::health, "Zed Avudad", WidgetFamily::systemLarge, true},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(bundle[i].kind, expected[i].kind);
    EXPECT_EQ(bundle[i].displayName, expected[i].name);
    EXPECT_FALSE(bundle[i].description.empty());
    EXPECT_EQ(bundle[i].supportedFamilies, std::vector<WidgetFamily>{expected[i].family});
    EXPECT_EQ(bundle[i].contentMarginsDisabled, expected[i].marginsDisabled);
  }
}

TEST(KestrunWidgetBundle, WithoutASnapshotEveryWidgetShowsItsBackgroundAndTheFirstRunView) {
  TestSupport::ScopedWidgetContainer container;  // no file
  for (const char* suffix : {"wifi", "memory", "overview", "health"}) {
    const auto& w = widget(suffix);
    auto entry = w.timeline({}).entries.front();
    auto rendered = WidgetHost::renderWidget(w, entry, {}, ViewToolkit::PangoTextSystem::shared());
    const auto& root = rendered.laidOut.root;
    ASSERT_EQ(root.children.size(), 2u) << suffix;  // background, content
    EXPECT_EQ(root.children[0].frame, (ViewToolkit::Rect{0, 0, rendered.metrics.size.width,
                                                          rendered.metrics.size.height}));
    EXPECT_EQ(rendered.urlAt({rendered.metrics.size.width / 2, rendered.metrics.size.height / 2}),
              "kestrun://open/home")
        << suffix;
  }
}

TEST(KestrunWidgetBundle, OnlyTheLargeWidgetBringsItsOwnInsets) {
  Foundation::ScopedClock clock(WidgetSnapshot::sample().updated + 60);
  auto health = WidgetHost::renderWidget(widget("health"), widget("health").placeholder({}), {},
                                         ViewToolkit::PangoTextSystem::shared());
  EXPECT_EQ(health.margins, (ViewToolkit::EdgeInsets{0, 0, 0, 0}));
  const auto* content = health.laidOut.root.findFirst("VStack");
  ASSERT_TRUE(content);
  EXPECT_EQ(content->frame, (ViewToolkit::Rect{16, 18, 332, 382 - 18 - 14}));

  auto memory = WidgetHost::renderWidget(widget("memory"), widget("memory").placeholder({}), {},
                                         ViewToolkit::PangoTextSystem::shared());
  EXPECT_EQ(memory.margins, (ViewToolkit::EdgeInsets{16, 16, 16, 16}));
  const auto& contentLayer = memory.laidOut.root.children[1];
  ASSERT_FALSE(contentLayer.children.empty());
  EXPECT_EQ(contentLayer.children[0].children.at(0).frame, (ViewToolkit::Rect{16, 16, 138, 138}));
}

}  // namespace

// Every widget of the bundle, as the host lays it out and draws it, with the sample: at every
// scale each child lies inside its parent (offsets and overlays may draw outside on purpose) and
// stacks keep their children in order; in every appearance and mode the background fills the
// widget, and every document format is written.
TEST(KestrunWidgetBundle, EveryWidgetKeepsItsTreeInOrderAndDrawsInEveryModeAndFormat) {
  using namespace ViewToolkit;
  Foundation::ScopedClock clock(WidgetSnapshot::sample().updated + 60);
  const PangoTextSystem& text = PangoTextSystem::shared();
  for (const char* suffix : {"wifi", "memory", "overview", "health"}) {
    SCOPED_TRACE(suffix);
    const auto& w = widget(suffix);
    const auto entry = w.placeholder({});
    for (double scale : {1.0, 2.0, 3.0}) {
      const auto rendered = WidgetHost::renderWidget(w, entry, {.displayScale = scale}, text);
      const double tolerance = 1 / scale;
      std::function<void(const LayoutNode&)> check = [&](const LayoutNode& n) {
        for (const LayoutNode& c : n.children) {
          if (n.kind != "offset" && n.kind != "overlay") {
            EXPECT_TRUE(n.frame.containsRect(c.frame, tolerance))
                << c.kind << " outside " << n.kind << " at " << n.frame.x << "," << n.frame.y
                << " scale " << scale;
          }
          check(c);
        }
        if (n.kind != "VStack" && n.kind != "HStack") return;
        for (std::size_t i = 1; i < n.children.size(); ++i) {
          const Rect& a = n.children[i - 1].frame;
          const Rect& b = n.children[i].frame;
          EXPECT_LE(n.kind == "VStack" ? a.maxY() : a.maxX(),
                    (n.kind == "VStack" ? b.y : b.x) + tolerance)
              << n.kind << " child " << i;
        }
      };
      check(rendered.laidOut.root);
    }
    for (auto scheme : {ColorScheme::light, ColorScheme::dark}) {
      for (auto mode : {WidgetRenderingMode::fullColor, WidgetRenderingMode::accented}) {
        const auto rendered = WidgetHost::renderWidget(
            w, entry, {.colorScheme = scheme, .renderingMode = mode}, text);
        const Size size = rendered.metrics.size;
        EXPECT_GT(rendered.rasterize().at({2, size.height / 2}).alpha, 0.99);
        for (auto format : {DocumentFormat::png, DocumentFormat::svg, DocumentFormat::pdf}) {
          EXPECT_GT(rendered.document(format).size(), 1000u);
        }
      }
    }
  }
}
