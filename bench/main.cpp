// The benchmark program: Google Benchmark's runner plus figures comparing
// the viewer with the plain tools on the same corpus in the same run.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <vector>

#include "bench/bench.h"

namespace varlo::bench {
namespace {

std::filesystem::path gCorpus;
std::map<std::string, double, std::less<>> gSeconds;

std::vector<std::function<void()>>& FigureList() {
  static std::vector<std::function<void()>> list;
  return list;
}

// Records each run's real time next to the usual console table.
class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration && run.iterations > 0)
        gSeconds[run.benchmark_name()] =
            run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    ConsoleReporter::ReportRuns(runs);
  }
};

long StatusKiB(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(key);
  while (std::getline(status, line))
    if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n + 1);
  return -1;
}

}  // namespace

const std::filesystem::path& Corpus() { return gCorpus; }

double Seconds(std::string_view benchmark) {
  const auto it = gSeconds.find(benchmark);
  return it == gSeconds.end() ? NAN : it->second;
}

void Print(std::string_view name, double value, int decimals) {
  std::printf("%.*s: %.*f\n", static_cast<int>(name.size()), name.data(), decimals, value);
}

double TimeCommand(const std::string& command, int runs) {
  double best = INFINITY;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return NAN;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

double InChild(const std::function<double()>& work) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return NAN;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    const double value = work();
    if (write(pipeFds[1], &value, sizeof value) != sizeof value) _exit(1);
    _exit(0);
  }
  close(pipeFds[1]);
  double value = NAN;
  if (read(pipeFds[0], &value, sizeof value) != sizeof value) value = NAN;
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return value;
}

double PeakBytes(const std::function<void()>& work) {
  return InChild([&] {
    const long before = StatusKiB("VmRSS:");
    work();
    return (StatusKiB("VmHWM:") - before) * 1024.0;
  });
}

void Print(std::string_view name, const Spread& s, int decimals) {
  std::printf("%.*s: %.*f (runs %.*f to %.*f)\n", static_cast<int>(name.size()), name.data(),
              decimals, s.median, decimals, s.low, decimals, s.high);
}

Spread SpreadOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.front(), values.back()};
}

Figures::Figures(std::function<void()> print) { FigureList().push_back(std::move(print)); }

}  // namespace varlo::bench

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--corpus=", 9) == 0)
      varlo::bench::gCorpus = argv[i] + 9;
    else
      rest.push_back(argv[i]);
  }
  if (varlo::bench::gCorpus.empty()) {
    std::fprintf(stderr, "usage: %s --corpus=PATH [benchmark flags]\n", argv[0]);
    return 2;
  }
  int n = static_cast<int>(rest.size());
  benchmark::Initialize(&n, rest.data());
  // The table goes to stderr, the figures to stdout.
  varlo::bench::Recorder recorder;
  recorder.SetOutputStream(&std::cerr);
  recorder.SetErrorStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&recorder);
  benchmark::Shutdown();
  for (const auto& print : varlo::bench::FigureList()) print();
  std::fflush(stdout);
  return 0;
}
