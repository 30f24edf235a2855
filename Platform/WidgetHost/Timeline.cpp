#include "Platform/WidgetHost/Timeline.h"

namespace WidgetHost {

std::string TimelineReloadPolicy::description() const {
  switch (kind) {
    case Kind::atEnd:
      return "atEnd";
  }
  return "atEnd";
}

}  // namespace WidgetHost
