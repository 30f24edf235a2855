#include "Platform/Foundation/FileManager.h"

#include <gtest/gtest.h>

#include "tests/Support/TestSupport.h"
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;
using Foundation::FileManager::containerURL;
using Foundation::FileManager::createDirectory;

namespace {

// Sets (or, given nullptr, removes) an environment variable for one scope.
TEST(ContainerURL, LiesUnderTheDataDirectoryOfTheUser) {
  struct Case {
    const char* home;
    const char* dataHome;
    std::optional<fs::path> expected;
  } cases[] = {
      {"/home/k", "/data", "/data/group-containers/group.app.kestrun"},
      {"/home/k", nullptr, "/home/k/.local/share/group-containers/group.app.kestrun"},
      {"/home/k", "", "/home/k/.local/share/group-containers/group.app.kestrun"},
      {"/home/k", "relative/data", "/home/k/.local/share/group-containers/group.app.kestrun"},
      {nullptr, "/data", "/data/group-containers/group.app.kestrun"},
      {nullptr, nullptr, std::nullopt},
      {"", nullptr, std::nullopt},
      {"home/k", nullptr, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.home ? c.home : "(unset)") + " " +
                 (c.dataHome ? c.dataHome : "(unset)"));
    TestSupport::ScopedEnvironment variables{{"HOME", c.home}, {"XDG_DATA_HOME", c.dataHome}};
    EXPECT_EQ(containerURL("group.app.kestrun"), c.expected);
  }
}

TEST(ContainerURL, RefusesIdentifiersThatAreNotOneDirectoryName) {
  TestSupport::ScopedEnvironment variables{{"HOME", "/home/k"}, {"XDG_DATA_HOME", nullptr}};
  const std::string refused[] = {
      "",
      ".",
      "..",
      "a/b",
      "/etc",
      "../../etc",
      std::string("a\0b", 3),
      "a\nb",
      "tab\there",
      "a\x1f",
      "del\x7f",
      std::string(256, 'g'),
      "\xff",
      "\xc0\xaf",          // an overlong "/"
      "\xed\xa0\x80",      // a surrogate
      "\xf4\x90\x80\x80",  // past U+10FFFF
      "\xe2\x82",          // truncated
  };
  for (const auto& id : refused) EXPECT_EQ(containerURL(id), std::nullopt) << id;

  const std::string accepted[] = {"group.app.kestrun", std::string(255, 'g'), "...",
                                  ".hidden",           "Gruppe-\xc3\xbc",     "with blank",
                                  "\xf0\x9f\x90\xa6"};
  for (const auto& id : accepted) {
    EXPECT_EQ(containerURL(id), fs::path("/home/k/.local/share/group-containers") / id) << id;
  }
}

class CreateDirectory : public ::testing::Test {
 protected:
  TestSupport::TemporaryDirectory temporary;
  fs::path dir = temporary.path();
};

TEST_F(CreateDirectory, MakesEveryMissingParentAndAcceptsWhatExists) {
  createDirectory(dir / "a" / "b" / "c");
  EXPECT_TRUE(fs::is_directory(dir / "a" / "b" / "c"));
  EXPECT_NO_THROW(createDirectory(dir / "a" / "b" / "c"));
  EXPECT_NO_THROW(createDirectory(dir / "a" / "b/"));
  EXPECT_NO_THROW(createDirectory(dir / "a" / ".." / "a" / "d"));
  EXPECT_TRUE(fs::is_directory(dir / "a" / "d"));
  fs::create_directory_symlink(dir / "a", dir / "link");
  EXPECT_NO_THROW(createDirectory(dir / "link" / "e"));
  EXPECT_TRUE(fs::is_directory(dir / "a" / "e"));
}

TEST_F(CreateDirectory, ThrowsNamingWhatStandsInTheWay) {
  std::ofstream(dir / "file") << "x";
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  struct Case {
    fs::path directory;
    fs::path blocker;
    int error;
  } cases[] = {
      {dir / "file", dir / "file", ENOTDIR},
      {dir / "file" / "sub" / "deeper", dir / "file", ENOTDIR},
      {dir / "dangling", dir / "dangling", ENOTDIR},
      {fs::path(), fs::path(), ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.directory);
    try {
      createDirectory(c.directory);
      ADD_FAILURE() << "no error";
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code().value(), c.error);
      EXPECT_NE(std::string(error.what()).find("'" + c.blocker.string() + "'"), std::string::npos)
          << error.what();
    }
  }
}

TEST_F(CreateDirectory, ThrowsWhereItMayNotCreate) {
  TestSupport::giveToUnprivilegedUser(dir);
  ::chmod(dir.c_str(), 0555);
  EXPECT_EQ(TestSupport::asUnprivilegedUser([&] {
              try {
                createDirectory(dir / "new");
                return 1;
              } catch (const std::system_error& e) {
                if (e.code() != std::errc::permission_denied) return 2;
              }
              createDirectory(dir);  // exists: nothing to create
              return 0;
            }),
            0);
}

// Missing directories are private to the user whatever the umask; existing ones keep theirs.
TEST_F(CreateDirectory, CreatesMissingDirectoriesPrivate) {
  ::chmod(dir.c_str(), 0755);
  mode_t before = ::umask(0);
  createDirectory(dir / "a" / "b" / "c");
  ::umask(before);
  for (const fs::path& p : {dir / "a", dir / "a" / "b", dir / "a" / "b" / "c"}) {
    struct stat status;
    ASSERT_EQ(::stat(p.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0700u) << p;
  }
  struct stat status;
  ASSERT_EQ(::stat(dir.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0755u);
}

}  // namespace
