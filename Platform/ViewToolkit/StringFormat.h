// printf-style substitution of interpolated values into a localised format string.
//
// Formats come from translations, so they are untrusted in shape: a specifier without a value,
// a positional index out of range, an unknown conversion or a huge width is written out as it
// stands (or clamped) rather than read past the values. A value of a different type than its
// specifier asks for is converted (an integer for "%f", a number for "%@"), never
// reinterpreted. Number conversions use std::to_chars: locale-independent, exact ties to even.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace ViewToolkit {

// A value interpolated into a localizable key, with the specifier that stands for it there.
class FormatArgument {
 public:
  using Value = std::variant<std::string, long long, double>;

  FormatArgument(std::string value) : value_(std::move(value)), specifier_("%@") {}
  FormatArgument(std::string_view value) : FormatArgument(std::string(value)) {}
  template <std::integral I>
  requires(!std::same_as<I, bool> && !std::same_as<I, char>) FormatArgument(I value)
      : value_(static_cast<long long>(value)), specifier_("%lld") {}
  template <std::floating_point F>
  FormatArgument(F value) : value_(static_cast<double>(value)), specifier_("%lf") {}
  // A value with an explicit specifier, such as "%.1f".
  FormatArgument(Value value, std::string specifier)
      : value_(std::move(value)), specifier_(std::move(specifier)) {}

  const Value& value() const { return value_; }
  const std::string& specifier() const { return specifier_; }
  friend bool operator==(const FormatArgument&, const FormatArgument&) = default;

 private:
  Value value_;
  std::string specifier_;
};

// `specified(3.14159, "%.1f")`: a value interpolated with an explicit specifier.
template <class T>
FormatArgument specified(T value, std::string specifier) {
  if constexpr (std::is_floating_point_v<T>) {
    return {FormatArgument::Value(static_cast<double>(value)), std::move(specifier)};
  } else if constexpr (std::is_integral_v<T>) {
    return {FormatArgument::Value(static_cast<long long>(value)), std::move(specifier)};
  } else {
    return {FormatArgument::Value(std::string(value)), std::move(specifier)};
  }
}

// Substitutes `arguments` into `format`: sequential (%@, %lld, %.1f) and positional (%2$@)
// specifiers, %% for a percent sign.
std::string formatString(std::string_view format, const std::vector<FormatArgument>& arguments);

}  // namespace ViewToolkit
