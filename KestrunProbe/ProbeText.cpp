#include "KestrunProbe/ProbeText.h"

#include "Platform/Foundation/Files.h"

#include <charconv>

namespace Probe {

std::string displayText(std::string_view bytes) {
  static constexpr std::string_view replacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F)
        out += replacement;
      else
        out += static_cast<char>(c);
      ++i;
      continue;
    }
    std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (c > 0xF4 || length == 0 || i + length > bytes.size()) {
      out += replacement;
      ++i;
      continue;
    }
    std::uint32_t code = c & (0xFF >> (length + 1));
    bool valid = true;
    for (std::size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      code = (code << 6) | (next & 0x3F);
    }
    static constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!valid || code < smallest[length] || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      out += replacement;
      ++i;
      continue;
    }
    if (code >= 0x80 && code <= 0x9F)
      out += replacement;
    else
      out.append(bytes.substr(i, length));
    i += length;
  }
  return out;
}

// Kernel files report a size of 0 and hand out a page a read; Foundation's bounded read reads
// them to their end.
std::optional<std::string> readSystemFile(const std::filesystem::path& path, std::size_t cap) {
  return Foundation::readWholeFile(path, cap);
}

std::vector<std::string_view> fields(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text, int base) {
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<double> parseDouble(std::string_view text) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace Probe
