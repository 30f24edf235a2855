// The file system that holds the system's root, and the space the user could clear.
//
// Sizes come from statvfs in fragment units: `total` is every block, `free` only what an
// unprivileged user may still use (root's reserve left out), as df's "Avail" column shows.
// `cleanable` is the space allocated (not the apparent size, so sparse files count what they
// hold) beneath the user's cache directory and trash, each hard-linked file once, never following a
// symbolic link or leaving the file system the walk started on. The walk stops at a bound on
// entries and on time; a walk that stops is no figure at all, since a partial sum would
// understate what can be cleared.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace Probe {

struct FileSystemSpace {
  std::int64_t total;
  std::int64_t available;
};
using SpaceSource = std::function<std::optional<FileSystemSpace>(const std::filesystem::path&)>;

// statvfs on the path.
std::optional<FileSystemSpace> statvfsSpace(const std::filesystem::path& path);

struct WalkBounds {
  std::size_t maximumEntries = 200000;
  std::chrono::milliseconds maximumTime{1500};
};

// Bytes allocated under the directories (a missing one counts 0); none when a bound was hit.
std::optional<std::int64_t> allocatedSize(const std::vector<std::filesystem::path>& directories,
                                          WalkBounds bounds = {});

std::optional<WidgetSnapshot::Disk> measureDisk(const std::filesystem::path& mountPoint,
                                                const SpaceSource& space,
                                                const std::vector<std::filesystem::path>& cleanable,
                                                WalkBounds bounds = {});

}  // namespace Probe
