// The probe's command line: once, run, open, ports and gallery. Everything it prints about the
// machine is display text; errors are one line on stderr with a documented exit status.
#pragma once

namespace Probe {

namespace ExitStatus {
inline constexpr int success = 0;
inline constexpr int failure = 1;      // a link nobody answers, a command that cannot start
inline constexpr int writeError = 2;   // the snapshot could not be stored
inline constexpr int noContainer = 3;  // no group identifier or container to store into
inline constexpr int usage = 64;
}  // namespace ExitStatus

int runCommandLine(int argc, char** argv);

}  // namespace Probe
