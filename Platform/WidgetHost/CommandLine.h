// The widget host's face for people and scripts: one program, subcommands, stable output.
//
// Every command takes `--help`; the global `--now RFC3339` (anywhere on the line) replaces the
// clock for the whole command (stopped there, or running on from there: see Command::nowPace). Exit
// statuses are shared by all commands (see ExitStatus). Commands write their results to `out` and
// one line per problem to `err`, never both for one result.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/JSON.h"
#include "Platform/WidgetHost/Timeline.h"

namespace WidgetHost {

namespace ExitStatus {
inline constexpr int success = 0;
inline constexpr int failure = 1;        // the asked-for thing is not there or not readable
inline constexpr int platformError = 2;  // the system refused (a write, a directory)
inline constexpr int notConfigured = 3;  // no group identifier or no container
inline constexpr int usage = 64;         // a command line that cannot be understood
inline constexpr int internalError = 70;  // a failure no command expected (a fault of the program)
}  // namespace ExitStatus

struct CommandIO {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
};

struct Command {
  std::string name;
  std::string synopsis;  // the arguments after the name, e.g. "FILE|-"
  std::string summary;   // one sentence for the command list
  std::function<int(const std::vector<std::string>& arguments, CommandIO& io)> run;
  // A long-running command takes --now as the moment it starts from, and time runs on.
  Foundation::ClockPace nowPace = Foundation::ClockPace::stopped;
};

// Thrown by commands for a command line they cannot understand: the message goes to stderr with the
// command's usage, and the status is ExitStatus::usage.
struct UsageError {
  std::string message;
};

// Parses the program's arguments and runs the named command. `program` names the program in
// usage lines and messages. A command that fails by throwing std::system_error (a write, a
// directory) or ViewToolkit::RenderError (drawing, encoding) ends with one line on `err`,
// "<program> <command>: <what>", and ExitStatus::platformError.
int runCommandLine(std::string_view program, int argc, const char* const* argv,
                   const std::vector<Command>& commands, CommandIO io);

// The placeholder, snapshot [--preview] and timeline commands for a provider: the provider's answer
// as one line of JSON, `{"date":…,"<payload>":…}` for an entry and
// `{"entries":[…],"policy":"atEnd"}` for a timeline. `writePayload` writes an entry's own content.
template <class Entry>
using EntryPayloadWriter = std::function<void(Foundation::JSON::Writer&, const Entry&)>;

void writeEntryJSON(Foundation::JSON::Writer& w, Foundation::Date date,
                    const std::function<void(Foundation::JSON::Writer&)>& payload);

template <TimelineProvider P>
std::vector<Command> timelineCommands(P provider, EntryPayloadWriter<typename P::Entry> payload) {
  using Entry = typename P::Entry;
  auto writeEntry = [payload](Foundation::JSON::Writer& w, const Entry& e) {
    writeEntryJSON(w, e.date, [&](Foundation::JSON::Writer& inner) { payload(inner, e); });
  };
  auto noArguments = [](const std::vector<std::string>& args, std::string_view allowed = {}) {
    for (const auto& a : args)
      if (a != allowed) throw UsageError{"unexpected argument \"" + a + "\""};
  };
  return {
      {"placeholder", "", "The provider's placeholder entry as JSON.",
       [=](const std::vector<std::string>& args, CommandIO& io) {
         noArguments(args);
         Foundation::JSON::Writer w;
         writeEntry(w, provider.placeholder(TimelineProviderContext{}));
         io.out << w.text() << '\n';
         return ExitStatus::success;
       }},
      {"snapshot", "[--preview]",
       "The provider's snapshot entry as JSON (--preview: as the widget gallery asks).",
       [=](const std::vector<std::string>& args, CommandIO& io) {
         noArguments(args, "--preview");
         TimelineProviderContext context{!args.empty()};
         Foundation::JSON::Writer w;
         provider.getSnapshot(context, [&](Entry e) { writeEntry(w, e); });
         io.out << w.text() << '\n';
         return ExitStatus::success;
       }},
      {"timeline", "", "The provider's timeline as JSON: its entries and reload policy.",
       [=](const std::vector<std::string>& args, CommandIO& io) {
         noArguments(args);
         Foundation::JSON::Writer w;
         provider.getTimeline(TimelineProviderContext{}, [&](Timeline<Entry> timeline) {
           w.beginObject();
           w.key("entries");
           w.beginArray();
           for (const auto& e : timeline.entries) writeEntry(w, e);
           w.endArray();
           w.key("policy");
           w.value(timeline.policy.description());
           w.endObject();
         });
         io.out << w.text() << '\n';
         return ExitStatus::success;
       }},
  };
}

}  // namespace WidgetHost
