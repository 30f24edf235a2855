// Minimal JSON text output for the tree dump: strings escaped for any input as Foundation's JSON
// writer escapes them, numbers in their shortest
// round-trip form, non-finite numbers as null.
#pragma once

#include <string>
#include <string_view>

namespace ViewToolkit::Json {

void appendString(std::string& out, std::string_view text);
void appendNumber(std::string& out, double value);

}  // namespace ViewToolkit::Json
