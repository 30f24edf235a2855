// Memory in use, swap and memory pressure, from the kernel's text files under a root directory
// (the machine's own `/`, or a fake tree in tests).
//
// Pressure levels. The kernel's pressure-stall averages say what share of recent wall time tasks
// spent waiting for memory: "some" when at least one task waited, "full" when every non-idle task
// did at once, which is time the machine lost outright. The probe calls it
//   critical: full avg10 ≥ 10 % (a tenth of the last ten seconds lost outright, still well below
//             the 50–60 % over 20–30 s at which the out-of-memory daemon kills), or memory and
//             swap both more than 90 % used;
//   high:     some avg10 ≥ 10 % (tasks regularly stall on reclaim or refaults);
// and gates both on less than half of memory being available, as the desktop's low-memory monitor
// does, since short stalls on a machine with plenty free come from I/O bursts, not want of memory.
// Without the pressure file (kernels without PSI) it falls back to the share available:
// critical below 5 %, high below 15 %.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace Probe {

// Every "Key: value [kB]" line, in bytes for kB values.
std::map<std::string, std::uint64_t, std::less<>> parseMeminfo(std::string_view text);

struct PressureAverages {
  double someAvg10;
  std::optional<double> fullAvg10;  // older kernels have no "full" line for memory
};
std::optional<PressureAverages> parsePressure(std::string_view text);

WidgetSnapshot::Severity pressureLevel(std::uint64_t total, std::uint64_t available,
                                       std::uint64_t swapTotal, std::uint64_t swapFree,
                                       std::optional<PressureAverages> pressure);

// None when meminfo lacks MemTotal or MemAvailable (never an estimate from other fields).
std::optional<WidgetSnapshot::Memory> measureMemory(const std::filesystem::path& root);

}  // namespace Probe
