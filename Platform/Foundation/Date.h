// Points in time and the one clock of the process.
//
// A Date is a double count of seconds since 1970-01-01T00:00:00Z; differences between dates are
// double seconds. Dates compare by their second counts. Every reading of "now" in the system goes
// through Clock::now(), which tests and the command line's --now replace for a scope with
// ScopedClock. Clock::now() is safe to call from any thread; installing a ScopedClock is meant
// for one thread at a time (a test, a command), while other threads may read it.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace Foundation {

using TimeInterval = double;

struct Date {
  double secondsSinceEpoch = 0;

  Date addingTimeInterval(TimeInterval seconds) const { return {secondsSinceEpoch + seconds}; }
  TimeInterval timeIntervalSince(Date other) const {
    return secondsSinceEpoch - other.secondsSinceEpoch;
  }

  friend bool operator==(const Date&, const Date&) = default;
  friend auto operator<=>(const Date&, const Date&) = default;
};

inline Date operator+(Date d, TimeInterval s) { return d.addingTimeInterval(s); }
inline Date operator-(Date d, TimeInterval s) { return d.addingTimeInterval(-s); }

namespace Clock {
// The current time: the system's real-time clock, unless a ScopedClock replaces it.
Date now();
}  // namespace Clock

// Whether a replaced clock stands still at its date or runs on from it at the system clock's pace
// (a live display started "as if" at another time still has to see time pass).
enum class ClockPace { stopped, running };

// Replaces the clock until destroyed; nests, restoring the clock it replaced.
class ScopedClock {
 public:
  explicit ScopedClock(Date start, ClockPace pace = ClockPace::stopped);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

  // Moves the replaced clock to another time (for tests that let time pass).
  void set(Date date);
  void advance(TimeInterval seconds);

 private:
  struct Reading {
    double value;  // the date when stopped, the offset from the system clock when running
    bool running;
  };
  std::optional<Reading> previous_;
  double current_;
  ClockPace pace_;
};

// The instants four-digit years can hold: 0000-01-01T00:00:00Z up to, not including,
// 10000-01-01T00:00:00Z.
inline constexpr double earliestRFC3339Seconds = -62167219200.0;
inline constexpr double endRFC3339Seconds = 253402300800.0;
inline bool isRFC3339Representable(Date date) {
  return date.secondsSinceEpoch >= earliestRFC3339Seconds &&  // false for NaN too
         date.secondsSinceEpoch < endRFC3339Seconds;
}

// RFC 3339 internet date-time, always UTC with "Z", to whole seconds: YYYY-MM-DDThh:mm:ssZ.
// A fraction of a second is dropped toward the past (…:05.9 is written …:05). Dates that are not
// representable cannot be written in this form and are clamped to its range.
std::string formatRFC3339(Date date);

// Parses RFC 3339 internet date-times: YYYY-MM-DDThh:mm:ss, an optional fraction of a second
// (any number of digits after "."), then "Z" or a numeric offset "+hh:mm" / "-hh:mm". The "T"
// and "Z" may be lower case (RFC 3339 section 5.6). Impossible calendar dates and times
// (month 13, 30 February, hour 24, minute 60) fail; a leap second (ss = 60) is not accepted. So
// does a date whose offset moves its instant outside what formatRFC3339 can write
// (0000-01-01T00:00:00+00:01 is in the year -1), so that every parsed date can be written back.
// Anything else, leading or trailing blanks included, fails.
std::optional<Date> parseRFC3339(std::string_view text);

}  // namespace Foundation
