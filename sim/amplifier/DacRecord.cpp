#include "sim/amplifier/DacRecord.h"

#include <algorithm>

DacRecord::DacRecord(AmplifierRackWiring& rack)
    : _boards(*this, rack), _units{UnitWiring(*this, rack.Unit(0)), UnitWiring(*this, rack.Unit(1))} {}

std::vector<DacConversion> DacRecord::Conversions() const {
  const std::lock_guard<std::mutex> lock(_mutex);
  return _conversions;
}

void DacRecord::Clear() {
  const std::lock_guard<std::mutex> lock(_mutex);
  _conversions.clear();
}

void DacRecord::Add(const DacConversion& conversion) {
  const std::lock_guard<std::mutex> lock(_mutex);
  _conversions.push_back(conversion);
}

void DacRecord::BoardsWiring::Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) {
  DacConversion c;
  std::copy(std::begin(outputs.dac_volts), std::end(outputs.dac_volts), c.volts.begin());
  c.tlvWord = outputs.tlv_digital[0];
  c.sweepSeconds = outputs.sweep_seconds;
  c.clockSeconds = outputs.clock_seconds;
  _record.Add(c);
  _inner.Sample(outputs, inputs);
}

void DacRecord::UnitWiring::Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) {
  DacConversion c;
  std::copy(std::begin(outputs.dac_volts), std::end(outputs.dac_volts), c.volts.begin());
  c.tlvWord = outputs.tlv_digital;
  c.sweepSeconds = outputs.sweep_seconds;
  c.clockSeconds = outputs.clock_seconds;
  _record.Add(c);
  if (_inner != nullptr) _inner->Frame(outputs, inputs);
}
