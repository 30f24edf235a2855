#include "Platform/ViewToolkit/Symbols.h"

#include <algorithm>
#include <array>

namespace ViewToolkit {
namespace {

struct Entry {
  std::string_view name;
  char32_t codepoint;
  double rotation;
};

// Matched by shape; the icon font has no fill/outline pairs, so ".fill" names use its one
// filled glyph. Sorted by name for binary search.
constexpr std::array kTable = {
    Entry{"arrow.down", 0xE5DB, 0},
    Entry{"arrow.triangle.2.circlepath", 0xE627, 0},
    Entry{"arrow.up", 0xE5D8, 0},
    Entry{"bell.fill", 0xE7F4, 0},
    Entry{"bolt.horizontal.fill", 0xEA0B, 90},
    Entry{"checkmark", 0xE5CA, 0},
    Entry{"checkmark.circle.fill", 0xE86C, 0},
    Entry{"clock", 0xE8B5, 0},
    Entry{"exclamationmark.triangle.fill", 0xE002, 0},
    Entry{"externaldrive.fill", 0xE1C2, 0},
    Entry{"flag.pattern.checkered", 0xF06E, 0},
    Entry{"folder.fill", 0xE2C7, 0},
    Entry{"gauge.with.dots.needle.67percent", 0xE9E4, 0},
    Entry{"internaldrive.fill", 0xE1DB, 0},
    Entry{"lock.fill", 0xE897, 0},
    Entry{"memorychip.fill", 0xE322, 0},
    Entry{"network", 0xE894, 0},
    Entry{"play.fill", 0xE037, 0},
    Entry{"shippingbox.fill", 0xE1A1, 0},
    Entry{"terminal.fill", 0xEB8E, 0},
    Entry{"trash.fill", 0xE872, 0},
    Entry{"wifi", 0xE63E, 0},
    Entry{"wifi.slash", 0xE648, 0},
    Entry{"xmark.octagon.fill", 0xE99A, 0},
};

// radio_button_unchecked: an empty ring, which says "some symbol" without claiming a meaning.
constexpr char32_t kFallback = 0xE836;

std::string utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += char(c);
  } else if (c < 0x800) {
    s += char(0xC0 | (c >> 6));
    s += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += char(0xE0 | (c >> 12));
    s += char(0x80 | ((c >> 6) & 0x3F));
    s += char(0x80 | (c & 0x3F));
  } else {
    s += char(0xF0 | (c >> 18));
    s += char(0x80 | ((c >> 12) & 0x3F));
    s += char(0x80 | ((c >> 6) & 0x3F));
    s += char(0x80 | (c & 0x3F));
  }
  return s;
}

static_assert(std::is_sorted(kTable.begin(), kTable.end(),
                             [](const Entry& a, const Entry& b) { return a.name < b.name; }));

}  // namespace

SymbolGlyph lookupSymbol(std::string_view name) {
  auto it = std::lower_bound(kTable.begin(), kTable.end(), name,
                             [](const Entry& e, std::string_view n) { return e.name < n; });
  if (it != kTable.end() && it->name == name) return {utf8(it->codepoint), it->rotation, true};
  return {utf8(kFallback), 0, false};
}

std::vector<std::string> knownSymbolNames() {
  std::vector<std::string> names;
  for (const Entry& e : kTable) names.emplace_back(e.name);
  return names;
}

}  // namespace ViewToolkit
