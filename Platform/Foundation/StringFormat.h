// printf-style formatting of texts and numbers, never localised.
//
// Fixed texts carry a format specifier where a value goes ("%lld Mbps", "of %@ · %@ swap"), and
// their translations may reorder values with positional specifiers ("%2$@ von %1$@"). format()
// fills them in. Unlike the C library's printf it is type-safe: each argument carries its type,
// a specifier whose type differs from its argument writes the argument in its natural form, and a
// specifier without an argument (or one it does not understand) is kept as written, so a faulty
// translation shows a visible mistake rather than undefined behaviour. Numbers are written with
// std::to_chars: "." as the decimal separator, no grouping, rounded from the double's exact
// binary value with exact ties going to the even digit (2.5 with "%.0f" gives "2").
//
// Understood: "%%"; "%" [n "$"] [flags "-+ 0#'"] [width] ["." precision] [length] conversion,
// with length modifiers (h, hh, l, ll, q, L, z, j, t) accepted and ignored, and conversions
//   @ s       text (a number is written in its natural form)
//   d i       signed integer          u       unsigned integer (a negative value wraps, as in C)
//   x X o     hexadecimal and octal   f F e E g G   floating point, precision 6 by default
// All functions are pure and safe to call from any thread.
#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace Foundation {

class FormatArgument {
 public:
  using Value = std::variant<std::string, std::int64_t, std::uint64_t, double>;

  FormatArgument(std::string_view text) : value_(std::string(text)) {}
  FormatArgument(const std::string& text) : value_(text) {}
  FormatArgument(const char* text) : value_(std::string(text ? text : "")) {}
  template <std::signed_integral T>
  FormatArgument(T number) : value_(std::int64_t(number)) {}
  template <std::unsigned_integral T>
  requires(!std::same_as<T, bool>) FormatArgument(T number) : value_(std::uint64_t(number)) {}
  FormatArgument(bool flag) : value_(std::int64_t(flag)) {}
  FormatArgument(double number) : value_(number) {}
  FormatArgument(float number) : value_(double(number)) {}

  const Value& value() const { return value_; }

 private:
  Value value_;
};

std::string formatWithArguments(std::string_view format, std::span<const FormatArgument> arguments);

template <typename... Arguments>
std::string format(std::string_view format, const Arguments&... arguments) {
  const std::array<FormatArgument, sizeof...(Arguments)> list{FormatArgument(arguments)...};
  return formatWithArguments(format, list);
}

// `value` with exactly `decimals` digits after the point, as "%.{decimals}f" writes it; no point
// at all for 0 decimals. Negative decimals count as 0.
std::string formatFixed(double value, int decimals);

}  // namespace Foundation
