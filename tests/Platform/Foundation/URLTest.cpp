#include "Platform/Foundation/URL.h"

#include <gtest/gtest.h>

using Foundation::URL;

namespace {

TEST(URLParse, SplitsAcceptedURLsIntoTheirParts) {
  using Part = std::optional<std::string>;
  struct Case {
    std::string text, scheme, host, path;
    Part query, fragment;
  } cases[] = {
      {"kestrun://open/home", "kestrun", "open", "/home", {}, {}},
      {"kestrun://open/", "kestrun", "open", "/", {}, {}},
      {"kestrun://speedtest", "kestrun", "speedtest", "", {}, {}},
      {"kestrun://open/a%20b%2F%c3%bc", "kestrun", "open", "/a%20b%2F%c3%bc", {}, {}},
      {"http://user:pw@example.com:8080/p/q?a=1&b#top", "http", "example.com", "/p/q", "a=1&b",
       "top"},
      {"http://[::1]:80/", "http", "::1", "/", {}, {}},
      {"http://[2001:db8::7]/x", "http", "2001:db8::7", "/x", {}, {}},
      {"http://[::ffff:192.0.2.1]/", "http", "::ffff:192.0.2.1", "/", {}, {}},
      {"http://[v1.fe:x]/", "http", "v1.fe:x", "/", {}, {}},
      {"file:///etc/hosts", "file", "", "/etc/hosts", {}, {}},
      {"mailto:someone@example.com", "mailto", "", "someone@example.com", {}, {}},
      {"a+b-c.d:", "a+b-c.d", "", "", {}, {}},
      {"x:?#", "x", "", "", "", ""},
      {"http://h/p?a/b?c#d/e?f", "http", "h", "/p", "a/b?c", "d/e?f"},
      {"HTTP://H/P", "HTTP", "H", "/P", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto url = URL::parse(c.text);
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->absoluteString(), c.text);
    EXPECT_EQ(url->scheme(), c.scheme);
    EXPECT_EQ(url->host(), c.host);
    EXPECT_EQ(url->path(), c.path);
    EXPECT_EQ(url->query(), c.query);
    EXPECT_EQ(url->fragment(), c.fragment);
  }
}

TEST(URLParse, RefusesTextOutsideTheGrammar) {
  const std::string refused[] = {
      "",
      ":",
      "kestrun",
      "1http://x",
      "ht_tp://x",
      "kestrun://open/a b",
      "kestrun://open/home ",
      "kestrun://open/%",
      "kestrun://open/%zz",
      "kestrun://open/\xc3\xbc",
      std::string("kestrun://open/a\0b", 18),
      "kestrun://open/<b>",
      "kestrun://open/a\\b",
      "x://a#b#c",
      "x://h/?q=%G0",
      "http://ex ample.com/",
      "http://a@b@c/",
      "http://h:8a/",
      "http://[::1/",
      "http://[::1]x/",
      "http://[1::2::3]/",
      "http://[12345::]/",
      "http://[1:2:3:4:5:6:7:8:9]/",
      "http://[1:2:3:4:5:6:7]/",
      "http://[:::]/",
      "http://[1.2.3.4]/",
      "http://[::1.2.3.256]/",
      "http://[::1.2.3.04]/",
      "http://[v.x]/",
  };
  for (const auto& text : refused) EXPECT_EQ(URL::parse(text), std::nullopt) << text;
}

TEST(URLParse, URLsAreEqualByTheirText) {
  EXPECT_EQ(URL::parse("kestrun://open/home"), URL::parse("kestrun://open/home"));
  EXPECT_NE(URL::parse("kestrun://open/home"), URL::parse("kestrun://open/Home"));
  EXPECT_NE(URL::parse("kestrun://open/a%20"), URL::parse("kestrun://open/a%2520"));
}

TEST(PercentEncoding, EncodesEveryByteButTheUnreservedOnes) {
  struct Case {
    std::string bytes, encoded;
  } cases[] = {
      {"", ""},
      {"home", "home"},
      {"AZaz09-._~", "AZaz09-._~"},
      {"/", "%2F"},
      {"?", "%3F"},
      {"#", "%23"},
      {"%", "%25"},
      {"a b", "a%20b"},
      {".", "."},
      {"..", ".."},
      {"+&;=:@", "%2B%26%3B%3D%3A%40"},
      {"\xc3\xbc", "%C3%BC"},
      {"\xf0\x9f\x90\xa6", "%F0%9F%90%A6"},
      {std::string("\0\xff", 2), "%00%FF"},
  };
  for (const auto& c : cases) EXPECT_EQ(URL::percentEncode(c.bytes), c.encoded) << c.bytes;
}

TEST(PercentEncoding, AnyEncodedSegmentMakesAURLAndDecodesBackExactly) {
  const std::string sections[] = {"",
                                  "home",
                                  "a/b",
                                  "?x=1",
                                  "#frag",
                                  "100%",
                                  "%41",
                                  ".",
                                  "..",
                                  "with blank",
                                  "\xc3\xbc\xc3\x9f",
                                  "a+b",
                                  "\\",
                                  "<b>x</b>",
                                  "\x7f\x01\xff",
                                  "-rf"};
  for (const auto& section : sections) {
    SCOPED_TRACE(section);
    auto url = URL::parse("kestrun://open/" + URL::percentEncode(section));
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->host(), "open");
    EXPECT_EQ(url->query(), std::nullopt);
    EXPECT_EQ(url->fragment(), std::nullopt);
    EXPECT_EQ(URL::percentDecode(url->path().substr(1)), section);
  }
}

TEST(PercentEncoding, DecodesOnceAndRefusesMalformedEscapes) {
  struct Case {
    std::string text;
    std::optional<std::string> decoded;
  } cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"%41%62", "Ab"},
      {"%c3%BC", "\xc3\xbc"},
      {"a+b", "a+b"},
      {"%2541", "%41"},
      {"%00", std::string(1, '\0')},
      {"%", std::nullopt},
      {"%4", std::nullopt},
      {"abc%", std::nullopt},
      {"%G1", std::nullopt},
      {"%1G", std::nullopt},
      {"%%41", std::nullopt},
      {"% 1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(URL::percentDecode(c.text), c.decoded) << c.text;
}

}  // namespace
