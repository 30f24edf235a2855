// The Wi-Fi link: which network the wireless interface has joined, how strong its signal is, and
// how quickly its router and (when configured) an internet host answer.
//
// Every source sits behind an interface so that tests give a fake association, a fake /proc tree
// and a gateway of 127.0.0.1. The real association comes from nl80211 through libnl, reading only
// what the kernel has cached (it never starts a scan, which would need privileges and disturb the
// link). Latency is measured only while an association exists, and only to the gateway of that
// interface or to the configured host: the probe sends nothing anywhere else.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <netinet/in.h>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace Probe {

struct Association {
  std::string interface;
  std::optional<std::string> ssid;  // raw octets, not necessarily UTF-8
  std::optional<std::uint32_t> frequencyMHz;
  std::optional<std::int32_t> signalDbm;
};

class WirelessSource {
 public:
  virtual ~WirelessSource() = default;
  // The first station interface that has joined a network; none when there is no wireless
  // interface or none is associated.
  virtual std::optional<Association> association() = 0;
};

// nl80211 over generic netlink. Machines without a wireless interface (no phy80211 under
// <root>/sys/class/net) never open the netlink socket.
std::unique_ptr<WirelessSource> makeNl80211Source(std::filesystem::path root = "/");

// "2.4 GHz", "5 GHz", "6 GHz", "60 GHz"; empty for a frequency outside the Wi-Fi bands.
std::string bandText(std::uint32_t frequencyMHz);

// The IPv4 default gateway of `interface` from <root>/proc/net/route: destination and mask 0, up
// and through a gateway, the lowest metric winning.
std::optional<in_addr> defaultGateway(const std::filesystem::path& root,
                                      const std::string& interface);

class EchoPinger {
 public:
  virtual ~EchoPinger() = default;
  // The round trip of one echo in milliseconds; none on timeout or error.
  virtual std::optional<double> echo(const in_addr& address, std::chrono::milliseconds timeout) = 0;
  // Whether this system lets an unprivileged process send echoes at all; the reason when not.
  virtual bool available(std::string* why) = 0;
};

// Unprivileged ICMP echo sockets (allowed when the group is within net.ipv4.ping_group_range).
std::unique_ptr<EchoPinger> makeIcmpPinger();

// The median of `count` echoes, rounded to whole milliseconds; none unless at least one answered.
std::optional<std::int64_t> medianLatency(
    EchoPinger& pinger, const in_addr& address, int count = 3,
    std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));

struct WiFiSettings {
  std::filesystem::path root = "/";
  std::optional<std::string> internetHost;  // an IPv4 address or a name
  std::int32_t weakSignalDbm = -72;         // below this the signal is weak
  std::int64_t slowRouterMs = 50;
};

struct WiFiMeasurement {
  std::optional<WidgetSnapshot::WiFi> wifi;
  std::vector<std::string> notes;  // one line each, shown with --verbose
};

WiFiMeasurement measureWiFi(WirelessSource& source, EchoPinger& pinger,
                            const WiFiSettings& settings);

}  // namespace Probe
