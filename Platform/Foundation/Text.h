// Text as the system compares it: UTF-8 strings, equal when canonically equivalent.
#pragma once

#include <string_view>

namespace Foundation {

bool isValidUTF8(std::string_view text);

// True when the two texts are the same sequence of characters up to canonical equivalence
// ("é" as one code point equals "e" followed by U+0301). Byte-equal texts take a fast path;
// invalid UTF-8 compares by bytes.
bool canonicallyEquivalent(std::string_view a, std::string_view b);

}  // namespace Foundation
