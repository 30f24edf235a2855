#include "Platform/Foundation/Bundle.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include "tests/Support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Foundation::Bundle;
using Foundation::PropertyOther;
using Foundation::PropertyValue;

namespace {

std::string xmlPlist(std::string_view body) {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
             "<plist version=\"1.0\">\n") +
         std::string(body) + "\n</plist>\n";
}

// {Big: 2^63, Count: -3, Flag: true, KestrunAppGroup: "group.bin", List: [1], Ratio: 1.5}
std::string binaryPlist() {
  const char hex[] =
      "62706c6973743030d60102030405060708090a0b0d5342696755436f756e7454466c61675f100f4b65737472"
      "756e41707047726f7570544c69737455526174696f140000000000000000800000000000000013ffffffffff"
      "fffffd095967726f75702e62696ea10c1001233ff80000000000000815191f24363b41525b5c66686a000000"
      "0000000101000000000000000e00000000000000000000000000000073";
  std::string bytes;
  for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16));
  }
  return bytes;
}

// {KestrunAppGroup: "group.bin", Deep: [[…[]…]]} with `depth` arrays, in the binary form; the
// reference width grows with the object count as a writer would choose it.
std::string deepBinaryPlist(std::size_t depth, unsigned char refSize) {
  std::vector<std::string> objects = {"", "\x5f\x10\x0fKestrunAppGroup",
                                      "\x54"
                                      "Deep",
                                      "\x59group.bin"};
  auto ref = [&](std::uint64_t n) {
    std::string bytes;
    for (int i = refSize - 1; i >= 0; --i) bytes += static_cast<char>(n >> (8 * i));
    return bytes;
  };
  objects[0] = "\xd2" + ref(1) + ref(2) + ref(3) + ref(4);
  for (std::size_t i = 0; i < depth; ++i)
    objects.push_back(i + 1 < depth ? "\xa1" + ref(objects.size() + 1) : std::string("\xa0"));
  std::string bytes = "bplist00";
  std::vector<std::uint64_t> offsets;
  for (const auto& o : objects) {
    offsets.push_back(bytes.size());
    bytes += o;
  }
  std::uint64_t table = bytes.size();
  for (auto offset : offsets) bytes += ref(offset).substr(0);
  auto big = [](std::uint64_t n) {
    std::string b;
    for (int i = 7; i >= 0; --i) b += static_cast<char>(n >> (8 * i));
    return b;
  };
  bytes += std::string(6, '\0') + static_cast<char>(refSize) + static_cast<char>(refSize);
  bytes += big(objects.size()) + big(0) + big(table);
  return bytes;
}

class BundleTest : public ::testing::Test {
 protected:
  // A fresh directory per bundle: bundles are cached per directory for the whole process.
  fs::path bundleWith(const std::optional<std::string>& infoPlist) {
    fs::path directory = root / std::to_string(count++);
    fs::create_directory(directory);
    if (infoPlist) std::ofstream(directory / "Info.plist", std::ios::binary) << *infoPlist;
    return directory;
  }

  TestSupport::TemporaryDirectory temporary;
  // The test sets the variable itself; this puts back what was there.
  TestSupport::ScopedEnvironment restoreBundle{{"KESTRUN_BUNDLE", std::getenv("KESTRUN_BUNDLE")}};
  fs::path root = temporary.path();
  int count = 0;
};

TEST_F(BundleTest, ReadsTheApplicationGroupOfEveryKindOfPropertyList) {
  using Value = std::optional<PropertyValue>;
  struct Case {
    const char* name;
    std::optional<std::string> infoPlist;
    Value expected;
  } cases[] = {
      {"string", xmlPlist("<dict><key>KestrunAppGroup</key><string>group.x</string></dict>"),
       PropertyValue(std::string("group.x"))},
      {"number", xmlPlist("<dict><key>KestrunAppGroup</key><integer>42</integer></dict>"),
       PropertyValue(std::int64_t{42})},
      {"missing key", xmlPlist("<dict><key>Other</key><string>x</string></dict>"), std::nullopt},
      {"no Info.plist", std::nullopt, std::nullopt},
      {"empty file", "", std::nullopt},
      {"damaged XML", xmlPlist("<dict><key>KestrunAppGroup</key><string>group.x").substr(0, 200),
       std::nullopt},
      {"not a plist", "KestrunAppGroup = group.x", std::nullopt},
      {"array at the top", xmlPlist("<array><string>KestrunAppGroup</string></array>"),
       std::nullopt},
      {"binary", binaryPlist(), PropertyValue(std::string("group.bin"))},
      {"truncated binary", binaryPlist().substr(0, 40), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bundle = Bundle::at(bundleWith(c.infoPlist));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("KestrunAppGroup"), c.expected);
  }
}

// A hostile property list gives a group or none, never a crash: nesting a real one never
// reaches is refused before any parser sees it, in either form.
TEST_F(BundleTest, DeeplyNestedPropertyListsHoldNoKeysAndNeverCrash) {
  using Value = std::optional<PropertyValue>;
  const Value group = PropertyValue(std::string("group.bin"));
  auto xmlDeep = [](std::size_t depth) {
    std::string nested;
    for (std::size_t i = 0; i < depth; ++i) nested += "<array>";
    for (std::size_t i = 0; i < depth; ++i) nested += "</array>";
    return xmlPlist("<dict><key>KestrunAppGroup</key><string>group.bin</string><key>Deep</key>" +
                    nested + "</dict>");
  };
  struct Case {
    const char* name;
    std::string infoPlist;
    Value expected;
  } cases[] = {
      {"binary, 100,000 deep (under 1 MiB)", deepBinaryPlist(100'000, 4), std::nullopt},
      {"binary, 9,000 deep", deepBinaryPlist(9'000, 2), std::nullopt},
      {"binary, 30 deep", deepBinaryPlist(30, 1), group},
      {"XML, 4,000 deep", xmlDeep(4'000), std::nullopt},
      {"XML, 30 deep", xmlDeep(30), group},
      {"XML, deep but commented out",
       xmlPlist("<dict><key>KestrunAppGroup</key><string>group.bin"
                "</string><!--" +
                std::string(4000, 'x') + "<array><array></dict>--></dict>"),
       group},
  };
  for (const auto& c : cases) {
    auto bundle = Bundle::at(bundleWith(c.infoPlist));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("KestrunAppGroup"), c.expected) << c.name;
  }
  // A binary list whose references form a cycle.
  std::string cyclic = deepBinaryPlist(2, 1);
  ASSERT_EQ(Bundle::at(bundleWith(cyclic))->objectForInfoDictionaryKey("KestrunAppGroup"), group);
  // Before the six offsets and the trailer: the inner array, then the outer array's reference.
  ASSERT_EQ(cyclic[cyclic.size() - 32 - 6 - 2], 5);
  cyclic[cyclic.size() - 32 - 6 - 2] = 4;  // the outer array's element is that array again
  EXPECT_EQ(Bundle::at(bundleWith(cyclic))->objectForInfoDictionaryKey("KestrunAppGroup"),
            std::nullopt);
}

TEST_F(BundleTest, MapsEachPropertyTypeToItsValue) {
  auto xml = Bundle::at(bundleWith(xmlPlist(
      "<dict><key>Negative</key><integer>-7</integer><key>Huge</key>"
      "<integer>18446744073709551615</integer><key>Ratio</key><real>0.25</real>"
      "<key>On</key><true/><key>Off</key><false/><key>Escaped</key><string>a &amp; b</string>"
      "<key>List</key><array/><key>Nested</key><dict/><key>When</key>"
      "<date>2024-01-02T03:04:05Z</date><key>Blob</key><data>AAE=</data></dict>")));
  EXPECT_EQ(xml->objectForInfoDictionaryKey("Negative"), PropertyValue(std::int64_t{-7}));
  EXPECT_EQ(xml->objectForInfoDictionaryKey("Huge"), PropertyValue(PropertyOther{}));
  EXPECT_EQ(xml->objectForInfoDictionaryKey("Ratio"), PropertyValue(0.25));
  EXPECT_EQ(xml->objectForInfoDictionaryKey("On"), PropertyValue(true));
  EXPECT_EQ(xml->objectForInfoDictionaryKey("Off"), PropertyValue(false));
  EXPECT_EQ(xml->objectForInfoDictionaryKey("Escaped"), PropertyValue(std::string("a & b")));
  for (const char* key : {"List", "Nested", "When", "Blob"}) {
    EXPECT_EQ(xml->objectForInfoDictionaryKey(key), PropertyValue(PropertyOther{})) << key;
  }
  EXPECT_EQ(xml->objectForInfoDictionaryKey("Nested.Inner"), std::nullopt);

  auto binary = Bundle::at(bundleWith(binaryPlist()));
  EXPECT_EQ(binary->objectForInfoDictionaryKey("Count"), PropertyValue(std::int64_t{-3}));
  EXPECT_EQ(binary->objectForInfoDictionaryKey("Big"), PropertyValue(PropertyOther{}));
  EXPECT_EQ(binary->objectForInfoDictionaryKey("Flag"), PropertyValue(true));
  EXPECT_EQ(binary->objectForInfoDictionaryKey("Ratio"), PropertyValue(1.5));
  EXPECT_EQ(binary->objectForInfoDictionaryKey("List"), PropertyValue(PropertyOther{}));
}

TEST_F(BundleTest, TheMainBundleFollowsTheEnvironmentAndTheFile) {
  fs::path first = bundleWith(xmlPlist("<dict><key>K</key><string>one</string></dict>"));
  fs::path second = bundleWith(xmlPlist("<dict><key>K</key><string>two</string></dict>"));

  ::setenv("KESTRUN_BUNDLE", first.c_str(), 1);
  auto bundle = Bundle::main();
  EXPECT_EQ(bundle->bundlePath(), first);
  EXPECT_EQ(bundle->infoPlistPath(), first / "Info.plist");
  EXPECT_EQ(bundle->objectForInfoDictionaryKey("K"), PropertyValue(std::string("one")));
  EXPECT_EQ(Bundle::at(first.string() + "/")->bundlePath(), first);

  // Nothing is kept: a changed file and a changed variable are seen at once.
  std::ofstream(first / "Info.plist") << xmlPlist("<dict><key>K</key><string>new</string></dict>");
  EXPECT_EQ(bundle->objectForInfoDictionaryKey("K"), PropertyValue(std::string("new")));
  // Also one of the same size written within the same instant (a file's times cannot tell).
  std::ofstream(first / "Info.plist") << xmlPlist("<dict><key>K</key><string>neW</string></dict>");
  EXPECT_EQ(bundle->objectForInfoDictionaryKey("K"), PropertyValue(std::string("neW")));
  ::setenv("KESTRUN_BUNDLE", second.c_str(), 1);
  EXPECT_EQ(Bundle::main()->objectForInfoDictionaryKey("K"), PropertyValue(std::string("two")));
}

// Once a file's times lie in the past its keys are kept, and any change of the file still shows:
// rewritten in place with the same size, replaced by another file, removed.
TEST_F(BundleTest, AnOldPropertyListIsSeenChangedAtOnce) {
  fs::path dir = bundleWith(xmlPlist("<dict><key>K</key><string>old</string></dict>"));
  ::setenv("KESTRUN_BUNDLE", dir.c_str(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(3100));
  EXPECT_EQ(Bundle::main()->objectForInfoDictionaryKey("K"), PropertyValue(std::string("old")));
  EXPECT_EQ(Bundle::main()->objectForInfoDictionaryKey("K"), PropertyValue(std::string("old")));

  std::ofstream(dir / "Info.plist") << xmlPlist("<dict><key>K</key><string>new</string></dict>");
  EXPECT_EQ(Bundle::main()->objectForInfoDictionaryKey("K"), PropertyValue(std::string("new")));

  std::this_thread::sleep_for(std::chrono::milliseconds(3100));
  EXPECT_EQ(Bundle::main()->objectForInfoDictionaryKey("K"), PropertyValue(std::string("new")));
  std::ofstream(dir / "Info.plist.next")
      << xmlPlist("<dict><key>K</key><string>neW</string></dict>");
  fs::rename(dir / "Info.plist.next", dir / "Info.plist");
  EXPECT_EQ(Bundle::main()->objectForInfoDictionaryKey("K"), PropertyValue(std::string("neW")));

  fs::remove(dir / "Info.plist");
  EXPECT_EQ(Bundle::main()->objectForInfoDictionaryKey("K"), std::nullopt);
}

TEST_F(BundleTest, WithoutTheVariableTheBundleSitsBesideTheProgram) {
  fs::path expected =
      (fs::read_symlink("/proc/self/exe").parent_path() / ".." / "share" / "kestrun-widgets")
          .lexically_normal();
  ::unsetenv("KESTRUN_BUNDLE");
  EXPECT_EQ(Bundle::main()->bundlePath(), expected);
  ::setenv("KESTRUN_BUNDLE", "", 1);
  EXPECT_EQ(Bundle::main()->bundlePath(), expected);
}

TEST_F(BundleTest, AProgramOfAnyKindLooksBesideItselfThenInTheInstalledAndTheSystemDataFolders) {
  const fs::path beside =
      (fs::read_symlink("/proc/self/exe").parent_path() / ".." / "share" / "kestrun-widgets")
          .lexically_normal();
  // Where a host application linking the kit finds the bundle the widgets' package installed
  // (whether that holds an Info.plist is checked end to end, with a program installed elsewhere).
  const fs::path installed = fs::path(KESTRUN_INSTALLED_DATA_DIR).lexically_normal();
  TestSupport::ScopedEnvironment restore{{"XDG_DATA_DIRS", nullptr}};
  ::unsetenv("KESTRUN_BUNDLE");
  struct Case {
    const char* dataDirs;
    std::vector<fs::path> after;  // what follows the program's own folder and the installed one
  };
  const Case cases[] = {
      {nullptr, {"/usr/local/share/kestrun-widgets", "/usr/share/kestrun-widgets"}},
      {"", {"/usr/local/share/kestrun-widgets", "/usr/share/kestrun-widgets"}},
      {"/opt/a:relative/b::/opt/c/", {"/opt/a/kestrun-widgets", "/opt/c/kestrun-widgets"}},
      {"/opt/a:/opt/a", {"/opt/a/kestrun-widgets"}},
  };
  for (const auto& c : cases) {
    TestSupport::ScopedEnvironment dirs{{"XDG_DATA_DIRS", c.dataDirs}};
    std::vector<fs::path> expected = {beside, installed};
    for (const auto& p : c.after)
      if (std::find(expected.begin(), expected.end(), p) == expected.end()) expected.push_back(p);
    EXPECT_EQ(Bundle::searchPath(), expected) << (c.dataDirs ? c.dataDirs : "(unset)");
  }
  // The variable, when set, is the one place.
  ::setenv("KESTRUN_BUNDLE", root.c_str(), 1);
  EXPECT_EQ(Bundle::searchPath(), std::vector<fs::path>{root});
}

TEST_F(BundleTest, TheShippedPropertyListNamesTheApplicationGroup) {
  auto group = Bundle::at(KESTRUN_BUILD_DATA_DIR)->objectForInfoDictionaryKey("KestrunAppGroup");
  ASSERT_TRUE(group.has_value());
  ASSERT_TRUE(std::holds_alternative<std::string>(*group));
  EXPECT_FALSE(std::get<std::string>(*group).empty());
}

}  // namespace
