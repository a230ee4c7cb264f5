#include "sim/ZRVSimFixtures.h"

ZRVSimFixtures::ZRVSimFixtures(const AnalogBoardTiming& timing) : _timing(timing) {}

void ZRVSimFixtures::Connect(int dac, int adc, const AnalogCircuit& circuit) {
  if (dac < 0 || dac >= kDacs || adc < 0 || adc >= kAdcs) return;
  _connections[adc].emplace(dac, circuit, _timing);
}

void ZRVSimFixtures::Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) {
  for (int adc = 0; adc < kAdcs; ++adc) {
    std::optional<AnalogConnection>& connection = _connections[adc];
    inputs.adc_volts[adc] =
        connection ? connection->Convert(outputs.sweep_seconds, outputs.dac_volts[connection->dac()]) : 0.0;
  }
  for (int rack = 0; rack < 2; ++rack) {
    inputs.user_digital[rack] = outputs.user_digital[rack];
    inputs.tlv_digital[rack] = outputs.tlv_digital[rack];
  }
  inputs.fast_digital = outputs.fast_digital;
}
