// The large Zed Avudad widget: a header with the product mark and pills counting what needs the
// user, a two-by-two grid of tiles (memory, disk, Wi-Fi, dev servers) and the needs-you list of up
// to three attention items. Each tile and each row opens its own section of the host application;
// a tap anywhere else opens its home section. With no snapshot it is the first-run view.
//
// The widget's placement and background are given by its configuration (placedOnLargeWidget,
// widgetBackground), not by this view.
// A plain value holding a shared, immutable snapshot; the body reads the clock when it is built,
// on the thread that lays the tree out.
#pragma once

#include <optional>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/ViewToolkit/View.h"

namespace KestrunWidgetKit {

class HealthWidgetView {
 public:
  SharedSnapshot snapshot;

  ViewToolkit::View body() const;

 private:
  struct Tile;

  static ViewToolkit::View header(const WidgetSnapshot& snapshot);
  static Tile memoryTile(const WidgetSnapshot& snapshot);
  static Tile diskTile(const WidgetSnapshot& snapshot);
  static Tile wifiTile(const WidgetSnapshot& snapshot);
  static Tile devTile(const WidgetSnapshot& snapshot);
  static ViewToolkit::View needsYou(const WidgetSnapshot& snapshot);
};

// The large widget turns the host's content margins off and places its content itself: inset
// from the widget's edges, at the top of a frame as tall as the widget.
inline constexpr ViewToolkit::EdgeInsets largeWidgetInsets{18, 16, 14, 16};
ViewToolkit::View placedOnLargeWidget(const ViewToolkit::View& content);

}  // namespace KestrunWidgetKit
