// Figures against a floor measured in the same iteration. The machine these run on is shared and
// its speed drifts, so a figure alone says little: every iteration times the floor and the
// candidate back to back, and the counters are medians over the iterations of each and of their
// ratio, pair by pair.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

namespace BenchSupport {

inline double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Seconds that `work` takes, run `times` times in a row, by the wall clock.
template <class Work>
double secondsFor(Work&& work, int times = 1) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < times; ++i) work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double threadCPUSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The same in CPU seconds of the calling thread: time the scheduler gives to other processes
// does not count, so figures of work that stays on this thread hold on a busy machine.
template <class Work>
double cpuSecondsFor(Work&& work, int times = 1) {
  const double start = threadCPUSeconds();
  for (int i = 0; i < times; ++i) work();
  return threadCPUSeconds() - start;
}

class Paired {
 public:
  // One pair: the floor's figure and the candidate's, in the same unit.
  void add(double floor, double candidate) {
    floors_.push_back(floor);
    values_.push_back(candidate);
    if (floor > 0) ratios_.push_back(candidate / floor);
  }

  // Counters `<name>` and `<name>_floor` (each figure times `scale`) and `<name>_ratio`.
  void report(benchmark::State& state, const std::string& name, double scale = 1) const {
    state.counters[name] = median(values_) * scale;
    state.counters[name + "_floor"] = median(floors_) * scale;
    state.counters[name + "_ratio"] = median(ratios_);
  }

 private:
  std::vector<double> floors_, values_, ratios_;
};

}  // namespace BenchSupport
