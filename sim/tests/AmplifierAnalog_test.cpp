// The simulated rack's analog side against its laws: monitor gains per
// range and output gain, filter corners by swept sines, the voltage monitor,
// clipping, the multiplexer's analog channels and the channel rule's lines.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "sim/amplifier/AmplifierRack.h"
#include "sim/amplifier/AmplifierTestNodes.h"
#include "sim/tests/AmplifierRack_fixture.h"

using namespace RackSamples;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kBypassFilter2 = 2;  // latch 29 bit 1

// The words set ranges by the probe's latch alone: an ideal probe, whose
// HF stage needs none of the codes that go with each range (the stage's
// own tests switch it on).
AmplifierRackConfig AnalogConfig(int boards = 1, double cell_ohms = 10e6) {
  AmplifierRackConfig config;
  config.boards_per_rack = boards;
  config.analog = true;
  for (auto& board : config.boards) {
    board.analog.cell = AmplifierCell::Resistor(cell_ohms);
    board.analog.hf.on = false;
  }
  return config;
}

// One rack driven word by word and converted at chosen instants.
class Bench {
 public:
  // The pipette offset of every board at its zero, the probe offset and
  // current-clamp offset DACs at mid-scale.
  explicit Bench(const AmplifierRackConfig& config) : _config(config), _rack(_config, 0), _player(_rack) {
    for (int board = 0; board < _config.boards_per_rack; ++board) {
      const auto zero = static_cast<int>(_config.boards[static_cast<std::size_t>(board)].analog.scale.vp_offset_zero);
      std::vector<std::uint16_t> words = Dac12Words(16, zero);
      for (const int dac : {15, 17}) {
        for (const std::uint16_t w : Dac12Words(dac, 2048)) words.push_back(w);
      }
      Words(board, words);
    }
  }

  void Words(int board, const std::vector<std::uint16_t>& words) {
    _player.Select(board);
    _player.Play(Cached(words));
  }
  // The stimulus DAC of board 0 of a single-board rack.
  void Hold(double seconds, double stimulus_volts) {
    Run(seconds, 1e-5, [=](double) { return stimulus_volts; }, [](double) {});
  }
  // Converts every step seconds with the four DACs at dac(t), t from now,
  // and the fifth at test(t).
  void Run(double seconds, double step, const std::function<double(double)>& dac,
           const std::function<void(double)>& each) {
    for (double t = 0.0; t < seconds; t += step) {
      const double volts = dac(t);
      dacs = {volts, volts, volts, volts, test(t)};
      _rack.Convert({t, _start + t}, dacs);
      each(t);
    }
    _start += seconds;
    _player.Wait(seconds);
  }
  // Time passes without conversions.
  void Wait(double seconds) {
    _start += seconds;
    _player.Wait(seconds);
  }
  double Line(int line) const { return _rack.AdVolts(line, dacs); }
  AmplifierRack& Rack() { return _rack; }

  std::array<double, 5> dacs{};
  std::function<double(double)> test = [](double) { return 0.0; };

 private:
  AmplifierRackConfig _config;
  AmplifierRack _rack;
  RackPlayer _player;
  double _start = 200.0;
};

// The amplitude of the line's response to a sine of amplitude 1 V on the
// stimulus DAC (or the fifth, the test DAC) at hz, over whole periods once
// settled.
double SineAmplitude(Bench& bench, int line, double hz, double step = 2e-7, bool on_test_dac = false) {
  const double period = 1.0 / hz;
  const auto sine = [=](double t) { return std::sin(2 * kPi * hz * t); };
  const auto none = [](double) { return 0.0; };
  bench.test = on_test_dac ? std::function<double(double)>(sine) : none;
  const std::function<double(double)> stimulus = on_test_dac ? std::function<double(double)>(none) : sine;
  bench.Run(10 * period, step, stimulus, [](double) {});
  double in_phase = 0.0;
  double quadrature = 0.0;
  int count = 0;
  bench.Run(20 * period, step, stimulus, [&](double t) {
    const double volts = bench.Line(line);
    in_phase += volts * std::sin(2 * kPi * hz * t);
    quadrature += volts * std::cos(2 * kPi * hz * t);
    ++count;
  });
  return 2.0 * std::hypot(in_phase, quadrature) / count;
}

TEST(AmplifierAnalog, MonitorGainPerRangeAndOutputGain) {
  struct Case {
    std::string name;
    double cell_ohms;
    int resistor;     // latch 40 bits 2-3
    int latch30;      // bit 2: x 1 family
    int latch31;      // bits 0-1
    double factor;
    double stimulus;  // DAC volts
    int range;
  };
  const std::vector<Case> cases = {
      {"range 0 gain 1", 10e6, 0, 4, 0, 1.0, 1.0, 0},    {"range 0 gain 2", 10e6, 0, 4, 1, 2.0, 1.0, 0},
      {"range 0 gain 4", 10e6, 0, 4, 3, 4.0, 1.0, 0},    {"range 0 gain 10", 10e6, 0, 0, 0, 10.0, 1.0, 0},
      {"range 0 gain 20", 10e6, 0, 0, 1, 20.0, 1.0, 0},  {"range 0 gain 40", 10e6, 0, 0, 3, 40.0, 0.5, 0},
      {"range 1 gain 1", 10e6, 8, 4, 0, 1.0, 0.1, 1},    {"range 2 gain 1", 10e9, 12, 4, 0, 1.0, 0.1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AmplifierRackConfig config = AnalogConfig(1, c.cell_ohms);
    const AmplifierAnalogTruths& truths = config.boards[0].analog;
    Bench bench(config);
    bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, c.latch30, c.latch31), LatchWord(40, c.resistor, 0)});
    bench.Hold(2e-3, c.stimulus);
    const double pipette = c.stimulus * 0.1 * truths.stimulus_gain + truths.stimulus_offset_volts;
    const auto range = static_cast<std::size_t>(c.range);
    const double expected =
        (pipette / c.cell_ohms * truths.range_gain[range] + truths.probe_offset_volts[range]) * c.factor;
    EXPECT_NEAR(bench.Line(6), expected, 1e-9 + 1e-8 * std::fabs(expected));
    EXPECT_NEAR(bench.Line(5), pipette * 10.0, 1e-9);
    EXPECT_EQ(bench.Rack().ClippingLines(), 0);
  }
}

TEST(AmplifierAnalog, Filter1CornersByTheirTruths) {
  for (const int index : {1, 2}) {
    SCOPED_TRACE(index);
    AmplifierRackConfig config = AnalogConfig();
    const double corner = config.boards[0].analog.filter1_hz[static_cast<std::size_t>(index)];
    Bench bench(config);
    // Range 0 on 10 MOhm: 1 V on the DAC gives 50 mV at the probe.
    bench.Words(0, {LatchWord(28, 1 << index, kBypassFilter2), LatchWord(30, 4, 0)});
    // Against the voltage monitor, which the stimulus filter moves alike.
    const auto gain = [&](double hz, double step) {
      return SineAmplitude(bench, 6, hz, step) / SineAmplitude(bench, 5, hz, step);
    };
    EXPECT_NEAR(gain(corner, 2e-7) / gain(corner / 100.0, 1e-6), std::sqrt(0.5), 0.02 * std::sqrt(0.5));
  }
}

// Filter 2's DACs by the law that computes them, with the factors of the
// truths, put its corner where asked: the Bessel response, high Q (whose
// factors are the sections' own, below the Bessel response's), and the
// original filter with the older law.
TEST(AmplifierAnalog, Filter2CornerByItsTruthsAndHighQ) {
  struct Case {
    std::string name;
    bool high_q;
    double quality;
    double hz;
  };
  const std::vector<Case> cases = {{"Bessel", false, 1.3066, 10e3},
                                   {"high Q", true, 1.3066, 10e3},
                                   {"original filter, older law", false, 0.8, 5e3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AmplifierRackConfig config = AnalogConfig();
    config.boards[0].analog.filter2_high_q = c.quality;
    const AmplifierAnalogTruths& truths = config.boards[0].analog;
    const std::array<double, 2> factors = Filter2Factors(truths, c.high_q);
    const double x = IsOriginalFilter2(truths) ? c.hz + 5e-5 * c.hz * c.hz : c.hz;
    Bench bench(config);
    bench.Words(0, {LatchWord(28, 1, 0), LatchWord(30, 4, 0), Word(10, static_cast<int>(std::lround(x * factors[0]))),
                    Word(12, static_cast<int>(std::lround(x * factors[1]))), LatchWord(38, 0, c.high_q ? 1 : 0)});
    bench.Words(0, {LatchWord(40, 0, 7)});
    const double filter1 = SineAmplitude(bench, 7, c.hz);
    // The current monitor's own line is behind filter 2; the multiplexer's
    // channel 14, current monitor 1, ahead of it.
    const double monitor = SineAmplitude(bench, 6, c.hz);
    bench.Words(0, {LatchWord(40, 0, 14)});
    const double monitor1 = SineAmplitude(bench, 7, c.hz);
    EXPECT_NEAR(monitor / filter1, std::sqrt(0.5), 0.02 * std::sqrt(0.5));
    EXPECT_NEAR(monitor1 / filter1, 1.0, 0.01);
  }
}

TEST(AmplifierAnalog, VoltageMonitorFactors) {
  struct Case {
    std::string name;
    int latch29;
    int latch33;
    double factor;
  };
  const std::vector<Case> cases = {
      {"x 10", 0, 0, 0.1 * 10}, {"x 100", 0, 1, 0.1 * 100}, {"V-ref x2", 8, 0, 0.5 * 10 / 5}, {"both", 8, 1, 0.5 * 100 / 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AmplifierRackConfig config = AnalogConfig();
    const AmplifierAnalogTruths& truths = config.boards[0].analog;
    Bench bench(config);
    bench.Words(0, {LatchWord(28, 1, c.latch29), LatchWord(32, 0, c.latch33)});
    bench.Hold(1e-4, 0.2);
    const double stimulus = c.latch29 != 0 ? 0.5 : 0.1;
    const double pipette = 0.2 * stimulus * truths.stimulus_gain + truths.stimulus_offset_volts;
    EXPECT_NEAR(bench.Line(5), pipette * c.factor / stimulus, 1e-9 * pipette * c.factor / stimulus);
  }
}

TEST(AmplifierAnalog, ClippingPastTenVoltsAndTheLimit) {
  Bench bench(AnalogConfig());
  bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0)});
  bench.Hold(1e-3, 0.0);
  EXPECT_EQ(bench.Rack().ClippingLines(), 0);
  // Range 1, gain 10: 3 V on the DAC drives 15 V into the probe.
  bench.Words(0, {LatchWord(30, 0, 0), LatchWord(40, 8, 0)});
  bench.Hold(1e-3, 3.0);
  EXPECT_EQ(bench.Rack().ClippingLines(), 1);
  EXPECT_DOUBLE_EQ(bench.Line(6), AmplifierBoardModel::kLimitVolts);
  bench.Hold(1e-3, 0.0);
  EXPECT_EQ(bench.Rack().ClippingLines(), 0);
}

TEST(AmplifierAnalog, MultiplexerCarriesTheMonitorsWithItsGain) {
  AmplifierRackConfig config = AnalogConfig();
  config.boards[0].mux_gain = 0.7;
  Bench bench(config);
  bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0)});
  bench.Hold(1e-3, 1.0);
  const AmplifierMonitors& monitors = bench.Rack().Model(0)->Monitors();
  for (const auto& [channel, volts] : std::vector<std::pair<int, double>>{
           {6, monitors.probe}, {7, monitors.filter1}, {14, monitors.current1}, {5, 0.0}}) {
    SCOPED_TRACE(channel);
    bench.Words(0, {LatchWord(40, 0, channel)});
    bench.Hold(1e-4, 1.0);
    EXPECT_NEAR(bench.Line(7), 0.7 * volts + config.boards[0].analog.mux_offset_volts, 1e-9);
  }
  EXPECT_GT(monitors.probe, 0.04);
}

// What the line moves by when the test DAC steps from 0 to 1 V.
double TestDacStep(Bench& bench, const std::function<double()>& line) {
  bench.test = [](double) { return 0.0; };
  bench.Hold(1e-3, 0.0);
  const double before = line();
  bench.test = [](double) { return 1.0; };
  bench.Hold(1e-3, 0.0);
  return line() - before;
}

TEST(AmplifierAnalog, TestDacRoutesAndTheExternalStimulus) {
  const AmplifierAnalogTruths truths;
  const double scale = (0.0 - truths.scale.stim_scale_offset) / (truths.scale.stim_scale_slope * 13.0);
  struct Case {
    std::string name;
    std::vector<std::uint16_t> words;
    double probe;
    double monitor;  // at output gain 2
    double mux15;
    double command;
  };
  const std::vector<Case> cases = {
      {"no route", {}, 0.0, 0.0, 0.0, 0.0},
      {"to the probe", {LatchWord(26, 2, 0)}, truths.test_probe_gain, 2 * truths.test_probe_gain,
       truths.test_probe_gain, 0.0},
      {"to the output amplifier", {LatchWord(26, 0, 8)}, 0.0, 2 * truths.test_output_gain, 0.0, 0.0},
      {"as the stimulus", {LatchWord(32, 1, 0)}, 0.0, 0.0, 0.0, 0.1 * scale},
      {"external stimulus", {LatchWord(32, 2, 0)}, 0.0, 0.0, 0.0, 0.1 * scale},
      {"external with V-ref x2", {LatchWord(32, 2, 0), LatchWord(28, 1, 8 | kBypassFilter2)}, 0.0, 0.0, 0.0,
       0.5 * scale},
      {"stimulus source off", {LatchWord(32, 4, 0)}, 0.0, 0.0, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench(AnalogConfig(1, 0.0));
    bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 1), Word(4, 0), Word(5, 13)});
    bench.Words(0, c.words);
    const AmplifierMonitors& monitors = bench.Rack().Model(0)->Monitors();
    EXPECT_NEAR(TestDacStep(bench, [&] { return monitors.probe; }), c.probe, 1e-6);
    EXPECT_NEAR(TestDacStep(bench, [&] { return monitors.current; }), c.monitor, 1e-6);
    EXPECT_NEAR(TestDacStep(bench, [&] { return monitors.command; }), c.command, 1e-12);
    bench.Words(0, {LatchWord(40, 0, 15)});
    EXPECT_NEAR(TestDacStep(bench, [&] { return bench.Line(7); }), c.mux15, 1e-6);
  }
}

TEST(AmplifierAnalog, CSlowAndCFastNetworksOnTheMultiplexer) {
  const AmplifierScaleTruths scale;
  const double pipette = 0.1 * AmplifierAnalogTruths{}.stimulus_gain;
  // C-slow DAC 1024, G-series 1500 at the code of factor 1.
  const double tau = scale.c_slow_factor * scale.g_series_factor / (1024.0 * 1500.0);
  const double gain = -scale.c_slow_factor / 1024.0;
  for (const int fraction : {0, 87}) {
    SCOPED_TRACE(fraction);
    Bench bench(AnalogConfig(1, 0.0));
    std::vector<std::uint16_t> words = Dac12Words(20, 1024);
    for (const std::uint16_t w : Dac12Words(21, 1500)) words.push_back(w);
    words.push_back(LatchWord(34, 0, 3 << 1));
    words.push_back(Word(7, fraction));
    words.push_back(LatchWord(40, 0, 3));
    bench.Words(0, words);
    bench.Hold(0.05, 0.0);
    const double rest = bench.Line(7);
    const double shortened = tau * (1.0 - fraction / scale.rs_fraction_factor);
    bench.Hold(shortened + 1e-5, 1.0);
    EXPECT_NEAR(bench.Line(7) - rest, gain * pipette * (1.0 - std::exp(-1.0)), 0.01 * std::fabs(gain * pipette));
    bench.Hold(20 * shortened, 1.0);
    EXPECT_NEAR(bench.Line(7) - rest, gain * pipette, 1e-6);
  }
  Bench bench(AnalogConfig(1, 0.0));
  bench.Words(0, {Word(9, 100), Word(8, 50), LatchWord(36, 3, 0), LatchWord(40, 0, 4)});
  bench.Hold(1e-3, 0.0);
  const double rest = bench.Line(7);
  bench.Hold(1e-3, 1.0);
  EXPECT_NEAR(bench.Line(7) - rest, pipette * 150.0 / scale.c_fast_factor, 1e-9);
}

TEST(AmplifierAnalog, TestIntegratorRatesInjectionAndAutoZero) {
  const AmplifierAnalogTruths truths;
  struct Case {
    std::string name;
    int capacitors;  // latch 42 bits 2-3
    int channel;
    double rate;
    double farads;
  };
  const std::vector<Case> cases = {
      {"1 pF", 1, 4, truths.integrator_rate[0], truths.scale.injection_farads[2]},
      {"10 pF", 2, 2, truths.integrator_rate[1], truths.scale.injection_farads[3]},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench(AnalogConfig(1, 0.0));
    // Range 1, the integrator fed by the test DAC, the monitor's filters wide.
    bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0), LatchWord(40, 8, c.channel),
                    LatchWord(38, 0, 4), LatchWord(42, c.capacitors << 2, 0)});
    bench.test = [](double) { return 0.0; };
    bench.Hold(1e-3, 0.0);
    const double start = bench.Line(7);
    bench.test = [](double) { return 1.0; };
    bench.Hold(5e-3, 0.0);
    // The last conversion was 10 us before the end.
    EXPECT_NEAR((bench.Line(7) - start) / (5e-3 - 1e-5), c.rate, 0.01 * c.rate);
    const double current = truths.integrator_drive * c.farads * c.rate;
    EXPECT_NEAR(bench.Rack().Model(0)->Monitors().probe - truths.probe_offset_volts[1], current * truths.range_gain[1],
                0.01 * current * truths.range_gain[1]);
  }
  // A small step, and the auto-zero loop brings the output back within 10 s.
  Bench bench(AnalogConfig(1, 0.0));
  bench.Words(0, {LatchWord(40, 8, 4), LatchWord(38, 0, 4), LatchWord(42, 4, 0)});
  bench.test = [](double) { return 0.01; };
  double peak = 0.0;
  bench.Run(10.0, 1e-3, [](double) { return 0.0; }, [&](double) {
    peak = std::max(peak, bench.Rack().Model(0)->Monitors().integrator);
  });
  EXPECT_GT(peak, 0.1);
  EXPECT_LT(std::fabs(bench.Rack().Model(0)->Monitors().integrator), 0.02 * peak);
  // Without a source the channel shows the C-fast network again.
  bench.Words(0, {LatchWord(38, 0, 0)});
  bench.Hold(1e-3, 0.0);
  EXPECT_NEAR(bench.Line(7), truths.mux_offset_volts, 1e-9);
}

TEST(AmplifierAnalog, CurrentClampGainsByLetter) {
  struct Case {
    char letter;
    int resistor;  // latch 40 bits 2-3
    int latch24;
    int latch33;   // bit 3 current clamp
    int gain;
  };
  const std::vector<Case> cases = {
      {'R', 8, 0, 8, 1}, {'R', 8, 1, 8, 0}, {'R', 0, 0, 8, 3}, {'R', 0, 1, 8, 2}, {'T', 8, 0, 8, 1},
      {'D', 8, 1, 8, 1}, {'D', 8, 0, 8, 0}, {'A', 8, 0, 9, 1}, {'P', 0, 0, 8, 2}, {'C', 8, 0, 8, 1},
      {'Z', 0, 1, 8, 3}, {'R', 8, 0, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.letter) + " gain " + std::to_string(c.gain));
    AmplifierRackConfig config = AnalogConfig(1, 500e6);
    config.boards[0].letter = c.letter;
    const AmplifierAnalogTruths& truths = config.boards[0].analog;
    Bench bench(config);
    bench.Words(0, {LatchWord(24, c.latch24, 0), LatchWord(32, 0, c.latch33), LatchWord(40, c.resistor, 0),
                    LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0)});
    const AmplifierBoardModel& model = *bench.Rack().Model(0);
    EXPECT_EQ(model.CurrentClampGain(bench.Rack().Board(0)), c.gain);
    if (c.gain < 0) continue;
    // 0.5 nA into 500 MOhm.
    const double amperes = truths.cc_amperes_per_volt[static_cast<std::size_t>(c.gain)];
    const double stimulus = 0.5e-9 / amperes / truths.stimulus_gain;
    bench.Hold(0.02, stimulus);
    const double current = stimulus * truths.stimulus_gain * amperes;
    // The probe's input resistance beside the cell.
    const double ohms = 1.0 / (1.0 / 500e6 + 1.0 / truths.cc_input_ohms);
    EXPECT_NEAR(bench.Line(5), current * ohms * 10.0, 1e-6);
    const auto range = static_cast<std::size_t>(c.resistor == 0 ? 0 : 1);
    EXPECT_NEAR(bench.Line(6), current * truths.range_gain[range] + truths.probe_offset_volts[range], 1e-9);
  }
}

TEST(AmplifierAnalog, CurrentClampChargesTheWholeCell) {
  AmplifierRackConfig config = AnalogConfig();
  config.boards[0].analog.cell = AmplifierCell::WholeCell();
  const AmplifierAnalogTruths& truths = config.boards[0].analog;
  const AmplifierCell& cell = truths.cell;
  Bench bench(config);
  // 1 pA/mV; 0.2 V on the DAC drives about 0.2 nA.
  bench.Words(0, {LatchWord(32, 0, 8), LatchWord(40, 8, 0)});
  bench.Hold(0.2, 0.0);
  const double rest = bench.Line(5);
  EXPECT_NEAR(rest, cell.bath_volts * 10.0, 1e-6);
  // On the slow time scale the pipette node's and the wall's capacitances
  // charge with the membrane, and the probe's input resistance shunts it.
  const double ohms = 1.0 / (1.0 / (cell.series_ohms + cell.membrane_ohms) + 1.0 / truths.cc_input_ohms);
  const double membrane_tau = (ohms - cell.series_ohms) * (cell.membrane_farads + cell.stray_farads +
                                                           cell.wall_farads + truths.cc_input_farads);
  bench.Hold(membrane_tau, 0.2);
  const double current = 0.2 * truths.stimulus_gain * truths.cc_amperes_per_volt[1];
  const double at_tau = current * (cell.series_ohms + (ohms - cell.series_ohms) * (1.0 - std::exp(-1.0)));
  EXPECT_NEAR((bench.Line(5) - rest) / 10.0, at_tau, 0.02 * at_tau);
  bench.Hold(20 * membrane_tau, 0.2);
  EXPECT_NEAR((bench.Line(5) - rest) / 10.0, current * ohms, 1e-5);
  // The offset DAC at full scale adds its span.
  bench.Words(0, Dac12Words(15, 4095));
  bench.Hold(20 * membrane_tau, 0.2);
  const double offset = truths.cc_offset_span_volts * 2047.0 / 2048.0 * truths.cc_amperes_per_volt[1];
  EXPECT_NEAR((bench.Line(5) - rest) / 10.0, (current + offset) * ohms, 1e-5);
}

TEST(AmplifierAnalog, ReferenceGainTrimOfTheYBoards) {
  AmplifierRackConfig config = AnalogConfig();
  config.boards[0].letter = 'Y';
  const AmplifierAnalogTruths& truths = config.boards[0].analog;
  Bench bench(config);
  // The special cable from DAC 0 to the probe's reference input.
  bench.Rack().PlugCable(0, AmplifierRack::BoardInput::kReference, 0);
  bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0)});
  // What 0.1 V on the reference input (and the stimulus) moves the current
  // monitor by.
  const auto step = [&] {
    bench.Hold(1e-3, 0.0);
    const double before = bench.Line(6);
    bench.Hold(1e-3, 0.1);
    return bench.Line(6) - before;
  };
  struct Case {
    std::string name;
    int latch29;  // bit 0 set: bath sense off; bit 3 V-ref x2
    int latch38;  // bit 1 the trim on
    int trim;
    double gain;
  };
  const double span = truths.ref_trim_span / 4095.0;
  const std::vector<Case> cases = {
      {"bath sense off", kBypassFilter2 | 1, 2, 100, 0.0},
      {"untrimmed", kBypassFilter2, 0, 100, truths.ref_untrimmed_gain},
      {"at 100", kBypassFilter2, 2, 100, (truths.ref_trim_balance[0] - 100) * span},
      {"at 3995", kBypassFilter2, 2, 3995, (truths.ref_trim_balance[0] - 3995) * span},
      {"balanced", kBypassFilter2, 2, static_cast<int>(truths.ref_trim_balance[0]), 0.0},
      {"balanced with V-ref x2", kBypassFilter2 | 8, 2, static_cast<int>(truths.ref_trim_balance[1]), 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint16_t> words = Dac12Words(23, c.trim);
    words.push_back(LatchWord(28, 1, c.latch29));
    words.push_back(LatchWord(38, c.latch38, 0));
    bench.Words(0, words);
    const double stimulus = (c.latch29 & 8) != 0 ? 0.5 : 0.1;
    const double cell = 0.1 * stimulus * truths.stimulus_gain / 10e6 * truths.range_gain[0];
    EXPECT_NEAR(step(), 0.1 * c.gain + cell, 1e-9);
    // DAC 23 is no Rs compensation on the Y boards.
    EXPECT_EQ(bench.Rack().Model(0)->Compensation(bench.Rack().Board(0)).rs_ohms, 0.0);
  }
}

TEST(AmplifierAnalog, ModelCircuitSwitchAndTestInputCable) {
  Bench bench(AnalogConfig(1, 10e6));
  const AmplifierAnalogTruths& truths = bench.Rack().Model(0)->Truths();
  bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0)});
  bench.Hold(1e-3, 1.0);
  const double pipette = 0.1 * truths.stimulus_gain + truths.stimulus_offset_volts;
  EXPECT_NEAR(bench.Line(6), pipette / 10e6 * truths.range_gain[0] + truths.probe_offset_volts[0], 1e-9);
  bench.Rack().SwitchModelCircuit(0, AmplifierCell::Resistor(20e6));
  bench.Hold(1e-3, 1.0);
  EXPECT_NEAR(bench.Line(6), pipette / 20e6 * truths.range_gain[0] + truths.probe_offset_volts[0], 1e-9);
  EXPECT_EQ(bench.Rack().Model(0)->Truths().cell, AmplifierCell::Resistor(20e6));
  // The test input cabled to DAC 2, which the bench drives like the
  // stimulus: multiplexer 13 still shows the board's own test DAC.
  bench.Rack().PlugCable(0, AmplifierRack::BoardInput::kTest, 2);
  bench.Words(0, {LatchWord(26, 2, 0), LatchWord(40, 0, 15)});
  bench.Hold(1e-3, 1.0);
  EXPECT_NEAR(bench.Line(7), truths.test_probe_gain + truths.mux_offset_volts, 1e-6);
  bench.Words(0, {LatchWord(40, 0, 13)});
  bench.Hold(1e-3, 1.0);
  EXPECT_NEAR(bench.Line(7), truths.mux_offset_volts, 1e-9);
}

// Filter 2 on another source than the output amplifier: the multiplexer
// (latch 31 bit 3) or the voltage monitor (latch 44 bit 2). From the
// multiplexer the current monitor shows filter 2's output, from the
// voltage monitor multiplexer channel 10 does; each against the line that
// feeds it: -3 dB at the corner, unity well below it.
TEST(AmplifierAnalog, Filter2Sources) {
  struct Case {
    std::string name;
    std::vector<std::uint16_t> words;
    bool on_test_dac;
    int input_line;
    int output_line;
  };
  const std::vector<Case> cases = {
      // The external stimulus input (cabled to the test DAC) as a stimulus
      // source, its buffer on multiplexer 11.
      {"multiplexer", {LatchWord(30, 4, 8), LatchWord(32, 2, 0), LatchWord(40, 0, 11)}, true, 7, 6},
      {"voltage monitor", {LatchWord(30, 4, 0), LatchWord(44, 4, 0), LatchWord(40, 0, 10)}, false, 5, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AmplifierRackConfig config = AnalogConfig(1, 0.0);
    const AmplifierAnalogTruths& truths = config.boards[0].analog;
    const int part1 = static_cast<int>(std::lround(10e3 * truths.filter2_factors[0]));
    const int part2 = static_cast<int>(std::lround(10e3 * truths.filter2_factors[1]));
    Bench bench(config);
    bench.Words(0, {Word(10, part1), Word(12, part2)});
    bench.Words(0, c.words);
    const auto gain = [&](double hz, double step) {
      return SineAmplitude(bench, c.output_line, hz, step, c.on_test_dac) /
             SineAmplitude(bench, c.input_line, hz, step, c.on_test_dac);
    };
    const double corner = part1 / truths.filter2_factors[0];
    EXPECT_NEAR(gain(corner / 100.0, 2e-5), 1.0, 0.01);
    EXPECT_NEAR(gain(corner, 2e-7), std::sqrt(0.5), 0.02 * std::sqrt(0.5));
  }
}

// From the multiplexer the offset DAC (6) shifts the current monitor by its
// share, and the bypass (latch 29 bit 1) shows the output amplifier's
// monitor again; the source back on the output amplifier, the external
// stimulus off, multiplexer 11 shows nothing.
TEST(AmplifierAnalog, Filter2OffsetDacBypassAndExternalBuffer) {
  Bench bench(AnalogConfig(1, 0.0));
  bench.Words(0, {Word(10, 100), Word(12, 100)});
  bench.Words(0, {LatchWord(30, 4, 8), LatchWord(32, 2, 0), LatchWord(40, 0, 11)});
  const auto monitor_at = [&](int code) {
    bench.Words(0, {Word(6, code)});
    bench.Hold(5e-3, 0.0);
    return bench.Line(6);
  };
  EXPECT_NEAR(monitor_at(255) - monitor_at(0), 255 * AmplifierTestNodes::kFilter2OffsetVoltsPerCode, 1e-3);
  bench.test = [](double) { return 1.0; };
  bench.Hold(5e-3, 0.0);
  EXPECT_NEAR(bench.Line(7) - bench.Rack().Model(0)->Truths().mux_offset_volts, AmplifierTestNodes::kStimulusBufferGain,
              1e-3);
  const double filtered = bench.Line(6);
  bench.Words(0, {LatchWord(28, 1, kBypassFilter2)});
  bench.Hold(5e-3, 0.0);
  const double bypassed = bench.Line(6);
  EXPECT_NEAR(bypassed, bench.Rack().Model(0)->Monitors().current, 1e-12);
  EXPECT_GT(std::fabs(filtered - bypassed), 0.5);
  bench.Words(0, {LatchWord(28, 1, 0), LatchWord(30, 4, 0), LatchWord(32, 0, 0)});
  bench.Hold(5e-3, 0.0);
  EXPECT_NEAR(bench.Line(7), bench.Rack().Model(0)->Truths().mux_offset_volts, 1e-3);
  EXPECT_NEAR(bench.Line(6), bench.Rack().Model(0)->Monitors().current, 1e-12);
}

TEST(AmplifierAnalog, FourBoardsEachOnItsLinesWithItsCell) {
  AmplifierRackConfig config = AnalogConfig(4);
  const double cells[] = {10e6, 20e6, 40e6, 80e6};
  for (int board = 0; board < 4; ++board) {
    config.boards[static_cast<std::size_t>(board)].analog.cell = AmplifierCell::Resistor(cells[board]);
  }
  Bench bench(config);
  for (int board = 0; board < 4; ++board) bench.Words(board, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0)});
  // The multiplexer off AD 7 on board 0 (the selected one) lets board 3's
  // current monitor through.
  bench.Words(0, {LatchWord(44, 0, 4)});
  bench.Hold(2e-3, 1.0);
  const int current_lines[] = {6, 4, 2, 7};
  const int voltage_lines[] = {5, 3, 1, 0};
  for (int board = 0; board < 4; ++board) {
    SCOPED_TRACE(board);
    const AmplifierAnalogTruths& truths = config.boards[static_cast<std::size_t>(board)].analog;
    const double pipette = 0.1 * truths.stimulus_gain + truths.stimulus_offset_volts;
    EXPECT_NEAR(bench.Line(current_lines[board]), pipette / cells[board] * truths.range_gain[0] + truths.probe_offset_volts[0],
                1e-9);
    EXPECT_NEAR(bench.Line(voltage_lines[board]), pipette * 10.0, 1e-9);
  }
}

}  // namespace

namespace {

// The multiplexer's mean over 256 conversions 0.1 ms apart.
double MuxMean(Bench& bench, double dac) {
  double sum = 0.0;
  int count = 0;
  bench.Run(256e-4, 1e-4, [=](double) { return dac; }, [&](double) {
    sum += bench.Line(7);
    ++count;
  });
  return sum / count;
}

TEST(AmplifierAnalog, SignaturesAndTheOldBoardsMeasuredLetters) {
  struct Case {
    char letter;
    bool present;
    // What the measured detection makes of the board: a letter, or 'E' for
    // "read the EEPROM".
    char detected;
  };
  for (const Case& c : std::vector<Case>{{'A', true, 'A'}, {'P', true, 'P'}, {'B', true, 'B'}, {'C', true, 'E'},
                                         {'D', true, 'E'}, {'Z', true, 'E'}, {'R', true, 'E'}, {'R', false, '-'}}) {
    SCOPED_TRACE(std::string(1, c.letter) + (c.present ? "" : " absent"));
    AmplifierRackConfig config = AnalogConfig(1, 0.0);
    config.boards[0].letter = c.letter;
    config.boards[0].present = c.present;
    config.boards[0].analog.cell = AmplifierCell::Open();
    Bench bench(config);
    // Multiplexer 10: minus the stimulus DAC, through the stimulus filter
    // whose settling the means take in.
    bench.Words(0, {LatchWord(40, 0, 10)});
    const double gain10 = (MuxMean(bench, 1.0) - MuxMean(bench, -1.0)) / 2.0;
    if (!c.present) {
      EXPECT_LT(std::fabs(gain10), 0.1);
      continue;
    }
    EXPECT_NEAR(gain10, -1.0, 0.01);
    // The chip select's 5 V on 1, nothing on 5.
    bench.Words(0, {LatchWord(40, 0, 1)});
    const double reference = MuxMean(bench, 0.0);
    bench.Words(0, {LatchWord(40, 0, 5)});
    const double zero = MuxMean(bench, 0.0);
    EXPECT_LT(std::fabs(zero), 0.01);
    const bool chipSelect = reference >= 4.0 && reference <= 6.0 && std::fabs(zero) < 1.0;
    EXPECT_EQ(chipSelect, !IsOldBoardLetter(c.letter));
    if (chipSelect) continue;
    // The measured detection: the test DAC's gain through multiplexer 13 at
    // x 64, filter 1 (10 kHz) with the probe offset DAC at both ends, then
    // the old boards' path on 9 with the stimulus at +1 and -1 V.
    bench.Words(0, {LatchWord(38, 0, 2), LatchWord(40, 0, 13)});
    bench.Run(1e-3, 1e-4, [](double) { return 0.0; }, [](double) {});
    const double g = (MuxMean(bench, 0.1) - MuxMean(bench, -0.1)) / 0.2;
    bench.Words(0, {LatchWord(38, 0, 0), LatchWord(40, 0, 7), LatchWord(28, 4, kBypassFilter2)});
    bench.Words(0, Dac12Words(17, 4095));
    const double m1 = MuxMean(bench, 0.0);
    bench.Words(0, Dac12Words(17, 0));
    const double m0 = MuxMean(bench, 0.0);
    char detected = 'E';
    if (m0 <= -0.6 && m1 > 0.6) {
      detected = g > 50.0 ? 'P' : 'A';
    } else if (g <= 50.0) {
      bench.Words(0, {LatchWord(40, 0, 9)});
      const double mp = MuxMean(bench, 1.0);
      const double mn = MuxMean(bench, -1.0);
      if ((mn - mp) * 0.5 < 0.5) detected = 'B';
    }
    EXPECT_EQ(detected, c.detected);
  }
}

// The RMS of the current monitor over n conversions step seconds apart.
double MonitorRms(Bench& bench, int n, double step) {
  double sum = 0.0;
  double squares = 0.0;
  bench.Run(n * step, step, [](double) { return 0.0; }, [&](double) {
    const double volts = bench.Line(6);
    sum += volts;
    squares += volts * volts;
  });
  const double mean = sum / n;
  return std::sqrt(squares / n - mean * mean);
}

TEST(AmplifierAnalog, NoiseFollowsTheBandwidthAndRepeatsWithItsSeed) {
  AmplifierRackConfig config = AnalogConfig(1, 0.0);
  config.boards[0].analog.cell = AmplifierCell::Open();
  config.boards[0].analog.hum_amperes = 0.0;
  config.noise = true;
  const auto stream = [&](unsigned seed) {
    AmplifierRackConfig seeded = config;
    seeded.seed = seed;
    Bench bench(seeded);
    bench.Words(0, {LatchWord(28, 4, kBypassFilter2), LatchWord(30, 4, 0), LatchWord(40, 8, 7)});
    std::vector<double> lines;
    bench.Run(1e-3, 5e-6, [](double t) { return t < 5e-4 ? 0.0 : 0.5; }, [&](double) {
      lines.push_back(bench.Line(6));
      lines.push_back(bench.Line(7));
    });
    return lines;
  };
  EXPECT_EQ(stream(7), stream(7));
  EXPECT_NE(stream(7), stream(8));

  // Range 1: 2 pA in 10 kHz on 5e8 V/A, whatever the interval.
  const AmplifierAnalogTruths& truths = config.boards[0].analog;
  for (const int index : {1, 2}) {
    for (const double step : {5e-6, 2e-5}) {
      SCOPED_TRACE(std::to_string(index) + " " + std::to_string(step));
      Bench bench(config);
      bench.Words(0, {LatchWord(28, 1 << index, kBypassFilter2), LatchWord(30, 4, 0), LatchWord(40, 8, 0)});
      bench.Hold(2e-3, 0.0);
      const double expected = truths.noise_amperes[1] * truths.range_gain[1] *
                              std::sqrt(truths.filter1_hz[static_cast<std::size_t>(index)] / 1e4);
      EXPECT_NEAR(MonitorRms(bench, 20000, step), expected, 0.03 * expected);
    }
  }
}

TEST(AmplifierAnalog, ATransientSettlesOverAWaitBetweenSweeps) {
  AmplifierRackConfig config = AnalogConfig(1, 0.0);
  config.boards[0].analog.cell = AmplifierCell::WholeCell();
  Bench bench(config);
  bench.Words(0, {LatchWord(28, 4, kBypassFilter2), LatchWord(30, 4, 0), LatchWord(40, 8, 0)});
  bench.Hold(5e-3, 0.0);
  // One conversion on the step, then 5 ms (23 membrane time constants)
  // without any.
  bench.Run(5e-6, 5e-6, [](double) { return 0.2; }, [](double) {});
  const double early = bench.Line(6);
  bench.Wait(5e-3);
  bench.Run(5e-6, 5e-6, [](double) { return 0.2; }, [](double) {});
  const double waited = bench.Line(6);
  bench.Hold(20e-3, 0.2);
  EXPECT_NEAR(waited, bench.Line(6), 1e-6);
  EXPECT_GT(std::fabs(early - waited), 0.01);
}

}  // namespace

namespace {

// The Rs compensation on the whole cell (Rs Cm 220 us, lag 10 us with filter
// 1 at 10 kHz): alpha_c = 1 - 30 / 220.
TEST(AmplifierAnalog, RsCompensationSpeedsTheCellAndRingsPastItsCriticalAlpha) {
  AmplifierRackConfig config = AnalogConfig(1, 0.0);
  config.boards[0].analog.cell = AmplifierCell::WholeCell();
  config.boards[0].analog.cell.membrane_ohms = 0.0;
  const AmplifierAnalogTruths& truths = config.boards[0].analog;
  const double critical = 1.0 - 30e-6 / (10e6 * 22e-12);
  Bench bench(config);
  bench.Words(0, {LatchWord(28, 4, kBypassFilter2), LatchWord(30, 4, 0), LatchWord(40, 8, 0)});
  const auto compensate = [&](double alpha) {
    std::vector<std::uint16_t> words =
        Dac12Words(23, static_cast<int>(std::lround(alpha * 10e6 * truths.scale.rs_factor / truths.range_gain[1])));
    words.push_back(LatchWord(38, alpha > 0.0 ? 2 : 0, 0));
    bench.Words(0, words);
  };
  // The charge a 20 mV step moves into the cell, and the time by which half
  // of it has.
  const auto halfCharged = [&] {
    bench.Hold(5e-3, 0.0);
    std::vector<double> monitor;
    bench.Run(2e-3, 5e-6, [](double) { return 0.2; }, [&](double) { monitor.push_back(bench.Line(6)); });
    double total = 0.0;
    for (const double volts : monitor) total += volts - monitor.back();
    double half = 0.0;
    for (std::size_t n = 0; n < monitor.size(); ++n) {
      half += monitor[n] - monitor.back();
      if (half >= total / 2.0) return n * 5e-6;
    }
    return 2e-3;
  };
  const double bare = halfCharged();
  compensate(critical - 0.1);
  EXPECT_NEAR(bench.Rack().Model(0)->RsCriticalAlpha(bench.Rack().Board(0)), critical, 1e-12);
  EXPECT_NEAR(bench.Rack().Model(0)->RsAlpha(bench.Rack().Board(0)), critical - 0.1, 0.002);
  // Rs (1 - alpha) left: the cell charges faster, without ringing.
  EXPECT_LT(halfCharged(), 0.5 * bare);
  EXPECT_EQ(bench.Rack().Model(0)->RsViolations(), 0);
  EXPECT_EQ(bench.Rack().ClippingLines(), 0);
  compensate(critical + 0.02);
  double lowest = 0.0;
  double highest = 0.0;
  bench.Run(1e-3, 5e-6, [](double) { return 0.0; }, [&](double) {
    lowest = std::min(lowest, bench.Line(6));
    highest = std::max(highest, bench.Line(6));
  });
  EXPECT_EQ(lowest, -AmplifierBoardModel::kLimitVolts);
  EXPECT_EQ(highest, AmplifierBoardModel::kLimitVolts);
  EXPECT_EQ(bench.Rack().ClippingLines(), 1);
  EXPECT_EQ(bench.Rack().Model(0)->RsViolations(), 1);
  compensate(0.0);
  bench.Hold(5e-3, 0.0);
  EXPECT_EQ(bench.Rack().ClippingLines(), 0);
  EXPECT_EQ(bench.Rack().Model(0)->RsViolations(), 1);

  // The probe's transient undershoots from alpha_c - 0.1 on, up to 30 % of
  // its peak at alpha_c.
  const auto undershoot = [&](double alpha) {
    compensate(alpha);
    bench.Hold(5e-3, 0.0);
    std::vector<double> probe;
    bench.Run(2e-3, 1e-6, [](double) { return 0.2; },
              [&](double) { probe.push_back(bench.Rack().Model(0)->Monitors().probe); });
    double peak = 0.0;
    double lowest = 0.0;
    for (const double volts : probe) {
      peak = std::max(peak, volts - probe.back());
      if (peak > 0.0) lowest = std::min(lowest, volts - probe.back());
    }
    return -lowest / peak;
  };
  EXPECT_LT(undershoot(critical - 0.12), 0.001);
  const double halfway = undershoot(critical - 0.05);
  EXPECT_GT(halfway, 0.05);
  EXPECT_LT(halfway, 0.25);
  EXPECT_NEAR(undershoot(critical - 0.002), AmplifierBoardModel::kMostUndershoot, 0.05);
  EXPECT_EQ(bench.Rack().Model(0)->RsViolations(), 1);
}

}  // namespace

namespace {

// A probe selector in front of board 0: each position its own probe, whose
// truths the model takes from the conversion after the selector moved.
TEST(AmplifierAnalog, EachProbePositionHasItsOwnTruths) {
  AmplifierRackConfig config = AnalogConfig();
  config.selectors.emplace_back();
  AmplifierAnalogTruths second = config.boards[0].analog;
  second.cell = AmplifierCell::Resistor(20e6);
  second.range_gain[0] *= 1.01;
  config.boards[0].probes = {config.boards[0].analog, second};
  Bench bench(config);
  bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0)});
  RackPlayer selector(bench.Rack(), RackPort::kOlder);
  const auto current = [&](int position) {
    selector.Play(OlderPortWord(static_cast<std::uint16_t>((position - 1) << 8)));
    bench.Hold(2e-3, 1.0);
    EXPECT_EQ(bench.Rack().ProbePosition(0), position);
    const AmplifierAnalogTruths& truths = bench.Rack().Model(0)->Truths();
    const double pipette = 0.1 * truths.stimulus_gain + truths.stimulus_offset_volts;
    return pipette / truths.cell.series_ohms * truths.range_gain[0] + truths.probe_offset_volts[0];
  };
  for (const int position : {2, 1, 2}) {
    SCOPED_TRACE(position);
    const double expected = current(position);
    EXPECT_EQ(bench.Rack().Model(0)->Truths().cell, config.boards[0].probes[static_cast<std::size_t>(position - 1)].cell);
    EXPECT_NEAR(bench.Line(6), expected, 1e-6);
  }
}

}  // namespace

namespace {

// The HF stage's words: its DAC pair, switch and the corrections' scales,
// T-fast and T-slow (amplitude, time constant).
std::vector<std::uint16_t> HFWords(int hf_dac, int trim_dac, int selection, int scales = 0,
                                   std::array<int, 2> fast = {128, 255}, std::array<int, 2> slow = {128, 255}) {
  std::vector<std::uint16_t> words = Dac12Words(18, hf_dac);
  for (const std::uint16_t w : Dac12Words(19, trim_dac)) words.push_back(w);
  words.insert(words.end(), {LatchWord(26, scales << 2, selection), Word(1, fast[0]), Word(0, fast[1]),
                             Word(3, slow[0]), Word(2, slow[1])});
  return words;
}

// The current monitor's step response on a resistor in `range`, filter 1
// at its widest and filter 2 bypassed, relative to where it settles: at
// each of the times after the step.
std::vector<double> StepShares(Bench& bench, int range, const std::vector<std::uint16_t>& hf,
                               const std::vector<double>& times) {
  constexpr int kResistorOfRange[] = {0, 8, 12};
  bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0), LatchWord(40, kResistorOfRange[range], 0)});
  bench.Words(0, hf);
  bench.Hold(40e-3, 0.0);
  const double rest = bench.Line(6);
  std::vector<double> monitor;
  bench.Run(30e-3, 1e-6, [](double) { return 0.1; }, [&](double) { monitor.push_back(bench.Line(6)); });
  std::vector<double> shares;
  for (const double t : times) {
    shares.push_back((monitor[static_cast<std::size_t>(std::lround(t / 1e-6))] - rest) / (monitor.back() - rest));
  }
  return shares;
}

// At the scale defaults' codes the stage cancels the probe's pole: the
// monitor is flat and has the range's gain; without the derivative the
// pole shows; the DAC pair sets the gain, and the gain trim at 0 leaves the
// stage at the rail.
TEST(AmplifierAnalog, HFStageCancelsTheProbesPoleAtTheDefaultCodes) {
  struct Range {
    int range;
    double ohms;
    int hf_dac;
    int trim_dac;
    int selection;
  };
  const Range ranges[] = {{0, 10e6, 4095, 3055, 0}, {1, 100e6, 475, 619, 1}, {2, 10e9, 1024, 1480, 2}};
  for (const Range& r : ranges) {
    SCOPED_TRACE(r.range);
    AmplifierRackConfig config = AnalogConfig(1, r.ohms);
    config.boards[0].analog.hf.on = true;
    const AmplifierAnalogTruths& truths = config.boards[0].analog;
    const auto index = static_cast<std::size_t>(r.range);
    Bench bench(config);
    const std::vector<double> times = {50e-6, 200e-6, 1e-3, 3e-3};
    for (const double share : StepShares(bench, r.range, HFWords(r.hf_dac, r.trim_dac, r.selection), times)) {
      EXPECT_NEAR(share, 1.0, 0.002);
    }
    const double pipette = 0.01 * truths.stimulus_gain;
    bench.Hold(5e-3, 0.1);
    const double settled = bench.Line(6) - truths.probe_offset_volts[index];
    bench.Hold(5e-3, 0.0);
    EXPECT_NEAR(settled - (bench.Line(6) - truths.probe_offset_volts[index]), pipette / r.ohms * truths.range_gain[index],
                1e-4 * pipette / r.ohms * truths.range_gain[index]);
    if (r.selection != 0) {
      const double pole = truths.hf.pole_seconds[index];
      const std::vector<double> slow = StepShares(bench, r.range, HFWords(r.hf_dac, r.trim_dac, 0), {pole});
      EXPECT_NEAR(slow[0], 1.0 - std::exp(-1.0), 0.01);
    }
  }
  AmplifierRackConfig config = AnalogConfig(1, 10e6);
  config.boards[0].analog.hf.on = true;
  Bench bench(config);
  bench.Words(0, {LatchWord(28, 1, kBypassFilter2), LatchWord(30, 4, 0), LatchWord(40, 0, 0)});
  const auto step = [&](int hf_dac) {
    bench.Words(0, HFWords(hf_dac, 3055, 0));
    bench.Hold(2e-3, 0.0);
    const double rest = bench.Line(6);
    bench.Hold(2e-3, 1.0);
    return bench.Line(6) - rest;
  };
  EXPECT_NEAR(step(4095), step(2048) * 4095.0 / 2048.0, 1e-6);
  EXPECT_EQ(bench.Rack().ClippingLines(), 0);
  bench.Words(0, HFWords(4095, 0, 0));
  bench.Hold(2e-3, 1.0);
  EXPECT_EQ(bench.Line(6), AmplifierBoardModel::kLimitVolts);
  EXPECT_EQ(bench.Rack().ClippingLines(), 1);
}

// Each correction adds a / (1 + s tau) of the stage's output: a = (128 -
// A) / (3 T), tau = S x 255 / T, S by its scale bit.
TEST(AmplifierAnalog, HFCorrectionsAddTheirExponentials) {
  struct Correction {
    std::string name;
    int scales;
    std::array<int, 2> fast;
    std::array<int, 2> slow;
    double scale_seconds;
    int amplitude;
    int tau_code;
  };
  const Correction corrections[] = {
      {"fast", 0, {100, 100}, {128, 255}, 8.2e-6, 100, 100},
      {"fast, long scale", 1, {150, 200}, {128, 255}, 58e-6, 150, 200},
      {"slow", 0, {128, 255}, {110, 120}, 1e-4, 110, 120},
      {"slow, long scale", 2, {128, 255}, {140, 180}, 1e-3, 140, 180},
  };
  for (const Correction& c : corrections) {
    SCOPED_TRACE(c.name);
    AmplifierRackConfig config = AnalogConfig(1, 10e6);
    config.boards[0].analog.hf.on = true;
    Bench bench(config);
    const double a = (128.0 - c.amplitude) / (3.0 * c.tau_code);
    const double tau = c.scale_seconds * 255.0 / c.tau_code;
    // Past filter 1's delay what is left to come falls with tau; the step
    // settles 1 + a times as high as without the correction.
    const std::vector<double> times = {3.0 * tau, 4.0 * tau};
    const std::vector<double> shares = StepShares(bench, 0, HFWords(4095, 3055, 0, c.scales, c.fast, c.slow), times);
    const double measured = (4.0 - 3.0) * tau / std::log((1.0 - shares[0]) / (1.0 - shares[1]));
    EXPECT_NEAR(measured, tau, 0.02 * tau);
    const auto settled = [&] {
      bench.Hold(30e-3, 0.0);
      const double rest = bench.Line(6);
      bench.Hold(30e-3, 1.0);
      return bench.Line(6) - rest;
    };
    const double corrected = settled();
    bench.Words(0, HFWords(4095, 3055, 0));
    EXPECT_NEAR(corrected / settled(), 1.0 + a, 1e-6);
  }
}

}  // namespace
