// The application group's shared container and directory creation.
//
// An application group's members meet in one directory per group identifier under the user's
// data directory: ${XDG_DATA_HOME}/group-containers/<identifier>, with XDG_DATA_HOME honoured only
// when it is an absolute path and $HOME/.local/share used otherwise. The identifier comes from a
// property list, so it is checked before it becomes part of a path. Both functions are safe to
// call from any thread (containerURL reads the environment, which nothing may change meanwhile).
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace Foundation::FileManager {

// The shared container of an application group, or none when no data directory is known (HOME
// unset or relative) or when the identifier could name anything but one directory entry: empty,
// ".", "..", holding "/", NUL or another control character (U+0001–U+001F, U+007F), longer than
// 255 bytes, or not valid UTF-8. The directory need not exist. Does no I/O.
std::optional<std::filesystem::path> containerURL(std::string_view groupIdentifier);

// Creates the directory with every missing parent (each one 0700, before the umask; existing ones
// keep their modes), succeeding when it exists already as a
// directory (or a symbolic link to one). Throws std::system_error, with the errno and the path
// that could not be made, otherwise.
void createDirectory(const std::filesystem::path& directory);

}  // namespace Foundation::FileManager
