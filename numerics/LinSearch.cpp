#include "numerics/LinSearch.h"

#include <algorithm>

namespace LinSearch {

void Init(double min, double max, double step, double minStep, double maxStep, LinSearchState& state) {
  state.Min = min;
  state.Max = max;
  state.Step = step;
  state.MinStep = minStep;
  state.MaxStep = maxStep;
  state.Grow = true;
  state.Done = false;
  state.AtLimit = false;
  state.Started = false;
}

void Next(double& x, double error, LinSearchState& s) {
  if (error == 0.0) {
    s.Done = true;
    return;
  }
  const bool positive = error > 0.0;
  if (!s.Started) {
    s.LowX = s.HighX = x;
    s.LowError = s.HighError = error;
    s.LowPositive = s.HighPositive = positive;
    s.Started = true;
  }

  // The newest point always takes the side towards which the search moved;
  // its sign decides only whether the pair now brackets the zero.
  if (s.LowPositive == s.HighPositive) {
    if (s.LowPositive && x < s.LowX) {
      s.HighX = s.LowX;
      s.HighError = s.LowError;
      s.HighPositive = s.LowPositive;
      s.LowX = x;
      s.LowError = error;
      s.LowPositive = positive;
    } else if (!s.LowPositive && x > s.HighX) {
      s.LowX = s.HighX;
      s.LowError = s.HighError;
      s.LowPositive = s.HighPositive;
      s.HighX = x;
      s.HighError = error;
      s.HighPositive = positive;
    }
  } else if (positive == s.LowPositive && x < s.HighX) {
    s.LowX = x;
    s.LowError = error;
  } else if (positive == s.HighPositive && x > s.LowX) {
    s.HighX = x;
    s.HighError = error;
  }

  if (s.LowPositive == s.HighPositive) {
    if (s.Grow) s.Step = std::min(2.0 * s.Step, s.MaxStep);
    s.Grow = true;
    const double from = s.LowPositive ? s.LowX : s.HighX;
    x = s.LowPositive ? std::max(s.LowX - s.Step, s.Min) : std::min(s.HighX + s.Step, s.Max);
    if (x == from) {
      s.AtLimit = true;
      s.Done = true;
    }
    return;
  }

  s.Grow = false;
  const double width = s.HighX - s.LowX;
  x = s.HighError == s.LowError ? s.LowX : s.LowX - s.LowError * width / (s.HighError - s.LowError);
  if (width <= s.MinStep) {
    s.AtLimit = false;
    s.Done = true;
  } else {
    s.Step = std::max({0.5 * s.Step, width, s.MinStep});
  }
}

}  // namespace LinSearch
