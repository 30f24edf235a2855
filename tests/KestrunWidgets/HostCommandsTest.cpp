#include <gtest/gtest.h>

#include "tests/KestrunWidgets/CommandLineTesting.h"

#include <sstream>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "KestrunWidgets/CommandLine.h"
#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::encodeSnapshot;
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

namespace fs = std::filesystem;

using CommandLineTesting::Outcome;
using CommandLineTesting::run;

// PNG width and height from the IHDR chunk.
std::pair<int, int> pngSize(const fs::path& path) {
  std::string bytes = TestSupport::readFile(path);
  auto be = [&](std::size_t at) {
    return (int(std::uint8_t(bytes[at])) << 24) | (int(std::uint8_t(bytes[at + 1])) << 16) |
           (int(std::uint8_t(bytes[at + 2])) << 8) | int(std::uint8_t(bytes[at + 3]));
  };
  return {be(16), be(20)};
}

class HostCommands : public ::testing::Test {
 protected:
  TestSupport::ScopedWidgetContainer container;
  TestSupport::TemporaryDirectory out;
  void SetUp() override {
    WidgetSnapshot s = WidgetSnapshot::sample();
    s.updated = Foundation::Date{1'900'000'000};
    s.speedTest->date = Foundation::Date{1'899'990'000};
    WidgetStore::write(s);
  }
  std::vector<std::string> at(std::string widget, std::string point) {
    return {"tap", "--widget", widget, "--at", point, "--now", "2030-03-17T17:50:00Z"};
  }
};

TEST_F(HostCommands, RenderNamesFilesForTheVariantAndSizesThemByScale) {
  Outcome r = run({"render", "--out", out.path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string dir = out.path().string() + "/";
  EXPECT_EQ(r.out, dir + "wifi@2x.png\n" + dir + "memory@2x.png\n" + dir + "overview@2x.png\n" +
                       dir + "health@2x.png\n");
  EXPECT_EQ(pngSize(out / "health@2x.png"), (std::pair{728, 764}));
  EXPECT_EQ(pngSize(out / "overview@2x.png"), (std::pair{728, 340}));

  r = run({"render", "--widget", "memory", "--appearance", "dark", "--scale", "3", "--mode",
           "accented", "--out", out.path().string()});
  EXPECT_EQ(r.out, dir + "memory-dark-accented@3x.png\n");
  EXPECT_EQ(pngSize(out / "memory-dark-accented@3x.png"), (std::pair{510, 510}));
  r = run({"render", "--widget", "wifi", "--scale", "1", "--format", "pdf", "--out",
           out.path().string()});
  EXPECT_EQ(r.out, dir + "wifi.pdf\n");
  EXPECT_EQ(TestSupport::readFile(out / "wifi.pdf").substr(0, 5), "%PDF-");

  EXPECT_EQ(run({"render", "--widget", "clock"}).status, WidgetHost::ExitStatus::usage);
  EXPECT_EQ(run({"render", "--scale", "4"}).status, WidgetHost::ExitStatus::usage);
  EXPECT_EQ(run({"tree"}).status, WidgetHost::ExitStatus::usage);  // one widget needed
}

TEST_F(HostCommands, TapsOpenTheRegionUnderThePoint) {
  struct Case {
    const char* widget;
    const char* point;
    const char* url;  // null: nothing opens
  } cases[] = {
      {"wifi", "85,85", "kestrun://open/wifi"},
      {"memory", "10,160", "kestrun://open/memory"},
      {"overview", "60,60", "kestrun://open/wifi"},
      {"overview", "240,60", "kestrun://open/memory"},
      {"overview", "300,136", "kestrun://speedtest"},
      {"overview", "182,5", nullptr},  // the gap between the columns, above the bar
      {"health", "100,70", "kestrun://open/memory"},
      {"health", "270,70", "kestrun://open/sweep"},
      {"health", "100,128", "kestrun://open/wifi"},
      {"health", "270,128", "kestrun://open/ports"},
      {"health", "150,195", "kestrun://open/projects"},
      {"health", "150,226", "kestrun://open/sweep"},
      {"health", "180,370", "kestrun://open/home"},
      // Outside the widget's bounds nothing opens, the widget URL included.
      {"wifi", "-1,85", nullptr},
      {"wifi", "85,170", nullptr},
      {"wifi", "170,0", nullptr},
      {"health", "180,1e9", nullptr},
      {"wifi", "0,0", "kestrun://open/wifi"},
  };
  for (const auto& c : cases) {
    Outcome r = run(at(c.widget, c.point));
    EXPECT_EQ(r.status, c.url ? 0 : 1) << c.widget << " " << c.point << " " << r.out;
    EXPECT_EQ(r.out, c.url ? std::string(c.url) + "\n" : "") << c.widget << " " << c.point;
  }
}

// A PDF carries the widget URL over the whole widget, under the region links, so that the small
// widgets, which have no regions, still open their section.
TEST_F(HostCommands, PDFsCarryTheWidgetURL) {
  for (auto [widget, url] : {std::pair{"wifi", "kestrun://open/wifi"},
                             {"memory", "kestrun://open/memory"},
                             {"health", "kestrun://open/home"}}) {
    Outcome r =
        run({"render", "--widget", widget, "--format", "pdf", "--out", out.path().string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string pdf = TestSupport::readFile(out / (std::string(widget) + "@2x.pdf"));
    EXPECT_NE(pdf.find(url), std::string::npos) << widget;
    EXPECT_NE(pdf.find("/Link"), std::string::npos) << widget;
  }
}

TEST_F(HostCommands, ANonFinitePointIsAUsageError) {
  for (const char* point : {"nan,10", "10,inf", "-inf,0", "nan,nan"}) {
    Outcome r = run(at("wifi", point));
    EXPECT_EQ(r.status, WidgetHost::ExitStatus::usage) << point;
    EXPECT_EQ(r.out, "") << point;
  }
}

TEST_F(HostCommands, TreeGivesTheWidgetItsMarginsAndTheLaidOutTree) {
  Outcome r = run({"tree", "--widget", "memory"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto doc = Foundation::JSON::Document::parse(r.out, 64);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->root().member("family")->string(), "small");
  EXPECT_EQ(doc->root().member("margins")->member("top")->int64(), 16);
  EXPECT_EQ(doc->root().member("tree")->member("kind")->string(), "ZStack");
}

TEST_F(HostCommands, SnapshotOptionReadsThatFileThroughTheSameDecoder) {
  WidgetSnapshot s = WidgetSnapshot::sample();
  s.wifi.reset();
  s.wifiChecked = false;
  TestSupport::writeFile(out / "other.json", encodeSnapshot(s));
  Outcome r = run({"tree", "--widget", "wifi", "--snapshot", (out / "other.json").string()});
  EXPECT_NE(r.out.find("Checking"), std::string::npos);
  TestSupport::writeFile(out / "broken.json", "{");
  r = run({"tree", "--widget", "wifi", "--snapshot", (out / "broken.json").string()});
  EXPECT_NE(r.out.find("kestrun://open/home"), std::string::npos);  // the first-run view
  // An unreadable file says why, for every command that draws.
  EXPECT_EQ(r.err, "kestrun-widgets: --snapshot " + (out / "broken.json").string() +
                       ": (root): not valid JSON; drawn as without a snapshot\n");
  EXPECT_EQ(run({"tree", "--widget", "wifi", "--snapshot", (out / "other.json").string()}).err, "");
  Outcome gallery =
      run({"gallery", "--out", (out / "g").string(), "--snapshot", (out / "none.json").string()});
  EXPECT_EQ(gallery.status, 0);
  EXPECT_NE(gallery.err.find("none.json: no such file"), std::string::npos) << gallery.err;
  // The option lasts for its command only.
  EXPECT_EQ(WidgetStore::fileURL(), container.snapshotFile());
}

TEST_F(HostCommands, GalleryDrawsEveryVariantAndAPageWithTheLinks) {
  Outcome r = run({"gallery", "--out", out.path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  int files = 0;
  for (auto& e : fs::directory_iterator(out.path())) files += e.path().extension() == ".png";
  EXPECT_EQ(files, 4 * 2 * 2 * 2);
  std::string html = TestSupport::readFile(out / "index.html");
  EXPECT_NE(html.find("href=\"kestrun://speedtest\""), std::string::npos);
  EXPECT_NE(html.find("href=\"kestrun://open/projects\""), std::string::npos);
  EXPECT_NE(html.find("health-dark-accented.png"), std::string::npos);
}

}  // namespace
