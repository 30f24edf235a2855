#include "Platform/WidgetHost/CommandLine.h"

#include <ostream>

#include "Platform/Foundation/Text.h"
#include "Platform/ViewToolkit/RenderError.h"

namespace WidgetHost {

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
  return runCommandLine(Program{std::string(program)}, argc, argv, commands, io);
}

int runCommandLine(const Program& program, int argc, const char* const* argv,
                   const std::vector<Command>& commands, CommandIO io) {
  std::vector<Command> drawing = commands;
  for (Command& command : drawing)
    command.run = [run = command.run, who = program.name + " " + command.name](
                      const Arguments& arguments, CommandIO& io) {
      try {
        return run(arguments, io);
      } catch (const ViewToolkit::RenderError& e) {
        io.err << who << ": " << Foundation::escapedForTerminal(e.what()) << '\n';
        return ExitStatus::platformError;
      }
    };
  return Foundation::CommandLine::run(program, argc, argv, drawing, io);
}

}  // namespace WidgetHost
