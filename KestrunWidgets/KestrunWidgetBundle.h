// The extension's top level: the four widgets and the bundle that offers them, in this order:
// Wi-Fi (small), Memory (small), Wi-Fi & Memory (medium), Zed Avudad (large).
#pragma once

#include <vector>

#include "Platform/ViewToolkit/View.h"
#include "Platform/WidgetHost/Widget.h"

// Places a view on the widget's container background (the common WidgetBackground).

struct WiFiWidget {
  WidgetHost::WidgetDescription body() const;
};
struct MemoryWidget {
  WidgetHost::WidgetDescription body() const;
};
struct OverviewWidget {
  WidgetHost::WidgetDescription body() const;
};
struct HealthWidget {
  WidgetHost::WidgetDescription body() const;
};

struct KestrunWidgetBundle {
  static constexpr const char* programName = "kestrun-widgets";
  static constexpr const char* title = "Kestrun Widgets";

  std::vector<WidgetHost::WidgetDescription> body() const;
  // Hands the bundle to the widget host: the program's command line.
  static int main(int argc, const char* const* argv);
};
