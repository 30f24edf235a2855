// What a kestrun:// link asks for, and the command that answers a section.
//
// A link is untrusted text from whoever opened it. It is parsed as a URL once; the scheme is
// matched without regard to case, the host exactly. The section is the one path segment after
// "open/", percent-decoded exactly once and then matched exactly against the configured and the
// default sections: no trimming, no case folding, no second decoding, so "%2577ifi" is the section
// "%77ifi", not "wifi".
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "KestrunProbe/Config.h"

namespace Probe {

struct SpeedTestLink {};
struct OpenLink {
  std::string section;  // decoded, raw bytes
};
using DeepLink = std::variant<SpeedTestLink, OpenLink>;

// None with the reason in *why for text that is no kestrun:// link this program answers.
std::optional<DeepLink> parseDeepLink(std::string_view text, std::string* why);

struct LinkContext {
  std::filesystem::path self;  // this program, for commands that run it again
  std::optional<std::filesystem::path> cacheDirectory;
  std::optional<std::filesystem::path> projectRoot;
};

// The configured command for the section, else the first default whose program exists; none
// for a section nobody answers.
std::optional<Command> commandForSection(const std::string& section, const Config& config,
                                         const LinkContext& context);

// Shows a desktop notification through the session bus (the freedesktop notification service);
// false when there is no bus or no service within a second.
bool notify(const std::string& summary, const std::string& body);

}  // namespace Probe
