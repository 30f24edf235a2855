#include "Platform/Foundation/JSON.h"
#include "Platform/Foundation/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <system_error>
#include <vector>

namespace {

using Foundation::JSON::Document;
using Foundation::JSON::Type;
using Foundation::JSON::Writer;

std::string nested(std::size_t depth) {
  return std::string(depth, '[') + std::string(depth, ']');
}

TEST(JSONParse, DepthIsBoundedAndTheFaultNamesWhere) {
  EXPECT_TRUE(Document::parse(nested(16), 16));
  EXPECT_FALSE(Document::parse(nested(17), 16));
  EXPECT_TRUE(Document::parse(nested(Document::defaultMaximumDepth)));
  std::string why;
  EXPECT_FALSE(Document::parse(nested(100000), 16, &why));
  EXPECT_EQ(why, "[0][0][0][0][0][0][0][0][0][0][0][0][0][0][0][0]: nested deeper than 16 levels");
  EXPECT_FALSE(Document::parse(R"({"a":{"b":[{"c":[[]]}]}})", 4, &why));
  EXPECT_EQ(why, "a.b[0].c: nested deeper than 4 levels");
  EXPECT_FALSE(Document::parse(nested(1'000'000), Document::defaultMaximumDepth, &why));
  EXPECT_NE(why.find("nested deeper than 512 levels"), std::string::npos);
}

// Numbers of any size and precision are valid JSON; whether one is an integer, and which, is
// decided from its text, never through a double.
TEST(JSONParse, NumbersAreJudgedExactlyFromTheirText) {
  struct Case {
    const char* text;
    bool integral;
    std::optional<std::int64_t> int64;
    std::optional<std::uint64_t> uint64;
  } cases[] = {
      {"4", true, 4, 4},
      {"4.0", true, 4, 4},
      {"4e0", true, 4, 4},
      {"40e-1", true, 4, 4},
      {"0.4e1", true, 4, 4},
      {"-0", true, 0, 0},
      {"-0.0e-5", true, 0, 0},
      {"1e-400", false, std::nullopt, std::nullopt},
      {"4.00000000000000000001", false, std::nullopt, std::nullopt},
      {"9223372036854775807.0", true, INT64_MAX, 9223372036854775807ULL},
      {"9007199254740993.0", true, 9007199254740993LL, 9007199254740993ULL},
      {"-9223372036854775808", true, INT64_MIN, std::nullopt},
      {"-9223372036854775809", true, std::nullopt, std::nullopt},
      {"18446744073709551615", true, std::nullopt, 18446744073709551615ULL},
      {"18446744073709551616", true, std::nullopt, std::nullopt},
      {"1e19", true, std::nullopt, 10000000000000000000ULL},
      {"1e20", true, std::nullopt, std::nullopt},
      {"123456789012345678901234567890", true, std::nullopt, std::nullopt},
      {"1e999999999999999999999", true, std::nullopt, std::nullopt},
      {"4.5", false, std::nullopt, std::nullopt},
      // Either side of the longest integer read without the exact arithmetic (18 digits).
      {"999999999999999999", true, 999999999999999999LL, 999999999999999999ULL},
      {"-999999999999999999", true, -999999999999999999LL, std::nullopt},
      {"1000000000000000000", true, 1000000000000000000LL, 1000000000000000000ULL},
      {"-1000000000000000000", true, -1000000000000000000LL, std::nullopt},
      {"-1", true, -1, std::nullopt},
  };
  for (const auto& c : cases) {
    auto doc = Document::parse(c.text);
    ASSERT_TRUE(doc) << c.text;
    EXPECT_EQ(doc->root().isIntegral(), c.integral) << c.text;
    EXPECT_EQ(doc->root().int64(), c.int64) << c.text;
    EXPECT_EQ(doc->root().uint64(), c.uint64) << c.text;
  }
  EXPECT_EQ(Document::parse("1e400")->root().number(), HUGE_VAL);
  EXPECT_EQ(Document::parse("-1e-400")->root().number(), 0.0);
  EXPECT_EQ(Document::parse("0.25")->root().number(), 0.25);
}

TEST(JSONParse, MalformedNumbersAndTextAreNotJSON) {
  const char* cases[] = {
      "01",    "1.",      "-",      "0x10", ".5",          "+1",          "1e",
      "1e+",   "--1",     "1.5.2",  "NaN",  "Infinity",    "[1,]",        "{\"a\":1,}",
      "[01]",  "\"\\x\"", "\"\t\"", "tru",  "\"\\ud800\"", "\"\\udc00\"", "\"\\ud800\\u0041\"",
      "{1:2}", "[1 2]"};
  for (const char* text : cases) {
    std::string why;
    EXPECT_FALSE(Document::parse(text, 16, &why)) << text;
    EXPECT_EQ(why, "(root): not valid JSON") << text;
  }
}

// Escapes decode to their characters, in a row, between plain text and at either end, in every
// UTF-8 length; a \u that is cut short or holds a non-hex digit is not JSON.
TEST(JSONParse, EscapesDecodeToTheirCharacters) {
  const std::pair<const char*, const char*> decoded[] = {
      {R"("\n\t\"\\\/\b\f\r")", "\n\t\"\\/\b\f\r"},
      {R"("a\u0041b")", "aAb"},
      {R"("\u00e9\u00E9x")", "\u00e9\u00e9x"},
      {R"("\u200b\u200b\u200b")", "\u200b\u200b\u200b"},
      {R"("\ud83d\ude00!")", "\U0001F600!"},
      {R"("plain text long enough for a whole block \u0041 and more of it after")",
       "plain text long enough for a whole block A and more of it after"},
      {R"("\u007f\u0080\u07ff\u0800\uffff")", "\u007f\u0080\u07ff\u0800\uffff"},
  };
  for (const auto& [json, text] : decoded) {
    for (auto kept : {Document::Bytes::copied, Document::Bytes::borrowed}) {
      const std::string bytes = std::string("[") + json + ",\"after\"," + json + "]";
      auto doc = Document::parse(bytes, 16, nullptr, kept);
      ASSERT_TRUE(doc) << json;
      std::vector<std::string> seen;
      doc->root().forEachElement(
          [&](std::size_t, Foundation::JSON::Value v) { seen.emplace_back(*v.string()); });
      EXPECT_EQ(seen, (std::vector<std::string>{text, "after", text})) << json;
    }
  }
  for (const char* json :
       {R"("\u12")", R"("\u12G4")", R"("\u")", "\"\\u004", R"("\uD83D\u")", R"("\ud83d\ude0")"}) {
    std::string why;
    EXPECT_FALSE(Document::parse(json, 16, &why)) << json;
    EXPECT_EQ(why, "(root): not valid JSON") << json;
  }
}

// The grammar allows repeated names and U+0000; the parser keeps both for the reader to judge.
TEST(JSONParse, RepeatedNamesAndNulsAreKeptForTheReader) {
  auto doc = Document::parse(R"({"c":1,"c":"x\u0000y"})");
  ASSERT_TRUE(doc);
  std::vector<std::string> seen;
  doc->root().forEachMember([&](std::string_view name, Foundation::JSON::Value v) {
    seen.push_back(std::string(name) + "=" + v.excerpt());
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"c=1", "c=\"x\\u0000y\""}));
  EXPECT_EQ(doc->root().member("c")->int64(), 1);
}

TEST(JSONParse, NumbersKeepTheirRange) {
  auto doc = Document::parse(
      R"([4, 4.0, 4.5, -1, 9223372036854775807, 9223372036854775808, 1e19, -0.0, 1e300])");
  ASSERT_TRUE(doc);
  std::vector<Foundation::JSON::Value> v;
  doc->root().forEachElement([&](std::size_t, Foundation::JSON::Value e) { v.push_back(e); });
  ASSERT_EQ(v.size(), 9u);
  EXPECT_EQ(v[0].int64(), 4);
  EXPECT_EQ(v[1].int64(), 4);
  EXPECT_FALSE(v[2].int64());
  EXPECT_FALSE(v[2].uint64());
  EXPECT_EQ(v[3].int64(), -1);
  EXPECT_FALSE(v[3].uint64());
  EXPECT_EQ(v[4].int64(), INT64_MAX);
  EXPECT_FALSE(v[5].int64());
  EXPECT_EQ(v[5].uint64(), 9223372036854775808ULL);
  EXPECT_EQ(v[6].uint64(), 10000000000000000000ULL);
  EXPECT_FALSE(v[6].int64());
  EXPECT_EQ(v[7].int64(), 0);
  EXPECT_FALSE(v[8].uint64());
  EXPECT_EQ(v[0].type(), Type::number);
}

// Every display control leaves as an escape, so that no JSON the system prints steers a terminal;
// other text passes through, and text that is not UTF-8 (only the tree dump writes any) becomes
// U+FFFD.
TEST(JSONWrite, OneEscapingForEveryDisplayControl) {
  struct Case {
    std::string_view text, written;
  } cases[] = {
      {"\x1b]0;t\x07", R"("\u001b]0;t\u0007")"},
      {"\b\f", R"("\b\f")"},
      {"\u0085\u009b", R"("\u0085\u009b")"},
      {"\u200e\u200f\u202a\u202e\u2066\u2069", R"("\u200e\u200f\u202a\u202e\u2066\u2069")"},
      {"\u2028\u2029", R"("\u2028\u2029")"},
      {"\u00a0\u200d\u2065\u206a\U0001F600", "\"\u00a0\u200d\u2065\u206a\U0001F600\""},
      {"a\xff"
       "b\xc3",
       R"("a\ufffdb\ufffd")"},
  };
  for (const auto& c : cases) {
    std::string out;
    Foundation::JSON::appendString(out, c.text);
    EXPECT_EQ(out, c.written) << c.written;
    if (Foundation::isValidUTF8(c.text)) {
      auto back = Document::parse(out);
      ASSERT_TRUE(back) << c.written;
      EXPECT_EQ(back->root().string(), c.text);
    }
  }
}

TEST(JSONWrite, EscapesAndRefusals) {
  Writer w;
  w.beginObject();
  w.key("t");
  w.value(std::string_view("q\"b\\n\n\x01\x1f\x7f\u00e9"));
  w.key("a");
  w.beginArray();
  w.value(std::int64_t{-3});
  w.value(std::uint64_t{18446744073709551615ULL});
  w.value(true);
  w.null();
  w.endArray();
  w.endObject();
  EXPECT_EQ(w.text(),
            "{\"t\":\"q\\\"b\\\\n\\n\\u0001\\u001f\\u007f\u00e9\",\"a\":[-3,18446744073709551615,"
            "true,null]}");
  auto back = Document::parse(w.text());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->root().member("t")->string(), "q\"b\\n\n\x01\x1f\x7f\u00e9");

  Writer bad;
  EXPECT_THROW(bad.value(std::string_view("\xC3")), std::system_error);
  EXPECT_THROW(bad.value(std::string_view("a\0", 2)), std::system_error);
}

}  // namespace
