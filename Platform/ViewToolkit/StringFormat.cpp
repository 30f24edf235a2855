#include "Platform/ViewToolkit/StringFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace ViewToolkit {
namespace {

// A hostile translation must not make us allocate gigabytes ("%999999999d").
constexpr int kMaxWidth = 256;
constexpr int kMaxPrecision = 64;

struct Spec {
  std::optional<int> position;  // 1-based
  bool leftAlign = false, plus = false, space = false, zeroPad = false, alternate = false;
  int width = 0;
  std::optional<int> precision;
  char conversion = 0;
};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Parses one specifier after its '%'; returns the index just past it, or npos when malformed.
std::size_t parseSpec(std::string_view f, std::size_t i, Spec& spec) {
  auto readNumber = [&](std::size_t& j) {
    long long n = 0;
    while (j < f.size() && isDigit(f[j])) {
      n = std::min<long long>(n * 10 + (f[j] - '0'), 1000000);
      ++j;
    }
    return static_cast<int>(n);
  };
  std::size_t j = i;
  // Positional index: digits followed by '$'.
  std::size_t k = j;
  if (k < f.size() && isDigit(f[k]) && f[k] != '0') {
    int n = readNumber(k);
    if (k < f.size() && f[k] == '$') {
      spec.position = n;
      j = k + 1;
    }
  }
  for (; j < f.size(); ++j) {
    char c = f[j];
    if (c == '-')
      spec.leftAlign = true;
    else if (c == '+')
      spec.plus = true;
    else if (c == ' ')
      spec.space = true;
    else if (c == '0')
      spec.zeroPad = true;
    else if (c == '#')
      spec.alternate = true;
    else if (c == '\'')
      continue;  // grouping is a locale matter; never applied
    else
      break;
  }
  spec.width = std::min(readNumber(j), kMaxWidth);
  if (j < f.size() && f[j] == '.') {
    ++j;
    spec.precision = std::min(readNumber(j), kMaxPrecision);
  }
  while (j < f.size() && std::string_view("hlqLzjt").find(f[j]) != std::string_view::npos) ++j;
  if (j >= f.size()) return std::string_view::npos;
  char conv = f[j];
  if (std::string_view("@sdiuxXofFeEgGc").find(conv) == std::string_view::npos) {
    return std::string_view::npos;
  }
  spec.conversion = conv;
  return j + 1;
}

std::string formatInteger(long long v, const Spec& spec) {
  char buffer[80];
  char* end = buffer;
  bool negative = false;
  switch (spec.conversion) {
    case 'x':
    case 'X':
    case 'o':
    case 'u': {
      unsigned long long u = static_cast<unsigned long long>(v);
      int base = spec.conversion == 'o' ? 8 : (spec.conversion == 'u' ? 10 : 16);
      end = std::to_chars(buffer, buffer + sizeof buffer, u, base).ptr;
      if (spec.conversion == 'X')
        std::transform(buffer, end, buffer,
                       [](char c) { return (c >= 'a' && c <= 'f') ? char(c - 'a' + 'A') : c; });
      break;
    }
    default: {
      negative = v < 0;
      unsigned long long magnitude =
          negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
      end = std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr;
    }
  }
  std::string digits(buffer, end);
  if (spec.precision && int(digits.size()) < *spec.precision) {
    digits.insert(0, std::size_t(*spec.precision) - digits.size(), '0');
  }
  std::string sign = negative ? "-" : (spec.plus ? "+" : (spec.space ? " " : ""));
  return sign + digits;
}

std::string formatDouble(double v, const Spec& spec) {
  char buffer[512];
  int precision = spec.precision.value_or(6);
  std::chars_format format = std::chars_format::fixed;
  switch (spec.conversion) {
    case 'e':
    case 'E':
      format = std::chars_format::scientific;
      break;
    case 'g':
    case 'G':
      format = std::chars_format::general;
      if (precision == 0) precision = 1;
      break;
    default:
      break;
  }
  std::string out;
  if (std::isnan(v)) {
    out = "nan";
  } else if (std::isinf(v)) {
    out = v < 0 ? "-inf" : "inf";
  } else {
    auto result = std::to_chars(buffer, buffer + sizeof buffer, v, format, precision);
    out.assign(buffer, result.ptr);
  }
  if (spec.conversion == 'F' || spec.conversion == 'E' || spec.conversion == 'G') {
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; });
  }
  if (!out.empty() && out[0] != '-') {
    if (spec.plus)
      out.insert(0, "+");
    else if (spec.space)
      out.insert(0, " ");
  }
  return out;
}

// The shortest text that reads back as `v`, for a number asked for as a string.
std::string shortestDouble(double v) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

std::string convert(const FormatArgument::Value& value, const Spec& spec) {
  const bool numeric = std::string_view("diuxXo").find(spec.conversion) != std::string_view::npos;
  const bool floating = std::string_view("fFeEgG").find(spec.conversion) != std::string_view::npos;
  if (const auto* s = std::get_if<std::string>(&value)) {
    if (spec.conversion == 's' || spec.conversion == '@') {
      if (spec.precision && std::size_t(*spec.precision) < s->size()) {
        return s->substr(0, std::size_t(*spec.precision));
      }
    }
    return *s;
  }
  if (const auto* i = std::get_if<long long>(&value)) {
    if (floating) return formatDouble(static_cast<double>(*i), spec);
    if (numeric) return formatInteger(*i, spec);
    Spec plain;
    plain.conversion = 'd';
    return formatInteger(*i, plain);
  }
  double d = std::get<double>(value);
  if (floating) return formatDouble(d, spec);
  if (numeric) {
    // Truncation toward zero, as a cast would; out-of-range values saturate.
    double t = std::trunc(d);
    long long n = std::isnan(t)  ? 0
                  : t >= 9.2e18  ? INT64_MAX
                  : t <= -9.2e18 ? INT64_MIN
                                 : static_cast<long long>(t);
    return formatInteger(n, spec);
  }
  return shortestDouble(d);
}

void pad(std::string& out, const std::string& piece, const Spec& spec) {
  const int length = static_cast<int>(piece.size());
  if (spec.width <= length) {
    out += piece;
    return;
  }
  std::size_t fill = std::size_t(spec.width - length);
  if (spec.leftAlign) {
    out += piece;
    out.append(fill, ' ');
  } else if (spec.zeroPad && spec.conversion != '@' && spec.conversion != 's') {
    std::size_t signLength =
        (!piece.empty() && (piece[0] == '-' || piece[0] == '+' || piece[0] == ' ')) ? 1 : 0;
    out += piece.substr(0, signLength);
    out.append(fill, '0');
    out += piece.substr(signLength);
  } else {
    out.append(fill, ' ');
    out += piece;
  }
}

}  // namespace

std::string formatString(std::string_view format, const std::vector<FormatArgument>& arguments) {
  std::string out;
  out.reserve(format.size() + 16);
  std::size_t next = 0;
  std::size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    Spec spec;
    std::size_t end = parseSpec(format, i + 1, spec);
    if (end == std::string_view::npos) {
      out += c;  // not a specifier: the percent sign stands for itself
      ++i;
      continue;
    }
    std::size_t index = spec.position ? std::size_t(*spec.position - 1) : next++;
    if (index >= arguments.size()) {
      out.append(format.substr(i, end - i));
    } else {
      pad(out, convert(arguments[index].value(), spec), spec);
    }
    i = end;
  }
  return out;
}

}  // namespace ViewToolkit
