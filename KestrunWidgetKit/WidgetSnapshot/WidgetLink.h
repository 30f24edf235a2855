// The deep links through which a tap on a widget reaches the host application.
//
// "kestrun://open/<section>" opens the application at a section; "kestrun://speedtest" asks it to run
// a speed test. A section may come from the snapshot file, so it is data: every byte outside the
// URI's unreserved characters is percent-encoded as UTF-8 (a blank is %20, "/" is %2F, "%" is %25),
// and a section that is "." or ".." has its dots encoded too, so that no normalisation can turn it
// into another place. The host application decodes the path once and gets the section back whole.
// Never fails.
#pragma once

#include <string_view>

#include "Platform/Foundation/URL.h"

namespace KestrunWidgetKit {

namespace WidgetLink {

namespace Section {
inline constexpr std::string_view home = "home";
inline constexpr std::string_view wifi = "wifi";
inline constexpr std::string_view memory = "memory";
inline constexpr std::string_view sweep = "sweep";
inline constexpr std::string_view ports = "ports";
}  // namespace Section

Foundation::URL open(std::string_view section);

// Made once, on first use.
const Foundation::URL& speedTest();

}  // namespace WidgetLink

}  // namespace KestrunWidgetKit
