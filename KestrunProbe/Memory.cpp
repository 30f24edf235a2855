#include "KestrunProbe/Memory.h"

#include "KestrunProbe/ProbeText.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace Probe {

std::map<std::string, std::uint64_t, std::less<>> parseMeminfo(std::string_view text) {
  std::map<std::string, std::uint64_t, std::less<>> values;
  forEachLine(text, [&](std::string_view line) {
    auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return;
    auto parts = fields(line.substr(colon + 1));
    if (parts.empty() || parts.size() > 2) return;
    auto number = parseUnsigned(parts[0]);
    if (!number) return;
    std::uint64_t scale = 1;
    if (parts.size() == 2) {
      if (parts[1] != "kB") return;
      scale = 1024;
    }
    if (*number > UINT64_MAX / scale) return;
    values.emplace(std::string(line.substr(0, colon)), *number * scale);
  });
  return values;
}

std::optional<PressureAverages> parsePressure(std::string_view text) {
  std::optional<double> some, full;
  forEachLine(text, [&](std::string_view line) {
    auto parts = fields(line);
    if (parts.size() < 2 || !parts[1].starts_with("avg10=")) return;
    auto value = parseDouble(parts[1].substr(6));
    if (!value || !(*value >= 0 && *value <= 100)) return;
    if (parts[0] == "some") some = value;
    if (parts[0] == "full") full = value;
  });
  if (!some) return std::nullopt;
  return PressureAverages{*some, full};
}

WidgetSnapshot::Severity pressureLevel(std::uint64_t total, std::uint64_t available,
                                       std::uint64_t swapTotal, std::uint64_t swapFree,
                                       std::optional<PressureAverages> pressure) {
  using Severity = WidgetSnapshot::Severity;
  if (total == 0) return Severity::info;
  double availableShare = static_cast<double>(available) / static_cast<double>(total);
  if (!pressure) {
    if (availableShare < 0.05) return Severity::critical;
    if (availableShare < 0.15) return Severity::warning;
    return Severity::info;
  }
  if (availableShare >= 0.5) return Severity::info;
  bool swapAlmostFull = swapTotal > 0 && swapFree < swapTotal / 10;
  if ((pressure->fullAvg10 && *pressure->fullAvg10 >= 10) ||
      (availableShare < 0.1 && swapAlmostFull))
    return Severity::critical;
  if (pressure->someAvg10 >= 10) return Severity::warning;
  return Severity::info;
}

std::optional<WidgetSnapshot::Memory> measureMemory(const std::filesystem::path& root) {
  auto text = readSystemFile(root / "proc/meminfo");
  if (!text) return std::nullopt;
  auto values = parseMeminfo(*text);
  auto get = [&](std::string_view key) -> std::optional<std::uint64_t> {
    auto found = values.find(key);
    if (found == values.end()) return std::nullopt;
    return found->second;
  };
  auto total = get("MemTotal"), available = get("MemAvailable");
  if (!total || !available || *available > *total) return std::nullopt;
  std::uint64_t swapTotal = get("SwapTotal").value_or(0);
  std::uint64_t swapFree = std::min(get("SwapFree").value_or(swapTotal), swapTotal);

  std::optional<PressureAverages> pressure;
  if (auto psi = readSystemFile(root / "proc/pressure/memory", 4096))
    pressure = parsePressure(*psi);
  return WidgetSnapshot::Memory{*total - *available, *total, swapTotal - swapFree,
                                pressureLevel(*total, *available, swapTotal, swapFree, pressure)};
}

}  // namespace Probe
