// The program's message catalogue: fixed texts of the widgets are looked up by key for the
// current locale and shown as written when nothing translates them.
//
// A key is the fixed text with a format specifier where each value goes: "%@" for a text, "%lld"
// for an integer, "%lf" for a double, or the specifier the text itself writes ("%.1f"). The
// caller fills the values into whatever comes back (format() of StringFormat.h understands the
// positional "%1$@" that translations use to reorder values).
//
// Catalogues are GNU gettext .mo files of the text domain "kestrun-widgets", found at
//   <bundle>/locale/<language>_<REGION>/LC_MESSAGES/kestrun-widgets.mo, then
//   <bundle>/locale/<language>/LC_MESSAGES/kestrun-widgets.mo,
// where <bundle> is the directory of Bundle::main() (Bundle.h says where it is looked for) and
// the locale is Locale::current(), which
// the formatters of numbers and dates use too. English is the language of the keys; an English
// catalogue may still reword a key without changing it.
// They are read by this unit rather than by the C library's gettext, which would translate only
// when the machine has the user's locale generated and setlocale has been called. Each file is read
// once, on first use, and kept; a missing or damaged file means no translations for that locale.
// Safe to call from any thread.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/StringFormat.h"

namespace Foundation {

inline constexpr std::string_view textDomain = "kestrun-widgets";

// The translation of `key` in the current locale's catalogue; `key` itself when there is none.
// The empty key is always the empty text (a .mo file keeps its header under the empty key).
std::string localizedString(std::string_view key);
std::string localizedString(std::string_view key, const Locale& locale);

// The translation of `key` with the values filled in.
template <typename... Arguments>
std::string localizedFormat(std::string_view key, const Arguments&... arguments) {
  return format(localizedString(key), arguments...);
}

// Whether a catalogue translates for `locale` (its regional or its language's catalogue).
bool hasTranslations(const Locale& locale);

// The folder that holds the catalogues: <bundle>/locale, as described above.
std::filesystem::path catalogueDirectory();

// The messages of one .mo file. The file is untrusted input: every offset is checked, and a file
// that is not a well-formed catalogue gives nothing. Plural entries keep their first form,
// entries with a context and translations that are not valid UTF-8 are left out.
class MessageCatalog {
 public:
  static std::optional<MessageCatalog> parse(std::string_view moFile);

  // The translation of `key`, or nullopt.
  std::optional<std::string_view> find(std::string_view key) const;
  std::size_t size() const { return messages_.size(); }

 private:
  std::map<std::string, std::string, std::less<>> messages_;
};

}  // namespace Foundation
