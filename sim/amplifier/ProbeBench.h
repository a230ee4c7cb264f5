// What stands at a simulated amplifier board's probe for the probe tests,
// per board and probe-selector position (0 without a selector), settable at
// any time, faults included: the model circuit (absent, at 10 MOhm, at
// 0.5 GOhm, or the input shielded), a load, and the probe head itself.
//
// The probe head (a TLV probe of input gain 0.5, or a TLV 1 probe of 50):
//   input      with the model circuit at 10 MOhm its input stage takes the
//              command: the multiplexer's probe channel (6) shows -0.75 x the
//              input gain x (command + the head's input offset) beside the
//              range's own probe offset; a TLV 1 probe's offset puts that
//              beyond 2 V until the pipette-offset DAC moves the command
//              onto it; off the 10 MOhm position the channel shows the probe
//              output, which follows the command by the head's output share
//              beside the range's probe offset;
//   CMR        the current monitor on the multiplexer (14) follows the
//              command by the head's common-mode share x the output gain;
//   test caps  the 1 pF and 10 pF test capacitors conduct their shares (0:
//              open), in the injection and in the test integrator's drive;
//   noise      the analog side's current density of the range (in 10 kHz)
//              x the head's factor, with a part rising with frequency that
//              equals it at the head's corner, x an excess in one band of one
//              range, reaches the current monitor on the multiplexer through
//              the range's gain, the HF stage, filter 1 and the output
//              amplifier (current monitor 1, ahead of filter 2:
//              AmplifierBoardModel::CurrentChainToMonitorOne); stationary
//              Gaussian, its one-sided density at the monitor reported by
//              Density;
//   monitor    an offset on the multiplexer's current monitor in one gain
//              range or in all (a saturating monitor), and per gain range an
//              offset at the probe.
// A position without a bench keeps the board's configured truths and the
// rack's model circuit.
#pragma once

#include <array>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "sim/amplifier/AmplifierBoardModel.h"

enum class ModelCircuit { kAbsent, k10MOhm, k500MOhm, kShielded, kLoad };

struct ProbeHead {
  double input_gain = 0.5;
  double input_offset_volts = 0.002;
  double common_mode = 1.5e-4;
  double output_share = 1.0;
  double one_pf_share = 1.0;
  double ten_pf_share = 1.0;
  bool noise = false;
  // A quiet probe: its traces stay within 2000 codes at the noise test's
  // highest gain.
  double noise_factor = 0.01;
  double noise_rise_hz = 1e4;
  // Density x factor from from_hz to to_hz in gain range `range`.
  struct Excess {
    int range = -1;
    double from_hz = 0.0;
    double to_hz = 0.0;
    double factor = 1.0;
  } excess;
  double monitor_offset_volts = 0.0;
  // The gain range the monitor offset shows in; -1: every range.
  int monitor_offset_range = -1;
  std::array<double, 3> range_offset_volts{};

  static ProbeHead Tlv1();
};

struct BenchPosition {
  ModelCircuit circuit = ModelCircuit::kShielded;
  ProbeHead probe;
};

// The circuit the model circuit's switch, the shield or the load put on the
// probe's input.
AmplifierCell CellOf(ModelCircuit circuit);

class ProbeBench {
 public:
  static constexpr int kBoards = 4;

  explicit ProbeBench(unsigned seed) : _random(seed) {}

  void Set(int board, int position, const BenchPosition& bench) { _positions[{board, position}] = bench; }
  // Nil without a bench there.
  const BenchPosition* At(int board, int position) const;

  // The bench's share of the truths of the board's probe at the position.
  void Apply(int board, int position, AmplifierAnalogTruths& truths) const;
  // After the board's model moved to `seconds`: the noise there.
  void Convert(int board, int position, const AmplifierBoardModel& model, const AmplifierBoardElements& elements,
               double seconds);
  // The multiplexer's channel as the bench changes it.
  double Mux(int board, int position, int channel, double volts, const AmplifierBoardModel& model,
             const AmplifierBoardElements& elements) const;

  // The one-sided noise density (V^2/Hz) at the current monitor at hz.
  static double Density(const AmplifierBoardModel& model, const AmplifierBoardElements& elements,
                        const ProbeHead& head, double hz);

 private:
  // A stretch of noise at the sampling grid, drawn with the density of
  // the elements as they were.
  struct NoiseStretch {
    long words = -1;
    double start = 0.0;
    std::vector<float> samples;
    double value = 0.0;
  };
  void Draw(NoiseStretch& stretch, const AmplifierBoardModel& model, const AmplifierBoardElements& elements,
            const ProbeHead& head, double seconds);

  std::map<std::pair<int, int>, BenchPosition> _positions;
  std::array<NoiseStretch, kBoards> _noise{};
  std::mt19937 _random;
};
