// The host's commands for an extension's widgets: render, tree, tap and gallery.
//
//   render [--widget W|all] [--source timeline|preview|placeholder]
//          [--snapshot FILE] [--now RFC3339] [--scale 1|2|3] [--appearance light|dark]
//          [--mode full|accented] [--format png|svg|pdf] [--out DIR]
//   tree --widget W [same options]       the laid-out widget as JSON
//   tap --widget W --at X,Y [same options]   the URL a tap there opens (exit 1: none)
//   gallery [--out DIR]                  every widget, light and dark, scales 1 and 2, full colour
//                                        and accented, from the preview source, with index.html
//   symbols                              every symbol name of the toolkit's table and its icon
//
// Their options are declared to the command line's parser (CommandLine.h), which checks every
// choice before a command runs.
//
// W is a widget's kind suffix (the last component of its kind); the choices, help and messages
// list the extension's own widgets. Files are named for the suffix and the variant:
// health@2x.png, memory-dark@2x.png, wifi-accented.svg (scale 1 has no suffix).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/WidgetHost/CommandLine.h"
#include "Platform/WidgetHost/Widget.h"

namespace WidgetHost {

// With --snapshot FILE a command draws the widgets the extension makes for that file
// (WidgetExtension::readingFile); the host itself never reads it. When the extension says why the
// file cannot be read, the host prints that on stderr before drawing what the widgets then show
// (the first-run view, or for a preview the extension's stand-in).
std::vector<Command> hostCommands(WidgetExtension extension);

}  // namespace WidgetHost
