// The program's message catalogue: fixed texts of the widgets are looked up by key for the
// current locale and shown as written when nothing translates them.
#pragma once

#include <string>
#include <string_view>

namespace Foundation {

// The translation of `key` in the current locale's catalogue; `key` itself when there is none.
std::string localizedString(std::string_view key);

}  // namespace Foundation
