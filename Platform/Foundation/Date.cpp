#include "Platform/Foundation/Date.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace Foundation {
namespace {

// The replaced clock, if any. A NaN means "no replacement": reads stay lock-free. A running
// replacement holds its offset from the system clock.
std::atomic<double> replacedNow{std::nan("")};
std::atomic<bool> replacedRuns{false};

double systemNow() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

constexpr long long secondsPerDay = 86400;

bool twoDigits(std::string_view s, std::size_t at, int& out) {
  if (at + 2 > s.size()) return false;
  char a = s[at], b = s[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return false;
  out = (a - '0') * 10 + (b - '0');
  return true;
}

}  // namespace

Date Clock::now() {
  double replaced = replacedNow.load(std::memory_order_acquire);
  if (std::isnan(replaced)) return {systemNow()};
  if (replacedRuns.load(std::memory_order_acquire)) return {systemNow() + replaced};
  return {replaced};
}

ScopedClock::ScopedClock(Date start, ClockPace pace)
    : current_(start.secondsSinceEpoch), pace_(pace) {
  bool runs = replacedRuns.load(std::memory_order_acquire);
  double before = replacedNow.load(std::memory_order_acquire);
  if (!std::isnan(before)) previous_ = Reading{before, runs};
  set(start);
}

ScopedClock::~ScopedClock() {
  replacedNow.store(std::nan(""), std::memory_order_release);
  replacedRuns.store(previous_ && previous_->running, std::memory_order_release);
  replacedNow.store(previous_ ? previous_->value : std::nan(""), std::memory_order_release);
}

void ScopedClock::set(Date date) {
  current_ = date.secondsSinceEpoch;
  bool runs = pace_ == ClockPace::running;
  // Cleared first so that a reader between the two stores sees the system clock, never a
  // date read as an offset.
  replacedNow.store(std::nan(""), std::memory_order_release);
  replacedRuns.store(runs, std::memory_order_release);
  replacedNow.store(runs ? current_ - systemNow() : current_, std::memory_order_release);
}

void ScopedClock::advance(TimeInterval seconds) {
  set({(pace_ == ClockPace::running ? Clock::now().secondsSinceEpoch : current_) + seconds});
}

std::string formatRFC3339(Date date) {
  using namespace std::chrono;
  double whole = std::floor(date.secondsSinceEpoch);
  if (!(whole >= earliestRFC3339Seconds)) whole = earliestRFC3339Seconds;  // also catches NaN
  if (whole >= endRFC3339Seconds) whole = endRFC3339Seconds - 1;
  auto total = static_cast<long long>(whole);
  long long days = total / secondsPerDay, rest = total % secondsPerDay;
  if (rest < 0) {
    rest += secondsPerDay;
    days -= 1;
  }
  year_month_day ymd{sys_days{std::chrono::days{days}}};
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02lld:%02lld:%02lldZ", int(ymd.year()),
                unsigned(ymd.month()), unsigned(ymd.day()), rest / 3600, rest / 60 % 60, rest % 60);
  return buffer;
}

std::optional<Date> parseRFC3339(std::string_view s) {
  using namespace std::chrono;
  // YYYY-MM-DDThh:mm:ss is 19 characters; then fraction and zone.
  if (s.size() < 20) return std::nullopt;
  int y1, y2, mo, d, h, mi, se;
  if (!twoDigits(s, 0, y1) || !twoDigits(s, 2, y2) || s[4] != '-' || !twoDigits(s, 5, mo) ||
      s[7] != '-' || !twoDigits(s, 8, d) || (s[10] != 'T' && s[10] != 't') ||
      !twoDigits(s, 11, h) || s[13] != ':' || !twoDigits(s, 14, mi) || s[16] != ':' ||
      !twoDigits(s, 17, se))
    return std::nullopt;
  year_month_day ymd{year{y1 * 100 + y2}, month{unsigned(mo)}, day{unsigned(d)}};
  if (!ymd.ok() || h > 23 || mi > 59 || se > 59) return std::nullopt;

  std::size_t at = 19;
  double fraction = 0;
  if (s[at] == '.') {
    ++at;
    std::size_t first = at;
    double scale = 0.1;
    while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
      fraction += (s[at] - '0') * scale;
      scale /= 10;
      ++at;
    }
    if (at == first) return std::nullopt;
  }
  if (at >= s.size()) return std::nullopt;
  long long offset = 0;
  if (s[at] == 'Z' || s[at] == 'z') {
    ++at;
  } else if (s[at] == '+' || s[at] == '-') {
    int oh, om;
    if (!twoDigits(s, at + 1, oh) || at + 3 >= s.size() || s[at + 3] != ':' ||
        !twoDigits(s, at + 4, om) || oh > 23 || om > 59)
      return std::nullopt;
    offset = (oh * 3600LL + om * 60LL) * (s[at] == '-' ? -1 : 1);
    at += 6;
  } else {
    return std::nullopt;
  }
  if (at != s.size()) return std::nullopt;

  long long days = sys_days{ymd}.time_since_epoch().count();
  long long seconds = days * secondsPerDay + h * 3600LL + mi * 60LL + se - offset;
  Date date{double(seconds) + fraction};
  if (!isRFC3339Representable(date)) return std::nullopt;
  return date;
}

}  // namespace Foundation
