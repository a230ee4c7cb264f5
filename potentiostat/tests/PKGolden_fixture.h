#pragma once

// The power-on set-ups of the PK 510 and PK 512 as command words, written
// word by word from the boards' register maps (from zeroed shadows).

#include <vector>

#include "potentiostat/tests/PKBus_fixture.h"

std::vector<Word> PK510InitHardwareWords();
std::vector<Word> PK512InitHardwareWords();
