// Runs a program's command line in the test process, with its standard streams captured.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Platform/Foundation/CommandLine.h"

namespace TestSupport {

struct Outcome {
  int status;
  std::string out, err;
};

// `entry` is the program's command line taking argc, argv and its streams; `program` becomes
// argv[0] and `input` is standard input.
using CommandLineEntry =
    std::function<int(int argc, const char* const* argv, Foundation::CommandLine::CommandIO io)>;

inline Outcome captureCommandLine(const std::string& program, std::vector<std::string> args,
                                  const CommandLineEntry& entry, const std::string& input = {}) {
  args.insert(args.begin(), program);
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  std::istringstream in(input);
  int status = entry(int(argv.size()), argv.data(), {out, err, in});
  return {status, out.str(), err.str()};
}

}  // namespace TestSupport
