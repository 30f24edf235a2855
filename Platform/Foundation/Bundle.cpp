#include "Platform/Foundation/Bundle.h"

#include <plist/plist.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>

#include "Platform/Foundation/Files.h"

#ifndef KESTRUN_DATA_SUBDIR
#define KESTRUN_DATA_SUBDIR "share/kestrun-widgets"
#endif

namespace Foundation {
namespace {

// An Info.plist is a few hundred bytes; the cap keeps a damaged one from costing memory.
constexpr std::size_t maximumInfoPlistSize = 1 << 20;

struct PlistDeleter {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

// libplist 2.2 keeps every integer as 64 unsigned bits, negative ones in two's complement, and
// offers no accessor for the sign; its XML writer does know it, so a value past INT64_MAX is
// either a negative number or one too large for int64_t, and the XML tells which.
PropertyValue integerValue(plist_t node) {
  std::uint64_t bits = 0;
  plist_get_uint_val(node, &bits);
  if (bits <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    return static_cast<std::int64_t>(bits);
  }
  PlistHandle copy(plist_copy(node));
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(copy.get(), &xml, &length);
  bool negative = xml && std::string_view(xml, length).find("<integer>-") != std::string_view::npos;
  plist_to_xml_free(xml);
  if (!negative) return PropertyOther{};
  return static_cast<std::int64_t>(bits);  // two's complement: the intended negative value
}

PropertyValue propertyValue(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
      char* text = nullptr;
      plist_get_string_val(node, &text);
      std::string value = text ? text : "";
      std::free(text);
      return value;
    }
    case PLIST_UINT:
      return integerValue(node);
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return value;
    }
    case PLIST_BOOLEAN: {
      std::uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return value != 0;
    }
    default:
      return PropertyOther{};
  }
}

std::map<std::string, PropertyValue, std::less<>> loadInfoDictionary(
    const std::filesystem::path& file) {
  std::map<std::string, PropertyValue, std::less<>> info;
  auto bytes = readWholeFile(file, maximumInfoPlistSize);
  if (!bytes || bytes->empty()) return info;
  plist_t parsed = nullptr;
  plist_from_memory(bytes->data(), static_cast<std::uint32_t>(bytes->size()), &parsed);
  PlistHandle root(parsed);
  if (!root || plist_get_node_type(root.get()) != PLIST_DICT) return info;

  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(root.get(), &iterator);
  if (!iterator) return info;
  for (;;) {
    char* key = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(root.get(), iterator, &key, &value);
    if (!value) {
      std::free(key);
      break;
    }
    if (key) info.emplace(key, propertyValue(value));
    std::free(key);
  }
  std::free(iterator);
  return info;
}

// The bundle beside the running program; the executable cannot change while the process runs,
// so it is looked up once.
const std::string& installedBundleDirectory() {
  static const std::string directory = [] {
    char executable[4096];
    ssize_t length = ::readlink("/proc/self/exe", executable, sizeof executable);
    std::filesystem::path bin;
    if (length > 0 && static_cast<std::size_t>(length) < sizeof executable) {
      bin = std::filesystem::path(std::string(executable, length)).parent_path();
    }
    // Without /proc the program still has a bundle, one that holds no keys.
    return (bin / ".." / KESTRUN_DATA_SUBDIR).lexically_normal().string();
  }();
  return directory;
}

std::string_view mainBundleDirectory() {
  if (const char* chosen = std::getenv("KESTRUN_BUNDLE"); chosen && *chosen) return chosen;
  return installedBundleDirectory();
}

}  // namespace

std::shared_ptr<const Bundle> Bundle::main() {
  // The store asks for the main bundle on every read: the last answer is kept by the directory's
  // text as given, so that the usual call costs one getenv and one string comparison.
  static std::mutex mutex;
  static std::string lastDirectory;
  static std::shared_ptr<const Bundle> last;
  std::string_view directory = mainBundleDirectory();
  {
    std::lock_guard lock(mutex);
    if (last && directory == lastDirectory) return last;
  }
  auto bundle = at(std::filesystem::path(directory));
  std::lock_guard lock(mutex);
  lastDirectory = directory;
  last = bundle;
  return bundle;
}

std::shared_ptr<const Bundle> Bundle::at(const std::filesystem::path& directory) {
  static std::mutex mutex;
  static std::map<std::filesystem::path, std::shared_ptr<const Bundle>> cache;
  std::filesystem::path key = directory.lexically_normal();
  if (!key.has_filename() && key.has_relative_path()) key = key.parent_path();  // "a/b/" is "a/b"
  std::lock_guard lock(mutex);
  auto& bundle = cache[key];
  // The property list is read under the lock so that two threads never load the same bundle
  // twice; it is small and read once per directory.
  if (!bundle) bundle.reset(new Bundle(key, loadInfoDictionary(key / "Info.plist")));
  return bundle;
}

std::optional<PropertyValue> Bundle::objectForInfoDictionaryKey(std::string_view key) const {
  auto found = info_.find(key);
  if (found == info_.end()) return std::nullopt;
  return found->second;
}

}  // namespace Foundation
