// The extension's command line: the host's commands for our provider, plus the kit's own
// (decode, write, sample, where).
#pragma once

#include <functional>
#include <vector>

#include "KestrunWidgets/SnapshotProvider.h"
#include "Platform/WidgetHost/CommandLine.h"
#include "Platform/WidgetHost/Widget.h"

namespace KestrunWidgets {

// The widgets, each reading its snapshot through the provider given.
using WidgetsWithProvider =
    std::function<std::vector<WidgetHost::WidgetDescription>(const SnapshotProvider&)>;

// The kit's and the provider's commands; with widgets, the host's commands for them too.
std::vector<WidgetHost::Command> commands(const WidgetsWithProvider& widgets = {});

// The program as its help, manual page and completion describe it.
WidgetHost::Program program();

int runCommandLine(int argc, const char* const* argv, const WidgetsWithProvider& widgets);

}  // namespace KestrunWidgets
