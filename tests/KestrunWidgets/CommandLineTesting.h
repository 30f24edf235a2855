// Runs the program's command line in the test process, with its standard streams captured.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
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
  int status =
      WidgetHost::runCommandLine(KestrunWidgets::program(), int(argv.size()), argv.data(),
                                 KestrunWidgets::commands(KestrunWidgetBundle{}.body()), io);
  WidgetStore::overrideFileLocation(std::nullopt);  // --snapshot lasts for one command
  return {status, out.str(), err.str()};
}

}  // namespace CommandLineTesting
