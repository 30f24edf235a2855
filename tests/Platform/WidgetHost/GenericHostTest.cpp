// The host knows timelines, configurations and views, never the extension behind them: a fake
// extension with a `battery` widget renders, taps and dumps through it, and every choice, usage
// line and message is made of what the extension handed over.
#include <gtest/gtest.h>

#include <sstream>

#include "Platform/Foundation/JSON.h"
#include "Platform/ViewToolkit/Symbols.h"
#include "Platform/ViewToolkit/Text.h"
#include "Platform/WidgetHost/CommandLine.h"
#include "Platform/WidgetHost/HostCommands.h"
#include "tests/Support/TestSupport.h"

using namespace ViewToolkit;

namespace {

struct BatteryEntry {
  Foundation::Date date;
  int percent;
};

struct BatteryProvider {
  using Entry = BatteryEntry;
  Entry placeholder(const WidgetHost::TimelineProviderContext&) const { return {{}, 50}; }
  void getSnapshot(const WidgetHost::TimelineProviderContext& context,
                   const std::function<void(Entry)>& completion) const {
    completion({{}, context.isPreview ? 100 : 87});
  }
  void getTimeline(const WidgetHost::TimelineProviderContext&,
                   const std::function<void(WidgetHost::Timeline<Entry>)>& completion) const {
    completion({{{{}, 87}, {Foundation::Date{1e9}, 12}}, WidgetHost::TimelineReloadPolicy::atEnd});
  }
};

View batteryView(const BatteryEntry& entry) {
  return VStack({Link("gauges://open/battery",
                      Text::verbatim(std::to_string(entry.percent) + "%").font(Font::title)),
                 Spacer()})
      .widgetURL("gauges://open")
      .containerBackground(View(Color::green));
}

WidgetHost::WidgetExtension gauges() {
  WidgetHost::WidgetDescription battery =
      WidgetHost::StaticConfiguration("org.example.gauges.battery", BatteryProvider{}, batteryView)
          .configurationDisplayName("Battery")
          .description("How full the battery is.")
          .supportedFamilies({WidgetHost::WidgetFamily::systemSmall});
  return {"gauges", "Gauges", {battery}};
}

struct Outcome {
  int status;
  std::string out, err;
};

Outcome run(std::vector<std::string> args) {
  args.insert(args.begin(), "gauges");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  std::istringstream in;
  int status =
      WidgetHost::runCommandLine("gauges", int(argv.size()), argv.data(),
                                 WidgetHost::hostCommands(gauges(), nullptr), {out, err, in});
  return {status, out.str(), err.str()};
}

}  // namespace

TEST(GenericHost, aFakeExtensionsWidgetRendersTapsAndDumps) {
  TestSupport::TemporaryDirectory dir;
  Outcome r = run({"render", "--widget", "battery", "--out", dir.path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir.path().string() + "/battery@2x.png\n");
  EXPECT_EQ(TestSupport::readFile(dir.path() / "battery@2x.png").substr(0, 8), "\x89PNG\r\n\x1a\n");

  r = run({"tree", "--widget", "battery", "--source", "preview"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto doc = Foundation::JSON::Document::parse(r.out, 64);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->root().member("kind")->string(), "org.example.gauges.battery");
  EXPECT_NE(r.out.find("\"text\":\"100%\""), std::string::npos);
  EXPECT_NE(r.out.find("\"color\":\"green\""), std::string::npos) << "the container background";

  // The link's text sits at the top of the content, inside the 16-point margins.
  r = run({"tap", "--widget", "battery", "--at", "85,25"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "gauges://open/battery\n");
  r = run({"tap", "--widget", "battery", "--at", "85,160"});
  EXPECT_EQ(r.out, "gauges://open\n");
}

TEST(GenericHost, choicesUsageLinesAndMessagesComeFromTheExtension) {
  Outcome r = run({"render", "--widget", "wifi"});
  EXPECT_EQ(r.status, WidgetHost::ExitStatus::usage);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
            "gauges render: --widget takes battery|all, not \"wifi\"");
  EXPECT_NE(r.err.find("usage: gauges render [--widget battery|all]"), std::string::npos);

  r = run({"tree"});
  EXPECT_EQ(r.status, WidgetHost::ExitStatus::usage);
  EXPECT_NE(r.err.find("gauges tree: --widget is required\nusage: gauges tree --widget battery "),
            std::string::npos)
      << r.err;

  r = run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("usage: gauges [--now RFC3339] COMMAND"), std::string::npos);
  EXPECT_EQ(r.out.find("wifi"), std::string::npos) << "the host names no widget of its own";
  EXPECT_EQ(r.out.find("kestrun"), std::string::npos);
}

TEST(GenericHost, aFailedWriteIsOneLineAndAStatus) {
  TestSupport::TemporaryDirectory dir;
  const auto blocked = dir.path() / "file";
  TestSupport::writeFile(blocked, "not a directory");
  Outcome r = run({"render", "--out", (blocked / "below").string()});
  EXPECT_EQ(r.status, WidgetHost::ExitStatus::platformError);
  EXPECT_EQ(r.err.rfind("gauges render: ", 0), 0u) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  EXPECT_EQ(r.out, "");
}

// The list host-application authors choose from: every name once, with the icon it draws.
TEST(GenericHost, symbolsListsEveryNameOfTheTable) {
  Outcome r = run({"symbols"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected;
  for (const auto& s : ViewToolkit::knownSymbols()) expected += s.name + "\t" + s.icon + "\n";
  EXPECT_EQ(r.out, expected);
}
