// Git repositories with a local bare remote, made in temporary directories for the probe's tests.
#pragma once

#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/Support/TestSupport.h"

extern char** environ;

namespace ProbeTesting {

// git with a fixed identity and no user or system configuration of the machine.
inline void git(const std::filesystem::path& in, std::vector<std::string> arguments) {
  std::vector<std::string> all{"git",
                               "-c",
                               "user.name=Test",
                               "-c",
                               "user.email=test@example.invalid",
                               "-c",
                               "init.defaultBranch=main",
                               "-C",
                               in.string()};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 0x1, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 0x1, 0);
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawnp(&pid, "git", &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << arguments.front();
}

class GitEnvironment {
 public:
  GitEnvironment()
      : variables_{{"GIT_CONFIG_NOSYSTEM", "1"},
                   {"GIT_CONFIG_GLOBAL", "/dev/null"},
                   {"HOME", home_.path().c_str()}} {}

  // A clone of a local bare remote with `pushed` commits pushed and `unpushed` more on top.
  std::filesystem::path project(const std::filesystem::path& where, int pushed, int unpushed) {
    auto remote = home_ / ("remote-" + where.filename().string() + ".git");
    std::filesystem::create_directories(remote);
    git(remote, {"init", "-q", "--bare"});
    std::filesystem::create_directories(where.parent_path());
    git(where.parent_path(), {"clone", "-q", remote.string(), where.filename().string()});
    for (int i = 0; i < pushed + unpushed; ++i) {
      TestSupport::writeFile(where / "file", std::to_string(i));
      git(where, {"add", "file"});
      git(where, {"commit", "-q", "-m", "change " + std::to_string(i)});
      if (i + 1 == pushed) git(where, {"push", "-q", "origin", "HEAD:main"});
    }
    return where;
  }
  const TestSupport::TemporaryDirectory& home() const { return home_; }

 private:
  TestSupport::TemporaryDirectory home_;
  TestSupport::ScopedEnvironment variables_;
};

}  // namespace ProbeTesting
