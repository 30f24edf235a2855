#include "KestrunProbe/CommandLine.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "KestrunProbe/Commands.h"
#include "KestrunProbe/Config.h"
#include "KestrunProbe/DeepLinks.h"
#include "KestrunProbe/Listeners.h"
#include "KestrunProbe/Probe.h"
#include "KestrunProbe/ProbeText.h"
#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::encodeSnapshot;
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace Probe {
namespace {

namespace CL = Foundation::CommandLine;
using CL::Arguments;
using CL::CommandIO;

// The options a measuring command reads, as the parser has them.
struct Options {
  bool print = false;
  bool verbose = false;
  std::optional<std::string> config;

  explicit Options(const Arguments& arguments)
      : print(arguments.has("print")),
        verbose(arguments.has("verbose")),
        config(arguments.value("config")) {}
};

void say(CommandIO& io, const std::string& line) {
  io.err << "kestrun-probe: " << line << '\n';
}

Config loadOptionsConfig(const Options& options, CommandIO& io) {
  std::vector<std::string> messages;
  Config config;
  if (options.config)
    config = loadConfig(*options.config, messages);
  else if (auto file = defaultConfigFile())
    config = loadConfig(*file, messages);
  for (const auto& message : messages) say(io, message);
  return config;
}

std::filesystem::path selfPath(const std::string& argv0) {
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path(argv0) : self;
}

// The last speed test stored, to carry on into new snapshots.
std::optional<WidgetSnapshot::SpeedTest> storedSpeedTest() {
  auto stored = WidgetStore::read();
  return stored ? stored->speedTest : std::nullopt;
}

int store(const WidgetSnapshot& snapshot, bool quiet, CommandIO& io) {
  auto file = WidgetStore::fileURL();
  if (!file) {
    say(io, "no application group container to store the snapshot in (see kestrun-widgets where)");
    return ExitStatus::noContainer;
  }
  try {
    WidgetStore::write(snapshot);
  } catch (const std::system_error& error) {
    say(io, displayText(error.what()));
    return ExitStatus::writeError;
  }
  if (!quiet) io.out << displayText(file->string()) << '\n';
  return ExitStatus::success;
}

void printNotes(const std::vector<std::string>& notes, bool verbose, CommandIO& io) {
  if (verbose)
    for (const auto& note : notes) say(io, displayText(note));
}

int once(const Arguments& arguments, CommandIO& io) {
  Options options(arguments);
  Config config = loadOptionsConfig(options, io);
  Probe probe(systemSources(config));
  std::vector<std::string> notes;
  auto snapshot = probe.measure(storedSpeedTest(), notes);
  printNotes(notes, options.verbose, io);
  if (options.print) {
    io.out << encodeSnapshot(snapshot) << '\n';
    return ExitStatus::success;
  }
  return store(snapshot, false, io);
}

timespec bootTime() {
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return now;
}

double seconds(const timespec& t) {
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

int run(const Arguments& arguments, CommandIO& io) {
  Options options(arguments);
  Config config = loadOptionsConfig(options, io);
  Probe probe(systemSources(config));
  std::optional<WidgetSnapshot> lastStored;
  double lastStoredAt = 0;
  // Rounds are due at whole intervals from the start on the boot clock, which goes on through
  // suspend: after a resume the next round is at once, and missed rounds are not made up.
  timespec next = bootTime();
  while (true) {
    std::vector<std::string> notes;
    auto snapshot = probe.measure(storedSpeedTest(), notes);
    printNotes(notes, options.verbose, io);
    double now = seconds(bootTime());
    if (!lastStored || !snapshot.sameContent(*lastStored) || now - lastStoredAt >= config.refresh) {
      int status = store(snapshot, true, io);
      if (status == ExitStatus::noContainer) return status;
      if (status == ExitStatus::success) {
        lastStored = snapshot;
        lastStoredAt = now;
      }
    }
    do {
      next.tv_sec += config.interval;
    } while (seconds(next) <= seconds(bootTime()));
    while (::clock_nanosleep(CLOCK_BOOTTIME, TIMER_ABSTIME, &next, nullptr) == EINTR) {
    }
  }
}

int speedTest(const Config& config, bool verbose, CommandIO& io) {
  if (!config.speedTestCommand) {
    say(io, "no speed test: set [SpeedTest] Command in the configuration");
    notify("No speed test configured", "Set [SpeedTest] Command in probe.ini.");
    return ExitStatus::failure;
  }
  auto previous = storedSpeedTest();
  auto now = Foundation::Clock::now();
  if (previous && now.timeIntervalSince(previous->date) >= 0 &&
      now.timeIntervalSince(previous->date) < config.speedTestMinimumInterval) {
    say(io, "the last speed test ran less than " + std::to_string(config.speedTestMinimumInterval) +
                " s ago; not running another");
    return ExitStatus::failure;
  }
  std::string why;
  auto output = runCapturing(*config.speedTestCommand, std::chrono::seconds(120), &why);
  std::optional<WidgetSnapshot::SpeedTest> result;
  if (output) {
    result = parseSpeedTest(*output, Foundation::Clock::now());
    if (!result) why = "the speed test's first line is not \"DOWNLOAD UPLOAD\" in Mbps";
  }
  if (!result) {
    say(io, displayText(why));
    notify("The speed test failed", why);
    return ExitStatus::failure;
  }
  Probe probe(systemSources(config));
  std::vector<std::string> notes;
  auto snapshot = probe.measure(result, notes);
  printNotes(notes, verbose, io);
  return store(snapshot, true, io);
}

int open(const Arguments& arguments, CommandIO& io, const std::string& self) {
  if (arguments.operands().size() != 1) throw CL::UsageError{"expected one URL"};
  const std::string& url = arguments.operands()[0];
  Options options(arguments);
  Config config = loadOptionsConfig(options, io);
  std::string why;
  auto link = parseDeepLink(url, &why);
  if (!link) {
    say(io, displayText(why));
    notify("Kestrun cannot open this link", displayText(url));
    return ExitStatus::failure;
  }
  if (std::holds_alternative<SpeedTestLink>(*link)) return speedTest(config, options.verbose, io);

  const std::string& section = std::get<OpenLink>(*link).section;
  LinkContext context{selfPath(self), cacheHome(), std::nullopt};
  if (auto roots = projectRoots(config); !roots.empty()) context.projectRoot = roots.front();
  auto command = commandForSection(section, config, context);
  if (!command) {
    say(io, "no command for the section \"" + displayText(section) + "\"");
    notify("Kestrun has no section \"" + displayText(section) + "\"",
           "Add a command for it under [Links] in probe.ini.");
    return ExitStatus::failure;
  }
  if (!launchDetached(*command, &why)) {
    say(io, displayText(why));
    notify("Kestrun could not open \"" + displayText(section) + "\"", displayText(why));
    return ExitStatus::failure;
  }
  return ExitStatus::success;
}

int ports(const Arguments& arguments, CommandIO& io) {
  auto listeners = ownListeners("/", ::getuid());
  if (listeners.empty()) io.out << "No listening TCP ports of yours.\n";
  for (const auto& owned : listeners)
    io.out << owned.listener.address << ':' << owned.listener.port << "  " << owned.command << " ("
           << owned.pid << ")\n";
  if (arguments.has("wait")) {
    io.out << "\nPress Enter to close." << std::flush;
    std::string ignored;
    std::getline(io.in, ignored);
  }
  return ExitStatus::success;
}

int gallery(CommandIO& io, const std::string& self) {
  auto widgets = selfPath(self).parent_path() / "kestrun-widgets";
  auto cache = cacheHome();
  if (!cache) {
    say(io, "no cache directory for the gallery (HOME is not set)");
    return ExitStatus::failure;
  }
  auto out = *cache / "kestrun-probe" / "gallery";
  std::string why;
  if (!runCapturing({widgets.string(), "gallery", "--out", out.string()}, std::chrono::seconds(60),
                    &why)) {
    say(io, displayText(why));
    return ExitStatus::failure;
  }
  if (!launchDetached({"xdg-open", (out / "index.html").string()}, &why)) {
    say(io, displayText(why));
    return ExitStatus::failure;
  }
  return ExitStatus::success;
}

const CL::Option configOption{"config",
                              "FILE",
                              "Reads the configuration from FILE.",
                              "$XDG_CONFIG_HOME/kestrun-probe/probe.ini (~/.config when unset)",
                              {},
                              false,
                              "file"};
const CL::Option verboseOption{
    "verbose", "",
    "Says on standard error what could not be measured and why (a part left out, a helper that "
    "failed).",
    "quiet"};

}  // namespace

std::vector<CL::Command> commands(const std::string& self) {
  return {
      {"once",
       "",
       "Measures this machine once and stores the widgets' snapshot; prints the file it stored.",
       {{"print", "", "Writes the snapshot document to standard output instead of storing it.",
         "store it"},
        configOption,
        verboseOption},
       once},
      {"run",
       "",
       "Measures every interval ([Probe] Interval) and stores the snapshot when its content "
       "changed or the last store is older than the refresh ([Probe] Refresh). Runs until "
       "stopped; kestrun-probe.service runs it for the session.",
       {configOption, verboseOption},
       run,
       Foundation::ClockPace::running},
      {"open",
       "URL",
       "Answers a kestrun:// link: kestrun://speedtest runs the speed test and stores a new "
       "snapshot; kestrun://open/SECTION runs the command configured for that section ([Links]) "
       "or its default. Installed as the desktop's handler of kestrun:// links.",
       {configOption, verboseOption},
       [self](const Arguments& arguments, CommandIO& io) { return open(arguments, io, self); }},
      {"ports",
       "",
       "Lists your processes' listening TCP ports, a line each: the address and port, then the "
       "command and its process id.",
       {{"wait", "", "Waits for Enter before it ends, for a terminal opened to show the list.",
         "end at once"}},
       ports},
      {"gallery",
       "",
       "Draws the widgets' gallery page with kestrun-widgets gallery into the cache directory "
       "and opens it.",
       {},
       [self](const Arguments&, CommandIO& io) { return gallery(io, self); }},
  };
}

CL::Program program() {
  return {
      "kestrun-probe",
      KESTRUN_VERSION,
      "measures this machine for the Kestrun desktop widgets",
      "Measures memory, disk, Wi-Fi, the speed test, your development servers and what needs "
      "attention (unpushed commits, little free disk, memory pressure, a weak signal), and stores "
      "the result as the widgets' snapshot, widget-snapshot.json in the group container, through "
      "the kit's atomic write. A part that cannot be measured is left out, never guessed.",
      {
          {"XDG_CONFIG_HOME",
           "Holds kestrun-probe/probe.ini, the configuration (~/.config when "
           "unset)."},
          {"XDG_DATA_HOME",
           "Holds the group containers, and so the snapshot file, "
           "$XDG_DATA_HOME/group-containers/GROUP/widget-snapshot.json, and the trash counted as "
           "space that can be cleared (~/.local/share when unset)."},
          {"XDG_CACHE_HOME",
           "The cache counted as space that can be cleared, and where gallery "
           "draws its page (~/.cache when unset)."},
          {"KESTRUN_BUNDLE",
           "The widgets' bundle directory holding Info.plist (the group identifier), in place of "
           "the one installed beside the program."},
          {"DOCKER_HOST, XDG_RUNTIME_DIR",
           "Where the Docker or Podman socket whose running containers count as development "
           "servers is looked for (unix://… only)."},
      },
      {
          {ExitStatus::success, "success"},
          {ExitStatus::failure,
           "a link nobody answers, a command that cannot start, a speed test refused or failed"},
          {ExitStatus::writeError, "the snapshot could not be stored (the previous file stays)"},
          {ExitStatus::noContainer, "no group identifier or group container"},
          {ExitStatus::usage, "a command line that cannot be understood"},
          {ExitStatus::internalError, "an internal error: a failure no command expected"},
      },
      {
          {"$XDG_CONFIG_HOME/kestrun-probe/probe.ini", "The configuration."},
          {"/usr/share/doc/kestrun-probe/probe.ini.example", "An example configuration."},
          {"$XDG_DATA_HOME/group-containers/GROUP/widget-snapshot.json",
           "The snapshot the probe stores and the widgets show."},
      },
  };
}

int runCommandLine(int argc, char** argv) {
  CommandIO io{std::cout, std::cerr, std::cin};
  return CL::run(program(), argc, argv, commands(argc > 0 ? argv[0] : "kestrun-probe"), io);
}

}  // namespace Probe
