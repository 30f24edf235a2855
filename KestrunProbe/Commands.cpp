#include "KestrunProbe/Commands.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KestrunProbe/ProbeText.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

extern char** environ;

namespace Probe {
namespace {

std::vector<char*> argumentVector(const Command& command) {
  std::vector<char*> argv;
  for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

bool isExecutable(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool canRun(const Command& command) {
  if (command.empty() || command[0].empty()) return false;
  if (command[0].find('/') != std::string::npos) return isExecutable(command[0]);
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    auto colon = rest.find(':');
    std::string directory(rest.substr(0, colon));
    if (!directory.empty() && isExecutable(directory + "/" + command[0])) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

bool launchDetached(const Command& command, std::string* why) {
  if (command.empty()) {
    if (why) *why = "an empty command";
    return false;
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  auto argv = argumentVector(command);
  pid_t pid = 0;
  int error = ::posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    if (why) *why = displayText(command[0]) + ": " + std::strerror(error);
    return false;
  }
  return true;
}

std::optional<std::string> runCapturing(const Command& command, std::chrono::milliseconds timeout,
                                        std::string* why, std::string_view input) {
  auto fail = [&](std::string reason) -> std::optional<std::string> {
    if (why) *why = std::move(reason);
    return std::nullopt;
  };
  if (command.empty()) return fail("an empty command");
  int pipeEnds[2];
  int inputFile = ::memfd_create("kestrun-probe-input", MFD_CLOEXEC);
  if (inputFile < 0) return fail(std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closeInput{inputFile};
  for (std::string_view rest = input; !rest.empty();) {
    ssize_t put = ::write(inputFile, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return fail(std::strerror(errno));
    rest.remove_prefix(static_cast<std::size_t>(put));
  }
  if (::lseek(inputFile, 0, SEEK_SET) != 0) return fail(std::strerror(errno));
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return fail(std::strerror(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, inputFile, STDIN_FILENO);
  auto argv = argumentVector(command);
  pid_t pid = 0;
  int error = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (error != 0) {
    ::close(pipeEnds[0]);
    return fail(displayText(command[0]) + ": " + std::strerror(error));
  }
  std::string output;
  bool timedOut = false;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd wait{pipeEnds[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) == 0) {
      timedOut = true;
      break;
    }
    char buffer[4096];
    ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    if (output.size() < (4u << 20)) output.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipeEnds[0]);
  if (timedOut) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (timedOut)
    return fail(displayText(command[0]) + ": no result within " +
                std::to_string(timeout.count() / 1000) + " s");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return fail(displayText(command[0]) + ": failed with status " +
                std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)));
  return output;
}

std::optional<WidgetSnapshot::SpeedTest> parseSpeedTest(std::string_view output,
                                                        Foundation::Date at) {
  auto line = output.substr(0, output.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  auto parts = fields(line);
  if (parts.size() != 2) return std::nullopt;
  auto down = parseDouble(parts[0]), up = parseDouble(parts[1]);
  auto sane = [](std::optional<double> v) { return v && std::isfinite(*v) && *v >= 0 && *v < 1e9; };
  if (!sane(down) || !sane(up)) return std::nullopt;
  return WidgetSnapshot::SpeedTest{std::llround(*down), std::llround(*up), at};
}

}  // namespace Probe
