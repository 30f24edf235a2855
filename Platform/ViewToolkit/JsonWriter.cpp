#include "Platform/ViewToolkit/JsonWriter.h"

#include <charconv>
#include <cmath>

#include "Platform/Foundation/JSON.h"

namespace ViewToolkit::Json {

void appendString(std::string& out, std::string_view text) {
  Foundation::JSON::appendString(out, text);
}

void appendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  if (value == 0) value = 0;  // no "-0"
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

}  // namespace ViewToolkit::Json
