#include "Platform/Foundation/Text.h"

#include <gtest/gtest.h>

namespace {

using Foundation::escapedForTerminal;

// What reaches a terminal from a file or the environment: controls of every kind escaped, the
// rest of the text as it stands.
TEST(TerminalText, EveryDisplayControlAndBadByteIsEscaped) {
  struct Case {
    std::string_view text, shown;
  } cases[] = {
      {"\x1b]0;title\x07\x1b[2J", R"(\u001b]0;title\u0007\u001b[2J)"},
      {"line\nforged: yes\r", R"(line\u000aforged: yes\u000d)"},
      {"tab\tdel\x7f", R"(tab\u0009del\u007f)"},
      {"\u0085\u009b31m", R"(\u0085\u009b31m)"},
      {"\u202eevil\u202c \u2066x\u2069 \u200e\u200f",
       R"(\u202eevil\u202c \u2066x\u2069 \u200e\u200f)"},
      {"\x9b"
       "31m \xc3",
       R"(\x9b31m \xc3)"},
      {"/home/k/.local/share/é 😀 \u200d \u00a0", "/home/k/.local/share/é 😀 \u200d \u00a0"},
      {"back\\slash", "back\\slash"},
  };
  for (const auto& c : cases) EXPECT_EQ(escapedForTerminal(c.text), c.shown) << c.shown;
}

TEST(UTF8, StrictValidationAndDecoding) {
  const char* invalid[] = {"\xC3\x28",         "\xC0\xAF", "\xED\xA0\x80",
                           "\xF4\x90\x80\x80", "\xE2\x82", "\xFF"};
  for (const char* text : invalid) EXPECT_FALSE(Foundation::isValidUTF8(text)) << text;
  EXPECT_TRUE(Foundation::isValidUTF8("a\u00e9\u20ac\U0001F600"));
  auto c = Foundation::decodeUTF8("\U0001F600", 0);
  EXPECT_EQ(c.value, U'\U0001F600');
  EXPECT_EQ(c.length, 4u);
  EXPECT_EQ(Foundation::decodeUTF8("\xED\xA0\x80", 0).length, 0u);
}

}  // namespace
