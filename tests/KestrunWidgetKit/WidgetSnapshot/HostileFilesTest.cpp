// Hostile and broken snapshot files, each through the store's own read: no snapshot (or the
// snapshot, where the document is valid), at once, without a crash and with memory bounded by
// the size cap.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

namespace fs = std::filesystem;

// Peak resident memory since the last reset, in KiB (Linux: /proc/self/clear_refs and VmHWM).
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
long peakMemoryKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

std::string item(std::string_view title) {
  return R"({"id":"i","title":")" + std::string(title) +
         R"(","detail":"","severity":0,"section":"s","symbol":"folder.fill","tint":"red"})";
}

std::string document(std::string attention, std::string extra = "") {
  return R"({"updated":"2026-03-01T10:00:00Z","wifiChecked":false,"devRunning":0,"attention":[)" +
         attention + R"(],"attentionTotal":0,"urgent":0,"toCheck":0)" + extra + "}";
}

class HostileFiles : public ::testing::Test {
 protected:
  TestSupport::ScopedWidgetContainer container;
  fs::path file = container.snapshotFile();

  void SetUp() override { fs::create_directories(file.parent_path()); }
  void put(const std::string& bytes) {
    fs::remove_all(file);
    TestSupport::writeFile(file, bytes);
  }
  // Reads once and checks the memory it took against a bound of a few times the file's size.
  std::optional<WidgetSnapshot> readBounded(long allowedKiB) {
    resetPeakMemory();
    long before = peakMemoryKiB();
    auto snapshot = WidgetStore::read();
    EXPECT_LT(peakMemoryKiB() - before, allowedKiB);
    return snapshot;
  }
};

TEST_F(HostileFiles, OversizedAndHugeDocuments) {
  // One byte over the cap: refused before anything is parsed.
  std::string over(WidgetStore::maximumFileSize + 1, ' ');
  put(over);
  EXPECT_FALSE(readBounded(4 * 1024));
  over.clear();
  over.shrink_to_fit();

  // 100,000 attention items inside the cap: a valid document, read whole.
  std::string items;
  for (int i = 0; i < 100000; ++i) items += (i ? "," : "") + item("t");
  std::string many = document(items);
  ASSERT_LT(many.size(), WidgetStore::maximumFileSize);
  put(many);
  auto s = readBounded(long(many.size() / 1024) * 12 + 16 * 1024);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->attention.size(), 100000u);

  // A title of 1 MiB.
  put(document(item(std::string(1 << 20, 'x'))));
  s = readBounded(8 * 1024);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->attention[0].title.size(), 1u << 20);

  // Nested 100,000 deep in an unknown member: refused at the depth bound.
  put(document("", ",\"deep\":" + std::string(100000, '[') + std::string(100000, ']')));
  EXPECT_FALSE(readBounded(8 * 1024));
}

TEST_F(HostileFiles, BytesNoWriterProduces) {
  const std::string good = document(item("ok"));
  const std::string cases[] = {
      document(item("\xC3\x28")),                     // invalid UTF-8
      document(item("\xE0\x80\xAF")),                 // overlong
      document(item("\xED\xA0\x80")),                 // an encoded surrogate
      document(item("a\\u0000b")),                    // NUL inside a string
      good + std::string(1, '\0'),                    // NUL after the document
      std::string("\0", 1) + good,                    // NUL before it
      "\xEF\xBB\xBF" + good,                          // byte order mark
      std::string(4096, '\0'),                        // a file of NULs, as a crash may leave
      good.substr(0, good.size() / 2),                // torn
      good + good,                                    // two documents
  };
  for (const auto& bytes : cases) {
    put(bytes);
    EXPECT_FALSE(WidgetStore::read());
  }
  put(good);
  EXPECT_TRUE(WidgetStore::read());
}

TEST_F(HostileFiles, ThingsThatAreNotARegularFile) {
  fs::create_directories(file);
  EXPECT_FALSE(WidgetStore::read());
  fs::remove_all(file);

  ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);  // no writer: opening must not wait for one
  EXPECT_FALSE(WidgetStore::read());
  fs::remove(file);

  fs::create_symlink("/dev/zero", file);  // endless bytes
  EXPECT_FALSE(WidgetStore::read());
  fs::remove(file);

  fs::create_symlink(container.root(), file);  // a link to a directory
  EXPECT_FALSE(WidgetStore::read());
  fs::remove(file);

  // Root reads whatever the mode says: the read runs as an unprivileged user.
  put(document(""));
  fs::permissions(file, fs::perms::none);
  EXPECT_EQ(TestSupport::asUnprivilegedUser([] { return WidgetStore::read() ? 1 : 0; }), 0);
}

// A link in the file's place is followed, as users link their data to another disk; what it
// leads to must still be a regular file within the cap.
TEST_F(HostileFiles, ASymbolicLinkToTheDocumentIsFollowed) {
  TestSupport::writeFile(container.root() / "elsewhere.json", document(""));
  fs::create_directories(file.parent_path());
  fs::create_symlink(container.root() / "elsewhere.json", file);
  EXPECT_TRUE(WidgetStore::read());
  TestSupport::writeFile(container.root() / "elsewhere.json",
                         std::string(WidgetStore::maximumFileSize + 1, ' '));
  std::string why;
  EXPECT_FALSE(WidgetStore::read(&why));
  EXPECT_EQ(why, "larger than 16777216 bytes");
}

// A writer that replaces the file atomically while another keeps truncating and rewriting it in
// place (what a careless writer does): the reader gets the snapshot or none, never a crash, and
// each read ends.
TEST_F(HostileFiles, FileReplacedOrTruncatedWhileRead) {
  const std::string good = document(item("ok"));
  put(good);
  std::atomic<bool> stop{false};
  std::thread vandal([&] {
    for (int i = 0; i < 3000 && !stop; ++i) {
      if (i % 2) {
        ::truncate(file.c_str(), static_cast<off_t>(good.size() / (1 + i % 7)));
      } else {
        TestSupport::writeFile(file, good);
      }
    }
  });
  int reads = 0, snapshots = 0;
  for (; reads < 3000; ++reads) {
    if (auto s = WidgetStore::read()) {
      ++snapshots;
      EXPECT_EQ(s->attention.at(0).title, "ok");
    }
  }
  stop = true;
  vandal.join();
  EXPECT_EQ(reads, 3000);
  RecordProperty("snapshots", snapshots);
}

}  // namespace
