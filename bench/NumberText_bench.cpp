// Number texts against the C library they are built on: Decode::Scientific
// and Decode::Fixed against snprintf, Encode::Real against strtod, on the
// same values in one process. What matters is the ratio printed at the end
// (our time / the C library's time), not the absolute times.

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "foundation/Decode.h"
#include "foundation/Encode.h"

namespace {

constexpr int kValues = 256;
constexpr int kScientificWidth = 15;  // 9 significant digits
constexpr int kFixedWidth = 20;
constexpr int kFixedDecimals = 6;

using Text = std::array<char, 64>;

// Log-uniform magnitudes with random signs. Fixed values stay below 1e9 so
// that every one of them fits its field and none falls back to Scientific.
std::vector<double> Values(double lowExponent, double highExponent) {
  std::mt19937_64 random(20240601);
  std::uniform_real_distribution<double> exponent(lowExponent, highExponent);
  std::vector<double> values;
  for (int i = 0; i < kValues; ++i) {
    const double x = std::pow(10.0, exponent(random));
    values.push_back(i % 2 == 0 ? x : -x);
  }
  return values;
}

const std::vector<double>& ScientificValues() {
  static const std::vector<double> values = Values(-300.0, 300.0);
  return values;
}

const std::vector<double>& FixedValues() {
  static const std::vector<double> values = Values(-3.0, 8.9);
  return values;
}

const std::vector<Text>& RealTexts() {
  static const std::vector<Text> texts = [] {
    std::vector<Text> result;
    for (const double x : ScientificValues()) {
      Text text{};
      std::snprintf(text.data(), text.size(), "%.17G", x);
      result.push_back(text);
    }
    return result;
  }();
  return texts;
}

void DecodeScientific(benchmark::State& state) {
  Text text{};
  for (auto _ : state) {
    for (const double x : ScientificValues()) {
      text[0] = '\0';
      Decode::Scientific(x, text, kScientificWidth);
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

void SnprintfScientific(benchmark::State& state) {
  Text text{};
  for (auto _ : state) {
    for (const double x : ScientificValues()) {
      std::snprintf(text.data(), text.size(), "%*.*E", kScientificWidth, kScientificWidth - 7, x);
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

void DecodeFixed(benchmark::State& state) {
  Text text{};
  for (auto _ : state) {
    for (const double x : FixedValues()) {
      text[0] = '\0';
      Decode::Fixed(x, text, kFixedWidth, kFixedDecimals);
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

void SnprintfFixed(benchmark::State& state) {
  Text text{};
  for (auto _ : state) {
    for (const double x : FixedValues()) {
      std::snprintf(text.data(), text.size(), "%*.*f", kFixedWidth, kFixedDecimals, x);
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

void EncodeReal(benchmark::State& state) {
  for (auto _ : state) {
    for (const Text& text : RealTexts()) {
      double x = 0.0;
      benchmark::DoNotOptimize(Encode::Real(text, x));
      benchmark::DoNotOptimize(x);
    }
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

void Strtod(benchmark::State& state) {
  for (auto _ : state) {
    for (const Text& text : RealTexts()) {
      char* end = nullptr;
      benchmark::DoNotOptimize(std::strtod(text.data(), &end));
      benchmark::DoNotOptimize(end);
    }
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

BENCHMARK(DecodeScientific);
BENCHMARK(SnprintfScientific);
BENCHMARK(DecodeFixed);
BENCHMARK(SnprintfFixed);
BENCHMARK(EncodeReal);
BENCHMARK(Strtod);

struct Pair {
  const char* ours;
  const char* peer;
};

constexpr std::array<Pair, 3> kPairs = {{
    {"DecodeScientific", "SnprintfScientific"},
    {"DecodeFixed", "SnprintfFixed"},
    {"EncodeReal", "Strtod"},
}};

// Keeps the time per item of every run beside the usual console output.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        nanoseconds_[run.benchmark_name()] =
            run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations * kValues);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    std::printf("\n%-18s %12s %-20s %12s %8s\n", "ours", "ns/item", "peer", "ns/item", "ratio");
    for (const Pair& pair : kPairs) {
      const auto ours = nanoseconds_.find(pair.ours);
      const auto peer = nanoseconds_.find(pair.peer);
      if (ours == nanoseconds_.end() || peer == nanoseconds_.end()) continue;
      std::printf("%-18s %12.1f %-20s %12.1f %8.2f\n", pair.ours, ours->second, pair.peer,
                  peer->second, ours->second / peer->second);
    }
  }

 private:
  std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
