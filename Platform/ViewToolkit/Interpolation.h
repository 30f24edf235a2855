// Values interpolated into localizable keys. Each value knows the specifier that stands for it
// in the key (`%@` for a string, `%lld` for an integer, `%lf` for a double, or an explicit one
// such as "%.1f"); the substitution itself is Foundation's printf-style formatter.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "Platform/Foundation/StringFormat.h"

namespace ViewToolkit {

class InterpolatedValue {
 public:
  using Value = std::variant<std::string, long long, double>;

  InterpolatedValue(std::string value) : value_(std::move(value)), specifier_("%@") {}
  InterpolatedValue(std::string_view value) : InterpolatedValue(std::string(value)) {}
  template <std::integral I>
  requires(!std::same_as<I, bool> && !std::same_as<I, char>) InterpolatedValue(I value)
      : value_(static_cast<long long>(value)), specifier_("%lld") {}
  template <std::floating_point F>
  InterpolatedValue(F value) : value_(static_cast<double>(value)), specifier_("%lf") {}
  InterpolatedValue(Value value, std::string specifier)
      : value_(std::move(value)), specifier_(std::move(specifier)) {}

  const Value& value() const { return value_; }
  const std::string& specifier() const { return specifier_; }
  Foundation::FormatArgument argument() const {
    return std::visit([](const auto& v) { return Foundation::FormatArgument(v); }, value_);
  }
  friend bool operator==(const InterpolatedValue&, const InterpolatedValue&) = default;

 private:
  Value value_;
  std::string specifier_;
};

// `specified(3.14159, "%.1f")`: a value interpolated with an explicit specifier.
template <class T>
InterpolatedValue specified(T value, std::string specifier) {
  if constexpr (std::is_floating_point_v<T>) {
    return {InterpolatedValue::Value(static_cast<double>(value)), std::move(specifier)};
  } else if constexpr (std::is_integral_v<T>) {
    return {InterpolatedValue::Value(static_cast<long long>(value)), std::move(specifier)};
  } else {
    return {InterpolatedValue::Value(std::string(value)), std::move(specifier)};
  }
}

}  // namespace ViewToolkit
