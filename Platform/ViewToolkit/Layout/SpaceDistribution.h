// How stacks and grids share a length among their children (or columns and rows).
//
// The least flexible claim (the one whose length varies least between the smallest and the
// largest offer) is served first, each offered an equal share of what is left, so that what an
// inflexible child leaves goes to the flexible ones. Claims that fill last (spacers) only hold
// back their minimum until every other claim is served, then share the rest evenly.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace ViewToolkit::Layout {

struct SpaceClaim {
  double minimum = 0;
  double flexibility = 0;  // its largest length less its smallest
  bool fillsLast = false;
};

// Offers `available` to the claims; `take(i, offer)` sizes claim i for an offer and returns the
// length it took. Every claim is offered exactly once, never less than zero.
void distributeSpace(double available, const std::vector<SpaceClaim>& claims,
                     const std::function<double(std::size_t, double)>& take);

}  // namespace ViewToolkit::Layout
