// The probe's settings and the per-user directories it works in.
//
// Settings come from a GLib key file, `$XDG_CONFIG_HOME/kestrun-probe/probe.ini` unless another
// file is named. The file is untrusted: a value that cannot be read, or lies outside its range,
// keeps the default and adds one message naming the group, the key and why, so a typo never stops
// the probe. A missing file is the defaults without a message. Commands are argument vectors, split
// with the shell's quoting rules but never given to a shell. Loading is safe from any thread.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Probe {

using Command = std::vector<std::string>;

struct Config {
  int interval = 60;  // seconds between measurement rounds
  int refresh = 300;  // seconds after which an unchanged snapshot is stored again
  std::optional<std::vector<std::filesystem::path>> roots;  // none: the default project roots
  int repositoryDepth = 3;
  std::optional<std::string> internetHost;
  std::optional<Command> speedTestCommand;
  int speedTestMinimumInterval = 900;    // seconds between two speed tests
  std::map<std::string, Command> links;  // section → command
};

// Every problem found, one line each, in file order.
Config loadConfig(const std::filesystem::path& file, std::vector<std::string>& messages);

// XDG base directories: the variable when it holds an absolute path, else the default under
// $HOME; none without a usable HOME.
std::optional<std::filesystem::path> homeDirectory();
std::optional<std::filesystem::path> configHome();
std::optional<std::filesystem::path> cacheHome();
std::optional<std::filesystem::path> dataHome();

std::optional<std::filesystem::path> defaultConfigFile();

// The roots to search for repositories: the configured ones, else those of ~/src ~/code
// ~/projects ~/work ~/git that exist.
std::vector<std::filesystem::path> projectRoots(const Config& config);

}  // namespace Probe
