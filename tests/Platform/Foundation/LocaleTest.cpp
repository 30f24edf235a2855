#include "Platform/Foundation/Locale.h"

#include <gtest/gtest.h>

#include "tests/Support/TestSupport.h"

namespace Foundation {
void PrintTo(const Locale& locale, std::ostream* out) {
  *out << '"' << locale.identifier() << '"';
}
}  // namespace Foundation

namespace {

using Foundation::Locale;
using TestSupport::ScopedLocale;

TEST(LocaleTest, ReadsPOSIXNames) {
  struct Case {
    const char* name;
    Locale expected;
  } cases[] = {
      {"de_DE.UTF-8", {"de", "DE"}},
      {"de_DE@euro", {"de", "DE"}},
      {"de_DE.ISO-8859-15@euro", {"de", "DE"}},
      {"de", {"de", ""}},
      {"de.UTF-8", {"de", ""}},
      {"pt-BR", {"pt", "BR"}},
      {"es_419.UTF-8", {"es", "419"}},
      {"DE_de", {"de", "DE"}},
      {"fil_PH", {"fil", "PH"}},
      // No preference: the default English.
      {"", {"en", "US"}},
      {"C", {"en", "US"}},
      {"POSIX", {"en", "US"}},
      {"C.UTF-8", {"en", "US"}},
      // Not a language: never allowed to name a folder.
      {"../../etc", {"en", "US"}},
      {"de_DE/../../x", {"en", "US"}},
      {"d", {"en", "US"}},
      {"deutsch", {"en", "US"}},
      {"de_DEU", {"en", "US"}},
      {"de_", {"en", "US"}},
      {"_DE", {"en", "US"}},
      {"de_D1", {"en", "US"}},
      {"de DE", {"en", "US"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Locale::fromPOSIXName(c.name), c.expected) << '"' << c.name << '"';
}

TEST(LocaleTest, EnvironmentPrecedenceIsLcAllThenLcMessagesThenLang) {
  struct Case {
    const char *lcAll, *lcMessages, *lang;
    Locale expected;
  } cases[] = {
      {"fr_FR.UTF-8", "it_IT.UTF-8", "de_DE.UTF-8", {"fr", "FR"}},
      {nullptr, "it_IT.UTF-8", "de_DE.UTF-8", {"it", "IT"}},
      {nullptr, nullptr, "de_DE.UTF-8", {"de", "DE"}},
      // Empty counts as unset, as it does for the C library.
      {"", "", "de_DE.UTF-8", {"de", "DE"}},
      {nullptr, nullptr, nullptr, {"en", "US"}},
      // A set but meaningless variable still wins: the user asked for "C".
      {"C", nullptr, "de_DE.UTF-8", {"en", "US"}},
  };
  for (const auto& c : cases) {
    ScopedLocale environment(c.lang, c.lcMessages, c.lcAll);
    EXPECT_EQ(Locale::current(), c.expected)
        << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
        << (c.lang ? c.lang : "-");
  }
}

}  // namespace
