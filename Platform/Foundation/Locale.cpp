#include "Platform/Foundation/Locale.h"

#include <algorithm>
#include <cstdlib>

namespace Foundation {
namespace {

// Locale names are ASCII; <cctype> would answer by the C library's locale, which we avoid.
bool isASCIIAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isASCIIDigit(char c) {
  return c >= '0' && c <= '9';
}

bool allOf(std::string_view s, bool (*predicate)(char)) {
  return std::all_of(s.begin(), s.end(), predicate);
}

std::string transformed(std::string_view s, char (*f)(char)) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), f);
  return out;
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
char upper(char c) {
  return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

}  // namespace

std::string Locale::identifier() const {
  return region.empty() ? language : language + "_" + region;
}

Locale Locale::defaultLocale() {
  return {"en", "US"};
}

Locale Locale::fromPOSIXName(std::string_view name) {
  name = name.substr(0, name.find('@'));
  name = name.substr(0, name.find('.'));
  if (name.empty() || name == "C" || name == "POSIX") return defaultLocale();

  std::string_view language = name, region;
  if (auto separator = name.find_first_of("_-"); separator != std::string_view::npos) {
    language = name.substr(0, separator);
    region = name.substr(separator + 1);
  }
  bool languageOK = (language.size() == 2 || language.size() == 3) && allOf(language, isASCIIAlpha);
  bool separated = language.size() != name.size();
  bool regionOK = (!separated && region.empty()) ||
                  (region.size() == 2 && allOf(region, isASCIIAlpha)) ||
                  (region.size() == 3 && allOf(region, isASCIIDigit));
  if (!languageOK || !regionOK) return defaultLocale();
  return {transformed(language, lower), transformed(region, upper)};
}

Locale Locale::current() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return fromPOSIXName(value);
  }
  return defaultLocale();
}

}  // namespace Foundation
