#include "KestrunProbe/Repositories.h"
#include "KestrunProbe/RepositoryScan/Scanner.h"

#include <gtest/gtest.h>

#include "tests/KestrunProbe/ProbeTesting.h"

using namespace Probe;
using ProbeTesting::git;
using ProbeTesting::GitEnvironment;
using TestSupport::TemporaryDirectory;
using TestSupport::writeFile;

TEST(ProbeRepositories, SearchStopsAtRepositoriesPrunesAndKeepsItsDepth) {
  TemporaryDirectory root;
  std::filesystem::create_directories(root / "a/.git");
  std::filesystem::create_directories(root / "a/nested/.git");  // inside a repository: not searched
  writeFile(root / "group/b/.git", "gitdir: /somewhere/else\n");  // a linked worktree
  std::filesystem::create_directories(root / "group/deep/er/still/.git");
  std::filesystem::create_directories(root / "node_modules/c/.git");
  std::filesystem::create_directories(root / ".hidden/d/.git");
  std::filesystem::create_directories(root / "bare.git/objects");
  std::filesystem::create_directories(root / "bare.git/refs");
  writeFile(root / "bare.git/HEAD", "ref: refs/heads/main\n");
  std::filesystem::create_directory_symlink(root / "a", root / "link");

  auto found = findRepositories({root.path(), root / "missing"}, 2);
  EXPECT_EQ(found,
            (std::vector<std::filesystem::path>{root / "a", root / "bare.git", root / "group/b"}));
  auto deeper = findRepositories({root.path()}, 4);
  EXPECT_EQ(deeper.size(), 4u);
  EXPECT_EQ(findRepositories({root.path()}, 2, 2).size(), 1u);  // the directory budget ran out
}

TEST(ProbeRepositories, UnpushedCommitsAreCountedAgainstTheUpstream) {
  GitEnvironment environment;
  auto projects = environment.home() / "src";
  auto ahead = environment.project(projects / "kestrun", 1, 3);
  auto clean = environment.project(projects / "clean", 2, 0);
  auto other = environment.project(projects / "zelno", 1, 1);
  auto noUpstream = environment.project(projects / "local-only", 0, 2);

  Scanner scanner;
  EXPECT_EQ(scanner.ahead(ahead), 3);
  EXPECT_EQ(scanner.ahead(clean), 0);
  EXPECT_EQ(scanner.ahead(noUpstream), 0);
  EXPECT_FALSE(scanner.ahead(projects / "not-there"));
  EXPECT_FALSE(scanner.ahead(projects));  // a plain directory is no repository

  auto unpushed = scanner.unpushed(findRepositories({projects}, 3));
  ASSERT_EQ(unpushed.size(), 2u);
  EXPECT_EQ(unpushed[0].name, "kestrun");
  EXPECT_EQ(unpushed[0].ahead, 3);
  EXPECT_EQ(unpushed[1].name, "zelno");
  EXPECT_EQ(unpushed[1].ahead, 1);

  // Pushing clears the count, whatever was remembered of the earlier pair of commits.
  git(ahead, {"push", "-q", "origin", "HEAD:main"});
  git(ahead, {"fetch", "-q"});
  EXPECT_EQ(scanner.ahead(ahead), 0);
}

TEST(ProbeRepositories, RequestsAndRepliesKeepEveryByteOfAPath) {
  ScanRequest request{{"/home/u/src/a", std::string("/odd/na\nme\xff", 11)}, {{{"aa", "bb"}, 3}}};
  auto decoded = decodeScanRequest(encodeScanRequest(request));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->repositories, request.repositories);
  EXPECT_EQ(decoded->cache, request.cache);
  ScanReply reply{{{0, 2}, {1, 0}}, {{{"cc", "dd"}, 1}}};
  auto back = decodeScanReply(encodeScanReply(reply), 2);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->ahead, reply.ahead);
  EXPECT_EQ(back->cache, reply.cache);
  EXPECT_FALSE(decodeScanReply(encodeScanReply(reply), 1));  // an index beyond the request
  for (std::string_view bad :
       {std::string_view("Rno terminator"), std::string_view("X\0", 2),
        std::string_view("Caa bb\0", 7), std::string_view("Caa bb -1\0", 10)})
    EXPECT_FALSE(decodeScanRequest(bad)) << bad;
  EXPECT_EQ(unpushedFrom({"/x/zelno", "/x/kestrun.git", "/x/clean"}, {{0, 1}, {1, 3}, {2, 0}}),
            (std::vector<Unpushed>{{"kestrun", 3}, {"zelno", 1}}));
}

TEST(ProbeRepositories, TheHelperCountsInAProcessOfItsOwnAndRemembersPairs) {
  GitEnvironment environment;
  auto projects = environment.home() / "src";
  environment.project(projects / "kestrun", 1, 3);
  environment.project(projects / "clean", 1, 0);
  auto repositories = findRepositories({projects}, 3);
  auto counter = makeHelperCounter(KESTRUN_PROBE_REPOS);
  auto first = counter->unpushed(repositories);
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, (std::vector<Unpushed>{{"kestrun", 3}}));
  EXPECT_EQ(counter->unpushed(repositories), first);
  EXPECT_EQ(counter->unpushed({}), std::vector<Unpushed>{});
  EXPECT_FALSE(makeHelperCounter("/nonexistent/helper")->unpushed(repositories));
  EXPECT_FALSE(makeHelperCounter("/bin/false")->unpushed(repositories));
}
