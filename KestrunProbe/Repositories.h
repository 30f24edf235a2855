// Git repositories under the user's project roots with commits their upstreams do not have.
//
// The search descends at most `depth` directories below each root, never through a symbolic
// link, a hidden directory or a dependency tree (node_modules, vendor, target, build), stops at
// the first repository it meets on a path (a work tree with a `.git` directory or file, or a bare
// repository), and gives up at a bound on directories. Each repository is opened as itself, never
// by searching its parents, so a dotfiles repository in $HOME never claims a project below it. A
// repository owned by another user is left out: the library refuses it, as git does. libgit2 is
// initialised for the life of a Scanner; a Scanner is meant for one thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Probe {

struct Unpushed {
  std::string name;      // the repository's directory name, as display text
  std::int64_t ahead;    // commits on local branches that their upstreams lack
};

std::vector<std::filesystem::path> findRepositories(const std::vector<std::filesystem::path>& roots,
                                                    int depth, std::size_t maximumDirectories = 20000);

class Scanner {
 public:
  Scanner();
  ~Scanner();
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // Commits not pushed, summed over the local branches that have an upstream; none when the
  // directory is no repository this user may open.
  std::optional<std::int64_t> ahead(const std::filesystem::path& repository);

  // Every repository with at least one such commit, most commits first.
  std::vector<Unpushed> unpushed(const std::vector<std::filesystem::path>& repositories);

 private:
  // Counting is the one costly step on long histories; the same pair of commits gives the same count.
  std::map<std::pair<std::string, std::string>, std::int64_t> cache_;
};

}  // namespace Probe
