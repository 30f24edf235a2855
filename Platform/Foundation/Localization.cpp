#include "Platform/Foundation/Localization.h"

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Files.h"

#include <unicode/ustring.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

namespace Foundation {
namespace {

// Catalogues of a few hundred texts are a few kilobytes; anything this large is not ours.
constexpr std::size_t maximumCatalogueSize = 16 << 20;

bool wellFormedUTF8(std::string_view s) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8(nullptr, 0, &length, s.data(), int32_t(s.size()), &status);
  return status == U_BUFFER_OVERFLOW_ERROR || status == U_STRING_NOT_TERMINATED_WARNING ||
         U_SUCCESS(status);
}

std::shared_ptr<const MessageCatalog> load(const std::filesystem::path& path) {
  auto bytes = readWholeFile(path, maximumCatalogueSize);
  if (!bytes) return nullptr;
  auto catalogue = MessageCatalog::parse(*bytes);
  return catalogue ? std::make_shared<const MessageCatalog>(std::move(*catalogue)) : nullptr;
}

// The catalogues that translate for a locale, most specific first. They are found once per
// catalogue folder and locale and kept, absent and damaged files included, so that a lookup
// costs one map search and reads nothing.
using CatalogueChain = std::vector<std::shared_ptr<const MessageCatalog>>;

std::shared_ptr<const CatalogueChain> cataloguesFor(const std::filesystem::path& directory,
                                                    const Locale& locale) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const CatalogueChain>, std::less<>> chains;
  std::string key = directory.native() + '\0' + locale.identifier();
  std::lock_guard lock(mutex);
  auto& chain = chains[key];
  if (!chain) {
    CatalogueChain found;
    std::vector<std::string> names{locale.identifier()};
    if (!locale.region.empty()) names.push_back(locale.language);
    for (const std::string& name : names) {
      // Locales made from the environment are well formed; one made by hand must not reach
      // outside the catalogue folder either.
      if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos) continue;
      if (auto catalogue =
              load(directory / name / "LC_MESSAGES" / (std::string(textDomain) + ".mo")))
        found.push_back(std::move(catalogue));
    }
    chain = std::make_shared<const CatalogueChain>(std::move(found));
  }
  return chain;
}

}  // namespace

std::filesystem::path catalogueDirectory() {
  return Bundle::main()->bundlePath() / "locale";
}

bool hasTranslations(const Locale& locale) {
  return !cataloguesFor(catalogueDirectory(), locale)->empty();
}

std::string localizedString(std::string_view key) {
  return localizedString(key, Locale::current());
}

std::string localizedString(std::string_view key, const Locale& locale) {
  if (key.empty()) return {};
  // A regional catalogue may translate only what differs from its language's catalogue.
  for (const auto& catalogue : *cataloguesFor(catalogueDirectory(), locale))
    if (auto translation = catalogue->find(key)) return std::string(*translation);
  return std::string(key);
}

std::optional<MessageCatalog> MessageCatalog::parse(std::string_view mo) {
  if (mo.size() < 28) return std::nullopt;
  auto byte = [&](std::size_t at) { return std::uint32_t(std::uint8_t(mo[at])); };
  bool bigEndian;
  std::uint32_t magic = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
  if (magic == 0x950412deu)
    bigEndian = false;
  else if (magic == 0xde120495u)
    bigEndian = true;
  else
    return std::nullopt;
  auto word = [&](std::uint64_t at) -> std::optional<std::uint64_t> {
    if (at + 4 > mo.size()) return std::nullopt;
    std::uint32_t b0 = byte(at), b1 = byte(at + 1), b2 = byte(at + 2), b3 = byte(at + 3);
    return bigEndian ? (b0 << 24 | b1 << 16 | b2 << 8 | b3) : (b3 << 24 | b2 << 16 | b1 << 8 | b0);
  };
  // The string at the descriptor (length, offset) `at`; the text ends at the length or at the
  // first NUL, which separates plural forms.
  auto text = [&](std::uint64_t at) -> std::optional<std::string_view> {
    auto length = word(at), offset = word(at + 4);
    if (!length || !offset || *offset + *length > mo.size()) return std::nullopt;
    std::string_view s = mo.substr(*offset, *length);
    return s.substr(0, s.find('\0'));
  };

  auto revision = word(4), count = word(8), originals = word(12), translations = word(16);
  if (!revision || (*revision >> 16) > 1) return std::nullopt;
  if (*originals + 8 * *count > mo.size() || *translations + 8 * *count > mo.size())
    return std::nullopt;

  MessageCatalog catalogue;
  for (std::uint64_t i = 0; i < *count; ++i) {
    auto key = text(*originals + 8 * i), translation = text(*translations + 8 * i);
    if (!key || !translation) return std::nullopt;
    if (key->empty() || translation->empty()) continue;         // the header; untranslated entries
    if (key->find('\x04') != std::string_view::npos) continue;  // a message with a context
    if (!wellFormedUTF8(*translation)) continue;
    catalogue.messages_.emplace(*key, *translation);
  }
  return catalogue;
}

std::optional<std::string_view> MessageCatalog::find(std::string_view key) const {
  auto it = messages_.find(key);
  if (it == messages_.end()) return std::nullopt;
  return it->second;
}

}  // namespace Foundation
