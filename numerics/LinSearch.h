#pragma once

// Zero search over one real parameter, driven by the caller: the caller sets
// the parameter, measures an error (positive when the parameter is too high,
// negative when too low) and hands it to Next, which writes the next value to
// try. While the errors keep one sign the parameter moves against it with a
// step that doubles up to MaxStep, never leaving [Min, Max]; once two errors
// of opposite sign bracket the zero, Next proposes the secant point of the
// bracket until the bracket is no wider than MinStep. The state is the
// caller's, so any number of searches may run at once.

namespace LinSearch {

// Field order is part of the interface: callers read Done and AtLimit as the
// record's first two bytes.
struct LinSearchState {
  bool Done;
  bool AtLimit;  // ended at Min or Max without finding a sign change
  bool Started;
  bool Grow;  // the next unbracketed move doubles Step
  double LowX;
  double LowError;
  bool LowPositive;
  double HighX;
  double HighError;
  bool HighPositive;
  double Min;
  double Max;
  double Step;
  double MinStep;  // resolution: the search ends when the bracket is this narrow
  double MaxStep;
};

void Init(double min, double max, double step, double minStep, double maxStep, LinSearchState& state);

// x: in, the value at which error was measured; out, the next value to try,
// or the result once state.Done is set. An error of exactly 0 ends the search
// at x. Next does not look at Done: called again it goes on from the record.
void Next(double& x, double error, LinSearchState& state);

}  // namespace LinSearch
