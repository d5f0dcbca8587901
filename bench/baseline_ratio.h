#pragma once
// A figure as a multiple of a baseline measured in the same run, so that a loaded or slower machine
// moves both alike: the process's CPU time around the benchmark's loop, per iteration, beside the
// median CPU time of a few runs of the baseline's work.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace ostrada::bench {

inline double CpuMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The median CPU milliseconds of `runs` calls of `work`.
template <class Work>
double MedianCpuMs(int runs, Work&& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double start = CpuMs();
    work();
    times.push_back(CpuMs() - start);
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[static_cast<size_t>(runs / 2)];
}

// Times the loop from its construction to Report(): "cpu_ms" a run, and "x_<name>" that over each
// baseline's.
class BaselineRatio {
 public:
  struct Baseline {
    const char* name;
    double ms;
  };

  BaselineRatio() : start_(CpuMs()) {}
  void Report(benchmark::State& state, std::initializer_list<Baseline> baselines) const {
    const auto runs = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    const double each = (CpuMs() - start_) / runs;
    state.counters["cpu_ms"] = each;
    for (const Baseline& baseline : baselines) state.counters[std::string("x_") + baseline.name] = each / baseline.ms;
  }

 private:
  double start_;
};

}  // namespace ostrada::bench
