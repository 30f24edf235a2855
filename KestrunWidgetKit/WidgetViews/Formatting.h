// The short texts the widgets make of raw measurements.
//
// Memory counts 2^30 bytes to the gigabyte, disk 10^9 (and 10^12 to the terabyte), because that
// is how the host application and the system's own storage panes present them. Numbers here are
// never localised: a widget's "6.0 GB" reads the same in every language. Only relative() reads
// the clock and the locale. Pure otherwise; safe on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/Foundation/Date.h"

// What a widget shows in place of a value that was not measured.
inline constexpr const char* emDash = "\u2014";

// bytes / 2^30 with `decimals` digits after the point, ties to even ("%.{decimals}f"), then " GB"
// when `unit` is set: gigabytes(6442450944, 1, true) is "6.0 GB".
std::string gigabytes(std::uint64_t bytes, int decimals, bool unit);

// Below 999.5 GB a whole number of gigabytes rounded half away from zero ("245 GB"); from there
// to just under 10^12 bytes "1000 GB"; from 10^12 bytes on terabytes with one decimal ("2.5 TB").
std::string diskSize(std::int64_t bytes);

// "just now" for a date less than 90 seconds ago or in the future; otherwise the locale's short
// relative phrase ("2 hr. ago", "yesterday").
std::string relative(Foundation::Date date);

// A string from the snapshot file, made safe to join with other text in one line. One that holds
// explicit direction controls (embeddings, overrides, isolates, marks) is wrapped in a first-strong
// isolate, so that an unclosed override cannot turn the rest of the line around ("Home · 5 GHz"
// drawn as "zHG 5 · emoH"), behind a left-to-right mark, because the text engine takes the line's
// direction from the first strong character even inside an isolate. Any other string is returned
// as it is.
std::string isolatedDirection(std::string_view untrusted);

// The verdict on what needs the user, as the large widget's header shows it and status bars print
// it: "All clear"; else "N urgent" and "N to check" for the counters above zero; else "N FYI".
struct VerdictPart {
  enum class Kind { clear, urgent, toCheck, fyi };
  Kind kind;
  std::string text;
};
std::vector<VerdictPart> verdict(const WidgetSnapshot& snapshot);
