#include "KestrunWidgets/CommandLine.h"

#include <iostream>
#include <iterator>
#include <variant>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "KestrunWidgets/SnapshotProvider.h"
#include "KestrunWidgets/StatusCommand.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Files.h"
#include "Platform/Foundation/Text.h"
#include "Platform/WidgetHost/Desktop/DesktopHost.h"
#include "Platform/WidgetHost/HostCommands.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::decodeSnapshot;
using KestrunWidgetKit::encodeSnapshot;
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace KestrunWidgets {
namespace {

using WidgetHost::CommandIO;
using WidgetHost::UsageError;
namespace Exit = WidgetHost::ExitStatus;

// Everything from a file or the environment reaches the terminal through this.
std::string printable(std::string_view text) {
  return Foundation::escapedForTerminal(text);
}

std::string oneFileArgument(const WidgetHost::Arguments& args) {
  if (args.operands().size() != 1) throw UsageError{"expected one FILE (or - for standard input)"};
  return args.operands()[0];
}

// The document in FILE, or in standard input for "-", read with the store's own bound.
std::optional<std::string> readDocument(const std::string& file, CommandIO& io, std::string* why) {
  if (file != "-")
    return Foundation::readWholeFile(file, WidgetStore::maximumFileSize, why,
                                     Foundation::FileKinds::regularFilesAndStreams);
  std::string bytes;
  char buffer[65536];
  while (io.in.read(buffer, sizeof buffer) || io.in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(io.in.gcount()));
    if (bytes.size() > WidgetStore::maximumFileSize) {
      *why = "larger than " + std::to_string(WidgetStore::maximumFileSize) + " bytes";
      return std::nullopt;
    }
  }
  return bytes;
}

// Reads and decodes FILE; on failure prints the one-line reason and gives none.
std::optional<WidgetSnapshot> decodeArgument(const WidgetHost::Arguments& args, CommandIO& io) {
  std::string file = oneFileArgument(args);
  std::string why;
  auto bytes = readDocument(file, io, &why);
  if (!bytes) {
    io.err << (file == "-" ? "standard input" : printable(file)) << ": " << printable(why) << '\n';
    return std::nullopt;
  }
  auto snapshot = decodeSnapshot(*bytes, &why);
  if (!snapshot) io.err << printable(why) << '\n';
  return snapshot;
}

std::string groupIdentifierProblem() {
  auto bundle = Foundation::Bundle::main();
  return "No group identifier: " + printable(bundle->infoPlistPath().string()) +
         " has no text under \"KestrunAppGroup\".";
}

int decodeCommand(const WidgetHost::Arguments& args, CommandIO& io) {
  auto snapshot = decodeArgument(args, io);
  if (!snapshot) return Exit::failure;
  io.out << encodeSnapshot(*snapshot) << '\n';
  return Exit::success;
}

int writeCommand(const WidgetHost::Arguments& args, CommandIO& io) {
  auto snapshot = decodeArgument(args, io);
  if (!snapshot) return Exit::failure;
  auto group = WidgetStore::groupID();
  if (!group) {
    io.err << groupIdentifierProblem() << '\n';
    return Exit::notConfigured;
  }
  auto file = WidgetStore::fileURL();
  if (!file) {
    io.err << "No container: the group identifier \"" << printable(*group)
           << "\" cannot name a container directory (is HOME set?).\n";
    return Exit::notConfigured;
  }
  try {
    WidgetStore::write(*snapshot);
  } catch (const std::system_error& e) {
    io.err << "kestrun-widgets write: " << printable(e.what()) << '\n';
    // Too large for any reader is a fault of the document, not of the system.
    return e.code() == std::errc::file_too_large ? Exit::failure : Exit::platformError;
  }
  io.out << printable(file->string()) << '\n';
  return Exit::success;
}

int sampleCommand(const WidgetHost::Arguments&, CommandIO& io) {
  io.out << encodeSnapshot(WidgetSnapshot::sample()) << '\n';
  return Exit::success;
}

int whereCommand(const WidgetHost::Arguments&, CommandIO& io) {
  auto bundle = Foundation::Bundle::main();
  io.out << "bundle: " << printable(bundle->bundlePath().string()) << '\n';
  auto group = WidgetStore::groupID();
  io.out << "group: "
         << (group ? printable(*group)
                   : "none (no text under \"KestrunAppGroup\" in " +
                         printable(bundle->infoPlistPath().string()) + ")")
         << '\n';
  auto container = group ? Foundation::FileManager::containerURL(*group) : std::nullopt;
  io.out << "container: " << (container ? printable(container->string()) : "none") << '\n';
  auto file = WidgetStore::fileURL();
  io.out << "file: " << (file ? printable(file->string()) : "none") << '\n';
  std::string why;
  bool readable = WidgetStore::read(&why).has_value();
  io.out << "readable: " << (readable ? "yes" : "no: " + printable(why)) << '\n';
  if (!file) return Exit::notConfigured;  // no group identifier, or no container for it
  return readable ? Exit::success : Exit::failure;
}

}  // namespace

std::vector<WidgetHost::Command> commands(const WidgetsWithProvider& widgets) {
  std::vector<WidgetHost::Command> list = {
      {"decode",
       "FILE|-",
       "Decodes a snapshot document and prints it re-encoded as the store writes it.",
       {},
       decodeCommand},
      {"write",
       "FILE|-",
       "Decodes a snapshot document and stores it in the group container.",
       {},
       writeCommand},
      {"sample", "", "The sample snapshot as JSON.", {}, sampleCommand},
      {"where",
       "",
       "Where the snapshot file is looked for, and whether it is readable now.",
       {},
       whereCommand,
       Foundation::ClockPace::stopped,
       {{Exit::success, "the file is readable"},
        {Exit::failure, "the file is missing or unreadable (the reason is on stdout)"}}},
      statusCommand(),
  };
  auto timeline = WidgetHost::timelineCommands<SnapshotProvider>(
      SnapshotProvider{}, [](Foundation::JSON::Writer& w, const SnapshotEntry& entry) {
        w.key("snapshot");
        if (entry.snapshot)
          w.rawValue(encodeSnapshot(*entry.snapshot));
        else
          w.null();
      });
  list.insert(list.end(), std::make_move_iterator(timeline.begin()),
              std::make_move_iterator(timeline.end()));
  if (widgets) {
    // The host's --snapshot: widgets whose providers read that file, for its command alone.
    auto readingFile = [widgets](const std::filesystem::path& file) {
      WidgetHost::WidgetsReadingFile reading{widgets(SnapshotProvider{file}), std::nullopt};
      std::string why;
      if (!WidgetStore::readFrom(file, &why))
        reading.whyUnreadable = why + "; drawn as without a snapshot";
      return reading;
    };
    WidgetHost::WidgetExtension extension{KestrunWidgetBundle::programName,
                                          KestrunWidgetBundle::title, widgets(SnapshotProvider{}),
                                          readingFile};
    auto host = WidgetHost::hostCommands(extension);
    host.push_back(WidgetHost::desktopHostCommand(std::move(extension), {"app.kestrun.widgets"},
                                                  [] { return WidgetStore::fileURL(); }));
    list.insert(list.end(), std::make_move_iterator(host.begin()),
                std::make_move_iterator(host.end()));
  }
  return list;
}

WidgetHost::Program program() {
  return {
      KestrunWidgetBundle::programName,
      KESTRUN_VERSION,
      "desktop widgets showing the health of this machine",
      "Reads the snapshot document that the Kestrun host application writes into its group's "
      "container, widget-snapshot.json, and shows it in four widgets: Wi-Fi, Memory, Wi-Fi & "
      "Memory and Zed Avudad. The widgets live on the desktop (host), are drawn to PNG, SVG or PDF "
      "files (render, gallery) or summed up in one line for status bars (status).",
      {
          {"KESTRUN_BUNDLE",
           "The bundle directory holding Info.plist (the group identifier) and "
           "the translations, in place of the one installed beside the program."},
          {"XDG_DATA_HOME",
           "Holds the group containers, and so the snapshot file: "
           "$XDG_DATA_HOME/group-containers/GROUP/widget-snapshot.json "
           "(~/.local/share when unset)."},
          {"XDG_CONFIG_HOME",
           "Holds the desktop host's kestrun-widgets/widgets.ini (~/.config "
           "when unset)."},
          {"XDG_STATE_HOME",
           "Holds the desktop host's widget positions, "
           "kestrun-widgets/positions.ini (~/.local/state when unset)."},
          {"GSK_RENDERER", "The GTK renderer the desktop host draws with (cairo unless set)."},
          {"LANGUAGE, LC_ALL, LC_MESSAGES, LANG",
           "The language of the widgets' texts, numbers and dates, as gettext reads them."},
      },
      {
          {Exit::success, "success"},
          {Exit::failure, "the document or file is unreadable (the reason is on stderr)"},
          {Exit::platformError,
           "a platform error (writing, a directory) or a drawing or encoding failure"},
          {Exit::notConfigured, "no group identifier or no group container"},
          {Exit::usage, "a command line that cannot be understood"},
          {Exit::internalError, "an internal error: a failure no command expected"},
      },
      {
          {"$XDG_DATA_HOME/group-containers/GROUP/widget-snapshot.json",
           "The snapshot document the widgets show."},
          {"$XDG_CONFIG_HOME/kestrun-widgets/widgets.ini", "The desktop host's settings."},
          {"$XDG_STATE_HOME/kestrun-widgets/positions.ini", "Where each widget was placed."},
      },
  };
}

int runCommandLine(int argc, const char* const* argv, const WidgetsWithProvider& widgets) {
  WidgetHost::CommandIO io{std::cout, std::cerr, std::cin};
  return WidgetHost::runCommandLine(program(), argc, argv, commands(widgets), io);
}

}  // namespace KestrunWidgets
