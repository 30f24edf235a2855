// The boundary between the `host` command and the GTK desktop, which lives in a module of its
// own that is loaded only when `host` runs: one-shot commands (render, tree, tap, the provider's)
// never map GTK and its libraries, which would cost them several MiB of memory and start-up time.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Platform/WidgetHost/Widget.h"

namespace WidgetHost {

// Who the desktop host is to the session: the application id names its windows' class, its
// single instance on the session bus and its notifications.
struct DesktopIdentity {
  std::string applicationId;
};

struct DesktopRequest {
  std::string programName;  // the extension's, for messages
  std::string title;        // of the window that holds every widget (--together)
  std::vector<WidgetDescription> widgets;
  std::optional<std::filesystem::path> watched;
  bool together = false;
  bool verbose = false;  // says on stderr when and why timelines are renewed
  DesktopIdentity identity;
};

}  // namespace WidgetHost

// The module's one entry point; returns the process's exit status.
extern "C" int kestrunRunDesktop(const WidgetHost::DesktopRequest* request);
inline constexpr const char* kestrunRunDesktopSymbol = "kestrunRunDesktop";
