// The extension's command line: the host's commands for our provider, plus the kit's own
// (decode, write, sample, where).
#pragma once

#include <vector>

#include "Platform/WidgetHost/CommandLine.h"

namespace KestrunWidgets {

std::vector<WidgetHost::Command> commands();

int runCommandLine(int argc, const char* const* argv);

}  // namespace KestrunWidgets
