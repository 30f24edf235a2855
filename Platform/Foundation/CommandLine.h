// One command line for every program of the project: subcommands, each declaring its options.
//
// One parser (glibc's getopt_long) reads them all, so every command takes `--opt value` and
// `--opt=value` alike, stops reading options at `--`, refuses an option given twice or a value
// outside its choices, and names the closest option when one is unknown. The same declarations
// make `COMMAND --help`, the manual page and the shell completion, so none of them can drift from
// what the parser accepts. The global `--now RFC3339` (before the command or among its options)
// replaces the clock for the whole command (stopped there, or running on from there: see
// Command::nowPace). Exit statuses are shared by all programs (see ExitStatus). Commands write
// their results to `out` and one line per problem to `err`, never both for one result. Not
// thread-safe: getopt_long keeps its state in globals.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/Foundation/Date.h"

namespace Foundation::CommandLine {

namespace ExitStatus {
inline constexpr int success = 0;
inline constexpr int failure = 1;         // the asked-for thing is not there or not readable
inline constexpr int platformError = 2;   // the system refused (a write, a directory)
inline constexpr int notConfigured = 3;   // no group identifier or no container
inline constexpr int usage = 64;          // a command line that cannot be understood
inline constexpr int internalError = 70;  // a failure no command expected (a fault of the program)
}  // namespace ExitStatus

struct CommandIO {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
};

// One option of a command. A flag has no `value`; an option with `choices` takes one of them
// only (and shows them in place of `value`).
struct Option {
  std::string name;          // without the dashes: "widget" for --widget
  std::string value;         // what the value is called in the help ("FILE", "DIR")
  std::string help;          // one or two sentences
  std::string defaultValue;  // what holds when the option is not given, as the help says it
  std::vector<std::string> choices = {};
  bool required = false;
  // What a shell completes the value with when there are no choices: "file" or "directory".
  std::string completes = {};
};

// What the parser made of a command's arguments: each option given (at most once) with its value
// ("" for a flag), and the operands in order.
class Arguments {
 public:
  bool has(std::string_view option) const;
  std::optional<std::string> value(std::string_view option) const;
  const std::vector<std::string>& operands() const { return operands_; }

  void set(std::string option, std::string value);
  void addOperand(std::string operand) { operands_.push_back(std::move(operand)); }

 private:
  std::vector<std::pair<std::string, std::string>> values_;
  std::vector<std::string> operands_;
};

struct Command {
  std::string name;
  std::string operands;  // the operands after the options, e.g. "FILE|-"; empty: none taken
  std::string summary;   // one sentence for the command list
  std::vector<Option> options;
  std::function<int(const Arguments& arguments, CommandIO& io)> run;
  // A long-running command takes --now as the moment it starts from, and time runs on.
  ClockPace nowPace = ClockPace::stopped;
  // What this command's statuses mean where it differs from the program's table (e.g. "1: no
  // link there").
  std::vector<std::pair<int, std::string>> exitStatuses = {};
};

// What the help, the manual page and the completion say of the program as a whole.
struct Program {
  std::string name;
  std::string version = {};
  std::string summary = {};  // the manual page's one line: "<name> - <summary>"
  std::string description = {};
  std::vector<std::pair<std::string, std::string>> environment = {};  // variable, what it does
  std::vector<std::pair<int, std::string>> exitStatuses = {};
  std::vector<std::pair<std::string, std::string>> files = {};  // path, what it is
};

// Thrown by commands for a command line they cannot understand: the message goes to stderr with the
// command's usage, and the status is ExitStatus::usage.
struct UsageError {
  std::string message;
};

// Parses a command's arguments against its options and the global ones (--now, --help); throws
// UsageError for anything the command cannot take.
Arguments parseArguments(const Command& command, const std::vector<std::string>& arguments);

// Parses the program's arguments and runs the named command. A command that fails by throwing
// std::system_error (a write, a directory) ends with one line on `err`, "<program> <command>:
// <what>", and ExitStatus::platformError; any other exception with ExitStatus::internalError.
// Besides the commands: --help (or `help [COMMAND]`), --version, and for the build
// --manual-page and --bash-completion, which print those files.
int run(const Program& program, int argc, const char* const* argv,
        const std::vector<Command>& commands, CommandIO io);

// The texts made of the declarations, wrapped to `helpWidth` columns.
inline constexpr std::size_t helpWidth = 80;
void printProgramHelp(std::ostream& os, const Program& program,
                      const std::vector<Command>& commands);
void printCommandHelp(std::ostream& os, const Program& program, const Command& command);
void printCommandUsage(std::ostream& os, const Program& program, const Command& command);
void writeManualPage(std::ostream& os, const Program& program,
                     const std::vector<Command>& commands);
void writeBashCompletion(std::ostream& os, const Program& program,
                         const std::vector<Command>& commands);
// The global options every command takes, as declared to the parser.
const std::vector<Option>& globalOptions();

}  // namespace Foundation::CommandLine
