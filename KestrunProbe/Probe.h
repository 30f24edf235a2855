// One measurement round: every source asked once, the answers made into a snapshot.
//
// A part that cannot be measured is absent, never guessed; `wifiChecked` only says the Wi-Fi was
// looked at. The attention list is derived from what was measured, never from what was not, and
// holds at most one item of each kind, most severe first. A Probe keeps what later rounds reuse
// (the counts of commit pairs already walked, the cleanable figure) and is meant for one thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "KestrunProbe/Config.h"
#include "KestrunProbe/Disk.h"
#include "KestrunProbe/Repositories.h"
#include "KestrunProbe/WiFi.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace Probe {

struct Sources {
  std::filesystem::path root = "/";  // /proc and /sys are read beneath it
  std::filesystem::path diskMountPoint = "/";
  SpaceSource space = statvfsSpace;
  std::vector<std::filesystem::path> cleanable;  // the cache directory and the trash
  WalkBounds walk;
  // Walking the cache is the round's largest cost and its size changes slowly: later rounds reuse
  // the figure for this long.
  std::chrono::seconds cleanableRefresh{600};
  std::unique_ptr<WirelessSource> wireless;
  std::unique_ptr<EchoPinger> pinger;
  uid_t uid = 0;
  std::vector<std::filesystem::path> containerSockets;
  std::vector<std::filesystem::path> projectRoots;
  int repositoryDepth = 3;
  std::unique_ptr<UnpushedCounter> repositories;
  std::optional<std::string> internetHost;
};

// The machine's own sources, with the directories and roots the configuration names.
Sources systemSources(const Config& config);

struct Bounds {
  std::int64_t cleanableAbove = 1'000'000'000;  // "can be cleared" from 1 GB
  double lowDiskShare = 0.05;                   // critical below 5 % of the disk free …
  std::int64_t lowDiskBytes = 2'000'000'000;    // … or below 2 GB
  std::int32_t weakSignalDbm = -72;             // where the widgets' signal colour turns red
};

struct Findings {
  std::optional<WidgetSnapshot::Memory> memory;
  std::optional<WidgetSnapshot::Disk> disk;
  std::optional<WidgetSnapshot::WiFi> wifi;
  std::vector<Unpushed> unpushed;
};

// The items, most severe first; `attentionTotal`, `urgent` (critical) and `toCheck` (warning)
// are counted from them by the caller's snapshot.
std::vector<WidgetSnapshot::Attention> attentionItems(const Findings& findings,
                                                      const Bounds& bounds = {});

// Sets attention and the three counts together, so they always agree.
void setAttention(WidgetSnapshot& snapshot, std::vector<WidgetSnapshot::Attention> items);

class Probe {
 public:
  explicit Probe(Sources sources, Bounds bounds = {});

  // Measures now; notes for --verbose are appended to `notes`. `speedTest` is the last result
  // to carry on (the probe does not run one every round).
  WidgetSnapshot measure(std::optional<WidgetSnapshot::SpeedTest> speedTest,
                         std::vector<std::string>& notes);

 private:
  Sources sources_;
  Bounds bounds_;
  std::optional<std::int64_t> cleanable_;
  std::optional<std::chrono::steady_clock::time_point> cleanableAt_;
};

}  // namespace Probe
