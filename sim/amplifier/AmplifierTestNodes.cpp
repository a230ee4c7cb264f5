#include "sim/amplifier/AmplifierTestNodes.h"

#include <numbers>

namespace {

constexpr double kStimulusBufferHz = 50e3;

double Tau(double hz) { return 1.0 / (2.0 * std::numbers::pi * hz); }

} // namespace

AmplifierTestNodes::AmplifierTestNodes()
    : _rs(AnalogCircuit::Wire()), _stimulusPath(AnalogCircuit::Wire()) {}

void AmplifierTestNodes::Convert(const AmplifierBoardModel &model,
                                 const AmplifierBoardElements &elements,
                                 const AmplifierDrive &drive) {
  const double seconds = model.Seconds();
  const double rangeGain =
      model.Truths()
          .range_gain[static_cast<std::size_t>(model.Range(elements))];
  const double share = model.Compensation(elements).rs_ohms / rangeGain;
  if (const double lag = model.RsLagSeconds(elements); lag != _rsLag) {
    _rs.Retune(AnalogCircuit::RC(lag));
    _rsLag = lag;
  }
  if (const double input = share * model.Monitors().test_at_probe;
      input != _rsInput) {
    _rs.Drive(seconds, input);
    _rsInput = input;
  }
  _rsCorrection = _rs.Sample(seconds);
  if (const double hz = model.StimulusFilterHz(elements); hz != _stimulusHz) {
    _stimulusPath.Retune(AnalogCircuit::RC(Tau(hz))
                             .Then(AnalogCircuit::RC(Tau(kStimulusBufferHz)))
                             .Then(AnalogCircuit::Gain(-1.0)));
    _stimulusHz = hz;
  }
  if (drive.stimulus != _stimulusInput) {
    _stimulusPath.Drive(seconds, drive.stimulus);
    _stimulusInput = drive.stimulus;
  }
  _stimulus = _stimulusPath.Sample(seconds);
}
