#include "KestrunWidgetKit/WidgetViews/StatusLines.h"

#include "Platform/ViewToolkit/Text.h"

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
  Color dot = Color::green;
  ShapeStyle text = ShapeStyle::secondary;
  switch (memory.pressure) {
    case WidgetSnapshot::Severity::info:
      break;
    case WidgetSnapshot::Severity::warning:
      dot = Color::orange, text = Color::orange;
      break;
    case WidgetSnapshot::Severity::critical:
      dot = Color::red, text = Color::red;
      break;
  }
  return HStack(VerticalAlignment::center, 5,
                {
                    Circle().fill(dot).frame(FrameSize{.width = 6, .height = 6}),
                    Text(memory.pressureTitle(), " pressure")
                        .font(Font::caption2.weight(Font::Weight::semibold))
                        .foregroundStyle(text),
                });
}
