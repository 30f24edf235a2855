// The host knows timelines, configurations and views, never the extension behind them: a fake
// extension with a `battery` widget renders, taps and dumps through it, and every choice, usage
// line and message is made of what the extension handed over.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>

#include "Platform/Foundation/JSON.h"
#include "Platform/ViewToolkit/RenderError.h"
#include "Platform/ViewToolkit/Symbols.h"
#include "Platform/ViewToolkit/Text.h"
#include "Platform/WidgetHost/CommandLine.h"
#include "Platform/WidgetHost/HostCommands.h"
#include "tests/Support/CommandLineCapture.h"
#include "tests/Support/TestSupport.h"

using namespace ViewToolkit;

namespace {

struct BatteryEntry {
  Foundation::Date date;
  int percent;
};

struct BatteryProvider {
  using Entry = BatteryEntry;
  int percentNow = 12;  // the current entry's; a provider reading another source has another
  Entry placeholder(const WidgetHost::TimelineProviderContext&) const { return {{}, 50}; }
  void getSnapshot(const WidgetHost::TimelineProviderContext& context,
                   const std::function<void(Entry)>& completion) const {
    completion({{}, context.isPreview ? 100 : 87});
  }
  void getTimeline(const WidgetHost::TimelineProviderContext&,
                   const std::function<void(WidgetHost::Timeline<Entry>)>& completion) const {
    completion(
        {{{{}, 87}, {Foundation::Date{1e9}, percentNow}}, WidgetHost::TimelineReloadPolicy::atEnd});
  }
};

View batteryView(const BatteryEntry& entry) {
  return VStack({Link("gauges://open/battery",
                      Text::verbatim(std::to_string(entry.percent) + "%").font(Font::title)),
                 Spacer()})
      .widgetURL("gauges://open")
      .containerBackground(View(Color::green));
}

WidgetHost::WidgetDescription battery(BatteryProvider provider = {}) {
  return WidgetHost::StaticConfiguration("org.example.gauges.battery", provider, batteryView)
      .configurationDisplayName("Battery")
      .description("How full the battery is.")
      .supportedFamilies({WidgetHost::WidgetFamily::systemSmall});
}

// Given a file, the fake's battery reads its percentage from the file's name ("33", "x").
WidgetHost::WidgetExtension gauges() {
  return {"gauges", "Gauges", {battery()}, [](const std::filesystem::path& file) {
            const std::string name = file.filename().string();
            const bool digits = name.find_first_not_of("0123456789") == std::string::npos;
            return WidgetHost::WidgetsReadingFile{
                {battery({digits ? std::stoi(name) : 0})},
                digits ? std::nullopt : std::optional<std::string>("not a number")};
          }};
}

using TestSupport::Outcome;

Outcome run(std::vector<std::string> args,
            const WidgetHost::WidgetExtension& extension = gauges()) {
  return TestSupport::captureCommandLine(
      "gauges", std::move(args), [&](int argc, const char* const* argv, WidgetHost::CommandIO io) {
        return WidgetHost::runCommandLine("gauges", argc, argv, WidgetHost::hostCommands(extension),
                                          io);
      });
}

}  // namespace

TEST(GenericHost, AFakeExtensionsWidgetRendersTapsAndDumps) {
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

TEST(GenericHost, AGivenFileReachesTheWidgetsOfOneCommandOnly) {
  auto percentShown = [](const Outcome& r) {
    auto at = r.out.find("%\"");
    auto from = r.out.rfind('"', at);
    return at == std::string::npos ? std::string("?") : r.out.substr(from + 1, at - from - 1);
  };
  Outcome r = run({"tree", "--widget", "battery", "--snapshot", "/any/33"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(percentShown(r), "33");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(percentShown(run({"tree", "--widget", "battery"})), "12") << "nothing outlives it";

  // Why the file cannot be read comes from the extension, escaped, under the host's program name.
  r = run({"tree", "--widget", "battery", "--snapshot", "/any/x\x1b"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(percentShown(r), "0");
  EXPECT_EQ(r.err, "gauges: --snapshot /any/x\\u001b: not a number\n");

  // An extension that reads no files of the user's choosing refuses the option.
  WidgetHost::WidgetExtension fixed = gauges();
  fixed.readingFile = nullptr;
  r = run({"tree", "--widget", "battery", "--snapshot", "/any/33"}, fixed);
  EXPECT_EQ(r.status, WidgetHost::ExitStatus::usage);
  EXPECT_EQ(r.out, "");
}

TEST(GenericHost, ChoicesUsageLinesAndMessagesComeFromTheExtension) {
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

TEST(GenericHost, AFailedWriteIsOneLineAndAStatus) {
  TestSupport::TemporaryDirectory dir;
  const auto blocked = dir.path() / "file";
  TestSupport::writeFile(blocked, "not a directory");
  Outcome r = run({"render", "--out", (blocked / "below").string()});
  EXPECT_EQ(r.status, WidgetHost::ExitStatus::platformError);
  EXPECT_EQ(r.err.rfind("gauges render: ", 0), 0u) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  EXPECT_EQ(r.out, "");
}

// A drawing that fails ends its command as a refused write does, not as a fault of the program.
TEST(GenericHost, AFailedDrawingIsOneLineAndAPlatformError) {
  WidgetHost::Command draw{"draw", "", "Draws nothing.", {}, [](const auto&, auto&) -> int {
                             throw ViewToolkit::RenderError("cairo: out of memory");
                           }};
  const char* argv[] = {"gauges", "draw"};
  std::ostringstream out, err;
  std::istringstream in;
  int status = WidgetHost::runCommandLine("gauges", 2, argv, {draw}, {out, err, in});
  EXPECT_EQ(status, WidgetHost::ExitStatus::platformError);
  EXPECT_EQ(err.str(), "gauges draw: cairo: out of memory\n");
  EXPECT_EQ(out.str(), "");
}

// The list host-application authors choose from: every name once, with the icon it draws.
TEST(GenericHost, SymbolsListsEveryNameOfTheTable) {
  Outcome r = run({"symbols"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected;
  for (const auto& s : ViewToolkit::knownSymbols()) expected += s.name + "\t" + s.icon + "\n";
  EXPECT_EQ(r.out, expected);
}

namespace {

// A provider that counts its reads; providers of one source are equal, and each read makes a
// new reading, so that sharing is seen by address.
struct CountedEntry {
  Foundation::Date date;
  std::shared_ptr<const int> reading;
};

struct CountingProvider {
  using Entry = CountedEntry;
  int source = 0;
  int* reads = nullptr;
  friend bool operator==(const CountingProvider&, const CountingProvider&) = default;

  Entry placeholder(const WidgetHost::TimelineProviderContext&) const { return {{}, nullptr}; }
  void getSnapshot(const WidgetHost::TimelineProviderContext&,
                   const std::function<void(Entry)>& completion) const {
    ++*reads;
    completion({{}, std::make_shared<const int>(source)});
  }
  void getTimeline(const WidgetHost::TimelineProviderContext&,
                   const std::function<void(WidgetHost::Timeline<Entry>)>& completion) const {
    ++*reads;
    auto reading = std::make_shared<const int>(source);
    completion({{{{}, reading}, {Foundation::Date{1e9}, reading}},
                WidgetHost::TimelineReloadPolicy::atEnd});
  }
};

// A widget of `provider` whose content notes which reading it was built from.
WidgetHost::WidgetDescription counted(CountingProvider provider, std::vector<const int*>& shown) {
  return WidgetHost::StaticConfiguration("org.example.counted", provider,
                                         [&shown](const CountedEntry& e) {
                                           shown.push_back(e.reading.get());
                                           return View(Color::green);
                                         });
}

}  // namespace

TEST(GenericHost, WidgetsAskedTogetherShareTheAnswerOfEqualProviders) {
  int reads = 0;
  std::vector<const int*> shown;
  const auto first = counted({1, &reads}, shown), second = counted({1, &reads}, shown),
             other = counted({2, &reads}, shown);

  // Asked one by one, every widget's provider reads.
  for (const auto* w : {&first, &second, &other}) w->timeline({});
  EXPECT_EQ(reads, 3);

  reads = 0;
  WidgetHost::ProviderAnswers answers;
  WidgetHost::HostTimeline timelines[] = {
      first.timeline({}, &answers), second.timeline({}, &answers), other.timeline({}, &answers)};
  EXPECT_EQ(reads, 2) << "one read per distinct provider";
  EXPECT_EQ(answers.questionsAsked(), 2u);
  for (const auto& t : timelines)
    for (const auto& e : t.entries) e.content();
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[0], shown[1]) << "the entries of one timeline";
  EXPECT_EQ(shown[0], shown[2]) << "widgets of equal providers";
  EXPECT_EQ(shown[0], shown[3]);
  EXPECT_NE(shown[0], shown[4]) << "another provider's own reading";
  EXPECT_EQ(*shown[4], 2);

  // Another question, or a preview instead of a widget, is asked anew; so is the next request.
  first.snapshot({true}, &answers);
  second.snapshot({true}, &answers);
  first.snapshot({false}, &answers);
  EXPECT_EQ(reads, 4);
  WidgetHost::ProviderAnswers next;
  first.timeline({}, &next);
  second.timeline({}, &next);
  EXPECT_EQ(reads, 5);
  first.placeholder({});
  EXPECT_EQ(reads, 5);
}
