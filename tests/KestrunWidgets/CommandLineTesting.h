// Runs the program's command line in the test process, with its standard streams captured.
#pragma once

#include <string>
#include <vector>

#include "KestrunWidgets/CommandLine.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "tests/Support/CommandLineCapture.h"

namespace CommandLineTesting {

using TestSupport::Outcome;

inline Outcome run(std::vector<std::string> args, const std::string& input = {}) {
  auto widgets = [](const SnapshotProvider& provider) {
    return KestrunWidgetBundle{}.body(provider);
  };
  return TestSupport::captureCommandLine(
      "kestrun-widgets", std::move(args),
      [&](int argc, const char* const* argv, WidgetHost::CommandIO io) {
        return WidgetHost::runCommandLine(KestrunWidgets::program(), argc, argv,
                                          KestrunWidgets::commands(widgets), io);
      },
      input);
}

}  // namespace CommandLineTesting
