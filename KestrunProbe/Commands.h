// Running other programs: the speed test and the commands behind the deep links.
//
// A command is an argument vector, started with posix_spawnp and never handed to a shell, so no
// text from a link, a file or the configuration is ever parsed as shell words.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "KestrunProbe/Config.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace Probe {

// Whether the program of `command` can be found (on PATH unless it names a path).
bool canRun(const Command& command);

// Starts the command in a session of its own and does not wait for it; false with the reason in
// *why when it cannot be started.
bool launchDetached(const Command& command, std::string* why);

// Runs the command and collects up to 4 MiB of its standard output; none with the reason when it
// cannot be started, fails, or outlives the timeout (it is then killed). Its standard input holds
// `input` (from a memory file, so a child that never reads cannot block the caller), or is empty.
std::optional<std::string> runCapturing(const Command& command, std::chrono::milliseconds timeout,
                                        std::string* why, std::string_view input = {});

// The speed test's output: its first line holds the download and upload rates in megabits per
// second, as two decimal numbers separated by blanks ("236.4 41.2"); the rest is ignored.
std::optional<WidgetSnapshot::SpeedTest> parseSpeedTest(std::string_view output,
                                                        Foundation::Date at);

}  // namespace Probe
