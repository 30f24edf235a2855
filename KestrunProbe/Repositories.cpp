#include "KestrunProbe/Repositories.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <system_error>

#include "KestrunProbe/Commands.h"
#include "KestrunProbe/ProbeText.h"

namespace Probe {
namespace {

bool isPrunedName(std::string_view name) {
  static constexpr std::array<std::string_view, 6> pruned{"node_modules", "vendor",      "target",
                                                          "build",        "__pycache__", "venv"};
  return name.starts_with('.') || std::find(pruned.begin(), pruned.end(), name) != pruned.end();
}

bool pathExists(const std::filesystem::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool looksBare(const std::filesystem::path& directory) {
  struct stat info {};
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
    if (entry->d_type == DT_DIR || (entry->d_type == DT_UNKNOWN && [&] {
          struct stat info {};
          return ::lstat((directory / name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }()))
      children.emplace_back(name);
  }
  ::closedir(listing);
  std::sort(children.begin(), children.end());
  for (const auto& child : children) search(directory / child, depthLeft - 1, budget, found);
}

// Calls `body` with each NUL-terminated record; false when the bytes do not end in one.
template <class Body>
bool forEachRecord(std::string_view bytes, Body body) {
  while (!bytes.empty()) {
    auto end = bytes.find('\0');
    if (end == std::string_view::npos) return false;
    if (!body(bytes.substr(0, end))) return false;
    bytes.remove_prefix(end + 1);
  }
  return true;
}

void appendCache(std::string& out, const AheadCache& cache) {
  for (const auto& [pair, count] : cache)
    out += "C" + pair.first + " " + pair.second + " " + std::to_string(count) + '\0';
}

bool readCacheRecord(std::string_view record, AheadCache& cache) {
  auto f = fields(record);
  if (f.size() != 3) return false;
  auto count = parseUnsigned(f[2]);
  if (!count) return false;
  cache[{std::string(f[0]), std::string(f[1])}] = static_cast<std::int64_t>(*count);
  return true;
}

class HelperCounter final : public UnpushedCounter {
 public:
  HelperCounter(std::filesystem::path helper, std::chrono::milliseconds timeout)
      : helper_(std::move(helper)), timeout_(timeout) {}

  std::optional<std::vector<Unpushed>> unpushed(
      const std::vector<std::filesystem::path>& repositories) override {
    if (repositories.empty()) return std::vector<Unpushed>{};
    std::string why;
    auto output =
        runCapturing({helper_.string()}, timeout_, &why, encodeScanRequest({repositories, cache_}));
    if (!output) return std::nullopt;
    auto reply = decodeScanReply(*output, repositories.size());
    if (!reply) return std::nullopt;
    cache_ = std::move(reply->cache);
    return unpushedFrom(repositories, reply->ahead);
  }

 private:
  std::filesystem::path helper_;
  std::chrono::milliseconds timeout_;
  AheadCache cache_;
};

}  // namespace

std::vector<std::filesystem::path> findRepositories(const std::vector<std::filesystem::path>& roots,
                                                    int depth, std::size_t maximumDirectories) {
  std::vector<std::filesystem::path> found;
  std::size_t budget = maximumDirectories;
  for (const auto& root : roots) {
    struct stat info {};
    if (::stat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
    search(root, depth, budget, found);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

std::string encodeScanRequest(const ScanRequest& request) {
  std::string out;
  for (const auto& repository : request.repositories) out += "R" + repository.string() + '\0';
  appendCache(out, request.cache);
  return out;
}

std::optional<ScanRequest> decodeScanRequest(std::string_view bytes) {
  ScanRequest request;
  bool ok = forEachRecord(bytes, [&](std::string_view record) {
    if (record.starts_with('R') && record.size() > 1) {
      request.repositories.emplace_back(record.substr(1));
      return true;
    }
    return record.starts_with('C') && readCacheRecord(record.substr(1), request.cache);
  });
  if (!ok) return std::nullopt;
  return request;
}

std::string encodeScanReply(const ScanReply& reply) {
  std::string out;
  for (const auto& [index, count] : reply.ahead)
    out += "A" + std::to_string(index) + " " + std::to_string(count) + '\0';
  appendCache(out, reply.cache);
  return out;
}

std::optional<ScanReply> decodeScanReply(std::string_view bytes, std::size_t repositoryCount) {
  ScanReply reply;
  bool ok = forEachRecord(bytes, [&](std::string_view record) {
    if (record.starts_with('A')) {
      auto f = fields(record.substr(1));
      if (f.size() != 2) return false;
      auto index = parseUnsigned(f[0]), count = parseUnsigned(f[1]);
      if (!index || !count || *index >= repositoryCount) return false;
      reply.ahead[static_cast<std::size_t>(*index)] = static_cast<std::int64_t>(*count);
      return true;
    }
    return record.starts_with('C') && readCacheRecord(record.substr(1), reply.cache);
  });
  if (!ok) return std::nullopt;
  return reply;
}

std::vector<Unpushed> unpushedFrom(const std::vector<std::filesystem::path>& repositories,
                                   const std::map<std::size_t, std::int64_t>& ahead) {
  std::vector<Unpushed> out;
  for (const auto& [index, count] : ahead) {
    if (count == 0 || index >= repositories.size()) continue;
    std::string name = repositories[index].filename().string();
    if (name.ends_with(".git") && name.size() > 4) name.resize(name.size() - 4);
    out.push_back({displayText(name), count});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const Unpushed& a, const Unpushed& b) { return a.ahead > b.ahead; });
  return out;
}

std::unique_ptr<UnpushedCounter> makeHelperCounter(std::filesystem::path helper,
                                                   std::chrono::milliseconds timeout) {
  return std::make_unique<HelperCounter>(std::move(helper), timeout);
}

std::filesystem::path defaultHelperPath() {
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "kestrun-probe-repos";
  return self.parent_path().parent_path() / "lib" / "kestrun-probe" / "kestrun-probe-repos";
}

}  // namespace Probe
