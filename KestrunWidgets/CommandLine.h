// The extension's command line: the host's commands for our provider, plus the kit's own
// (decode, write, sample, where).
#pragma once

#include <vector>

#include "Platform/WidgetHost/CommandLine.h"
#include "Platform/WidgetHost/Widget.h"

namespace KestrunWidgets {

// The kit's and the provider's commands; with widgets, the host's commands for them too.
std::vector<WidgetHost::Command> commands(std::vector<WidgetHost::WidgetDescription> widgets = {});

// The program as its help, manual page and completion describe it.
WidgetHost::Program program();

int runCommandLine(int argc, const char* const* argv,
                   std::vector<WidgetHost::WidgetDescription> widgets);

}  // namespace KestrunWidgets
