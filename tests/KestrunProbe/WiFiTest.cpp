#include "KestrunProbe/WiFi.h"

#include <arpa/inet.h>

#include <deque>

#include <gtest/gtest.h>

#include "tests/Support/TestSupport.h"

using namespace Probe;
using TestSupport::TemporaryDirectory;
using TestSupport::writeFile;

namespace {

class FakeWireless : public WirelessSource {
 public:
  explicit FakeWireless(std::optional<Association> association)
      : association_(std::move(association)) {}
  std::optional<Association> association() override { return association_; }

 private:
  std::optional<Association> association_;
};

class FakePinger : public EchoPinger {
 public:
  FakePinger(bool allowed, std::deque<std::optional<double>> answers)
      : allowed_(allowed), answers_(std::move(answers)) {}
  std::optional<double> echo(const in_addr& address, std::chrono::milliseconds) override {
    targets.push_back(address.s_addr);
    if (answers_.empty()) return std::nullopt;
    auto answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  bool available(std::string* why) override {
    if (!allowed_ && why) *why = "not allowed";
    return allowed_;
  }
  std::vector<std::uint32_t> targets;

 private:
  bool allowed_;
  std::deque<std::optional<double>> answers_;
};

std::uint32_t loopback() {
  return htonl(INADDR_LOOPBACK);
}

// A route table with the default route of wlan0 through 127.0.0.1, as the kernel prints it.
const char* routeTable =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t0100007F\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
    "wlan0\t0000A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n"
    "wlan0\t00000000\t0200007F\t0003\t0\t0\t900\t00000000\t0\t0\t0\n"
    "wlan0\t00000000\t0100007F\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
    "wlan0\t00000000\t0300007F\t0203\t0\t0\t1\t00000000\t0\t0\t0\n";

}  // namespace

TEST(ProbeWiFi, BandsByFrequency) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {2412, "2.4 GHz"}, {2484, "2.4 GHz"}, {4920, "5 GHz"},   {5180, "5 GHz"}, {5885, "5 GHz"},
      {5935, "6 GHz"},   {7115, "6 GHz"},   {58320, "60 GHz"}, {900, ""},       {3600, ""}};
  for (auto [mhz, band] : cases) EXPECT_EQ(bandText(mhz), band) << mhz;
}

TEST(ProbeWiFi, GatewayIsTheLowestMetricDefaultRouteOfTheInterfaceThatIsUpAndNotRejecting) {
  TemporaryDirectory root;
  writeFile(root / "proc/net/route", routeTable);
  auto gateway = defaultGateway(root.path(), "wlan0");
  ASSERT_TRUE(gateway);
  EXPECT_EQ(gateway->s_addr, loopback());
  EXPECT_FALSE(defaultGateway(root.path(), "wlan1"));
  TemporaryDirectory empty;
  EXPECT_FALSE(defaultGateway(empty.path(), "wlan0"));
}

TEST(ProbeWiFi, AnAssociationGivesNameBandSignalAndTheMedianOfThreeEchoesToTheGateway) {
  TemporaryDirectory root;
  writeFile(root / "proc/net/route", routeTable);
  FakeWireless wireless(Association{"wlan0", std::string("Caf\xC3\xA9\x1b[2J", 9), 5180, -58});
  FakePinger pinger(true, {4.4, 9.0, 2.2});
  auto measured = measureWiFi(wireless, pinger, WiFiSettings{root.path(), std::nullopt});
  ASSERT_TRUE(measured.wifi);
  EXPECT_EQ(measured.wifi->ssid, "Caf\xC3\xA9\xEF\xBF\xBD[2J");
  EXPECT_EQ(measured.wifi->band, "5 GHz");
  EXPECT_EQ(measured.wifi->rssi, -58);
  EXPECT_EQ(measured.wifi->routerMs, 4);
  EXPECT_FALSE(measured.wifi->internetMs);
  EXPECT_EQ(measured.wifi->issues, 0);
  EXPECT_EQ(pinger.targets, (std::vector<std::uint32_t>(3, loopback())));
}

TEST(ProbeWiFi, IssuesCountWeakSignalMissingGatewayAndASlowRouter) {
  TemporaryDirectory root;
  writeFile(root / "proc/net/route", routeTable);
  {
    FakeWireless weak(Association{"wlan0", "net", 2437, -80});
    FakePinger slow(true, {120.0, 130.0, 110.0});
    auto measured = measureWiFi(weak, slow, WiFiSettings{root.path(), std::nullopt});
    ASSERT_TRUE(measured.wifi);
    EXPECT_EQ(measured.wifi->routerMs, 120);
    EXPECT_EQ(measured.wifi->issues, 2);
  }
  {
    FakeWireless noGateway(Association{"wlan7", "net", 2437, -50});
    FakePinger pinger(true, {});
    auto measured = measureWiFi(noGateway, pinger, WiFiSettings{root.path(), std::nullopt});
    ASSERT_TRUE(measured.wifi);
    EXPECT_FALSE(measured.wifi->routerMs);
    EXPECT_EQ(measured.wifi->issues, 1);
    EXPECT_TRUE(pinger.targets.empty());
  }
}

TEST(ProbeWiFi, WithoutEchoSocketsRouterLatencyIsAbsentWithAHintAndNothingIsSent) {
  TemporaryDirectory root;
  writeFile(root / "proc/net/route", routeTable);
  FakeWireless wireless(Association{"wlan0", std::nullopt, std::nullopt, -60});
  FakePinger refused(false, {1.0});
  auto measured =
      measureWiFi(wireless, refused, WiFiSettings{root.path(), std::string("127.0.0.1")});
  ASSERT_TRUE(measured.wifi);
  EXPECT_FALSE(measured.wifi->ssid);
  EXPECT_EQ(measured.wifi->band, "");
  EXPECT_FALSE(measured.wifi->routerMs);
  EXPECT_FALSE(measured.wifi->internetMs);
  EXPECT_TRUE(refused.targets.empty());
  ASSERT_FALSE(measured.notes.empty());
  EXPECT_EQ(measured.notes.front(), "not allowed");
}

TEST(ProbeWiFi, InternetLatencyOnlyTowardTheConfiguredHost) {
  TemporaryDirectory root;
  writeFile(root / "proc/net/route", routeTable);
  FakeWireless wireless(Association{"wlan0", "net", 5180, -60});
  FakePinger pinger(true, {1.0, 1.0, 1.0, std::nullopt, 20.0, 30.0});
  auto measured =
      measureWiFi(wireless, pinger, WiFiSettings{root.path(), std::string("127.0.0.9")});
  ASSERT_TRUE(measured.wifi);
  EXPECT_EQ(measured.wifi->internetMs, 25);
  ASSERT_EQ(pinger.targets.size(), 6u);
  EXPECT_EQ(pinger.targets.back(), htonl(0x7F000009));
}

TEST(ProbeWiFi, NoAssociationOrNoSignalMeansNoWiFi) {
  TemporaryDirectory root;
  FakePinger pinger(true, {});
  FakeWireless none(std::nullopt);
  EXPECT_FALSE(measureWiFi(none, pinger, WiFiSettings{root.path(), std::nullopt}).wifi);
  FakeWireless silent(Association{"wlan0", "net", 5180, std::nullopt});
  EXPECT_FALSE(measureWiFi(silent, pinger, WiFiSettings{root.path(), std::nullopt}).wifi);
  EXPECT_TRUE(pinger.targets.empty());
}

TEST(ProbeWiFi, ThisMachineHasNoWirelessInterface) {
  // No phy80211 under /sys/class/net: the source answers without opening a netlink socket.
  EXPECT_FALSE(makeNl80211Source("/")->association());
  TemporaryDirectory root;
  std::filesystem::create_directories(root / "sys/class/net/wlan0/wireless");
  // A fake tree that claims a wireless interface still asks the real kernel, which has none.
  EXPECT_FALSE(makeNl80211Source(root.path())->association());
}

TEST(ProbeWiFi, IcmpEchoToLoopbackWhenTheSystemAllowsIt) {
  auto pinger = makeIcmpPinger();
  std::string why;
  in_addr local{};
  local.s_addr = loopback();
  if (!pinger->available(&why)) {
    EXPECT_NE(why.find("ping_group_range"), std::string::npos) << why;
    EXPECT_FALSE(pinger->echo(local, std::chrono::milliseconds(100)));
    return;
  }
  auto ms = medianLatency(*pinger, local);
  ASSERT_TRUE(ms);
  EXPECT_LT(*ms, 100);
}
