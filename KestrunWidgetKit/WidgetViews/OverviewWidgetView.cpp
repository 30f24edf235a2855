#include "KestrunWidgetKit/WidgetViews/OverviewWidgetView.h"

#include <string>
#include <utility>

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

// One column: a ring beside its title and verdict, then the big value and a line of detail. Every
// text is the column builder's own composition and shown as it is.
struct OverviewWidgetView::Column {
  std::string title;
  std::string status;
  Color statusTint;
  std::pair<std::string, std::optional<std::string>> value;
  std::string caption;
  Ring ring;

  View body() const {
    const Font label = Font::caption.weight(Font::Weight::semibold);
    return VStack(HorizontalAlignment::leading, 8,
                  {
                      HStack(VerticalAlignment::center, 9,
                             {ring, VStack(HorizontalAlignment::leading, 1,
                                           {Text::verbatim(title).font(label).foregroundStyle(
                                                ShapeStyle::secondary),
                                            Text::verbatim(status)
                                                .font(label)
                                                .foregroundStyle(statusTint)
                                                .lineLimit(1)})}),
                      VStack(HorizontalAlignment::leading, 1,
                             {BigValue{value.first, value.second, 22},
                              Text::verbatim(caption)
                                  .font(Font::caption)
                                  .foregroundStyle(ShapeStyle::secondary)
                                  .lineLimit(1)}),
                  })
        .frame(FlexibleFrame{.maxWidth = Length::infinity(), .alignment = Alignment::leading});
  }
};

namespace {
constexpr double columnRingSize = 34;
constexpr double columnRingLine = 4;
}  // namespace

OverviewWidgetView::Column OverviewWidgetView::wifiColumn(const WidgetSnapshot& snapshot) {
  if (!snapshot.wifi) {
    return Column{"Wi-Fi",
                  snapshot.wifiChecked ? "Offline" : "Not measured",
                  Color::secondary,
                  {emDash, std::nullopt},
                  "Wi-Fi is off or not joined",
                  Ring{std::nullopt, Color::gray, "wifi.slash", columnRingSize, columnRingLine}};
  }
  const WidgetSnapshot::WiFi& wifi = *snapshot.wifi;
  const Color tint = signalTint(wifi.rssi);
  // Only this widget groups the latency the way the user's locale writes numbers; a strength in
  // dBm is never large enough to need it and stays a plain integer.
  auto value =
      wifi.routerMs
          ? std::pair{Foundation::formatInteger(*wifi.routerMs), std::optional<std::string>("ms")}
          : std::pair{std::to_string(wifi.rssi), std::optional<std::string>("dBm")};
  return Column{"Wi-Fi",
                wifi.signalTitle() + " signal",
                tint,
                std::move(value),
                networkLine(wifi),
                Ring{wifi.signalFraction(), tint, "wifi", columnRingSize, columnRingLine}};
}

OverviewWidgetView::Column OverviewWidgetView::memoryColumn(const WidgetSnapshot& snapshot) {
  if (!snapshot.memory) {
    return Column{
        "Memory",
        "Not measured",
        Color::secondary,
        {emDash, std::nullopt},
        "Open Kestrun to measure",
        Ring{std::nullopt, Color::gray, "memorychip.fill", columnRingSize, columnRingLine}};
  }
  const WidgetSnapshot::Memory& memory = *snapshot.memory;
  const Color tint = pressureTint(memory.pressure);
  return Column{"Memory",
                memory.pressureTitle() + " pressure",
                tint,
                {gigabytes(memory.used, 1, false), "GB"},
                "of " + gigabytes(memory.physical, 0, true) + " · " +
                    gigabytes(memory.swapUsed, 1, true) + " swap",
                Ring{memory.fraction(), tint, "memorychip.fill", columnRingSize, columnRingLine}};
}

View OverviewWidgetView::speedBar(const WidgetSnapshot& snapshot) {
  View result;
  if (const auto& speed = snapshot.speedTest) {
    result = (Text("↓ ", speed->downloadMbps).fontWeight(Font::Weight::semibold) +
              Text("  ↑ ", speed->uploadMbps).fontWeight(Font::Weight::semibold) +
              Text(" Mbps · ", relative(speed->date)).foregroundStyle(ShapeStyle::secondary))
                 .font(Font::caption)
                 .monospacedDigit()
                 .lineLimit(1);
  } else {
    result = Text("No speed test yet").font(Font::caption).foregroundStyle(ShapeStyle::secondary);
  }

  View runButton =
      HStack(VerticalAlignment::center, 4,
             {Image::systemName("play.fill").font(Font::system(8, Font::Weight::bold)),
              Text(snapshot.speedTest ? "Test again" : "Run test")})
          .font(Font::caption.weight(Font::Weight::semibold))
          .foregroundStyle(kestrunBrand)
          .padding(EdgeSet::horizontal, 9)
          .padding(EdgeSet::vertical, 4)
          .background(kestrunBrand.opacity(0.13), Capsule(RoundedCornerStyle::continuous));

  const bool stale = snapshot.isStale(Foundation::Clock::now());
  return HStack(VerticalAlignment::center, 8,
                {
                    Image::systemName("gauge.with.dots.needle.67percent")
                        .font(Font::system(12, Font::Weight::semibold))
                        .foregroundStyle(Color::green),
                    std::move(result),
                    Spacer(4),
                    Tap{WidgetLink::speedTest(), std::move(runButton)},
                })
      .padding(EdgeSet::horizontal, 10)
      .padding(EdgeSet::vertical, 7)
      .background(ShapeStyle::primary.opacity(0.05),
                  RoundedRectangle(10, RoundedCornerStyle::continuous))
      .opacity(stale ? 0.6 : 1);
}

View OverviewWidgetView::body() const {
  if (!snapshot) return SetupView{};

  View rule = Rectangle()
                  .fill(ShapeStyle::primary.opacity(0.08))
                  .frame(FrameSize{.width = 1})
                  .padding(EdgeSet::vertical, 2);
  return VStack(
      HorizontalAlignment::center, 0,
      {
          HStack(VerticalAlignment::top, 14,
                 {
                     Tap{WidgetLink::open(WidgetLink::Section::wifi), wifiColumn(*snapshot)},
                     std::move(rule),
                     Tap{WidgetLink::open(WidgetLink::Section::memory), memoryColumn(*snapshot)},
                 }),
          Spacer(8),
          speedBar(*snapshot),
      });
}

}  // namespace KestrunWidgetKit
