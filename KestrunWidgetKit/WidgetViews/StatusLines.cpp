#include "KestrunWidgetKit/WidgetViews/StatusLines.h"

#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "Platform/ViewToolkit/Text.h"

namespace KestrunWidgetKit {

using namespace ViewToolkit;

View SpeedLine::body() const {
  return HStack(VerticalAlignment::center, 4,
                {
                    Image::systemName("arrow.down").foregroundStyle(Color::green),
                    Text("", speed.downloadMbps),
                    Image::systemName("arrow.up").foregroundStyle(Color::blue),
                    Text("", speed.uploadMbps, " Mbps"),
                })
      .font(Font::caption2.weight(Font::Weight::semibold))
      .foregroundStyle(ShapeStyle::secondary)
      .monospacedDigit();
}

View PressureLine::body() const {
  // Normal pressure keeps the text secondary; high and critical colour it as the dot.
  const Color dot = pressureTint(memory.pressure);
  const ShapeStyle text =
      memory.pressure == WidgetSnapshot::Severity::info ? ShapeStyle::secondary : ShapeStyle(dot);
  return HStack(VerticalAlignment::center, 5,
                {
                    Circle().fill(dot).frame(FrameSize{.width = 6, .height = 6}),
                    Text(memory.pressureTitle(), " pressure")
                        .font(Font::caption2.weight(Font::Weight::semibold))
                        .foregroundStyle(text),
                });
}

}  // namespace KestrunWidgetKit
