// Runs the program's command line in the test process, with its standard streams captured.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "KestrunWidgets/CommandLine.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"

namespace CommandLineTesting {

struct Outcome {
  int status;
  std::string out, err;
};

inline Outcome run(std::vector<std::string> args, std::string input = {}) {
  args.insert(args.begin(), "kestrun-widgets");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  std::istringstream in(input);
  WidgetHost::CommandIO io{out, err, in};
  auto widgets = [](const SnapshotProvider& provider) {
    return KestrunWidgetBundle{}.body(provider);
  };
  int status = WidgetHost::runCommandLine(KestrunWidgets::program(), int(argv.size()), argv.data(),
                                          KestrunWidgets::commands(widgets), io);
  return {status, out.str(), err.str()};
}

}  // namespace CommandLineTesting
