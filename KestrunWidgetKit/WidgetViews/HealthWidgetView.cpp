#include "KestrunWidgetKit/WidgetViews/HealthWidgetView.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetLink.h"
#include "KestrunWidgetKit/WidgetViews/Formatting.h"
#include "KestrunWidgetKit/WidgetViews/Gauges.h"
#include "KestrunWidgetKit/WidgetViews/Links.h"
#include "KestrunWidgetKit/WidgetViews/MemoryWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "KestrunWidgetKit/WidgetViews/WiFiWidgetView.h"
#include "Platform/Foundation/Formatters.h"
#include "Platform/ViewToolkit/Text.h"

namespace KestrunWidgetKit {

using namespace ViewToolkit;

// One panel of the grid: a ring, the upper-cased title, a value and a caption, all of it a link
// of its own. The texts are the tile builders' compositions and shown as they are.
struct HealthWidgetView::Tile {
  std::string title;
  std::string value;
  std::string caption;
  Ring ring;
  Foundation::URL link;

  View body() const {
    View content =
        HStack(
            VerticalAlignment::center, 8,
            {
                ring,
                VStack(
                    HorizontalAlignment::leading, 0,
                    {
                        Text::verbatim(Foundation::uppercased(title))
                            .font(Font::system(8.5, Font::Weight::semibold))
                            .tracking(0.5)
                            .foregroundStyle(ShapeStyle::secondary),
                        Text::verbatim(value)
                            .font(Font::system(Font::TextStyle::subheadline, Font::Design::rounded)
                                      .weight(Font::Weight::bold))
                            .lineLimit(1)
                            .minimumScaleFactor(0.75),
                        Text::verbatim(caption)
                            .font(Font::caption2)
                            .foregroundStyle(ShapeStyle::secondary)
                            .lineLimit(1)
                            .minimumScaleFactor(0.85),
                    }),
                Spacer(0),
            })
            .padding(EdgeSet::horizontal, 8)
            .padding(EdgeSet::vertical, 7)
            .frame(FlexibleFrame{.maxWidth = Length::infinity(), .alignment = Alignment::leading})
            .background(ShapeStyle::primary.opacity(0.05),
                        RoundedRectangle(11, RoundedCornerStyle::continuous));
    return Tap{link, std::move(content)};
  }
};

namespace {

constexpr double tileRingSize = 28;
constexpr double tileRingLine = 3.5;
constexpr std::int64_t clearableFrom = 100'000'000;  // bytes; less is not worth offering
constexpr std::size_t rowsShown = 3;

Ring tileRing(std::optional<double> fraction, Color tint, std::string symbol) {
  return Ring{fraction, tint, std::move(symbol), tileRingSize, tileRingLine};
}

// One attention item: its icon with a severity badge, title and detail, a link to its section.
View attentionRow(const WidgetSnapshot::Attention& item) {
  const Color tint = color(item.tint);
  std::vector<View> icon{
      RoundedRectangle(6, RoundedCornerStyle::continuous)
          .fill(tint.opacity(0.16))
          .frame(FrameSize{.width = 24, .height = 24})
          .overlay(Image::systemName(snapshotSymbol(item.symbol))
                       .font(Font::system(11, Font::Weight::semibold))
                       .foregroundStyle(tint)),
  };
  if (item.severity == WidgetSnapshot::Severity::warning ||
      item.severity == WidgetSnapshot::Severity::critical) {
    const Color badge =
        item.severity == WidgetSnapshot::Severity::critical ? Color::red : Color::orange;
    // Ringed in the background colour so that the dot stands clear of the icon tile it overlaps.
    icon.push_back(
        Circle()
            .fill(badge)
            .frame(FrameSize{.width = 7, .height = 7})
            .overlay(Circle().strokeBorder(Color::windowBackground, StrokeStyle{.lineWidth = 1.5}))
            .offset(2, -2));
  }

  std::vector<View> texts{
      Text::verbatim(snapshotText(item.title))
          .font(Font::caption.weight(Font::Weight::semibold))
          .lineLimit(1),
  };
  if (!item.detail.empty()) {
    texts.push_back(Text::verbatim(snapshotText(item.detail))
                        .font(Font::caption2)
                        .foregroundStyle(ShapeStyle::secondary)
                        .lineLimit(1));
  }

  // No section is named by kilobytes: a longer one is not the host application's, and opens its
  // home section rather than a link as long as the file.
  constexpr std::size_t longestSection = 1024;
  return Tap{WidgetLink::open(item.section.size() <= longestSection ? std::string_view(item.section)
                                                                    : WidgetLink::Section::home),
             HStack(VerticalAlignment::center, 9,
                    {
                        ZStack(Alignment::topTrailing, std::move(icon)),
                        VStack(HorizontalAlignment::leading, 0, std::move(texts)),
                        Spacer(0),
                    })};
}

}  // namespace

View HealthWidgetView::header(const WidgetSnapshot& snapshot) {
  std::vector<View> pills;
  for (const VerdictPart& part : verdict(snapshot)) {
    switch (part.kind) {
      case VerdictPart::Kind::clear:
        pills.push_back(Pill{part.text, Color::green, "checkmark"});
        break;
      case VerdictPart::Kind::urgent:
        pills.push_back(Pill{part.text, Color::red});
        break;
      case VerdictPart::Kind::toCheck:
        pills.push_back(Pill{part.text, Color::orange});
        break;
      case VerdictPart::Kind::fyi:
        pills.push_back(Pill{part.text, Color::secondary});
        break;
    }
  }

  return HStack(VerticalAlignment::center, 6,
                {
                    Image::systemName("flag.pattern.checkered")
                        .font(Font::system(13, Font::Weight::bold))
                        .foregroundStyle(kestrunBrand)
                        .widgetAccentable(true),
                    Text("Kestrun").font(Font::headline),
                    Spacer(),
                    Group(std::move(pills)),
                });
}

HealthWidgetView::Tile HealthWidgetView::memoryTile(const WidgetSnapshot& snapshot) {
  const auto link = WidgetLink::open(WidgetLink::Section::memory);
  if (!snapshot.memory) {
    return Tile{"Memory", emDash, "Not measured",
                tileRing(std::nullopt, Color::gray, "memorychip.fill"), link};
  }
  const WidgetSnapshot::Memory& memory = *snapshot.memory;
  return Tile{"Memory", memory.pressureTitle() + " pressure",
              gigabytes(memory.used, 1, true) + " of " + gigabytes(memory.physical, 0, true),
              tileRing(memory.fraction(), pressureTint(memory.pressure), "memorychip.fill"), link};
}

HealthWidgetView::Tile HealthWidgetView::diskTile(const WidgetSnapshot& snapshot) {
  const auto link = WidgetLink::open(WidgetLink::Section::sweep);
  if (!snapshot.disk) {
    return Tile{"Disk", emDash, "Not measured",
                tileRing(std::nullopt, Color::blue, "internaldrive.fill"), link};
  }
  const WidgetSnapshot::Disk& disk = *snapshot.disk;
  const double freeShare =
      static_cast<double>(disk.free) / static_cast<double>(std::max<std::int64_t>(disk.total, 1));
  const Color tint = freeShare < 0.1 ? Color::red : freeShare < 0.2 ? Color::orange : Color::blue;
  std::string caption = disk.cleanable && *disk.cleanable >= clearableFrom
                            ? Foundation::formatByteCount(*disk.cleanable) + " to clear"
                            : "of " + diskSize(disk.total);
  return Tile{"Disk", diskSize(disk.free) + " free", std::move(caption),
              tileRing(1 - freeShare, tint, "internaldrive.fill"), link};
}

HealthWidgetView::Tile HealthWidgetView::wifiTile(const WidgetSnapshot& snapshot) {
  const auto link = WidgetLink::open(WidgetLink::Section::wifi);
  if (!snapshot.wifi) {
    return Tile{"Wi-Fi", snapshot.wifiChecked ? "Offline" : emDash, "Not joined",
                tileRing(std::nullopt, Color::gray, "wifi.slash"), link};
  }
  const WidgetSnapshot::WiFi& wifi = *snapshot.wifi;
  std::string value = wifi.routerMs ? std::to_string(*wifi.routerMs) + " ms" : wifi.signalTitle();
  std::string caption = (wifi.ssid ? snapshotText(*wifi.ssid) : wifi.signalTitle() + " signal") +
                        " · " + snapshotText(wifi.band);
  return Tile{"Wi-Fi", std::move(value), std::move(caption),
              tileRing(wifi.signalFraction(), signalTint(wifi.rssi), "wifi"), link};
}

HealthWidgetView::Tile HealthWidgetView::devTile(const WidgetSnapshot& snapshot) {
  return Tile{
      "Dev servers",
      snapshot.devRunning != 0 ? std::to_string(snapshot.devRunning) + " running" : "Nothing",
      "Ports, sims, Docker", tileRing(std::nullopt, Color::teal, "bolt.horizontal.fill"),
      WidgetLink::open(WidgetLink::Section::ports)};
}

View HealthWidgetView::needsYou(const WidgetSnapshot& snapshot) {
  // What is not listed is counted from the total, not from the rows: the host application may
  // carry fewer items than exist.
  std::string eyebrow = "Needs you";
  if (snapshot.attentionTotal >= 4) {
    eyebrow += " · +" + std::to_string(snapshot.attentionTotal - 3) + " more";
  }

  const bool stale = snapshot.isStale(Foundation::Clock::now());
  // Each line one sentence to translate, the age where the language puts it.
  const std::string age = relative(snapshot.updated);
  Text ageLine = stale ? Text("Updated ", age, " · open Kestrun") : Text("Updated ", age);

  View headerLine =
      HStack(VerticalAlignment::firstTextBaseline,
             {
                 Eyebrow{std::move(eyebrow)},
                 Spacer(),
                 std::move(ageLine)
                     .font(Font::system(9.5, Font::Weight::medium))
                     .foregroundStyle(stale ? ShapeStyle(Color::orange) : ShapeStyle::tertiary)
                     .lineLimit(1),
             });

  View list;
  if (snapshot.attention.empty()) {
    list = HStack(VerticalAlignment::center, 8,
                  {
                      Image::systemName("checkmark.circle.fill").foregroundStyle(Color::green),
                      Text("Nothing needs you right now.").foregroundStyle(ShapeStyle::secondary),
                  })
               .font(Font::caption)
               .padding(EdgeSet::top, 2);
  } else {
    // The rows are built from the items where they stand: an item's strings may be as long as
    // the file, and a row copies only what it shows.
    std::vector<std::size_t> shown(std::min(snapshot.attention.size(), rowsShown));
    std::iota(shown.begin(), shown.end(), std::size_t(0));
    const auto& items = snapshot.attention;
    list = ForEach(
        shown, [&](std::size_t i) -> const std::string& { return items[i].id; },
        [&](std::size_t i) { return attentionRow(items[i]); });
  }

  return VStack(HorizontalAlignment::leading, 6, {std::move(headerLine), std::move(list)});
}

View HealthWidgetView::body() const {
  if (!snapshot) return SetupView{};

  return VStack(HorizontalAlignment::leading, 10,
                {
                    header(*snapshot),
                    Grid(Alignment::center, 6, 6,
                         {
                             GridRow(std::nullopt, {memoryTile(*snapshot), diskTile(*snapshot)}),
                             GridRow(std::nullopt, {wifiTile(*snapshot), devTile(*snapshot)}),
                         }),
                    needsYou(*snapshot),
                    Spacer(0),
                })
      .widgetURL(WidgetLink::open(WidgetLink::Section::home));
}

View placedOnLargeWidget(const View& content) {
  return content.padding(largeWidgetInsets)
      .frame(FlexibleFrame{.maxHeight = Length::infinity(), .alignment = Alignment::top});
}

}  // namespace KestrunWidgetKit
