// The running program's bundle: a directory with the information property list (Info.plist)
// that holds the program's settings, such as the application group identifier.
//
// A bundle is its directory: the directory is looked up on every call of main(), and Info.plist is
// looked at on every key asked for (read again whenever it may have changed), so that both always
// follow the environment and the file. A bundle
// is immutable once made, and main(), at() and every accessor are safe to call from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Foundation {

// A property of a type that has no counterpart here (array, dictionary, data, date, or an
// integer beyond the signed 64-bit range).
struct PropertyOther {
  friend bool operator==(const PropertyOther&, const PropertyOther&) = default;
};

using PropertyValue = std::variant<std::string, std::int64_t, double, bool, PropertyOther>;

class Bundle {
 public:
  // Where main() looks, in order. KESTRUN_BUNDLE alone when it is set and not empty; else
  // <directory of the executable>/../share/kestrun-widgets (the program's own bundle), the data
  // directory the library was installed with (e.g. /usr/share/kestrun-widgets), then
  // <entry>/kestrun-widgets for each absolute entry of XDG_DATA_DIRS (/usr/local/share:/usr/share
  // when unset or empty), each directory once. The later places let a host application that
  // links the kit, installed anywhere, find the widgets' group.
  static std::vector<std::filesystem::path> searchPath();
  // The first directory of searchPath() that holds an Info.plist; when none does, the first of
  // them (a bundle that holds no keys).
  static std::shared_ptr<const Bundle> main();
  // The bundle at `directory`.
  static std::shared_ptr<const Bundle> at(const std::filesystem::path& directory);

  const std::filesystem::path& bundlePath() const { return path_; }
  const std::filesystem::path& infoPlistPath() const { return infoPlist_; }

  // A top-level key of Info.plist (XML or binary). A missing, unreadable or damaged Info.plist,
  // one larger than 64 KiB or nested deeper than 32 levels, or one whose top level is not a
  // dictionary, holds no keys.
  std::optional<PropertyValue> objectForInfoDictionaryKey(std::string_view key) const;

 private:
  explicit Bundle(std::filesystem::path path)
      : path_(std::move(path)), infoPlist_(path_ / "Info.plist") {}

  std::filesystem::path path_;
  std::filesystem::path infoPlist_;
};

}  // namespace Foundation
