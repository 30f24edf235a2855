#include "KestrunProbe/DeepLinks.h"

#include <gtest/gtest.h>

#include "KestrunProbe/Commands.h"
#include "KestrunProbe/ProbeText.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetLink.h"

// The kit's names used unqualified here.
namespace WidgetLink = KestrunWidgetKit::WidgetLink;

using namespace Probe;

TEST(ProbeDeepLinks, LinksAndTheirSections) {
  struct Case {
    const char* url;
    std::optional<std::string> section;  // none: the speed test
  };
  const Case accepted[] = {
      {"kestrun://speedtest", std::nullopt},
      {"KESTRUN://speedtest", std::nullopt},
      {"kestrun://open/wifi", "wifi"},
      {"kestrun://open/", ""},
      {"kestrun://open/my%20section", "my section"},
      {"kestrun://open/a%2Fb", "a/b"},
      {"kestrun://open/%2577ifi", "%77ifi"},  // decoded once, never twice
      {"kestrun://open/%2E%2E", ".."},
      {"kestrun://open/caf%C3%A9", "caf\xC3\xA9"},
  };
  for (const auto& c : accepted) {
    std::string why;
    auto link = parseDeepLink(c.url, &why);
    ASSERT_TRUE(link) << c.url << ": " << why;
    if (!c.section) {
      EXPECT_TRUE(std::holds_alternative<SpeedTestLink>(*link)) << c.url;
    } else {
      ASSERT_TRUE(std::holds_alternative<OpenLink>(*link)) << c.url;
      EXPECT_EQ(std::get<OpenLink>(*link).section, *c.section) << c.url;
    }
  }
  const char* rejected[] = {"http://open/wifi",
                            "kestrun://open/a/b",
                            "kestrun://open",
                            "kestrun://close/wifi",
                            "kestrun://open/%zz",
                            "kestrun://speedtest/now",
                            "kestrun://open/wifi?x=1",
                            "kestrun://open/wifi#x",
                            "kestrun://open/a b",
                            "not a url",
                            ""};
  for (const char* url : rejected) {
    std::string why;
    EXPECT_FALSE(parseDeepLink(url, &why)) << url;
    EXPECT_FALSE(why.empty()) << url;
  }
}

TEST(ProbeDeepLinks, EverySectionTheKitEncodesComesBackWhole) {
  for (std::string section : {"home", "wifi", "memory", "sweep", "ports", "projects", "a b/c%d",
                              ".", "..", "\xC3\xA9t\xC3\xA9", "$(reboot)", "; rm -rf ~"}) {
    auto link = parseDeepLink(WidgetLink::open(section).absoluteString(), nullptr);
    ASSERT_TRUE(link) << section;
    ASSERT_TRUE(std::holds_alternative<OpenLink>(*link));
    EXPECT_EQ(std::get<OpenLink>(*link).section, section);
  }
  EXPECT_TRUE(std::holds_alternative<SpeedTestLink>(
      *parseDeepLink(WidgetLink::speedTest().absoluteString(), nullptr)));
}

TEST(ProbeDeepLinks, ConfiguredCommandsWinAndUnknownSectionsHaveNone) {
  Config config;
  config.links["memory"] = {"htop"};
  config.links["$(reboot)"] = {"true"};
  LinkContext context{"/usr/bin/kestrun-probe", std::filesystem::path("/home/u/.cache"),
                      std::filesystem::path("/home/u/src")};
  EXPECT_EQ(commandForSection("memory", config, context), (Command{"htop"}));
  EXPECT_EQ(commandForSection("$(reboot)", config, context), (Command{"true"}));
  EXPECT_EQ(commandForSection("sweep", config, context), (Command{"xdg-open", "/home/u/.cache"}));
  EXPECT_EQ(commandForSection("projects", config, context), (Command{"xdg-open", "/home/u/src"}));
  EXPECT_EQ(commandForSection("ports", config, context),
            (Command{"x-terminal-emulator", "-e", "/usr/bin/kestrun-probe", "ports", "--wait"}));
  EXPECT_EQ(commandForSection("home", config, context),
            (Command{"/usr/bin/kestrun-probe", "gallery"}));
  for (const char* unknown : {"Memory", "memory ", "nothing", "", "%6Demory"})
    EXPECT_FALSE(commandForSection(unknown, config, context)) << unknown;
  LinkContext bare{"/usr/bin/kestrun-probe", std::nullopt, std::nullopt};
  EXPECT_FALSE(commandForSection("projects", Config{}, bare));
}

TEST(ProbeText, DisplayTextKeepsUtf8AndReplacesEverythingElse) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},
      {"caf\xC3\xA9 \xF0\x9F\x93\xB6", "caf\xC3\xA9 \xF0\x9F\x93\xB6"},
      {"a\nb\tc\x7F",
       "a\xEF\xBF\xBD"
       "b\xEF\xBF\xBD"
       "c\xEF\xBF\xBD"},
      {"\x1b[31m", "\xEF\xBF\xBD[31m"},
      {"\xC2\x9B"
       "x",
       "\xEF\xBF\xBDx"},  // C1 control (CSI)
      {"\xFF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // surrogate
      {"\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // cut short
      {std::string("a\0b", 3),
       "a\xEF\xBF\xBD"
       "b"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(displayText(in), out);
}

TEST(ProbeCommands, SpeedTestOutput) {
  Foundation::Date at{1000};
  auto result = parseSpeedTest("236.4 41.6\nserver: somewhere\n", at);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->downloadMbps, 236);
  EXPECT_EQ(result->uploadMbps, 42);
  EXPECT_EQ(result->date, at);
  EXPECT_TRUE(parseSpeedTest("  100\t20\r\n", at));
  for (const char* bad :
       {"", "100", "100 20 3", "fast slow", "-1 5", "inf 5", "1e300 5", "\n100 20"})
    EXPECT_FALSE(parseSpeedTest(bad, at)) << bad;
}

TEST(ProbeCommands, CapturingRunsArgvWithoutAShell) {
  std::string why;
  auto out = runCapturing({"printf", "%s|", "$(echo no)", "a b"}, std::chrono::seconds(5), &why);
  ASSERT_TRUE(out) << why;
  EXPECT_EQ(*out, "$(echo no)|a b|");
  EXPECT_FALSE(runCapturing({"false"}, std::chrono::seconds(5), &why));
  EXPECT_NE(why.find("status 1"), std::string::npos) << why;
  EXPECT_FALSE(runCapturing({"/nonexistent/program"}, std::chrono::seconds(5), &why));
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(runCapturing({"sleep", "10"}, std::chrono::milliseconds(200), &why));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_NE(why.find("no result"), std::string::npos) << why;
}

TEST(ProbeCommands, ProgramsAreFoundOnThePath) {
  EXPECT_TRUE(canRun({"sh"}));
  EXPECT_TRUE(canRun({"/bin/sh", "-c"}));
  EXPECT_FALSE(canRun({"surely-no-such-program-here"}));
  EXPECT_FALSE(canRun({}));
  EXPECT_FALSE(canRun({"/etc/passwd"}));
}
