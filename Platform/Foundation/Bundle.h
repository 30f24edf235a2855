// The running program's bundle: a directory with the information property list (Info.plist)
// that holds the program's settings, such as the application group identifier.
//
// Bundles are cached per directory for the life of the process, so each Info.plist is read once;
// the bundle's directory itself is looked up on every call of main(). A bundle is immutable once
// made, and main(), at() and every accessor are safe to call from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace Foundation {

// A property of a type that has no counterpart here (array, dictionary, data, date, or an
// integer beyond the signed 64-bit range).
struct PropertyOther {
  friend bool operator==(const PropertyOther&, const PropertyOther&) = default;
};

using PropertyValue = std::variant<std::string, std::int64_t, double, bool, PropertyOther>;

class Bundle {
 public:
  // The directory named by KESTRUN_BUNDLE when it is set and not empty, else
  // <directory of the executable>/../share/kestrun-widgets.
  static std::shared_ptr<const Bundle> main();
  // The bundle at `directory`, from the same cache as main().
  static std::shared_ptr<const Bundle> at(const std::filesystem::path& directory);

  const std::filesystem::path& bundlePath() const { return path_; }
  std::filesystem::path infoPlistPath() const { return path_ / "Info.plist"; }

  // A top-level key of Info.plist (XML or binary). A missing, unreadable or damaged Info.plist,
  // one larger than 64 KiB or nested deeper than 32 levels, or one whose top level is not a
  // dictionary, holds no keys.
  std::optional<PropertyValue> objectForInfoDictionaryKey(std::string_view key) const;

 private:
  Bundle(std::filesystem::path path, std::map<std::string, PropertyValue, std::less<>> info)
      : path_(std::move(path)), info_(std::move(info)) {}

  std::filesystem::path path_;
  std::map<std::string, PropertyValue, std::less<>> info_;
};

}  // namespace Foundation
