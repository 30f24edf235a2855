#include "Platform/WidgetHost/CommandLine.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "Platform/Foundation/Text.h"
#include "Platform/ViewToolkit/RenderError.h"

namespace WidgetHost {
namespace {

void printUsage(std::ostream& os, std::string_view program, const std::vector<Command>& commands) {
  os << "usage: " << program << " [--now RFC3339] COMMAND [ARGUMENTS]\n\ncommands:\n";
  // Short synopses share a line with their summary; long ones stand on a line of their own.
  constexpr std::size_t column = 28;
  for (const auto& c : commands) {
    std::string head = c.name + (c.synopsis.empty() ? "" : " " + c.synopsis);
    if (head.size() > column)
      os << "  " << head << "\n  " << std::string(column + 2, ' ') << c.summary << '\n';
    else
      os << "  " << head << std::string(column - head.size() + 2, ' ') << c.summary << '\n';
  }
  os << "\n--now RFC3339 replaces the clock for the command; COMMAND --help describes one command.\n";
}

void printCommandUsage(std::ostream& os, std::string_view program, const Command& c) {
  os << "usage: " << program << " " << c.name << (c.synopsis.empty() ? "" : " " + c.synopsis)
     << "\n" << c.summary << '\n';
}

}  // namespace

void writeEntryJSON(Foundation::JSON::Writer& w, Foundation::Date date,
                    const std::function<void(Foundation::JSON::Writer&)>& payload) {
  w.beginObject();
  w.key("date");
  w.value(Foundation::formatRFC3339(date));
  payload(w);
  w.endObject();
}

int runCommandLine(std::string_view program, int argc, const char* const* argv,
                   const std::vector<Command>& commands, CommandIO io) {
  std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);

  // --now may stand anywhere; it is taken out before the command sees its arguments.
  std::optional<Foundation::Date> now;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--now" && args[i].rfind("--now=", 0) != 0) continue;
    std::string value;
    std::size_t take = 1;
    if (args[i] == "--now") {
      if (i + 1 >= args.size()) {
        io.err << program << ": --now needs an RFC 3339 date\n";
        return ExitStatus::usage;
      }
      value = args[i + 1];
      take = 2;
    } else {
      value = args[i].substr(6);
    }
    auto date = Foundation::parseRFC3339(value);
    if (!date) {
      io.err << program << ": --now: \"" << value << "\" is not an RFC 3339 date\n";
      return ExitStatus::usage;
    }
    now = date;
    args.erase(args.begin() + i, args.begin() + i + take);
    break;
  }

  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printUsage(args.empty() ? io.err : io.out, program, commands);
    return args.empty() ? ExitStatus::usage : ExitStatus::success;
  }
  auto command = std::find_if(commands.begin(), commands.end(),
                              [&](const Command& c) { return c.name == args[0]; });
  if (command == commands.end()) {
    io.err << program << ": unknown command \"" << args[0] << "\"; try " << program << " --help\n";
    return ExitStatus::usage;
  }
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
    printCommandUsage(io.out, program, *command);
    return ExitStatus::success;
  }
  std::optional<Foundation::ScopedClock> clock;
  if (now) clock.emplace(*now, command->nowPace);
  try {
    return command->run(rest, io);
  } catch (const UsageError& e) {
    io.err << program << " " << command->name << ": " << e.message << '\n';
    printCommandUsage(io.err, program, *command);
    return ExitStatus::usage;
  } catch (const std::system_error& e) {
    io.err << program << " " << command->name << ": " << Foundation::escapedForTerminal(e.what())
           << '\n';
    return ExitStatus::platformError;
  } catch (const ViewToolkit::RenderError& e) {
    io.err << program << " " << command->name << ": " << Foundation::escapedForTerminal(e.what())
           << '\n';
    return ExitStatus::platformError;
  } catch (const std::exception& e) {
    io.err << program << " " << command->name
           << ": internal error: " << Foundation::escapedForTerminal(e.what()) << '\n';
    return ExitStatus::internalError;
  } catch (...) {
    io.err << program << " " << command->name << ": internal error\n";
    return ExitStatus::internalError;
  }
}

}  // namespace WidgetHost
