// The symbol table against the icon font's own list of glyph names and code points, as the font
// package installs it.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "Platform/ViewToolkit/Symbols.h"

namespace {

using namespace ViewToolkit;

const char* const codepointsFile =
    "/usr/share/fonts-material-design-icons-iconfont/scss/_variables.scss";

// "name": e8b8, lines of the font's codepoints map.
std::map<std::string, char32_t> fontCodepoints() {
  std::map<std::string, char32_t> codepoints;
  std::ifstream in(codepointsFile);
  std::regex entry(R"re(^\s*"([a-z0-9_]+)":\s*([0-9a-f]+),?\s*$)re");
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_match(line, m, entry))
      codepoints.emplace(m[1].str(), char32_t(std::stoul(m[2].str(), nullptr, 16)));
  }
  return codepoints;
}

TEST(SymbolTable, EveryNameDrawsTheFontsGlyphOfTheNamedIcon) {
  auto font = fontCodepoints();
  if (font.empty()) GTEST_SKIP() << "no " << codepointsFile;
  auto symbols = knownSymbols();
  EXPECT_GE(symbols.size(), 300u);
  std::set<std::string> names;
  for (const KnownSymbol& s : symbols) {
    SCOPED_TRACE(s.name);
    EXPECT_TRUE(names.insert(s.name).second) << "listed twice";
    ASSERT_TRUE(font.count(s.icon)) << s.icon << " is no icon of the font";
    EXPECT_EQ(font.at(s.icon), s.codepoint) << s.icon;
    SymbolGlyph g = lookupSymbol(s.name);
    EXPECT_TRUE(g.known);
    EXPECT_EQ(g.glyph, lookupSymbol(s.name).glyph);
  }
  KnownSymbol fallback = fallbackSymbol();
  ASSERT_TRUE(font.count(fallback.icon));
  EXPECT_EQ(font.at(fallback.icon), fallback.codepoint);
}

// The fallback passes for no name of the table: an unknown name is told from every known one.
TEST(SymbolTable, UnknownNamesDrawAFallbackNoKnownNameDraws) {
  const std::string fallback = lookupSymbol("no.such.symbol").glyph;
  for (const KnownSymbol& s : knownSymbols())
    EXPECT_NE(lookupSymbol(s.name).glyph, fallback) << s.name;
  using namespace std::string_literals;
  for (const std::string& name : {""s, "wifi "s, "WIFI"s, "wifi.fill.fill"s, "../wifi"s, "wifi\n"s,
                                  "<b>wifi</b>"s, "radio_button_unchecked"s, "folder.fill\0"s}) {
    SymbolGlyph g = lookupSymbol(name);
    EXPECT_FALSE(g.known) << name;
    EXPECT_EQ(g.glyph, fallback) << name;
  }
}

// The kinds of names a machine-health application sends, in their plain, filled and circled
// forms where the platform has them.
TEST(SymbolTable, CoversWhatAMachineHealthApplicationSends) {
  for (const char* name : {"folder",
                           "folder.fill",
                           "doc",
                           "doc.fill",
                           "doc.text",
                           "internaldrive",
                           "internaldrive.fill",
                           "externaldrive",
                           "externaldrive.fill",
                           "memorychip",
                           "memorychip.fill",
                           "cpu",
                           "cpu.fill",
                           "network",
                           "wifi",
                           "wifi.slash",
                           "wifi.circle",
                           "wifi.circle.fill",
                           "antenna.radiowaves.left.and.right",
                           "bolt",
                           "bolt.fill",
                           "bolt.circle.fill",
                           "power",
                           "battery.100",
                           "battery.25",
                           "exclamationmark.triangle",
                           "exclamationmark.triangle.fill",
                           "exclamationmark.circle.fill",
                           "xmark.octagon.fill",
                           "checkmark",
                           "checkmark.circle",
                           "checkmark.circle.fill",
                           "checkmark.shield.fill",
                           "clock",
                           "clock.fill",
                           "clock.circle.fill",
                           "timer",
                           "gear",
                           "gearshape.fill",
                           "hammer",
                           "hammer.fill",
                           "wrench.and.screwdriver",
                           "shippingbox",
                           "shippingbox.fill",
                           "server.rack",
                           "terminal",
                           "terminal.fill",
                           "lock",
                           "lock.fill",
                           "lock.circle.fill",
                           "lock.open",
                           "key.fill",
                           "thermometer",
                           "fan",
                           "trash.fill",
                           "arrow.triangle.2.circlepath",
                           "icloud.slash",
                           "ladybug.fill",
                           "flag.pattern.checkered"})
    EXPECT_TRUE(lookupSymbol(name).known) << name;
  // A filled form and its plain form differ where the font has both.
  EXPECT_NE(lookupSymbol("lock").glyph, lookupSymbol("lock.fill").glyph);
  EXPECT_NE(lookupSymbol("checkmark.circle").glyph, lookupSymbol("checkmark.circle.fill").glyph);
  EXPECT_NE(lookupSymbol("bell").glyph, lookupSymbol("bell.fill").glyph);
}

}  // namespace
