#include "Platform/Foundation/Text.h"

#include <simdjson.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace Foundation {

bool isValidUTF8(std::string_view text) { return simdjson::validate_utf8(text.data(), text.size()); }

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
