#include "KestrunProbe/Probe.h"

#include <unistd.h>

#include <algorithm>

#include "KestrunProbe/Listeners.h"
#include "KestrunProbe/Memory.h"
#include "KestrunProbe/ProbeText.h"
#include "Platform/Foundation/Formatters.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;

namespace Probe {
namespace {

using Severity = WidgetSnapshot::Severity;
using Tint = WidgetSnapshot::Tint;

std::string decimalBytes(std::int64_t bytes) {
  return Foundation::formatByteCount(bytes, Foundation::Locale::defaultLocale());
}

std::string unpushedDetail(const std::vector<Unpushed>& repositories) {
  constexpr std::size_t shown = 6;
  std::string detail;
  for (std::size_t i = 0; i < repositories.size() && i < shown; ++i) {
    if (i) detail += ", ";
    detail += repositories[i].name + " (\u2191" + std::to_string(repositories[i].ahead) + ")";
  }
  if (repositories.size() > shown)
    detail += ", and " + std::to_string(repositories.size() - shown) + " more";
  return detail;
}

}  // namespace

std::vector<WidgetSnapshot::Attention> attentionItems(const Findings& findings,
                                                      const Bounds& bounds) {
  std::vector<WidgetSnapshot::Attention> items;
  if (findings.disk) {
    const auto& disk = *findings.disk;
    if (disk.free < bounds.lowDiskBytes ||
        static_cast<double>(disk.free) < bounds.lowDiskShare * static_cast<double>(disk.total))
      items.push_back({"disk-low", "Only " + decimalBytes(disk.free) + " free on disk",
                       "Of " + decimalBytes(disk.total) + " on the system disk.",
                       Severity::critical, "sweep", "externaldrive.fill", Tint::red});
  }
  if (findings.memory && findings.memory->pressure != Severity::info) {
    bool critical = findings.memory->pressure == Severity::critical;
    items.push_back({"memory-pressure",
                     critical ? "Memory pressure is critical" : "Memory pressure is high",
                     "Close programs you do not need.", findings.memory->pressure, "memory",
                     "memorychip.fill", critical ? Tint::red : Tint::orange});
  }
  if (!findings.unpushed.empty()) {
    auto count = findings.unpushed.size();
    items.push_back({"repos-unpushed",
                     count == 1 ? "1 repo has commits not pushed"
                                : std::to_string(count) + " repos have commits not pushed",
                     unpushedDetail(findings.unpushed), Severity::warning, "projects",
                     "folder.fill", Tint::blue});
  }
  if (findings.wifi && findings.wifi->rssi < bounds.weakSignalDbm)
    items.push_back({"wifi-weak", "Wi-Fi signal is weak",
                     std::to_string(findings.wifi->rssi) + " dBm" +
                         (findings.wifi->ssid ? " on " + *findings.wifi->ssid : std::string()),
                     Severity::warning, "wifi", "wifi", Tint::yellow});
  if (findings.disk && findings.disk->cleanable &&
      *findings.disk->cleanable > bounds.cleanableAbove)
    items.push_back({"sweep", decimalBytes(*findings.disk->cleanable) + " can be cleared",
                     "In your cache and trash.", Severity::info, "sweep", "internaldrive.fill",
                     Tint::purple});
  std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return WidgetSnapshot::rawValue(a.severity) > WidgetSnapshot::rawValue(b.severity);
  });
  return items;
}

void setAttention(WidgetSnapshot& snapshot, std::vector<WidgetSnapshot::Attention> items) {
  snapshot.attentionTotal = static_cast<std::int64_t>(items.size());
  snapshot.urgent = std::count_if(items.begin(), items.end(), [](const auto& item) {
    return item.severity == Severity::critical;
  });
  snapshot.toCheck = std::count_if(items.begin(), items.end(), [](const auto& item) {
    return item.severity == Severity::warning;
  });
  snapshot.attention = std::move(items);
}

Sources systemSources(const Config& config) {
  Sources sources;
  if (auto cache = cacheHome()) sources.cleanable.push_back(*cache);
  if (auto data = dataHome()) sources.cleanable.push_back(*data / "Trash");
  sources.wireless = makeNl80211Source();
  sources.pinger = makeIcmpPinger();
  sources.uid = ::getuid();
  sources.containerSockets = containerSockets();
  sources.projectRoots = projectRoots(config);
  sources.repositoryDepth = config.repositoryDepth;
  sources.repositories = makeHelperCounter(defaultHelperPath());
  sources.internetHost = config.internetHost;
  return sources;
}

Probe::Probe(Sources sources, Bounds bounds) : sources_(std::move(sources)), bounds_(bounds) {}

WidgetSnapshot Probe::measure(std::optional<WidgetSnapshot::SpeedTest> speedTest,
                              std::vector<std::string>& notes) {
  Findings findings;
  findings.memory = measureMemory(sources_.root);
  if (!findings.memory) notes.push_back("memory: not measured (no MemTotal and MemAvailable)");
  auto now = std::chrono::steady_clock::now();
  bool walk = !cleanableAt_ || now - *cleanableAt_ >= sources_.cleanableRefresh;
  findings.disk =
      measureDisk(sources_.diskMountPoint, sources_.space,
                  walk ? sources_.cleanable : std::vector<std::filesystem::path>{}, sources_.walk);
  if (!findings.disk) {
    notes.push_back("disk: not measured");
  } else {
    if (walk) {
      cleanable_ = findings.disk->cleanable;
      cleanableAt_ = now;
    }
    findings.disk->cleanable = cleanable_;
    if (!cleanable_) notes.push_back("disk: cleanable space not measured (walk bound reached)");
  }

  if (sources_.wireless && sources_.pinger) {
    WiFiSettings settings;
    settings.root = sources_.root;
    settings.internetHost = sources_.internetHost;
    settings.weakSignalDbm = bounds_.weakSignalDbm;
    auto wifi = measureWiFi(*sources_.wireless, *sources_.pinger, settings);
    findings.wifi = wifi.wifi;
    notes.insert(notes.end(), wifi.notes.begin(), wifi.notes.end());
    if (!findings.wifi) notes.push_back("wifi: no associated wireless interface");
  }

  std::int64_t devRunning = countDistinctPorts(ownListeners(sources_.root, sources_.uid));
  for (const auto& socket : sources_.containerSockets)
    if (auto containers = runningContainers(socket)) devRunning += *containers;

  auto repositories = findRepositories(sources_.projectRoots, sources_.repositoryDepth);
  std::optional<std::vector<Unpushed>> unpushed;
  if (sources_.repositories) unpushed = sources_.repositories->unpushed(repositories);
  if (unpushed) {
    findings.unpushed = std::move(*unpushed);
    notes.push_back("projects: " + std::to_string(repositories.size()) + " repositories, " +
                    std::to_string(findings.unpushed.size()) + " with commits not pushed");
  } else {
    notes.push_back("projects: commits not pushed could not be counted");
  }

  bool wifiChecked = sources_.wireless && sources_.pinger;
  WidgetSnapshot snapshot{Foundation::Clock::now(),
                          findings.memory,
                          wifiChecked,
                          findings.wifi,
                          speedTest,
                          findings.disk,
                          devRunning,
                          {},
                          0,
                          0,
                          0};
  setAttention(snapshot, attentionItems(findings, bounds_));
  return snapshot;
}

}  // namespace Probe
