// The analog side of one simulated amplifier board in voltage clamp, worked
// out from its elements (sim/amplifier/AmplifierBoardElements.h) and the
// stimulus DAC at each conversion:
//   command    stimulus DAC x 0.1 (x 0.5 with V-ref x2, latch 29 bit 3) x
//              the stimulus gain's truth + the stimulus offset + the
//              pipette offset (sim/amplifier/AmplifierScaleTruths.h);
//   pipette    V_p, the command through the stimulus filter (first order,
//              its corner by latch 33 bit 2: the wide one or the narrow),
//              with the C-slow prediction and the Rs correction
//              (sim/amplifier/AmplifierCell.h);
//   cell       the circuit on the probe less the compensations the elements
//              set (sim/amplifier/AmplifierCell.h);
//   probe      I x the range resistor (latch 40 bits 2-3: 0 range 0, 2
//              range 1, 3 range 2) through its pole and the HF stage
//              (sim/amplifier/AmplifierHFStage.h) + the range's probe offset
//              + the probe offset DAC's (17) share, 0 at mid-scale;
//   filter 1   a 4-pole Bessel (two 2-pole sections) at the corner latch 28
//              selects one-hot (none: the widest);
//   output     x 1, 2, 4 (latch 30 bit 2 set) or 10, 20, 40 by latch 31
//              bits 0-1: current monitor 1, which the multiplexer reads;
//   filter 2   two 2-pole sections at DAC 10 / factor 1 and DAC 12 / factor
//              2 (Bessel, or Butterworth with the high Q of latch 39 bit 0,
//              its second section's quality the board's own), left out when
//              latch 29 bit 1 bypasses it; the multiplexer reads the first
//              section through an inverting buffer;
//   Vmon       V_p x 10 (x 100 with latch 33 bit 0, / 5 with V-ref x2);
//   Rs         the correction alpha = R_comp / Rs, fed back onto the
//              pipette potential, leaves the cell behind Rs (1 - alpha); its
//              stability follows the loop's lag (by filter 1's
//              index 1, 5, 10, 2 us; 100 us slow); past alpha_c = 1 - 3 lag /
//              (Rs Cm), within 0.3 to 0.95, the loop rings at full scale, and
//              each entry into ringing counts as a violation; from
//              alpha_c - 0.1 on the transient's first undershoot grows
//              smoothly to 30 % of its peak at alpha_c;
//   test DAC   route 1 (latch 26 bit 1) adds it at the probe output, route
//              2 (latch 27 bit 3) at the output amplifier's input, each
//              through the test path's lag; the stimulus sources (latch 32:
//              bit 0 the test DAC, bit 1 the external input, which the rack
//              cables to the test DAC unless a front cable takes it) add it x
//              the external stimulus scale to the command, x 0.1 (x 0.5 with
//              V-ref x2);
//   integrator the test integrator (latch 39 bits 2-3: source 1 the test
//              DAC, 2 the front test input) integrates at its rate by the test capacitor
//              (latch 42 bits 2-3: 1 the 1 pF, 2 the 10 pF, both), its slow
//              auto-zero loop making it a band-pass; the capacitor carries
//              the drive x its output's slope into the probe; the
//              multiplexer shows the output on 4 (1 pF) and 2 (10 pF);
//   networks   the C-slow and C-fast networks of the pipette potential
//              (sim/amplifier/AmplifierScaleTruths.h), run while the
//              multiplexer (latch 41) shows them on 3 and 4;
//   current clamp  with latch 33 bit 3 the amplifier drives the stimulus
//              DAC (and the external stimulus, and with latch 24 bit 1 the
//              external current-clamp stimulus) x 0.1, 1, 10 or 100 pA/mV
//              into the pipette: gain range 1 or 0 with the current-clamp
//              range (the A, B and P boards latch 33 bit 0, the D boards
//              latch 24 bit 0, the others latch 24 bit 0 inverted; the C and
//              Z boards have range 1 only); the CC offset DAC (15) adds its
//              share from mid-scale; the probe measures that current, the
//              voltage monitor the pipette potential it gives the cell
//              (sim/amplifier/AmplifierCell.h, CellVoltage), C-fast
//              neutralising the pipette node;
//   reference  the Y boards' probe with bath sense (latch 29 bit 0 clear)
//              passes a step on its reference input to the current monitor
//              by the imbalance of its reference gain: (the balance - trim
//              DAC 23) x the trim's span / 4095 with the trim on (latch 38
//              bit 1), the untrimmed imbalance without; the balance differs
//              with V-ref x2. DAC 23 and latch 38 bit 1 are no Rs
//              compensation there;
//   noise      with noise on: the probe's current noise, its RMS by the
//              bandwidth each monitor sees it in, the mains' hum, and the
//              multiplexer's own noise, from a generator of the board's seed.
// The monitors limit at 10.5 V; past 10 V at the probe or a monitor the
// board's clipping line is set. The stages from the command to the monitor
// run as one circuit on the exact solver of sim/AnalogFixtures.h, retuned
// with their state when an element changes a value.
#pragma once

#include <array>
#include <random>

#include "sim/AnalogFixtures.h"
#include "sim/amplifier/AmplifierBoardElements.h"
#include "sim/amplifier/AmplifierCell.h"
#include "sim/amplifier/AmplifierHFStage.h"
#include "sim/amplifier/AmplifierScaleTruths.h"

// The simulator's own truths, a few per cent off the program's defaults.
struct AmplifierAnalogTruths {
  AmplifierCell cell = AmplifierCell::Open();
  AmplifierScaleTruths scale;
  // Volts per ampere of gain ranges 0-2 at the monitor, with the HF stage
  // at the range's default codes.
  std::array<double, 3> range_gain = {5e6 * 1.012, 5e8 * 0.992, 5e10 * 1.021};
  AmplifierHFTruths hf;
  // FALSE: an Rs loop that never rings nor undershoots, at any alpha.
  bool rs_rings = true;
  std::array<double, 3> probe_offset_volts = {0.004, 0.007, -0.003};
  double stimulus_gain = 0.994;
  double stimulus_offset_volts = 0.0018;
  // The stimulus filter's wide and narrow corners.
  std::array<double, 2> stimulus_filter_hz = {101.5e3, 9.85e3};
  // Filter 1's corners by its index 0-3.
  std::array<double, 4> filter1_hz = {98e3, 29.5e3, 10.3e3, 30e3};
  // The output amplifier's gains by its index 0-5.
  std::array<double, 6> output_gains = {1.0, 2.0, 4.0, 10.0, 20.0, 40.0};
  // DAC units per hertz of filter 2's corner with the Bessel response, by
  // section (Filter2Factors), and the second section's quality with high
  // Q: above 1 on the new kind of filter, below 1 on the original one.
  std::array<double, 2> filter2_factors = {0.0145, 0.0162};
  double filter2_high_q = 1.3066;
  // How far the probe offset DAC moves the probe output from mid-scale
  // (2048) to full scale.
  double probe_offset_span_volts = 0.72;
  // The probe's current noise in 10 kHz by range, and the mains' hum.
  std::array<double, 3> noise_amperes = {100e-12, 2e-12, 0.25e-12};
  double hum_amperes = 0.1e-12;
  // The multiplexer's offset and noise, shared by its channels.
  double mux_offset_volts = 0.0025;
  double mux_noise_volts = 20e-6;
  // The test DAC's routes into the probe and the output amplifier. The
  // probe output and the output amplifier sum the test DAC through
  // inverting stages: the filter-1 response the self-test reads behind the
  // probe starts at -180 degrees, and the multiplexer's inverting buffer on
  // filter 2's first section shows the test DAC upright.
  double test_probe_gain = -0.985;
  double test_output_gain = -1.012;
  double test_lag_seconds = 1e-6;
  // The test integrator's rate (1/s per volt) with the 1 pF and the 10 pF
  // capacitor, its auto-zero loop, and the gain from its output onto the
  // capacitor: through the 1 pF one an ideal probe (the HF stage off) at
  // gain range 0 then moves 5.05 times the probe tests' nominal 75 uV per
  // test DAC volt; with the stage on, at the probe tests' neutral codes
  // (1024, 1024), each range's own transresistance scales that (range 0:
  // 3055 / 4095).
  std::array<double, 2> integrator_rate = {99.2, 100.9};
  double auto_zero_hz = 0.1;
  double auto_zero_q = 0.6;
  double integrator_drive = 0.755;
  // Current clamp: amperes per stimulus DAC volt by the gain 0-3 (0.1, 1,
  // 10, 100 pA/mV), the offset DAC's span in DAC volts, the probe's input
  // capacitance and resistance.
  std::array<double, 4> cc_amperes_per_volt = {1.008e-10, 0.994e-9, 1.013e-8, 0.991e-7};
  double cc_offset_span_volts = 0.5;
  double cc_input_farads = 2e-12;
  double cc_input_ohms = 50e9;
  // The Y boards' reference gain: the trim DAC's balance without and with
  // V-ref x2, the trim's span and the imbalance without the trim.
  std::array<double, 2> ref_trim_balance = {2611.0, 2493.0};
  double ref_trim_span = 0.9;
  double ref_untrimmed_gain = 0.05;
};

// DAC units per hertz of filter 2's corner by section, with the Bessel
// response or with high Q: what a scale record of the truths holds. Each
// DAC sets its own section's corner, which with the Bessel response lies
// above the filter's (x 1.4192 and x 1.5912) and with high Q at it.
std::array<double, 2> Filter2Factors(const AmplifierAnalogTruths& truths, bool high_q);
// The original kind of filter 2, whose corner h follows the older law:
// the DACs / the factors give h + 5e-5 h^2.
bool IsOriginalFilter2(const AmplifierAnalogTruths& truths);

// What the board's DACs on the interface drive, in volts: its stimulus,
// its test input and the probe's reference (bath) input.
struct AmplifierDrive {
  double stimulus = 0.0;
  double test = 0.0;
  double reference = 0.0;
  // The front inputs (sim/amplifier/AmplifierConnections.h): the external
  // stimulus input, the test input that the test integrator's source 2
  // takes, and what of the test input reaches the external current-clamp
  // stimulus (latch 24 bit 1).
  double external = 0.0;
  double front_test = 0.0;
  double external_cc = 0.0;
};

struct AmplifierMonitors {
  // The command at the amplifier's input.
  double command = 0.0;
  double probe = 0.0;
  double filter1 = 0.0;
  double filter2_first = 0.0;
  // Current monitor 1, the output amplifier ahead of filter 2 (what the
  // multiplexer's channel 14 shows), and the current monitor behind it.
  double current1 = 0.0;
  double current = 0.0;
  double voltage = 0.0;
  // The networks ahead of the injection capacitors (valid while the
  // multiplexer shows them), the test DAC at the probe.
  double c_slow_network = 0.0;
  double c_fast_network = 0.0;
  double test_at_probe = 0.0;
  // The test integrator's output, and the channel (4 or 2) that shows it;
  // 0 without a test capacitor.
  double integrator = 0.0;
  int integrator_channel = 0;
  // The multiplexer's noise at this conversion.
  double mux_noise = 0.0;
  bool clipping = false;
};

class AmplifierBoardModel {
 public:
  static constexpr double kLimitVolts = 10.5;
  static constexpr double kClippingVolts = 10.0;

  // With noise, the probe's noise and hum from a generator of that seed.
  // The letter tells the board's current-clamp switches.
  AmplifierBoardModel(const AmplifierAnalogTruths& truths, bool noise, unsigned seed, char letter = 'R');

  // The monitors at `seconds` on the program's clock with the elements and
  // the stimulus DAC as they are from that instant. Time runs on by the
  // clock's steps forward; a step back (a sweep that starts before the last
  // one ended, as the boards run them ahead of the clock) continues from
  // where the board was.
  const AmplifierMonitors& Convert(const AmplifierBoardElements& elements, const AmplifierDrive& drive,
                                   double seconds);
  const AmplifierMonitors& Monitors() const { return _monitors; }

  // What the elements set, by the truths.
  int Range(const AmplifierBoardElements& elements) const;
  double OutputGain(const AmplifierBoardElements& elements) const;
  double Filter1Hz(const AmplifierBoardElements& elements) const;
  // Hz of filter 2's sections.
  std::array<double, 2> Filter2Hz(const AmplifierBoardElements& elements) const;
  double StimulusFilterHz(const AmplifierBoardElements& elements) const;
  // Filter 2's two sections.
  AnalogCircuit Filter2(const AmplifierBoardElements& elements) const;
  // Whether the test DAC (or the external input cabled to it) is a
  // stimulus source.
  bool ExternalStimulusOn(const AmplifierBoardElements& elements) const;
  // The current-clamp gain 0-3, -1 in voltage clamp.
  int CurrentClampGain(const AmplifierBoardElements& elements) const;
  double ReferenceGain(const AmplifierBoardElements& elements) const;
  // The compensations the elements set, by the truths.
  AmplifierCompensation Compensation(const AmplifierBoardElements& elements) const;
  // From the probe's input current to the current monitor with the
  // elements: the range's gain, the HF stage, filter 1, the output
  // amplifier and filter 2.
  AnalogCircuit CurrentChain(const AmplifierBoardElements& elements) const;
  // The same up to current monitor 1, ahead of filter 2.
  AnalogCircuit CurrentChainToMonitorOne(const AmplifierBoardElements& elements) const;
  const AmplifierAnalogTruths& Truths() const { return _truths; }
  // Another probe from the next conversion on; the state goes on.
  void UseTruths(const AmplifierAnalogTruths& truths);
  // The Rs compensation's alpha and its critical value with the elements.
  double RsAlpha(const AmplifierBoardElements& elements) const;
  double RsCriticalAlpha(const AmplifierBoardElements& elements) const;
  // The lag of the Rs compensation's loop with the elements.
  double RsLagSeconds(const AmplifierBoardElements& elements) const;
  // Compensation and RsLagSeconds of the elements the last Convert took,
  // kept from then: the stages that follow the model read them at every
  // conversion without decoding the elements again.
  const AmplifierCompensation& ConvertedCompensation() const { return _setting.compensation; }
  double ConvertedRsLagSeconds() const { return _setting.rs_lag_seconds; }
  // The board's own time (Convert).
  double Seconds() const { return _seconds; }
  static constexpr double kUndershootAlphas = 0.1;
  static constexpr double kMostUndershoot = 0.3;
  // How often the Rs compensation went past its critical alpha.
  long RsViolations() const { return _rsViolations; }

 private:
  struct Setting {
    int range = -1;
    double output_gain = 0.0;
    double filter1_hz = 0.0;
    std::array<double, 2> filter2_hz{};
    bool high_q = false;
    bool bypass_filter2 = false;
    double stimulus_filter_hz = 0.0;
    AmplifierCompensation compensation;
    double rs_alpha = 0.0;
    bool rs_ringing = false;
    double rs_lag_seconds = 0.0;
    // 0 none, 1 the probe, 2 the output amplifier, 3 the test integrator.
    int test_route = 0;
    // The test integrator's source (0 off) and capacitor code.
    int integrator_source = 0;
    int integrator_caps = 0;
    bool stimulus_source = false;
    double stimulus_scale = 0.0;
    // 0, or the multiplexer's network channel 3 or 4.
    int network = 0;
    AmplifierNetworks networks;
    int cc_gain = -1;
    // What a volt on the reference input adds at the probe output.
    double reference_gain = 0.0;
    AmplifierHFStage hf;
    // The Rs compensation's first undershoot, a share of the transient's
    // peak.
    double rs_undershoot = 0.0;
    bool operator==(const Setting&) const = default;
  };

  // Where the test route's path has each tap of the current chain.
  double RouteTap(int tap) const;

  Setting SettingOf(const AmplifierBoardElements& elements) const;
  // Filter 1 to the monitor, and the probe's range with its HF stage, as
  // the setting has them.
  AnalogCircuit Stages(const Setting& setting) const;
  AnalogCircuit RangeStage(const Setting& setting) const;
  void Retune(const Setting& setting);
  void MoveTo(double clock_seconds);
  double RsAlpha(const AmplifierCompensation& compensation) const;
  double RsCriticalAlpha(double lag_seconds) const;
  // A standard normal deviate; 0 without noise.
  double Gaussian();

  AmplifierAnalogTruths _truths;
  bool _noise;
  char _letter;
  bool _oldLetter;
  std::mt19937 _random;
  std::normal_distribution<double> _normal;
  Setting _setting;
  long _wordsSeen = 0;
  bool _tuned = false;
  double _noiseHz = 0.0;
  long _rsViolations = 0;
  // The command to the current monitor, with taps at the probe and after
  // filter 1; the voltage monitor's pipette potential.
  AnalogPath _current;
  AnalogPath _pipette;
  // Beside them, each run only while in use: the test DAC's route, the
  // network the multiplexer shows.
  AnalogPath _testRoute;
  AnalogPath _integrator;
  AnalogPath _network;
  double _command = 0.0;
  double _test = 0.0;
  double _frontTest = 0.0;
  // What the current clamp drives: stimulus DAC volts.
  double _clamp = 0.0;
  // The board's own time, moved on by the clock's steps forward.
  double _seconds = 0.0;
  double _lastClock = 0.0;
  bool _clockSeen = false;
  AmplifierMonitors _monitors;
};
