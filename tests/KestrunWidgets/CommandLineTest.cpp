#include "KestrunWidgets/CommandLine.h"

#include <gtest/gtest.h>

#include "tests/KestrunWidgets/CommandLineTesting.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::decodeSnapshot;
using KestrunWidgetKit::encodeSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using CommandLineTesting::Outcome;
using CommandLineTesting::run;

const std::string document =
    R"({"toCheck":0,"urgent":0,"attentionTotal":0,"attention":[],"devRunning":0,)"
    R"("wifiChecked":false,"updated":"2026-03-01T10:00:00.5Z","unknown":[1,2]})";
const std::string reencoded =
    R"({"updated":"2026-03-01T10:00:00Z","wifiChecked":false,"devRunning":0,"attention":[],)"
    R"("attentionTotal":0,"urgent":0,"toCheck":0})";

TEST(CommandLine, DecodeReencodesOrNamesThePathAndReason) {
  TestSupport::TemporaryDirectory dir;
  TestSupport::writeFile(dir / "good.json", document);
  TestSupport::writeFile(dir / "bad.json",
                         R"({"updated":"2026-03-01T10:00:00Z","attention":[{"tint":"Blue"}]})");

  EXPECT_EQ(run({"decode", (dir / "good.json").string()}).out, reencoded + "\n");
  Outcome fromStdin = run({"decode", "-"}, document);
  EXPECT_EQ(fromStdin.status, 0);
  EXPECT_EQ(fromStdin.out, reencoded + "\n");

  Outcome bad = run({"decode", (dir / "bad.json").string()});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err, "wifiChecked: missing\n");
  Outcome missing = run({"decode", (dir / "none.json").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, (dir / "none.json").string() + ": no such file\n");
  EXPECT_EQ(run({"decode"}).status, WidgetHost::ExitStatus::usage);
  EXPECT_EQ(run({"decode", "a", "b"}).status, WidgetHost::ExitStatus::usage);
}

TEST(CommandLine, WriteStoresThroughTheStoreOrSaysWhyNot) {
  {
    TestSupport::ScopedWidgetContainer container;
    Outcome ok = run({"write", "-"}, document);
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out, container.snapshotFile().string() + "\n");
    EXPECT_EQ(TestSupport::readFile(container.snapshotFile()), reencoded);

    Outcome unreadable = run({"write", "-"}, "{}");
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err, "updated: missing\n");
    EXPECT_EQ(TestSupport::readFile(container.snapshotFile()), reencoded);

    std::filesystem::remove(container.snapshotFile());
    std::filesystem::create_directory(container.snapshotFile());  // rename over it must fail
    Outcome refused = run({"write", "-"}, document);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("kestrun-widgets write: "), std::string::npos);
  }
  {
    TestSupport::ScopedWidgetContainer noGroup("");
    Outcome r = run({"write", "-"}, document);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("No group identifier"), std::string::npos) << r.err;
  }
  {
    TestSupport::ScopedWidgetContainer container;
    TestSupport::ScopedEnvironment noHome{{"XDG_DATA_HOME", nullptr}, {"HOME", nullptr}};
    Outcome r = run({"write", "-"}, document);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("No container"), std::string::npos) << r.err;
  }
}

TEST(CommandLine, WriteOfADocumentTooLargeForAnyReaderFailsWithStatusOne) {
  TestSupport::ScopedWidgetContainer container;
  ASSERT_EQ(run({"write", "-"}, document).status, 0);
  // Numbers written with an exponent grow when re-encoded: a document just under the cap can
  // encode past it.
  std::string large = reencoded;
  for (const char* name :
       {"\"devRunning\":0", "\"attentionTotal\":0", "\"urgent\":0", "\"toCheck\":0"})
    large.replace(large.find(name), std::strlen(name),
                  std::string(name, std::strlen(name) - 1) + "1e18");
  std::string item =
      R"({"id":"a","title":"","detail":"","severity":0,"section":"s","symbol":"s","tint":"red"})";
  item.insert(item.find("\"title\":\"") + 9,
              WidgetStore::maximumFileSize - large.size() - item.size() - 10, 't');
  large.replace(large.find("\"attention\":[]"), 14, "\"attention\":[" + item + "]");
  ASSERT_LE(large.size(), WidgetStore::maximumFileSize);
  ASSERT_GT(encodeSnapshot(*decodeSnapshot(large)).size(), WidgetStore::maximumFileSize);
  Outcome tooLarge = run({"write", "-"}, large);
  EXPECT_EQ(tooLarge.status, 1);
  EXPECT_NE(tooLarge.err.find("larger than the 16777216 bytes a reader accepts"), std::string::npos)
      << tooLarge.err;
  EXPECT_EQ(TestSupport::readFile(container.snapshotFile()), reencoded);
}

TEST(CommandLine, ProviderAnswersAsJSONUnderAReplacedClock) {
  TestSupport::ScopedWidgetContainer container;
  Outcome t = run({"timeline", "--now", "2026-12-09T10:00:00Z"});
  EXPECT_EQ(t.status, 0);
  std::string expected = "{\"entries\":[";
  for (int minute = 0; minute <= 30; minute += 5) {
    if (minute) expected += ",";
    expected += "{\"date\":\"2026-12-09T10:" + std::string(minute < 10 ? "0" : "") +
                std::to_string(minute) + ":00Z\",\"snapshot\":null}";
  }
  EXPECT_EQ(t.out, expected + "],\"policy\":\"atEnd\"}\n");

  EXPECT_EQ(run({"--now=2026-12-09T10:00:00Z", "snapshot"}).out,
            "{\"date\":\"2026-12-09T10:00:00Z\",\"snapshot\":null}\n");
  Outcome preview = run({"snapshot", "--preview"});
  EXPECT_NE(preview.out.find("\"ssid\":\"Home\""), std::string::npos);
  EXPECT_EQ(run({"placeholder"}).out.find("\"snapshot\":{\"updated\":"), 31u);

  WidgetStore::write(*decodeSnapshot(document));
  EXPECT_EQ(run({"snapshot", "--now", "2026-12-09T10:00:00Z"}).out,
            "{\"date\":\"2026-12-09T10:00:00Z\",\"snapshot\":" + reencoded + "}\n");
  EXPECT_EQ(run({"--now", "yesterday", "timeline"}).status, WidgetHost::ExitStatus::usage);
}

// A document whose date lies outside the writable years is unreadable to every command, and no
// command ends in an abort: each answers as for any other unreadable file.
TEST(CommandLine, DatesOutsideTheWritableYearsNeverReachTheEncoder) {
  TestSupport::ScopedWidgetContainer container;
  for (const char* date : {"0000-01-01T00:00:00+00:01", "9999-12-31T23:30:00-01:00"}) {
    std::string bad = document;
    bad.replace(bad.find("2026-03-01T10:00:00.5Z"), 22, date);
    TestSupport::writeFile(container.snapshotFile(), bad);
    EXPECT_EQ(run({"where"}).status, 1) << date;
    EXPECT_EQ(run({"decode", container.snapshotFile().string()}).status, 1) << date;
    EXPECT_EQ(run({"write", "-"}, bad).status, 1) << date;
    EXPECT_EQ(run({"timeline"}).out.find("\"snapshot\":null"), 43u) << date;
    EXPECT_EQ(run({"snapshot"}).status, 0) << date;
    EXPECT_NE(run({"snapshot", "--preview"}).out.find("\"ssid\":\"Home\""), std::string::npos);
  }
  EXPECT_EQ(run({"--now", "9999-12-31T23:30:00-01:00", "timeline"}).status,
            WidgetHost::ExitStatus::usage);
  EXPECT_EQ(run({"--now", "0000-01-01T00:00:00+00:01", "snapshot"}).status,
            WidgetHost::ExitStatus::usage);
  // Near the end of the year 9999 the timeline stops early instead of repeating a clamped date.
  Outcome late = run({"--now", "9999-12-31T23:50:00Z", "timeline"});
  EXPECT_EQ(late.status, 0);
  EXPECT_EQ(late.out,
            "{\"entries\":[{\"date\":\"9999-12-31T23:50:00Z\",\"snapshot\":null},"
            "{\"date\":\"9999-12-31T23:55:00Z\",\"snapshot\":null}],"
            "\"policy\":\"atEnd\"}\n");
}

// Whatever a command throws ends as one line on stderr and a documented status, never an abort.
TEST(CommandLine, AnythingThrownBecomesOneLineAndAStatus) {
  auto outcome = [](std::function<void()> fault) {
    std::vector<WidgetHost::Command> commands{
        {"fail", "", "Fails.", {}, [fault](const WidgetHost::Arguments&, WidgetHost::CommandIO&) {
           fault();
           return 0;
         }}};
    const char* argv[] = {"kestrun-widgets", "fail"};
    std::ostringstream out, err;
    std::istringstream in;
    int status = WidgetHost::runCommandLine("kestrun-widgets", 2, argv, commands, {out, err, in});
    return Outcome{status, out.str(), err.str()};
  };
  Outcome system = outcome([] {
    throw std::system_error(std::make_error_code(std::errc::no_space_on_device), "write 'x'");
  });
  EXPECT_EQ(system.status, WidgetHost::ExitStatus::platformError);
  EXPECT_EQ(system.err, "kestrun-widgets fail: write 'x': No space left on device\n");
  Outcome runtime = outcome([] { throw std::runtime_error("cairo: out of memory"); });
  EXPECT_EQ(runtime.status, WidgetHost::ExitStatus::internalError);
  EXPECT_EQ(runtime.err, "kestrun-widgets fail: internal error: cairo: out of memory\n");
  Outcome other = outcome([] { throw 7; });
  EXPECT_EQ(other.status, WidgetHost::ExitStatus::internalError);
  EXPECT_EQ(std::count(other.err.begin(), other.err.end(), '\n'), 1);
}

// Names and values from the file or the environment never reach the terminal raw: no escape
// sequence, no forged line.
TEST(CommandLine, TerminalControlsFromFilesAndTheEnvironmentArePrintedEscaped) {
  auto raw = [](const std::string& text) {
    for (char c : text)
      if (c == '\x1b' || c == '\x07' || c == '\r') return true;
    return false;
  };
  TestSupport::ScopedWidgetContainer container;
  std::string hostile = document;
  const std::string name = R"(\u001b]0;title\u0007\u001b[2J\nforged: yes\u202e)";
  hostile.replace(hostile.find("\"unknown\""), 9, "\"" + name + "\":1,\"" + name + "\"");
  TestSupport::writeFile(container.snapshotFile(), hostile);
  Outcome decoded = run({"decode", container.snapshotFile().string()});
  EXPECT_EQ(decoded.status, 1);
  EXPECT_EQ(decoded.err,
            "(root): member \"\\u001b]0;title\\u0007\\u001b[2J\\u000aforged: yes\\u202e\" appears "
            "twice\n");
  Outcome where = run({"where"});
  EXPECT_FALSE(raw(where.out)) << where.out;
  EXPECT_EQ(std::count(where.out.begin(), where.out.end(), '\n'), 5) << where.out;
  EXPECT_NE(where.out.find("\\u001b]0;title"), std::string::npos);

  TestSupport::ScopedWidgetContainer escaped("<string>group.\x1b[2Jx</string>");
  Outcome group = run({"where"});
  EXPECT_FALSE(raw(group.out)) << group.out;
  EXPECT_NE(group.out.find("group: group.\\u001b[2Jx\n"), std::string::npos) << group.out;
  TestSupport::ScopedEnvironment home{{"XDG_DATA_HOME", "/tmp/\x1b]0;x\x07"}};
  EXPECT_FALSE(raw(run({"where"}).out));
}

// As the exit-status table says: 3 when there is no group identifier or no container.
TEST(CommandLine, WhereWithoutAGroupOrAContainerExitsThree) {
  {
    TestSupport::ScopedWidgetContainer noGroup("");
    Outcome where = run({"where"});
    EXPECT_EQ(where.status, WidgetHost::ExitStatus::notConfigured) << where.out;
    EXPECT_NE(where.out.find("file: none\n"), std::string::npos);
  }
  TestSupport::ScopedWidgetContainer container;
  TestSupport::ScopedEnvironment noHome{{"XDG_DATA_HOME", nullptr}, {"HOME", nullptr}};
  EXPECT_EQ(run({"where"}).status, WidgetHost::ExitStatus::notConfigured);
}

TEST(CommandLine, WhereTellsEachLinkOfTheChain) {
  TestSupport::ScopedWidgetContainer container;
  Outcome missing = run({"where"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("group: group.test\n"), std::string::npos);
  EXPECT_NE(missing.out.find("file: " + container.snapshotFile().string() + "\n"),
            std::string::npos);
  EXPECT_NE(missing.out.find("readable: no: no such file\n"), std::string::npos) << missing.out;

  TestSupport::writeFile(container.snapshotFile(), R"({"updated":"2026-13-01T00:00:00Z"})");
  EXPECT_NE(run({"where"}).out.find(
                "readable: no: updated: \"2026-13-01T00:00:00Z\" is not an RFC 3339 date"),
            std::string::npos);
  TestSupport::writeFile(container.snapshotFile(), document);
  Outcome ok = run({"where"});
  EXPECT_EQ(ok.status, 0);
  EXPECT_NE(ok.out.find("readable: yes\n"), std::string::npos);
}

TEST(CommandLine, HelpAndUsage) {
  Outcome help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* name :
       {"decode", "write", "sample", "where", "placeholder", "snapshot", "timeline"})
    EXPECT_NE(help.out.find(std::string("  ") + name), std::string::npos) << name;
  EXPECT_EQ(run({"timeline", "--help"}).status, 0);
  EXPECT_EQ(run({}).status, WidgetHost::ExitStatus::usage);
  EXPECT_EQ(run({"frobnicate"}).status, WidgetHost::ExitStatus::usage);
  EXPECT_EQ(run({"sample", "extra"}).status, WidgetHost::ExitStatus::usage);
  EXPECT_TRUE(decodeSnapshot(run({"sample"}).out));
}

// Every command of the program: each option explained, each help within 80 columns, and one
// version for the program and its bundle.
TEST(CommandLine, EveryCommandsHelpFitsEightyColumnsAndExplainsEveryOption) {
  for (const auto& command : KestrunWidgets::commands(
           [](const SnapshotProvider& p) { return KestrunWidgetBundle{}.body(p); })) {
    SCOPED_TRACE(command.name);
    EXPECT_FALSE(command.summary.empty());
    for (const auto& option : command.options) EXPECT_FALSE(option.help.empty()) << option.name;
    Outcome help = run({command.name, "--help"});
    EXPECT_EQ(help.status, 0);
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);) {
      std::size_t columns = 0;
      for (unsigned char c : line) columns += (c & 0xC0) != 0x80;
      EXPECT_LE(columns, Foundation::CommandLine::helpWidth) << line;
    }
    for (const char* variable : {"KESTRUN_BUNDLE", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                 "XDG_STATE_HOME", "GSK_RENDERER", "LANGUAGE"})
      EXPECT_NE(help.out.find(variable), std::string::npos) << variable;
    EXPECT_NE(help.out.find("\n  64   a command line that cannot be understood\n"),
              std::string::npos);
  }
}

TEST(CommandLine, OneVersionForTheProgramAndItsBundle) {
  Outcome version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  ASSERT_EQ(version.out.rfind("kestrun-widgets ", 0), 0u) << version.out;
  std::string number = version.out.substr(16, version.out.size() - 17);
  EXPECT_FALSE(number.empty());
  std::string plist =
      TestSupport::readFile(std::filesystem::path(KESTRUN_BUILD_DATA_DIR) / "Info.plist");
  EXPECT_NE(plist.find("<key>CFBundleShortVersionString</key>\n\t<string>" + number + "</string>"),
            std::string::npos)
      << plist;
}

}  // namespace
