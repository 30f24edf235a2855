#include "Platform/Foundation/Files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <system_error>

namespace Foundation {
namespace {

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string errnoText(int error) {
  return lowerCase(std::generic_category().message(error));
}

std::string openFailure(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return "no such file";
    case EACCES:
    case EPERM:
      return "permission denied";
    case ELOOP:  // O_NOFOLLOW: a symbolic link stands where the file should be
      return "not a regular file";
    default:
      return "read error: " + errnoText(error);
  }
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the result, which matters for writes (NFS reports errors on close).
  int close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

}  // namespace

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::size_t maximumSize,
                                         std::string* failure) {
  auto fail = [failure](std::string reason) -> std::optional<std::string> {
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  auto tooLarge = [&] { return fail("larger than " + std::to_string(maximumSize) + " bytes"); };

  // O_NONBLOCK makes opening a FIFO without a writer return at once; fstat then refuses it.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return fail(openFailure(errno));
  struct stat status;
  if (::fstat(file.get(), &status) != 0) return fail("read error: " + errnoText(errno));
  if (!S_ISREG(status.st_mode)) return fail("not a regular file");
  if (status.st_size < 0 || static_cast<std::uintmax_t>(status.st_size) > maximumSize) {
    return tooLarge();
  }

  // One byte past the cap tells a file that grew while being read from one that fits exactly.
  const std::size_t limit = maximumSize < SIZE_MAX ? maximumSize + 1 : SIZE_MAX;
  std::string bytes;
  // Files such as those of /proc report size 0, so the buffer grows as the content arrives.
  bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(status.st_size) + 1, limit));
  std::size_t total = 0;
  for (;;) {
    if (total == bytes.size()) {
      if (bytes.size() >= limit) break;
      bytes.resize(std::min(limit, std::max<std::size_t>(bytes.size() * 2, 4096)));
    }
    const std::size_t asked = bytes.size() - total;
    ssize_t got = ::read(file.get(), bytes.data() + total, asked);
    if (got < 0) {
      if (errno == EINTR) continue;
      return fail("read error: " + errnoText(errno));
    }
    if (got == 0) break;
    total += static_cast<std::size_t>(got);
    // A regular file gives fewer bytes than asked for only at its end, so a short read saves the
    // read that would return 0.
    if (static_cast<std::size_t>(got) < asked) break;
  }
  if (total > maximumSize) return tooLarge();
  bytes.resize(total);
  return bytes;
}

namespace {

[[noreturn]] void throwStep(int error, std::string_view step, const std::filesystem::path& path) {
  throw std::system_error(error, std::generic_category(),
                          std::string(step) + " '" + path.string() + "'");
}

std::string tempPrefix(const std::filesystem::path& fileName) {
  return "." + fileName.string() + ".tmp-";
}

bool isLowerHex(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
  });
}

// The pid in "<prefix><pid>-<hex>", when the name has exactly that shape.
std::optional<pid_t> tempOwner(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix) return std::nullopt;
  name.remove_prefix(prefix.size());
  auto dash = name.find('-');
  if (dash == std::string_view::npos || !isLowerHex(name.substr(dash + 1))) return std::nullopt;
  std::string_view digits = name.substr(0, dash);
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  pid_t pid = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
  if (error != std::errc() || end != digits.data() + digits.size() || pid <= 0) {
    return std::nullopt;
  }
  return pid;
}

// A writer killed mid-write leaves its temp file behind; without this the directory would collect
// one per crash. Only files whose writer is certainly gone (ESRCH) are removed: EPERM means the
// process lives under another user, and this process's own pid may be another thread writing.
void removeStaleTemps(const std::filesystem::path& directory, const std::filesystem::path& name) {
  const std::string prefix = tempPrefix(name);
  const pid_t self = ::getpid();
  std::error_code error;
  for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
       it.increment(error)) {
    auto owner = tempOwner(it->path().filename().native(), prefix);
    if (!owner || *owner == self) continue;
    if (::kill(*owner, 0) == -1 && errno == ESRCH) ::unlink(it->path().c_str());
  }
}

std::uint64_t randomBits() {
  std::uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits)) {
    return bits;
  }
  // Uniqueness, not secrecy, is what the name needs; O_EXCL catches a collision anyway.
  static std::mt19937_64 fallback(static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid()));
  return fallback();
}

}  // namespace

void writeAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path name = path.filename();
  if (name.empty() || name == "." || name == "..") throwStep(EISDIR, "write the file", path);
  const std::filesystem::path directory =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");

  removeStaleTemps(directory, name);

  std::filesystem::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "%ld-%016llx", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(randomBits()));
    temp = directory / (tempPrefix(name) + suffix);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throwStep(errno, "create a temporary file beside", path);

  FileDescriptor file(fd);
  auto failAndRemove = [&](std::string_view step) {
    int error = errno;
    if (file.get() >= 0) file.close();
    ::unlink(temp.c_str());
    throwStep(error, step, path);
  };

  for (std::size_t written = 0; written < bytes.size();) {
    ssize_t put = ::write(file.get(), bytes.data() + written, bytes.size() - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = EIO;  // no progress and no reason: never spin on it
      failAndRemove("write");
    }
    written += static_cast<std::size_t>(put);
  }
  // Without the fsync a crash right after the rename can leave a first-time file empty.
  if (::fsync(file.get()) != 0) failAndRemove("fsync");
  if (file.close() != 0) failAndRemove("close");
  if (::rename(temp.c_str(), path.c_str()) != 0) failAndRemove("rename over");

  // The rename is durable only once the directory is. The new document is in place already, so
  // a failure here is still reported: the caller cannot rely on it surviving a crash. Filesystems
  // that cannot sync a directory (EINVAL) give nothing to rely on either way.
  FileDescriptor folder(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) throwStep(errno, "open the directory of", path);
  if (::fsync(folder.get()) != 0 && errno != EINVAL)
    throwStep(errno, "fsync the directory of", path);
}

}  // namespace Foundation
