#include "Platform/Foundation/Bundle.h"

#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <mutex>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Files.h"

// Set by the build: the bundle's folder relative to the installation prefix, and the same folder
// under the prefix the library is installed to.
#ifndef KESTRUN_DATA_SUBDIR
#define KESTRUN_DATA_SUBDIR "share/kestrun-widgets"
#endif
#ifndef KESTRUN_INSTALLED_DATA_DIR
#define KESTRUN_INSTALLED_DATA_DIR "/usr/local/" KESTRUN_DATA_SUBDIR
#endif

namespace Foundation {
namespace {

// An Info.plist is a few hundred bytes. The cap keeps a damaged one from costing memory, and the
// nesting bound keeps a hostile one from exhausting the stack of the recursive parser behind it;
// a real one nests three levels.
constexpr std::size_t maximumInfoPlistSize = 64 * 1024;
constexpr std::size_t maximumInfoPlistDepth = 32;

std::uint64_t bigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// The binary form: objects reached from the top one through arrays, sets and dictionaries, walked
// with a stack of our own. Anything malformed, nested too deep or referring in a cycle fails;
// libplist then never sees it. Visits are bounded too, so shared references cannot make the walk
// exponential.
bool binaryNestingWithinBound(std::string_view bytes) {
  constexpr std::size_t header = 8, trailer = 32;
  if (bytes.size() < header + trailer) return false;
  const std::size_t t = bytes.size() - trailer;
  const std::size_t offsetSize = static_cast<unsigned char>(bytes[t + 6]);
  const std::size_t refSize = static_cast<unsigned char>(bytes[t + 7]);
  const std::uint64_t objects = bigEndian(bytes, t + 8, 8), top = bigEndian(bytes, t + 16, 8);
  const std::uint64_t table = bigEndian(bytes, t + 24, 8);
  if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || top >= objects ||
      table > t || objects > (t - table) / offsetSize)
    return false;
  auto offsetOf = [&](std::uint64_t object) {
    return bigEndian(bytes, static_cast<std::size_t>(table + object * offsetSize), offsetSize);
  };
  // The elements of a container object: where its references start and how many there are.
  auto children = [&](std::uint64_t object, std::size_t& refs, std::uint64_t& count) {
    std::uint64_t at = offsetOf(object);
    if (at < header || at >= table) return false;
    unsigned char marker = static_cast<unsigned char>(bytes[at]);
    unsigned kind = marker >> 4;
    if (kind != 0xA && kind != 0xC && kind != 0xD) {
      count = 0;
      return true;
    }
    count = marker & 0x0F;
    ++at;
    if (count == 0x0F) {  // the count follows as an integer object
      if (at >= table) return false;
      unsigned char intMarker = static_cast<unsigned char>(bytes[at]);
      std::size_t width = std::size_t{1} << (intMarker & 0x0F);
      if ((intMarker >> 4) != 0x1 || width > 8 || at + 1 + width > table) return false;
      count = bigEndian(bytes, static_cast<std::size_t>(at + 1), width);
      at += 1 + width;
    }
    if (kind == 0xD) count *= 2;  // keys, then values
    if (count > (table - at) / refSize) return false;
    refs = static_cast<std::size_t>(at);
    return true;
  };
  struct Frame {
    std::size_t refs;
    std::uint64_t count, next;
  };
  std::vector<Frame> stack;
  std::size_t visits = 0;
  auto enter = [&](std::uint64_t object) {
    Frame frame{0, 0, 0};
    if (object >= objects || ++visits > 4 * objects + 16 ||
        !children(object, frame.refs, frame.count))
      return false;
    if (frame.count == 0) return true;
    if (stack.size() >= maximumInfoPlistDepth) return false;
    stack.push_back(frame);
    return true;
  };
  if (!enter(top)) return false;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.count) {
      stack.pop_back();
      continue;
    }
    std::uint64_t child = bigEndian(bytes, frame.refs + frame.next++ * refSize, refSize);
    if (!enter(child)) return false;
  }
  return true;
}

// The XML form: containers opened and closed, outside comments, CDATA and declarations.
bool xmlNestingWithinBound(std::string_view xml) {
  std::size_t depth = 0;
  for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
    std::string_view rest = xml.substr(at);
    auto skipTo = [&](std::string_view end) {
      std::size_t found = xml.find(end, at);
      at = found == std::string_view::npos ? xml.size() : found;
    };
    if (rest.substr(0, 4) == "<!--") {
      skipTo("-->");
    } else if (rest.substr(0, 9) == "<![CDATA[") {
      skipTo("]]>");
    } else if (rest.substr(0, 6) == "<array" || rest.substr(0, 5) == "<dict") {
      std::size_t close = rest.find('>');
      if (close == std::string_view::npos) return false;
      if (rest[close - 1] != '/' && ++depth > maximumInfoPlistDepth) return false;
    } else if (rest.substr(0, 7) == "</array" || rest.substr(0, 6) == "</dict") {
      if (depth > 0) --depth;
    }
    if (at >= xml.size()) break;
  }
  return true;
}

bool nestingWithinBound(std::string_view bytes) {
  if (bytes.substr(0, 6) == "bplist") return binaryNestingWithinBound(bytes);
  return xmlNestingWithinBound(bytes);
}

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

using InfoDictionary = std::map<std::string, PropertyValue, std::less<>>;

InfoDictionary parseInfoDictionary(const std::string& bytes) {
  InfoDictionary info;
  if (bytes.empty() || !nestingWithinBound(bytes)) return info;
  plist_t parsed = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &parsed);
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
const std::filesystem::path& besideTheProgram() {
  static const std::filesystem::path directory = [] {
    char executable[4096];
    ssize_t length = ::readlink("/proc/self/exe", executable, sizeof executable);
    std::filesystem::path bin;
    if (length > 0 && static_cast<std::size_t>(length) < sizeof executable) {
      bin = std::filesystem::path(std::string(executable, length)).parent_path();
    }
    // Without /proc the program still has a bundle, one that holds no keys.
    return (bin / ".." / KESTRUN_DATA_SUBDIR).lexically_normal();
  }();
  return directory;
}

// The last Info.plist read, its keys, and what stat said of it just before.
struct KeptInfo {
  std::string file, bytes;
  InfoDictionary info;
  struct stat status {};
  bool settled = false;  // its times were well in the past when it was read
};

bool sameFileUnchanged(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mode == b.st_mode && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
         a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Both times at least two seconds before now: far more than any file system's tick.
bool settledLongAgo(const struct stat& s) {
  timespec now{};
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  const auto limit = now.tv_sec - 2;
  return s.st_mtim.tv_sec < limit && s.st_ctim.tv_sec < limit;
}

std::optional<PropertyValue> lookUp(const InfoDictionary& info, std::string_view key) {
  auto found = info.find(key);
  if (found == info.end()) return std::nullopt;
  return found->second;
}

bool holdsInfoPlist(const std::filesystem::path& directory) {
  std::error_code error;
  return std::filesystem::exists(directory / "Info.plist", error);
}

}  // namespace

std::vector<std::filesystem::path> Bundle::searchPath() {
  if (const char* chosen = std::getenv("KESTRUN_BUNDLE"); chosen && *chosen) return {chosen};
  std::vector<std::filesystem::path> places = {besideTheProgram()};
  auto add = [&](std::filesystem::path place) {
    place = place.lexically_normal();
    if (std::find(places.begin(), places.end(), place) == places.end())
      places.push_back(std::move(place));
  };
  add(KESTRUN_INSTALLED_DATA_DIR);
  // As the XDG base directory rules read it: relative entries are ignored.
  const char* dataDirs = std::getenv("XDG_DATA_DIRS");
  std::string_view dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
  while (!dirs.empty()) {
    std::string_view entry = dirs.substr(0, dirs.find(':'));
    dirs.remove_prefix(std::min(dirs.size(), entry.size() + 1));
    if (!entry.empty() && entry.front() == '/')
      add(std::filesystem::path(entry) / std::filesystem::path(KESTRUN_DATA_SUBDIR).filename());
  }
  return places;
}

std::shared_ptr<const Bundle> Bundle::main() {
  // A directory chosen in the environment is the bundle whatever it holds; the bundle made of
  // the same text last time is that bundle again (bundles are immutable).
  if (const char* chosen = std::getenv("KESTRUN_BUNDLE"); chosen && *chosen) {
    static std::mutex mutex;
    static std::string lastChosen;
    static std::shared_ptr<const Bundle> lastBundle;
    std::lock_guard lock(mutex);
    if (!lastBundle || lastChosen != chosen) {
      lastBundle = at(chosen);
      lastChosen = chosen;
    }
    return lastBundle;
  }
  // A few stat calls each time: the bundle is asked for every few minutes, and whatever was
  // installed or removed since is seen at once.
  std::vector<std::filesystem::path> places = searchPath();
  for (const auto& place : places)
    if (holdsInfoPlist(place)) return at(place);
  return at(places.front());
}

std::shared_ptr<const Bundle> Bundle::at(const std::filesystem::path& directory) {
  std::filesystem::path key = directory.lexically_normal();
  if (!key.has_filename() && key.has_relative_path()) key = key.parent_path();  // "a/b/" is "a/b"
  return std::shared_ptr<const Bundle>(new Bundle(std::move(key)));
}

std::optional<PropertyValue> Bundle::objectForInfoDictionaryKey(std::string_view key) const {
  // Read afresh on every call: a copy of the keys kept here would be one more place that can
  // disagree with the file. Every timeline request asks, though, and reading and parsing cost
  // several times a stat, so the last file's keys are kept with the file's identity and times.
  // They answer only while the stat says the very same file, unchanged, and only once its times
  // lie well in the past when it was read: a file's times move in ticks, so two writes within
  // one tick could look alike, but any write after the read lands in a later tick. Until then,
  // and on any doubt, the file is read, and its exact bytes decide whether to parse it again.
  const std::filesystem::path& file = infoPlistPath();
  struct stat status;
  const bool stated = ::stat(file.native().c_str(), &status) == 0;
  static std::mutex mutex;
  static KeptInfo kept;
  if (stated) {
    std::lock_guard lock(mutex);
    if (kept.settled && kept.file == file.native() && sameFileUnchanged(kept.status, status))
      return lookUp(kept.info, key);
  }
  auto bytes = readWholeFile(file, maximumInfoPlistSize);
  if (!bytes) return std::nullopt;
  std::lock_guard lock(mutex);
  if (file.native() != kept.file || *bytes != kept.bytes) {
    kept.info = parseInfoDictionary(*bytes);
    kept.file = file.native();
    kept.bytes = std::move(*bytes);
  }
  kept.status = status;
  kept.settled = stated && settledLongAgo(status);
  return lookUp(kept.info, key);
}

}  // namespace Foundation
