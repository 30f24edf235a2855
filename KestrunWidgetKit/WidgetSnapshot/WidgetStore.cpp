#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <mutex>
#include <variant>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Files.h"

namespace WidgetStore {

std::optional<std::string> groupID() {
  auto value = Foundation::Bundle::main()->objectForInfoDictionaryKey(groupKey);
  if (!value) return std::nullopt;
  if (const auto* text = std::get_if<std::string>(&*value)) return *text;
  return std::nullopt;
}

namespace {

std::mutex overrideMutex;
std::optional<std::filesystem::path> overridden;

std::optional<std::filesystem::path> locate(std::string* whyNot) {
  {
    std::lock_guard lock(overrideMutex);
    if (overridden) return overridden;
  }
  auto group = groupID();
  if (!group) {
    if (whyNot) *whyNot = "the bundle's Info.plist has no text under \"KestrunAppGroup\"";
    return std::nullopt;
  }
  // Every read asks again; the answer changes only with the group or the environment, so the
  // last one is kept per thread with what it was made from.
  struct Located {
    std::string group, dataHome, home;
    std::filesystem::path file;
  };
  thread_local std::optional<Located> last;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const std::string_view dataHomeText = dataHome ? dataHome : "", homeText = home ? home : "";
  if (last && last->group == *group && last->dataHome == dataHomeText && last->home == homeText)
    return last->file;
  auto container = Foundation::FileManager::containerURL(*group);
  if (!container) {
    if (whyNot) *whyNot = "the group identifier has no container";
    return std::nullopt;
  }
  last = Located{*group, std::string(dataHomeText), std::string(homeText), *container / fileName};
  return last->file;
}

}  // namespace

void overrideFileLocation(std::optional<std::filesystem::path> file) {
  std::lock_guard lock(overrideMutex);
  overridden = std::move(file);
}

std::optional<std::filesystem::path> fileURL() { return locate(nullptr); }

std::optional<WidgetSnapshot> read() { return read(nullptr); }

std::optional<WidgetSnapshot> read(std::string* whyNot) {
  auto file = locate(whyNot);
  if (!file) return std::nullopt;
  auto bytes = Foundation::readWholeFile(*file, maximumFileSize, whyNot);
  if (!bytes) return std::nullopt;
  return decodeSnapshot(*bytes, whyNot);
}

void write(const WidgetSnapshot& snapshot) {
  auto file = fileURL();
  if (!file) return;
  std::string document = encodeSnapshot(snapshot);
  // A document every read would refuse must not replace one that can be read.
  if (document.size() > maximumFileSize)
    throw std::system_error(EFBIG, std::generic_category(),
                            "the document of " + std::to_string(document.size()) +
                                " bytes is larger than the " + std::to_string(maximumFileSize) +
                                " bytes a reader accepts; not written to '" + file->string() + "'");
  Foundation::FileManager::createDirectory(file->parent_path());
  Foundation::writeAtomically(*file, document);
}

}  // namespace WidgetStore
