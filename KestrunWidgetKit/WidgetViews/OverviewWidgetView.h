// The medium Wi-Fi & Memory widget: a Wi-Fi column and a memory column side by side, each a link
// to its own section, and below them the last speed test with a button that asks the host
// application to run one. No URL covers the whole widget, so a tap between the links does
// nothing. It has no update footer: a stale snapshot fades the speed-test bar instead. With no
// snapshot it is the first-run view.
//
// A plain value holding a shared, immutable snapshot; the body reads the clock when it is built,
// on the thread that lays the tree out.
#pragma once

#include <optional>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/ViewToolkit/View.h"

namespace KestrunWidgetKit {

class OverviewWidgetView {
 public:
  SharedSnapshot snapshot;

  ViewToolkit::View body() const;

 private:
  struct Column;

  static Column wifiColumn(const WidgetSnapshot& snapshot);
  static Column memoryColumn(const WidgetSnapshot& snapshot);
  static ViewToolkit::View speedBar(const WidgetSnapshot& snapshot);
};

}  // namespace KestrunWidgetKit
