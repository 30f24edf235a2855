// The locale the program speaks: which catalogue translates its texts and how numbers and dates
// are written.
//
// Linux programs take their locale from the environment, and so does this one: LC_ALL, then
// LC_MESSAGES, then LANG, the first that is set and not empty. The C library's own locale state
// (setlocale) is deliberately not consulted, so that a machine without generated locales still
// shows German to a user whose LANG says German. Locale::current() reads the environment on every
// call (it costs three getenv calls and a short parse), so a changed environment takes effect at
// once. Safe to call from any thread, as long as nobody changes the environment concurrently.
#pragma once

#include <string>
#include <string_view>

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

  // The locale of the environment variables, as described above.
  static Locale current();

  // Reads one POSIX locale name: "de_DE.UTF-8", "de_DE@euro", "pt-BR", "de". The codeset and
  // modifier are dropped. "C", "POSIX", "C.UTF-8" and the empty string give defaultLocale(), and
  // so does anything that is not a well-formed language and optional region: the result names
  // catalogue folders, so it never carries a path separator or a dot.
  static Locale fromPOSIXName(std::string_view name);

  friend bool operator==(const Locale&, const Locale&) = default;
};

}  // namespace Foundation
