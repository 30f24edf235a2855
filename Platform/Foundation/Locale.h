// The locale the program speaks: which catalogue translates its texts and how numbers and dates
// are written.
//
// Linux programs take their locale from the environment, and so does this one: LC_ALL, then
// LC_MESSAGES, then LANG, the first that is set and not empty; then, as GNU gettext does, the
// colon-separated list of LANGUAGE ("de:en") takes precedence over that locale's language,
// except when the locale is C or POSIX (unset, or a name that is not a locale, counts as C).
// C.UTF-8 does honour LANGUAGE.
//
// The C library's own locale state (setlocale) is deliberately not consulted, so that a machine
// without generated locales still shows German to a user whose LANG says German.
//
// One resolution serves both the message catalogue and the formatters of numbers and dates, so
// that a text and the date inside it are always in the same language: the first language asked
// for that has a catalogue, or that is English (the language the texts are written in), wins;
// when none does the program speaks English. Locale::current() reads the environment on every
// call, so a changed environment takes effect at once. Safe to call from any thread, as long as
// nobody changes the environment concurrently.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Foundation {

struct Locale {
  // ISO 639 language code in lower case ("de") and ISO 3166 region in upper case ("DE") or a
  // UN M.49 area of three digits ("419"); the region may be empty.
  std::string language;
  std::string region;

  // "de_DE", or "de" without a region.
  std::string identifier() const;

  // The English of a program that was given no locale: "C", "POSIX", unset or unreadable values.
  // It is en_US rather than ICU's en_US_POSIX, whose number patterns drop the thousands
  // separators that the widgets show.
  static Locale defaultLocale();

  // The locale the program speaks, resolved from the environment as described above against
  // the catalogues installed.
  static Locale current();

  // The resolution itself. `localeName` is the value of the first of LC_ALL, LC_MESSAGES and
  // LANG that is set (empty when none is), `languages` the value of LANGUAGE; `translated` says
  // whether a catalogue translates for a locale. A language named without a region takes the
  // locale's region when the locale speaks that language ("de" with LANG=de_CH gives de_CH).
  template <typename Translated>
  static Locale resolve(std::string_view localeName, std::string_view languages,
                        const Translated& translated);

  // Reads one POSIX locale name: "de_DE.UTF-8", "de_DE@euro", "pt-BR", "de". The codeset and
  // modifier are dropped. "C", "POSIX", "C.UTF-8" and the empty string give defaultLocale(), and
  // so does anything that is not a well-formed language and optional region: the result names
  // catalogue folders, so it never carries a path separator or a dot.
  static Locale fromPOSIXName(std::string_view name);

  friend bool operator==(const Locale&, const Locale&) = default;

 private:
  // The languages asked for, most wanted first; empty when the locale is C.
  static std::vector<Locale> requested(std::string_view localeName, std::string_view languages);
  // English in the locale's region when the locale is English, else defaultLocale().
  static Locale english(std::string_view localeName);
};

template <typename Translated>
Locale Locale::resolve(std::string_view localeName, std::string_view languages,
                       const Translated& translated) {
  const std::vector<Locale> candidates = requested(localeName, languages);
  for (const Locale& candidate : candidates)
    if (candidate.language == "en" || translated(candidate)) return candidate;
  return english(localeName);
}

}  // namespace Foundation
