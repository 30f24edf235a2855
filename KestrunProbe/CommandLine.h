// The probe's command line: once, run, open, ports and gallery, declared to Foundation's command
// line, which parses them and makes the help, the manual page and the bash completion of the
// same declarations. Everything it prints about the machine is display text; errors are one line
// on stderr with a documented exit status.
#pragma once

#include <string>
#include <vector>

#include "Platform/Foundation/CommandLine.h"

namespace Probe {

// The statuses of every program of the project, named for what they mean here.
namespace ExitStatus {
using namespace Foundation::CommandLine::ExitStatus;
inline constexpr int writeError = platformError;   // the snapshot could not be stored
inline constexpr int noContainer = notConfigured;  // no group identifier or container
}  // namespace ExitStatus

// The program as its help, manual page and completion describe it.
Foundation::CommandLine::Program program();

// The commands; `self` is how the program was started (argv[0]), for finding the installed
// program beside it when /proc/self/exe cannot be read.
std::vector<Foundation::CommandLine::Command> commands(const std::string& self);

int runCommandLine(int argc, char** argv);

}  // namespace Probe
