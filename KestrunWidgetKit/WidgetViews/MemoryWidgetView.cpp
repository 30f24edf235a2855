#include "KestrunWidgetKit/WidgetViews/MemoryWidgetView.h"

#include "KestrunWidgetKit/WidgetSnapshot/WidgetLink.h"
#include "KestrunWidgetKit/WidgetViews/Formatting.h"
#include "KestrunWidgetKit/WidgetViews/Gauges.h"
#include "KestrunWidgetKit/WidgetViews/Links.h"
#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "KestrunWidgetKit/WidgetViews/StatusLines.h"
#include "Platform/ViewToolkit/Text.h"

namespace KestrunWidgetKit {

using namespace ViewToolkit;

View MemoryWidgetView::body() const {
  if (!snapshot || !snapshot->memory) return SetupView{};

  const WidgetSnapshot::Memory& memory = *snapshot->memory;
  return VStack(HorizontalAlignment::leading, 0,
                {
                    HStack(VerticalAlignment::top,
                           {Ring{memory.fraction(), pressureTint(memory.pressure),
                                 "memorychip.fill", 38, 4},
                            Spacer(), Eyebrow{"Memory"}}),
                    Spacer(6),
                    BigValue{gigabytes(memory.used, 1, false), "GB", 26},
                    Text("of ", gigabytes(memory.physical, 0, true), " · ",
                         gigabytes(memory.swapUsed, 1, true), " swap")
                        .font(Font::caption)
                        .foregroundStyle(ShapeStyle::secondary)
                        .lineLimit(1)
                        .minimumScaleFactor(0.85),
                    Footnote{snapshot, PressureLine{memory}},
                })
      .widgetURL(WidgetLink::open(WidgetLink::Section::memory));
}

}  // namespace KestrunWidgetKit
