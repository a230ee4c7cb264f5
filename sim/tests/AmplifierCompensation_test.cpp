// The simulated amplifier's cells and compensations in closed loop: a scale
// record holding the simulator's truths sets each compensation so that it
// cancels its part of the cell, and the program's defaults miss by the
// imperfections the truths hold.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "sim/amplifier/AmplifierRack.h"
#include "sim/tests/AmplifierRack_fixture.h"

using namespace RackSamples;

namespace {

// The factors of a scale record, as the program's defaults or as the truths.
struct Factors {
  double c_fast = 170.667;
  double c_slow = 10000.0;
  double g_series = 0.41;
  double g_leak = 409.6;
  double vp_scale = 10240.0;
  double vp_zero = 2048.0;

  static Factors Of(const AmplifierScaleTruths& truths) {
    return {truths.c_fast_factor, truths.c_slow_factor, truths.g_series_factor, truths.g_leak_factor,
            truths.vp_offset_scale, truths.vp_offset_zero};
  }
};

// A value in DAC units as a coarse step of `step` units plus a fine value up
// to `most`: the lowest step that leaves the fine value in reach.
struct Coarse {
  int index;
  int fine;
};
Coarse Additive(double units, double step, double most, int last) {
  int index = 0;
  while (index < last && units - index * step > most) ++index;
  return {index, static_cast<int>(std::lround(std::clamp(units - index * step, 0.0, most)))};
}

constexpr double kInjection10p = 1e-11;
constexpr int kCurrentLine = 6;
constexpr int kVoltageLine = 5;
constexpr double kInjection1p = 1e-12;

// The elements of each compensation, as words to the selected board.
std::vector<std::uint16_t> CFastWords(const Factors& f, double c1, double c2, int tau_step, int cslow_caps) {
  const Coarse one = Additive(c1 * f.c_fast / kInjection1p, 200.0, 255.0, 7);
  const Coarse two = Additive(c2 * f.c_fast / kInjection1p, 200.0, 255.0, 15);
  return {Word(9, one.fine), Word(8, two.fine), LatchWord(36, tau_step, two.index),
          LatchWord(42, cslow_caps & 3, one.index | (cslow_caps & 4) << 1)};
}

// C-slow in range 3 (10 pF injection, the capacitors of code 2 that
// CFastWords sets), with its series conductance.
std::vector<std::uint16_t> CSlowWords(const Factors& f, double farads, double siemens) {
  const Coarse slow = Additive(1.0 / farads * f.c_slow * kInjection10p, 2048.0, 4095.0, 31);
  const double g = siemens * f.g_series / kInjection10p;
  // The G-series codes by falling factor: 100, 10, 1, 0.3.
  const std::pair<int, double> steps[] = {{7, 0.3}, {3, 1.0}, {1, 10.0}, {0, 100.0}};
  std::size_t step = 0;
  while (step < 3 && g / steps[step].second > 4095.0) ++step;
  std::vector<std::uint16_t> words = {LatchWord(34, slow.index & 15, slow.index >> 4 | steps[step].first << 1)};
  for (const auto w : Dac12Words(20, slow.fine)) words.push_back(w);
  for (const auto w : Dac12Words(21, static_cast<int>(std::lround(g / steps[step].second)))) words.push_back(w);
  return words;
}

std::vector<std::uint16_t> GLeakWords(const Factors& f, double siemens, double range_gain) {
  const double units = siemens * f.g_leak * range_gain;
  const bool high = units > 4095.0;
  std::vector<std::uint16_t> words = Dac12Words(22, static_cast<int>(std::lround(high ? units / 10 : units)));
  words.push_back(LatchWord(38, high ? 1 : 0, 0));
  return words;
}

// Rs correction of `ohms` in range 1 with the C-slow network's fraction.
std::vector<std::uint16_t> RsWords(const AmplifierScaleTruths& truths, double range_gain, double ohms,
                                   double fraction) {
  std::vector<std::uint16_t> words = Dac12Words(23, static_cast<int>(std::lround(ohms * truths.rs_factor / range_gain)));
  words.push_back(LatchWord(38, 2, 0));
  words.push_back(Word(7, static_cast<int>(std::lround(fraction * truths.rs_fraction_factor))));
  return words;
}

std::vector<std::uint16_t> PipetteOffsetWords(const Factors& f, double volts) {
  return Dac12Words(16, static_cast<int>(std::lround(volts * f.vp_scale + f.vp_zero)));
}

// Board 0 of a single rack on its cell: range 1, gain 1, filter 1 at
// 10 kHz, filter 2 bypassed; an ideal probe, the range set without its HF
// codes.
class Cell {
 public:
  explicit Cell(const AmplifierCell& cell) {
    _config.analog = true;
    _config.boards[0].analog.cell = cell;
    _config.boards[0].analog.hf.on = false;
    _rack = std::make_unique<AmplifierRack>(_config, 0);
    _player = std::make_unique<RackPlayer>(*_rack);
    Words({LatchWord(28, 4, 2), LatchWord(30, 4, 0), LatchWord(40, 8, 0)});
    Words(PipetteOffsetWords(Truths(), 0.0));
    Words(Dac12Words(17, 2048));
  }

  Factors Truths() const { return Factors::Of(_config.boards[0].analog.scale); }
  const AmplifierScaleTruths& Scale() const { return _config.boards[0].analog.scale; }
  double RangeGain() const { return _config.boards[0].analog.range_gain[1]; }
  double ProbeOffset() const { return _config.boards[0].analog.probe_offset_volts[1]; }
  double StimulusOffset() const { return _config.boards[0].analog.stimulus_offset_volts; }
  void Words(const std::vector<std::uint16_t>& words) {
    _player->Select(0);
    _player->Play(Cached(words));
  }
  // The current monitor (or the voltage monitor on line 5) every 5 us for
  // `seconds` with the stimulus DAC at `volts`.
  std::vector<double> Hold(double seconds, double volts, int line = kCurrentLine) {
    std::vector<double> monitor;
    const std::array<double, 4> dacs = {volts, volts, volts, volts};
    for (double t = 0.0; t < seconds; t += 5e-6) {
      _rack->Convert({t, _now + t}, std::span<const double, 4>(dacs));
      monitor.push_back(_rack->AdVolts(line, std::span<const double, 4>(dacs)));
    }
    _now += seconds;
    _player->Wait(seconds);
    return monitor;
  }
  // The monitor over a 20 mV step.
  std::vector<double> Step() {
    Hold(5e-3, 0.0);
    return Hold(3e-3, 0.2);
  }
  AmplifierCompensation Applied() const { return _rack->Model(0)->Compensation(_rack->Board(0)); }

 private:
  AmplifierRackConfig _config;
  std::unique_ptr<AmplifierRack> _rack;
  std::unique_ptr<RackPlayer> _player;
  double _now = 200.0;
};

TEST(AmplifierCompensation, TheTruthsRealiseEachValue) {
  Cell cell(AmplifierCell::Open());
  const Factors truths = cell.Truths();
  cell.Words(CFastWords(truths, 1.5e-12, 2.5e-12, 4, 2));
  cell.Words(CSlowWords(truths, 22e-12, 100e-9));
  cell.Words(GLeakWords(truths, 1e-9, cell.RangeGain()));
  cell.Words(PipetteOffsetWords(truths, 0.0125));
  const AmplifierCompensation applied = cell.Applied();
  // Within the DACs' steps.
  EXPECT_NEAR(applied.c_fast1_farads, 1.5e-12, 0.005e-12);
  EXPECT_NEAR(applied.c_fast2_farads, 2.5e-12, 0.005e-12);
  EXPECT_DOUBLE_EQ(applied.c_fast_tau_seconds, 2.5e-6);
  EXPECT_NEAR(applied.c_slow_farads, 22e-12, 0.01e-12);
  EXPECT_NEAR(applied.g_series_siemens, 100e-9, 0.05e-9);
  EXPECT_NEAR(applied.g_leak_siemens, 1e-9, 0.005e-9);
  EXPECT_NEAR(applied.pipette_offset_volts, 0.0125, 1e-4);
}

// The cell without its capacitances: the series path and the membrane's
// leak to the bath.
AmplifierCell Resistive(const AmplifierCell& cell) {
  if (cell.membrane_farads > 0.0 && cell.membrane_ohms <= 0.0) return {.bath_volts = cell.bath_volts};
  const double leak = cell.membrane_farads > 0.0 ? cell.membrane_ohms : 0.0;
  return {.series_ohms = cell.series_ohms + leak, .bath_volts = cell.bath_volts};
}

// The charge (in volt seconds of the monitor) a 20 mV step moves beyond
// what the cell's resistive paths carry.
double TransientCharge(Cell& cell, const AmplifierCell& circuit) {
  Cell reference(Resistive(circuit));
  const std::vector<double> resistive = reference.Step();
  const std::vector<double> monitor = cell.Step();
  double charge = 0.0;
  for (std::size_t n = 0; n < monitor.size(); ++n) charge += std::fabs(monitor[n] - resistive[n]) * 5e-6;
  return charge;
}

struct LoopCase {
  std::string name;
  AmplifierCell cell;
  std::function<std::vector<std::uint16_t>(const Factors&, const Cell&)> compensate;
  // The measure: a transient's charge, or the settled current at 0 V or
  // with a step.
  enum { kCharge, kAtZero, kStepped } measure;
  double most;  // the share of the uncompensated measure left
};


double MeasureOf(Cell& cell, const LoopCase& c) {
  switch (c.measure) {
    case LoopCase::kCharge: return TransientCharge(cell, c.cell);
    case LoopCase::kAtZero: return cell.Hold(2e-3, 0.0).back() - cell.ProbeOffset();
    default: return cell.Hold(2e-3, 0.2).back() - cell.Hold(2e-3, 0.0).back();
  }
}

AmplifierCell SealedWholeCell() {
  AmplifierCell cell = AmplifierCell::WholeCell();
  cell.membrane_ohms = 0.0;
  return cell;
}

TEST(AmplifierCompensation, EachCancelsItsPartWithTheTruthsAndMissesWithTheDefaults) {
  const std::vector<LoopCase> cases = {
      // Without the membrane's leak, whose share of the charge (2 Rs / Rm,
      // 4 %) no C-slow cancels.
      {"C-fast and C-slow on the whole cell", SealedWholeCell(),
       [](const Factors& f, const Cell&) {
         std::vector<std::uint16_t> words = CFastWords(f, 1.5e-12, 2.5e-12, 4, 2);
         for (const auto w : CSlowWords(f, 22e-12, 100e-9)) words.push_back(w);
         return words;
       },
       LoopCase::kCharge, 0.02},
      {"C-fast on the bath", AmplifierCell::Bath(),
       [](const Factors& f, const Cell&) { return CFastWords(f, 1.5e-12, 2.5e-12, 4, 0); }, LoopCase::kCharge, 0.02},
      {"pipette offset on the bath", AmplifierCell::Bath(),
       // Less the stimulus's own offset, which the same null takes out.
       [](const Factors& f, const Cell& cell) { return PipetteOffsetWords(f, 0.0125 - cell.StimulusOffset()); }, LoopCase::kAtZero, 0.01},
      {"G-leak on the seal", AmplifierCell::Seal(),
       [](const Factors& f, const Cell& cell) { return GLeakWords(f, 1e-9, cell.RangeGain()); }, LoopCase::kStepped, 0.01},
  };
  for (const LoopCase& c : cases) {
    SCOPED_TRACE(c.name);
    Cell bare(c.cell);
    const double uncompensated = MeasureOf(bare, c);
    ASSERT_GT(std::fabs(uncompensated), 0.0);
    Cell byTruths(c.cell);
    byTruths.Words(c.compensate(byTruths.Truths(), byTruths));
    const double left = MeasureOf(byTruths, c);
    EXPECT_LT(std::fabs(left), c.most * std::fabs(uncompensated));
    Cell byDefaults(c.cell);
    byDefaults.Words(c.compensate(Factors{}, byDefaults));
    const double missed = MeasureOf(byDefaults, c);
    EXPECT_GT(std::fabs(missed), c.most * std::fabs(uncompensated));
  }
}

// The Rs correction on the pipette potential: R_comp x the series current
// added to the command leaves the cell behind Rs (1 - alpha).
TEST(AmplifierCompensation, RsCorrectionRaisesThePipettePotential) {
  Cell cell(AmplifierCell::Resistor(10e6));
  const double bare = cell.Hold(2e-3, 0.2).back() - cell.ProbeOffset();
  const double vmon = cell.Hold(2e-3, 0.2, kVoltageLine).back();
  cell.Words(RsWords(cell.Scale(), cell.RangeGain(), 5e6, 0.0));
  const double alpha = cell.Applied().rs_ohms / 10e6;
  EXPECT_NEAR(alpha, 0.5, 0.005);
  EXPECT_NEAR(cell.Hold(2e-3, 0.2).back() - cell.ProbeOffset(), bare / (1.0 - alpha), 1e-6);
  EXPECT_NEAR(cell.Hold(2e-3, 0.2, kVoltageLine).back(), vmon / (1.0 - alpha), 1e-6);
}

// With C-slow at the cell and the fraction at the correction's alpha, the
// membrane charges by (1 - f) Rs Cm: the prediction lifts the pipette
// potential by f / (1 - f) of the step and lets it fall with that time
// constant, while the injection still cancels the membrane's current.
TEST(AmplifierCompensation, CSlowPredictionChargesTheCellFasterAndStillCancels) {
  const AmplifierCell circuit = SealedWholeCell();
  Cell bare(circuit);
  const double uncompensated = TransientCharge(bare, circuit);
  Cell cell(circuit);
  std::vector<std::uint16_t> words = CFastWords(cell.Truths(), 1.5e-12, 2.5e-12, 4, 2);
  for (const auto w : CSlowWords(cell.Truths(), 22e-12, 100e-9)) words.push_back(w);
  for (const auto w : RsWords(cell.Scale(), cell.RangeGain(), 5e6, 0.5)) words.push_back(w);
  cell.Words(words);
  const AmplifierCompensation applied = cell.Applied();
  const double f = applied.rs_fraction;
  EXPECT_NEAR(f, 0.5, 0.005);
  EXPECT_LT(TransientCharge(cell, circuit), 0.03 * uncompensated);

  cell.Hold(5e-3, 0.0, kVoltageLine);
  const std::vector<double> vmon = cell.Hold(2e-3, 0.2, kVoltageLine);
  const double settled = vmon.back();
  const auto lift = [&](double seconds) { return vmon[static_cast<std::size_t>(std::lround(seconds / 5e-6))] - vmon[0] - (settled - vmon[0]); };
  const double tau = (1.0 - f) * applied.c_slow_farads / applied.g_series_siemens;
  EXPECT_NEAR(lift(20e-6), (settled - vmon[0]) * f / (1.0 - f) * std::exp(-20e-6 / tau), 0.02 * (settled - vmon[0]));
  EXPECT_NEAR(std::log(lift(50e-6) / lift(150e-6)), 100e-6 / tau, 0.02 * 100e-6 / tau);
}

}  // namespace
