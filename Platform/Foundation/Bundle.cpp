#include "Platform/Foundation/Bundle.h"

#include <plist/plist.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
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
  // Read afresh on every call: the file is small and bounded, and a copy of its keys kept here
  // would be one more place that can disagree with the file. Parsing costs several times the
  // read, though, and every timeline request asks, so the last file's parse is kept by its exact
  // bytes: what is read is what is answered from, whatever the file's dates say.
  const std::filesystem::path file = infoPlistPath();
  auto bytes = readWholeFile(file, maximumInfoPlistSize);
  if (!bytes) return std::nullopt;
  static std::mutex mutex;
  static std::string lastFile, lastBytes;
  static InfoDictionary lastInfo;
  std::lock_guard lock(mutex);
  if (file.native() != lastFile || *bytes != lastBytes) {
    lastInfo = parseInfoDictionary(*bytes);
    lastFile = file.native();
    lastBytes = std::move(*bytes);
  }
  auto found = lastInfo.find(key);
  if (found == lastInfo.end()) return std::nullopt;
  return found->second;
}

}  // namespace Foundation
