// The console table, and then lines of ratios between benchmarks of the same
// run: a reporter keeps each benchmark's time (its median when repeated) by
// name, and Finalize, after the table, prints what it compares.
#pragma once
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double cpu = 0, real = 0;  // in the benchmark's own unit
    std::string label;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if ((r.run_type != Run::RT_Iteration && !median) || r.error_occurred) continue;
      times_[r.run_name.str()] = {r.GetAdjustedCPUTime(), r.GetAdjustedRealTime(), r.report_label};
    }
  }

 protected:
  // The benchmark's times, or null when it did not run.
  const Times* Find(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::string, Times> times_;
};

// Runs the benchmarks the command line selects, reporting through `reporter`.
inline void RunBenchmarks(int argc, char** argv, benchmark::BenchmarkReporter& reporter) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}

}  // namespace bench
