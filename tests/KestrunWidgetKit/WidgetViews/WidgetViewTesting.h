// The four widget views as the widget host shows them: laid out at their family's size inside the
// content margins, on the common widget background, with the real text system. Helpers read back
// what a laid-out tree shows (texts in reading order, colours, symbols, where a tap leads).
//
// Set KESTRUN_TEST_PNG_DIR to keep every drawn widget as a PNG there, for a look by eye.
#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "KestrunWidgetKit/WidgetViews/HealthWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "Platform/ViewToolkit/LayoutNode.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "Platform/ViewToolkit/View.h"
#include "Platform/WidgetHost/Widget.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::largeWidgetInsets;
using KestrunWidgetKit::placedOnLargeWidget;
using KestrunWidgetKit::widgetBackground;
using KestrunWidgetKit::WidgetSnapshot;

namespace WidgetViewTesting {

using namespace ViewToolkit;
using Foundation::Date;

// A widget family as the host lays it out: its size and margins are the host's own. The Zed
// Avudad widget turns the host's margins off and places itself, as its configuration does.
struct Family {
  const char* name;
  WidgetHost::WidgetFamily family;
  bool ownMargins = false;
  Size size = WidgetHost::metrics(family).size;
};
inline const Family small{"small", WidgetHost::WidgetFamily::systemSmall};
inline const Family medium{"medium", WidgetHost::WidgetFamily::systemMedium};
inline const Family large{"large", WidgetHost::WidgetFamily::systemLarge, true};

inline EdgeInsets hostMargins(const Family& family) {
  const double m = family.ownMargins ? 0 : WidgetHost::metrics(family.family).contentMargin;
  return {m, m, m, m};
}

// The widget's canvas as the host composes it, over the common widget background.
inline View onWidget(const View& content, const Family& family) {
  const View placed = family.ownMargins ? placedOnLargeWidget(content) : content;
  return Container(widgetBackground(placed), {family.size, hostMargins(family)});
}

// The content's own area: the widget less its margins or, for the large widget, its insets.
inline Rect contentRect(const Family& family) {
  const EdgeInsets m = family.ownMargins ? largeWidgetInsets : hostMargins(family);
  return {m.leading, m.top, family.size.width - m.leading - m.trailing,
          family.size.height - m.top - m.bottom};
}

inline Scene sceneFor(const Family& family, ColorScheme scheme = ColorScheme::light) {
  return Scene{family.size, 2, DrawSettings{.colorScheme = scheme}};
}

inline LaidOutView lay(const View& view, const Family& family) {
  return layoutView(onWidget(view, family), sceneFor(family), PangoTextSystem::shared());
}

// Draws the widget and keeps a PNG named `name` when KESTRUN_TEST_PNG_DIR asks for it.
inline Bitmap draw(const View& view, const Family& family, const std::string& name,
                   ColorScheme scheme = ColorScheme::light) {
  const Scene scene = sceneFor(family, scheme);
  const PangoTextSystem& text = PangoTextSystem::shared();
  const DisplayList list = DisplayList::build(layoutView(onWidget(view, family), scene, text));
  if (const char* dir = std::getenv("KESTRUN_TEST_PNG_DIR")) {
    std::filesystem::create_directories(dir);
    writeDocument(list, scene, DocumentFormat::png,
                  (std::filesystem::path(dir) / (name + ".png")).string(), text);
  }
  return rasterize(list, scene, text);
}

// Draws each named widget in light and in dark appearance (kept as <prefix><name>-light.png and
// -dark.png) and checks that the background under its bottom-trailing corner follows the
// appearance.
struct Named {
  std::string name;
  View view;
};
inline void drawInBothAppearances(const std::string& prefix, const Family& family,
                                  const std::vector<Named>& widgets) {
  const Point corner{family.size.width - 4, family.size.height - 4};
  for (auto scheme : {ColorScheme::light, ColorScheme::dark}) {
    const bool dark = scheme == ColorScheme::dark;
    for (const Named& w : widgets) {
      const Bitmap b = draw(w.view, family, prefix + w.name + (dark ? "-dark" : "-light"), scheme);
      EXPECT_EQ(b.at(corner).red < 0.5, dark) << w.name;
    }
  }
}

// ---- Reading a laid-out tree ----------------------------------------------------------------

// A text as it reads: without the invisible isolates (U+2066 to U+2069) that set strings from
// the snapshot apart within their line.
inline std::string readable(std::string text) {
  for (std::size_t at; (at = text.find("\xE2\x81")) != std::string::npos && at + 2 < text.size();) {
    const unsigned char last = static_cast<unsigned char>(text[at + 2]);
    if (last < 0xA6 || last > 0xA9) break;
    text.erase(at, 3);
  }
  return text;
}

// The first text, depth-first, that reads `text`.
inline const LayoutNode* findShown(const LayoutNode& node, std::string_view text) {
  if (node.text && readable(node.text->string()) == text) return &node;
  for (const auto& child : node.children) {
    if (const LayoutNode* found = findShown(child, text)) return found;
  }
  return nullptr;
}

inline void collectTexts(const LayoutNode& node, std::vector<std::string>& out) {
  if (node.text) out.push_back(readable(node.text->string()));
  if (node.symbol) out.push_back("[" + node.symbol->name + "]");
  for (const auto& child : node.children) collectTexts(child, out);
}

using Texts = std::vector<std::string>;

// Every text and symbol in drawing order, symbols written "[name]".
inline Texts shown(const LaidOutView& laid) {
  std::vector<std::string> out;
  collectTexts(laid.root, out);
  return out;
}

// A paint as "green", "secondary", "#5c57faff@0.13": the colour's name, then any opacity.
inline std::string describe(const Paint& paint) {
  std::string text = paint.color.description();
  const double opacity = paint.color.opacityValue() * paint.opacity;
  if (std::abs(opacity - 1) > 1e-9) {
    std::ostringstream s;
    s << '@' << opacity;
    text += s.str();
  }
  return text;
}

// The colour of the text that reads `text`, or "(no such text)".
inline std::string colorOf(const LaidOutView& laid, std::string_view text) {
  const LayoutNode* node = findShown(laid.root, text);
  if (!node) return "(no such text)";
  return describe(node->text->runs.front().paint);
}

inline const LayoutNode* findSymbol(const LayoutNode& node, std::string_view name) {
  if (node.symbol && node.symbol->name == name) return &node;
  for (const auto& child : node.children) {
    if (const LayoutNode* found = findSymbol(child, name)) return found;
  }
  return nullptr;
}

// The frame of the text that reads `text` (empty when there is none).
inline Rect frameOf(const LaidOutView& laid, std::string_view text) {
  const LayoutNode* node = findShown(laid.root, text);
  return node ? node->frame : Rect{};
}

inline Point centre(const Rect& r) {
  return {r.midX(), r.midY()};
}

// Where a tap at `p` leads, "" for nowhere.
inline std::string tap(const LaidOutView& laid, Point p) {
  return laid.urlAt(p).value_or("");
}

// ---- Snapshots ------------------------------------------------------------------------------

inline constexpr Date now{1'750'000'000};
inline constexpr std::uint64_t GiB = 1073741824;

// Every part present, measured a minute ago.
inline WidgetSnapshot fullSnapshot() {
  return WidgetSnapshot{
      now - 60,
      WidgetSnapshot::Memory{19'756'849'152, 34'359'738'368, 1'288'490'188,
                             WidgetSnapshot::Severity::info},
      true,
      WidgetSnapshot::WiFi{"Home", "5 GHz", -58, 4, 18, 0},
      WidgetSnapshot::SpeedTest{236, 41, now - 7200},
      WidgetSnapshot::Disk{212'000'000'000, 994'000'000'000, 8'400'000'000},
      3,
      {
          {"repos-unpushed", "2 repos have commits not pushed", "kestrun (↑1), zelno (↑3)",
           WidgetSnapshot::Severity::warning, "projects", "folder.fill",
           WidgetSnapshot::Tint::blue},
          {"sweep", "8.4 GB can be cleared", "Review and clean in Storage.",
           WidgetSnapshot::Severity::info, "sweep", "internaldrive.fill",
           WidgetSnapshot::Tint::purple},
      },
      2,
      0,
      1,
  };
}

// The full snapshot with one change.
inline WidgetSnapshot with(const std::function<void(WidgetSnapshot&)>& change) {
  WidgetSnapshot s = fullSnapshot();
  change(s);
  return s;
}

// Nothing measured yet.
inline WidgetSnapshot emptySnapshot() {
  return WidgetSnapshot{
      now - 60, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt, 0, {}, 0, 0, 0};
}

}  // namespace WidgetViewTesting

namespace WidgetViewTesting {

// The views under LANG=de_DE.UTF-8 with the catalogue built from resources/po/de.po: looked-up
// keys come out German, verbatim texts do not.
class InGerman : public ::testing::Test {
 protected:
  TestSupport::ScopedEnvironment bundle{{"KESTRUN_BUNDLE", KESTRUN_BUILD_DATA_DIR}};
  TestSupport::ScopedLocale german{"de_DE.UTF-8"};
  Foundation::ScopedClock clock{now};
};

// The first node whose shape is filled with `paint` (as describe() writes it).
inline const LayoutNode* findFill(const LayoutNode& node, std::string_view paint) {
  if (node.shape && node.shape->mode == ShapeContent::Mode::fill &&
      describe(node.shape->paint) == paint) {
    return &node;
  }
  for (const auto& child : node.children) {
    if (const LayoutNode* found = findFill(child, paint)) return found;
  }
  return nullptr;
}

// How far the first ring's arc (the round-capped stroke) goes round, or none without an arc.
inline std::optional<double> arcEnd(const LayoutNode& node) {
  if (node.shape && node.shape->mode == ShapeContent::Mode::stroke &&
      node.shape->stroke.lineCap == LineCap::round) {
    return node.shape->shape.trimTo();
  }
  for (const auto& child : node.children) {
    if (auto end = arcEnd(child)) return end;
  }
  return std::nullopt;
}

// The colour of a symbol's glyph, or "(no such symbol)".
inline std::string symbolColor(const LaidOutView& laid, std::string_view name) {
  const LayoutNode* node = findSymbol(laid.root, name);
  return node ? describe(node->symbol->paint) : "(no such symbol)";
}

// Font size of the first run of a text, as drawn (after any shrinking).
inline double fontSizeOf(const LaidOutView& laid, std::string_view text) {
  const LayoutNode* node = findShown(laid.root, text);
  return node ? node->text->runs.front().style.font.size * node->text->fontScale : 0;
}

}  // namespace WidgetViewTesting
