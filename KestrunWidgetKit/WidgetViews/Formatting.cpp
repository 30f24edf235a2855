#include "KestrunWidgetKit/WidgetViews/Formatting.h"

#include <cmath>

#include "Platform/Foundation/Formatters.h"
#include "Platform/Foundation/Localization.h"
#include "Platform/Foundation/StringFormat.h"
#include "Platform/Foundation/Text.h"

namespace KestrunWidgetKit {

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

std::string snapshotText(std::string_view untrusted) {
  const std::string_view shown = Foundation::graphemePrefix(untrusted, shownCharacters, shownBytes);
  std::string out;
  out.reserve(shown.size() + 9);
  out += "\u2068";
  out += shown;
  if (shown.size() < untrusted.size()) out += "\u2026";
  out += "\u2069";
  return out;
}

std::string snapshotSymbol(std::string_view untrusted) {
  constexpr std::size_t longestSymbolName = 256;
  return std::string(Foundation::graphemePrefix(untrusted, longestSymbolName, longestSymbolName));
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

}  // namespace KestrunWidgetKit
