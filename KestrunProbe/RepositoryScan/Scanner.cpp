#include "KestrunProbe/RepositoryScan/Scanner.h"

#include <git2.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "KestrunProbe/ProbeText.h"

namespace Probe {
namespace {

template <class T, void (*Free)(T*)>
struct GitDeleter {
  void operator()(T* object) const { Free(object); }
};
using Repository = std::unique_ptr<git_repository, GitDeleter<git_repository, git_repository_free>>;
using Reference = std::unique_ptr<git_reference, GitDeleter<git_reference, git_reference_free>>;
using BranchIterator =
    std::unique_ptr<git_branch_iterator, GitDeleter<git_branch_iterator, git_branch_iterator_free>>;

std::string oidText(const git_oid* oid) {
  char text[GIT_OID_HEXSZ + 1]{};
  git_oid_tostr(text, sizeof text, oid);
  return text;
}

}  // namespace

Scanner::Scanner(AheadCache known) : known_(std::move(known)) {
  git_libgit2_init();
}
Scanner::~Scanner() {
  git_libgit2_shutdown();
}

std::optional<std::int64_t> Scanner::ahead(const std::filesystem::path& path) {
  git_repository* opened = nullptr;
  if (git_repository_open_ext(&opened, path.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr) != 0)
    return std::nullopt;
  Repository repository(opened);
  git_branch_iterator* rawIterator = nullptr;
  if (git_branch_iterator_new(&rawIterator, repository.get(), GIT_BRANCH_LOCAL) != 0) return 0;
  BranchIterator iterator(rawIterator);
  std::int64_t total = 0;
  git_reference* rawBranch = nullptr;
  git_branch_t type;
  while (git_branch_next(&rawBranch, &type, iterator.get()) == 0) {
    Reference branch(rawBranch);
    git_reference* rawUpstream = nullptr;
    if (git_branch_upstream(&rawUpstream, branch.get()) != 0) continue;
    Reference upstream(rawUpstream);
    const git_oid* local = git_reference_target(branch.get());
    const git_oid* remote = git_reference_target(upstream.get());
    if (!local || !remote) continue;
    auto key = std::make_pair(oidText(local), oidText(remote));
    auto cached = known_.find(key);
    std::int64_t count = 0;
    if (cached != known_.end()) {
      count = cached->second;
    } else {
      std::size_t aheadCount = 0, behindCount = 0;
      if (git_graph_ahead_behind(&aheadCount, &behindCount, repository.get(), local, remote) != 0)
        continue;
      count = static_cast<std::int64_t>(aheadCount);
    }
    met_[key] = count;
    known_[key] = count;
    total += count;
  }
  return total;
}

std::vector<Unpushed> Scanner::unpushed(const std::vector<std::filesystem::path>& repositories) {
  std::map<std::size_t, std::int64_t> counts;
  for (std::size_t i = 0; i < repositories.size(); ++i)
    if (auto count = ahead(repositories[i])) counts[i] = *count;
  return unpushedFrom(repositories, counts);
}

std::optional<std::string> answerScanRequest(std::string_view bytes) {
  auto request = decodeScanRequest(bytes);
  if (!request) return std::nullopt;
  Scanner scanner(std::move(request->cache));
  ScanReply reply;
  for (std::size_t i = 0; i < request->repositories.size(); ++i)
    if (auto count = scanner.ahead(request->repositories[i])) reply.ahead[i] = *count;
  reply.cache = scanner.met();
  return encodeScanReply(reply);
}

}  // namespace Probe
