#include "Platform/ViewToolkit/Layout/SpaceDistribution.h"

#include <algorithm>
#include <numeric>

namespace ViewToolkit::Layout {

void distributeSpace(double available, const std::vector<SpaceClaim>& claims,
                     const std::function<double(std::size_t, double)>& take) {
  const std::size_t n = claims.size();
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return claims[a].flexibility < claims[b].flexibility;
  });
  std::vector<std::size_t> first, last;
  for (std::size_t i : order) (claims[i].fillsLast ? last : first).push_back(i);

  double remaining = available;
  for (std::size_t i : last) remaining -= claims[i].minimum;
  for (std::size_t j = 0; j < first.size(); ++j) {
    remaining -= take(first[j], std::max(0.0, remaining / double(first.size() - j)));
  }
  for (std::size_t i : last) remaining += claims[i].minimum;
  for (std::size_t j = 0; j < last.size(); ++j) {
    remaining -= take(last[j], std::max(0.0, remaining / double(last.size() - j)));
  }
}

}  // namespace ViewToolkit::Layout
