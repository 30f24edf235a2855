// The live desktop: each widget in a window of its own (or all in one), drawn with the toolkit's
// renderer at the display's scale and in the desktop's light or dark preference.
//
// Scheduling: each timeline entry is shown from its date on and a new timeline is asked for once
// the last entry's date has passed; as the host's own choice, also as soon as the watched file is
// written or replaced (inotify on its directory, or on the nearest existing ancestor while the
// directory is missing) and when the machine wakes from sleep (logind's PrepareForSleep on the
// system bus). Between those moments the process sleeps in the main loop: no polling. A tap (a
// release over the link the press began on) is hit-tested and its URL handed to the desktop's
// handler for the URL's scheme (GIO, never a shell); when nothing handles it, one desktop
// notification and stderr say so.
//
// `--now` starts the host's clock at that date, from where it runs on.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "Platform/WidgetHost/CommandLine.h"
#include "Platform/WidgetHost/Desktop/DesktopModule.h"
#include "Platform/WidgetHost/Widget.h"

namespace WidgetHost {

// `watchedFile` names the file whose replacement asks for new timelines (looked up at start).
// With --snapshot FILE the desktop shows the widgets the extension makes for FILE and watches FILE.
Command desktopHostCommand(WidgetExtension extension, DesktopIdentity identity,
                           std::function<std::optional<std::filesystem::path>()> watchedFile);

}  // namespace WidgetHost
