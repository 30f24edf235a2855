#include "KestrunProbe/Listeners.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include "KestrunProbe/ProbeText.h"
#include "Platform/Foundation/JSON.h"

namespace Probe {
namespace {

std::optional<std::string> addressText(std::string_view hex, bool ipv6) {
  if (hex.size() != (ipv6 ? 32u : 8u)) return std::nullopt;
  unsigned char bytes[16]{};
  // The kernel prints each 32-bit word of the address as a host-order number.
  for (std::size_t word = 0; word < hex.size() / 8; ++word) {
    auto value = parseUnsigned(hex.substr(word * 8, 8), 16);
    if (!value) return std::nullopt;
    auto raw = static_cast<std::uint32_t>(*value);
    std::memcpy(bytes + word * 4, &raw, 4);
  }
  char text[INET6_ADDRSTRLEN]{};
  if (!::inet_ntop(ipv6 ? AF_INET6 : AF_INET, bytes, text, sizeof text)) return std::nullopt;
  return ipv6 ? "[" + std::string(text) + "]" : std::string(text);
}

struct Descriptor {
  int fd;
  explicit Descriptor(int f) : fd(f) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
};

}  // namespace

std::vector<Listener> parseListeners(std::string_view table, bool ipv6) {
  std::vector<Listener> out;
  forEachLine(table, [&](std::string_view line) {
    auto f = fields(line);
    if (f.size() < 10 || f[3] != "0A") return;  // 0A: TCP_LISTEN
    auto colon = f[1].rfind(':');
    if (colon == std::string_view::npos) return;
    auto address = addressText(f[1].substr(0, colon), ipv6);
    auto port = parseUnsigned(f[1].substr(colon + 1), 16);
    auto uid = parseUnsigned(f[7]);
    auto inode = parseUnsigned(f[9]);
    if (!address || !port || *port > 65535 || !uid || !inode || *inode == 0) return;
    out.push_back({*address, static_cast<std::uint16_t>(*port), static_cast<uid_t>(*uid), *inode});
  });
  return out;
}

std::optional<std::vector<Listener>> diagnosedListeners() {
  Descriptor socket(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
  if (socket.fd < 0) return std::nullopt;
  timeval timeout{1, 0};
  ::setsockopt(socket.fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::vector<Listener> out;
  for (int family : {AF_INET, AF_INET6}) {
    struct {
      nlmsghdr header;
      inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = static_cast<std::uint32_t>(family);
    message.request.sdiag_family = static_cast<std::uint8_t>(family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = 1u << TCP_LISTEN;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(socket.fd, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) < 0)
      return std::nullopt;
    alignas(nlmsghdr) char buffer[32768];
    bool done = false;
    while (!done) {
      ssize_t got = ::recv(socket.fd, buffer, sizeof buffer, 0);
      if (got <= 0) return std::nullopt;
      auto length = static_cast<std::uint32_t>(got);
      for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, length);
           header = NLMSG_NEXT(header, length)) {
        if (header->nlmsg_seq != message.header.nlmsg_seq) continue;
        if (header->nlmsg_type == NLMSG_DONE) {
          done = true;
          break;
        }
        if (header->nlmsg_type == NLMSG_ERROR) return std::nullopt;
        if (header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg))) continue;
        const auto* entry = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
        if (entry->idiag_state != TCP_LISTEN || entry->idiag_inode == 0) continue;
        char text[INET6_ADDRSTRLEN]{};
        if (!::inet_ntop(family, entry->id.idiag_src, text, sizeof text)) continue;
        out.push_back({family == AF_INET6 ? "[" + std::string(text) + "]" : std::string(text),
                       ntohs(entry->id.idiag_sport), static_cast<uid_t>(entry->idiag_uid),
                       entry->idiag_inode});
      }
    }
  }
  return out;
}

std::vector<OwnedListener> ownListeners(const std::filesystem::path& root, uid_t uid) {
  std::map<std::uint64_t, Listener> mine;
  std::optional<std::vector<Listener>> diagnosed;
  if (root == "/") diagnosed = diagnosedListeners();
  if (diagnosed) {
    for (auto& listener : *diagnosed)
      if (listener.uid == uid) mine.emplace(listener.inode, listener);
  } else {
    for (bool ipv6 : {false, true}) {
      auto table = readSystemFile(root / (ipv6 ? "proc/net/tcp6" : "proc/net/tcp"), 16 << 20);
      if (!table) continue;
      for (auto& listener : parseListeners(*table, ipv6))
        if (listener.uid == uid) mine.emplace(listener.inode, listener);
    }
  }
  std::vector<OwnedListener> out;
  if (mine.empty()) return out;

  std::filesystem::path proc = root / "proc";
  DIR* processes = ::opendir(proc.c_str());
  if (!processes) return out;
  std::set<std::uint64_t> seen;
  while (dirent* entry = ::readdir(processes)) {
    auto pid = parseUnsigned(entry->d_name);
    if (!pid) continue;
    std::filesystem::path process = proc / entry->d_name;
    struct stat owner {};
    if (::stat(process.c_str(), &owner) != 0 || owner.st_uid != uid) continue;
    DIR* fds = ::opendir((process / "fd").c_str());
    if (!fds) continue;
    while (dirent* fd = ::readdir(fds)) {
      if (fd->d_name[0] == '.') continue;
      char target[64];
      ssize_t length = ::readlinkat(::dirfd(fds), fd->d_name, target, sizeof target - 1);
      if (length <= 0) continue;
      std::string_view link(target, static_cast<std::size_t>(length));
      if (!link.starts_with("socket:[") || !link.ends_with("]")) continue;
      auto inode = parseUnsigned(link.substr(8, link.size() - 9));
      if (!inode) continue;
      auto found = mine.find(*inode);
      if (found == mine.end() || !seen.insert(*inode).second) continue;
      std::string command = readSystemFile(process / "comm", 256).value_or("");
      if (!command.empty() && command.back() == '\n') command.pop_back();
      out.push_back({found->second, static_cast<pid_t>(*pid), displayText(command)});
    }
    ::closedir(fds);
  }
  ::closedir(processes);
  std::sort(out.begin(), out.end(), [](const OwnedListener& a, const OwnedListener& b) {
    return std::tie(a.listener.port, a.listener.address) <
           std::tie(b.listener.port, b.listener.address);
  });
  return out;
}

std::int64_t countDistinctPorts(const std::vector<OwnedListener>& listeners) {
  std::set<std::uint16_t> ports;
  for (const auto& owned : listeners) ports.insert(owned.listener.port);
  return static_cast<std::int64_t>(ports.size());
}

std::vector<std::filesystem::path> containerSockets() {
  std::vector<std::filesystem::path> sockets;
  if (const char* host = std::getenv("DOCKER_HOST");
      host && std::string_view(host).starts_with("unix:///"))
    sockets.emplace_back(std::string_view(host).substr(7));
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
    sockets.emplace_back(std::filesystem::path(runtime) / "docker.sock");
    sockets.emplace_back(std::filesystem::path(runtime) / "podman" / "podman.sock");
  }
  std::sort(sockets.begin(), sockets.end());
  sockets.erase(std::unique(sockets.begin(), sockets.end()), sockets.end());
  return sockets;
}

std::optional<std::string> httpBody(std::string_view response) {
  auto headerEnd = response.find("\r\n\r\n");
  if (headerEnd == std::string_view::npos) return std::nullopt;
  std::string_view head = response.substr(0, headerEnd);
  std::string_view body = response.substr(headerEnd + 4);
  auto statusEnd = head.find("\r\n");
  auto status = fields(head.substr(0, statusEnd));
  if (status.size() < 2 || !status[0].starts_with("HTTP/1.") || status[1] != "200")
    return std::nullopt;
  bool chunked = false;
  std::string lower(head);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower.find("\r\ntransfer-encoding: chunked") != std::string::npos) chunked = true;
  if (!chunked) return std::string(body);
  std::string out;
  while (true) {
    auto lineEnd = body.find("\r\n");
    if (lineEnd == std::string_view::npos) return std::nullopt;
    std::string_view sizeText = body.substr(0, lineEnd);
    if (auto extension = sizeText.find(';'); extension != std::string_view::npos)
      sizeText = sizeText.substr(0, extension);
    auto size = parseUnsigned(sizeText, 16);
    if (!size || *size > body.size()) return std::nullopt;
    body.remove_prefix(lineEnd + 2);
    if (*size == 0) return out;
    if (body.size() < *size + 2 || body.substr(*size, 2) != "\r\n") return std::nullopt;
    out.append(body.substr(0, *size));
    body.remove_prefix(*size + 2);
  }
}

std::optional<std::int64_t> runningContainers(const std::filesystem::path& socketPath,
                                              std::chrono::milliseconds timeout) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.native().size() >= sizeof address.sun_path) return std::nullopt;
  std::strcpy(address.sun_path, socketPath.c_str());
  Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (socket.fd < 0) return std::nullopt;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  auto wait = [&](short events) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{socket.fd, events, 0};
    return ::poll(&p, 1, static_cast<int>(left.count())) == 1;
  };
  if (::connect(socket.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (errno != EINPROGRESS && errno != EAGAIN) return std::nullopt;
    if (!wait(POLLOUT)) return std::nullopt;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
      return std::nullopt;
  }
  std::string_view request =
      "GET /v1.40/containers/json HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
  while (!request.empty()) {
    ssize_t sent = ::send(socket.fd, request.data(), request.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno != EAGAIN || !wait(POLLOUT)) return std::nullopt;
      continue;
    }
    request.remove_prefix(static_cast<std::size_t>(sent));
  }
  std::string response;
  constexpr std::size_t cap = 8 << 20;
  char buffer[16384];
  while (true) {
    ssize_t got = ::recv(socket.fd, buffer, sizeof buffer, 0);
    if (got == 0) break;
    if (got < 0) {
      if (errno != EAGAIN || !wait(POLLIN)) return std::nullopt;
      continue;
    }
    response.append(buffer, static_cast<std::size_t>(got));
    if (response.size() > cap) return std::nullopt;
  }
  auto body = httpBody(response);
  if (!body) return std::nullopt;
  auto document = Foundation::JSON::Document::parse(*body, 64);
  if (!document || document->root().type() != Foundation::JSON::Type::array) return std::nullopt;
  return static_cast<std::int64_t>(document->root().count());
}

}  // namespace Probe
