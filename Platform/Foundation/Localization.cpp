#include "Platform/Foundation/Localization.h"

namespace Foundation {

std::string localizedString(std::string_view key) { return std::string(key); }

}  // namespace Foundation
