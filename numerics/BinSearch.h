#pragma once

// Switching point of a yes/no outcome over an integer parameter, driven by the
// caller: the caller tries a value, observes the outcome (FALSE below the
// switching point, TRUE above it) and hands it to Next, which writes the next
// value to try. Until the outcome has flipped the value moves by Step (down
// after TRUE, up after FALSE) within [Min, Max]; once bracketed the step
// halves down to MinStep and the search ends on the highest value known to
// give FALSE. The state is the caller's.

#include <cstdint>

namespace BinSearch {

struct BinSearchState {
  bool Done;
  bool AtLimit;  // ended at Min or Max without the outcome flipping
  bool Started;
  std::int32_t Low;
  bool LowOutcome;
  std::int32_t High;
  bool HighOutcome;
  std::int32_t Min;
  std::int32_t Max;
  std::int32_t Step;
  std::int32_t MinStep;
};

void Init(std::int32_t min, std::int32_t max, std::int32_t step, std::int32_t minStep, BinSearchState& state);

// x: in, the value tried; out, the next value to try, or the result once
// state.Done is set. Next does not look at Done.
void Next(std::int32_t& x, bool outcome, BinSearchState& state);

}  // namespace BinSearch
