// The wiring of the stand-in board library's boards made of analog fixtures
// (sim/AnalogFixtures.h): each connected ADC (0..15; 8..15 are rack 2's)
// sees one DAC (0..7; 4..7 are rack 2's) through its circuit, with the
// timing and the input and output stages of the board the fixture is built
// for around it; unconnected inputs see 0 V; every digital input reads the
// digital output of the same name, as in the loopback.
//
// The library's three boards share one wiring: build it with the timing of
// the board under test.
#pragma once

#include <optional>

#include "sim/AnalogFixtures.h"
#include "sim/ZRVLibrary/ZRVSimWiring.h"

class ZRVSimFixtures final : public ZRVSimWiring {
 public:
  static constexpr int kDacs = 8;
  static constexpr int kAdcs = 16;

  explicit ZRVSimFixtures(const AnalogBoardTiming& timing);

  // Replaces what the input saw before, starting at rest. Numbers outside
  // the ranges above are ignored.
  void Connect(int dac, int adc, const AnalogCircuit& circuit);

  void Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) override;

 private:
  AnalogBoardTiming _timing;
  std::optional<AnalogConnection> _connections[kAdcs];
};
