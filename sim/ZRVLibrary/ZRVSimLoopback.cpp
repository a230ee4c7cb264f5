#include "sim/ZRVLibrary/ZRVSimLoopback.h"

void ZRVSimLoopback::Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) {
  for (int adc = 0; adc < 16; ++adc) {
    const int rack = adc / 8;
    inputs.adc_volts[adc] = outputs.dac_volts[4 * rack + adc % 4];
  }
  for (int rack = 0; rack < 2; ++rack) {
    inputs.user_digital[rack] = outputs.user_digital[rack];
    inputs.tlv_digital[rack] = outputs.tlv_digital[rack];
  }
  inputs.fast_digital = outputs.fast_digital;
}
