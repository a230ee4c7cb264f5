// The automatic compensations of the selected board. So far: the C-fast
// table that the automatic C-fast compensation reads.
//
// State. CFastTable belongs to the selected board: the calibration builds
// it, the C-fast file and EEPROM readers fill it, the per-board storage
// swaps it with its stored copies. It starts all zero, the table of a board
// that was never calibrated. Main thread only.
#pragma once

#include "amplifier/T3Scale.h"

namespace T3Auto {

extern T3Scale::CFastTable CFastTable;

}  // namespace T3Auto
