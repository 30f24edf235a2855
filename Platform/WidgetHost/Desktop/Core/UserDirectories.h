// The per-user base directories of the XDG base directory rules, as the desktop host uses them.
#pragma once

#include <glib.h>

#include <cstdlib>
#include <filesystem>

namespace WidgetHost {

// $`variable` when it is set to an absolute path, else `fallback` below the home directory
// (a relative value is ignored, as the rules ask).
inline std::filesystem::path userDirectory(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value && std::filesystem::path(value).is_absolute()) return value;
  return std::filesystem::path(g_get_home_dir()) / fallback;
}

}  // namespace WidgetHost
