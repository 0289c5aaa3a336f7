// A console reporter that also prints, after the run, the ratio of each
// benchmark's time to its baseline's. Benchmarks are named "<case>/<variant>";
// the baseline of a case is the variant named by `baseline`.
//
//   int main(int argc, char** argv) { return RunWithRatios(argc, argv, "naive"); }
#ifndef TAV_BENCH_RATIO_REPORTER_H_
#define TAV_BENCH_RATIO_REPORTER_H_

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tav_bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::string baseline) : baseline_(std::move(baseline)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.benchmark_name();
      const size_t slash = name.rfind('/');
      if (slash == std::string::npos) continue;
      // With --benchmark_repetitions the fastest repetition counts: on a
      // shared machine the slower ones measure the neighbours. Processor
      // time, not wall time, for the same reason: a program that waits for
      // a core is not slower.
      double& time = times_[name.substr(0, slash)][name.substr(slash + 1)];
      const double this_time = run.GetAdjustedCPUTime();
      if (time == 0 || this_time < time) time = this_time;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatios against '%s' (lower is faster):\n", baseline_.c_str());
    for (const auto& [name, variants] : times_) {
      const auto base = variants.find(baseline_);
      if (base == variants.end() || base->second <= 0) continue;
      for (const auto& [variant, time] : variants) {
        if (variant == baseline_) continue;
        std::printf("  %-40s %-18s %6.3fx\n", name.c_str(), variant.c_str(), time / base->second);
      }
    }
  }

 private:
  std::string baseline_;
  std::map<std::string, std::map<std::string, double>> times_;
};

inline int RunWithRatios(int argc, char** argv, const char* baseline) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(baseline);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace tav_bench

#endif  // TAV_BENCH_RATIO_REPORTER_H_
