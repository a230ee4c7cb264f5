#include "numerics/MinSearch.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace MinSearch {

namespace {
// Just below the largest double, so that any finite first value is better.
constexpr double kNoValueYet = 1.797693134862314e308;
static_assert(std::bit_cast<std::uint64_t>(kNoValueYet) == 0x7FEFFFFFFFFFFFF6);
}  // namespace

void Init(double min, double max, double step, double tolerance, MinSearchState& state) {
  state.Min = min;
  state.Max = max;
  state.Step = step;
  state.Tolerance = tolerance;
  state.Done = false;
  state.OutOfRange = false;
  state.Started = false;
}

void Next(double& x, double value, MinSearchState& s) {
  if (!s.Started) {
    s.BestValue = kNoValueYet;
    s.BestX = x;
    s.Started = true;
  }
  if (value < s.BestValue) {
    s.BestValue = value;
    s.BestX = x;
    x += s.Step;
  } else {
    s.Step = -s.Step / 2.0;
    if (std::fabs(s.Step) < s.Tolerance) {
      s.Done = true;
      return;
    }
    x = s.BestX + s.Step;
  }
  if (x < s.Min || x > s.Max) s.OutOfRange = true;
}

}  // namespace MinSearch
