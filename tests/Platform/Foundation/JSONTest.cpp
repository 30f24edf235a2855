#include "Platform/Foundation/JSON.h"
#include "Platform/Foundation/Text.h"

#include <gtest/gtest.h>

#include <system_error>

namespace {

using Foundation::JSON::Document;
using Foundation::JSON::Type;
using Foundation::JSON::Writer;

std::string nested(std::size_t depth) {
  return std::string(depth, '[') + std::string(depth, ']');
}

TEST(JSONParse, DepthIsBounded) {
  EXPECT_TRUE(Document::parse(nested(16)));
  EXPECT_FALSE(Document::parse(nested(17)));
  std::string why;
  EXPECT_FALSE(Document::parse(nested(100000), 16, &why));
  EXPECT_EQ(why, "(root): nested deeper than 16 levels");
}

TEST(JSONParse, DuplicateMembersFailAtAnyDepth) {
  std::string why;
  EXPECT_FALSE(Document::parse(R"({"a":{"b":[{"c":1,"c":1}]}})", 16, &why));
  EXPECT_EQ(why, R"(a.b[0]: member "c" appears twice)");
  EXPECT_TRUE(Document::parse(R"({"a":{"c":1},"b":{"c":1}})"));
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
      {"a\xff" "b\xc3", R"("a\ufffdb\ufffd")"},
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
            "{\"t\":\"q\\\"b\\\\n\\n\\u0001\\u001f\\u007f\u00e9\",\"a\":[-3,18446744073709551615,true,null]}");
  auto back = Document::parse(w.text());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->root().member("t")->string(), "q\"b\\n\n\x01\x1f\x7f\u00e9");

  Writer bad;
  EXPECT_THROW(bad.value(std::string_view("\xC3")), std::system_error);
  EXPECT_THROW(bad.value(std::string_view("a\0", 2)), std::system_error);
}

}  // namespace
