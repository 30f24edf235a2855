// The JSON form of WidgetSnapshot: the one strict decoder and the one compact encoder of the kit.
//
// Decoding takes exactly the document the host application writes: member names exact, members in
// any order, unknown members skipped at every level whatever valid JSON they hold, null and absent
// alike for optional members, integers integral (4 and 4.0 alike, 4.5 not; judged exactly from the
// text) and within the field's type, severities 0 to 2, the 13 tint names, dates in RFC 3339 within
// the years 0000 to 9999. Beyond that it refuses what no writer produces and what would be unsafe
// to carry on: text that is not JSON, invalid UTF-8, a byte order mark, U+0000 in any string, a
// member name repeated within one object, anything after the document, and nesting deeper than 512
// levels. One bad value
// anywhere fails the whole document; the diagnosis names its JSON path and the reason.
//
// Encoding writes every field in field order, leaves absent optionals out (never null) and writes
// dates to whole seconds, dropping a fraction toward the past.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

namespace KestrunWidgetKit {

// The snapshot that `json` holds, or none; when `diagnosis` is given, a failure stores one line there
// such as `attention[0].tint: "Blue" is not a tint`.
std::optional<WidgetSnapshot> decodeSnapshot(std::string_view json, std::string* diagnosis = nullptr);

// The compact document of `snapshot`. Throws std::system_error when a value cannot be written in a
// form that decodes back: text that is not valid UTF-8 or holds U+0000 (EILSEQ), a date that is not
// finite or lies outside the years 0000 to 9999 (EDOM).
std::string encodeSnapshot(const WidgetSnapshot& snapshot);

}  // namespace KestrunWidgetKit
