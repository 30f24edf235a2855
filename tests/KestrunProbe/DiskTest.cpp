#include "KestrunProbe/Disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/Support/TestSupport.h"

using namespace Probe;
using TestSupport::TemporaryDirectory;
using TestSupport::writeFile;

namespace {

std::int64_t allocated(const std::filesystem::path& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return static_cast<std::int64_t>(info.st_blocks) * 512;
}

}  // namespace

TEST(ProbeDisk, CleanableCountsAllocatedBytesOnceAndNeverFollowsLinks) {
  TemporaryDirectory cache, trash, outside;
  writeFile(cache / "a/file", std::string(100000, 'x'));
  std::filesystem::create_hard_link(cache / "a/file", cache / "a/again");
  writeFile(outside / "big", std::string(1 << 20, 'y'));
  std::filesystem::create_symlink(outside.path(), cache / "link-to-outside");
  // Sparse: a large apparent size holding one block.
  {
    int fd = ::open((trash / "sparse").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "z", 1, 50 << 20), 1);
    ::close(fd);
  }
  std::int64_t expected = allocated(cache.path()) + allocated(cache / "a") +
                          allocated(cache / "a/file") + allocated(cache / "link-to-outside") +
                          allocated(trash.path()) + allocated(trash / "sparse");
  auto total = allocatedSize({cache.path(), trash.path(), cache / "missing"});
  ASSERT_TRUE(total);
  EXPECT_EQ(*total, expected);
  EXPECT_LT(*total, 1 << 20);
}

TEST(ProbeDisk, AWalkThatHitsItsBoundHasNoFigure) {
  TemporaryDirectory cache;
  for (int i = 0; i < 50; ++i) writeFile(cache / ("f" + std::to_string(i)), "x");
  EXPECT_FALSE(allocatedSize({cache.path()}, WalkBounds{10, std::chrono::milliseconds(1000)}));
  EXPECT_TRUE(allocatedSize({cache.path()}, WalkBounds{100, std::chrono::milliseconds(1000)}));
  EXPECT_EQ(allocatedSize({cache / "none"}), 0);
}

TEST(ProbeDisk, SpaceComesFromTheSourceAndNoCleanableDirectoriesMeansNoFigure) {
  SpaceSource fake = [](const std::filesystem::path& path) -> std::optional<FileSystemSpace> {
    if (path != "/fake") return std::nullopt;
    return FileSystemSpace{1000, 250};
  };
  auto disk = measureDisk("/fake", fake, {});
  ASSERT_TRUE(disk);
  EXPECT_EQ(disk->total, 1000);
  EXPECT_EQ(disk->free, 250);
  EXPECT_FALSE(disk->cleanable);
  EXPECT_FALSE(measureDisk("/elsewhere", fake, {}));
}

TEST(ProbeDisk, ThisMachineMatchesStatvfsAvailableToUsers) {
  struct statvfs info {};
  ASSERT_EQ(::statvfs("/", &info), 0);
  auto space = statvfsSpace("/");
  ASSERT_TRUE(space);
  EXPECT_EQ(space->total, static_cast<std::int64_t>(info.f_blocks * info.f_frsize));
  // Free space moves while the test runs; within 64 MiB of a second look.
  EXPECT_NEAR(static_cast<double>(space->available),
              static_cast<double>(info.f_bavail * info.f_frsize), 64.0 * 1024 * 1024);
  EXPECT_FALSE(statvfsSpace("/nonexistent/path"));
}
