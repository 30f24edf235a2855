#include "Platform/WidgetHost/PathWatch.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <fstream>

#include "tests/Support/TestSupport.h"

namespace {

using WidgetHost::PathWatch;
namespace fs = std::filesystem;

// Waits for the watch to become readable (up to `ms`), then handles what arrived.
bool changedWithin(PathWatch& watch, int ms = 1000) {
  pollfd p{watch.descriptor(), POLLIN, 0};
  if (poll(&p, 1, ms) <= 0) return false;
  return watch.handle();
}

using TestSupport::writeFile;

// What a writer does when it replaces the file: a temp file, renamed over the target.
void replaceAtomically(const fs::path& p, const std::string& text) {
  writeFile(p.string() + ".tmp", text);
  fs::rename(p.string() + ".tmp", p);
}

TEST(PathWatch, SeesTheFileArriveInDirectoriesThatDidNotExist) {
  TestSupport::TemporaryDirectory tmp;
  fs::path file = tmp.path() / "a" / "b" / "c" / "snapshot.json";
  PathWatch watch(file);
  EXPECT_EQ(watch.watchedDirectory(), tmp.path());
  fs::create_directory(tmp.path() / "a");
  EXPECT_FALSE(changedWithin(watch));  // one level down, the file's directory still missing
  EXPECT_EQ(watch.watchedDirectory(), tmp.path() / "a");
  // Two levels at once: the watch descends past what already exists.
  fs::create_directories(tmp.path() / "a" / "b" / "c");
  EXPECT_TRUE(changedWithin(watch));
  EXPECT_TRUE(watch.watchesFileDirectory());
  replaceAtomically(file, "{}");
  EXPECT_TRUE(changedWithin(watch));
}

TEST(PathWatch, AFileWrittenBeforeTheWatchMovedDownIsNotMissed) {
  TestSupport::TemporaryDirectory tmp;
  fs::path file = tmp.path() / "group" / "snapshot.json";
  PathWatch watch(file);
  fs::create_directory(tmp.path() / "group");
  writeFile(file, "{}");  // before the watch has read the directory's creation
  EXPECT_TRUE(changedWithin(watch));
  EXPECT_TRUE(watch.watchesFileDirectory());
}

TEST(PathWatch, ReportsWritesReplacementsAndRemovalsOfTheFileOnly) {
  TestSupport::TemporaryDirectory tmp;
  fs::path file = tmp.path() / "snapshot.json";
  PathWatch watch(file);
  EXPECT_TRUE(watch.watchesFileDirectory());
  writeFile(tmp.path() / "other.json", "{}");
  EXPECT_FALSE(changedWithin(watch, 200));
  writeFile(file, "{}");
  EXPECT_TRUE(changedWithin(watch));
  replaceAtomically(file, "{\"a\":1}");
  EXPECT_TRUE(changedWithin(watch));
  fs::remove(file);
  EXPECT_TRUE(changedWithin(watch));
  EXPECT_FALSE(changedWithin(watch, 100));  // nothing left over
}

TEST(PathWatch, FollowsTheContainerBeingDeletedAndMadeAgain) {
  TestSupport::TemporaryDirectory tmp;
  fs::path group = tmp.path() / "containers" / "group";
  fs::path file = group / "snapshot.json";
  fs::create_directories(group);
  writeFile(file, "{}");
  PathWatch watch(file);
  fs::remove_all(tmp.path() / "containers");
  EXPECT_TRUE(changedWithin(watch));
  // Deletion events may come in more than one read; let them all arrive.
  while (changedWithin(watch, 100)) {
  }
  EXPECT_EQ(watch.watchedDirectory(), tmp.path());
  fs::create_directories(group);
  replaceAtomically(file, "{}");
  bool seen = false;
  for (int i = 0; i < 5 && !watch.watchesFileDirectory(); ++i) seen |= changedWithin(watch);
  EXPECT_TRUE(watch.watchesFileDirectory());
  EXPECT_TRUE(seen);
  replaceAtomically(file, "{\"b\":2}");
  EXPECT_TRUE(changedWithin(watch));
}

TEST(PathWatch, ARenamedDirectoryIsNoLongerTheFilesDirectory) {
  TestSupport::TemporaryDirectory tmp;
  fs::path file = tmp.path() / "group" / "snapshot.json";
  fs::create_directories(file.parent_path());
  PathWatch watch(file);
  fs::rename(tmp.path() / "group", tmp.path() / "elsewhere");
  EXPECT_TRUE(changedWithin(watch));
  EXPECT_EQ(watch.watchedDirectory(), tmp.path());
  // Writing into the renamed directory is not the watched file.
  writeFile(tmp.path() / "elsewhere" / "snapshot.json", "{}");
  EXPECT_FALSE(changedWithin(watch, 200));
}

}  // namespace
