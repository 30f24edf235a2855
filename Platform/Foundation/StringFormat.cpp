#include "Platform/Foundation/StringFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace Foundation {
namespace {

// Bounds on width and precision so that a faulty format cannot ask for gigabytes of padding.
// A double's exact value needs at most 1074 digits after the point, so every meaningful precision
// fits.
constexpr std::size_t maximumWidth = 4096;
constexpr std::size_t maximumPrecision = 4096;

struct Specifier {
  std::optional<std::size_t> position;  // 1-based, from "n$"
  bool leftAlign = false, plusSign = false, spaceSign = false, zeroPad = false, alternate = false;
  std::size_t width = 0;
  std::optional<std::size_t> precision;
  char conversion = 0;
};

template <typename Integer>
std::string integerText(Integer value, int base = 10) {
  char buffer[72];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, base);
  return std::string(buffer, result.ptr);
}

std::string floatingText(double value, std::chars_format style, std::optional<int> precision) {
  // Fixed notation of the largest double has 309 integer digits.
  std::string buffer(400 + std::size_t(precision.value_or(0)), '\0');
  auto result = precision ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          style, *precision)
                          : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  buffer.resize(result.ec == std::errc{} ? std::size_t(result.ptr - buffer.data()) : 0);
  return buffer;
}

std::string naturalText(const FormatArgument::Value& value) {
  struct {
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(std::int64_t v) const { return integerText(v); }
    std::string operator()(std::uint64_t v) const { return integerText(v); }
    std::string operator()(double v) const { return floatingText(v, {}, std::nullopt); }
  } visitor;
  return std::visit(visitor, value);
}

std::size_t characterCount(std::string_view utf8) {
  return std::size_t(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

void toUpper(std::string& s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
}

// Pads `body` to the width; zeros go after the sign and the radix prefix.
std::string padded(std::string sign, std::string body, const Specifier& specifier, bool numeric) {
  std::size_t length = characterCount(sign) + characterCount(body);
  if (length >= specifier.width) return sign + body;
  std::size_t fill = specifier.width - length;
  if (specifier.leftAlign) return sign + body + std::string(fill, ' ');
  if (specifier.zeroPad && numeric) return sign + std::string(fill, '0') + body;
  return std::string(fill, ' ') + sign + body;
}

std::string signFor(bool negative, const Specifier& specifier) {
  if (negative) return "-";
  if (specifier.plusSign) return "+";
  if (specifier.spaceSign) return " ";
  return "";
}

std::string writeInteger(const Specifier& specifier, bool negative, std::uint64_t magnitude,
                         bool isSigned) {
  int base = 10;
  std::string prefix;
  switch (specifier.conversion) {
    case 'x':
    case 'X':
      base = 16;
      if (specifier.alternate && magnitude != 0) prefix = "0x";
      break;
    case 'o':
      base = 8;
      if (specifier.alternate) prefix = "0";
      break;
  }
  std::string digits = integerText(magnitude, base);
  if (specifier.precision) {
    if (*specifier.precision == 0 && magnitude == 0) digits.clear();
    if (digits.size() < *specifier.precision)
      digits.insert(0, *specifier.precision - digits.size(), '0');
  }
  if (specifier.conversion == 'X') {
    toUpper(digits);
    toUpper(prefix);
  }
  Specifier padding = specifier;
  if (specifier.precision) padding.zeroPad = false;  // as in C: a precision overrides the 0 flag
  return padded((isSigned ? signFor(negative, specifier) : "") + prefix, digits, padding, true);
}

std::string writeFloating(const Specifier& specifier, double value) {
  std::chars_format style = std::chars_format::fixed;
  char lower = char(specifier.conversion | 0x20);
  if (lower == 'e') style = std::chars_format::scientific;
  if (lower == 'g') style = std::chars_format::general;
  int precision = int(specifier.precision.value_or(6));
  bool negative = std::signbit(value);
  std::string body = floatingText(std::fabs(value), style, precision);
  if (specifier.alternate && style == std::chars_format::fixed && precision == 0) body += '.';
  if (specifier.conversion >= 'A' && specifier.conversion <= 'Z') toUpper(body);
  return padded(signFor(negative, specifier), body, specifier, std::isfinite(value));
}

std::string convert(const Specifier& specifier, const FormatArgument::Value& value) {
  switch (specifier.conversion) {
    case '@':
    case 's':
      return padded("", naturalText(value), specifier, false);
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
      bool isSigned = specifier.conversion == 'd' || specifier.conversion == 'i';
      if (auto* v = std::get_if<std::int64_t>(&value)) {
        if (isSigned) {
          bool negative = *v < 0;
          // Negating in unsigned arithmetic keeps INT64_MIN exact.
          std::uint64_t magnitude = negative ? 0 - std::uint64_t(*v) : std::uint64_t(*v);
          return writeInteger(specifier, negative, magnitude, true);
        }
        return writeInteger(specifier, false, std::uint64_t(*v), false);
      }
      if (auto* v = std::get_if<std::uint64_t>(&value))
        return writeInteger(specifier, false, *v, isSigned);
      return padded("", naturalText(value), specifier, false);
    }
    default: {  // floating point
      if (auto* v = std::get_if<double>(&value)) return writeFloating(specifier, *v);
      if (auto* v = std::get_if<std::int64_t>(&value)) return writeFloating(specifier, double(*v));
      if (auto* v = std::get_if<std::uint64_t>(&value)) return writeFloating(specifier, double(*v));
      return padded("", naturalText(value), specifier, false);
    }
  }
}

// Reads decimal digits at `at`; nullopt when there are none or they exceed `limit`.
std::optional<std::size_t> readNumber(std::string_view s, std::size_t& at, std::size_t limit,
                                      bool& overflow) {
  std::size_t start = at, number = 0;
  while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
    number = number * 10 + std::size_t(s[at] - '0');
    if (number > limit) {
      overflow = true;
      number = limit;
    }
    ++at;
  }
  if (at == start) return std::nullopt;
  return number;
}

// Parses the specifier that starts after a '%' at `at`; on success `at` is past its conversion.
std::optional<Specifier> parseSpecifier(std::string_view s, std::size_t& at) {
  Specifier specifier;
  bool overflow = false;
  std::size_t i = at;
  if (auto n = readNumber(s, i, maximumWidth, overflow); n && i < s.size() && s[i] == '$') {
    specifier.position = *n;
    ++i;
  } else {
    i = at;
    overflow = false;
  }
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c == '-')
      specifier.leftAlign = true;
    else if (c == '+')
      specifier.plusSign = true;
    else if (c == ' ')
      specifier.spaceSign = true;
    else if (c == '0')
      specifier.zeroPad = true;
    else if (c == '#')
      specifier.alternate = true;
    else if (c == '\'')
      continue;  // grouping: never applied, these numbers are not localised
    else
      break;
  }
  specifier.width = readNumber(s, i, maximumWidth, overflow).value_or(0);
  if (i < s.size() && s[i] == '.') {
    ++i;
    specifier.precision = readNumber(s, i, maximumPrecision, overflow).value_or(0);
  }
  while (i < s.size() && std::string_view("hlqLzjt").find(s[i]) != std::string_view::npos) ++i;
  if (i >= s.size() || overflow) return std::nullopt;
  specifier.conversion = s[i];
  if (std::string_view("@sdiuxXofFeEgG").find(specifier.conversion) == std::string_view::npos)
    return std::nullopt;
  at = i + 1;
  return specifier;
}

}  // namespace

std::string formatWithArguments(std::string_view format,
                                std::span<const FormatArgument> arguments) {
  std::string out;
  out.reserve(format.size() + 16);
  std::size_t at = 0, nextArgument = 0;
  while (at < format.size()) {
    std::size_t percent = format.find('%', at);
    out.append(format.substr(at, percent - at));
    if (percent == std::string_view::npos) break;
    at = percent + 1;
    if (at < format.size() && format[at] == '%') {
      out += '%';
      ++at;
      continue;
    }
    std::size_t end = at;
    auto specifier = parseSpecifier(format, end);
    if (!specifier) {
      out += '%';  // not a specifier: the text after it is copied as it stands
      continue;
    }
    std::size_t index = specifier->position ? *specifier->position : ++nextArgument;
    if (index == 0 || index > arguments.size())
      out.append(format.substr(percent, end - percent));
    else
      out += convert(*specifier, arguments[index - 1].value());
    at = end;
  }
  return out;
}

std::string formatFixed(double value, int decimals) {
  Specifier specifier;
  specifier.conversion = 'f';
  specifier.precision = std::size_t(std::clamp(decimals, 0, int(maximumPrecision)));
  return writeFloating(specifier, value);
}

}  // namespace Foundation
