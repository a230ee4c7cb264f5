#pragma once

// Minimum of a measured value over one real parameter, driven by the caller,
// by step halving: the parameter keeps moving by Step while the value
// improves; after a worse value the search turns round from the best point
// with half the step, and ends when the step is below Tolerance. The state is
// the caller's.

namespace MinSearch {

struct MinSearchState {
  bool Done;
  bool OutOfRange;  // a proposal left [Min, Max]; stays set, x is not clipped
  bool Started;
  double BestValue;
  double BestX;
  double Min;
  double Max;
  double Tolerance;
  double Step;
};

void Init(double min, double max, double step, double tolerance, MinSearchState& state);

// x: in, the value at which value was measured; out, the next value to try.
// Once state.Done is set x is left at the value just measured and the minimum
// found is state.BestX. Next does not look at Done.
void Next(double& x, double value, MinSearchState& state);

}  // namespace MinSearch
