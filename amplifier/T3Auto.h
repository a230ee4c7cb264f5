// The automatic compensations of the selected board. So far: the C-fast
// table that the automatic C-fast compensation reads, the time-out switch,
// the temporary state the automatic functions keep, and the mean reading
// of an AD input.
//
// State. CFastTable belongs to the selected board: the calibration builds
// it, the C-fast file and EEPROM readers fill it, the per-board storage
// swaps it with its stored copies. It starts all zero, the table of a board
// that was never calibrated. The temporary state lives in the Temp fields
// of T3Base::BoardState. Main thread only.
#pragma once

#include <cstdint>

#include "amplifier/T3Scale.h"

namespace T3Auto {

extern T3Scale::CFastTable CFastTable;

// The automatic procedures give up at their deadlines while this is set.
extern bool CheckTimeout;

// CheckTimeout TRUE, the temporary state at its start (InitTempState), the
// C-fast table all zero.
void InitModule();

// No panel state saved (TempStateSaved FALSE), the C-slow reference empty
// (CSlowRefCount 50, CSlowRefVHold 0), the pipette-offset search at its
// start (VpOffsetStep 1 mV, VpOffsetTime 0); the operator's present
// values copied into the Temp fields. Also for a board set up anew.
void InitTempState();

// The mean voltage of an AD input: points + 12 samples (16 to 400) at
// 0.1 ms, the first ten and the last two left out; with addMuxOffset the
// multiplexer is routed to the input and its offset (T3Panel::
// GetMuxAdcOffset) added.
double Sample(std::int32_t input, std::int32_t points, bool addMuxOffset);

}  // namespace T3Auto
