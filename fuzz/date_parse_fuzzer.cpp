// The RFC 3339 reader on arbitrary text: never a crash; whatever parses to a date the writer can
// write reads back to the same whole second.
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
  if (whole < -62167219200.0 || whole > 253402300799.0) return 0;  // offsets can step past 0000/9999
  auto back = Foundation::parseRFC3339(Foundation::formatRFC3339(*date));
  if (!back || back->secondsSinceEpoch != whole) std::abort();
  return 0;
}
