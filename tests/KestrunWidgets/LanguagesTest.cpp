// The widgets in the user's language. Every widget in every state of tests/data/states, laid
// out in English and in German: a text that fits in English must fit in German too. The tree dump
// marks a text cut short with "truncated"; both trees have the same shape, so texts are paired by
// their place in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Foundation/JSON.h"
#include "tests/KestrunWidgets/CommandLineTesting.h"
#include "tests/Support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Foundation::JSON::Document;
using Foundation::JSON::Value;

struct ShownText {
  std::string text;
  bool truncated;
};

void collect(const Value& node, std::vector<ShownText>& out) {
  if (auto text = node.member("text")) {
    auto truncated = node.member("truncated");
    out.push_back({std::string(text->string().value_or("")),
                   truncated && truncated->boolean().value_or(false)});
  }
  if (auto children = node.member("children"))
    children->forEachElement([&](std::size_t, Value child) { collect(child, out); });
}

// The texts of one widget drawn from `snapshot` under LANG=`lang`, in tree order.
std::vector<ShownText> texts(const char* lang, const std::string& widget,
                             const fs::path& snapshot) {
  TestSupport::ScopedLocale locale(lang);
  auto outcome = CommandLineTesting::run({"--now", "2026-12-09T05:50:00Z", "tree", "--widget",
                                          widget, "--snapshot", snapshot.string()});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  std::string failure;
  auto document = Document::parse(outcome.out, 64, &failure);
  EXPECT_TRUE(document) << failure;
  std::vector<ShownText> out;
  if (document)
    if (auto tree = document->root().member("tree")) collect(*tree, out);
  return out;
}

std::vector<fs::path> states() {
  std::vector<fs::path> out;
  for (const auto& entry : fs::directory_iterator(fs::path(KESTRUN_TEST_DATA_DIR) / "states"))
    out.push_back(entry.path());
  // No readable file: the first-run view.
  out.push_back(fs::path(KESTRUN_TEST_DATA_DIR) / "states/absent");
  return out;
}

const char* const widgets[] = {"wifi", "memory", "overview", "health"};

TEST(GermanFit, EveryTextThatFitsInEnglishFitsInGerman) {
  TestSupport::ScopedEnvironment bundle{{"KESTRUN_BUNDLE", KESTRUN_BUILD_DATA_DIR}};
  int translated = 0;
  for (const fs::path& state : states()) {
    for (const std::string widget : widgets) {
      const auto english = texts("en_US.UTF-8", widget, state);
      const auto german = texts("de_DE.UTF-8", widget, state);
      const std::string where = widget + " " + state.filename().string();
      ASSERT_EQ(english.size(), german.size()) << where;
      ASSERT_FALSE(english.empty()) << where;
      for (std::size_t i = 0; i < english.size(); ++i) {
        translated += english[i].text != german[i].text;
        EXPECT_FALSE(german[i].truncated && !english[i].truncated)
            << where << ": \"" << german[i].text << "\" is cut where \"" << english[i].text
            << "\" fits";
      }
    }
  }
  // The comparison means something only when the German catalogue was found.
  EXPECT_GT(translated, 20);
}

TEST(GermanFit, TheDumpMarksTextsCutShort) {
  // Names too long for any widget are cut in both languages; the comparison above would miss
  // every cut text if the mark were not read.
  TestSupport::ScopedEnvironment bundle{{"KESTRUN_BUNDLE", KESTRUN_BUILD_DATA_DIR}};
  const fs::path state = fs::path(KESTRUN_TEST_DATA_DIR) / "states/long-names.json";
  for (const char* lang : {"en_US.UTF-8", "de_DE.UTF-8"}) {
    int cut = 0;
    for (const ShownText& t : texts(lang, "health", state)) cut += t.truncated;
    EXPECT_GE(cut, 1) << lang;
  }
}

TEST(Languages, TheGalleryDescribesTheWidgetsInTheReadersLanguage) {
  TestSupport::ScopedEnvironment bundle{{"KESTRUN_BUNDLE", KESTRUN_BUILD_DATA_DIR}};
  struct Case {
    const char *lang, *languages, *name, *description;
  } cases[] = {
      {"en_US.UTF-8", nullptr, "<h2>Memory</h2>",
       "How much RAM is in use and how hard the system is working to find more."},
      {"C", nullptr, "<h2>Memory</h2>", "how hard the system is working"},
      {"de_DE.UTF-8", nullptr, "<h2>Arbeitsspeicher</h2>",
       "wie sehr sich das System anstrengt, mehr davon zu finden."},
      {"en_GB.UTF-8", "de:en", "<h2>Arbeitsspeicher</h2>", "das System"},
  };
  for (const Case& c : cases) {
    TestSupport::TemporaryDirectory out;
    TestSupport::ScopedLocale locale(c.lang, nullptr, nullptr, c.languages);
    auto outcome = CommandLineTesting::run({"gallery", "--out", out.path().string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const std::string html = TestSupport::readFile(out / "index.html");
    EXPECT_NE(html.find(c.name), std::string::npos) << c.lang;
    EXPECT_NE(html.find(c.description), std::string::npos) << c.lang;
    EXPECT_EQ(html.find("macOS"), std::string::npos) << c.lang;
  }
}

TEST(Languages, DatesAndTextsSpeakTheSameLanguage) {
  // Italian has no catalogue: the age must not come out Italian inside English texts.
  TestSupport::ScopedEnvironment bundle{{"KESTRUN_BUNDLE", KESTRUN_BUILD_DATA_DIR}};
  const fs::path state = fs::path(KESTRUN_TEST_DATA_DIR) / "states/full.json";
  struct Case {
    const char *lang, *languages, *line;
  } cases[] = {
      {"it_IT.UTF-8", nullptr, " Mbps · 2 hr. ago"},
      {"de_DE.UTF-8", nullptr, " Mbit/s · vor 2 Std."},
      {"en_US.UTF-8", "de:en", " Mbit/s · vor 2 Std."},
      {"de_DE.UTF-8", "it:en", " Mbps · 2 hr. ago"},
  };
  for (const Case& c : cases) {
    TestSupport::ScopedLocale locale(c.lang, nullptr, nullptr, c.languages);
    auto outcome = CommandLineTesting::run(
        {"--now", "2026-12-09T05:50:00Z", "tree", "--widget", "overview", "--snapshot", state});
    EXPECT_NE(outcome.out.find(c.line), std::string::npos)
        << c.lang << " LANGUAGE=" << (c.languages ? c.languages : "");
  }
}

}  // namespace
