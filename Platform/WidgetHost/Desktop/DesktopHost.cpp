#include "Platform/WidgetHost/Desktop/DesktopHost.h"

#include <dlfcn.h>

#include <iostream>
#include <memory>
#include <system_error>

#include "Platform/WidgetHost/Desktop/DesktopModule.h"

namespace WidgetHost {
namespace {

// The module sits at a fixed place relative to the running program (set by the build).
std::filesystem::path modulePath() {
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return KESTRUN_DESKTOP_MODULE_NAME;
  return program.parent_path() / KESTRUN_DESKTOP_MODULE_FROM_PROGRAM / KESTRUN_DESKTOP_MODULE_NAME;
}

int runDesktopModule(const DesktopRequest& request) {
  const std::filesystem::path path = modulePath();
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::cerr << request.programName
              << " host: the desktop module could not be loaded: " << dlerror() << '\n';
    return ExitStatus::failure;
  }
  using Run = int (*)(const DesktopRequest*);
  auto run = reinterpret_cast<Run>(dlsym(module, kestrunRunDesktopSymbol));
  if (!run) {
    std::cerr << request.programName << " host: " << path.string()
              << " is not the desktop module\n";
    dlclose(module);
    return ExitStatus::failure;
  }
  // Left loaded: GTK registers types and atexit handlers that must outlive the call.
  return run(&request);
}

}  // namespace

Command desktopHostCommand(WidgetExtension extension, DesktopIdentity identity,
                           std::function<std::optional<std::filesystem::path>()> watchedFile) {
  auto shared = std::make_shared<WidgetExtension>(std::move(extension));
  Command command{
      "host",
      "",
      "The widgets live on the desktop, redrawn at each entry and when the snapshot changes.",
      {{"snapshot",
        "FILE",
        "Shows and watches FILE instead of the group container's file.",
        "the group container's file",
        {},
        false,
        "file"},
       {"together", "", "All widgets in one window.", "one window a widget"},
       {"verbose", "", "Says on stderr when and why timelines are renewed, and where widgets go.",
        "quiet"}},
      [shared, identity, watchedFile](const Arguments& args, CommandIO&) {
        DesktopRequest request;
        request.together = args.has("together");
        request.verbose = args.has("verbose");
        std::optional<std::filesystem::path> snapshotFile;
        if (auto file = args.value("snapshot")) snapshotFile = *file;
        request.programName = shared->programName;
        request.title = shared->title;
        request.identity = identity;
        if (!snapshotFile) {
          request.widgets = shared->widgets;
          if (watchedFile) request.watched = watchedFile();
        } else if (shared->readingFile) {
          request.widgets = shared->readingFile(*snapshotFile).widgets;
          request.watched = snapshotFile;
        } else {
          throw UsageError{"--snapshot: " + shared->programName + " reads no given file"};
        }
        return runDesktopModule(request);
      }};
  command.nowPace = Foundation::ClockPace::running;
  return command;
}

}  // namespace WidgetHost
