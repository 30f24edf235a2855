// The widget host's face for people and scripts: one program, subcommands, stable output.
//
// The commands are declared to Foundation's command line (Foundation/CommandLine.h), which parses
// them, prints their help and writes the manual page and the completion; the host adds what only
// drawing programs have: a drawing or encoding failure (ViewToolkit::RenderError) ends a command
// as a platform error does. Not thread-safe, as that parser is not.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "Platform/Foundation/CommandLine.h"
#include "Platform/Foundation/JSON.h"
#include "Platform/WidgetHost/Timeline.h"

namespace WidgetHost {

// The host's commands are declared in the command line's own terms.
namespace ExitStatus = Foundation::CommandLine::ExitStatus;
using Foundation::CommandLine::Arguments;
using Foundation::CommandLine::Command;
using Foundation::CommandLine::CommandIO;
using Foundation::CommandLine::Option;
using Foundation::CommandLine::Program;
using Foundation::CommandLine::UsageError;

// Foundation::CommandLine::run, with a command that fails by throwing ViewToolkit::RenderError
// (drawing, encoding) ending with one line on `err`, "<program> <command>: <what>", and
// ExitStatus::platformError.
int runCommandLine(const Program& program, int argc, const char* const* argv,
                   const std::vector<Command>& commands, CommandIO io);
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
  return {
      {"placeholder",
       "",
       "The provider's placeholder entry as JSON.",
       {},
       [=](const Arguments&, CommandIO& io) {
         Foundation::JSON::Writer w;
         writeEntry(w, provider.placeholder(TimelineProviderContext{}));
         io.out << w.text() << '\n';
         return ExitStatus::success;
       }},
      {"snapshot",
       "",
       "The provider's snapshot entry as JSON.",
       {{"preview", "", "Ask as the widget gallery does: a stand-in when there is nothing to show.",
         "ask as a widget on the desktop does"}},
       [=](const Arguments& args, CommandIO& io) {
         TimelineProviderContext context{args.has("preview")};
         Foundation::JSON::Writer w;
         provider.getSnapshot(context, [&](Entry e) { writeEntry(w, e); });
         io.out << w.text() << '\n';
         return ExitStatus::success;
       }},
      {"timeline",
       "",
       "The provider's timeline as JSON: its entries and reload policy.",
       {},
       [=](const Arguments&, CommandIO& io) {
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
