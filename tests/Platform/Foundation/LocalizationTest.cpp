#include "Platform/Foundation/Localization.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/Support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Foundation::localizedFormat;
using Foundation::localizedString;
using Foundation::MessageCatalog;
using TestSupport::ScopedEnvironment;
using TestSupport::ScopedLocale;

void putWord(std::string& out, std::uint32_t value, bool bigEndian) {
  for (int i = 0; i < 4; ++i) {
    int shift = bigEndian ? 24 - 8 * i : 8 * i;
    out += char((value >> shift) & 0xFF);
  }
}

// The bytes of a .mo file holding `messages` (the header entry under "" included, as msgfmt
// writes it).
std::string moFile(const std::map<std::string, std::string>& messages, bool bigEndian = false) {
  std::map<std::string, std::string> all = messages;
  all.emplace("", "Content-Type: text/plain; charset=UTF-8\n");
  std::uint32_t count = std::uint32_t(all.size());
  std::uint32_t originals = 28, translations = originals + 8 * count;
  std::uint32_t strings = translations + 8 * count;
  std::string pool;
  std::string originalTable, translationTable;
  for (const auto& [key, value] : all) {
    putWord(originalTable, std::uint32_t(key.size()), bigEndian);
    putWord(originalTable, strings + std::uint32_t(pool.size()), bigEndian);
    pool += key + '\0';
  }
  for (const auto& [key, value] : all) {
    putWord(translationTable, std::uint32_t(value.size()), bigEndian);
    putWord(translationTable, strings + std::uint32_t(pool.size()), bigEndian);
    pool += value + '\0';
  }
  std::string out;
  putWord(out, 0x950412de, bigEndian);
  for (std::uint32_t word : {0u, count, originals, translations, 0u, 0u})
    putWord(out, word, bigEndian);
  return out + originalTable + translationTable + pool;
}

// A bundle folder of its own for each test: catalogues are read once per path and kept.
class LocalizationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    bundle_ = fs::temp_directory_path() / ("kestrun-localization-" + std::to_string(getpid()) +
                                           "-" + std::to_string(counter++));
    fs::remove_all(bundle_);
    environment_.emplace(std::initializer_list<std::pair<const char*, const char*>>{
        {"KESTRUN_BUNDLE", bundle_.c_str()}});
  }
  void TearDown() override {
    environment_.reset();
    fs::remove_all(bundle_);
  }

  void install(const std::string& folder, const std::string& bytes) {
    fs::path directory = bundle_ / "locale" / folder / "LC_MESSAGES";
    fs::create_directories(directory);
    std::ofstream(directory / "kestrun-widgets.mo", std::ios::binary) << bytes;
  }

  fs::path bundle_;
  std::optional<ScopedEnvironment> environment_;
};

TEST_F(LocalizationTest, TranslatesKnownKeysAndShowsOthersAsWritten) {
  install("de", moFile({{"Open Kestrun", "Kestrun öffnen"}, {"%lld Mbps", "%lld Mbit/s"}}));
  ScopedLocale locale("de_DE.UTF-8");
  EXPECT_EQ(localizedString("Open Kestrun"), "Kestrun öffnen");
  EXPECT_EQ(localizedString("Run test"), "Run test");
  EXPECT_EQ(localizedFormat("%lld Mbps", 48), "48 Mbit/s");
  EXPECT_EQ(localizedFormat("%lld ms", 4), "4 ms");
}

TEST_F(LocalizationTest, EmptyKeyIsEmptyAlthoughTheCatalogueKeepsItsHeaderThere) {
  install("de", moFile({{"Open Kestrun", "Kestrun öffnen"}}));
  ScopedLocale locale("de_DE.UTF-8");
  EXPECT_EQ(localizedString(""), "");
}

TEST_F(LocalizationTest, RegionalCataloguesFallBackToTheirLanguage) {
  install("de", moFile({{"Run test", "Test starten"}, {"Memory", "Arbeitsspeicher"}}));
  install("de_CH", moFile({{"Memory", "Speicher"}}));
  struct Case {
    const char *lang, *key, *expected;
  } cases[] = {
      {"de_CH.UTF-8", "Memory", "Speicher"},        {"de_CH.UTF-8", "Run test", "Test starten"},
      {"de_AT.UTF-8", "Memory", "Arbeitsspeicher"}, {"de", "Memory", "Arbeitsspeicher"},
      {"fr_FR.UTF-8", "Memory", "Memory"},          {"C", "Memory", "Memory"},
  };
  for (const auto& c : cases) {
    ScopedLocale locale(c.lang);
    EXPECT_EQ(localizedString(c.key), c.expected) << c.lang << " " << c.key;
  }
}

TEST_F(LocalizationTest, LocaleNamesThatLookLikePathsFindNoCatalogue) {
  // A catalogue one level above the bundle must stay out of reach of "LANG=../..".
  install("de", moFile({{"Run test", "Test starten"}}));
  ScopedLocale locale("../locale/de");
  EXPECT_EQ(localizedString("Run test"), "Run test");
}

TEST_F(LocalizationTest, DamagedCataloguesTranslateNothing) {
  std::string good = moFile({{"Run test", "Test starten"}});
  std::string badOffset = good;
  badOffset[12] = '\xff';  // the table of keys lies beyond the end of the file
  badOffset[15] = '\x7f';
  struct Case {
    const char* folder;
    std::string bytes;
  } cases[] = {
      {"aa", ""},
      {"ab", "not a catalogue at all, but long enough"},
      {"ac", good.substr(0, good.size() - 12)},
      {"ad", badOffset},
  };
  for (const auto& c : cases) {
    install(c.folder, c.bytes);
    EXPECT_FALSE(MessageCatalog::parse(c.bytes)) << c.folder;
    EXPECT_EQ(localizedString("Run test", Foundation::Locale{c.folder, ""}), "Run test");
  }
}

TEST(MessageCatalogTest, ReadsBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    auto catalogue = MessageCatalog::parse(moFile({{"Run test", "Test starten"}}, bigEndian));
    ASSERT_TRUE(catalogue) << bigEndian;
    EXPECT_EQ(catalogue->find("Run test"), "Test starten");
    EXPECT_EQ(catalogue->size(), 1u);  // the header is not a message
  }
}

TEST(MessageCatalogTest, KeepsFirstPluralFormAndLeavesOutContextsAndBadText) {
  auto catalogue = MessageCatalog::parse(moFile({
      {std::string("%lld day\0%lld days", 17), std::string("%lld Tag\0%lld Tage", 17)},
      {"menu\x04Open", "Öffnen"},
      {"Broken", "Kaputt \xc3"},
      {"Untranslated", ""},
  }));
  ASSERT_TRUE(catalogue);
  EXPECT_EQ(catalogue->find("%lld day"), "%lld Tag");
  EXPECT_FALSE(catalogue->find("Open"));
  EXPECT_FALSE(catalogue->find("Broken"));
  EXPECT_FALSE(catalogue->find("Untranslated"));
}

TEST(CatalogueDirectoryTest, IsBesideTheProgramUnlessTheBundleIsNamed) {
  {
    ScopedEnvironment environment{{"KESTRUN_BUNDLE", nullptr}};
    fs::path program = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(Foundation::catalogueDirectory(),
              (program.parent_path().parent_path() / "share/kestrun-widgets/locale"));
  }
  ScopedEnvironment environment{{"KESTRUN_BUNDLE", "/opt/bundle"}};
  EXPECT_EQ(Foundation::catalogueDirectory(), fs::path("/opt/bundle/locale"));
}

// The German catalogue built from resources/po/de.po.
class GermanCatalogueTest : public ::testing::Test {
 protected:
  ScopedEnvironment environment_{{"KESTRUN_BUNDLE", KESTRUN_BUILD_DATA_DIR}};
  ScopedLocale locale_{"de_DE.UTF-8"};
};

TEST_F(GermanCatalogueTest, TranslatesEveryFixedTextOfTheWidgets) {
  const char* keys[] = {
      "Wi-Fi",
      "Signal, latency to your router and the last speed test.",
      "Memory",
      "How much RAM is in use and how hard macOS is working to find more.",
      "Wi-Fi & Memory",
      "Wi-Fi and memory side by side, with the last speed test and a button to run one.",
      "Zed Avudad",
      "Memory, disk, Wi-Fi and dev servers, plus what needs you.",
      "Open Kestrun",
      "It measures; this widget shows what it finds.",
      " %@",
      "%lld",
      "%lld Mbps",
      "%@ pressure",
      "%@ signal",
      "%lld dBm",
      "Not joined to a network",
      "Kestrun pings every 2 min",
      "of %@ · %@ swap",
      "No speed test yet",
      "↓ %lld",
      "  ↑ %lld",
      " Mbps · %@",
      "Run test",
      "Test again",
      "Kestrun",
      "Nothing needs you right now.",
      "just now",
      "Updated %@",
      "Updated %@ · open Kestrun",
  };
  fs::path mo = fs::path(KESTRUN_BUILD_DATA_DIR) / "locale/de/LC_MESSAGES/kestrun-widgets.mo";
  std::ifstream in(mo, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto catalogue = MessageCatalog::parse(bytes);
  ASSERT_TRUE(catalogue) << mo;
  for (const char* key : keys) EXPECT_TRUE(catalogue->find(key)) << '"' << key << '"';
  EXPECT_EQ(catalogue->size(), std::size(keys)) << "a catalogue entry no widget looks up";

  EXPECT_EQ(localizedString("Open Kestrun"), "Kestrun öffnen");
  EXPECT_EQ(localizedFormat("of %@ · %@ swap", "16 GB", "0.0 GB"), "von 16 GB · 0.0 GB Swap");
  EXPECT_EQ(localizedFormat(" Mbps · %@", "vor 2 Std."), " Mbit/s · vor 2 Std.");
  EXPECT_EQ(localizedFormat("Updated %@", "vor 2 Std."), "Aktualisiert vor 2 Std.");
}

}  // namespace
