// The host application's writer under faults: killed mid-write, out of space, in a directory that
// refuses changes. The file is always the old document or the new one, never a part of either.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

namespace fs = std::filesystem;

WidgetSnapshot version(int n) {
  WidgetSnapshot s = WidgetSnapshot::sample();
  s.updated = Foundation::Date{1'800'000'000.0 + n};
  s.speedTest->date = Foundation::Date{1'800'000'000.0};
  s.devRunning = n;
  // Large enough that a write takes several system calls' worth of time.
  s.attention.assign(200, s.attention[0]);
  return s;
}

std::size_t filesIn(const fs::path& dir) {
  std::size_t n = 0;
  for (auto& e : fs::directory_iterator(dir)) n += (void(e), 1);
  return n;
}

TEST(CrashSafeWrite, AWriterKilledAtRandomMomentsLeavesOneWholeDocument) {
  TestSupport::ScopedWidgetContainer container;
  WidgetStore::write(version(0));
  std::mt19937 random(12345);
  int kills = 0;
  for (int round = 1; round <= 40; ++round) {
    pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      for (int i = 0;; ++i) WidgetStore::write(version(round * 1000 + i % 2));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200 + random() % 3000));
    ::kill(writer, SIGKILL);
    int status = 0;
    ::waitpid(writer, &status, 0);
    kills += WIFSIGNALED(status);

    auto s = WidgetStore::read();
    ASSERT_TRUE(s) << "round " << round;
    // Whole: exactly one of the versions some writer wrote, every item included.
    EXPECT_LE(s->devRunning / 1000, round);
    EXPECT_EQ(*s, version(int(s->devRunning))) << "round " << round;
  }
  EXPECT_EQ(kills, 40);
  // Killed writers may have left their temporary files; the next write clears them all.
  WidgetStore::write(version(7));
  EXPECT_EQ(filesIn(container.snapshotFile().parent_path()), 1u);
  EXPECT_EQ(WidgetStore::read(), version(7));
}

TEST(CrashSafeWrite, NoSpaceForTheNewDocumentKeepsTheOldOne) {
  TestSupport::ScopedWidgetContainer container;
  WidgetStore::write(version(1));
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A file size limit below the document's size fails the write as a full disk would.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{512, 512};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      WidgetStore::write(version(2));
      ::_exit(10);
    } catch (const std::system_error& e) {
      ::_exit(e.code().value() == EFBIG ? 0 : 11);
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(WidgetStore::read(), version(1));
  EXPECT_EQ(filesIn(container.snapshotFile().parent_path()), 1u);
}

TEST(CrashSafeWrite, AContainerThatRefusesChangesKeepsTheOldDocument) {
  TestSupport::ScopedWidgetContainer container;
  WidgetStore::write(version(1));
  fs::path dir = container.snapshotFile().parent_path();
  if (::geteuid() == 0) {
    // Root ignores permission bits; an immutable directory refuses root too, where the
    // filesystem supports it.
    if (std::system(("chattr +i '" + dir.string() + "' 2>/dev/null").c_str()) != 0)
      GTEST_SKIP() << "no immutable directories here";
  } else {
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  }
  EXPECT_THROW(WidgetStore::write(version(2)), std::system_error);
  if (::geteuid() == 0)
    std::system(("chattr -i '" + dir.string() + "'").c_str());
  else
    fs::permissions(dir, fs::perms::owner_all);
  EXPECT_EQ(WidgetStore::read(), version(1));
  EXPECT_EQ(filesIn(dir), 1u);
}

}  // namespace
