#include "KestrunProbe/WiFi.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "KestrunProbe/ProbeText.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace Probe {

std::string bandText(std::uint32_t mhz) {
  if (mhz >= 2400 && mhz <= 2500) return "2.4 GHz";
  if (mhz >= 4900 && mhz < 5925) return "5 GHz";
  if (mhz >= 5925 && mhz <= 7125) return "6 GHz";
  if (mhz >= 57000 && mhz <= 71000) return "60 GHz";
  return "";
}

std::optional<in_addr> defaultGateway(const std::filesystem::path& root,
                                      const std::string& interface) {
  auto text = readSystemFile(root / "proc/net/route");
  if (!text) return std::nullopt;
  std::optional<in_addr> best;
  long long bestMetric = 0;
  bool header = true;
  forEachLine(*text, [&](std::string_view line) {
    if (std::exchange(header, false)) return;
    auto f = fields(line);
    if (f.size() < 8 || f[0] != interface) return;
    auto destination = parseUnsigned(f[1], 16), gateway = parseUnsigned(f[2], 16),
         flags = parseUnsigned(f[3], 16), mask = parseUnsigned(f[7], 16);
    long long metric = 0;
    auto [end, error] = std::from_chars(f[6].data(), f[6].data() + f[6].size(), metric);
    if (!destination || !gateway || !flags || !mask || error != std::errc() ||
        end != f[6].data() + f[6].size())
      return;
    constexpr std::uint64_t up = 0x1, viaGateway = 0x2, reject = 0x200;
    if (*destination != 0 || *mask != 0 || (*flags & (up | viaGateway)) != (up | viaGateway) ||
        (*flags & reject) || *gateway == 0 || *gateway > 0xFFFFFFFFu)
      return;
    if (!best || metric < bestMetric) {
      in_addr address{};
      address.s_addr =
          static_cast<std::uint32_t>(*gateway);  // printed as the raw network-order word
      best = address;
      bestMetric = metric;
    }
  });
  return best;
}

namespace {

class IcmpPinger final : public EchoPinger {
 public:
  bool available(std::string* why) override {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    int error = errno;
    if (why) {
      *why = "router latency not measured: unprivileged ICMP echo sockets are not allowed here (" +
             std::string(std::strerror(error)) + ")";
      if (error == EACCES) {
        std::string range =
            readSystemFile("/proc/sys/net/ipv4/ping_group_range", 256).value_or("?");
        while (!range.empty() && (range.back() == '\n' || range.back() == ' ')) range.pop_back();
        for (char& c : range)
          if (c == '\t') c = ' ';
        *why += "; net.ipv4.ping_group_range is \"" + displayText(range) +
                "\", widen it with sysctl to include your group";
      }
    }
    return false;
  }

  std::optional<double> echo(const in_addr& address, std::chrono::milliseconds timeout) override {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) return std::nullopt;
    struct Closer {
      int fd;
      ~Closer() { ::close(fd); }
    } closer{fd};

    // The kernel sets the identifier to the socket's own; a random token in the payload tells
    // this echo's reply from a late one of an earlier echo.
    unsigned char packet[sizeof(icmphdr) + 16]{};
    auto* header = reinterpret_cast<icmphdr*>(packet);
    header->type = ICMP_ECHO;
    header->un.echo.sequence = htons(static_cast<std::uint16_t>(++sequence_));
    if (::getrandom(packet + sizeof(icmphdr), 16, 0) != 16) return std::nullopt;

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr = address;
    auto start = std::chrono::steady_clock::now();
    if (::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&target),
                 sizeof target) != static_cast<ssize_t>(sizeof packet))
      return std::nullopt;
    auto deadline = start + timeout;
    while (true) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd wait{fd, POLLIN, 0};
      if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
      unsigned char reply[256];
      ssize_t got = ::recv(fd, reply, sizeof reply, 0);
      if (got < static_cast<ssize_t>(sizeof packet)) continue;
      auto* answer = reinterpret_cast<icmphdr*>(reply);
      if (answer->type != ICMP_ECHOREPLY || answer->un.echo.sequence != header->un.echo.sequence ||
          std::memcmp(reply + sizeof(icmphdr), packet + sizeof(icmphdr), 16) != 0)
        continue;
      return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
          .count();
    }
  }

 private:
  std::uint16_t sequence_ = 0;
};

std::optional<in_addr> resolve(const std::string& host) {
  in_addr address{};
  if (::inet_pton(AF_INET, host.c_str(), &address) == 1) return address;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
  address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
  ::freeaddrinfo(found);
  return address;
}

}  // namespace

std::unique_ptr<EchoPinger> makeIcmpPinger() {
  return std::make_unique<IcmpPinger>();
}

std::optional<std::int64_t> medianLatency(EchoPinger& pinger, const in_addr& address, int count,
                                          std::chrono::milliseconds timeout) {
  std::vector<double> times;
  for (int i = 0; i < count; ++i)
    if (auto ms = pinger.echo(address, timeout)) times.push_back(*ms);
  if (times.empty()) return std::nullopt;
  std::sort(times.begin(), times.end());
  std::size_t n = times.size();
  double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  return static_cast<std::int64_t>(std::llround(median));
}

WiFiMeasurement measureWiFi(WirelessSource& source, EchoPinger& pinger,
                            const WiFiSettings& settings) {
  WiFiMeasurement result;
  auto joined = source.association();
  if (!joined) return result;
  if (!joined->signalDbm) {
    result.notes.push_back("wifi: " + displayText(joined->interface) +
                           " is associated but reports no signal; left out");
    return result;
  }
  WidgetSnapshot::WiFi wifi{};
  if (joined->ssid) wifi.ssid = displayText(*joined->ssid);
  wifi.band = joined->frequencyMHz ? bandText(*joined->frequencyMHz) : "";
  wifi.rssi = *joined->signalDbm;

  std::int64_t issues = 0;
  if (wifi.rssi < settings.weakSignalDbm) ++issues;
  std::string why;
  bool canPing = pinger.available(&why);
  if (!canPing) result.notes.push_back(why);
  auto gateway = defaultGateway(settings.root, joined->interface);
  if (!gateway) {
    ++issues;
    result.notes.push_back("wifi: no default gateway on " + displayText(joined->interface));
  } else if (canPing) {
    wifi.routerMs = medianLatency(pinger, *gateway);
    if (!wifi.routerMs || *wifi.routerMs > settings.slowRouterMs) ++issues;
  }
  if (settings.internetHost && canPing) {
    if (auto address = resolve(*settings.internetHost))
      wifi.internetMs = medianLatency(pinger, *address);
    else
      result.notes.push_back("wifi: cannot resolve " + displayText(*settings.internetHost));
  }
  wifi.issues = issues;
  result.wifi = wifi;
  return result;
}

}  // namespace Probe
