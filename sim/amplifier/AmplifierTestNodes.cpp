#include "sim/amplifier/AmplifierTestNodes.h"

AmplifierTestNodes::AmplifierTestNodes() : _rs(AnalogCircuit::Wire()) {}

void AmplifierTestNodes::Convert(const AmplifierBoardModel& model, const AmplifierBoardElements& elements) {
  const double seconds = model.Seconds();
  const double rangeGain = model.Truths().range_gain[static_cast<std::size_t>(model.Range(elements))];
  const double share = model.Compensation(elements).rs_ohms / rangeGain;
  if (const double lag = model.RsLagSeconds(elements); lag != _rsLag) {
    _rs.Retune(AnalogCircuit::RC(lag));
    _rsLag = lag;
  }
  if (const double input = share * model.Monitors().test_at_probe; input != _rsInput) {
    _rs.Drive(seconds, input);
    _rsInput = input;
  }
  _rsCorrection = _rs.Sample(seconds);
}
