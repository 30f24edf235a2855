#include "KestrunWidgetKit/WidgetSnapshot/WidgetStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::encodeSnapshot;
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

namespace {

using TestSupport::ScopedWidgetContainer;

WidgetSnapshot wholeSecondSample(double updated = 1'800'000'000) {
  WidgetSnapshot s = WidgetSnapshot::sample();
  s.updated = Foundation::Date{updated};
  s.speedTest->date = Foundation::Date{updated - 7200};
  return s;
}

TEST(WidgetStore, LocationFollowsTheGroupIdentifier) {
  ScopedWidgetContainer container;
  EXPECT_EQ(WidgetStore::groupID(), "group.test");
  EXPECT_EQ(WidgetStore::fileURL(), container.snapshotFile());
  // Asked again after the environment changed, the answer follows it at once.
  {
    TestSupport::ScopedEnvironment moved{{"XDG_DATA_HOME", "/elsewhere"}};
    EXPECT_EQ(WidgetStore::fileURL(),
              std::filesystem::path("/elsewhere/group-containers/group.test/widget-snapshot.json"));
    TestSupport::ScopedEnvironment unset{{"XDG_DATA_HOME", nullptr}, {"HOME", "/home/k"}};
    EXPECT_EQ(WidgetStore::fileURL(), std::filesystem::path("/home/k/.local/share/group-containers/"
                                                            "group.test/widget-snapshot.json"));
    TestSupport::ScopedEnvironment nowhere{{"HOME", nullptr}};
    EXPECT_EQ(WidgetStore::fileURL(), std::nullopt);
  }
  EXPECT_EQ(WidgetStore::fileURL(), container.snapshotFile());
  ScopedWidgetContainer other("<string>group.other</string>");
  EXPECT_EQ(WidgetStore::fileURL()->parent_path().filename(), "group.other");
}

TEST(WidgetStore, NoIdentifierMeansNoFileNoSnapshotAndASilentWrite) {
  for (const char* value : {"", "<integer>7</integer>", "<true/>", "<array/>", "<string>..</string>"}) {
    ScopedWidgetContainer container(value);
    EXPECT_FALSE(WidgetStore::fileURL()) << value;
    EXPECT_FALSE(WidgetStore::read()) << value;
    EXPECT_NO_THROW(WidgetStore::write(wholeSecondSample())) << value;
    EXPECT_FALSE(std::filesystem::exists(container.root() / "data")) << value;
  }
}

TEST(WidgetStore, WriteThenReadGivesTheSnapshotBack) {
  ScopedWidgetContainer container;
  EXPECT_FALSE(WidgetStore::read());
  WidgetSnapshot s = wholeSecondSample();
  WidgetStore::write(s);  // creates the container with its parents
  EXPECT_EQ(WidgetStore::read(), s);
  EXPECT_EQ(TestSupport::readFile(container.snapshotFile()), encodeSnapshot(s));

  WidgetSnapshot fractional = s;
  fractional.updated = fractional.updated + 0.5;
  WidgetStore::write(fractional);
  auto back = WidgetStore::read();
  ASSERT_TRUE(back);
  EXPECT_NE(*back, fractional);
  EXPECT_EQ(back->updated, s.updated);
}

// Reads answer from the file as it is now: a document rewritten in place with the same size, an
// instant later, reads as the new one; the same bytes again read as the same snapshot.
TEST(WidgetStore, EveryReadAnswersForTheFileAsItIsNow) {
  ScopedWidgetContainer container;
  WidgetSnapshot first = wholeSecondSample(), second = first;
  first.memory->used = 10'000'000'000ULL;
  second.memory->used = 20'000'000'000ULL;
  std::string a = encodeSnapshot(first), b = encodeSnapshot(second);
  ASSERT_EQ(a.size(), b.size());
  for (int round = 0; round < 3; ++round) {
    TestSupport::writeFile(container.snapshotFile(), a);
    EXPECT_EQ(WidgetStore::read(), first);
    EXPECT_EQ(WidgetStore::read(), first);
    TestSupport::writeFile(container.snapshotFile(), b);
    EXPECT_EQ(WidgetStore::read(), second);
    TestSupport::writeFile(container.snapshotFile(), a.substr(0, a.size() - 1) + " ");
    EXPECT_FALSE(WidgetStore::read());
  }
}

TEST(WidgetStore, DamagedOrOddFilesAreNoSnapshot) {
  ScopedWidgetContainer container;
  std::string good = encodeSnapshot(wholeSecondSample());
  std::string why;
  for (std::string bytes : {std::string(), std::string("{}"), good.substr(0, good.size() / 2),
                            std::string("\0\0\0\0", 4)}) {
    TestSupport::writeFile(container.snapshotFile(), bytes);
    EXPECT_FALSE(WidgetStore::read(&why));
    EXPECT_FALSE(why.empty());
  }
  std::filesystem::remove(container.snapshotFile());
  std::filesystem::create_directory(container.snapshotFile());
  EXPECT_FALSE(WidgetStore::read());
  std::filesystem::remove(container.snapshotFile());
  ASSERT_EQ(::mkfifo(container.snapshotFile().c_str(), 0644), 0);
  EXPECT_FALSE(WidgetStore::read());  // returns at once: nobody writes to the FIFO
}

TEST(WidgetStore, WriteFailureThrowsAndKeepsThePreviousDocument) {
  ScopedWidgetContainer container;
  WidgetSnapshot s = wholeSecondSample();
  WidgetStore::write(s);
  WidgetSnapshot bad = s;
  bad.attention[0].title = "\xFF\xFE";
  EXPECT_THROW(WidgetStore::write(bad), std::system_error);
  EXPECT_EQ(WidgetStore::read(), s);

  // A container that cannot be created: a regular file stands where its directory should be.
  ScopedWidgetContainer blocked;
  TestSupport::writeFile(blocked.snapshotFile().parent_path(), "not a directory");
  EXPECT_THROW(WidgetStore::write(s), std::system_error);
}

// A document over the readers' cap would be stored and then refused by every read; the writer
// refuses it instead, leaving the previous file and no temporary file. One item under the cap
// still goes through.
TEST(WidgetStore, ADocumentNoReaderAcceptsIsNeverWritten) {
  ScopedWidgetContainer container;
  WidgetSnapshot s = wholeSecondSample();
  WidgetStore::write(s);
  WidgetSnapshot large = s;
  large.attention.assign(100'000, s.attention[0]);
  std::string encoded = encodeSnapshot(large);
  ASSERT_GT(encoded.size(), WidgetStore::maximumFileSize);
  try {
    WidgetStore::write(large);
    ADD_FAILURE() << "wrote a document of " << encoded.size() << " bytes";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code(), std::errc::file_too_large);
  }
  EXPECT_EQ(WidgetStore::read(), s);
  for (const auto& entry :
       std::filesystem::directory_iterator(container.snapshotFile().parent_path()))
    EXPECT_EQ(entry.path(), container.snapshotFile());

  // Shrunk to just under the cap, it is written and read back.
  large.attention.resize(1);
  std::size_t one = encodeSnapshot(large).size();
  large.attention.resize(2);
  std::size_t perItem = encodeSnapshot(large).size() - one;
  large.attention.resize(1 + (WidgetStore::maximumFileSize - one) / perItem);
  ASSERT_LE(encodeSnapshot(large).size(), WidgetStore::maximumFileSize);
  WidgetStore::write(large);
  EXPECT_EQ(WidgetStore::read(), large);
}

// A writer process replaces the file over and over with two alternating snapshots while this
// process reads: every read sees one of the two, never a torn or empty document.
TEST(WidgetStore, ReadersNeverSeeAPartialDocumentWhileTheWriterReplacesIt) {
  ScopedWidgetContainer container;
  WidgetSnapshot first = wholeSecondSample(1'800'000'000), second = first;
  second.attention.pop_back();
  second.attentionTotal = 1;
  second.memory->used = 1;
  WidgetStore::write(first);

  constexpr int replacements = 2000;
  pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    for (int i = 0; i < replacements; ++i) WidgetStore::write(i % 2 ? first : second);
    ::_exit(0);
  }
  int reads = 0, unreadable = 0, status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (::waitpid(writer, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
    auto s = WidgetStore::read();
    ++reads;
    if (!s || (*s != first && *s != second)) ++unreadable;
  }
  if (std::chrono::steady_clock::now() >= deadline) {
    ::kill(writer, SIGKILL);
    ::waitpid(writer, &status, 0);
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_GT(reads, 100);
  EXPECT_EQ(unreadable, 0) << "of " << reads << " reads";
  // The writer left no temporary files behind.
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(container.snapshotFile().parent_path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(WidgetStoreKind, OnePrefixFourSuffixes) {
  EXPECT_EQ(WidgetStore::Kind::wifi, "app.kestrun.widgets.wifi");
  EXPECT_EQ(WidgetStore::Kind::memory, "app.kestrun.widgets.memory");
  EXPECT_EQ(WidgetStore::Kind::overview, "app.kestrun.widgets.overview");
  EXPECT_EQ(WidgetStore::Kind::health, "app.kestrun.widgets.health");
}

}  // namespace
