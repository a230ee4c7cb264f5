// Simplex and SimplexD share one algorithm, so every test runs on both
// modules; the problems with known minimisers also run GSL's nmsimplex2 for a
// printed comparison of evaluation counts.
#include "numerics/Simplex.h"

#include <gsl/gsl_multimin.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <span>
#include <vector>

#include "numerics/SimplexD.h"

namespace {

struct Single {
  using Real = float;
  static constexpr const char* kName = "Simplex";
  static float& Stepsize() { return Simplex::Stepsize; }
  static int& State() { return Simplex::State; }
  static auto& Simp() { return Simplex::Simp; }
  static bool Init(int m) { return Simplex::Init(m); }
  static void Next(std::span<float> x, float value) { Simplex::Next(x, value); }
  static bool AbsConv(float tolerance) { return Simplex::AbsConv(tolerance); }
  static bool RelConv(float tolerance) { return Simplex::RelConv(tolerance); }
  static void Centroid(std::span<float> x) { Simplex::Centroid(x); }
};

struct Double {
  using Real = double;
  static constexpr const char* kName = "SimplexD";
  static double& Stepsize() { return SimplexD::Stepsize; }
  static int& State() { return SimplexD::State; }
  static auto& Simp() { return SimplexD::Simp; }
  static bool Init(int m) { return SimplexD::Init(m); }
  static void Next(std::span<double> x, double value) { SimplexD::Next(x, value); }
  static bool AbsConv(double tolerance) { return SimplexD::AbsConv(tolerance); }
  static bool RelConv(double tolerance) { return SimplexD::RelConv(tolerance); }
  static void Centroid(std::span<double> x) { SimplexD::Centroid(x); }
};

using Objective = std::function<double(const std::vector<double>&)>;

template <class M>
std::vector<typename M::Real> ToReal(const std::vector<double>& v) {
  return std::vector<typename M::Real>(v.begin(), v.end());
}

template <class M>
double Evaluate(const Objective& f, std::span<const typename M::Real> x) {
  return f(std::vector<double>(x.begin(), x.end()));
}

template <class M>
class SimplexTest : public ::testing::Test {};
using Modules = ::testing::Types<Single, Double>;
TYPED_TEST_SUITE(SimplexTest, Modules);

TYPED_TEST(SimplexTest, InitAcceptsOneToNineteenParameters) {
  using M = TypeParam;
  using Real = typename M::Real;
  struct Case {
    int m;
    bool accepted;
  };
  for (const Case c :
       {Case{-1, false}, Case{0, false}, Case{1, true}, Case{19, true}, Case{20, false}, Case{64, false}}) {
    M::Stepsize() = Real(0.1);
    EXPECT_EQ(M::Init(c.m), c.accepted) << c.m;
    if (c.accepted) {
      EXPECT_EQ(M::State(), 1) << c.m;
      continue;
    }
    // Without a minimisation in progress nothing is read or written.
    std::vector<Real> x(32, Real(2));
    for (int call = 0; call < 5; ++call) {
      M::Next(x, Real(1));
      EXPECT_FALSE(M::AbsConv(Real(1e30))) << c.m;
    }
    M::Centroid(x);
    EXPECT_EQ(x, std::vector<Real>(32, Real(2))) << c.m;
  }
}

TYPED_TEST(SimplexTest, NineteenParametersFillTheWholeTable) {
  using M = TypeParam;
  using Real = typename M::Real;
  M::Stepsize() = Real(0.1);
  ASSERT_TRUE(M::Init(19));
  std::vector<Real> x(19, Real(1));
  const auto f = [](std::span<const Real> p) {
    double sum = 0;
    for (std::size_t k = 0; k < p.size(); ++k) sum += (k + 1.0) * (p[k] - 0.5) * (p[k] - 0.5);
    return Real(sum);
  };
  for (int call = 0; call < 3000; ++call) M::Next(x, f(x));
  M::Centroid(x);
  EXPECT_LT(f(x), f(std::vector<Real>(19, Real(1))));
}

TYPED_TEST(SimplexTest, StartingSimplexStepsInProportionToThePoint) {
  using M = TypeParam;
  using Real = typename M::Real;
  M::Stepsize() = Real(0.1);
  ASSERT_TRUE(M::Init(2));
  const Real root = std::sqrt(Real(3));
  const Real px = Real(0.1) * (root + Real(2) - Real(1)) / (Real(2) * Real(1.414213));
  const Real qx = Real(0.1) * (root - Real(1)) / (Real(2) * Real(1.414213));
  EXPECT_NEAR(px, 0.1 * (1.7320508 + 1) / 2.828426, 1e-6);
  EXPECT_NEAR(qx, 0.1 * 0.7320508 / 2.828426, 1e-6);

  std::vector<Real> x = {1, 1};
  M::Next(x, Real(5));
  EXPECT_EQ(x[0], Real(1) + px);
  EXPECT_EQ(x[1], Real(1) + qx);
  EXPECT_EQ(M::State(), 2);
  // The next vertex is built from vertex 0 and the point just handed back.
  M::Next(x, Real(6));
  EXPECT_EQ(x[0], Real(1) + qx * (Real(1) + px));
  EXPECT_EQ(x[1], Real(1) + px * (Real(1) + qx));
  M::Next(x, Real(7));
  EXPECT_EQ(M::State(), 3);
}

TYPED_TEST(SimplexTest, StepsizeBelowTheFloorActsAsOneTenth) {
  using M = TypeParam;
  using Real = typename M::Real;
  for (Real step : {Real(0), Real(1e-9), Real(-1)}) {
    M::Stepsize() = step;
    ASSERT_TRUE(M::Init(2));
    EXPECT_EQ(M::Stepsize(), Real(0.1));
    std::vector<Real> x = {1, 1};
    M::Next(x, Real(5));
    EXPECT_NEAR(x[0], 1 + 0.1 * (1.7320508 + 1) / 2.828426, 1e-6);
  }
}

// The convergence tests hold exactly after the calls that completed an
// iteration (reflection accepted, expansion, contraction or shrink done), and
// never while building, after a reflection that asks for another point, or
// while shrinking, whatever the values.
TYPED_TEST(SimplexTest, ConvergenceTestsHoldOnlyAfterACompletedIteration) {
  using M = TypeParam;
  using Real = typename M::Real;
  M::Stepsize() = Real(0.5);
  ASSERT_TRUE(M::Init(3));
  std::vector<Real> x = {1.5, -0.5, 2};
  const auto f = [](std::span<const Real> p) {
    return Real(1 + std::pow(p[0] - 1, 2) + 10 * std::pow(p[1] + 2, 2) + std::fabs(p[2] - 0.25));
  };
  int seen[7] = {};
  for (int call = 0; call < 3000; ++call) {
    const int before = M::State();
    M::Next(x, f(x));
    const bool completed = M::State() == 3 && before != 1 && before != 2;
    ++seen[before];
    EXPECT_EQ(M::AbsConv(Real(1e30)), completed) << "call " << call << " from state " << before;
    EXPECT_EQ(M::RelConv(Real(1e30)), completed) << "call " << call;
  }
  for (int state = 1; state <= 6; ++state) EXPECT_GT(seen[state], 0) << "state " << state << " never reached";

  // Any other state begins a new iteration.
  M::State() = 9;
  M::Next(x, f(x));
  EXPECT_EQ(M::State(), 3);
  EXPECT_TRUE(M::AbsConv(Real(1e30)));
}

TYPED_TEST(SimplexTest, RelConvIsFalseForABestValueOfZero) {
  using M = TypeParam;
  using Real = typename M::Real;
  M::Stepsize() = Real(0.1);
  ASSERT_TRUE(M::Init(1));
  std::vector<Real> x = {1};
  int completed = 0;
  for (int call = 0; call < 200; ++call) {
    M::Next(x, Real(std::fabs(x[0] - 1)));  // the start is the exact minimum, value 0
    if (M::AbsConv(Real(1e30))) {
      ++completed;
      EXPECT_FALSE(M::RelConv(Real(1e30)));
    }
  }
  EXPECT_GT(completed, 10);
}

TYPED_TEST(SimplexTest, ACoordinateStartingAtZeroNeverMoves) {
  using M = TypeParam;
  using Real = typename M::Real;
  M::Stepsize() = Real(0.1);
  ASSERT_TRUE(M::Init(2));
  std::vector<Real> x = {1, 0};
  for (int call = 0; call < 500; ++call) {
    M::Next(x, Real(std::pow(x[0] - 3, 2) + std::pow(x[1] - 2, 2)));
    ASSERT_EQ(x[1], Real(0)) << "call " << call;
  }
  M::Centroid(x);
  EXPECT_NEAR(x[0], 3, 1e-2);
  EXPECT_EQ(x[1], Real(0));
}

TYPED_TEST(SimplexTest, APointChangedByTheCallerIsTakenOver) {
  using M = TypeParam;
  using Real = typename M::Real;
  M::Stepsize() = Real(0.1);
  ASSERT_TRUE(M::Init(2));
  std::vector<Real> x = {1, 1};
  for (Real value : {Real(3), Real(2), Real(1)}) M::Next(x, value);
  ASSERT_EQ(M::State(), 3);
  // The caller clips the reflected point and reports a value better than
  // every vertex: the clipped point becomes a vertex.
  x = {Real(0.75), Real(0.5)};
  M::Next(x, Real(0));
  EXPECT_EQ(M::State(), 4);
  bool found = false;
  for (int j = 0; j <= 2; ++j) found |= M::Simp()[j][0] == Real(0.75) && M::Simp()[j][1] == Real(0.5);
  EXPECT_TRUE(found);
}

// --- Known minimisers, with GSL's nmsimplex2 for comparison -----------------

struct Problem {
  const char* name;
  Objective f;
  std::vector<double> start;
  std::vector<double> minimiser;
};

double Rosenbrock(const std::vector<double>& p) {
  return 100 * std::pow(p[1] - p[0] * p[0], 2) + std::pow(1 - p[0], 2);
}

double Quadratic5(const std::vector<double>& p) {
  static const double centre[5] = {1, -2, 3, 0.5, -1};
  double sum = 0;
  for (int k = 0; k < 5; ++k) sum += (k + 1) * std::pow(p[k] - centre[k], 2);
  return sum;
}

// Least squares of a1 e^(-k1 t) + a2 e^(-k2 t) against noise-free data made
// with (3, 2, 1, 0.3).
double TwoExponentials(const std::vector<double>& p) {
  double sum = 0;
  for (int j = 0; j < 50; ++j) {
    const double t = 0.1 * j;
    const double data = 3 * std::exp(-2 * t) + std::exp(-0.3 * t);
    const double model = p[0] * std::exp(-p[1] * t) + p[2] * std::exp(-p[3] * t);
    sum += (model - data) * (model - data);
  }
  return sum;
}

struct Outcome {
  std::vector<double> x;
  int evaluations;
};

template <class M>
Outcome RunOurs(const Problem& p, double valueTolerance, int limit) {
  using Real = typename M::Real;
  M::Stepsize() = Real(0.1);
  EXPECT_TRUE(M::Init(static_cast<int>(p.start.size())));
  std::vector<Real> x = ToReal<M>(p.start);
  int evaluations = 0;
  while (evaluations < limit) {
    const Real value = Real(Evaluate<M>(p.f, x));
    ++evaluations;
    M::Next(x, value);
    if (M::AbsConv(Real(valueTolerance))) break;
  }
  M::Centroid(x);
  return {std::vector<double>(x.begin(), x.end()), evaluations};
}

Outcome RunGsl(const Problem& p, double sizeTolerance, int limit) {
  struct Context {
    const Problem* problem;
    int evaluations;
  } context{&p, 0};
  const std::size_t m = p.start.size();
  gsl_multimin_function function;
  function.n = m;
  function.params = &context;
  function.f = [](const gsl_vector* v, void* params) {
    auto* c = static_cast<Context*>(params);
    ++c->evaluations;
    std::vector<double> x(v->size);
    for (std::size_t k = 0; k < v->size; ++k) x[k] = gsl_vector_get(v, k);
    return c->problem->f(x);
  };
  gsl_vector* x = gsl_vector_alloc(m);
  gsl_vector* step = gsl_vector_alloc(m);
  for (std::size_t k = 0; k < m; ++k) {
    gsl_vector_set(x, k, p.start[k]);
    gsl_vector_set(step, k, 0.1 * std::fabs(p.start[k]));
  }
  gsl_multimin_fminimizer* s = gsl_multimin_fminimizer_alloc(gsl_multimin_fminimizer_nmsimplex2, m);
  gsl_multimin_fminimizer_set(s, &function, x, step);
  while (context.evaluations < limit) {
    if (gsl_multimin_fminimizer_iterate(s) != GSL_SUCCESS) break;
    if (gsl_multimin_test_size(gsl_multimin_fminimizer_size(s), sizeTolerance) == GSL_SUCCESS) break;
  }
  Outcome outcome{std::vector<double>(m), context.evaluations};
  for (std::size_t k = 0; k < m; ++k) outcome.x[k] = gsl_vector_get(s->x, k);
  gsl_multimin_fminimizer_free(s);
  gsl_vector_free(x);
  gsl_vector_free(step);
  return outcome;
}

double Distance(const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0;
  for (std::size_t k = 0; k < a.size(); ++k) sum += (a[k] - b[k]) * (a[k] - b[k]);
  return std::sqrt(sum);
}

struct Tolerances {
  double value;  // for AbsConv
  double point;  // distance of the centroid from the minimiser
};

template <class M>
void ReachKnownMinimisers(Tolerances rosenbrock, Tolerances quadratic, Tolerances exponentials) {
  const std::vector<std::pair<Problem, Tolerances>> problems = {
      {{"Rosenbrock", Rosenbrock, {-1.2, 1}, {1, 1}}, rosenbrock},
      {{"5-D quadratic", Quadratic5, {2, 1, -1, 3, 2}, {1, -2, 3, 0.5, -1}}, quadratic},
      {{"two exponentials", TwoExponentials, {2, 1, 2, 0.1}, {3, 2, 1, 0.3}}, exponentials},
  };
  constexpr int kLimit = 20000;
  for (const auto& [problem, tolerance] : problems) {
    const Outcome ours = RunOurs<M>(problem, tolerance.value, kLimit);
    const Outcome gsl = RunGsl(problem, tolerance.point / 10, kLimit);
    std::printf("%-9s %-17s evaluations %5d (error %.1e)   GSL nmsimplex2 %5d (error %.1e)\n", M::kName, problem.name,
                ours.evaluations, Distance(ours.x, problem.minimiser), gsl.evaluations,
                Distance(gsl.x, problem.minimiser));
    EXPECT_LT(ours.evaluations, kLimit) << problem.name;
    EXPECT_LT(Distance(ours.x, problem.minimiser), tolerance.point) << problem.name;
  }
}

TEST(SimplexMinimisers, SinglePrecision) { ReachKnownMinimisers<Single>({1e-9, 1e-4}, {1e-9, 1e-4}, {1e-9, 1e-4}); }

TEST(SimplexMinimisers, DoublePrecision) { ReachKnownMinimisers<Double>({1e-14, 1e-6}, {1e-14, 1e-6}, {1e-14, 1e-5}); }

}  // namespace
