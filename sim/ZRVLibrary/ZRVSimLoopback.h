// The default wiring: each rack's outputs looped back to its own inputs.
// ADC k of a rack sees that rack's DAC k mod 4, and every digital input
// reads the digital output of the same name.
#pragma once

#include "sim/ZRVLibrary/ZRVSimWiring.h"

class ZRVSimLoopback final : public ZRVSimWiring {
 public:
  void Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) override;
};
