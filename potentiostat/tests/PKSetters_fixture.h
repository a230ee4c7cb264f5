#pragma once

// Every hardware function of the setting layer with the boards that have
// it, and seeded random runs of them over two simulated boards.

#include <functional>
#include <vector>

#include "sim/potentiostat/PKSimBoard.h"

struct Setter {
  const char* name;
  std::function<void(unsigned)> set;
  unsigned pk510Values;  // 0: the PK 510 lacks it
  unsigned pk512Values;
};

const std::vector<Setter>& Setters();

// From the modules' start values (the caller starts them) with sending on: both boards set up in
// turn, then `steps` random setters (selectors now and then one beyond
// their table), switching boards now and then. After every step, once
// `settle` has delivered the words, the deselected board must be untouched
// but for its select-latch pair; at the end each board's registers must
// equal its shadow (but for that pair) with no route mismatch. Failures are
// reported with the seed.
void RandomSetterRun(unsigned seed, int steps, const PKSimBoard& pk510, const PKSimBoard& pk512,
                     const std::function<void()>& settle);
