#include "KestrunWidgetKit/WidgetSnapshot/SharedList.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(SharedList, CopiesShareUntilOneChangesAndThenDifferLikeValues) {
  SharedList<std::string> a{"one", "two"};
  SharedList<std::string> b = a;
  EXPECT_TRUE(b.sharesItemsWith(a));

  const SharedList<std::string>& readOnly = b;
  EXPECT_EQ(readOnly[1], "two");
  EXPECT_EQ(readOnly.size(), 2u);
  EXPECT_TRUE(b.sharesItemsWith(a));  // reading copied nothing

  b[0] = "uno";  // a write gives b its own items
  EXPECT_FALSE(b.sharesItemsWith(a));
  EXPECT_EQ(a[0], "one");
  EXPECT_EQ(b[0], "uno");
  EXPECT_NE(a, b);

  for (auto& item : b) item += "!";
  b.push_back("three");
  EXPECT_EQ(b.items(), (std::vector<std::string>{"uno!", "two!", "three"}));
  EXPECT_EQ(a.items(), (std::vector<std::string>{"one", "two"}));
}

TEST(SharedList, EmptyListsAndEqualityByItems) {
  SharedList<int> empty, alsoEmpty{};
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.begin(), empty.end());
  EXPECT_EQ(empty, alsoEmpty);
  EXPECT_FALSE(empty.sharesItemsWith(alsoEmpty));  // nothing to share

  SharedList<int> x{1, 2, 3}, y = std::vector<int>{1, 2, 3};
  EXPECT_EQ(x, y);  // separate buffers, same items
  SharedList<int> z = x;
  z.clear();
  EXPECT_TRUE(z.empty());
  EXPECT_EQ(x.size(), 3u);
  z.assign(2, 7);
  EXPECT_EQ(z.items(), (std::vector<int>{7, 7}));
  z.pop_back();
  EXPECT_EQ(z.back(), 7);
  EXPECT_THROW(static_cast<const SharedList<int>&>(z).at(5), std::out_of_range);
}

TEST(SharedList, CopiesReadOnManyThreadsWhileOneIsChanged) {
  SharedList<int> original(std::vector<int>(10000, 1));
  std::vector<std::thread> readers;
  std::vector<long> sums(4);
  for (int t = 0; t < 4; ++t)
    readers.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        const SharedList<int> copy = original;
        long sum = 0;
        for (int v : copy) sum += v;
        sums[t] = sum;
      }
    });
  SharedList<int> changed = original;
  for (int round = 0; round < 50; ++round) changed[round] = 2;
  for (auto& r : readers) r.join();
  for (long s : sums) EXPECT_EQ(s, 10000);
  EXPECT_EQ(changed[0], 2);
  EXPECT_EQ(original[0], 1);
}

}  // namespace
