// Text as the system compares it: UTF-8 strings, equal when canonically equivalent.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Foundation {

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUTF8(std::string_view text);

// Appends the code point `c` (at most U+10FFFF, no surrogate) to `out` in UTF-8.
void appendUTF8(std::string& out, char32_t c);

// The code point that starts at text[at] and its length in bytes; a length of 0 when no valid
// sequence starts there (then `value` is the byte itself).
struct DecodedCodePoint {
  char32_t value;
  std::size_t length;
};
DecodedCodePoint decodeUTF8(std::string_view text, std::size_t at);

// The characters that steer a terminal or reorder the text around them when printed: C0, DEL,
// C1 and the direction controls (U+200E, U+200F, U+202A–U+202E, U+2066–U+2069).
bool isDisplayControl(char32_t c);

// Text from a file or the environment made safe to print on a terminal: every display control as
// \u001b, every byte that is not valid UTF-8 as \xff; everything else as it stands.
std::string escapedForTerminal(std::string_view text);

// Text made safe to place inside markup (HTML, XML, Pango markup), in content or a quoted
// attribute: & < > " ' as entities, everything else as it stands.
std::string escapedForMarkup(std::string_view text);

// The longest prefix of `text` that holds at most `maxClusters` user-perceived characters
// (extended grapheme clusters) and at most `maxBytes` bytes, cut between clusters, so that a
// letter never loses its accents nor an emoji sequence its parts. A first cluster longer than
// `maxBytes` on its own is cut between code points. Reads at most about `maxBytes` bytes of
// `text`, however long it is.
std::string_view graphemePrefix(std::string_view text, std::size_t maxClusters,
                                std::size_t maxBytes);

// True when the two texts are the same sequence of characters up to canonical equivalence
// ("é" as one code point equals "e" followed by U+0301). Byte-equal texts take a fast path;
// invalid UTF-8 compares by bytes.
bool canonicallyEquivalent(std::string_view a, std::string_view b);

}  // namespace Foundation
