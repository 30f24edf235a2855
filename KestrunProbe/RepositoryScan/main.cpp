// kestrun-probe-repos: counts commits not pushed for the probe, one request on standard input, the
// reply on standard output. Run by kestrun-probe each round; not meant to be run by hand.
#include <unistd.h>

#include <cerrno>
#include <string>

#include "KestrunProbe/RepositoryScan/Scanner.h"

int main() {
  std::string request;
  char buffer[65536];
  while (true) {
    ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return 1;
    if (got == 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
    if (request.size() > (16u << 20)) return 1;
  }
  auto reply = Probe::answerScanRequest(request);
  if (!reply) return 1;
  std::string_view rest = *reply;
  while (!rest.empty()) {
    ssize_t put = ::write(STDOUT_FILENO, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return 1;
    rest.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}
