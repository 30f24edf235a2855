// Development servers: TCP sockets in the listening state that belong to the user's own processes,
// and the containers that the user's own Docker or Podman service runs.
//
// The kernel's socket tables (<root>/proc/net/tcp and tcp6) give each listener's owner and inode;
// the fd links of the user's processes (<root>/proc/<pid>/fd) tie an inode to a process. A socket
// counts only when both agree that it is the user's, so a listener owned by the user but held by
// nobody (or held only by another user's process) is not one of theirs. Each port counts once,
// whether IPv4, IPv6 or both and however many processes of a pre-forking server share it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace Probe {

struct Listener {
  std::string address;  // as written in URLs: 127.0.0.1, [::1], 0.0.0.0, [::]
  std::uint16_t port;
  uid_t uid;
  std::uint64_t inode;
};

// The listening entries of one socket table (IPv6 when `ipv6`).
std::vector<Listener> parseListeners(std::string_view table, bool ipv6);

struct OwnedListener {
  Listener listener;
  pid_t pid;
  std::string command;  // the process's name, as display text
};

// Every listening TCP socket of this network namespace from the kernel's socket diagnostics, which
// visit only the listening sockets (the /proc tables walk every connection bucket on each read);
// none when sock_diag is not available.
std::optional<std::vector<Listener>> diagnosedListeners();

// The user's listeners with the first of their processes that holds each, ordered by port. For the
// machine's own root the kernel's socket diagnostics are asked first, the tables read when they
// cannot answer.
std::vector<OwnedListener> ownListeners(const std::filesystem::path& root, uid_t uid);

std::int64_t countDistinctPorts(const std::vector<OwnedListener>& listeners);

// Container services of the user: DOCKER_HOST when it names a unix socket, then the rootless
// Docker and Podman sockets under XDG_RUNTIME_DIR.
std::vector<std::filesystem::path> containerSockets();

// Running containers reported by the service at `socket` (GET /containers/json); none when it
// does not answer in time or answers with anything but a list.
std::optional<std::int64_t> runningContainers(
    const std::filesystem::path& socket,
    std::chrono::milliseconds timeout = std::chrono::milliseconds(1500));

// The body of an HTTP/1.1 response with status 200, de-chunked when sent in chunks.
std::optional<std::string> httpBody(std::string_view response);

}  // namespace Probe
