#include "Platform/WidgetHost/Timeline.h"

namespace WidgetHost {

std::string TimelineReloadPolicy::description() const {
  switch (kind) {
    case Kind::atEnd: return "atEnd";
    case Kind::never: return "never";
    case Kind::after: return "after " + Foundation::formatRFC3339(date);
  }
  return "atEnd";
}

}  // namespace WidgetHost
