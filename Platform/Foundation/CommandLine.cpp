#include "Platform/Foundation/CommandLine.h"

#include <getopt.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "Platform/Foundation/Text.h"

namespace Foundation::CommandLine {
namespace {

// Long options are told apart by their index; getopt_long returns it offset past every character.
constexpr int firstOptionCode = 256;

std::string printable(std::string_view text) {
  return Foundation::escapedForTerminal(text);
}

// Edits between two names (insertions, deletions, substitutions, swaps of neighbours), so that a
// typing slip names the option meant.
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

std::string unknownOption(std::string_view given, const std::vector<Option>& options) {
  std::string name(given.substr(0, given.find('=')));
  std::string bare = name.substr(
      name.find_first_not_of('-') == std::string::npos ? name.size() : name.find_first_not_of('-'));
  std::vector<std::string> starting;
  for (const Option& o : options)
    if (!bare.empty() && o.name.rfind(bare, 0) == 0) starting.push_back("--" + o.name);
  if (starting.size() > 1) {
    std::string list;
    for (const auto& s : starting) list += (list.empty() ? "" : ", ") + s;
    return "option " + printable(name) + " is ambiguous: " + list;
  }
  const Option* closest = nullptr;
  std::size_t best = 0;
  for (const Option& o : options) {
    std::size_t distance = editDistance(bare, o.name);
    if (!closest || distance < best) closest = &o, best = distance;
  }
  std::string message = "unknown option " + printable(name);
  // Beyond half the name's length the closest option is no longer what was meant.
  if (closest && best <= std::max<std::size_t>(2, bare.size() / 2))
    message += "; did you mean --" + closest->name + "?";
  return message;
}

std::string choiceList(const std::vector<std::string>& choices) {
  std::string list;
  for (const auto& c : choices) list += (list.empty() ? "" : "|") + c;
  return list;
}

const Option* findOption(const std::vector<Option>& options, std::string_view name) {
  auto it =
      std::find_if(options.begin(), options.end(), [&](const Option& o) { return o.name == name; });
  return it == options.end() ? nullptr : &*it;
}

// Reads options up to the operands. `stopAtOperand` keeps everything from the first operand on
// as operands (the command name and its own arguments); otherwise options may follow operands.
Arguments parse(const std::vector<Option>& options, const std::vector<std::string>& args,
                bool stopAtOperand, bool takesOperands) {
  std::vector<std::string> storage;
  storage.reserve(args.size() + 1);
  storage.emplace_back("");
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  std::vector<option> longs;
  for (std::size_t i = 0; i < options.size(); ++i)
    longs.push_back(
        {options[i].name.c_str(),
         options[i].value.empty() && options[i].choices.empty() ? no_argument : required_argument,
         nullptr, firstOptionCode + int(i)});
  longs.push_back({nullptr, 0, nullptr, 0});
  const bool hasHelp = findOption(options, "help") != nullptr;
  // ":" first: a missing value is told apart from an unknown option; "+": no reordering.
  std::string shorts = std::string(stopAtOperand ? "+" : "") + ":" + (hasHelp ? "h" : "");

  Arguments result;
  optind = 0;  // glibc: start over, forgetting any earlier parse
  opterr = 0;
  const int argc = int(argv.size()) - 1;
  for (;;) {
    int code = getopt_long(argc, argv.data(), shorts.c_str(), longs.data(), nullptr);
    if (code == -1) break;
    if (code == ':') {
      throw UsageError{"--" + options[std::size_t(optopt - firstOptionCode)].name +
                       " needs a value"};
    }
    if (code == '?') {
      if (optopt >= firstOptionCode)
        throw UsageError{"--" + options[std::size_t(optopt - firstOptionCode)].name +
                         " takes no value"};
      if (optopt != 0)
        throw UsageError{"unknown option -" + printable(std::string(1, char(optopt)))};
      throw UsageError{unknownOption(argv[std::size_t(optind - 1)], options)};
    }
    const Option& o =
        code == 'h' ? *findOption(options, "help") : options[std::size_t(code - firstOptionCode)];
    if (result.has(o.name)) throw UsageError{"--" + o.name + " is given twice"};
    std::string value = optarg ? optarg : "";
    if (!o.choices.empty() &&
        std::find(o.choices.begin(), o.choices.end(), value) == o.choices.end())
      throw UsageError{"--" + o.name + " takes " + choiceList(o.choices) + ", not \"" +
                       printable(value) + "\""};
    if (!o.value.empty() && o.choices.empty() && value.empty())
      throw UsageError{"--" + o.name + " needs a value"};
    result.set(o.name, std::move(value));
  }
  for (int i = optind; i < argc; ++i) result.addOperand(argv[std::size_t(i)]);
  if (!takesOperands && !result.operands().empty())
    throw UsageError{"unexpected argument \"" + printable(result.operands().front()) + "\""};
  if (!result.has("help"))
    for (const Option& o : options)
      if (o.required && !result.has(o.name)) throw UsageError{"--" + o.name + " is required"};
  return result;
}

std::vector<Option> withGlobalOptions(const std::vector<Option>& own) {
  std::vector<Option> all = own;
  for (const Option& g : globalOptions())
    if (!findOption(all, g.name)) all.push_back(g);
  return all;
}

const std::vector<Option>& programOptions() {
  static const std::vector<Option> options = [] {
    std::vector<Option> o = globalOptions();
    o.push_back({"version", "", "Prints the program's name and version.", ""});
    // For the build, which makes the manual page and the completion from the declarations.
    o.push_back({"manual-page", "", "", ""});
    o.push_back({"bash-completion", "", "", ""});
    return o;
  }();
  return options;
}

std::optional<Date> parseNow(const std::string& value) {
  auto date = parseRFC3339(value);
  if (!date) throw UsageError{"--now: \"" + printable(value) + "\" is not an RFC 3339 date"};
  return date;
}

int runCommand(const Program& program, const Command& command, const std::vector<std::string>& rest,
               std::optional<Date> now, CommandIO& io) {
  std::optional<ScopedClock> clock;
  try {
    Arguments arguments = parseArguments(command, rest);
    if (arguments.has("help")) {
      printCommandHelp(io.out, program, command);
      return ExitStatus::success;
    }
    if (auto value = arguments.value("now")) {
      if (now) throw UsageError{"--now is given twice"};
      now = parseNow(*value);
    }
    if (now) clock.emplace(*now, command.nowPace);
    return command.run(arguments, io);
  } catch (const UsageError& e) {
    io.err << program.name << " " << command.name << ": " << e.message << '\n';
    printCommandUsage(io.err, program, command);
    return ExitStatus::usage;
  } catch (const std::system_error& e) {
    io.err << program.name << " " << command.name << ": " << printable(e.what()) << '\n';
    return ExitStatus::platformError;
  } catch (const std::exception& e) {
    io.err << program.name << " " << command.name << ": internal error: " << printable(e.what())
           << '\n';
    return ExitStatus::internalError;
  } catch (...) {
    io.err << program.name << " " << command.name << ": internal error\n";
    return ExitStatus::internalError;
  }
}

}  // namespace

bool Arguments::has(std::string_view option) const {
  return value(option).has_value();
}

std::optional<std::string> Arguments::value(std::string_view option) const {
  for (const auto& [name, value] : values_)
    if (name == option) return value;
  return std::nullopt;
}

void Arguments::set(std::string option, std::string value) {
  values_.emplace_back(std::move(option), std::move(value));
}

const std::vector<Option>& globalOptions() {
  static const std::vector<Option> options = {
      {"now", "RFC3339",
       "Replaces the clock for the command with that date (a long-running command starts from it "
       "and time runs on).",
       "the system clock"},
      {"help", "", "Prints this help.", ""},
  };
  return options;
}

Arguments parseArguments(const Command& command, const std::vector<std::string>& arguments) {
  return parse(withGlobalOptions(command.options), arguments, false, !command.operands.empty());
}

int run(const Program& program, int argc, const char* const* argv,
        const std::vector<Command>& commands, CommandIO io) {
  std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);

  // The program's own options stand before the command; the command's, after it.
  Arguments top;
  std::optional<Date> now;
  try {
    top = parse(programOptions(), args, true, true);
    if (auto value = top.value("now")) now = parseNow(*value);
  } catch (const UsageError& e) {
    io.err << program.name << ": " << e.message << "\n";
    io.err << "try " << program.name << " --help\n";
    return ExitStatus::usage;
  }
  if (top.has("version")) {
    io.out << program.name << ' ' << program.version << '\n';
    return ExitStatus::success;
  }
  if (top.has("manual-page")) {
    writeManualPage(io.out, program, commands);
    return ExitStatus::success;
  }
  if (top.has("bash-completion")) {
    writeBashCompletion(io.out, program, commands);
    return ExitStatus::success;
  }
  const std::vector<std::string>& operands = top.operands();
  auto find = [&](const std::string& name) {
    return std::find_if(commands.begin(), commands.end(),
                        [&](const Command& c) { return c.name == name; });
  };
  const bool helpWord = !operands.empty() && operands[0] == "help";
  if (top.has("help") || helpWord) {
    // `help COMMAND` and `--help COMMAND` alike.
    if (operands.size() == (helpWord ? 2u : 1u) && find(operands.back()) != commands.end()) {
      printCommandHelp(io.out, program, *find(operands.back()));
      return ExitStatus::success;
    }
    printProgramHelp(io.out, program, commands);
    return ExitStatus::success;
  }
  if (operands.empty()) {
    printProgramHelp(io.err, program, commands);
    return ExitStatus::usage;
  }
  auto command = find(operands[0]);
  if (command == commands.end()) {
    const Command* closest = nullptr;
    std::size_t best = 0;
    for (const Command& c : commands) {
      std::size_t distance = editDistance(operands[0], c.name);
      if (!closest || distance < best) closest = &c, best = distance;
    }
    io.err << program.name << ": unknown command \"" << printable(operands[0]) << "\"";
    if (closest && best <= std::max<std::size_t>(2, operands[0].size() / 2))
      io.err << "; did you mean " << closest->name << "?";
    io.err << "; try " << program.name << " --help\n";
    return ExitStatus::usage;
  }
  return runCommand(program, *command, {operands.begin() + 1, operands.end()}, now, io);
}

}  // namespace Foundation::CommandLine
