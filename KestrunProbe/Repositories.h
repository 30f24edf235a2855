// Git repositories under the user's project roots with commits their upstreams do not have.
//
// The search descends at most `depth` directories below each root, never through a symbolic
// link, a hidden directory or a dependency tree (node_modules, vendor, target, build), stops at
// the first repository it meets on a path (a work tree with a `.git` directory or file, or a bare
// repository), and gives up at a bound on directories.
//
// Counting needs libgit2, which brings TLS, SSH and Kerberos libraries along; the probe itself
// never loads it. A helper program (kestrun-probe-repos) counts in a process of its own each
// round, so the long-running probe stays small, and a damaged repository can neither crash it nor
// hold it beyond a time bound. Requests and replies are NUL-separated records on the helper's
// standard input and output, since paths may hold any byte but NUL.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Probe {

struct Unpushed {
  std::string name;    // the repository's directory name, as display text
  std::int64_t ahead;  // commits on local branches that their upstreams lack
  friend bool operator==(const Unpushed&, const Unpushed&) = default;
};

std::vector<std::filesystem::path> findRepositories(const std::vector<std::filesystem::path>& roots,
                                                    int depth,
                                                    std::size_t maximumDirectories = 20000);

// Commits ahead by (local commit, upstream commit): walking history is the one costly step on
// long histories, and the same pair always gives the same count.
using AheadCache = std::map<std::pair<std::string, std::string>, std::int64_t>;

struct ScanRequest {
  std::vector<std::filesystem::path> repositories;
  AheadCache cache;
};
struct ScanReply {
  std::map<std::size_t, std::int64_t> ahead;  // by index into the request's repositories
  AheadCache cache;                           // the pairs this scan met, to pass to the next
};

std::string encodeScanRequest(const ScanRequest& request);
std::optional<ScanRequest> decodeScanRequest(std::string_view bytes);
std::string encodeScanReply(const ScanReply& reply);
std::optional<ScanReply> decodeScanReply(std::string_view bytes, std::size_t repositoryCount);

// The repositories with at least one commit not pushed, most commits first, named by directory.
std::vector<Unpushed> unpushedFrom(const std::vector<std::filesystem::path>& repositories,
                                   const std::map<std::size_t, std::int64_t>& ahead);

class UnpushedCounter {
 public:
  virtual ~UnpushedCounter() = default;
  // None when the counting could not be done (the part is then absent, not zero).
  virtual std::optional<std::vector<Unpushed>> unpushed(
      const std::vector<std::filesystem::path>& repositories) = 0;
};

// Runs `helper` once per call, handing it the cache of the previous call.
std::unique_ptr<UnpushedCounter> makeHelperCounter(
    std::filesystem::path helper, std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Where the helper lies: lib/kestrun-probe/ beside this program's bin/.
std::filesystem::path defaultHelperPath();

}  // namespace Probe
