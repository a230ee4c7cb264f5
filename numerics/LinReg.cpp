#include "numerics/LinReg.h"

#include <algorithm>
#include <cmath>

#include "numerics/LongMath.h"

namespace LinReg {

namespace {

struct Results {
  double& slope;
  double& intercept;
  double& slopeError;
  double& interceptError;
  double& r2;
};

struct Sums {
  int32_t n = 0;
  double x = 0.0;
  double y = 0.0;
  double xx = 0.0;
  double yy = 0.0;
  double xy = 0.0;

  void Add(double px, double py) {
    ++n;
    x += px;
    y += py;
    xx += px * px;
    yy += py * py;
    xy += px * py;
  }
};

void ComputeParams(const Sums& s, const Results& r) {
  if (s.n < 2) {
    r.slope = r.intercept = r.slopeError = r.interceptError = r.r2 = 0.0;
    return;
  }
  const double n = s.n;
  const double d = n * s.xy - s.x * s.y;
  const double e = n * s.xx - s.x * s.x;
  const double t = n * s.yy - s.y * s.y;
  r.slope = d / e;
  r.intercept = (s.y - r.slope * s.x) / n;
  const double f = (t - r.slope * r.slope * e) / (e * (n - 2.0));
  r.slopeError = f < 0.0 ? 0.0 : std::sqrt(f);
  const double g = f * s.xx / n;
  r.interceptError = g < 0.0 ? 0.0 : std::sqrt(g);
  r.r2 = d * d / (e * t);
}

// Cuts count to the points from first up to last; FALSE when the call is to
// return at once.
bool SelectRange(int32_t first, int32_t& count, int32_t last) {
  if (first < 0) return false;
  const int64_t lastUsable = last;
  if (lastUsable < int64_t{first} + 2) {
    count = 0;
  } else if (count > 1 && int64_t{first} + count - 1 > lastUsable) {
    count = last - first + 1;
  }
  return true;
}

// Sums the points i = 0 .. count - 1 with abscissa x(i) and ordinate y(i),
// leaving out those whose ordinate is invalid when skipInvalid is set.
template <typename X, typename Y>
void Regress(int32_t count, X x, Y y, bool skipInvalid, const Results& r) {
  Sums s;
  for (int32_t i = 0; i < count; ++i) {
    const double py = y(i);
    if (skipInvalid && !LongMath::IsValidNumber(py)) continue;
    s.Add(x(i), py);
  }
  ComputeParams(s, r);
}

double LnAbs(double v) { return std::log(std::fabs(v)); }

}  // namespace

void RealXY(const float* x, const float* y, int32_t first, int32_t& count, int32_t last, double& slope,
            double& intercept, double& slopeError, double& interceptError, double& r2) {
  if (x == nullptr || y == nullptr || !SelectRange(first, count, last)) return;
  Regress(
      count, [x, first](int32_t i) { return x[first + i]; }, [y, first](int32_t i) { return y[first + i]; },
      false, {slope, intercept, slopeError, interceptError, r2});
}

void IntXY(const int16_t* x, const int16_t* y, int32_t first, int32_t& count, int32_t last, double& slope,
           double& intercept, double& slopeError, double& interceptError, double& r2) {
  if (x == nullptr || y == nullptr || !SelectRange(first, count, last)) return;
  Regress(
      count, [x, first](int32_t i) { return x[first + i]; }, [y, first](int32_t i) { return y[first + i]; },
      false, {slope, intercept, slopeError, interceptError, r2});
}

void RealLnXY(const float* x, const float* y, int32_t first, int32_t& count, int32_t last, double& slope,
              double& intercept, double& slopeError, double& interceptError, double& r2) {
  if (x == nullptr || y == nullptr || !SelectRange(first, count, last)) return;
  Regress(
      count, [x, first](int32_t i) { return x[first + i]; },
      [y, first](int32_t i) { return LnAbs(y[first + i]); }, true,
      {slope, intercept, slopeError, interceptError, r2});
}

void RealY(const float* y, int32_t& count, int32_t maxCount, double& slope, double& intercept,
           double& slopeError, double& interceptError, double& r2) {
  if (y == nullptr) return;
  count = std::min(count, maxCount);
  Regress(
      count, [](int32_t i) { return i; }, [y](int32_t i) { return y[i]; }, true,
      {slope, intercept, slopeError, interceptError, r2});
}

void IntY(const int16_t* y, int32_t& count, int32_t maxCount, double& slope, double& intercept,
          double& slopeError, double& interceptError, double& r2) {
  if (y == nullptr) return;
  count = std::min(count, maxCount);
  Regress(
      count, [](int32_t i) { return i; }, [y](int32_t i) { return y[i]; }, false,
      {slope, intercept, slopeError, interceptError, r2});
}

void RealLnY(const float* y, int32_t& count, int32_t maxCount, double x0, double& slope, double& intercept,
             double& slopeError, double& interceptError, double& r2) {
  if (y == nullptr) return;
  count = std::min(count, maxCount);
  Regress(
      count, [x0](int32_t i) { return x0 + i; }, [y](int32_t i) { return LnAbs(y[i]); }, true,
      {slope, intercept, slopeError, interceptError, r2});
}

}  // namespace LinReg
