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

constexpr const char* usageText =
    "usage: kestrun-probe once [--print] [--config FILE] [--verbose]\n"
    "       kestrun-probe run [--config FILE] [--verbose]\n"
    "       kestrun-probe open URL [--config FILE] [--verbose]\n"
    "       kestrun-probe ports [--wait]\n"
    "       kestrun-probe gallery\n"
    "\n"
    "once     measures this machine and stores the widgets' snapshot (--print: writes it to\n"
    "         standard output instead)\n"
    "run      measures every interval, storing when the content changed or the refresh is due\n"
    "open     answers a kestrun:// link: kestrun://speedtest or kestrun://open/<section>\n"
    "ports    lists your processes' listening TCP ports\n"
    "gallery  draws the widgets' gallery page and opens it\n";

struct Options {
  std::string command;
  bool print = false;
  bool verbose = false;
  bool wait = false;
  std::optional<std::string> config;
  std::vector<std::string> operands;
};

void say(const std::string& line) {
  std::cerr << "kestrun-probe: " << line << '\n';
}

std::optional<Options> parseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument == "--print")
      options.print = true;
    else if (argument == "--verbose")
      options.verbose = true;
    else if (argument == "--wait")
      options.wait = true;
    else if (argument == "--config") {
      if (++i == argc) return std::nullopt;
      options.config = argv[i];
    } else if (argument.starts_with("--config="))
      options.config = std::string(argument.substr(9));
    else if (argument.starts_with("--") && argument != "--help")
      return std::nullopt;
    else if (options.command.empty())
      options.command = argument;
    else
      options.operands.emplace_back(argument);
  }
  return options;
}

Config loadOptionsConfig(const Options& options) {
  std::vector<std::string> messages;
  Config config;
  if (options.config)
    config = loadConfig(*options.config, messages);
  else if (auto file = defaultConfigFile())
    config = loadConfig(*file, messages);
  for (const auto& message : messages) say(message);
  return config;
}

std::filesystem::path selfPath(const char* argv0) {
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path(argv0) : self;
}

// The last speed test stored, to carry on into new snapshots.
std::optional<WidgetSnapshot::SpeedTest> storedSpeedTest() {
  auto stored = WidgetStore::read();
  return stored ? stored->speedTest : std::nullopt;
}

int store(const WidgetSnapshot& snapshot, bool quiet) {
  auto file = WidgetStore::fileURL();
  if (!file) {
    say("no application group container to store the snapshot in (see kestrun-widgets where)");
    return ExitStatus::noContainer;
  }
  try {
    WidgetStore::write(snapshot);
  } catch (const std::system_error& error) {
    say(displayText(error.what()));
    return ExitStatus::writeError;
  }
  if (!quiet) std::cout << displayText(file->string()) << '\n';
  return ExitStatus::success;
}

void printNotes(const std::vector<std::string>& notes, bool verbose) {
  if (verbose)
    for (const auto& note : notes) say(displayText(note));
}

int once(const Options& options) {
  Config config = loadOptionsConfig(options);
  Probe probe(systemSources(config));
  std::vector<std::string> notes;
  auto snapshot = probe.measure(storedSpeedTest(), notes);
  printNotes(notes, options.verbose);
  if (options.print) {
    std::cout << encodeSnapshot(snapshot) << '\n';
    return ExitStatus::success;
  }
  return store(snapshot, false);
}

timespec bootTime() {
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return now;
}

double seconds(const timespec& t) {
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

int run(const Options& options) {
  Config config = loadOptionsConfig(options);
  Probe probe(systemSources(config));
  std::optional<WidgetSnapshot> lastStored;
  double lastStoredAt = 0;
  // Rounds are due at whole intervals from the start on the boot clock, which goes on through
  // suspend: after a resume the next round is at once, and missed rounds are not made up.
  timespec next = bootTime();
  while (true) {
    std::vector<std::string> notes;
    auto snapshot = probe.measure(storedSpeedTest(), notes);
    printNotes(notes, options.verbose);
    double now = seconds(bootTime());
    if (!lastStored || !snapshot.sameContent(*lastStored) || now - lastStoredAt >= config.refresh) {
      int status = store(snapshot, true);
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

int speedTest(const Config& config, bool verbose) {
  if (!config.speedTestCommand) {
    say("no speed test: set [SpeedTest] Command in the configuration");
    notify("No speed test configured", "Set [SpeedTest] Command in probe.ini.");
    return ExitStatus::failure;
  }
  auto previous = storedSpeedTest();
  auto now = Foundation::Clock::now();
  if (previous && now.timeIntervalSince(previous->date) >= 0 &&
      now.timeIntervalSince(previous->date) < config.speedTestMinimumInterval) {
    say("the last speed test ran less than " + std::to_string(config.speedTestMinimumInterval) +
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
    say(displayText(why));
    notify("The speed test failed", why);
    return ExitStatus::failure;
  }
  Probe probe(systemSources(config));
  std::vector<std::string> notes;
  auto snapshot = probe.measure(result, notes);
  printNotes(notes, verbose);
  return store(snapshot, true);
}

int open(const Options& options, const char* argv0) {
  if (options.operands.size() != 1) {
    std::cerr << usageText;
    return ExitStatus::usage;
  }
  Config config = loadOptionsConfig(options);
  std::string why;
  auto link = parseDeepLink(options.operands[0], &why);
  if (!link) {
    say(displayText(why));
    notify("Kestrun cannot open this link", displayText(options.operands[0]));
    return ExitStatus::failure;
  }
  if (std::holds_alternative<SpeedTestLink>(*link)) return speedTest(config, options.verbose);

  const std::string& section = std::get<OpenLink>(*link).section;
  LinkContext context{selfPath(argv0), cacheHome(), std::nullopt};
  if (auto roots = projectRoots(config); !roots.empty()) context.projectRoot = roots.front();
  auto command = commandForSection(section, config, context);
  if (!command) {
    say("no command for the section \"" + displayText(section) + "\"");
    notify("Kestrun has no section \"" + displayText(section) + "\"",
           "Add a command for it under [Links] in probe.ini.");
    return ExitStatus::failure;
  }
  if (!launchDetached(*command, &why)) {
    say(displayText(why));
    notify("Kestrun could not open \"" + displayText(section) + "\"", displayText(why));
    return ExitStatus::failure;
  }
  return ExitStatus::success;
}

int ports(const Options& options) {
  auto listeners = ownListeners("/", ::getuid());
  if (listeners.empty()) std::cout << "No listening TCP ports of yours.\n";
  for (const auto& owned : listeners)
    std::cout << owned.listener.address << ':' << owned.listener.port << "  " << owned.command
              << " (" << owned.pid << ")\n";
  if (options.wait) {
    std::cout << "\nPress Enter to close." << std::flush;
    std::string ignored;
    std::getline(std::cin, ignored);
  }
  return ExitStatus::success;
}

int gallery(const char* argv0) {
  auto widgets = selfPath(argv0).parent_path() / "kestrun-widgets";
  auto cache = cacheHome();
  if (!cache) {
    say("no cache directory for the gallery (HOME is not set)");
    return ExitStatus::failure;
  }
  auto out = *cache / "kestrun-probe" / "gallery";
  std::string why;
  if (!runCapturing({widgets.string(), "gallery", "--out", out.string()}, std::chrono::seconds(60),
                    &why)) {
    say(displayText(why));
    return ExitStatus::failure;
  }
  if (!launchDetached({"xdg-open", (out / "index.html").string()}, &why)) {
    say(displayText(why));
    return ExitStatus::failure;
  }
  return ExitStatus::success;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
  auto options = parseOptions(argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--help") {
      std::cout << usageText;
      return ExitStatus::success;
    }
  if (!options || options->command.empty()) {
    std::cerr << usageText;
    return ExitStatus::usage;
  }
  const auto& command = options->command;
  bool operandsAllowed = command == "open";
  if (!operandsAllowed && !options->operands.empty()) {
    std::cerr << usageText;
    return ExitStatus::usage;
  }
  if (command == "once") return once(*options);
  if (command == "run") return run(*options);
  if (command == "open") return open(*options, argv[0]);
  if (command == "ports") return ports(*options);
  if (command == "gallery") return gallery(argv[0]);
  say("unknown command \"" + displayText(command) + "\"");
  std::cerr << usageText;
  return ExitStatus::usage;
}

}  // namespace Probe
