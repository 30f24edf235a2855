#include "Platform/WidgetHost/PathWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <system_error>

namespace WidgetHost {
namespace {

constexpr uint32_t selfEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
constexpr uint32_t ancestorMask =
    IN_ONLYDIR | IN_DELETE_SELF | IN_MOVE_SELF | IN_CREATE | IN_MOVED_TO;
// An atomic save ends in MOVED_TO of the file's name (it never gets CLOSE_WRITE); an in-place
// write in CLOSE_WRITE; removal in DELETE or MOVED_FROM.
constexpr uint32_t directoryMask = ancestorMask | IN_CLOSE_WRITE | IN_DELETE | IN_MOVED_FROM;

}  // namespace

PathWatch::PathWatch(std::filesystem::path file)
    : file_(std::filesystem::absolute(file).lexically_normal()) {
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "inotify");
  try {
    rewatch();
  } catch (...) {
    close(fd_);
    throw;
  }
}

PathWatch::~PathWatch() {
  close(fd_);
}

void PathWatch::rewatch() {
  if (wd_ >= 0) inotify_rm_watch(fd_, wd_);
  wd_ = -1;
  const std::filesystem::path target = file_.parent_path();
  for (;;) {
    std::filesystem::path dir = target;
    int wd = -1;
    for (;;) {
      wd = inotify_add_watch(fd_, dir.c_str(), dir == target ? directoryMask : ancestorMask);
      if (wd >= 0) break;
      if (errno != ENOENT && errno != ENOTDIR && errno != EACCES)
        throw std::system_error(errno, std::generic_category(), "inotify: " + dir.string());
      if (dir == dir.root_path() || !dir.has_relative_path()) {
        dir_ = dir;  // not even the root can be watched: nothing will ever be reported
        return;
      }
      dir = dir.parent_path();
    }
    // The next directory down may have appeared before the watch was in place.
    if (dir != target) {
      std::filesystem::path next = dir / *target.lexically_relative(dir).begin();
      std::error_code error;
      if (std::filesystem::is_directory(next, error)) {
        inotify_rm_watch(fd_, wd);
        continue;
      }
    }
    wd_ = wd;
    dir_ = dir;
    return;
  }
}

bool PathWatch::handle() {
  bool changed = false;
  bool moved = false;
  const std::string name = file_.filename().string();
  std::string next;
  if (!watchesFileDirectory() && wd_ >= 0)
    next = (*file_.parent_path().lexically_relative(dir_).begin()).string();
  alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
  for (;;) {
    ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (char* p = buffer; p < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      p += sizeof(inotify_event) + event->len;
      if (event->mask & IN_Q_OVERFLOW) {
        moved = changed = true;
        continue;
      }
      if (event->wd != wd_) continue;
      if (event->mask & selfEvents) {
        moved = changed = true;
        continue;
      }
      const char* entry = event->len ? event->name : "";
      if (watchesFileDirectory())
        changed |= name == entry;
      else
        moved |= next == entry;
    }
  }
  if (moved) {
    bool wasOwn = watchesFileDirectory();
    rewatch();
    changed |= wasOwn != watchesFileDirectory();
  }
  return changed;
}

}  // namespace WidgetHost
