#include "KestrunWidgetKit/WidgetSnapshot/WidgetLink.h"

#include <gtest/gtest.h>

// The kit's names used unqualified here.
namespace WidgetLink = KestrunWidgetKit::WidgetLink;

namespace {

// What the host application does with a link: take the path after "/", decode it once.
std::optional<std::string> sectionOf(const Foundation::URL& url) {
  if (url.scheme() != "kestrun" || url.host() != "open") return std::nullopt;
  std::string path = url.path();
  if (path.empty() || path[0] != '/') return std::nullopt;
  return Foundation::URL::percentDecode(path.substr(1));
}

TEST(WidgetLink, KnownSectionsReadAsWritten) {
  EXPECT_EQ(WidgetLink::open("home").absoluteString(), "kestrun://open/home");
  EXPECT_EQ(WidgetLink::open(WidgetLink::Section::ports).absoluteString(), "kestrun://open/ports");
  EXPECT_EQ(WidgetLink::open("").absoluteString(), "kestrun://open/");
  EXPECT_EQ(WidgetLink::open("dev servers").absoluteString(), "kestrun://open/dev%20servers");
  EXPECT_EQ(WidgetLink::speedTest().absoluteString(), "kestrun://speedtest");
  EXPECT_EQ(&WidgetLink::speedTest(), &WidgetLink::speedTest());
}

TEST(WidgetLink, EverySectionComesBackWholeAndStaysOneSegment) {
  const std::string sections[] = {
      "projects", "a/b", "../etc", "?q=1", "#top", "100%", "%2E%2E", ".", "..", "...",
      " lead", "new\nline", "tab\t", "caf\u00e9", "\u05e9\u05dc\u05d5\u05dd", "\U0001F600",
      "a+b&c=d;e", "[::1]", "@user:pass", std::string(10000, 'x'), std::string("nul\0in", 6),
  };
  for (const auto& section : sections) {
    Foundation::URL url = WidgetLink::open(section);
    const std::string& text = url.absoluteString();
    ASSERT_EQ(text.rfind("kestrun://open/", 0), 0u) << text;
    std::string encoded = text.substr(15);
    EXPECT_EQ(encoded.find_first_of("/?#"), std::string::npos) << text;
    EXPECT_NE(encoded, ".");
    EXPECT_NE(encoded, "..");
    EXPECT_TRUE(Foundation::URL::parse(text)) << text;
    EXPECT_EQ(sectionOf(url), section) << text;
  }
  EXPECT_EQ(WidgetLink::open("..").absoluteString(), "kestrun://open/%2E%2E");
}

}  // namespace
