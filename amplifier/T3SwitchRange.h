// The timed gain-range switch: the probe resistor of a gain range is
// switched in the middle of one 20.2 ms sweep that also holds the
// external-stimulus DAC at -6 V for 10 ms on either side of the switch, so
// the probe's feedback path settles while the input is driven hard.
//
// The sweep plays 2020 samples at 10 us on the live board's command port
// (the rack's own, State.CommandPortChannel) and on its external-stimulus
// DAC. Switch triples (word with the strobe, without, with) at samples 5
// (latch 42 bit 2 on), 8 (latch 39 bit 2 on, bit 3 off), 1010 (latch 40
// bits 2-3 := the range's probe-resistor bits), 1013 (latch 42 bit 2 off)
// and 2015 (latch 39 bit 2 off); the DAC at -6 V on samples 9-1008 and
// 1014-2018. The command port rests at 0xC000 (on the ZRV-24 at the
// digital output's word with the strobe, bit 15 marking the amplifier's
// samples).
//
// Around the sweep the test DAC paths of every board are opened and put
// back, the multiplexer is returned to its channel, and the external
// stimulus DAC is given back the level it had (the holding potential of a
// board driven by it, else what the multiplexer's test-DAC channel 13
// read); a remaining error of 1 mV or more is corrected once.
//
// Main thread only; the two templates are module buffers.
#pragma once

#include <cstdint>

namespace T3SwitchRange {

// ==== Interface =============================================================

inline constexpr std::int32_t kSamples = 2020;

// Switches the live board's probe resistor to the gain range's (0-2) by
// the timed sweep. The switch shadow follows the words; the record's
// Range is left to the caller. FALSE, error 23, when the sweep failed; the
// restoration runs all the same.
bool NewRange(std::int32_t range);

}  // namespace T3SwitchRange
