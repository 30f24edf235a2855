// Locale-aware formatting of integers, byte counts and relative dates, and locale-independent
// upper-casing: the formatters that the widget views take from the platform.
//
// Every function takes the locale to write for and defaults to Locale::current(). ICU does the
// work; its formatters are built once per locale and kept for the life of the process, behind a
// lock, and are then used from any thread (ICU's number and relative-date formatters are immutable
// once built). All functions are safe to call from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Locale.h"

namespace Foundation {

// An integer as the locale writes it, with its grouping: 1234 gives "1,234" in en_US and "1.234"
// in de_DE.
std::string formatInteger(std::int64_t value, const Locale& locale = Locale::current());

// A byte count in the file style of the platform's byte-count formatter: decimal units (1 KB =
// 1000 bytes); the unit is the largest in which the count is at least 1, moving up when rounding
// reaches 1000 of it (999,999 bytes give "1 MB", not "1,000 KB"); no fraction digits for bytes
// and KB, one for MB, two for GB and above, rounded half to even on the exact count, trailing
// zeros dropped; the locale's decimal separator and grouping. Below 1000 the unit is the locale's
// word for bytes ("1 byte", "999 bytes"; "999 Byte" in German). Zero is "Zero KB" in English and
// "0 KB" elsewhere. Negative counts carry a minus sign and take the unit of their magnitude.
// So 8,400,000,000 gives "8.4 GB" in en_US and "8,4 GB" in de_DE.
std::string formatByteCount(std::int64_t bytes, const Locale& locale = Locale::current());

// Full Unicode upper-casing by the root locale, the same in every locale: "straße" gives
// "STRASSE" and "istanbul" gives "ISTANBUL" also for a Turkish user. Invalid UTF-8 sequences
// become U+FFFD.
std::string uppercased(std::string_view utf8);

// The age of a date as a short phrase, relative to a reference date: "2 hr. ago", "yesterday",
// "3 days ago", "in 5 min." in English; "vor 2 Std.", "gestern" in German.
//
// The unit is the largest calendar unit (year, month, week, day, hour, minute, second) of which a
// whole one lies between the two dates, in the current time zone; the count is truncated, so
// 90 minutes are "1 hr. ago". The named presentation uses the locale's words where it has them
// ("yesterday", "last wk.", "now" for less than a second) and numbers otherwise; the numeric
// presentation always uses numbers ("1 day ago", "in 0 sec."). Non-finite dates count as equal
// to the reference date.
class RelativeDateTimeFormatter {
 public:
  enum class Presentation { named, numeric };
  enum class UnitsStyle { abbreviated, wide };

  explicit RelativeDateTimeFormatter(Presentation presentation = Presentation::named,
                                     UnitsStyle unitsStyle = UnitsStyle::abbreviated)
      : presentation_(presentation), unitsStyle_(unitsStyle) {}

  std::string localizedString(Date date, Date relativeTo) const {
    return localizedString(date, relativeTo, Locale::current());
  }
  std::string localizedString(Date date, Date relativeTo, const Locale& locale) const;

 private:
  Presentation presentation_;
  UnitsStyle unitsStyle_;
};

}  // namespace Foundation
