// One-line summaries of a measurement for the footers of the small widgets: the last speed test
// (SpeedLine) and the memory pressure (PressureLine). Plain values, built from their record alone.
#pragma once

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/ViewToolkit/View.h"

namespace KestrunWidgetKit {

// ↓ download ↑ upload Mbps, digits of equal width, the unit once after the upload speed.
struct SpeedLine {
  WidgetSnapshot::SpeedTest speed;

  ViewToolkit::View body() const;
};

// A dot in the pressure's colour and "<title> pressure"; the text takes the colour too once the
// pressure is above normal.
struct PressureLine {
  WidgetSnapshot::Memory memory;

  ViewToolkit::View body() const;
};

}  // namespace KestrunWidgetKit
