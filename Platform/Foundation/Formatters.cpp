#include "Platform/Foundation/Formatters.h"

#include <unicode/calendar.h>
#include <unicode/measunit.h>
#include <unicode/numberformatter.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace Foundation {
namespace {

namespace number = icu::number;

icu::Locale icuLocale(const Locale& locale) {
  return icu::Locale(locale.language.c_str(), locale.region.c_str());
}

std::string utf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

// One formatter per key for the life of the process. Building an ICU formatter loads locale data
// and costs far more than formatting with it; the few locales a process meets stay cached.
template <typename T, typename Make>
std::shared_ptr<const T> cached(const std::string& key, Make make) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const T>> cache;
  std::lock_guard lock(mutex);
  auto& slot = cache[key];
  if (!slot) slot = make();
  return slot;
}

std::shared_ptr<const number::LocalizedNumberFormatter> numberFormatter(const Locale& locale,
                                                                        int maximumFraction) {
  return cached<number::LocalizedNumberFormatter>(
      locale.identifier() + "/" + std::to_string(maximumFraction), [&] {
        return std::make_shared<const number::LocalizedNumberFormatter>(
            number::NumberFormatter::withLocale(icuLocale(locale))
                .precision(number::Precision::maxFraction(maximumFraction)));
      });
}

std::shared_ptr<const number::LocalizedNumberFormatter> byteWordFormatter(const Locale& locale) {
  return cached<number::LocalizedNumberFormatter>(locale.identifier(), [&] {
    return std::make_shared<const number::LocalizedNumberFormatter>(
        number::NumberFormatter::withLocale(icuLocale(locale))
            .unit(icu::MeasureUnit::getByte())
            .unitWidth(UNUM_UNIT_WIDTH_FULL_NAME));
  });
}

// Formats a decimal number given as text ("-8.40"); nullopt if ICU refuses.
std::optional<std::string> formatDecimalText(const number::LocalizedNumberFormatter& formatter,
                                             const std::string& decimal) {
  UErrorCode status = U_ZERO_ERROR;
  auto formatted = formatter.formatDecimal(decimal.c_str(), status);
  icu::UnicodeString text = formatted.toString(status);
  if (U_FAILURE(status)) return std::nullopt;
  return utf8(text);
}

constexpr std::uint64_t powerOfTen(int exponent) {
  std::uint64_t result = 1;
  while (exponent-- > 0) result *= 10;
  return result;
}

// Divides by 10^exponent, rounding the exact quotient half to even.
std::uint64_t dividedRoundingHalfEven(std::uint64_t value, int exponent) {
  std::uint64_t divisor = powerOfTen(exponent);
  std::uint64_t quotient = value / divisor, remainder = value % divisor, half = divisor / 2;
  if (remainder > half || (remainder == half && quotient % 2 == 1)) ++quotient;
  return quotient;
}

std::string decimalText(bool negative, std::uint64_t scaled, int fractionDigits) {
  std::string digits = std::to_string(scaled);
  if (fractionDigits > 0) {
    if (digits.size() <= std::size_t(fractionDigits))
      digits.insert(0, std::size_t(fractionDigits) - digits.size() + 1, '0');
    digits.insert(digits.size() - std::size_t(fractionDigits), ".");
  }
  return negative ? "-" + digits : digits;
}

struct RelativeField {
  UCalendarDateFields field;
  URelativeDateTimeUnit unit;
};

constexpr std::array<RelativeField, 7> relativeFields{{
    {UCAL_YEAR, UDAT_REL_UNIT_YEAR},
    {UCAL_MONTH, UDAT_REL_UNIT_MONTH},
    {UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK},
    {UCAL_DATE, UDAT_REL_UNIT_DAY},
    {UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR},
    {UCAL_MINUTE, UDAT_REL_UNIT_MINUTE},
    {UCAL_SECOND, UDAT_REL_UNIT_SECOND},
}};

// ICU calendars cover about ±5.8 million years; beyond that field differences are meaningless.
double calendarMilliseconds(Date date) {
  constexpr double limit = 1.8e17;
  return std::clamp(date.secondsSinceEpoch * 1000.0, -limit, limit);
}

// The count and unit of the phrase: whole units from the earlier date to the later one.
std::pair<int, URelativeDateTimeUnit> largestWholeUnit(double from, double to,
                                                       const icu::Locale& locale) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(locale, status));
  if (U_SUCCESS(status)) {
    calendar->setTime(from, status);
    for (const auto& [field, unit] : relativeFields) {
      // fieldDifference moves the calendar on by the whole units it counts, so the next field
      // counts what is left.
      int32_t count = calendar->fieldDifference(to, field, status);
      if (U_FAILURE(status)) break;
      if (count != 0) return {count, unit};
    }
  }
  // Without a calendar, or when nothing whole lies between the dates, count seconds.
  double seconds = std::trunc((to - from) / 1000.0);
  return {int(std::min(seconds, 2147483647.0)), UDAT_REL_UNIT_SECOND};
}

}  // namespace

std::string formatInteger(std::int64_t value, const Locale& locale) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString text = numberFormatter(locale, 0)->formatInt(value, status).toString(status);
  if (U_FAILURE(status)) return std::to_string(value);
  return utf8(text);
}

std::string formatByteCount(std::int64_t bytes, const Locale& locale) {
  bool negative = bytes < 0;
  std::uint64_t magnitude = negative ? 0 - std::uint64_t(bytes) : std::uint64_t(bytes);
  if (magnitude == 0) return locale.language == "en" ? "Zero KB" : "0 KB";

  static constexpr std::array<const char*, 7> units{"", "KB", "MB", "GB", "TB", "PB", "EB"};
  int unit = 0;
  while (unit + 1 < int(units.size()) && magnitude >= powerOfTen(3 * (unit + 1))) ++unit;

  if (unit == 0) {
    std::string decimal = decimalText(negative, magnitude, 0);
    return formatDecimalText(*byteWordFormatter(locale), decimal).value_or(decimal + " bytes");
  }
  for (;;) {
    int fractionDigits = unit == 1 ? 0 : unit == 2 ? 1 : 2;
    std::uint64_t scaled = dividedRoundingHalfEven(magnitude, 3 * unit - fractionDigits);
    if (scaled >= 1000 * powerOfTen(fractionDigits) && unit + 1 < int(units.size())) {
      ++unit;
      continue;
    }
    std::string decimal = decimalText(negative, scaled, fractionDigits);
    std::string number =
        formatDecimalText(*numberFormatter(locale, fractionDigits), decimal).value_or(decimal);
    return number + " " + units[std::size_t(unit)];
  }
}

std::string uppercased(std::string_view text) {
  icu::UnicodeString s = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), int32_t(std::min<std::size_t>(text.size(), INT32_MAX))));
  return utf8(s.toUpper(icu::Locale::getRoot()));
}

std::string RelativeDateTimeFormatter::localizedString(Date date, Date relativeTo,
                                                       const Locale& locale) const {
  icu::Locale where = icuLocale(locale);
  UDateRelativeDateTimeFormatterStyle style =
      unitsStyle_ == UnitsStyle::wide ? UDAT_STYLE_LONG : UDAT_STYLE_SHORT;
  auto formatter = cached<icu::RelativeDateTimeFormatter>(
      locale.identifier() + "/" + std::to_string(int(style)), [&] {
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_shared<const icu::RelativeDateTimeFormatter>(
            where, nullptr, style, UDISPCTX_CAPITALIZATION_NONE, status);
        return U_SUCCESS(status) ? made : nullptr;
      });

  double target = calendarMilliseconds(date), reference = calendarMilliseconds(relativeTo);
  if (!std::isfinite(date.secondsSinceEpoch) || !std::isfinite(relativeTo.secondsSinceEpoch))
    target = reference = 0;
  bool past = target < reference;
  auto [count, unit] = past ? largestWholeUnit(target, reference, where)
                            : largestWholeUnit(reference, target, where);
  double offset = past ? -double(count) : double(count);

  if (!formatter) return std::to_string(int64_t(offset));
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString text;
  if (presentation_ == Presentation::named)
    formatter->format(offset, unit, text, status);
  else
    formatter->formatNumeric(offset, unit, text, status);
  if (U_FAILURE(status)) return std::to_string(int64_t(offset));
  return utf8(text);
}

}  // namespace Foundation
