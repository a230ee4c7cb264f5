// The search rule of the automatic Rs compensation, apart from its
// measurements so that it can be checked on its own. Private to T3Auto.
#pragma once

namespace T3Auto {

// Where the search stands: the step the fraction moves by next (0.04 at the
// start, signed), what the last measurement found, and whether it ended.
struct RsSearch {
  double step = 0.04;
  bool measured = false;
  bool previous = false;
  bool done = false;
};

// The fraction to try after a measurement at `fraction`: down by the step
// when it undershot, up without. Each reversal after the first measurement
// halves the step (0.04, 0.02, 0.01); a reversal at 0.01 ends the search
// at the fraction less backOff.
double NextRsFraction(RsSearch& search, bool undershoot, double fraction, double backOff);

}  // namespace T3Auto
