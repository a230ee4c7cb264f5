// A C-fast lookup table for the tests, made on the board and the cell the
// rack has now, until the calibration's table builder exists: for each row
// (time-constant step) the 16-point responses to small changes of C-fast 1,
// C-fast 2 and the time constant, solved by least squares into the three
// rows whose dot products with a response give the excess of each. The
// time-constant row is scaled as the lookup divides it: d3 = delta tau x
// (|C-fast 2| + 0.2 pF) / 0.3 us at the C-fast 2 it was made with.
#pragma once

#include <initializer_list>

#include "amplifier/T3Scale.h"

// The tables asked for (0: medium range at 10 kHz, 1: medium range at
// 30 kHz, 2: high range at 30 kHz) in their configurations; the others
// stay zero. The panel and the compensations are put back afterwards.
T3Scale::CFastTable MeasuredCFastTable(std::initializer_list<int> tables);

// The table as a loaded C-fast file: T3Auto::CFastTable and
// T3Init::CFastFileLoaded.
void InstallCFastTable(const T3Scale::CFastTable& table);
