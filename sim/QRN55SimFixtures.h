// A QRN 5+5 unit's wiring made of analog fixtures (sim/AnalogFixtures.h):
// each connected ADC (0..7, 8 the multiplexer line) sees one DAC (0..4)
// through its circuit, with the unit's own timing and input and output
// stages around it; unconnected inputs see 0 V; the digital inputs read the
// digital outputs, as in the loopback.
#pragma once

#include <optional>

#include "sim/AnalogFixtures.h"
#include "sim/QRN55SimWiring.h"

class QRN55SimFixtures final : public QRN55SimWiring {
 public:
  static constexpr int kDacs = 5;
  static constexpr int kAnalogInputs = 9;

  explicit QRN55SimFixtures(const AnalogBoardTiming& timing = kQRN55Timing);

  // Replaces what the input saw before, starting at rest. Numbers outside
  // the ranges above are ignored.
  void Connect(int dac, int adc, const AnalogCircuit& circuit);

  void Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) override;

 private:
  AnalogBoardTiming _timing;
  std::optional<AnalogConnection> _connections[kAnalogInputs];
};
