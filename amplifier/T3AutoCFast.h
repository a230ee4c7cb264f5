// The arithmetic of the automatic C-fast lookup, apart from its
// measurements so that it can be checked on its own. Private to T3Auto.
#pragma once

#include <array>
#include <cstdint>

#include "amplifier/T3Scale.h"
#include "foundation/RealTime.h"

namespace T3Auto {

using CFastResponse = std::array<float, T3Scale::kCFastPoints>;

// The response of the present compensation to a square wave of 16 points a
// half period at `interval`, `cycles` periods: the difference of the two
// halves per volt of step and per volt-per-ampere of the monitor, what a
// table row is dotted with. amplitude := the one played (halved while the
// response clipped). FALSE when it clipped, or on an error, which is set.
bool GetFunction(double interval, double& amplitude, std::int32_t cycles, CFastResponse& q,
                 RealTime::TimeSeconds deadline);

// The table row of a C-fast time constant: its 0.5 us step index,
// round(tau x 2e6) - 1 above 0, kept to the 16 calibrated rows.
std::int32_t CFastRow(double tau);

// The time constant corrected by the table's tau estimate d3: the ratio
// d3 / (|c2| + 0.2 pF), within -2.5 .. 2.5, times 0.3 us taken off, never
// below 1.5 us.
double CorrectedCFastTau(double tau, double d3, double c2);

// Corrections that leave one component negative move its deficit into the
// other; both end at 0 or above.
void MoveCFastDeficit(double& c1, double& c2);

}  // namespace T3Auto
