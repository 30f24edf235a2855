// The kernel's wireless configuration interface, read through libnl's generic netlink.
#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/netlink.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cstring>
#include <system_error>

#include "KestrunProbe/WiFi.h"

namespace Probe {
namespace {

struct SocketDeleter {
  void operator()(nl_sock* socket) const { nl_socket_free(socket); }
};
using Socket = std::unique_ptr<nl_sock, SocketDeleter>;

struct Interfaces {
  std::vector<Association> stations;
  std::vector<int> indexes;
};

int onInterface(nl_msg* message, void* context) {
  auto* found = static_cast<Interfaces*>(context);
  auto* header = static_cast<genlmsghdr*>(nlmsg_data(nlmsg_hdr(message)));
  nlattr* attributes[NL80211_ATTR_MAX + 1]{};
  if (nla_parse(attributes, NL80211_ATTR_MAX, genlmsg_attrdata(header, 0),
                genlmsg_attrlen(header, 0), nullptr) != 0)
    return NL_SKIP;
  if (!attributes[NL80211_ATTR_IFINDEX] || !attributes[NL80211_ATTR_IFTYPE] ||
      nla_get_u32(attributes[NL80211_ATTR_IFTYPE]) != NL80211_IFTYPE_STATION)
    return NL_SKIP;
  // A station reports its network's name only while it is joined to one.
  if (!attributes[NL80211_ATTR_SSID]) return NL_SKIP;
  Association association;
  char name[IF_NAMESIZE + 1]{};
  if (attributes[NL80211_ATTR_IFNAME])
    std::strncpy(name, nla_get_string(attributes[NL80211_ATTR_IFNAME]), IF_NAMESIZE);
  association.interface = name;
  association.ssid = std::string(static_cast<const char*>(nla_data(attributes[NL80211_ATTR_SSID])),
                                 std::min(nla_len(attributes[NL80211_ATTR_SSID]), 32));
  if (attributes[NL80211_ATTR_WIPHY_FREQ])
    association.frequencyMHz = nla_get_u32(attributes[NL80211_ATTR_WIPHY_FREQ]);
  found->stations.push_back(association);
  found->indexes.push_back(static_cast<int>(nla_get_u32(attributes[NL80211_ATTR_IFINDEX])));
  return NL_SKIP;
}

int onStation(nl_msg* message, void* context) {
  auto* signal = static_cast<std::optional<std::int32_t>*>(context);
  auto* header = static_cast<genlmsghdr*>(nlmsg_data(nlmsg_hdr(message)));
  nlattr* attributes[NL80211_ATTR_MAX + 1]{};
  if (nla_parse(attributes, NL80211_ATTR_MAX, genlmsg_attrdata(header, 0),
                genlmsg_attrlen(header, 0), nullptr) != 0 ||
      !attributes[NL80211_ATTR_STA_INFO])
    return NL_SKIP;
  nlattr* info[NL80211_STA_INFO_MAX + 1]{};
  if (nla_parse_nested(info, NL80211_STA_INFO_MAX, attributes[NL80211_ATTR_STA_INFO], nullptr) != 0)
    return NL_SKIP;
  // Documented as u8 dBm, it is a signed byte on the wire.
  nlattr* value = info[NL80211_STA_INFO_SIGNAL] ? info[NL80211_STA_INFO_SIGNAL]
                                                : info[NL80211_STA_INFO_SIGNAL_AVG];
  if (value && !*signal) *signal = static_cast<std::int8_t>(nla_get_u8(value));
  return NL_SKIP;
}

bool dump(nl_sock* socket, int family, std::uint8_t command, std::optional<int> index,
          nl_recvmsg_msg_cb_t handler, void* context) {
  nl_msg* message = nlmsg_alloc();
  if (!message) return false;
  bool ok = genlmsg_put(message, NL_AUTO_PORT, NL_AUTO_SEQ, family, 0, NLM_F_DUMP, command, 0) &&
            (!index ||
             nla_put_u32(message, NL80211_ATTR_IFINDEX, static_cast<std::uint32_t>(*index)) == 0);
  if (ok) {
    nl_socket_modify_cb(socket, NL_CB_VALID, NL_CB_CUSTOM, handler, context);
    ok = nl_send_auto(socket, message) >= 0 && nl_recvmsgs_default(socket) >= 0;
  }
  nlmsg_free(message);
  return ok;
}

class Nl80211Source final : public WirelessSource {
 public:
  explicit Nl80211Source(std::filesystem::path root) : root_(std::move(root)) {}

  std::optional<Association> association() override {
    if (!hasWirelessInterface()) return std::nullopt;
    Socket socket(nl_socket_alloc());
    if (!socket || genl_connect(socket.get()) != 0) return std::nullopt;
    // libnl has no read timeout of its own; a kernel that stops answering must not hang a round.
    timeval timeout{2, 0};
    ::setsockopt(nl_socket_get_fd(socket.get()), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    int family = genl_ctrl_resolve(socket.get(), NL80211_GENL_NAME);
    if (family < 0) return std::nullopt;  // no cfg80211: no wireless stack at all
    Interfaces found;
    if (!dump(socket.get(), family, NL80211_CMD_GET_INTERFACE, std::nullopt, onInterface, &found))
      return std::nullopt;
    for (std::size_t i = 0; i < found.stations.size(); ++i) {
      std::optional<std::int32_t> signal;
      dump(socket.get(), family, NL80211_CMD_GET_STATION, found.indexes[i], onStation, &signal);
      found.stations[i].signalDbm = signal;
      if (signal) return found.stations[i];
    }
    if (!found.stations.empty()) return found.stations.front();
    return std::nullopt;
  }

 private:
  bool hasWirelessInterface() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root_ / "sys/class/net", error)) {
      std::error_code ignored;
      if (std::filesystem::exists(entry.path() / "phy80211", ignored) ||
          std::filesystem::is_directory(entry.path() / "wireless", ignored))
        return true;
    }
    return false;
  }
  std::filesystem::path root_;
};

}  // namespace

std::unique_ptr<WirelessSource> makeNl80211Source(std::filesystem::path root) {
  return std::make_unique<Nl80211Source>(std::move(root));
}

}  // namespace Probe
