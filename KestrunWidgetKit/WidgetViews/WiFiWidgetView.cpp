#include "KestrunWidgetKit/WidgetViews/WiFiWidgetView.h"

#include "KestrunWidgetKit/WidgetSnapshot/WidgetLink.h"
#include "KestrunWidgetKit/WidgetViews/Formatting.h"
#include "KestrunWidgetKit/WidgetViews/Gauges.h"
#include "KestrunWidgetKit/WidgetViews/Links.h"
#include "KestrunWidgetKit/WidgetViews/StatusLines.h"
#include "Platform/ViewToolkit/Text.h"

namespace KestrunWidgetKit {

using namespace ViewToolkit;

Color signalTint(std::int64_t rssi) {
  if (rssi >= -60) return Color::green;
  if (rssi >= -72) return Color::yellow;
  return Color::red;
}

std::string networkLine(const WidgetSnapshot::WiFi& wifi) {
  if (!wifi.ssid) return snapshotText(wifi.band);
  return snapshotText(*wifi.ssid) + " · " + snapshotText(wifi.band);
}

namespace {

View signalLine(Text text, std::int64_t rssi) {
  return text.font(Font::caption.weight(Font::Weight::semibold)).foregroundStyle(signalTint(rssi));
}

View secondaryLine(Text text) {
  return text.font(Font::caption).foregroundStyle(ShapeStyle::secondary).lineLimit(1);
}

// The big value and the one or two lines under it.
View mainBlock(const WidgetSnapshot& snapshot) {
  if (const auto& wifi = snapshot.wifi) {
    if (wifi->routerMs) {
      return Group({BigValue{std::to_string(*wifi->routerMs), "ms", 26},
                    signalLine(Text(wifi->signalTitle(), " signal"), wifi->rssi),
                    secondaryLine(Text::verbatim(networkLine(*wifi)))});
    }
    return Group({BigValue{wifi->signalTitle(), std::nullopt, 26},
                  signalLine(Text(wifi->rssi, " dBm"), wifi->rssi),
                  secondaryLine(Text::verbatim(networkLine(*wifi)))});
  }
  if (snapshot.wifiChecked) {
    return Group(
        {BigValue{"Offline", std::nullopt, 26}, secondaryLine(Text("Not joined to a network"))});
  }
  return Group({BigValue{"Checking\u2026", std::nullopt, 20},
                secondaryLine(Text("Kestrun pings every 2 min"))});
}

}  // namespace

View WiFiWidgetView::body() const {
  if (!snapshot) return SetupView{};

  const auto& wifi = snapshot->wifi;
  const Ring ring = wifi ? Ring{wifi->signalFraction(), signalTint(wifi->rssi), "wifi", 38, 4}
                         : Ring{std::nullopt, Color::gray, "wifi.slash", 38, 4};
  View speed = snapshot->speedTest ? View(SpeedLine{*snapshot->speedTest}) : View();

  return VStack(HorizontalAlignment::leading, 0,
                {
                    HStack(VerticalAlignment::top, {ring, Spacer(), Eyebrow{"Wi-Fi"}}),
                    Spacer(6),
                    mainBlock(*snapshot),
                    Footnote{snapshot, std::move(speed)},
                })
      .widgetURL(WidgetLink::open(WidgetLink::Section::wifi));
}

}  // namespace KestrunWidgetKit
