#include "Platform/Foundation/Files.h"

#include <fcntl.h>
#include <sys/file.h>
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
    case ELOOP:
      return "too many levels of symbolic links";
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
                                         std::string* failure, FileKinds kinds) {
  auto fail = [failure](std::string reason) -> std::optional<std::string> {
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  auto tooLarge = [&] { return fail("larger than " + std::to_string(maximumSize) + " bytes"); };

  // Symbolic links are followed, as users link their data directories and dotfiles; what counts
  // is what the link leads to. O_NONBLOCK makes opening a FIFO without a writer return at once;
  // fstat then refuses it, unless streams were asked for (a user naming a pipe means to wait).
  const bool streams = kinds == FileKinds::regularFilesAndStreams;
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | (streams ? 0 : O_NONBLOCK)));
  if (file.get() < 0) return fail(openFailure(errno));
  struct stat status;
  if (::fstat(file.get(), &status) != 0) return fail("read error: " + errnoText(errno));
  const bool stream =
      S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode) || S_ISSOCK(status.st_mode);
  if (!S_ISREG(status.st_mode) && !(streams && stream)) return fail("not a regular file");
  if (stream) status.st_size = 0;
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
    // A regular file on disk gives fewer bytes than asked for only at its end, so a short read
    // that reaches its size saves the read that would return 0. Kernel files (/proc, size 0) and
    // some file systems hand out a page at a time: for them only a read of 0 is the end.
    if (!stream && status.st_size > 0 && total >= static_cast<std::size_t>(status.st_size) &&
        static_cast<std::size_t>(got) < asked)
      break;
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

// Whether the name has the shape "<prefix><pid>-<hex>" of a temp file of this target.
bool isTempName(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix) return false;
  name.remove_prefix(prefix.size());
  auto dash = name.find('-');
  if (dash == std::string_view::npos || !isLowerHex(name.substr(dash + 1))) return false;
  std::string_view digits = name.substr(0, dash);
  return !digits.empty() && digits.size() <= 10 &&
         std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A writer killed mid-write leaves its temp file behind; without this the directory would collect
// one per crash. A live writer holds an exclusive lock on its temp file from creation to rename,
// so a temp file whose lock can be taken has no writer. Process ids decide nothing: a writer in
// another PID namespace (a sandboxed host application) has one that means nothing here. A file
// this process may not open is another user's and stays.
void removeStaleTemps(const std::filesystem::path& directory, const std::filesystem::path& name) {
  const std::string prefix = tempPrefix(name);
  std::error_code error;
  for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
       it.increment(error)) {
    if (!isTempName(it->path().filename().native(), prefix)) continue;
    FileDescriptor temp(::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (temp.get() < 0 || ::flock(temp.get(), LOCK_EX | LOCK_NB) != 0) continue;
    // Only the very file that was locked goes, should the name have been reused meanwhile.
    struct stat locked, named;
    if (::fstat(temp.get(), &locked) == 0 && ::lstat(it->path().c_str(), &named) == 0 &&
        locked.st_dev == named.st_dev && locked.st_ino == named.st_ino)
      ::unlink(it->path().c_str());
  }
}

// The mode of the document being replaced, so that a user's choice survives the rename; a new
// document is private to its user, as it names networks and repositories.
mode_t modeFor(const std::filesystem::path& path) {
  struct stat status;
  if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) return status.st_mode & 07777;
  return 0600;
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

  const mode_t mode = modeFor(path);
  std::filesystem::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "%ld-%016llx", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(randomBits()));
    temp = directory / (tempPrefix(name) + suffix);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno != EEXIST) break;
      continue;
    }
    // The lock says "a writer is here" to every cleaner until the rename. A cleaner may have
    // taken the file between its creation and the lock: then it is unlinked, and a new name is
    // tried.
    struct stat status;
    if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &status) != 0) {
      int error = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      fd = -1;
      errno = error;
      break;
    }
    if (status.st_nlink == 0) {
      ::close(fd);
      fd = -1;
      errno = EEXIST;
    }
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
  // Exactly the mode asked for, whatever the umask: a replaced document keeps its own.
  if (::fchmod(file.get(), mode) != 0) failAndRemove("set the mode of");
  // Without the fsync a crash right after the rename can leave a first-time file empty.
  if (::fsync(file.get()) != 0) failAndRemove("fsync");
  // The descriptor, and with it the lock, stays until the temp file has its final name. The
  // data is on disk already (fsync), so a failing close no longer threatens the document; it is
  // reported all the same.
  if (::rename(temp.c_str(), path.c_str()) != 0) failAndRemove("rename over");
  if (file.close() != 0) throwStep(errno, "close", path);

  // The rename is durable only once the directory is. The new document is in place already, so
  // a failure here is still reported: the caller cannot rely on it surviving a crash. Filesystems
  // that cannot sync a directory (EINVAL) give nothing to rely on either way.
  FileDescriptor folder(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) throwStep(errno, "open the directory of", path);
  if (::fsync(folder.get()) != 0 && errno != EINVAL)
    throwStep(errno, "fsync the directory of", path);
}

}  // namespace Foundation
