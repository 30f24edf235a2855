#include "Platform/Foundation/URL.h"

#include <algorithm>

namespace Foundation {
namespace {

bool isAlpha(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isUnreserved(char c) {
  return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool isSubDelim(char c) {
  return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos;
}

int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The byte of the %XX escape at `at`, or -1 when it is malformed.
int escapedByte(std::string_view text, std::size_t at) {
  if (at + 2 >= text.size()) return -1;
  int high = hexValue(text[at + 1]), low = hexValue(text[at + 2]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Every character is allowed by `allowed` or starts a well-formed %XX.
template <typename Allowed>
bool matches(std::string_view text, Allowed allowed) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%') {
      if (escapedByte(text, i) < 0) return false;
      i += 2;
    } else if (!allowed(text[i])) {
      return false;
    }
  }
  return true;
}

bool isPathChar(char c) {
  return isUnreserved(c) || isSubDelim(c) || c == ':' || c == '@';
}
bool isRegNameChar(char c) {
  return isUnreserved(c) || isSubDelim(c);
}
bool isUserInfoChar(char c) {
  return isUnreserved(c) || isSubDelim(c) || c == ':';
}
bool isQueryChar(char c) {
  return isPathChar(c) || c == '/' || c == '?';
}

bool isHex(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return hexValue(c) >= 0; });
}

// dec-octet "." dec-octet "." dec-octet "." dec-octet, without leading zeros.
bool isIPv4(std::string_view text) {
  for (int octet = 0; octet < 4; ++octet) {
    if (octet > 0) {
      if (text.empty() || text[0] != '.') return false;
      text.remove_prefix(1);
    }
    std::size_t digits = 0;
    int value = 0;
    while (digits < text.size() && digits < 3 && isDigit(text[digits])) {
      value = value * 10 + (text[digits] - '0');
      ++digits;
    }
    if (digits == 0 || value > 255 || (digits > 1 && text[0] == '0')) return false;
    text.remove_prefix(digits);
  }
  return text.empty();
}

// Eight groups of one to four hex digits, at most one "::" standing for one or more zero groups,
// the last two groups optionally written as an IPv4 address.
bool isIPv6(std::string_view text) {
  int groups = 0;
  bool compressed = false;
  std::size_t i = 0;
  if (text.substr(0, 2) == "::") {
    compressed = true;
    i = 2;
  }
  while (i < text.size()) {
    std::size_t colon = text.find(':', i);
    std::string_view piece = text.substr(i, colon == std::string_view::npos ? colon : colon - i);
    if (colon == std::string_view::npos && piece.find('.') != std::string_view::npos) {
      if (!isIPv4(piece)) return false;
      groups += 2;
      break;
    }
    if (piece.size() > 4 || !isHex(piece)) return false;
    ++groups;
    if (colon == std::string_view::npos) break;
    i = colon + 1;
    if (i < text.size() && text[i] == ':') {
      if (compressed) return false;
      compressed = true;
      ++i;
    } else if (i == text.size()) {
      return false;  // a single trailing ':'
    }
  }
  return compressed ? groups <= 7 : groups == 8;
}

// "v" 1*HEXDIG "." 1*( unreserved / sub-delims / ":" )
bool isIPvFuture(std::string_view text) {
  if (text.empty() || (text[0] != 'v' && text[0] != 'V')) return false;
  std::size_t dot = text.find('.');
  if (dot == std::string_view::npos || !isHex(text.substr(1, dot - 1))) return false;
  std::string_view rest = text.substr(dot + 1);
  return !rest.empty() && std::all_of(rest.begin(), rest.end(), [](char c) {
    return isUnreserved(c) || isSubDelim(c) || c == ':';
  });
}

}  // namespace

std::optional<URL> URL::parse(std::string_view text) {
  URL url(text);
  std::string_view s = url.text_;

  std::size_t colon = s.find(':');
  if (colon == std::string_view::npos || colon == 0 || !isAlpha(s[0])) return std::nullopt;
  for (std::size_t i = 1; i < colon; ++i) {
    char c = s[i];
    if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
  }
  url.schemeEnd_ = colon;

  std::size_t at = colon + 1;
  url.hostBegin_ = url.hostEnd_ = at;
  if (s.substr(at, 2) == "//") {
    at += 2;
    std::size_t end = std::min(s.find_first_of("/?#", at), s.size());
    std::string_view authority = s.substr(at, end - at);
    std::size_t hostStart = 0;
    if (std::size_t sign = authority.find('@'); sign != std::string_view::npos) {
      if (!matches(authority.substr(0, sign), isUserInfoChar)) return std::nullopt;
      hostStart = sign + 1;
    }
    std::string_view hostAndPort = authority.substr(hostStart);
    std::size_t hostLength;
    if (!hostAndPort.empty() && hostAndPort[0] == '[') {
      std::size_t close = hostAndPort.find(']');
      if (close == std::string_view::npos) return std::nullopt;
      std::string_view literal = hostAndPort.substr(1, close - 1);
      if (!isIPv6(literal) && !isIPvFuture(literal)) return std::nullopt;
      url.hostBegin_ = at + hostStart + 1;
      url.hostEnd_ = url.hostBegin_ + literal.size();
      hostLength = close + 1;
    } else {
      hostLength = std::min(hostAndPort.find(':'), hostAndPort.size());
      if (!matches(hostAndPort.substr(0, hostLength), isRegNameChar)) return std::nullopt;
      url.hostBegin_ = at + hostStart;
      url.hostEnd_ = url.hostBegin_ + hostLength;
    }
    std::string_view port = hostAndPort.substr(hostLength);
    if (!port.empty()) {
      if (port[0] != ':' || !std::all_of(port.begin() + 1, port.end(), isDigit)) {
        return std::nullopt;
      }
    }
    at = end;
  }

  url.pathBegin_ = at;
  url.pathEnd_ = std::min(s.find_first_of("?#", at), s.size());
  if (!matches(s.substr(at, url.pathEnd_ - at), [](char c) { return isPathChar(c) || c == '/'; })) {
    return std::nullopt;
  }
  at = url.pathEnd_;
  if (at < s.size() && s[at] == '?') {
    url.queryBegin_ = at + 1;
    at = std::min(s.find('#', at), s.size());
    if (!matches(s.substr(url.queryBegin_, at - url.queryBegin_), isQueryChar)) {
      return std::nullopt;
    }
  }
  if (at < s.size()) {  // s[at] == '#'
    url.fragmentBegin_ = at + 1;
    if (!matches(s.substr(url.fragmentBegin_), isQueryChar)) return std::nullopt;
  }
  return url;
}

std::optional<std::string> URL::query() const {
  if (queryBegin_ == absent) return std::nullopt;
  std::size_t end = fragmentBegin_ == absent ? text_.size() : fragmentBegin_ - 1;
  return text_.substr(queryBegin_, end - queryBegin_);
}

std::optional<std::string> URL::fragment() const {
  if (fragmentBegin_ == absent) return std::nullopt;
  return text_.substr(fragmentBegin_);
}

std::string URL::percentEncode(std::string_view bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (char c : bytes) {
    if (isUnreserved(c)) {
      out += c;
    } else {
      auto byte = static_cast<unsigned char>(c);
      out += '%';
      out += digits[byte >> 4];
      out += digits[byte & 0x0F];
    }
  }
  return out;
}

std::optional<std::string> URL::percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    int byte = escapedByte(text, i);
    if (byte < 0) return std::nullopt;
    out += static_cast<char>(byte);
    i += 2;
  }
  return out;
}

}  // namespace Foundation
