#include "Platform/WidgetHost/Widget.h"

namespace WidgetHost {

std::string_view familyName(WidgetFamily family) {
  switch (family) {
    case WidgetFamily::systemSmall: return "small";
    case WidgetFamily::systemMedium: return "medium";
    case WidgetFamily::systemLarge: return "large";
  }
  return "small";
}

FamilyMetrics metrics(WidgetFamily family) {
  switch (family) {
    case WidgetFamily::systemSmall: return {{170, 170}, 16, 22};
    case WidgetFamily::systemMedium: return {{364, 170}, 16, 22};
    case WidgetFamily::systemLarge: return {{364, 382}, 16, 22};
  }
  return {{170, 170}, 16, 22};
}

std::string WidgetDescription::kindSuffix() const {
  auto dot = kind.rfind('.');
  return dot == std::string::npos ? kind : kind.substr(dot + 1);
}

const HostEntry* currentEntry(const HostTimeline& timeline, Foundation::Date now) {
  const HostEntry* current = timeline.entries.empty() ? nullptr : &timeline.entries.front();
  for (const auto& e : timeline.entries)
    if (e.date <= now) current = &e;
  return current;
}

}  // namespace WidgetHost
