#include "KestrunProbe/Disk.h"

#include <fts.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <limits>
#include <set>
#include <utility>

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace Probe {

std::optional<FileSystemSpace> statvfsSpace(const std::filesystem::path& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return std::nullopt;
  auto bytes = [&](std::uint64_t blocks) -> std::optional<std::int64_t> {
    unsigned __int128 product = static_cast<unsigned __int128>(blocks) * info.f_frsize;
    if (product > static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()))
      return std::nullopt;
    return static_cast<std::int64_t>(product);
  };
  auto total = bytes(info.f_blocks), available = bytes(info.f_bavail);
  if (!total || !available || *total == 0) return std::nullopt;
  return FileSystemSpace{*total, *available};
}

std::optional<std::int64_t> allocatedSize(const std::vector<std::filesystem::path>& directories,
                                          WalkBounds bounds) {
  auto deadline = std::chrono::steady_clock::now() + bounds.maximumTime;
  std::vector<std::string> existing;
  for (const auto& directory : directories) {
    struct stat info {};
    if (::lstat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
      existing.push_back(directory.string());
  }
  if (existing.empty()) return 0;
  std::vector<char*> argv;
  for (auto& path : existing) argv.push_back(path.data());
  argv.push_back(nullptr);

  FTS* walk = ::fts_open(argv.data(), FTS_PHYSICAL | FTS_XDEV | FTS_NOCHDIR, nullptr);
  if (!walk) return std::nullopt;
  std::set<std::pair<dev_t, ino_t>> linked;
  std::int64_t total = 0;
  std::size_t entries = 0;
  bool complete = true;
  while (FTSENT* entry = ::fts_read(walk)) {
    if (entry->fts_info == FTS_DP) continue;  // a directory seen again on the way out
    if (++entries > bounds.maximumEntries ||
        ((entries & 255) == 0 && std::chrono::steady_clock::now() > deadline)) {
      complete = false;
      break;
    }
    const struct stat* info = entry->fts_statp;
    if (!info || entry->fts_info == FTS_NS || entry->fts_info == FTS_ERR) continue;
    if (!S_ISDIR(info->st_mode) && info->st_nlink > 1 &&
        !linked.emplace(info->st_dev, info->st_ino).second)
      continue;
    total += static_cast<std::int64_t>(info->st_blocks) * 512;
  }
  ::fts_close(walk);
  if (!complete) return std::nullopt;
  return total;
}

std::optional<WidgetSnapshot::Disk> measureDisk(const std::filesystem::path& mountPoint,
                                                const SpaceSource& space,
                                                const std::vector<std::filesystem::path>& cleanable,
                                                WalkBounds bounds) {
  auto measured = space(mountPoint);
  if (!measured) return std::nullopt;
  return WidgetSnapshot::Disk{measured->available, measured->total,
                              cleanable.empty() ? std::nullopt : allocatedSize(cleanable, bounds)};
}

}  // namespace Probe
