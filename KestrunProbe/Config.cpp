#include "KestrunProbe/Config.h"

#include <glib.h>

#include <cstdlib>
#include <memory>
#include <system_error>

#include "KestrunProbe/ProbeText.h"

namespace Probe {
namespace {

struct KeyFileDeleter {
  void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
struct ErrorDeleter {
  void operator()(GError* error) const { g_error_free(error); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileDeleter>;

std::string take(GError* error) {
  std::unique_ptr<GError, ErrorDeleter> owned(error);
  return displayText(error ? error->message : "unknown error");
}

std::string where(const char* group, const std::string& key) {
  return displayText(std::string("[") + group + "] " + key);
}

// A whole number within [low, high], else the default kept and a message.
void readInteger(GKeyFile* file, const char* group, const char* key, int low, int high, int& value,
                 std::vector<std::string>& messages) {
  if (!g_key_file_has_key(file, group, key, nullptr)) return;
  GError* error = nullptr;
  gint64 read = g_key_file_get_int64(file, group, key, &error);
  if (error) {
    messages.push_back(where(group, key) + ": " + take(error) + "; using " + std::to_string(value));
    return;
  }
  if (read < low || read > high) {
    messages.push_back(where(group, key) + ": " + std::to_string(read) + " is outside " +
                       std::to_string(low) + "–" + std::to_string(high) + "; using " +
                       std::to_string(value));
    return;
  }
  value = static_cast<int>(read);
}

std::optional<Command> readCommand(GKeyFile* file, const char* group, const std::string& key,
                                   std::vector<std::string>& messages) {
  GError* error = nullptr;
  gchar* text = g_key_file_get_string(file, group, key.c_str(), &error);
  if (error) {
    messages.push_back(where(group, key) + ": " + take(error));
    return std::nullopt;
  }
  std::unique_ptr<gchar, decltype(&g_free)> owned(text, g_free);
  gint argc = 0;
  gchar** argv = nullptr;
  if (!g_shell_parse_argv(text, &argc, &argv, &error)) {
    messages.push_back(where(group, key) + ": " + take(error));
    return std::nullopt;
  }
  Command command(argv, argv + argc);
  g_strfreev(argv);
  return command;
}

std::optional<std::filesystem::path> absoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (!value || value[0] != '/') return std::nullopt;
  return std::filesystem::path(value);
}

std::optional<std::filesystem::path> xdgDirectory(const char* variable, const char* fallback) {
  if (auto set = absoluteVariable(variable)) return set;
  if (auto home = homeDirectory()) return *home / fallback;
  return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> homeDirectory() {
  return absoluteVariable("HOME");
}
std::optional<std::filesystem::path> configHome() {
  return xdgDirectory("XDG_CONFIG_HOME", ".config");
}
std::optional<std::filesystem::path> cacheHome() {
  return xdgDirectory("XDG_CACHE_HOME", ".cache");
}
std::optional<std::filesystem::path> dataHome() {
  return xdgDirectory("XDG_DATA_HOME", ".local/share");
}

std::optional<std::filesystem::path> defaultConfigFile() {
  if (auto config = configHome()) return *config / "kestrun-probe" / "probe.ini";
  return std::nullopt;
}

Config loadConfig(const std::filesystem::path& path, std::vector<std::string>& messages) {
  Config config;
  KeyFile file(g_key_file_new());
  GError* error = nullptr;
  if (!g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_NONE, &error)) {
    bool missing = error->domain == G_FILE_ERROR && error->code == G_FILE_ERROR_NOENT;
    std::string why = take(error);
    if (!missing)
      messages.push_back(displayText(path.string()) + ": " + why + "; using the defaults");
    return config;
  }
  GKeyFile* f = file.get();

  readInteger(f, "Probe", "Interval", 1, 86400, config.interval, messages);
  readInteger(f, "Probe", "Refresh", 1, 86400, config.refresh, messages);
  if (config.refresh < config.interval) {
    messages.push_back("[Probe] Refresh: shorter than the interval; using " +
                       std::to_string(config.interval));
    config.refresh = config.interval;
  }

  if (g_key_file_has_key(f, "Projects", "Roots", nullptr)) {
    gsize length = 0;
    gchar** list = g_key_file_get_string_list(f, "Projects", "Roots", &length, &error);
    if (error) {
      messages.push_back("[Projects] Roots: " + take(error) + "; using the default roots");
    } else {
      std::vector<std::filesystem::path> roots;
      auto home = homeDirectory();
      for (gsize i = 0; i < length; ++i) {
        std::string root = list[i];
        if (root.starts_with("~/") && home) root = home->string() + root.substr(1);
        if (root.empty()) continue;
        if (root.front() != '/') {
          messages.push_back("[Projects] Roots: \"" + displayText(root) +
                             "\" is not an absolute path; left out");
          continue;
        }
        roots.emplace_back(root);
      }
      config.roots = std::move(roots);
    }
    g_strfreev(list);
  }
  readInteger(f, "Projects", "Depth", 1, 8, config.repositoryDepth, messages);

  if (g_key_file_has_key(f, "Network", "InternetHost", nullptr)) {
    gchar* host = g_key_file_get_string(f, "Network", "InternetHost", &error);
    if (error) {
      messages.push_back("[Network] InternetHost: " + take(error));
    } else {
      std::string text(host);
      g_free(host);
      if (!text.empty()) config.internetHost = text;
    }
  }

  if (g_key_file_has_key(f, "SpeedTest", "Command", nullptr))
    if (auto command = readCommand(f, "SpeedTest", "Command", messages);
        command && !command->empty())
      config.speedTestCommand = std::move(command);
  readInteger(f, "SpeedTest", "MinimumInterval", 0, 7 * 86400, config.speedTestMinimumInterval,
              messages);

  if (g_key_file_has_group(f, "Links")) {
    gsize count = 0;
    gchar** keys = g_key_file_get_keys(f, "Links", &count, nullptr);
    for (gsize i = 0; i < count; ++i) {
      auto command = readCommand(f, "Links", keys[i], messages);
      if (!command) continue;
      if (command->empty()) {
        messages.push_back(where("Links", keys[i]) + ": an empty command; using the default");
        continue;
      }
      config.links[keys[i]] = std::move(*command);
    }
    g_strfreev(keys);
  }
  return config;
}

std::vector<std::filesystem::path> projectRoots(const Config& config) {
  if (config.roots) return *config.roots;
  std::vector<std::filesystem::path> roots;
  auto home = homeDirectory();
  if (!home) return roots;
  for (const char* name : {"src", "code", "projects", "work", "git"}) {
    std::error_code error;
    if (std::filesystem::is_directory(*home / name, error)) roots.push_back(*home / name);
  }
  return roots;
}

}  // namespace Probe
