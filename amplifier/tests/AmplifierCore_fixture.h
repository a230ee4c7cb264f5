// The amplifier core as the tests start it, and the part of a board's
// elements that is the board's own.
#pragma once

#include <array>
#include <cstdint>

#include "amplifier/T3Types.h"

using BoardElements = std::array<std::uint16_t, T3Types::kElementCount>;

// As the program starts it (the module defaults, the scale record's
// defaults), for a board of the letter.
void StartAmplifierCore(char letter);

// The elements as a board holds them: the DACs' and latches' significant
// bits; the rack bus (46) and the free latch (47) are the rack's, not the
// board's, and read 0.
BoardElements BoardPart(const std::uint16_t* values);
