// The installed program end to end, in a home directory of its own.
#include <arpa/inet.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include <gtest/gtest.h>

#include "KestrunProbe/Commands.h"
#include "KestrunProbe/Memory.h"
#include "KestrunProbe/ProbeText.h"
#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "tests/KestrunProbe/ProbeTesting.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::decodeSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

using namespace Probe;
using TestSupport::writeFile;

namespace {

struct Outcome {
  bool ok;
  std::string out;  // standard output, or the reason it failed
};

Outcome probe(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), KESTRUN_PROBE);
  std::string why;
  auto out = runCapturing(arguments, std::chrono::seconds(30), &why);
  return out ? Outcome{true, *out} : Outcome{false, why};
}

class ProbeCommandLine : public ::testing::Test {
 protected:
  ProbeCommandLine()
      : home_(git_.home().path().string()),
        cache_((git_.home() / "cache").string()),
        config_((git_.home() / "config").string()),
        environment_{{"HOME", home_.c_str()},
                     {"XDG_CACHE_HOME", cache_.c_str()},
                     {"XDG_CONFIG_HOME", config_.c_str()},
                     {"XDG_RUNTIME_DIR", nullptr},
                     {"DOCKER_HOST", nullptr},
                     {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"}} {}

  void configure(const std::string& text) {
    writeFile(git_.home() / "config/kestrun-probe/probe.ini",
              "[Projects]\nRoots=" + (git_.home() / "src").string() + "\n" + text);
  }

  ProbeTesting::GitEnvironment git_;
  std::string home_, cache_, config_;
  TestSupport::ScopedEnvironment environment_;
};

}  // namespace

TEST_F(ProbeCommandLine, OncePrintsWhatTheWidgetsDecoderReadsWithThisMachinesFigures) {
  git_.project(git_.home() / "src/kestrun", 1, 2);
  configure("");
  // A test server of this user, listening on loopback only.
  int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(server, 1), 0);

  auto outcome = probe({"once", "--print"});
  ::close(server);
  ASSERT_TRUE(outcome.ok) << outcome.out;
  std::string diagnosis;
  auto snapshot = decodeSnapshot(outcome.out, &diagnosis);
  ASSERT_TRUE(snapshot) << diagnosis;

  auto meminfo = parseMeminfo(*readSystemFile("/proc/meminfo"));
  ASSERT_TRUE(snapshot->memory);
  EXPECT_EQ(snapshot->memory->physical, meminfo.at("MemTotal"));
  EXPECT_NEAR(static_cast<double>(snapshot->memory->used),
              static_cast<double>(meminfo.at("MemTotal") - meminfo.at("MemAvailable")),
              256.0 * 1024 * 1024);
  struct statvfs root {};
  ASSERT_EQ(::statvfs("/", &root), 0);
  ASSERT_TRUE(snapshot->disk);
  EXPECT_EQ(snapshot->disk->total, static_cast<std::int64_t>(root.f_blocks * root.f_frsize));
  EXPECT_NEAR(static_cast<double>(snapshot->disk->free),
              static_cast<double>(root.f_bavail * root.f_frsize), 256.0 * 1024 * 1024);
  EXPECT_TRUE(snapshot->wifiChecked);
  EXPECT_FALSE(snapshot->wifi);
  EXPECT_GE(snapshot->devRunning, 1);
  bool found = false;
  for (const auto& item : snapshot->attention)
    if (item.id == "repos-unpushed") {
      found = true;
      EXPECT_EQ(item.title, "1 repo has commits not pushed");
      EXPECT_EQ(item.detail, "kestrun (\u21912)");
    }
  EXPECT_TRUE(found) << outcome.out;
}

TEST_F(ProbeCommandLine, OnceStoresThroughTheKitAndCarriesTheLastSpeedTest) {
  TestSupport::ScopedWidgetContainer container;
  configure("[SpeedTest]\nCommand=printf \"50.4 10.6\\n\"\n");
  auto stored = probe({"once"});
  ASSERT_TRUE(stored.ok) << stored.out;
  EXPECT_EQ(stored.out, container.snapshotFile().string() + "\n");
  auto first = WidgetStore::read();
  ASSERT_TRUE(first);
  EXPECT_FALSE(first->speedTest);

  ASSERT_TRUE(probe({"open", "kestrun://speedtest"}).ok);
  auto tested = WidgetStore::read();
  ASSERT_TRUE(tested && tested->speedTest);
  EXPECT_EQ(tested->speedTest->downloadMbps, 50);
  EXPECT_EQ(tested->speedTest->uploadMbps, 11);
  // Too soon for another, and a plain round keeps the result.
  auto again = probe({"open", "kestrun://speedtest"});
  EXPECT_FALSE(again.ok);
  ASSERT_TRUE(probe({"once"}).ok);
  auto carried = WidgetStore::read();
  ASSERT_TRUE(carried);
  EXPECT_EQ(carried->speedTest, tested->speedTest);
}

TEST_F(ProbeCommandLine, LinksRunTheirConfiguredCommandsAndUnknownSectionsFail) {
  auto marker = git_.home() / "opened";
  configure("[Links]\nmy section=touch \"" + marker.string() + "\"\n");
  ASSERT_TRUE(probe({"open", "kestrun://open/my%20section"}).ok);
  for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(std::filesystem::exists(marker));

  for (const char* link : {"kestrun://open/My%20section", "kestrun://open/nothing",
                           "kestrun://elsewhere", "https://example.invalid/"}) {
    auto outcome = probe({"open", link});
    EXPECT_FALSE(outcome.ok) << link;
    EXPECT_NE(outcome.out.find("status 1"), std::string::npos) << link << ": " << outcome.out;
  }
  EXPECT_FALSE(probe({"open", "kestrun://speedtest"}).ok);  // no speed test configured
}

TEST_F(ProbeCommandLine, UsageErrorsAndHelp) {
  for (std::vector<std::string> bad : {std::vector<std::string>{},
                                       {"measure"},
                                       {"once", "--bogus"},
                                       {"once", "extra"},
                                       {"open"},
                                       {"open", "a", "b"},
                                       {"once", "--config"}}) {
    auto outcome = probe(bad);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.out.find("status 64"), std::string::npos) << outcome.out;
  }
  auto help = probe({"--help"});
  ASSERT_TRUE(help.ok);
  EXPECT_NE(help.out.find("\n  once "), std::string::npos);
}

TEST_F(ProbeCommandLine, RunStoresAtOnceAndAgainInALaterRound) {
  TestSupport::ScopedWidgetContainer container;
  configure("[Probe]\nInterval=1\nRefresh=1\n");
  char program[] = KESTRUN_PROBE, command[] = "run";
  char* argv[] = {program, command, nullptr};
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, program, nullptr, nullptr, argv, environ), 0);
  auto updatedWithin =
      [&](std::chrono::seconds limit,
          std::optional<Foundation::Date> after) -> std::optional<Foundation::Date> {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      if (auto stored = WidgetStore::read(); stored && (!after || stored->updated > *after))
        return stored->updated;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
  };
  auto first = updatedWithin(std::chrono::seconds(10), std::nullopt);
  auto second = first ? updatedWithin(std::chrono::seconds(10), first) : std::nullopt;
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(first);
  // A changed figure or the refresh due every second: either way a later round stores again.
  EXPECT_TRUE(second);
}
