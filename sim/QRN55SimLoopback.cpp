#include "sim/QRN55SimLoopback.h"

void QRN55SimLoopback::SetError(int input, double gain, double offset_volts) {
  if (input < 0 || input >= kAnalogInputs) return;
  _gain[input] = gain;
  _offset[input] = offset_volts;
}

void QRN55SimLoopback::SetNoise(double sigma_volts, unsigned seed) {
  _sigma = sigma_volts;
  _random.seed(seed);
  _noise.reset();
}

double QRN55SimLoopback::Seen(int input, double driven) {
  double volts = _gain[input] * driven + _offset[input];
  if (_sigma > 0.0) volts += _sigma * _noise(_random);
  return volts;
}

void QRN55SimLoopback::Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) {
  for (int adc = 0; adc < 8; ++adc) inputs.adc_volts[adc] = Seen(adc, outputs.dac_volts[adc % 5]);
  inputs.multiplexer_volts = Seen(8, outputs.dac_volts[2]);
  inputs.user_digital = outputs.user_digital;
  inputs.tlv_digital = outputs.tlv_digital;
}
