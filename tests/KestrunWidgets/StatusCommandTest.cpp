#include "KestrunWidgets/StatusCommand.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "Platform/Foundation/JSON.h"
#include "tests/KestrunWidgets/CommandLineTesting.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using KestrunWidgets::formatStatus;
using KestrunWidgets::StatusFormat;
using KestrunWidgets::summarize;
using Severity = WidgetSnapshot::Severity;

WidgetSnapshot sampleWith(const std::function<void(WidgetSnapshot&)>& change) {
  WidgetSnapshot s = WidgetSnapshot::sample();
  change(s);
  return s;
}

TEST(StatusLine, SumsUpTheSnapshotAsTheWidgetsWordIt) {
  const WidgetSnapshot& sample = WidgetSnapshot::sample();
  Foundation::ScopedClock clock(sample.updated + 60);
  struct Case {
    const char* what;
    std::optional<WidgetSnapshot> snapshot;
    std::string text;
    std::string severity;
  } cases[] = {
      {"the sample", sample, "Wi-Fi 4 ms · Memory 57% · 1 to check", "warning"},
      {"no router latency", sampleWith([](auto& s) { s.wifi->routerMs.reset(); }),
       "Wi-Fi Good · Memory 57% · 1 to check", "warning"},
      {"checked, not joined", sampleWith([](auto& s) { s.wifi.reset(); }),
       "Wi-Fi Offline · Memory 57% · 1 to check", "warning"},
      {"not checked", sampleWith([](auto& s) { s.wifi.reset(), s.wifiChecked = false; }),
       "Wi-Fi — · Memory 57% · 1 to check", "warning"},
      {"no memory", sampleWith([](auto& s) { s.memory.reset(); }),
       "Wi-Fi 4 ms · Memory — · 1 to check", "warning"},
      {"all clear",
       sampleWith([](auto& s) { s.attention.clear(), s.attentionTotal = s.toCheck = 0; }),
       "Wi-Fi 4 ms · Memory 57% · All clear", "info"},
      {"urgent", sampleWith([](auto& s) { s.urgent = 2; }),
       "Wi-Fi 4 ms · Memory 57% · 2 urgent · 1 to check", "critical"},
      {"FYI only",
       sampleWith([](auto& s) { s.attention.clear(), s.toCheck = 0, s.attentionTotal = 3; }),
       "Wi-Fi 4 ms · Memory 57% · 3 FYI", "info"},
      {"pressure outranks the items",
       sampleWith([](auto& s) { s.memory->pressure = Severity::critical; }),
       "Wi-Fi 4 ms · Memory 57% · 1 to check", "critical"},
      {"more used than installed",
       sampleWith([](auto& s) { s.memory->used = 3 * s.memory->physical; }),
       "Wi-Fi 4 ms · Memory 100% · 1 to check", "warning"},
      {"no snapshot", std::nullopt, "Open Kestrun", "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto summary = summarize(c.snapshot);
    EXPECT_EQ(summary.text, c.text);
    EXPECT_EQ(summary.severity, c.severity);
    EXPECT_EQ(formatStatus(summary, StatusFormat::text), c.text);
  }
  clock.set(sample.updated + 3 * 3600);
  EXPECT_EQ(summarize(sample).text, "Wi-Fi 4 ms · Memory 57% · 1 to check · Updated 3 hr. ago");
}

TEST(StatusLine, WaybarAndJsonCarryTheFieldsABarReads) {
  const WidgetSnapshot& sample = WidgetSnapshot::sample();
  Foundation::ScopedClock clock(sample.updated + 60);
  auto parse = [](const std::string& line) {
    EXPECT_EQ(line.find('\n'), std::string::npos) << "one line: " << line;
    auto document = Foundation::JSON::Document::parse(line);
    EXPECT_TRUE(document) << line;
    return document;
  };
  auto waybar = parse(formatStatus(summarize(sample), StatusFormat::waybar));
  auto root = waybar->root();
  EXPECT_EQ(root.member("text")->string(), "Wi-Fi 4 ms · Memory 57% · 1 to check");
  EXPECT_EQ(root.member("class")->string(), "warning");
  EXPECT_EQ(root.member("percentage")->int64(), 57);
  std::string tooltip(*root.member("tooltip")->string());
  EXPECT_NE(tooltip.find("Memory: Normal pressure, 18.4 GB of 32 GB\n"), std::string::npos)
      << tooltip;
  EXPECT_NE(tooltip.find("• 2 repos have commits not pushed"), std::string::npos) << tooltip;

  clock.set(sample.updated + 3600);
  auto stale = parse(formatStatus(summarize(sample), StatusFormat::waybar));
  auto classes = stale->root().member("class");
  ASSERT_EQ(classes->count(), 2u);
  std::vector<std::string> names;
  classes->forEachElement([&](std::size_t, auto v) { names.emplace_back(*v.string()); });
  EXPECT_EQ(names, (std::vector<std::string>{"warning", "stale"}));

  auto none = parse(formatStatus(summarize(std::nullopt), StatusFormat::waybar));
  EXPECT_EQ(none->root().member("class")->string(), "none");
  EXPECT_FALSE(none->root().member("percentage"));

  auto json = parse(formatStatus(summarize(sample), StatusFormat::json));
  EXPECT_EQ(json->root().member("severity")->string(), "warning");
  EXPECT_EQ(json->root().member("stale")->boolean(), true);
  EXPECT_EQ(json->root().member("memoryPercent")->int64(), 57);
  auto noMemory = parse(
      formatStatus(summarize(sampleWith([](auto& s) { s.memory.reset(); })), StatusFormat::json));
  EXPECT_TRUE(noMemory->root().member("memoryPercent")->isNull());
}

// Waybar reads text and tooltip as markup; a terminal reads the text line. Texts from the
// snapshot are neither: no tag, no entity, no control, no forged line, and bounded.
TEST(StatusLine, SnapshotTextsStayText) {
  const WidgetSnapshot& sample = WidgetSnapshot::sample();
  Foundation::ScopedClock clock(sample.updated + 60);
  WidgetSnapshot hostile = sampleWith([](auto& s) {
    s.wifi->ssid = "<b>Home</b> & \x1b[2J";
    s.attention[0].title = "<span size='99999'>x</span>\nforged line";
    s.attention[1].title = std::string(100000, 'x');
  });
  auto summary = summarize(hostile);
  for (const auto& line : summary.tooltip) EXPECT_LE(line.size(), 400u);
  auto document = Foundation::JSON::Document::parse(formatStatus(summary, StatusFormat::waybar));
  ASSERT_TRUE(document);
  std::string tooltip(*document->root().member("tooltip")->string());
  EXPECT_EQ(tooltip.find('<'), std::string::npos) << tooltip;
  EXPECT_EQ(tooltip.find('\x1b'), std::string::npos);
  EXPECT_NE(tooltip.find("&lt;b&gt;Home&lt;/b&gt; &amp; \\u001b[2J"), std::string::npos) << tooltip;
  EXPECT_NE(tooltip.find("&lt;span size=&#39;99999&#39;&gt;x&lt;/span&gt;\\u000aforged line"),
            std::string::npos)
      << tooltip;
}

TEST(StatusCommand, PrintsOneLineInTheFormatAsked) {
  TestSupport::ScopedWidgetContainer container;
  using CommandLineTesting::run;
  EXPECT_EQ(run({"status"}).out, "Open Kestrun\n");
  WidgetStore::write(WidgetSnapshot::sample());
  const std::string now = Foundation::formatRFC3339(WidgetSnapshot::sample().updated + 60);
  EXPECT_EQ(run({"--now", now, "status"}).out, "Wi-Fi 4 ms · Memory 57% · 1 to check\n");
  auto waybar = run({"status", "--now", now, "--format=waybar"});
  EXPECT_EQ(waybar.status, 0);
  EXPECT_EQ(waybar.out.rfind("{\"text\":\"Wi-Fi 4 ms · Memory 57% · 1 to check\",", 0), 0u)
      << waybar.out;
  EXPECT_EQ(run({"status", "--format", "xml"}).status, WidgetHost::ExitStatus::usage);
}

// The program itself, watching, with its output read line by line (never waiting past 10 s).
class Watcher {
 public:
  explicit Watcher(std::vector<std::string> args) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    args.insert(args.begin(), "kestrun-widgets");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    child_ = fork();
    if (child_ == 0) {
      dup2(out[1], 1);
      execv(KESTRUN_CLI, argv.data());
      _exit(127);
    }
    close(out[1]);
    fd_ = out[0];
  }
  ~Watcher() {
    if (child_ > 0) {
      kill(child_, SIGTERM);
      int status = 0;
      waitpid(child_, &status, 0);
    }
    if (fd_ >= 0) close(fd_);
  }

  std::optional<std::string> nextLine() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      if (auto end = pending_.find('\n'); end != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return line;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (fd_ < 0 || left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) return std::nullopt;
      char buffer[4096];
      ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) return std::nullopt;
      pending_.append(buffer, std::size_t(n));
    }
  }

 private:
  pid_t child_ = -1;
  int fd_ = -1;
  std::string pending_;
};

TEST(StatusCommand, WatchPrintsANewLineWhenTheFileIsReplaced) {
  TestSupport::ScopedWidgetContainer container;
  WidgetStore::write(WidgetSnapshot::sample());
  Watcher watcher({"status", "--watch"});
  auto first = watcher.nextLine();
  ASSERT_TRUE(first);
  EXPECT_NE(first->find("1 to check"), std::string::npos) << *first;

  WidgetStore::write(sampleWith([](auto& s) { s.urgent = 5; }));  // renamed over the old file
  auto second = watcher.nextLine();
  ASSERT_TRUE(second);
  EXPECT_NE(second->find("5 urgent · 1 to check"), std::string::npos) << *second;

  std::filesystem::remove(container.snapshotFile());
  auto third = watcher.nextLine();
  ASSERT_TRUE(third);
  EXPECT_EQ(*third, "Open Kestrun");
}

// Nothing is written when the snapshot turns stale: the watcher wakes for that moment itself.
TEST(StatusCommand, WatchPrintsANewLineWhenTheSnapshotTurnsStale) {
  TestSupport::ScopedWidgetContainer container;
  const WidgetSnapshot& sample = WidgetSnapshot::sample();
  WidgetStore::write(sample);
  Watcher watcher({"status", "--watch", "--format=waybar", "--now",
                   Foundation::formatRFC3339(sample.updated + WidgetSnapshot::staleAfter - 1)});
  auto fresh = watcher.nextLine();
  ASSERT_TRUE(fresh);
  EXPECT_NE(fresh->find("\"class\":\"warning\""), std::string::npos) << *fresh;
  auto stale = watcher.nextLine();
  ASSERT_TRUE(stale);
  EXPECT_NE(stale->find("\"class\":[\"warning\",\"stale\"]"), std::string::npos) << *stale;
  EXPECT_NE(stale->find("Updated 20 min. ago"), std::string::npos) << *stale;
}

}  // namespace
