#include "Platform/Foundation/Locale.h"

#include "Platform/Foundation/Localization.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

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

// "de_DE" of "de_DE.UTF-8@euro".
std::string_view withoutCodeset(std::string_view name) {
  return name.substr(0, name.find_first_of(".@"));
}

// A language and optional region; none for anything else (C and POSIX included).
std::optional<Locale> parsed(std::string_view name) {
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
  if (!languageOK || !regionOK) return std::nullopt;
  return Locale{transformed(language, lower), transformed(region, upper)};
}

}  // namespace

std::string Locale::identifier() const {
  return region.empty() ? language : language + "_" + region;
}

Locale Locale::defaultLocale() {
  return {"en", "US"};
}

Locale Locale::fromPOSIXName(std::string_view name) {
  return parsed(withoutCodeset(name)).value_or(defaultLocale());
}

std::vector<Locale> Locale::requested(std::string_view localeName, std::string_view languages) {
  const std::string_view bare = withoutCodeset(localeName);
  std::optional<Locale> locale;
  if (bare.empty() || bare == "C" || bare == "POSIX") {
    // Plain C means "untranslated", as the C library has it; C.UTF-8 only means "no locale
    // data", and the C library honours LANGUAGE there.
    if (bare != "C" || localeName.size() == bare.size() || localeName[bare.size()] != '.')
      return {};
  } else {
    locale = parsed(bare);
    // The C library falls back to C for a name it cannot load, and so do we for one we cannot
    // read.
    if (!locale) return {};
  }

  std::vector<Locale> out;
  while (!languages.empty()) {
    const std::size_t colon = languages.find(':');
    const std::string_view entry = languages.substr(0, colon);
    languages = colon == std::string_view::npos ? std::string_view() : languages.substr(colon + 1);
    const std::string_view entryBare = withoutCodeset(entry);
    if (entryBare == "C" || entryBare == "POSIX") {
      out.push_back(english(localeName));  // untranslated from here on
      continue;
    }
    std::optional<Locale> language = parsed(entryBare);
    if (!language) continue;
    if (language->region.empty() && locale && locale->language == language->language)
      language->region = locale->region;
    out.push_back(std::move(*language));
  }
  if (out.empty() && locale) out.push_back(*locale);
  return out;
}

Locale Locale::english(std::string_view localeName) {
  const Locale locale = fromPOSIXName(localeName);
  return locale.language == "en" ? locale : defaultLocale();
}

Locale Locale::current() {
  std::string_view localeName;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      localeName = value;
      break;
    }
  }
  const char* languages = std::getenv("LANGUAGE");
  return resolve(localeName, languages ? languages : "", hasTranslations);
}

}  // namespace Foundation
