#include "Platform/Foundation/Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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
  // Every language translated here, so that the precedence alone decides.
  auto everything = [](const Locale&) { return true; };
  for (const auto& c : cases) {
    ScopedLocale environment(c.lang, c.lcMessages, c.lcAll);
    std::string_view chosen;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
      if (const char* value = std::getenv(variable); value && *value && chosen.empty())
        chosen = value;
    EXPECT_EQ(Locale::resolve(chosen, "", everything), c.expected)
        << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
        << (c.lang ? c.lang : "-");
  }
}

// Catalogues for German (de and de_CH) and French only.
bool translatedHere(const Locale& locale) {
  return locale.language == "de" || locale.language == "fr";
}

TEST(LocaleTest, LanguageListChoosesTheFirstLanguageThatIsSpoken) {
  struct Case {
    const char *locale, *languages;
    Locale expected;
  } cases[] = {
      {"en_US.UTF-8", "de:en", {"de", ""}},
      {"en_US.UTF-8", "", {"en", "US"}},
      {"de_DE.UTF-8", "", {"de", "DE"}},
      // A language without a region keeps the locale's region when the locale speaks it.
      {"de_CH.UTF-8", "de:en", {"de", "CH"}},
      {"en_GB.UTF-8", "fr_CA:de", {"fr", "CA"}},
      // Languages without a catalogue are passed over; English always has its texts.
      {"en_US.UTF-8", "it:pt_BR:de", {"de", ""}},
      {"de_DE.UTF-8", "it:en_GB:de", {"en", "GB"}},
      {"de_DE.UTF-8", "it", {"en", "US"}},
      {"en_GB.UTF-8", "it", {"en", "GB"}},
      // C in the list means the untranslated texts from there on.
      {"de_DE.UTF-8", "C:de", {"en", "US"}},
      // A locale without a catalogue speaks English, numbers and dates included.
      {"it_IT.UTF-8", "", {"en", "US"}},
      // Empty and unreadable entries are skipped; a list of nothing falls back to the locale.
      {"de_AT.UTF-8", "::../x:deutsch:", {"de", "AT"}},
      // C, POSIX, no locale at all or an unreadable one: LANGUAGE is ignored, as the C library
      // ignores it there. C.UTF-8 honours it.
      {"C", "de", {"en", "US"}},
      {"POSIX", "de", {"en", "US"}},
      {"", "de", {"en", "US"}},
      {"../de", "de", {"en", "US"}},
      {"C.UTF-8", "de", {"de", ""}},
      {"C.UTF-8", "", {"en", "US"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Locale::resolve(c.locale, c.languages, translatedHere), c.expected)
        << c.locale << " LANGUAGE=" << c.languages;
}

TEST(LocaleTest, CurrentReadsLanguageAndTheInstalledCatalogues) {
  TestSupport::TemporaryDirectory bundle;
  TestSupport::writeFile(bundle / "locale/de/LC_MESSAGES/kestrun-widgets.mo",
                         std::string("\xde\x12\x04\x95") + std::string(24, '\0'));
  TestSupport::ScopedEnvironment environment{{"KESTRUN_BUNDLE", bundle.path().c_str()}};
  {
    ScopedLocale locale("en_US.UTF-8", nullptr, nullptr, "de:en");
    EXPECT_EQ(Locale::current(), (Locale{"de", ""}));
  }
  {
    ScopedLocale locale("en_US.UTF-8", nullptr, nullptr, "fr:en");
    EXPECT_EQ(Locale::current(), (Locale{"en", "US"}));
  }
}

}  // namespace
