#include "sim/amplifier/AmplifierTestNodes.h"

#include <limits>
#include <numbers>

namespace {

constexpr double kStimulusBufferHz = 50e3;
constexpr int kSourceLatch = 31;          // bit 3: filter 2 on the multiplexer
constexpr int kVoltageSourceLatch = 44;   // bit 2: filter 2 on the voltage monitor
constexpr int kBypassLatch = 29;          // bit 1: the current monitor bypasses filter 2
constexpr int kFilter2OffsetDac = 6;
constexpr int kHighQLatch = 39;           // bit 0

double Tau(double hz) { return 1.0 / (2.0 * std::numbers::pi * hz); }

} // namespace

AmplifierTestNodes::AmplifierTestNodes()
    : _rs(AnalogCircuit::Wire()), _stimulusPath(AnalogCircuit::Wire()),
      _filter2(AnalogCircuit::Wire()) {}

void AmplifierTestNodes::Convert(const AmplifierBoardModel &model,
                                 const AmplifierBoardElements &elements,
                                 const AmplifierDrive &drive) {
  const double seconds = model.Seconds();
  const double rangeGain =
      model.Truths()
          .range_gain[static_cast<std::size_t>(model.Range(elements))];
  const double share = model.ConvertedCompensation().rs_ohms / rangeGain;
  if (const double lag = model.ConvertedRsLagSeconds(); lag != _rsLag) {
    _rs.Retune(AnalogCircuit::RC(lag));
    _rsLag = lag;
  }
  if (const double input = share * model.Monitors().test_at_probe;
      input != _rsInput) {
    _rs.Drive(seconds, input);
    _rsInput = input;
  }
  _rsCorrection = _rs.Sample(seconds);

  const bool external = model.ExternalStimulusOn(elements);
  _buffer = external ? kStimulusBufferGain * drive.external : 0.0;
  if (const double hz = model.StimulusFilterHz(elements); hz != _stimulusHz) {
    _stimulusPath.Retune(AnalogCircuit::RC(Tau(hz))
                             .Then(AnalogCircuit::RC(Tau(kStimulusBufferHz)))
                             .Then(AnalogCircuit::Gain(-1.0)));
    _stimulusHz = hz;
  }
  const double stimulus =
      drive.stimulus +
      (external ? drive.external * DecodeStimulusScale(model.Truths().scale, elements) : 0.0);
  if (stimulus != _stimulusInput) {
    _stimulusPath.Drive(seconds, stimulus);
    _stimulusInput = stimulus;
  }
  _stimulus = _stimulusPath.Sample(seconds);

  _source = elements.LatchBit(kSourceLatch, 3)          ? kMultiplexerSource
            : elements.LatchBit(kVoltageSourceLatch, 2) ? kVoltageSource
                                                        : 0;
  if (_source == 0) return;
  _bypassed = elements.LatchBit(kBypassLatch, 1);
  _offset = (elements.Element(kFilter2OffsetDac) - kFilter2OffsetZeroCode) *
            kFilter2OffsetVoltsPerCode;
  const std::array<double, 2> hz = model.Filter2Hz(elements);
  if (const std::array<double, 3> setting = {hz[0], hz[1], elements.LatchBit(kHighQLatch, 0) ? 1.0 : 0.0};
      setting != _filter2Setting) {
    _filter2.Retune(model.Filter2(elements));
    _filter2Setting = setting;
    _filter2Input = std::numeric_limits<double>::quiet_NaN();
  }
  if (_source == kVoltageSource) {
    FilterMultiplexer(seconds, model.Monitors().voltage);
    _stimulus = _filter2Output;
  }
}

void AmplifierTestNodes::FilterMultiplexer(double seconds, double volts) {
  if (volts != _filter2Input) {
    _filter2.Drive(seconds, volts);
    _filter2Input = volts;
  }
  _filter2Output = _filter2.Sample(seconds);
}

double AmplifierTestNodes::CurrentMonitor(double model_volts) const {
  if (_source == 0 || _bypassed) return model_volts;
  return _filter2Output + _offset;
}
