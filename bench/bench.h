// Shared pieces of the benchmark program: the corpus, results of finished
// benchmarks, and the figures printed at the end as "name: value".
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varlo::bench {

// The corpus given with --corpus=PATH.
const std::filesystem::path& Corpus();

// Real seconds per iteration of a benchmark that ran; NaN when it did not.
double Seconds(std::string_view benchmark);

// Prints one figure line.
void Print(std::string_view name, double value, int decimals = 2);

// Wall-clock seconds of a shell command, best of `runs`.
double TimeCommand(const std::string& command, int runs = 3);

// Runs `work` in a fresh child process (memory that process never touched,
// as a program that has just started has) and returns what it returned.
double InChild(const std::function<double()>& work);

// Peak resident memory, in bytes, that `work` adds when it runs in a fresh
// child process.
double PeakBytes(const std::function<void()>& work);

// The median of values, with the lowest and highest.
struct Spread {
  double median, low, high;
};
Spread SpreadOf(std::vector<double> values);
// Prints "name: median (runs low to high)".
void Print(std::string_view name, const Spread& s, int decimals = 3);

// Times one command per iteration after an untimed set-up (for benchmarks
// that use manual time).
template <class State, class Setup, class Command>
void Timed(State& state, Setup setup, Command command) {
  for (auto _ : state) {
    setup();
    const auto start = std::chrono::steady_clock::now();
    command();
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

// Computes and prints figures once every benchmark has run.
struct Figures {
  explicit Figures(std::function<void()> print);
};

}  // namespace varlo::bench
