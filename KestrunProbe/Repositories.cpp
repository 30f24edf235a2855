#include "KestrunProbe/Repositories.h"

#include <dirent.h>
#include <git2.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "KestrunProbe/ProbeText.h"

namespace Probe {
namespace {

bool isPrunedName(std::string_view name) {
  static constexpr std::array<std::string_view, 6> pruned{"node_modules", "vendor", "target",
                                                          "build", "__pycache__", "venv"};
  return name.starts_with('.') || std::find(pruned.begin(), pruned.end(), name) != pruned.end();
}

bool pathExists(const std::filesystem::path& path) {
  struct stat info{};
  return ::lstat(path.c_str(), &info) == 0;
}

bool looksBare(const std::filesystem::path& directory) {
  struct stat info{};
  return ::stat((directory / "HEAD").c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::stat((directory / "objects").c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         ::stat((directory / "refs").c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void search(const std::filesystem::path& directory, int depthLeft, std::size_t& budget,
            std::vector<std::filesystem::path>& found) {
  if (budget == 0) return;
  --budget;
  if (pathExists(directory / ".git") || looksBare(directory)) {
    found.push_back(directory);
    return;
  }
  if (depthLeft == 0) return;
  DIR* listing = ::opendir(directory.c_str());
  if (!listing) return;
  std::vector<std::string> children;
  while (dirent* entry = ::readdir(listing)) {
    std::string_view name = entry->d_name;
    if (isPrunedName(name)) continue;
    if (entry->d_type == DT_DIR ||
        (entry->d_type == DT_UNKNOWN && [&] {
          struct stat info{};
          return ::lstat((directory / name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }()))
      children.emplace_back(name);
  }
  ::closedir(listing);
  std::sort(children.begin(), children.end());
  for (const auto& child : children) search(directory / child, depthLeft - 1, budget, found);
}

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

std::vector<std::filesystem::path> findRepositories(const std::vector<std::filesystem::path>& roots,
                                                    int depth, std::size_t maximumDirectories) {
  std::vector<std::filesystem::path> found;
  std::size_t budget = maximumDirectories;
  for (const auto& root : roots) {
    struct stat info{};
    if (::stat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
    search(root, depth, budget, found);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

Scanner::Scanner() { git_libgit2_init(); }
Scanner::~Scanner() { git_libgit2_shutdown(); }

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
    if (auto cached = cache_.find(key); cached != cache_.end()) {
      total += cached->second;
      continue;
    }
    std::size_t aheadCount = 0, behindCount = 0;
    if (git_graph_ahead_behind(&aheadCount, &behindCount, repository.get(), local, remote) != 0) continue;
    if (cache_.size() > 4096) cache_.clear();
    cache_.emplace(key, static_cast<std::int64_t>(aheadCount));
    total += static_cast<std::int64_t>(aheadCount);
  }
  return total;
}

std::vector<Unpushed> Scanner::unpushed(const std::vector<std::filesystem::path>& repositories) {
  std::vector<Unpushed> out;
  for (const auto& repository : repositories) {
    auto count = ahead(repository);
    if (!count || *count == 0) continue;
    std::string name = repository.filename().string();
    if (name.ends_with(".git") && name.size() > 4) name.resize(name.size() - 4);
    out.push_back({displayText(name), *count});
  }
  std::stable_sort(out.begin(), out.end(), [](const Unpushed& a, const Unpushed& b) {
    return a.ahead > b.ahead;
  });
  return out;
}

}  // namespace Probe
