#include "sim/potentiostat/PKSimAnalog.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/potentiostat/PKSimBoard.h"

namespace {

constexpr double kLimitVolts = 10.24;
constexpr std::array<double, 4> kStimScaleFactors{1.0, 5.0, 50.0, 500.0};
constexpr std::array<double, 4> kVoltageMonitorGains{1.0, 5.0, 50.0, 500.0};
constexpr std::array<double, 4> kCurrentOutputGains{1.0, 5.0, 50.0, 500.0};
// Ohms by model cell (0: none; the PK 512's fourth passes no current) and by
// feedback resistor.
constexpr std::array<double, 5> kModelCellOhms{0.0, 100.0, 1e4, 1e6, 0.0};
constexpr std::array<double, 3> kFeedbackOhms{50.0, 5000.0, 500000.0};
// Corners of the filters (Hz): the panel's bandwidths where the tests'
// gain sampling resolves their settling, below half the fastest sampling
// rate of the tests for the fastest filters.
constexpr std::array<double, 8> kFilterHz{20, 600, 2500, 6000, 15000, 40000, 60000, 60000};
// The control bandwidths: near their nominal corners, which the control
// amplifier's time constants are measured at.
constexpr std::array<double, 8> kControlHz{15, 50, 500, 1500, 5000, 15000, 50000, 50000};
// The PK boards sit on the QRN 5+5: its DAC and ADC timing around every
// dynamic path, as the measurement code corrects for it.
constexpr const AnalogBoardTiming& kTiming = kQRN55Timing;

constexpr int kTestDac = 4;
constexpr unsigned kMuxLatch = 41;
constexpr unsigned kModeLatch = 27;  // bit 1 mode, bit 2 x100, bit 3 reference-to-ground (PK 510, inverted)
constexpr unsigned kSubtractDac = 42;
constexpr unsigned kInitDac = 43;
constexpr unsigned kSubtractLatch = 35;  // bit 0 voltage, bit 1 current subtraction on
// PK 510
constexpr unsigned kCoAmpOffsetDac = 18;
constexpr unsigned kIRGainDac = 20;
constexpr unsigned kIROffsetDac = 22;
constexpr unsigned kClampLatch = 52;  // bit 0 clamp gain on
constexpr unsigned kClampGainDac = 55;
// PK 512
constexpr unsigned kMeasuredVoltDac = 18;
constexpr unsigned kOCPOffsetDac = 28;

unsigned Nibble(const PKSimBoard& board, unsigned latch) { return board.Register(latch) & 0xF; }
bool Bit(const PKSimBoard& board, unsigned latch, unsigned bit) { return ((board.Register(latch) >> bit) & 1) != 0; }

// The index whose pattern the code is, from the register tables.
template <std::size_t N>
std::optional<int> Match(const std::array<unsigned, N>& patterns, unsigned code) {
  const auto at = std::find(patterns.begin(), patterns.end(), code);
  if (at == patterns.end()) return std::nullopt;
  return static_cast<int>(at - patterns.begin());
}

// Bits of one latch, listed low to high, as a number.
unsigned Bits(const PKSimBoard& board, unsigned latch, std::initializer_list<unsigned> bits) {
  unsigned code = 0;
  unsigned place = 0;
  for (unsigned bit : bits) code |= (Bit(board, latch, bit) ? 1u : 0u) << place++;
  return code;
}

std::optional<int> Filter(const PKSimBoard& board, unsigned first, unsigned second, unsigned lowBit) {
  // first nibble, second nibble, latch 53's two bits.
  static constexpr std::array<unsigned, 7> kPatterns{0xF00, 0xF80, 0xF02, 0x040, 0x020, 0x010, 0x001};
  const unsigned code = Nibble(board, first) << 8 | Nibble(board, second) << 4 | Bits(board, 53, {lowBit, lowBit + 1});
  return Match(kPatterns, code);
}

std::optional<int> StimInScale(const PKSimBoard& board) {
  static constexpr std::array<unsigned, 4> kPatterns{0b101, 0b100, 0b001, 0b111};  // b1 b2 b3, b1 lowest
  return Match(kPatterns, Bits(board, 30, {1, 2, 3}));
}

std::optional<int> TestDacPath(const PKSimBoard& board) {
  static constexpr std::array<unsigned, 3> kPatterns{0b00, 0b10, 0b01};
  return Match(kPatterns, Bits(board, 31, {0, 1}));
}

std::optional<int> ModelCell(const PKSimBoard& board) {
  static constexpr std::array<unsigned, 4> kPK510{0b111, 0b110, 0b101, 0b011};
  static constexpr std::array<unsigned, 5> kPK512{0b000, 0b111, 0b100, 0b110, 0b101};
  const unsigned code = Bits(board, 25, {0, 1, 2});
  return board.Model() == PKSimModel::PK510 ? Match(kPK510, code) : Match(kPK512, code);
}

std::optional<int> Feedback(const PKSimBoard& board) {
  static constexpr std::array<unsigned, 3> kPatterns{0b10, 0b01, 0b00};
  return Match(kPatterns, Bits(board, 24, {2, 3}));
}

std::optional<int> VoltageOutputGain(const PKSimBoard& board) {
  if (board.Model() == PKSimModel::PK510) {
    static constexpr std::array<unsigned, 4> kPatterns{0b111, 0b110, 0b100, 0b000};
    return Match(kPatterns, Bits(board, 52, {1, 2, 3}));
  }
  static constexpr std::array<unsigned, 4> kPatterns{0b011, 0b010, 0b100, 0b000};  // 52 b1, 24 b0, 24 b1
  const unsigned code = Bits(board, 52, {1}) | Bits(board, 24, {0, 1}) << 1;
  return Match(kPatterns, code);
}

std::optional<int> ControlBandwidth(const PKSimBoard& board) {
  if (board.Model() != PKSimModel::PK510) return std::nullopt;
  static constexpr std::array<unsigned, 8> kPatterns{0x40, 0x10, 0x01, 0x02, 0x04, 0x08, 0x80, 0x20};
  return Match(kPatterns, Nibble(board, 26) << 4 | Nibble(board, 36));
}

std::optional<int> CurrentOutputGain(const PKSimBoard& board) {
  static constexpr std::array<unsigned, 4> kPK510{0b011, 0b111, 0b100, 0b110};
  static constexpr std::array<unsigned, 4> kPK512{0b001, 0b101, 0b110, 0b100};
  const unsigned code = Bits(board, 37, {0, 1, 2});
  return board.Model() == PKSimModel::PK510 ? Match(kPK510, code) : Match(kPK512, code);
}

AnalogCircuit RC(double hz) { return AnalogCircuit::RC(1.0 / (2.0 * std::numbers::pi * hz)); }

AnalogCircuit LowPass(double hz) { return OnBoard(RC(hz), kTiming); }

double Clip(double volts) { return std::clamp(volts, -kLimitVolts, kLimitVolts); }

double DacOf(std::span<const double> dac_volts, int dac) {
  return dac >= 0 && static_cast<std::size_t>(dac) < dac_volts.size() ? dac_volts[static_cast<std::size_t>(dac)] : 0.0;
}

}  // namespace

std::optional<int> DecodePKStimulusFilter(const PKSimBoard& board) {
  static constexpr std::array<unsigned, 8> kPatterns{0x04, 0x02, 0x01, 0x80, 0x40, 0x20, 0x10, 0x08};
  return Match(kPatterns, Nibble(board, 62) << 4 | Nibble(board, 63));
}

std::optional<int> DecodePKCurrentFilter(const PKSimBoard& board) { return Filter(board, 39, 60, 0); }

std::optional<int> DecodePKVoltageFilter(const PKSimBoard& board) { return Filter(board, 38, 61, 2); }

PKSimTruths SeededPKTruths(PKSimModel model, unsigned seed) {
  std::mt19937 random(seed * 2654435761u + (model == PKSimModel::PK510 ? 1u : 2u));
  const auto spread = [&](double centre, double width) {
    return centre + std::uniform_real_distribution<double>(-width, width)(random);
  };
  PKSimTruths t{};
  t.mux_gain = spread(1.0, 0.005);
  t.mux_offset_volts = spread(0.0, 0.002);
  t.mux_x100_gain = spread(100.0, 1.0);
  t.mux_x100_offset_volts = spread(0.0, 0.0002);
  t.reference_volts = spread(10.0, 0.01);
  t.internal_ground_volts = spread(0.0, 0.003);
  for (double& gain : t.stim_scale_gain) gain = spread(1.0, 0.01);
  t.stim_offset_volts = spread(0.0, 0.005);
  t.stim_filter_gain = spread(1.0, 0.005);
  t.stim_filter_offset_volts = spread(0.0, 0.003);
  for (std::size_t f = 0; f < t.stim_filter_hz.size(); ++f) t.stim_filter_hz[f] = kFilterHz[f] * spread(1.0, 0.03);
  t.init_gain = spread(1.0, 0.005);
  t.init_offset_volts = spread(0.0, 0.004);
  t.subtract_gain = spread(1.0, 0.005);
  t.subtract_offset_volts = spread(0.0, 0.004);
  t.control_gain = spread(1.024, 0.01);
  t.galvanostatic_gain = spread(1.0, 0.01);
  t.output_gain = spread(1.0, 0.01);
  t.ocp_gain = spread(1.0, 0.01);
  for (std::size_t f = 0; f < t.current_filter_hz.size(); ++f) {
    t.current_filter_hz[f] = kFilterHz[f] * spread(1.0, 0.03);
    t.voltage_filter_hz[f] = kFilterHz[f] * spread(1.0, 0.03);
  }
  t.current_filter_gain = spread(1.0, 0.005);
  t.voltage_filter_gain = spread(1.0, 0.005);
  t.filter_offset_volts = spread(0.0, 0.003);
  for (std::size_t g = 0; g < t.voltage_monitor_gain.size(); ++g) {
    t.voltage_monitor_gain[g] = kVoltageMonitorGains[g] * spread(1.0, 0.005);
    t.voltage_offset_zero[g] = std::round(spread(2047.0, 300.0));
  }
  t.voltage_offset_step_volts = 0.0015;
  for (double& zero : t.work_electrode_zero) zero = std::round(spread(2047.0, 300.0));
  t.work_electrode_step_volts = 0.001;
  for (double& zero : t.control_offset_zero) zero = std::round(spread(2047.0, 300.0));
  t.control_offset_step_volts = 0.001;
  t.current_offset_zero = std::round(spread(2047.0, 300.0));
  t.current_offset_step_volts = 0.001;
  t.cmr1_minimum = std::round(spread(2047.0, 1000.0));
  t.cmr2_minimum = std::round(spread(2047.0, 1000.0));
  for (std::size_t b = 0; b < t.control_hz.size(); ++b) t.control_hz[b] = kControlHz[b] * spread(1.0, 0.03);
  for (double& gain : t.model_cell_gain) gain = spread(1.0, 0.01);
  for (double& gain : t.feedback_gain) gain = spread(1.0, 0.01);
  for (std::size_t g = 0; g < t.current_output_gain.size(); ++g) {
    t.current_output_gain[g] = kCurrentOutputGains[g] * spread(1.0, 0.005);
  }
  t.test_current_gain = spread(1.0, 0.01);
  t.current_subtract_gain = spread(1.0, 0.01);
  t.voltage_subtract_gain = spread(1.0, 0.01);
  t.clamp_slope = spread(0.004, 0.0002);
  t.ir_intercept = spread(0.0, 0.02);
  t.ir_slope = spread(1.0 / 4096.0, 1e-5);
  t.ir_offset_zero = std::round(spread(2047.0, 300.0));
  t.ir_offset_step_volts = 0.001;
  t.measured_volt_zero = std::round(spread(2047.0, 300.0));
  t.measured_volt_step_volts = 0.001;
  t.ocp_offset_zero = std::round(spread(127.0, 40.0));
  t.ocp_offset_step_volts = 0.01;
  t.cmr_floor = 1e-4;
  t.cmr_slope = 2e-5;
  t.mux_noise_volts = 0.0002;
  t.voltage_noise_volts = 0.0003;
  t.current_noise_volts = 0.002;
  t.seed = seed;
  return t;
}

PKSimAnalog::PKSimAnalog(PKSimModel model, const PKSimTruths& truths)
    : _model(model),
      _truths(truths),
      _stimFilter(OnBoard(AnalogCircuit::Wire(), kTiming)),
      _control(OnBoard(AnalogCircuit::Wire(), kTiming)),
      _currentFilter(OnBoard(AnalogCircuit::Wire(), kTiming)),
      _voltageFilter(OnBoard(AnalogCircuit::Wire(), kTiming)),
      _random(truths.seed) {}

int PKSimAnalog::VoltageLine() const { return _model == PKSimModel::PK510 ? 5 : 3; }

int PKSimAnalog::CurrentLine() const { return _model == PKSimModel::PK510 ? 6 : 4; }

double PKSimAnalog::StimulusDacVolts(PKSimModel model, std::span<const double> dac_volts) {
  return DacOf(dac_volts, model == PKSimModel::PK510 ? 3 : 2);
}

void PKSimAnalog::Retune(AnalogPath& path, std::optional<int>& tuned, std::optional<int> filter,
                         std::span<const double> corners) {
  if (!filter || filter == tuned || static_cast<std::size_t>(*filter) >= corners.size()) return;
  path.Retune(LowPass(corners[static_cast<std::size_t>(*filter)]));
  tuned = filter;
}

void PKSimAnalog::Convert(const PKSimBoard& board, const PKSimBoard* mainBoard, double seconds,
                          std::span<const double> dac_volts) {
  const PKSimTruths& t = _truths;
  _time = std::max(_time, seconds);
  const bool disk = _model == PKSimModel::PK510;
  const double ringSign = disk ? 1.0 : -1.0;
  const bool galvanostatic = Bit(board, kModeLatch, 1);
  const auto offsetDac = [&](unsigned address, double zero, double step, double sign) {
    const double code = t.stuck_offset_dacs ? 0.0 : board.Register(address);
    return (code - zero) * step * sign;
  };

  const std::optional<int> stimFilter = DecodePKStimulusFilter(board);
  Retune(_stimFilter, _stimTuned, stimFilter, t.stim_filter_hz);
  Retune(_currentFilter, _currentTuned, DecodePKCurrentFilter(board), t.current_filter_hz);
  Retune(_voltageFilter, _voltageTuned, DecodePKVoltageFilter(board), t.voltage_filter_hz);
  RetuneControl(stimFilter ? stimFilter : _stimTuned, ControlBandwidth(board));

  const auto scale = static_cast<std::size_t>(StimInScale(board).value_or(0));
  const double stimulus = StimulusDacVolts(_model, dac_volts) * t.stim_scale_gain[scale] / kStimScaleFactors[scale] +
                          t.stim_offset_volts;
  const double sampled = _time + kTiming.adc_delay_seconds;
  _stimFilter.Drive(_time, stimulus);
  _control.Drive(_time, stimulus);
  const double stimulusFiltered = _stimFilter.Sample(sampled) * t.stim_filter_gain + t.stim_filter_offset_volts;
  const double controlled = _control.Sample(sampled) * t.stim_filter_gain + t.stim_filter_offset_volts;

  const int path = TestDacPath(board).value_or(0);
  const double test = DacOf(dac_volts, kTestDac);
  _currentFilter.Drive(_time, path == 2 ? test : 0.0);
  _voltageFilter.Drive(_time, path == 1 ? test : 0.0);

  const double init = Dac16Volts(board.Register(kInitDac)) * t.init_gain + t.init_offset_volts;
  const double subtract = Dac16Volts(board.Register(kSubtractDac)) * t.subtract_gain + t.subtract_offset_volts;
  const auto feedback = static_cast<std::size_t>(Feedback(board).value_or(0));
  const bool referenceGrounded = mainBoard != nullptr && !Bit(*mainBoard, kModeLatch, 3);
  const auto cell = static_cast<std::size_t>(ModelCell(board).value_or(0));
  const auto outputGain = static_cast<std::size_t>(CurrentOutputGain(board).value_or(0));

  // The cell's potential, and the current converter's output.
  const double potential = init + controlled;
  double converted = path == 2 ? test * t.test_current_gain : 0.0;
  if (!galvanostatic && kModelCellOhms[cell] > 0.0) {
    converted += potential * t.model_cell_gain[cell] / kModelCellOhms[cell] * kFeedbackOhms[feedback] *
                 t.feedback_gain[feedback];
  }

  double common = 0.0;
  if (!disk) {
    const auto response = [&](unsigned address, double minimum) {
      const double code = board.Register(address);
      return t.cmr_floor + t.cmr_slope * (t.no_cmr_minimum ? code : std::fabs(code - minimum));
    };
    common = DacOf(dac_volts, 3) * response(16, t.cmr1_minimum) + DacOf(dac_volts, 2) * response(22, t.cmr2_minimum);
  }

  std::array<double, 16>& n = _nodes;
  n.fill(0.0);
  n[0] = stimulusFiltered;
  if (disk) {
    n[1] = t.internal_ground_volts;
    const double clamp = Bit(board, kClampLatch, 0) ? t.clamp_slope * board.Register(kClampGainDac) : 0.0;
    n[2] = -potential * (t.control_gain + clamp) +
           offsetDac(kCoAmpOffsetDac, t.control_offset_zero[(galvanostatic ? 3 : 0) + feedback],
                     t.control_offset_step_volts, 1.0);
    n[3] = converted * (t.ir_intercept + t.ir_slope * board.Register(kIRGainDac)) +
           offsetDac(kIROffsetDac, t.ir_offset_zero, t.ir_offset_step_volts, 1.0);
  } else {
    n[1] = offsetDac(kMeasuredVoltDac, t.measured_volt_zero, t.measured_volt_step_volts, -1.0);
    n[2] = -potential * t.control_gain;
    n[3] = offsetDac(kOCPOffsetDac, t.ocp_offset_zero, t.ocp_offset_step_volts, -1.0);
  }
  n[4] = referenceGrounded ? 0.0 : -init * t.ocp_gain;
  n[5] = stimulus;
  n[6] = (galvanostatic ? init * t.galvanostatic_gain : 0.0) +
         offsetDac(17, t.work_electrode_zero[feedback], t.work_electrode_step_volts, ringSign);
  n[7] = _currentFilter.Sample(sampled) * t.current_filter_gain + t.filter_offset_volts;
  n[8] = t.reference_volts;
  n[11] = init;
  n[12] = subtract;
  n[13] = _voltageFilter.Sample(sampled) * t.voltage_filter_gain + t.filter_offset_volts;
  n[15] = (galvanostatic ? init * t.output_gain : converted * t.current_output_gain[outputGain]) + common;

  const unsigned channel = Nibble(board, kMuxLatch);
  const double node = n[channel];
  const bool x100 = Bit(board, kModeLatch, 2);
  const double muxed = x100 ? (node + t.mux_x100_offset_volts) * t.mux_x100_gain : (node + t.mux_offset_volts) * t.mux_gain;
  const double noise = t.mux_noise_volts * _normal(_random);
  _mux = (t.dead_mux_channels >> channel & 1u) != 0 ? 0.0 : Clip(muxed + noise);

  const auto gain = static_cast<std::size_t>(VoltageOutputGain(board).value_or(0));
  const bool cellIn = cell != 0 && !referenceGrounded;
  const bool voltageSubtracted = galvanostatic && Bit(board, kSubtractLatch, 0);
  const bool currentSubtracted = !galvanostatic && Bit(board, kSubtractLatch, 1);
  _voltage = Clip(((cellIn ? stimulusFiltered + init : 0.0) -
                   (voltageSubtracted ? subtract * t.voltage_subtract_gain : 0.0)) * t.voltage_monitor_gain[gain] +
                  offsetDac(19, t.voltage_offset_zero[gain], t.voltage_offset_step_volts, ringSign) +
                  t.voltage_noise_volts * _normal(_random));
  _current = Clip(n[15] -
                  (currentSubtracted ? subtract * t.current_subtract_gain * t.current_output_gain[outputGain] : 0.0) +
                  offsetDac(23, t.current_offset_zero, t.current_offset_step_volts, -1.0) +
                  t.current_noise_volts * _normal(_random));
}

void PKSimAnalog::RetuneControl(std::optional<int> stimulusFilter, std::optional<int> bandwidth) {
  const int tuned = stimulusFilter.value_or(8) * 9 + bandwidth.value_or(8);
  if (tuned == _controlTuned) return;
  AnalogCircuit circuit = stimulusFilter ? RC(_truths.stim_filter_hz[static_cast<std::size_t>(*stimulusFilter)])
                                         : AnalogCircuit::Wire();
  if (bandwidth) circuit = circuit.Then(RC(_truths.control_hz[static_cast<std::size_t>(*bandwidth)]));
  _control.Retune(OnBoard(circuit, kTiming));
  _controlTuned = tuned;
}
