#include "Platform/Foundation/Files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include "tests/Support/TestSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <system_error>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Foundation::readWholeFile;
using Foundation::writeAtomically;

namespace {

class FilesTest : public ::testing::Test {
 protected:
  void put(const fs::path& path, std::string_view bytes) { TestSupport::writeFile(path, bytes); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TestSupport::TemporaryDirectory temporary;
  fs::path dir = temporary.path();
};

pid_t deadPid() {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST_F(FilesTest, ReadsRegularFilesUpToTheCap) {
  struct Case {
    std::string content;
    std::size_t cap;
    bool readable;
  } cases[] = {
      {"hello", 64, true},
      {"", 64, true},
      {std::string("a\0b\xff", 4), 4, true},  // bytes, not text
      {std::string(16, 'x'), 16, true},
      {std::string(17, 'x'), 16, false},
      {std::string(100000, 'y'), 100000, true},  // larger than the first buffer
      {"x", 0, false},
  };
  for (const auto& c : cases) {
    put(dir / "file", c.content);
    std::string failure;
    auto bytes = readWholeFile(dir / "file", c.cap, &failure);
    SCOPED_TRACE(c.content.size());
    if (c.readable) {
      ASSERT_TRUE(bytes.has_value()) << failure;
      EXPECT_EQ(*bytes, c.content);
    } else {
      EXPECT_FALSE(bytes.has_value());
      EXPECT_EQ(failure, "larger than " + std::to_string(c.cap) + " bytes");
    }
  }
}

// Kernel files report size 0 and give one page a read; every page is read, not just the first.
TEST_F(FilesTest, ReadsKernelFilesPastTheirFirstPage) {
  auto maps = Foundation::readWholeFile("/proc/self/smaps", 1 << 24);
  ASSERT_TRUE(maps);
  EXPECT_GT(maps->size(), 4096u);
  EXPECT_EQ(maps->back(), '\n');
}

TEST_F(FilesTest, RefusesWhatIsNotARegularFileWithoutBlocking) {
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  fs::create_directory(dir / "folder");
  fs::create_symlink("/dev/zero", dir / "zero-link");
  fs::create_symlink(dir / "fifo", dir / "fifo-link");

  for (const fs::path& path : {dir / "fifo", dir / "folder", fs::path("/dev/zero"),
                               dir / "zero-link", dir / "fifo-link"}) {
    SCOPED_TRACE(path);
    auto started = std::chrono::steady_clock::now();
    std::string failure;
    EXPECT_FALSE(readWholeFile(path, 1 << 20, &failure).has_value());
    EXPECT_EQ(failure, "not a regular file");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
  }
}

// Symbolic links are followed to what they lead to (dotfile managers, a data directory on another
// disk); the target's kind and the cap decide.
TEST_F(FilesTest, FollowsSymbolicLinksToRegularFiles) {
  put(dir / "disk" / "real", "content");
  fs::create_symlink(dir / "disk" / "real", dir / "link");
  fs::create_symlink(dir / "link", dir / "link-to-link");
  fs::create_directory_symlink(dir / "disk", dir / "linked-dir");
  fs::create_symlink(dir / "missing", dir / "dangling");
  fs::create_symlink(dir / "loop", dir / "loop");
  put(dir / "big", std::string(20, 'x'));
  fs::create_symlink(dir / "big", dir / "big-link");
  for (const char* name : {"link", "link-to-link", "linked-dir/real"})
    EXPECT_EQ(readWholeFile(dir / name, 100), "content") << name;
  std::string failure;
  EXPECT_FALSE(readWholeFile(dir / "dangling", 100, &failure));
  EXPECT_EQ(failure, "no such file");
  EXPECT_FALSE(readWholeFile(dir / "loop", 100, &failure));
  EXPECT_EQ(failure, "too many levels of symbolic links");
  EXPECT_FALSE(readWholeFile(dir / "big-link", 10, &failure));
  EXPECT_EQ(failure, "larger than 10 bytes");
}

// What a user names on a command line may be a pipe or a device; it is read to its end, and
// bounded all the same. A directory is still no document.
TEST_F(FilesTest, StreamsAreReadWhenAskedForAndStillCapped) {
  using Foundation::FileKinds;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  std::thread writer([&] {
    std::ofstream out(dir / "fifo", std::ios::binary);
    for (int i = 0; i < 1000; ++i) out << std::string(100, 'p');
  });
  auto piped = readWholeFile(dir / "fifo", 1 << 20, nullptr, FileKinds::regularFilesAndStreams);
  writer.join();
  ASSERT_TRUE(piped);
  EXPECT_EQ(piped->size(), 100'000u);
  std::string failure;
  EXPECT_FALSE(readWholeFile("/dev/zero", 4096, &failure, FileKinds::regularFilesAndStreams));
  EXPECT_EQ(failure, "larger than 4096 bytes");
  fs::create_directory(dir / "folder");
  EXPECT_FALSE(readWholeFile(dir / "folder", 4096, &failure, FileKinds::regularFilesAndStreams));
  EXPECT_EQ(failure, "not a regular file");
  put(dir / "plain", "regular");
  EXPECT_EQ(readWholeFile(dir / "plain", 100, nullptr, FileKinds::regularFilesAndStreams),
            "regular");
}

TEST_F(FilesTest, NamesWhyAFileCannotBeRead) {
  std::string failure;
  EXPECT_FALSE(readWholeFile(dir / "missing", 10, &failure));
  EXPECT_EQ(failure, "no such file");
  put(dir / "file", "x");
  EXPECT_FALSE(readWholeFile(dir / "file" / "below", 10, &failure));
  EXPECT_EQ(failure, "no such file");
  EXPECT_FALSE(readWholeFile(dir / "missing", 10));  // the reason is optional
}

// Root reads whatever the mode, so the check runs as an unprivileged user.
TEST_F(FilesTest, NamesAFileItMayNotRead) {
  put(dir / "file", "x");
  ::chmod((dir / "file").c_str(), 0);
  TestSupport::giveToUnprivilegedUser(dir);
  EXPECT_EQ(TestSupport::asUnprivilegedUser([&] {
              std::string failure;
              if (readWholeFile(dir / "file", 10, &failure)) return 1;
              return failure == "permission denied" ? 0 : 2;
            }),
            0);
}

TEST_F(FilesTest, ReadsFilesWhoseSizeIsNotKnownBeforehand) {
  // procfs reports size 0; the content must still arrive, and still be capped.
  auto status = readWholeFile("/proc/self/status", 1 << 20);
  ASSERT_TRUE(status.has_value());
  EXPECT_NE(status->find("Pid:"), std::string::npos);
  std::string failure;
  EXPECT_FALSE(readWholeFile("/proc/self/status", 16, &failure));
  EXPECT_EQ(failure, "larger than 16 bytes");
}

TEST_F(FilesTest, WritesAndReplacesExactlyWithNothingLeftOver) {
  const fs::path target = dir / "doc.json";
  writeAtomically(target, "first, longer document");
  EXPECT_EQ(readWholeFile(target, 1024), "first, longer document");
  const std::string binary("\0\x01\xfe", 3);
  writeAtomically(target, binary);
  EXPECT_EQ(readWholeFile(target, 1024), binary);
  writeAtomically(target, "");
  EXPECT_EQ(readWholeFile(target, 1024), "");
  EXPECT_EQ(entries(), std::vector<std::string>{"doc.json"});
}

mode_t modeOf(const fs::path& path) {
  struct stat status;
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

// The document names networks and repositories: a new one is private to its user, whatever the
// umask, and a replaced one keeps the mode its user gave it.
TEST_F(FilesTest, ANewDocumentIsPrivateAndAReplacedOneKeepsItsMode) {
  mode_t before = ::umask(0);
  writeAtomically(dir / "new.json", "x");
  ::umask(before);
  EXPECT_EQ(modeOf(dir / "new.json"), 0600u);
  for (mode_t chosen : {0644u, 0640u, 0400u}) {
    ::chmod((dir / "new.json").c_str(), chosen);
    writeAtomically(dir / "new.json", "y");
    EXPECT_EQ(modeOf(dir / "new.json"), chosen);
  }
  // The temp file is private from the start, before any byte is written.
  ::chmod((dir / "new.json").c_str(), 0600);
  put(dir / "other", "readable");
  EXPECT_EQ(TestSupport::asUnprivilegedUser([&] {
              return readWholeFile(dir / "other", 100) && !readWholeFile(dir / "new.json", 100) ? 0
                                                                                                : 1;
            }),
            ::geteuid() == 0 ? 0 : 1);
}

TEST_F(FilesTest, FailedWritesKeepThePreviousDocumentAndLeaveNoTempFile) {
  put(dir / "doc.json", "previous");
  put(dir / "plain", "a file, not a directory");
  fs::create_directory(dir / "folder");
  struct Case {
    fs::path target;
    int error;
  } cases[] = {
      {dir / "folder", EISDIR},  // rename cannot put a file over a directory
      {dir / "missing" / "doc.json", ENOENT},
      {dir / "plain" / "doc.json", ENOTDIR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    try {
      writeAtomically(c.target, "new");
      ADD_FAILURE() << "no error";
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code().value(), c.error);
      EXPECT_NE(std::string(error.what()).find(c.target.string()), std::string::npos);
    }
  }
  EXPECT_EQ(entries(), (std::vector<std::string>{"doc.json", "folder", "plain"}));
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
  EXPECT_EQ(readWholeFile(dir / "doc.json", 100), "previous");
}

TEST_F(FilesTest, AFailedWriteInAReadOnlyDirectoryKeepsThePreviousDocument) {
  put(dir / "doc.json", "previous");
  TestSupport::giveToUnprivilegedUser(dir);
  ::chmod(dir.c_str(), 0555);
  EXPECT_EQ(TestSupport::asUnprivilegedUser([&] {
              try {
                writeAtomically(dir / "doc.json", "new");
              } catch (const std::system_error& e) {
                return e.code() == std::errc::permission_denied ? 0 : 2;
              }
              return 1;
            }),
            0);
  ::chmod(dir.c_str(), 0755);
  EXPECT_EQ(readWholeFile(dir / "doc.json", 100), "previous");
  EXPECT_EQ(entries(), std::vector<std::string>{"doc.json"});
}

// A temp file whose lock nobody holds has no writer, whatever the pid in its name says.
TEST_F(FilesTest, RemovesOnlyTheStaleTempFilesOfItsOwnTarget) {
  const std::string dead = std::to_string(deadPid());
  const std::vector<std::string> kept = {
      ".other.json.tmp-" + dead + "-ab",  // another target's
      ".doc.json.tmp-" + dead + "-XYZ",   // not of this naming
      ".doc.json.tmp-" + dead,
      "doc.json.tmp-" + dead + "-ab",
  };
  for (const auto& name : kept) put(dir / name, "x");
  put(dir / (".doc.json.tmp-" + dead + "-0123456789abcdef"), "half a docu");
  put(dir / ".doc.json.tmp-1-0123abcd", "pid 1 runs, but holds no lock");
  put(dir / (".doc.json.tmp-" + std::to_string(::getpid()) + "-ab"), "this process, no lock");

  writeAtomically(dir / "doc.json", "whole");

  std::vector<std::string> expected = kept;
  expected.push_back("doc.json");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(entries(), expected);
}

// A writer in another PID namespace has a pid that means nothing here (or names a process that
// does not exist): while it holds its temp file's lock, the file is its own; once it is gone,
// the file is stale.
TEST_F(FilesTest, AWriterInAnotherPIDNamespaceKeepsItsTempFile) {
  const fs::path temp = dir / (".doc.json.tmp-" + std::to_string(deadPid()) + "-0123456789abcdef");
  put(temp, "half a docu");
  put(dir / "ready", "");
  fs::remove(dir / "ready");
  // The holder locks the file, then says so by creating `ready`, then waits to be killed.
  std::string script = "exec flock -x '" + temp.string() + "' sh -c 'touch \"" +
                       (dir / "ready").string() + "\"; sleep 30'";
  pid_t holder = ::fork();
  if (holder == 0) {
    ::setpgid(0, 0);
    ::execlp("unshare", "unshare", "--pid", "--fork", "sh", "-c", script.c_str(), nullptr);
    ::_exit(127);
  }
  ::setpgid(holder, holder);
  for (int i = 0; i < 500 && !fs::exists(dir / "ready"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(dir / "ready")) << "unshare --pid did not start the holder";

  writeAtomically(dir / "doc.json", "whole");
  EXPECT_TRUE(fs::exists(temp));
  EXPECT_EQ(readWholeFile(temp, 100), "half a docu");

  ::kill(-holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  // The namespace's processes die on their own time; the lock goes with the last of them.
  auto lockIsFree = [&] {
    int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) ::close(fd);
    return free;
  };
  for (int i = 0; i < 500 && !lockIsFree(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  writeAtomically(dir / "doc.json", "whole again");
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_EQ(readWholeFile(dir / "doc.json", 100), "whole again");
}

TEST_F(FilesTest, AConcurrentReaderSeesOneWholeDocumentOrTheOther) {
  const fs::path target = dir / "doc.json";
  const std::string a(3000, 'a'), b(5000, 'b');
  writeAtomically(target, a);
  std::atomic<bool> done{false};
  std::atomic<int> torn{0}, reads{0};
  std::thread reader([&] {
    while (!done) {
      auto bytes = readWholeFile(target, 1 << 16);
      if (!bytes || (*bytes != a && *bytes != b)) ++torn;
      ++reads;
    }
  });
  for (int i = 0; i < 60; ++i) writeAtomically(target, i % 2 ? a : b);
  done = true;
  reader.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
}

}  // namespace
