// The snapshot record: one summary of the machine's health, written by the host application and
// shown by the widgets.
//
// Plain values throughout: every field is public and stored as given; nothing here validates. A
// record made without values holds zeros, false, info, brand and nothing (never indeterminate
// memory), so that it encodes the same wherever it was made. The
// derived values (signalFraction, signalTitle, fraction, pressureTitle, isStale) define what the
// views make of any value, so that every view computes them the same way. Equality compares text by
// canonical equivalence and dates by their second counts. All of it may be used from any thread;
// `sample()` is built once, on first use, under the language's once-only guard.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Date.h"

namespace KestrunWidgetKit {

struct WidgetSnapshot {
  // Ordered by raw value: info < warning < critical.
  enum class Severity : std::int64_t { info = 0, warning = 1, critical = 2 };

  // Named colours; each raw value is the case name as spelled here.
  enum class Tint {
    brand,
    blue,
    teal,
    mint,
    cyan,
    green,
    orange,
    pink,
    purple,
    indigo,
    gray,
    red,
    yellow
  };
  static constexpr std::array<Tint, 13> allTints{
      Tint::brand, Tint::blue,   Tint::teal,   Tint::mint, Tint::cyan, Tint::green, Tint::orange,
      Tint::pink,  Tint::purple, Tint::indigo, Tint::gray, Tint::red,  Tint::yellow};

  // Exactly 0, 1 and 2; none for every other integer.
  static std::optional<Severity> severityFromRawValue(std::int64_t rawValue);
  static std::int64_t rawValue(Severity severity) { return static_cast<std::int64_t>(severity); }
  // Exactly the 13 case names, case-sensitive, untrimmed; none for any other text.
  static std::optional<Tint> tintFromRawValue(std::string_view rawValue);
  static std::string_view rawValue(Tint tint);

  struct Memory {
    std::uint64_t used = 0;
    std::uint64_t physical = 0;
    std::uint64_t swapUsed = 0;
    Severity pressure = Severity::info;

    // used / physical as doubles, a physical of 0 counting as 1; not clamped.
    double fraction() const;
    // "Normal", "High" or "Critical".
    std::string pressureTitle() const;
    friend bool operator==(const Memory&, const Memory&) = default;
  };

  struct WiFi {
    std::optional<std::string> ssid;
    std::string band;
    std::int64_t rssi = 0;
    std::optional<std::int64_t> routerMs;
    std::optional<std::int64_t> internetMs;
    std::int64_t issues = 0;

    // (rssi + 90) / 60, kept within [0.05, 1.0]: a joined network never shows an empty gauge.
    double signalFraction() const;
    // "Excellent" from -55 dBm, "Good" from -65, "Fair" from -72, "Weak" below.
    std::string signalTitle() const;
    friend bool operator==(const WiFi&, const WiFi&);
  };

  struct SpeedTest {
    std::int64_t downloadMbps = 0;
    std::int64_t uploadMbps = 0;
    Foundation::Date date;
    friend bool operator==(const SpeedTest&, const SpeedTest&) = default;
  };

  struct Disk {
    std::int64_t free = 0;
    std::int64_t total = 0;
    std::optional<std::int64_t> cleanable;
    friend bool operator==(const Disk&, const Disk&) = default;
  };

  struct Attention {
    std::string id;
    std::string title;
    std::string detail;
    Severity severity = Severity::info;
    std::string section;
    std::string symbol;
    Tint tint = Tint::brand;
    friend bool operator==(const Attention&, const Attention&);
  };

  Foundation::Date updated;
  std::optional<Memory> memory;
  bool wifiChecked = false;
  std::optional<WiFi> wifi;
  std::optional<SpeedTest> speedTest;
  std::optional<Disk> disk;
  std::int64_t devRunning = 0;
  std::vector<Attention> attention;
  std::int64_t attentionTotal = 0;
  std::int64_t urgent = 0;
  std::int64_t toCheck = 0;

  // Twenty minutes: a snapshot older than this is stale.
  static constexpr Foundation::TimeInterval staleAfter = 1200;

  // More than staleAfter seconds old at `date`; a snapshot from the future is not stale.
  bool isStale(Foundation::Date date) const;
  // Equal in every field but `updated`.
  bool sameContent(const WidgetSnapshot& other) const;

  friend bool operator==(const WidgetSnapshot&, const WidgetSnapshot&);

  // The fixed, plausible snapshot that stands in before real data can be shown. Its two dates are
  // read from the clock when it is first asked for and never change afterwards.
  static const WidgetSnapshot& sample();
};

// One snapshot that any number of holders (the entries of a timeline, the views drawn from them)
// share without copying it. It cannot be changed once made, so sharing it can never alias: a
// holder that wants to change something makes its own WidgetSnapshot from `*shared`. Empty stands
// for no snapshot, like an empty std::optional. Copies may be used from any thread.
class SharedSnapshot {
 public:
  SharedSnapshot() = default;
  SharedSnapshot(std::nullopt_t) {}        // NOLINT: stands where an optional did
  SharedSnapshot(WidgetSnapshot snapshot)  // NOLINT
      : shared_(std::make_shared<const WidgetSnapshot>(std::move(snapshot))) {}
  SharedSnapshot(std::optional<WidgetSnapshot> snapshot)  // NOLINT
      : shared_(snapshot ? std::make_shared<const WidgetSnapshot>(std::move(*snapshot)) : nullptr) {
  }

  bool has_value() const { return shared_ != nullptr; }
  explicit operator bool() const { return has_value(); }
  const WidgetSnapshot& operator*() const { return *shared_; }
  const WidgetSnapshot* operator->() const { return shared_.get(); }

  // Whether the two hold the very same snapshot (for tests of the memory saving).
  bool sharesWith(const SharedSnapshot& other) const { return shared_ && shared_ == other.shared_; }

  friend bool operator==(const SharedSnapshot& a, const SharedSnapshot& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || a.sharesWith(b) || *a == *b;
  }
  friend bool operator==(const SharedSnapshot& a, const WidgetSnapshot& b) { return a && *a == b; }
  friend bool operator==(const SharedSnapshot& a, const std::optional<WidgetSnapshot>& b) {
    return b ? a == *b : !a;
  }
  friend bool operator==(const SharedSnapshot& a, std::nullopt_t) { return !a; }

 private:
  std::shared_ptr<const WidgetSnapshot> shared_;
};

}  // namespace KestrunWidgetKit
