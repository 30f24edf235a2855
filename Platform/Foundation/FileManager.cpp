#include "Platform/Foundation/FileManager.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "Platform/Foundation/Text.h"

namespace Foundation::FileManager {
namespace {

bool isSafeDirectoryName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '/' || byte < 0x20 || byte == 0x7F) return false;
  }
  return Foundation::isValidUTF8(name);
}

const char* absoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? value : nullptr;
}

// `base` joined with a relative `name` as std::filesystem's `/` joins them, built as text: a path
// is split into its parts at every step of such a join, and this is asked on every request.
void append(std::string& base, std::string_view name) {
  if (!base.empty() && base.back() != '/') base += '/';
  base += name;
}

}  // namespace

std::optional<std::filesystem::path> containerURL(std::string_view groupIdentifier) {
  if (!isSafeDirectoryName(groupIdentifier)) return std::nullopt;
  std::string container;
  if (const char* dataHome = absoluteFromEnvironment("XDG_DATA_HOME")) {
    container = dataHome;
  } else if (const char* home = absoluteFromEnvironment("HOME")) {
    container = home;
    append(container, ".local/share");
  } else {
    return std::nullopt;
  }
  append(container, "group-containers");
  append(container, groupIdentifier);
  return std::filesystem::path(std::move(container));
}

void createDirectory(const std::filesystem::path& directory) {
  auto fail = [](int error, const std::filesystem::path& at) {
    throw std::system_error(error, std::generic_category(),
                            "cannot create the directory '" + at.string() + "'");
  };
  if (directory.empty()) fail(ENOENT, directory);
  // Walking from the root down, rather than asking std::filesystem, keeps the errno of the step
  // that failed and names the very path that stood in the way.
  std::filesystem::path prefix;
  for (const auto& part : directory) {
    prefix /= part;
    if (part.empty() || part == "/") continue;  // a trailing separator, or the root itself
    // Private to the user, as the XDG base directory rules ask of data directories: what lands
    // in them names networks and repositories.
    if (::mkdir(prefix.c_str(), 0700) == 0) continue;
    int error = errno;
    struct stat status;
    if (error == EEXIST) {
      if (::stat(prefix.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) continue;
      fail(ENOTDIR, prefix);
    }
    // mkdir reports EACCES or EROFS for a parent that exists even when nothing needs creating.
    if (::stat(prefix.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) continue;
    fail(error, prefix);
  }
}

}  // namespace Foundation::FileManager
