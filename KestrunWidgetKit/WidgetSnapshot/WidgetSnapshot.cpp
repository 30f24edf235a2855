#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

#include <algorithm>

#include "Platform/Foundation/Text.h"

namespace KestrunWidgetKit {

namespace {

constexpr std::array<std::string_view, 13> tintNames{
    "brand", "blue", "teal", "mint", "cyan", "green", "orange",
    "pink",  "purple", "indigo", "gray", "red", "yellow"};

bool sameText(const std::optional<std::string>& a, const std::optional<std::string>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || Foundation::canonicallyEquivalent(*a, *b);
}

}  // namespace

std::optional<WidgetSnapshot::Severity> WidgetSnapshot::severityFromRawValue(std::int64_t raw) {
  if (raw < 0 || raw > 2) return std::nullopt;
  return static_cast<Severity>(raw);
}

std::optional<WidgetSnapshot::Tint> WidgetSnapshot::tintFromRawValue(std::string_view raw) {
  for (std::size_t i = 0; i < tintNames.size(); ++i)
    if (tintNames[i] == raw) return allTints[i];
  return std::nullopt;
}

std::string_view WidgetSnapshot::rawValue(Tint tint) {
  return tintNames[static_cast<std::size_t>(tint)];
}

double WidgetSnapshot::Memory::fraction() const {
  double divisor = physical == 0 ? 1.0 : static_cast<double>(physical);
  return static_cast<double>(used) / divisor;
}

std::string WidgetSnapshot::Memory::pressureTitle() const {
  switch (pressure) {
    case Severity::info: return "Normal";
    case Severity::warning: return "High";
    case Severity::critical: return "Critical";
  }
  return "Normal";
}

double WidgetSnapshot::WiFi::signalFraction() const {
  double x = (static_cast<double>(rssi) + 90.0) / 60.0;
  return std::min(std::max(x, 0.05), 1.0);
}

std::string WidgetSnapshot::WiFi::signalTitle() const {
  if (rssi >= -55) return "Excellent";
  if (rssi >= -65) return "Good";
  if (rssi >= -72) return "Fair";
  return "Weak";
}

bool operator==(const WidgetSnapshot::WiFi& a, const WidgetSnapshot::WiFi& b) {
  return sameText(a.ssid, b.ssid) && Foundation::canonicallyEquivalent(a.band, b.band) &&
         a.rssi == b.rssi && a.routerMs == b.routerMs && a.internetMs == b.internetMs &&
         a.issues == b.issues;
}

bool operator==(const WidgetSnapshot::Attention& a, const WidgetSnapshot::Attention& b) {
  using Foundation::canonicallyEquivalent;
  return canonicallyEquivalent(a.id, b.id) && canonicallyEquivalent(a.title, b.title) &&
         canonicallyEquivalent(a.detail, b.detail) && a.severity == b.severity &&
         canonicallyEquivalent(a.section, b.section) && canonicallyEquivalent(a.symbol, b.symbol) &&
         a.tint == b.tint;
}

bool operator==(const WidgetSnapshot& a, const WidgetSnapshot& b) {
  return a.updated == b.updated && a.memory == b.memory && a.wifiChecked == b.wifiChecked &&
         a.wifi == b.wifi && a.speedTest == b.speedTest && a.disk == b.disk &&
         a.devRunning == b.devRunning && a.attention == b.attention &&
         a.attentionTotal == b.attentionTotal && a.urgent == b.urgent && a.toCheck == b.toCheck;
}

bool WidgetSnapshot::isStale(Foundation::Date date) const {
  return date.timeIntervalSince(updated) > staleAfter;
}

bool WidgetSnapshot::sameContent(const WidgetSnapshot& other) const {
  WidgetSnapshot copy = other;
  copy.updated = updated;
  return copy == *this;
}

const WidgetSnapshot& WidgetSnapshot::sample() {
  static const WidgetSnapshot value = [] {
    Foundation::Date updated = Foundation::Clock::now();
    Foundation::Date speedTestDate = Foundation::Clock::now() - 7200;
    return WidgetSnapshot{
        updated,
        Memory{19'756'849'152ULL, 34'359'738'368ULL, 1'288'490'188ULL, Severity::info},
        true,
        WiFi{"Home", "5 GHz", -58, 4, 18, 0},
        SpeedTest{236, 41, speedTestDate},
        Disk{212'000'000'000LL, 994'000'000'000LL, 8'400'000'000LL},
        3,
        {Attention{"repos-unpushed", "2 repos have commits not pushed",
                   "kestrun (\u21911), zelno (\u21913)", Severity::warning, "projects",
                   "folder.fill", Tint::blue},
         Attention{"sweep", "8.4 GB can be cleared", "Review and clean in Storage.",
                   Severity::info, "sweep", "internaldrive.fill", Tint::purple}},
        2,
        0,
        1};
  }();
  return value;
}

}  // namespace KestrunWidgetKit
