// Small analog circuits between a DAC and an ADC of a simulated board: the
// test circuits of the measurement code and the amplifier's stages. A circuit
// is a chain of linear blocks (gains, first-order RC low-passes, two-pole
// low-passes, or any block given by its state-space equations), a pure delay
// at its input and Gaussian noise at its output. Taps mark points along the
// chain whose output a path reports beside the chain's end.
//
// A path runs a circuit sample by sample on the DAC's real output, a
// staircase: between two steps the input is constant, and the state moves
// over that stretch by the exact solution of the circuit's equations, so
// that the result does not depend on how often the path is looked at.
//
// The boards themselves add what the measurement code corrects for (its
// board timing corrections): the DAC settles a conversion delay after the
// sample instant, the ADC samples at its own instant, the output and input
// stages are low-passes. AnalogBoardTiming holds that per board; the
// wirings (QRN55SimFixtures, ZRVSimFixtures) put it around every circuit.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <vector>

// ---- Circuits --------------------------------------------------------------

class AnalogCircuit {
 public:
  // dx/dt = a x + b u, y = c x + d u: one input, one output, `order` states
  // (a row major). Side outputs c' x + d' u are reported beside the chain
  // (AnalogPath::Side) without driving the next block.
  struct SideOutput {
    std::vector<double> c;
    double d = 0.0;
  };
  struct Block {
    int order = 0;
    std::vector<double> a;
    std::vector<double> b;
    std::vector<double> c;
    double d = 1.0;
    std::vector<SideOutput> sides{};
  };

  // A wire: the output is the input.
  static AnalogCircuit Wire();
  static AnalogCircuit Gain(double gain);
  // A first-order low-pass with the time constant tau in seconds.
  static AnalogCircuit RC(double tau_seconds);
  // omega0^2 / (s^2 + s omega0 / q + omega0^2): unity gain at DC, the phase
  // -90 degrees at the corner, where the gain is q.
  static AnalogCircuit TwoPoleLowPass(double corner_hz, double q);
  static AnalogCircuit Linear(Block block);
  static AnalogCircuit Delay(double seconds);
  // Gaussian noise of sigma volts at every sample, repeatable by its seed.
  static AnalogCircuit Noise(double sigma_volts, unsigned seed);

  // This circuit followed by the next one: blocks chain, delays add, the
  // next one's noise (when it has any) replaces this one's.
  AnalogCircuit Then(const AnalogCircuit& next) const;
  // This circuit with a tap at its end (taps count from 0 along the chain).
  AnalogCircuit Tapped() const;

  const std::vector<Block>& blocks() const { return _blocks; }
  // The number of blocks before each tap.
  const std::vector<std::size_t>& taps() const { return _taps; }
  double delay() const { return _delay; }
  double noise_sigma() const { return _noise_sigma; }
  unsigned noise_seed() const { return _noise_seed; }

 private:
  std::vector<Block> _blocks;
  std::vector<std::size_t> _taps;
  double _delay = 0.0;
  double _noise_sigma = 0.0;
  unsigned _noise_seed = 0;
};

// ---- Running a circuit -----------------------------------------------------

class AnalogPath {
 public:
  // At rest: input, state and output 0.
  explicit AnalogPath(const AnalogCircuit& circuit);

  // The input steps to volts at `seconds`; the step reaches the circuit after
  // its delay. Steps come in time order; one earlier than a time already
  // sampled takes effect at that time.
  void Drive(double seconds, double volts);
  // The output at `seconds` (not before the last sample's time), noise
  // included.
  double Sample(double seconds);
  // Tap k's output at the time of the last sample, without noise.
  double Tap(int k) const;
  // Side output k (counted along the chain) at the time of the last sample.
  double Side(int k) const;
  // A switch changes the circuit from now on: the blocks up to the first
  // one whose number of states differs (the same sections, other corners or
  // gains) take over their state as it stands; the others start at rest.
  // Pending steps and the noise stay.
  void Retune(const AnalogCircuit& circuit);

 private:
  // x(t + h) = Phi x(t) + Gamma u for an input u held over h.
  struct Step {
    std::vector<double> phi;
    std::vector<double> gamma;
  };
  // y = c x + d u.
  struct Output {
    std::vector<double> c;
    double d = 1.0;
  };

  void Build(const AnalogCircuit& circuit);
  void MoveTo(double seconds);
  const Step& StepOf(double seconds);
  double Value(const Output& output) const;

  double _delay;
  int _order;
  std::vector<double> _a;  // order x order, row major
  std::vector<double> _b;
  Output _output;
  std::vector<Output> _taps;
  std::vector<Output> _sides;
  std::vector<int> _block_orders;
  std::vector<double> _x;
  std::vector<double> _next_x;
  double _time = 0.0;
  double _input = 0.0;
  std::deque<std::pair<double, double>> _pending;  // (time at the circuit, volts)
  std::map<std::int64_t, Step> _steps;  // by the stretch in attoseconds; -1 the last long one

  double _noise_sigma;
  std::mt19937 _random;
  std::normal_distribution<double> _noise;
};

// ---- What the boards add -----------------------------------------------------

struct AnalogBoardTiming {
  // The DAC's output settles this long after the sample instant.
  double dac_delay_seconds;
  // The ADC samples this long after the sample instant.
  double adc_delay_seconds;
  // First-order output and input stages (0: none); the input stage has
  // input_poles equal poles.
  double output_tau_seconds;
  double input_tau_seconds;
  int input_poles;
};

// The boards: the ZRV-24, ZRV-28 and QRN 5+5 sample their ADC before their
// DAC settles, so that the sample of one instant sees the DAC value of the
// instant before; the QRN 2400 samples 3.2 us after it. The QRN 5+5's input
// stage has two equal poles, and its ADC samples one time constant late,
// which leaves the stage with the gain of two poles and the phase of one.
inline constexpr AnalogBoardTiming kZRV24Timing{1.1e-6, 0.0, 4.5e-7, 0.0, 1};
inline constexpr AnalogBoardTiming kZRV28Timing{1.5e-6, 0.0, 4.5e-7, 1.1e-6, 1};
inline constexpr AnalogBoardTiming kQRN2400Timing{0.0, 3.2e-6, 4.5e-7, 1.1e-6, 1};
inline constexpr AnalogBoardTiming kQRN55Timing{4.65e-6, 1.5e-7, 4.0e-7, 1.5e-7, 2};
// No delays and no stages: the circuit alone.
inline constexpr AnalogBoardTiming kIdealTiming{0.0, 0.0, 0.0, 0.0, 1};

// The circuit as a board's DAC and ADC see it: output stage, circuit, input
// stage, with the DAC's delay.
AnalogCircuit OnBoard(const AnalogCircuit& circuit, const AnalogBoardTiming& timing);

// One DAC-to-ADC connection of a board: the wirings keep one per connected
// ADC. Instants are seconds since the start of the board's sweep; a sweep
// that starts again (an instant before the last one) continues where the
// last one ended.
class AnalogConnection {
 public:
  AnalogConnection(int dac, const AnalogCircuit& circuit, const AnalogBoardTiming& timing);

  int dac() const { return _dac; }
  // The DAC's value at the sample instant; what the ADC sees at that
  // instant.
  double Convert(double sweep_seconds, double dac_volts);

 private:
  int _dac;
  AnalogPath _path;
  double _adc_delay;
  double _origin = 0.0;
  double _last_sweep_seconds = 0.0;
  double _last_dac_volts = 0.0;
};
