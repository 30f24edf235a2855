// Tells when one file may have changed, whether or not its directories exist yet, without polling.
//
// The file's own directory is watched for the file being written, created, replaced by a rename
// or removed. While that directory is missing (a first run before the group container exists, or
// after it was deleted), the nearest existing ancestor is watched for the next directory on the
// way to appear; the watch then moves down, and back up when a watched directory is deleted or
// renamed. Each step down looks at once for what already exists below, since a directory may be
// filled between its creation and the new watch.
//
// The descriptor is non-blocking: hand it to a main loop and call handle() when it is readable.
// Not thread-safe; use from one thread. The desktop host and `status --watch` both watch with it.
#pragma once

#include <filesystem>

namespace WidgetHost {

class PathWatch {
 public:
  // `file` is made absolute against the working directory. Throws std::system_error when inotify
  // itself is unavailable (no descriptors or watches left).
  explicit PathWatch(std::filesystem::path file);
  ~PathWatch();
  PathWatch(const PathWatch&) = delete;
  PathWatch& operator=(const PathWatch&) = delete;

  int descriptor() const { return fd_; }

  // Reads every pending event; true when the file may now differ from what it was (written,
  // replaced, created, removed, or its directory appeared or went away).
  bool handle();

  // The directory watched now: the file's own directory, or the nearest existing ancestor.
  const std::filesystem::path& watchedDirectory() const { return dir_; }
  bool watchesFileDirectory() const { return dir_ == file_.parent_path(); }

 private:
  // Moves the watch to the deepest existing directory on the file's path.
  void rewatch();

  std::filesystem::path file_;
  std::filesystem::path dir_;
  int fd_ = -1;
  int wd_ = -1;
};

}  // namespace WidgetHost
