#include "Platform/Foundation/Files.h"

#include <gtest/gtest.h>

#include "tests/Support/TestSupport.h"
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(FilesTest, RefusesWhatIsNotARegularFileWithoutBlocking) {
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  fs::create_directory(dir / "folder");
  put(dir / "real", "content");
  fs::create_symlink("/dev/zero", dir / "zero-link");
  fs::create_symlink(dir / "real", dir / "real-link");

  for (const fs::path& path : {dir / "fifo", dir / "folder", fs::path("/dev/zero"),
                               dir / "zero-link", dir / "real-link"}) {
    SCOPED_TRACE(path);
    auto started = std::chrono::steady_clock::now();
    std::string failure;
    EXPECT_FALSE(readWholeFile(path, 1 << 20, &failure).has_value());
    EXPECT_EQ(failure, "not a regular file");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
  }
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

TEST_F(FilesTest, NamesAFileItMayNotRead) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files whatever their mode";
  std::string failure;
  put(dir / "file", "x");
  ::chmod((dir / "file").c_str(), 0);
  EXPECT_FALSE(readWholeFile(dir / "file", 10, &failure));
  EXPECT_EQ(failure, "permission denied");
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

  mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat status;
  ASSERT_EQ(::stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0644 & ~mask);
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
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
  put(dir / "doc.json", "previous");
  ::chmod(dir.c_str(), 0555);
  EXPECT_THROW(writeAtomically(dir / "doc.json", "new"), std::system_error);
  ::chmod(dir.c_str(), 0755);
  EXPECT_EQ(readWholeFile(dir / "doc.json", 100), "previous");
  EXPECT_EQ(entries(), std::vector<std::string>{"doc.json"});
}

TEST_F(FilesTest, RemovesOnlyTheStaleTempFilesOfItsOwnTarget) {
  const std::string dead = std::to_string(deadPid());
  const std::vector<std::string> kept = {
      ".doc.json.tmp-1-0123abcd",                             // pid 1 always runs
      ".doc.json.tmp-" + std::to_string(::getpid()) + "-ab",  // maybe another thread's
      ".other.json.tmp-" + dead + "-ab",                      // another target's
      ".doc.json.tmp-" + dead + "-XYZ",                       // not of this naming
      ".doc.json.tmp-" + dead,
      "doc.json.tmp-" + dead + "-ab",
  };
  for (const auto& name : kept) put(dir / name, "x");
  put(dir / (".doc.json.tmp-" + dead + "-0123456789abcdef"), "half a docu");

  writeAtomically(dir / "doc.json", "whole");

  std::vector<std::string> expected = kept;
  expected.push_back("doc.json");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(entries(), expected);
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
