// The RFC 3339 reader on arbitrary text: never a crash; whatever parses is a date the writer can
// write, and it reads back to the same whole second.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Platform/Foundation/Date.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto date = Foundation::parseRFC3339(text);
  if (!date) return 0;
  double whole = std::floor(date->secondsSinceEpoch);
  if (!Foundation::isRFC3339Representable(*date)) std::abort();
  auto back = Foundation::parseRFC3339(Foundation::formatRFC3339(*date));
  if (!back || back->secondsSinceEpoch != whole) std::abort();
  return 0;
}
