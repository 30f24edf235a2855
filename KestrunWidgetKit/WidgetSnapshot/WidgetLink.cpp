#include "KestrunWidgetKit/WidgetSnapshot/WidgetLink.h"

#include <string>

namespace KestrunWidgetKit {

namespace WidgetLink {
namespace {

constexpr std::string_view openPrefix = "kestrun://open/";

Foundation::URL parseKnownGood(const std::string& text) {
  // Every input reaching here is a constant prefix followed by unreserved characters and %XX
  // escapes, which always parses.
  if (auto url = Foundation::URL::parse(text)) return *url;
  return *Foundation::URL::parse(openPrefix);
}

}  // namespace

Foundation::URL open(std::string_view section) {
  std::string text(openPrefix);
  if (section == "." || section == "..") {
    for (std::size_t i = 0; i < section.size(); ++i) text += "%2E";
  } else {
    text += Foundation::URL::percentEncode(section);
  }
  return parseKnownGood(text);
}

const Foundation::URL& speedTest() {
  static const Foundation::URL url = parseKnownGood("kestrun://speedtest");
  return url;
}

}  // namespace WidgetLink

}  // namespace KestrunWidgetKit
