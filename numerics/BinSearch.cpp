#include "numerics/BinSearch.h"

#include <algorithm>

namespace BinSearch {

void Init(std::int32_t min, std::int32_t max, std::int32_t step, std::int32_t minStep, BinSearchState& state) {
  state.Min = min;
  state.Max = max;
  state.Step = step;
  state.MinStep = minStep;
  state.Done = false;
  state.AtLimit = false;
  state.Started = false;
}

void Next(std::int32_t& x, bool outcome, BinSearchState& s) {
  if (!s.Started) {
    s.Low = s.High = x;
    s.LowOutcome = s.HighOutcome = outcome;
    s.Started = true;
  }

  if (s.LowOutcome == s.HighOutcome) {
    if (s.LowOutcome && x < s.Low) {
      s.High = s.Low;
      s.HighOutcome = s.LowOutcome;
      s.Low = x;
      s.LowOutcome = outcome;
    } else if (!s.LowOutcome && x > s.High) {
      s.Low = s.High;
      s.LowOutcome = s.HighOutcome;
      s.High = x;
      s.HighOutcome = outcome;
    }
  } else if (outcome == s.LowOutcome && x > s.Low) {
    s.Low = x;
  } else if (outcome == s.HighOutcome && x < s.High) {
    s.High = x;
  }

  // 64-bit sums: a step near the 32-bit range must clamp at the bound, not wrap.
  if (s.LowOutcome == s.HighOutcome) {
    const std::int32_t from = s.LowOutcome ? s.Low : s.High;
    const std::int64_t to = s.LowOutcome ? std::int64_t{s.Low} - s.Step : std::int64_t{s.High} + s.Step;
    x = static_cast<std::int32_t>(s.LowOutcome ? std::max<std::int64_t>(to, s.Min) : std::min<std::int64_t>(to, s.Max));
    if (x == from) {
      s.AtLimit = true;
      s.Done = true;
    }
    return;
  }

  const std::int64_t width = std::int64_t{s.High} - s.Low;
  if (width > s.MinStep) {
    // A bracket cut short by Min or Max can be narrower than the halved step;
    // halve on until the proposal lies inside it rather than beyond the bound.
    do {
      s.Step = std::max(s.Step / 2, s.MinStep);
    } while (s.Step >= width);
    x = s.Low + s.Step;
  } else {
    x = s.Low;
    s.AtLimit = false;
    s.Done = true;
  }
}

}  // namespace BinSearch
