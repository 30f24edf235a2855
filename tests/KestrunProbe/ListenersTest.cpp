#include "KestrunProbe/Listeners.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "KestrunProbe/ProbeText.h"
#include "tests/Support/TestSupport.h"

using namespace Probe;
using TestSupport::TemporaryDirectory;
using TestSupport::writeFile;

namespace {

const char* tcpHeader =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout "
    "inode\n";

std::string tcpLine(const char* local, const char* state, unsigned uid, unsigned long inode) {
  return std::string("   0: ") + local + " 00000000:0000 " + state +
         " 00000000:00000000 00:00000000 00000000 " + std::to_string(uid) + " 0 " +
         std::to_string(inode) + " 1 0000000000000000 100 0 0 10 0\n";
}

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

// A unix socket listening at `path`, as a container service's would; -1 on failure.
int listenOn(const std::filesystem::path& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 4) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

TEST(ProbeListeners, SocketTablesDecodeAddressesAndKeepOnlyListeners) {
  std::string v4 = std::string(tcpHeader) + tcpLine("0100007F:46A0", "0A", 1000, 111) +
                   tcpLine("00000000:0016", "0A", 0, 112) +
                   tcpLine("0100007F:46A1", "01", 1000, 113) +
                   tcpLine("0100007F:46A2", "0A", 1000, 0) + "garbage line\n";
  auto listeners = parseListeners(v4, false);
  ASSERT_EQ(listeners.size(), 2u);
  EXPECT_EQ(listeners[0].address, "127.0.0.1");
  EXPECT_EQ(listeners[0].port, 18080);
  EXPECT_EQ(listeners[0].uid, 1000u);
  EXPECT_EQ(listeners[0].inode, 111u);
  EXPECT_EQ(listeners[1].address, "0.0.0.0");
  EXPECT_EQ(listeners[1].port, 22);

  std::string v6 = std::string(tcpHeader) +
                   tcpLine("00000000000000000000000001000000:1F90", "0A", 1000, 7) +
                   tcpLine("00000000000000000000000000000000:0050", "0A", 1000, 8);
  auto six = parseListeners(v6, true);
  ASSERT_EQ(six.size(), 2u);
  EXPECT_EQ(six[0].address, "[::1]");
  EXPECT_EQ(six[0].port, 8080);
  EXPECT_EQ(six[1].address, "[::]");
}

TEST(ProbeListeners, OnlySocketsHeldByTheUsersProcessesCountAndEachPortOnce) {
  uid_t me = ::getuid();
  TemporaryDirectory root;
  writeFile(root / "proc/net/tcp", std::string(tcpHeader) +
                                       tcpLine("0100007F:1F90", "0A", me, 501) +
                                       tcpLine("0100007F:1F91", "0A", me, 502) +
                                       tcpLine("0100007F:1F92", "0A", me + 1, 503));
  writeFile(
      root / "proc/net/tcp6",
      std::string(tcpHeader) + tcpLine("00000000000000000000000001000000:1F90", "0A", me, 504));
  // Process 10 holds 8080 on both families; 11 and 12 share one socket (a pre-forked server);
  // 13 holds the socket of another user's table entry; nobody holds 8081.
  std::filesystem::create_directories(root / "proc/10/fd");
  std::filesystem::create_directories(root / "proc/11/fd");
  std::filesystem::create_directories(root / "proc/12/fd");
  std::filesystem::create_directories(root / "proc/13/fd");
  std::filesystem::create_directories(root / "proc/self/fd");
  std::filesystem::create_symlink("socket:[501]", root / "proc/10/fd/3");
  std::filesystem::create_symlink("socket:[504]", root / "proc/10/fd/4");
  std::filesystem::create_symlink("/dev/null", root / "proc/10/fd/0");
  std::filesystem::create_symlink("socket:[999]", root / "proc/11/fd/5");
  std::filesystem::create_symlink("socket:[503]", root / "proc/13/fd/3");
  writeFile(root / "proc/10/comm", "node\x1b]0;x\n");

  auto owned = ownListeners(root.path(), me);
  ASSERT_EQ(owned.size(), 2u);
  EXPECT_EQ(owned[0].listener.port, 8080);
  EXPECT_EQ(owned[0].pid, 10);
  EXPECT_EQ(owned[0].command, "node\xEF\xBF\xBD]0;x");
  EXPECT_EQ(countDistinctPorts(owned), 1);
}

TEST(ProbeListeners, AListeningTestServerOnLoopbackIsCounted) {
  Descriptor server{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  ASSERT_GE(server.fd, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(server.fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(::getsockname(server.fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
  auto before = ownListeners("/", ::getuid());
  ASSERT_EQ(::listen(server.fd, 4), 0);
  auto after = ownListeners("/", ::getuid());
  auto port = ntohs(address.sin_port);
  auto has = [&](const std::vector<OwnedListener>& list) {
    for (const auto& owned : list)
      if (owned.listener.port == port && owned.pid == ::getpid()) return true;
    return false;
  };
  EXPECT_FALSE(has(before));
  EXPECT_TRUE(has(after));
  EXPECT_EQ(countDistinctPorts(after), countDistinctPorts(before) + 1);
}

TEST(ProbeListeners, HttpBodiesPlainAndChunked) {
  EXPECT_EQ(httpBody("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n[]"), "[]");
  EXPECT_EQ(httpBody("HTTP/1.1 200 OK\r\nTransfer-Encoding: "
                     "chunked\r\n\r\n3\r\n[{}\r\n1;x=y\r\n]\r\n0\r\n\r\n"),
            "[{}]");
  EXPECT_FALSE(httpBody("HTTP/1.1 404 Not Found\r\n\r\n[]"));
  EXPECT_FALSE(httpBody("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nZZ\r\n"));
  EXPECT_FALSE(
      httpBody("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nffffff\r\nab\r\n0\r\n\r\n"));
  EXPECT_FALSE(httpBody("no header end"));
}

TEST(ProbeListeners, ContainersAreCountedFromTheServicesAnswer) {
  TemporaryDirectory directory;
  auto path = directory / "docker.sock";
  Descriptor server{listenOn(path)};
  ASSERT_GE(server.fd, 0);
  std::string request;
  std::thread answer([&] {
    Descriptor client{::accept(server.fd, nullptr, nullptr)};
    char buffer[1024];
    ssize_t got = ::recv(client.fd, buffer, sizeof buffer, 0);
    if (got > 0) request.assign(buffer, static_cast<std::size_t>(got));
    std::string reply =
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n"
        "10\r\n[{\"Id\":\"a\"},{\"Id\r\n6\r\n\":\"b\"}\r\n1\r\n]\r\n0\r\n\r\n";
    ::send(client.fd, reply.data(), reply.size(), MSG_NOSIGNAL);
  });
  auto count = runningContainers(path);
  answer.join();
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(request.starts_with("GET /v1.40/containers/json HTTP/1.1\r\n")) << request;
  EXPECT_FALSE(runningContainers(directory / "absent.sock"));
}

TEST(ProbeListeners, AServiceThatNeverAnswersCostsOnlyTheTimeout) {
  TemporaryDirectory directory;
  auto path = directory / "podman.sock";
  Descriptor server{listenOn(path)};
  ASSERT_GE(server.fd, 0);
  EXPECT_FALSE(runningContainers(path, std::chrono::milliseconds(200)));
}

TEST(ProbeListeners, ContainerSocketsOfTheUser) {
  TestSupport::ScopedEnvironment environment{{"DOCKER_HOST", "unix:///tmp/d.sock"},
                                             {"XDG_RUNTIME_DIR", "/run/user/1000"}};
  EXPECT_EQ(containerSockets(),
            (std::vector<std::filesystem::path>{
                "/run/user/1000/docker.sock", "/run/user/1000/podman/podman.sock", "/tmp/d.sock"}));
  TestSupport::ScopedEnvironment remote{{"DOCKER_HOST", "tcp://127.0.0.1:2375"},
                                        {"XDG_RUNTIME_DIR", nullptr}};
  EXPECT_TRUE(containerSockets().empty());
}

TEST(ProbeListeners, SocketDiagnosticsAgreeWithTheTables) {
  auto diagnosed = diagnosedListeners();
  if (!diagnosed) GTEST_SKIP() << "no sock_diag here";
  std::vector<Listener> tables = parseListeners(*Probe::readSystemFile("/proc/net/tcp"), false);
  auto six = parseListeners(*Probe::readSystemFile("/proc/net/tcp6"), true);
  tables.insert(tables.end(), six.begin(), six.end());
  auto key = [](const std::vector<Listener>& list) {
    std::set<std::tuple<std::string, int, unsigned, std::uint64_t>> keys;
    for (const auto& l : list) keys.emplace(l.address, l.port, l.uid, l.inode);
    return keys;
  };
  EXPECT_EQ(key(*diagnosed), key(tables));
}
