#include "KestrunWidgets/CommandLine.h"

#include <iostream>
#include <iterator>
#include <variant>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "KestrunWidgets/SnapshotProvider.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Files.h"
#include "Platform/WidgetHost/Desktop/DesktopHost.h"
#include "Platform/WidgetHost/HostCommands.h"

namespace KestrunWidgets {
namespace {

using WidgetHost::CommandIO;
using WidgetHost::UsageError;
namespace Exit = WidgetHost::ExitStatus;

std::string oneFileArgument(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"expected one FILE (or - for standard input)"};
  return args[0];
}

// The document in FILE, or in standard input for "-", read with the store's own bound.
std::optional<std::string> readDocument(const std::string& file, CommandIO& io, std::string* why) {
  if (file != "-") return Foundation::readWholeFile(file, WidgetStore::maximumFileSize, why);
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
std::optional<WidgetSnapshot> decodeArgument(const std::vector<std::string>& args, CommandIO& io) {
  std::string file = oneFileArgument(args);
  std::string why;
  auto bytes = readDocument(file, io, &why);
  if (!bytes) {
    io.err << (file == "-" ? "standard input" : file) << ": " << why << '\n';
    return std::nullopt;
  }
  auto snapshot = decodeSnapshot(*bytes, &why);
  if (!snapshot) io.err << why << '\n';
  return snapshot;
}

std::string groupIdentifierProblem() {
  auto bundle = Foundation::Bundle::main();
  return "No group identifier: " + bundle->infoPlistPath().string() +
         " has no text under \"KestrunAppGroup\".";
}

int decodeCommand(const std::vector<std::string>& args, CommandIO& io) {
  auto snapshot = decodeArgument(args, io);
  if (!snapshot) return Exit::failure;
  io.out << encodeSnapshot(*snapshot) << '\n';
  return Exit::success;
}

int writeCommand(const std::vector<std::string>& args, CommandIO& io) {
  auto snapshot = decodeArgument(args, io);
  if (!snapshot) return Exit::failure;
  auto group = WidgetStore::groupID();
  if (!group) {
    io.err << groupIdentifierProblem() << '\n';
    return Exit::notConfigured;
  }
  auto file = WidgetStore::fileURL();
  if (!file) {
    io.err << "No container: the group identifier \"" << *group
           << "\" cannot name a container directory (is HOME set?).\n";
    return Exit::notConfigured;
  }
  WidgetStore::write(*snapshot);  // a refused write ends the command through the runner
  io.out << file->string() << '\n';
  return Exit::success;
}

int sampleCommand(const std::vector<std::string>& args, CommandIO& io) {
  if (!args.empty()) throw UsageError{"unexpected argument \"" + args[0] + "\""};
  io.out << encodeSnapshot(WidgetSnapshot::sample()) << '\n';
  return Exit::success;
}

int whereCommand(const std::vector<std::string>& args, CommandIO& io) {
  if (!args.empty()) throw UsageError{"unexpected argument \"" + args[0] + "\""};
  auto bundle = Foundation::Bundle::main();
  io.out << "bundle: " << bundle->bundlePath().string() << '\n';
  auto group = WidgetStore::groupID();
  io.out << "group: " << (group ? *group : "none (no text under \"KestrunAppGroup\" in " +
                                              bundle->infoPlistPath().string() + ")")
         << '\n';
  auto container = group ? Foundation::FileManager::containerURL(*group) : std::nullopt;
  io.out << "container: " << (container ? container->string() : "none") << '\n';
  auto file = WidgetStore::fileURL();
  io.out << "file: " << (file ? file->string() : "none") << '\n';
  std::string why;
  bool readable = WidgetStore::read(&why).has_value();
  io.out << "readable: " << (readable ? "yes" : "no: " + why) << '\n';
  return readable ? Exit::success : Exit::failure;
}

}  // namespace

std::vector<WidgetHost::Command> commands(std::vector<WidgetHost::WidgetDescription> widgets) {
  std::vector<WidgetHost::Command> list = {
      {"decode", "FILE|-",
       "Decodes a snapshot document and prints it re-encoded as the store writes it.",
       decodeCommand},
      {"write", "FILE|-", "Decodes a snapshot document and stores it in the group container.",
       writeCommand},
      {"sample", "", "The sample snapshot as JSON.", sampleCommand},
      {"where", "", "Where the snapshot file is looked for, and whether it is readable now.",
       whereCommand},
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
  if (!widgets.empty()) {
    WidgetHost::WidgetExtension extension{KestrunWidgetBundle::programName,
                                          KestrunWidgetBundle::title, std::move(widgets)};
    auto host = WidgetHost::hostCommands(extension, [](const std::string& file) {
      WidgetStore::overrideFileLocation(std::filesystem::path(file));
    });
    host.push_back(WidgetHost::desktopHostCommand(std::move(extension),
                                                  [] { return WidgetStore::fileURL(); }));
    list.insert(list.end(), std::make_move_iterator(host.begin()),
                std::make_move_iterator(host.end()));
  }
  return list;
}

int runCommandLine(int argc, const char* const* argv,
                   std::vector<WidgetHost::WidgetDescription> widgets) {
  WidgetHost::CommandIO io{std::cout, std::cerr, std::cin};
  return WidgetHost::runCommandLine(KestrunWidgetBundle::programName, argc, argv,
                                    commands(std::move(widgets)), io);
}

}  // namespace KestrunWidgets
