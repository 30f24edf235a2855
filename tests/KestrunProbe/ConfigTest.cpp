#include "KestrunProbe/Config.h"

#include <gtest/gtest.h>

#include "tests/Support/TestSupport.h"

using namespace Probe;
using TestSupport::TemporaryDirectory;
using TestSupport::writeFile;

namespace {

Config load(std::string_view text, std::vector<std::string>& messages) {
  TemporaryDirectory directory;
  writeFile(directory / "probe.ini", text);
  return loadConfig(directory / "probe.ini", messages);
}

}  // namespace

TEST(ProbeConfig, MissingFileIsTheDefaultsWithoutAMessage) {
  std::vector<std::string> messages;
  Config config = loadConfig("/nonexistent/probe.ini", messages);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(config.interval, 60);
  EXPECT_EQ(config.refresh, 300);
  EXPECT_FALSE(config.roots);
  EXPECT_FALSE(config.speedTestCommand);
}

TEST(ProbeConfig, ReadsEveryKey) {
  TestSupport::ScopedEnvironment home{{"HOME", "/home/tester"}};
  std::vector<std::string> messages;
  Config config = load(
      "[Probe]\nInterval=30\nRefresh=600\n"
      "[Projects]\nRoots=~/src;/srv/code\nDepth=2\n"
      "[Network]\nInternetHost=127.0.0.1\n"
      "[SpeedTest]\nCommand=/opt/speed \"two words\" --plain\nMinimumInterval=60\n"
      "[Links]\nmemory=htop --tree\nmy section=foo\n",
      messages);
  EXPECT_TRUE(messages.empty()) << messages.front();
  EXPECT_EQ(config.interval, 30);
  EXPECT_EQ(config.refresh, 600);
  ASSERT_TRUE(config.roots);
  EXPECT_EQ(*config.roots, (std::vector<std::filesystem::path>{"/home/tester/src", "/srv/code"}));
  EXPECT_EQ(config.repositoryDepth, 2);
  EXPECT_EQ(config.internetHost, "127.0.0.1");
  EXPECT_EQ(config.speedTestCommand, (Command{"/opt/speed", "two words", "--plain"}));
  EXPECT_EQ(config.speedTestMinimumInterval, 60);
  EXPECT_EQ(config.links.at("memory"), (Command{"htop", "--tree"}));
  EXPECT_EQ(config.links.at("my section"), (Command{"foo"}));
}

TEST(ProbeConfig, EachInvalidValueKeepsItsDefaultWithOneMessage) {
  struct Case {
    const char* text;
    const char* mentions;
  };
  const Case cases[] = {
      {"[Probe]\nInterval=soon\n", "[Probe] Interval"},
      {"[Probe]\nInterval=0\n", "outside"},
      {"[Probe]\nInterval=100000\n", "outside"},
      {"[Probe]\nRefresh=-5\n", "[Probe] Refresh"},
      {"[Projects]\nDepth=99\n", "[Projects] Depth"},
      {"[SpeedTest]\nCommand=\"unclosed\n", "[SpeedTest] Command"},
      {"[Links]\nwifi=\n", "[Links] wifi"},
      {"[Projects]\nRoots=relative/dir\n", "not an absolute path"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> messages;
    Config config = load(c.text, messages);
    ASSERT_EQ(messages.size(), 1u) << c.text;
    EXPECT_NE(messages[0].find(c.mentions), std::string::npos) << messages[0];
    EXPECT_EQ(config.interval, 60) << c.text;
    EXPECT_EQ(config.repositoryDepth, 3) << c.text;
    EXPECT_FALSE(config.speedTestCommand) << c.text;
    EXPECT_EQ(config.links.count("wifi"), 0u) << c.text;
  }
}

TEST(ProbeConfig, RefreshShorterThanTheIntervalBecomesTheInterval) {
  std::vector<std::string> messages;
  Config config = load("[Probe]\nInterval=120\nRefresh=60\n", messages);
  EXPECT_EQ(config.refresh, 120);
  EXPECT_EQ(messages.size(), 1u);
}

TEST(ProbeConfig, UnreadableFileIsReportedAndTheDefaultsKept) {
  std::vector<std::string> messages;
  Config config = load("this is not a key file\n", messages);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("using the defaults"), std::string::npos);
  EXPECT_EQ(config.interval, 60);
}

TEST(ProbeConfig, MessagesCarryNoControlCharacters) {
  std::vector<std::string> messages;
  load("[Links]\n\x1b[31mred=\"\n", messages);
  ASSERT_FALSE(messages.empty());
  for (const auto& message : messages)
    EXPECT_EQ(message.find('\x1b'), std::string::npos) << message;
}

TEST(ProbeConfig, XdgDirectoriesIgnoreRelativeValues) {
  TestSupport::ScopedEnvironment environment{{"HOME", "/home/tester"},
                                             {"XDG_CONFIG_HOME", "relative"},
                                             {"XDG_CACHE_HOME", "/var/cache/t"}};
  EXPECT_EQ(defaultConfigFile(),
            std::filesystem::path("/home/tester/.config/kestrun-probe/probe.ini"));
  EXPECT_EQ(cacheHome(), std::filesystem::path("/var/cache/t"));
  TestSupport::ScopedEnvironment noHome{{"HOME", nullptr}, {"XDG_CONFIG_HOME", nullptr}};
  EXPECT_FALSE(defaultConfigFile());
}

TEST(ProbeConfig, DefaultRootsAreTheExistingOnesOfTheUsualFive) {
  TemporaryDirectory home;
  std::filesystem::create_directories(home / "code");
  std::filesystem::create_directories(home / "git");
  writeFile(home / "src", "a file, not a directory");
  TestSupport::ScopedEnvironment environment{{"HOME", home.path().c_str()}};
  EXPECT_EQ(projectRoots(Config{}),
            (std::vector<std::filesystem::path>{home / "code", home / "git"}));
  Config configured;
  configured.roots = std::vector<std::filesystem::path>{"/elsewhere"};
  EXPECT_EQ(projectRoots(configured), *configured.roots);
}
