// The short texts the widgets make of raw measurements.
//
// Memory counts 2^30 bytes to the gigabyte, disk 10^9 (and 10^12 to the terabyte), because that
// is how the host application and the system's own storage panes present them. Numbers here are
// never localised: a widget's "6.0 GB" reads the same in every language. Only relative() reads
// the clock and the locale. Pure otherwise; safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/Foundation/Date.h"

namespace KestrunWidgetKit {

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

// How much of a string from the snapshot file a widget shows, at most. No widget shows more than
// a line of any such string, and the widest line holds well under this many characters at the
// smallest size a text shrinks to, so anything that fits is drawn as it stands; a longer string
// is cut on a character boundary and ends in "…", so no string costs more than this to lay out.
inline constexpr std::size_t shownCharacters = 400;
inline constexpr std::size_t shownBytes = 8192;  // however the characters are composed

// A string from the snapshot file as a widget shows it or joins it into a line: cut to the bound
// above, then set as a first-strong isolate (U+2068 … U+2069), so that it keeps its own direction
// inside the isolate while the line keeps the order the widget composes: a Hebrew network name
// stays at the start of "בית · 5 GHz", and an unclosed override inside a name cannot turn the
// rest of the line around.
std::string snapshotText(std::string_view untrusted);

// A symbol name from the snapshot file, cut to a length no symbol name reaches: the symbol table
// never matches a longer one, so it still draws the fallback, without carrying the whole string.
std::string snapshotSymbol(std::string_view untrusted);

// The verdict on what needs the user, as the large widget's header shows it and status bars print
// it: "All clear"; else "N urgent" and "N to check" for the counters above zero; else "N FYI".
struct VerdictPart {
  enum class Kind { clear, urgent, toCheck, fyi };
  Kind kind;
  std::string text;
};
std::vector<VerdictPart> verdict(const WidgetSnapshot& snapshot);

}  // namespace KestrunWidgetKit
