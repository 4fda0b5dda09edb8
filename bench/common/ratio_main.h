#pragma once
// A benchmark main that runs every benchmark and then prints, for each pair declared with
// ORB_BENCH_RATIO(ours, reference), the ratio of their times per iteration (ours / reference).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace orb_bench {

inline std::vector<std::pair<std::string, std::string>>& ratios() {
  static std::vector<std::pair<std::string, std::string>> pairs;
  return pairs;
}

struct RatioRegistrar {
  RatioRegistrar(const char* ours, const char* reference) { ratios().emplace_back(ours, reference); }
};

class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> timePerIteration;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.iterations > 0) timePerIteration[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

inline int runWithRatios(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nratios (ours / reference, lower is better):\n");
  for (const auto& [ours, reference] : ratios()) {
    auto a = reporter.timePerIteration.find(ours);
    auto b = reporter.timePerIteration.find(reference);
    if (a == reporter.timePerIteration.end() || b == reporter.timePerIteration.end() || b->second <= 0) continue;
    std::printf("  %-40s / %-40s = %6.2f\n", ours.c_str(), reference.c_str(), a->second / b->second);
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace orb_bench

#define ORB_BENCH_RATIO_CAT2(a, b) a##b
#define ORB_BENCH_RATIO_CAT(a, b) ORB_BENCH_RATIO_CAT2(a, b)
#define ORB_BENCH_RATIO(ours, reference) \
  static orb_bench::RatioRegistrar ORB_BENCH_RATIO_CAT(orbRatio, __LINE__)(#ours, #reference)
#define ORB_BENCH_RATIO_MAIN() \
  int main(int argc, char** argv) { return orb_bench::runWithRatios(argc, argv); }
