// Text that comes from the machine (file names, network names, messages) made fit for the snapshot
// and for a terminal, and the small readers of kernel text files that every source shares.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Probe {

// Valid UTF-8 with every control character (C0, DEL, C1) and every invalid byte as U+FFFD, so
// the text can be encoded into the document and printed without reaching a terminal raw.
std::string displayText(std::string_view bytes);

// A kernel text file (/proc, /sys) read whole, at most `cap` bytes; none when it cannot be read.
std::optional<std::string> readSystemFile(const std::filesystem::path& path,
                                          std::size_t cap = 1 << 20);

// The text split at runs of blanks and tabs.
std::vector<std::string_view> fields(std::string_view line);

// Each line of `text`, without its newline.
template <class Body>
void forEachLine(std::string_view text, Body body) {
  while (!text.empty()) {
    auto end = text.find('\n');
    body(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text, int base = 10);
std::optional<double> parseDouble(std::string_view text);

}  // namespace Probe
