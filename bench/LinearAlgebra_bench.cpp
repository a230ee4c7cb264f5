// LU solving and inversion of small single-precision matrices, ours against
// LAPACK (sgesv, sgetrf + sgetri) and Eigen (PartialPivLU) in one process.
// Every variant copies the n x n matrix into its working storage in each
// iteration, since all of them overwrite it. After the runs a table gives
// our time over each peer's; the goal is at most 1.5 x the best peer.
// On a busy machine run it as
//   LinearAlgebra_bench --benchmark_repetitions=10 --benchmark_min_time=0.02
//                       --benchmark_enable_random_interleaving=true
// so that every variant sees the same disturbances; the table then takes
// each variant's fastest repetition.

#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "numerics/Matrix.h"

extern "C" {
void sgesv_(const int* n, const int* nrhs, float* a, const int* lda, int* ipiv, float* b, const int* ldb,
            int* info);
void sgetrf_(const int* m, const int* n, float* a, const int* lda, int* ipiv, int* info);
void sgetri_(const int* n, float* a, const int* lda, const int* ipiv, float* work, const int* lwork,
             int* info);
}

namespace {

constexpr int smallest = 4;
constexpr int largest = 25;

// A well-conditioned random system: uniform entries plus a dominant
// diagonal, so that every solver takes the same path through its pivoting.
struct System {
  Eigen::MatrixXf a;
  Eigen::VectorXf b;

  explicit System(int n) : a(n, n), b(n) {
    std::mt19937 random(static_cast<unsigned>(n));
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    for (int i = 0; i < n; ++i) {
      b(i) = uniform(random);
      for (int j = 0; j < n; ++j) a(i, j) = uniform(random) + (i == j ? 0.5f * n : 0.0f);
    }
  }
};

void LoadMat(const Eigen::MatrixXf& a, Matrix::Mat& m) {
  const int n = static_cast<int>(a.rows());
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m[i][j] = a(i, j);
  }
}

void SolveOurs(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s(n);
  Matrix::Mat original;
  Matrix::Mat work;
  LoadMat(s.a, original);
  std::vector<float> x(n);
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) std::memcpy(work[i], original[i], n * sizeof(float));
    benchmark::DoNotOptimize(Matrix::SolveLinearSystem(work, s.b.data(), x.data(), n));
    benchmark::ClobberMemory();
  }
}

void SolveLapack(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s(n);
  Eigen::MatrixXf work(n, n);
  Eigen::VectorXf x(n);
  std::vector<int> pivots(n);
  const int one = 1;
  for (auto _ : state) {
    work = s.a;
    x = s.b;
    int info = 0;
    sgesv_(&n, &one, work.data(), &n, pivots.data(), x.data(), &n, &info);
    benchmark::DoNotOptimize(info);
    benchmark::ClobberMemory();
  }
}

void SolveEigen(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s(n);
  Eigen::PartialPivLU<Eigen::MatrixXf> lu(n);
  Eigen::VectorXf x(n);
  for (auto _ : state) {
    lu.compute(s.a);
    x.noalias() = lu.solve(s.b);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
}

void InvertOurs(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s(n);
  Matrix::Mat original;
  Matrix::Mat work;
  LoadMat(s.a, original);
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) std::memcpy(work[i], original[i], n * sizeof(float));
    benchmark::DoNotOptimize(Matrix::InvertMat(work, n));
    benchmark::ClobberMemory();
  }
}

void InvertLapack(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s(n);
  Eigen::MatrixXf work(n, n);
  std::vector<int> pivots(n);
  const int lwork = 64 * n;
  std::vector<float> scratch(lwork);
  for (auto _ : state) {
    work = s.a;
    int info = 0;
    sgetrf_(&n, &n, work.data(), &n, pivots.data(), &info);
    sgetri_(&n, work.data(), &n, pivots.data(), scratch.data(), &lwork, &info);
    benchmark::DoNotOptimize(info);
    benchmark::ClobberMemory();
  }
}

void InvertEigen(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s(n);
  Eigen::PartialPivLU<Eigen::MatrixXf> lu(n);
  Eigen::MatrixXf inverse(n, n);
  for (auto _ : state) {
    lu.compute(s.a);
    inverse.noalias() = lu.inverse();
    benchmark::DoNotOptimize(inverse.data());
    benchmark::ClobberMemory();
  }
}

// Keeps each benchmark's time for the ratio table, besides the usual console
// output; with --benchmark_repetitions the fastest repetition counts, which
// is the least disturbed by other load on the machine.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const auto [entry, added] =
          times.emplace(run.run_name.function_name + "/" + run.run_name.args, run.GetAdjustedRealTime());
      if (!added) entry->second = std::min(entry->second, run.GetAdjustedRealTime());
    }
  }

  void PrintRatios(const char* operation) const {
    std::printf("\n%s: our time / peer time (below 1 means ours is faster)\n", operation);
    std::printf("%4s %12s %10s %10s %10s\n", "n", "ours [ns]", "/ LAPACK", "/ Eigen", "/ best");
    for (int n = smallest; n <= largest; ++n) {
      const double ours = Time(operation, "Ours", n);
      const double lapack = Time(operation, "Lapack", n);
      const double eigen = Time(operation, "Eigen", n);
      if (ours <= 0.0 || lapack <= 0.0 || eigen <= 0.0) continue;
      std::printf("%4d %12.1f %10.2f %10.2f %10.2f\n", n, ours, ours / lapack, ours / eigen,
                  ours / std::min(lapack, eigen));
    }
  }

 private:
  double Time(const char* operation, const char* who, int n) const {
    const auto found = times.find(std::string(operation) + "/" + who + "/" + std::to_string(n));
    return found == times.end() ? 0.0 : found->second;
  }

  std::map<std::string, double> times;
};

void Register(const char* name, void (*run)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, run)->DenseRange(smallest, largest);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Register("Solve/Ours", SolveOurs);
  Register("Solve/Lapack", SolveLapack);
  Register("Solve/Eigen", SolveEigen);
  Register("Invert/Ours", InvertOurs);
  Register("Invert/Lapack", InvertLapack);
  Register("Invert/Eigen", InvertEigen);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios("Solve");
  reporter.PrintRatios("Invert");
  benchmark::Shutdown();
  return 0;
}
