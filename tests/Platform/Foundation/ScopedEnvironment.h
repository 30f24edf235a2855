// Sets environment variables for the length of a scope and restores what was there before.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace FoundationTesting {

class ScopedEnvironment {
 public:
  // A null value unsets the variable.
  ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (auto [name, value] : values) {
      const char* before = std::getenv(name);
      saved_.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
      set(name, value);
    }
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      set(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  static void set(const char* name, const char* value) {
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The three variables the locale is read from, each given or unset.
class ScopedLocale : public ScopedEnvironment {
 public:
  explicit ScopedLocale(const char* lang, const char* lcMessages = nullptr,
                        const char* lcAll = nullptr)
      : ScopedEnvironment{{"LC_ALL", lcAll}, {"LC_MESSAGES", lcMessages}, {"LANG", lang}} {}
};

}  // namespace FoundationTesting
