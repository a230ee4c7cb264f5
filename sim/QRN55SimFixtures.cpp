#include "sim/QRN55SimFixtures.h"

QRN55SimFixtures::QRN55SimFixtures(const AnalogBoardTiming& timing) : _timing(timing) {}

void QRN55SimFixtures::Connect(int dac, int adc, const AnalogCircuit& circuit) {
  if (dac < 0 || dac >= kDacs || adc < 0 || adc >= kAnalogInputs) return;
  _connections[adc].emplace(dac, circuit, _timing);
}

void QRN55SimFixtures::Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) {
  double seen[kAnalogInputs] = {};
  for (int adc = 0; adc < kAnalogInputs; ++adc) {
    std::optional<AnalogConnection>& connection = _connections[adc];
    if (connection)
      seen[adc] = connection->Convert(outputs.sweep_seconds, outputs.dac_volts[connection->dac()]);
  }
  for (int adc = 0; adc < 8; ++adc) inputs.adc_volts[adc] = seen[adc];
  inputs.multiplexer_volts = seen[8];
  inputs.user_digital = outputs.user_digital;
  inputs.tlv_digital = outputs.tlv_digital;
}
