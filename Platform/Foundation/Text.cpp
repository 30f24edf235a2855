#include "Platform/Foundation/Text.h"

#include <simdjson.h>
#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <memory>

namespace Foundation {

bool isValidUTF8(std::string_view text) { return simdjson::validate_utf8(text.data(), text.size()); }

void appendUTF8(std::string& out, char32_t c) {
  // Encoded first and appended at once: a JSON text of nothing but escapes makes a call per
  // code point.
  char bytes[4];
  std::size_t n;
  if (c < 0x80) {
    bytes[0] = static_cast<char>(c), n = 1;
  } else if (c < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | c >> 6), n = 2;
  } else if (c < 0x10000) {
    bytes[0] = static_cast<char>(0xE0 | c >> 12), n = 3;
  } else {
    bytes[0] = static_cast<char>(0xF0 | c >> 18), n = 4;
  }
  for (std::size_t k = 1; k < n; ++k)
    bytes[k] = static_cast<char>(0x80 | ((c >> (6 * (n - 1 - k))) & 0x3F));
  out.append(bytes, n);
}

DecodedCodePoint decodeUTF8(std::string_view text, std::size_t at) {
  auto byte = static_cast<unsigned char>(text[at]);
  if (byte < 0x80) return {byte, 1};
  std::size_t length;
  char32_t codePoint, minimum;
  if ((byte & 0xE0) == 0xC0) {
    length = 2, codePoint = byte & 0x1F, minimum = 0x80;
  } else if ((byte & 0xF0) == 0xE0) {
    length = 3, codePoint = byte & 0x0F, minimum = 0x800;
  } else if ((byte & 0xF8) == 0xF0) {
    length = 4, codePoint = byte & 0x07, minimum = 0x10000;
  } else {
    return {byte, 0};
  }
  if (at + length > text.size()) return {byte, 0};
  for (std::size_t k = 1; k < length; ++k) {
    auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return {byte, 0};
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
    return {byte, 0};
  return {codePoint, length};
}

bool isDisplayControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string escapedForMarkup(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string escapedForTerminal(std::string_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    DecodedCodePoint c = decodeUTF8(text, i);
    if (c.length == 0) {
      out += "\\x";
      out += hex[c.value >> 4];
      out += hex[c.value & 15];
      ++i;
      continue;
    }
    if (isDisplayControl(c.value)) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c.value >> shift) & 15];
    } else {
      out.append(text.substr(i, c.length));
    }
    i += c.length;
  }
  return out;
}

namespace {

// Where a code point starts at or before `at` (continuation bytes are 10xxxxxx).
std::size_t codePointStartAtOrBefore(std::string_view text, std::size_t at) {
  while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
  return at;
}

}  // namespace

std::string_view graphemePrefix(std::string_view text, std::size_t maxClusters,
                                std::size_t maxBytes) {
  // A cluster is at least one byte: a text no longer than the bound in clusters fits as it is.
  if (text.size() <= maxBytes && text.size() <= maxClusters) return text;
  if (maxClusters == 0 || maxBytes == 0) return text.substr(0, 0);
  // The breaks are found in a window a little longer than the byte bound: breaks inside it are
  // the text's own, except perhaps at the window's end, which is one only if the text ends there.
  const std::size_t window =
      text.size() <= maxBytes ? text.size() : codePointStartAtOrBefore(text, maxBytes + 1);
  const bool whole = window == text.size();
  UErrorCode status = U_ZERO_ERROR;
  thread_local std::unique_ptr<icu::BreakIterator> characters(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  UText* ut = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(window), &status);
  std::size_t cut = 0;
  if (characters && U_SUCCESS(status)) {
    characters->setText(ut, status);
    std::size_t clusters = 0;
    for (int32_t b = characters->next(); b != icu::BreakIterator::DONE && U_SUCCESS(status);
         b = characters->next()) {
      const auto at = static_cast<std::size_t>(b);
      if (at > maxBytes || (at == window && !whole)) break;
      cut = at;
      if (++clusters == maxClusters) break;
    }
  }
  utext_close(ut);
  if (cut == 0) cut = codePointStartAtOrBefore(text, std::min(maxBytes, window));
  return text.substr(0, cut);
}

bool canonicallyEquivalent(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (!isValidUTF8(a) || !isValidUTF8(b)) return false;
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status)) return false;
  icu::UnicodeString ua = icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), int32_t(a.size())));
  icu::UnicodeString ub = icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), int32_t(b.size())));
  icu::UnicodeString na = nfd->normalize(ua, status);
  icu::UnicodeString nb = nfd->normalize(ub, status);
  return U_SUCCESS(status) && na == nb;
}

}  // namespace Foundation
