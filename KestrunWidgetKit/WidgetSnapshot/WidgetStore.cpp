#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <variant>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Files.h"

namespace KestrunWidgetKit {

namespace WidgetStore {

std::optional<std::string> groupID() {
  auto value = Foundation::Bundle::main()->objectForInfoDictionaryKey(groupKey);
  if (!value) return std::nullopt;
  if (const auto* text = std::get_if<std::string>(&*value)) return *text;
  return std::nullopt;
}

namespace {

// The file's location rule, the one place it is written.
std::optional<std::filesystem::path> locate(std::string* whyNot) {
  auto group = groupID();
  if (!group) {
    if (whyNot) *whyNot = "the bundle's Info.plist has no text under \"KestrunAppGroup\"";
    return std::nullopt;
  }
  // Asked afresh on every read: the container's rule lives in FileManager alone.
  auto container = Foundation::FileManager::containerURL(*group);
  if (!container) {
    if (whyNot) *whyNot = "the group identifier has no container";
    return std::nullopt;
  }
  return *container / fileName;
}

}  // namespace

std::optional<std::filesystem::path> fileURL() {
  return locate(nullptr);
}

std::optional<WidgetSnapshot> read() {
  return read(nullptr);
}

namespace {

// The last document decoded, by its exact bytes. Every request reads the file anew, but the host
// asks far more often than the application writes: a document byte for byte the same as the last
// one decodes to the same snapshot, so that decode is not done again. Large documents are not
// kept, so that this never holds much memory.
constexpr std::size_t rememberedDocumentSize = 64 * 1024;
std::mutex rememberedMutex;
std::string rememberedBytes;
std::optional<WidgetSnapshot> remembered;

std::optional<WidgetSnapshot> decodeRemembering(std::string bytes, std::string* whyNot) {
  if (bytes.size() > rememberedDocumentSize) return decodeSnapshot(bytes, whyNot);
  {
    std::lock_guard lock(rememberedMutex);
    if (remembered && bytes == rememberedBytes) return remembered;
  }
  auto snapshot = decodeSnapshot(bytes, whyNot);
  if (snapshot) {
    std::lock_guard lock(rememberedMutex);
    rememberedBytes = std::move(bytes);
    remembered = snapshot;
  }
  return snapshot;
}

}  // namespace

std::optional<WidgetSnapshot> read(std::string* whyNot) {
  auto file = locate(whyNot);
  if (!file) return std::nullopt;
  return readFrom(*file, whyNot);
}

std::optional<WidgetSnapshot> readFrom(const std::filesystem::path& file, std::string* whyNot) {
  auto bytes = Foundation::readWholeFile(file, maximumFileSize, whyNot);
  if (!bytes) return std::nullopt;
  return decodeRemembering(std::move(*bytes), whyNot);
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

}  // namespace KestrunWidgetKit
