#include "KestrunWidgets/KestrunWidgetBundle.h"

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgetKit/WidgetViews/HealthWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/MemoryWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/OverviewWidgetView.h"
#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "KestrunWidgetKit/WidgetViews/WiFiWidgetView.h"
#include "KestrunWidgets/CommandLine.h"
#include "KestrunWidgets/SnapshotProvider.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::HealthWidgetView;
using KestrunWidgetKit::MemoryWidgetView;
using KestrunWidgetKit::OverviewWidgetView;
using KestrunWidgetKit::placedOnLargeWidget;
using KestrunWidgetKit::widgetBackground;
using KestrunWidgetKit::WiFiWidgetView;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

using namespace ViewToolkit;
using WidgetHost::StaticConfiguration;
using WidgetHost::WidgetFamily;

WidgetHost::WidgetDescription WiFiWidget::body(SnapshotProvider provider) const {
  return StaticConfiguration(WidgetStore::Kind::wifi, std::move(provider),
                             [](const SnapshotEntry& entry) {
                               return widgetBackground(WiFiWidgetView{entry.snapshot});
                             })
      .configurationDisplayName("Wi-Fi")
      .description("Signal, latency to your router and the last speed test.")
      .supportedFamilies({WidgetFamily::systemSmall});
}

WidgetHost::WidgetDescription MemoryWidget::body(SnapshotProvider provider) const {
  return StaticConfiguration(WidgetStore::Kind::memory, std::move(provider),
                             [](const SnapshotEntry& entry) {
                               return widgetBackground(MemoryWidgetView{entry.snapshot});
                             })
      .configurationDisplayName("Memory")
      .description("How much RAM is in use and how hard macOS is working to find more.")
      .supportedFamilies({WidgetFamily::systemSmall});
}

WidgetHost::WidgetDescription OverviewWidget::body(SnapshotProvider provider) const {
  return StaticConfiguration(WidgetStore::Kind::overview, std::move(provider),
                             [](const SnapshotEntry& entry) {
                               return widgetBackground(OverviewWidgetView{entry.snapshot});
                             })
      .configurationDisplayName("Wi-Fi & Memory")
      .description(
          "Wi-Fi and memory side by side, with the last speed test and a button to run one.")
      .supportedFamilies({WidgetFamily::systemMedium});
}

WidgetHost::WidgetDescription HealthWidget::body(SnapshotProvider provider) const {
  return StaticConfiguration(
             WidgetStore::Kind::health, std::move(provider),
             [](const SnapshotEntry& entry) {
               return widgetBackground(placedOnLargeWidget(HealthWidgetView{entry.snapshot}));
             })
      .contentMarginsDisabled()
      .configurationDisplayName("Zed Avudad")
      .description("Memory, disk, Wi-Fi and dev servers, plus what needs you.")
      .supportedFamilies({WidgetFamily::systemLarge});
}

std::vector<WidgetHost::WidgetDescription> KestrunWidgetBundle::body(
    const SnapshotProvider& provider) const {
  return {WiFiWidget{}.body(provider), MemoryWidget{}.body(provider),
          OverviewWidget{}.body(provider), HealthWidget{}.body(provider)};
}

int KestrunWidgetBundle::main(int argc, const char* const* argv) {
  return KestrunWidgets::runCommandLine(argc, argv, [](const SnapshotProvider& provider) {
    return KestrunWidgetBundle{}.body(provider);
  });
}
