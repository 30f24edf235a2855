// The extension's top level: the four widgets and the bundle that offers them, in this order:
// Wi-Fi (small), Memory (small), Wi-Fi & Memory (medium), Zed Avudad (large). Each widget's
// provider is a new SnapshotProvider unless the caller hands it one that reads another file.
#pragma once

#include <vector>

#include "KestrunWidgets/SnapshotProvider.h"
#include "Platform/ViewToolkit/View.h"
#include "Platform/WidgetHost/Widget.h"

// Places a view on the widget's container background (the common WidgetBackground).

struct WiFiWidget {
  WidgetHost::WidgetDescription body(SnapshotProvider provider = {}) const;
};
struct MemoryWidget {
  WidgetHost::WidgetDescription body(SnapshotProvider provider = {}) const;
};
struct OverviewWidget {
  WidgetHost::WidgetDescription body(SnapshotProvider provider = {}) const;
};
struct HealthWidget {
  WidgetHost::WidgetDescription body(SnapshotProvider provider = {}) const;
};

struct KestrunWidgetBundle {
  static constexpr const char* programName = "kestrun-widgets";
  static constexpr const char* title = "Kestrun Widgets";

  std::vector<WidgetHost::WidgetDescription> body(const SnapshotProvider& provider = {}) const;
  // Hands the bundle to the widget host: the program's command line.
  static int main(int argc, const char* const* argv);
};
