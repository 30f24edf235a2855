#include "KestrunWidgetKit/WidgetViews/Formatting.h"

#include <cmath>

#include "Platform/Foundation/Formatters.h"
#include "Platform/Foundation/Localization.h"
#include "Platform/Foundation/StringFormat.h"

namespace {
constexpr double bytesPerGibibyte = 1073741824.0;  // 2^30
constexpr double bytesPerGigabyte = 1e9;
constexpr Foundation::TimeInterval justNowBelow = 90;
}  // namespace

std::string gigabytes(std::uint64_t bytes, int decimals, bool unit) {
  std::string text =
      Foundation::formatFixed(static_cast<double>(bytes) / bytesPerGibibyte, decimals);
  if (unit) text += " GB";
  return text;
}

std::string diskSize(std::int64_t bytes) {
  const double gb = static_cast<double>(bytes) / bytesPerGigabyte;
  if (gb >= 1000) return Foundation::format("%.1f TB", gb / 1000);
  // std::round takes halves away from zero, and below 1000 GB the result always fits; adding 0.0
  // turns the -0 of a small negative count into 0.
  return std::to_string(static_cast<std::int64_t>(std::round(gb) + 0.0)) + " GB";
}

std::string relative(Foundation::Date date) {
  const Foundation::Date now = Foundation::Clock::now();
  const Foundation::TimeInterval age = now.timeIntervalSince(date);
  // Written so that an age that is not a number also reads "just now" rather than a phrase
  // about a date that does not exist.
  if (!(age >= justNowBelow)) return Foundation::localizedString("just now");
  return Foundation::RelativeDateTimeFormatter(
             Foundation::RelativeDateTimeFormatter::Presentation::named,
             Foundation::RelativeDateTimeFormatter::UnitsStyle::abbreviated)
      .localizedString(date, now);
}

std::string isolatedDirection(std::string_view untrusted) {
  auto control = [](std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    if (i + 1 < s.size() && b(0) == 0xD8 && b(1) == 0x9C) return true;  // U+061C
    if (i + 2 >= s.size() || b(0) != 0xE2) return false;
    if (b(1) == 0x80) return b(2) == 0x8E || b(2) == 0x8F || (b(2) >= 0xAA && b(2) <= 0xAE);
    return b(1) == 0x81 && b(2) >= 0xA6 && b(2) <= 0xA9;  // U+2066..U+2069
  };
  for (std::size_t i = 0; i < untrusted.size(); ++i)
    if (control(untrusted, i)) return "\u200E\u2068" + std::string(untrusted) + "\u2069";
  return std::string(untrusted);
}

std::vector<VerdictPart> verdict(const WidgetSnapshot& snapshot) {
  using Kind = VerdictPart::Kind;
  if (snapshot.attentionTotal == 0) return {{Kind::clear, "All clear"}};
  std::vector<VerdictPart> parts;
  if (snapshot.urgent >= 1)
    parts.push_back({Kind::urgent, std::to_string(snapshot.urgent) + " urgent"});
  if (snapshot.toCheck >= 1)
    parts.push_back({Kind::toCheck, std::to_string(snapshot.toCheck) + " to check"});
  // "Neither counter says anything" rather than urgent + toCheck == 0: the same for any counts
  // the host application writes, but a sum could overflow, and a negative counter must neither
  // hide every part nor show the FYI part beside a to-check one.
  if (snapshot.urgent < 1 && snapshot.toCheck < 1)
    parts.push_back({Kind::fyi, std::to_string(snapshot.attentionTotal) + " FYI"});
  return parts;
}
