// Absolute URLs (RFC 3986) and percent-encoding.
//
// A URL is an immutable value: its text, checked against the URI grammar when parsed, plus the
// offsets of its parts. Parsing never repairs text: anything outside the grammar, a blank or a
// non-ASCII byte included, makes the text no URL, so a caller that puts untrusted text into a URL
// percent-encodes it first. Parts are returned as written, without decoding.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Foundation {

class URL {
 public:
  // scheme ":" ["//" authority] path ["?" query] ["#" fragment]; none when the text is not a
  // valid absolute URL (bad scheme, characters outside the URI grammar, a bad %XX escape).
  static std::optional<URL> parse(std::string_view text);

  const std::string& absoluteString() const { return text_; }
  std::string scheme() const { return text_.substr(0, schemeEnd_); }
  // The host of the authority without user information, port or the brackets of an IP literal;
  // empty when the URL has no authority.
  std::string host() const { return text_.substr(hostBegin_, hostEnd_ - hostBegin_); }
  std::string path() const { return text_.substr(pathBegin_, pathEnd_ - pathBegin_); }
  std::optional<std::string> query() const;
  std::optional<std::string> fragment() const;

  friend bool operator==(const URL&, const URL&) = default;

  // Every byte outside the unreserved set (ALPHA DIGIT - . _ ~) as %XX with upper-case hex, so
  // the result is safe as one path segment, query value or fragment.
  static std::string percentEncode(std::string_view bytes);
  // Decodes each %XX once (either case of hex); none on a malformed escape. '+' stays '+'.
  static std::optional<std::string> percentDecode(std::string_view text);

 private:
  static constexpr std::size_t absent = std::string::npos;

  explicit URL(std::string_view text) : text_(text) {}

  std::string text_;
  std::size_t schemeEnd_ = 0;
  std::size_t hostBegin_ = 0, hostEnd_ = 0;
  std::size_t pathBegin_ = 0, pathEnd_ = 0;
  std::size_t queryBegin_ = absent, fragmentBegin_ = absent;  // just past '?' and '#'
};

}  // namespace Foundation
