// The platform's symbol names mapped to characters of the icon font (Material Icons, from the
// fonts-material-design-icons-iconfont package). The table is compiled in: a symbol name is
// only ever a key into it, never a path or a font query. Unknown names map to a neutral
// fallback glyph that no known name draws.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ViewToolkit {

struct SymbolGlyph {
  std::string glyph;  // UTF-8 of one private-use character of the icon font
  double rotationDegrees = 0;
  bool known = false;
};

inline constexpr const char* iconFontFamily = "Material Icons";
// A symbol's square is this many times its font's size: the icon font draws its glyphs inside
// a square em, a little larger than the text it stands beside.
inline constexpr double symbolSizeFactor = 1.2;

SymbolGlyph lookupSymbol(std::string_view name);
// Every name in the table, for checks that the font covers them all.
std::vector<std::string> knownSymbolNames();

// A name of the table with the icon font's own name and code point of its glyph, for the list
// that host-application authors choose from and for checks against the font's codepoints.
struct KnownSymbol {
  std::string name;
  std::string icon;
  char32_t codepoint;
};
std::vector<KnownSymbol> knownSymbols();
// What any other name draws.
KnownSymbol fallbackSymbol();

}  // namespace ViewToolkit
