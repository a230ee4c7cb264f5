// The analog side of a simulated PK potentiostat board, driven by the
// registers its command words set (PKSimBoard) and by the AD/DA board's
// DACs: the nodes its multiplexer shows and its voltage and current
// monitors. Built from the boards' register tables and the family's
// nominal factors; the imperfections are the truths, seeded per board and
// overridable, so that tests can derive every expected calibration value.
//
// Sources (volts): the stimulus DAC (DAC 3 for the PK 510, the disk
// amplifier; DAC 2 for the PK 512, the ring), the test DAC (the QRN 5+5's
// fifth DAC), the 16-bit init and subtract DACs (32768 = 0 V, 3200 codes
// per volt, times their gain plus their offset), the 12-bit offset DACs,
// each moving its reading by its step per code away from its true zero.
//
// Nodes by multiplexer channel (the ones the calibration tests read):
//   8  the 10 V reference          9  zero
//   5  stimulus x its input scale's gain (1, 1/5, 1/50, 1/500 nominal)
//      plus the stimulus offset
//   0  node 5 through the stimulus filter (first order, corner by filter
//      0-7)
//   2  the control amplifier's potential: -(init + the controlled
//      stimulus) x its gain, the gain raised by the clamp-gain DAC's code
//      times its slope while the clamp gain is on, plus the
//      control-amplifier offset DAC (rising); PK 510 only. The controlled
//      stimulus is node 0 behind the control bandwidth (first order, corner
//      by bandwidth 0-7; the PK 512 has none).
//   6  current sensing: galvanostatic init x its gain, plus the working
//      electrode offset DAC of the feedback resistor (rising on the disk,
//      falling on the ring)
//   15 current sensing after the output stage: galvanostatic init x its
//      gain; potentiostatic, the current converter's output (below) x the
//      output gain; plus the common-mode response of the stimulus DACs (the
//      ring's CMR trims: floor + slope x |trim - its minimum|)
//   4  the open-cell potential: -init x its gain with the PK 510's
//      reference-to-ground off
//   11 the init DAC (rising)       12 the subtract DAC (rising)
//   7, 13  the test DAC (path 2, path 1) through the current and voltage
//      filters (corner by filter 0-6)
//   1  PK 510: the internal ground offset; PK 512: the measured voltage's
//      offset with its offset DAC (falling)
//   3  PK 510: the IR compensation, the converter's output x (intercept +
//      slope x the IR-gain DAC's code), plus the IR offset DAC (rising);
//      PK 512: the open-cell potential's offset with its 8-bit DAC
//      (falling)
//   14 the booster's sense voltage
// The current converter: potentiostatic, (init + the controlled stimulus)
// through the model cell (1: 100 ohm, 2: 10 kohm, 3: 1 Mohm, each off by
// its truth; 0 and the PK 512's fourth pass nothing) into the feedback
// resistor (50 ohm, 5 kohm, 500 kohm, each off by its truth), plus the
// test DAC on path 2 x its gain.
// The dynamic paths (the filters) carry the QRN 5+5's DAC and ADC
// timing. Every other channel reads 0 V. The mux output is (node + offset) x gain
// of the x1 or x100 path, plus noise, clipped at +-10.24 V.
// Voltage monitor (ADC 5 disk / 3 ring): (node 0 + init) x the monitor gain
// of the voltage-output gain (1, 5, 50, 500 nominal) while a model cell is
// in and the reference is not grounded, plus the voltage offset DAC
// (rising, falling on the ring); galvanostatic, minus the subtract DAC x
// its voltage gain x the monitor gain while the voltage subtraction is on.
// Current monitor (ADC 6 / 4): node 15, potentiostatic minus the subtract
// DAC x its current gain x the output gain while the current subtraction
// is on, plus the current offset DAC (falling).
//
// Faults: a dead mux channel puts a flat 0 V on the mux ADC line; stuck
// offset DACs stay at code 0 whatever they are sent; without a CMR minimum
// the response falls towards code 0 all the way.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <span>

#include "sim/AnalogFixtures.h"

class PKSimBoard;
enum class PKSimModel;

struct PKSimTruths {
  double mux_gain;
  double mux_offset_volts;
  double mux_x100_gain;
  double mux_x100_offset_volts;
  double reference_volts;
  double internal_ground_volts;
  std::array<double, 4> stim_scale_gain;  // times 1 / the nominal factor
  double stim_offset_volts;
  double stim_filter_gain;
  double stim_filter_offset_volts;
  std::array<double, 8> stim_filter_hz;
  double init_gain;
  double init_offset_volts;
  double subtract_gain;
  double subtract_offset_volts;
  double control_gain;
  double galvanostatic_gain;
  double output_gain;  // node 15 per init volt
  double ocp_gain;
  std::array<double, 7> current_filter_hz;
  std::array<double, 7> voltage_filter_hz;
  double current_filter_gain;
  double voltage_filter_gain;
  double filter_offset_volts;
  std::array<double, 4> voltage_monitor_gain;  // nominal 1, 5, 50, 500
  std::array<double, 4> voltage_offset_zero;   // codes, per voltage-output gain
  double voltage_offset_step_volts;
  std::array<double, 3> work_electrode_zero;   // per feedback resistor
  double work_electrode_step_volts;
  std::array<double, 6> control_offset_zero;   // mode x 3 + feedback
  double control_offset_step_volts;
  double current_offset_zero;
  double current_offset_step_volts;
  std::array<double, 8> control_hz;            // by control bandwidth
  std::array<double, 5> model_cell_gain;       // conductance over nominal, by cell
  std::array<double, 3> feedback_gain;         // resistance over nominal
  std::array<double, 4> current_output_gain;   // nominal 1, 5, 50, 500
  double test_current_gain;                    // test DAC path 2 into the converter
  double current_subtract_gain;                // per subtract volt, before the output gain
  double voltage_subtract_gain;                // per subtract volt, before the monitor gain
  double clamp_slope;                          // control gain per clamp-gain code
  double ir_intercept;
  double ir_slope;                             // per IR-gain code
  double ir_offset_zero;                       // codes
  double ir_offset_step_volts;
  double measured_volt_zero;                   // codes, PK 512
  double measured_volt_step_volts;
  double ocp_offset_zero;                      // codes of the 8-bit DAC, PK 512
  double ocp_offset_step_volts;
  double cmr1_minimum;
  double cmr2_minimum;
  double cmr_floor;  // V per V
  double cmr_slope;  // V per V per code
  double mux_noise_volts;
  double voltage_noise_volts;
  double current_noise_volts;
  unsigned seed;
  // Faults.
  std::uint16_t dead_mux_channels;  // bit c: channel c gives a flat 0 V
  bool stuck_offset_dacs;
  bool no_cmr_minimum;
};

// The seeded imperfections of a board: the same seed, the same truths.
PKSimTruths SeededPKTruths(PKSimModel model, unsigned seed);

// Filter index from the latch patterns of the register tables; nullopt for
// a pattern none of them makes.
std::optional<int> DecodePKStimulusFilter(const PKSimBoard& board);
std::optional<int> DecodePKCurrentFilter(const PKSimBoard& board);
std::optional<int> DecodePKVoltageFilter(const PKSimBoard& board);

class PKSimAnalog {
 public:
  PKSimAnalog(PKSimModel model, const PKSimTruths& truths);

  const PKSimTruths& Truths() const { return _truths; }
  void SetTruths(const PKSimTruths& truths) { _truths = truths; }

  // Moves the board to the instant with the DAC voltages (a DAC beyond
  // the span reads 0 V); mainBoard is the PK 510 when present (its
  // reference-to-ground switch also grounds the ring's reference).
  void Convert(const PKSimBoard& board, const PKSimBoard* mainBoard, double seconds,
               std::span<const double> dac_volts);

  // The mux output, and the monitors, as of the last conversion.
  double MuxVolts() const { return _mux; }
  double VoltageMonitor() const { return _voltage; }
  double CurrentMonitor() const { return _current; }
  // ADC lines of this board's monitors.
  int VoltageLine() const;
  int CurrentLine() const;
  // The node of a mux channel, without noise, as of the last conversion.
  double Node(int channel) const { return _nodes[static_cast<std::size_t>(channel & 15)]; }

  // Nominal figures the truths perturb.
  static double StimulusDacVolts(PKSimModel model, std::span<const double> dac_volts);
  static double Dac16Volts(std::uint16_t code) { return (code - 32768.0) / 3200.0; }

 private:
  void Retune(AnalogPath& path, std::optional<int>& tuned, std::optional<int> filter, std::span<const double> corners);
  // The control path behind the stimulus filter and the bandwidth (none:
  // the stimulus filter alone; no stimulus filter: a wire in its place).
  void RetuneControl(std::optional<int> stimulusFilter, std::optional<int> bandwidth);

  PKSimModel _model;
  PKSimTruths _truths;
  AnalogPath _stimFilter;
  AnalogPath _control;  // the stimulus filter, then the control bandwidth
  AnalogPath _currentFilter;
  AnalogPath _voltageFilter;
  std::optional<int> _stimTuned;
  std::optional<int> _controlTuned;  // the stimulus filter's index x 9 + the bandwidth's
  std::optional<int> _currentTuned;
  std::optional<int> _voltageTuned;
  double _time = 0.0;
  std::array<double, 16> _nodes{};
  double _mux = 0.0;
  double _voltage = 0.0;
  double _current = 0.0;
  std::mt19937 _random;
  std::normal_distribution<double> _normal{0.0, 1.0};
};
