// The circuit on a simulated amplifier's probe and what the amplifier
// injects against its current, as one linear block: from the command at the
// amplifier's input to the current the probe's feedback resistor carries.
//
// The command reaches the pipette through the stimulus filter (first order,
// its corner by the stimulus filter switch). The pipette sees:
//   stray      a capacitance to ground;
//   wall       a capacitance behind a resistor;
//   series     the path to the bath, straight or through the cell: the
//              membrane capacitance with its leak, and a second compartment
//              behind a resistor;
//   bath       the bath's own potential, against which the series path
//              drives.
// The compensations inject, from the pipette potential V:
//   C-fast     s V (C1 / (1 + s 0.3 us) + C2 / (1 + s tau));
//   C-slow     s C P / (1 + s (1 - f) C / G), P the filtered command: the
//              membrane behind Rs = 1 / G, charging faster by the Rs
//              fraction f;
//   G-leak     G V.
// The pipette potential is the filtered command P, the C-slow prediction f /
// G x the C-slow current, and the Rs correction R_comp x the current of the
// series path less the C-slow current. With C = Cm, G = 1 / Rs and f =
// R_comp / Rs the membrane charges as P / (1 + s (1 - f) Rs Cm) and the
// injection cancels its current.
// V counts from the bath's potential: what the cell sees, the compensations
// see.
#pragma once

#include "sim/AnalogFixtures.h"

struct AmplifierCell {
  double stray_farads = 0.0;
  double wall_farads = 0.0;
  double wall_ohms = 0.0;
  // 0: no path to the bath.
  double series_ohms = 0.0;
  // 0: the series path ends in the bath.
  double membrane_farads = 0.0;
  // 0: no leak.
  double membrane_ohms = 0.0;
  double second_farads = 0.0;
  double second_ohms = 0.0;
  double bath_volts = 0.0;

  static AmplifierCell Open();
  static AmplifierCell Resistor(double ohms);
  static AmplifierCell Capacitor(double farads);
  static AmplifierCell Bath();
  static AmplifierCell Seal();
  // A sealed pipette whose capacitance is one component: 4 pF behind the
  // wall's resistance, 2.5 us.
  static AmplifierCell SealedPipette();
  static AmplifierCell WholeCell();
  static AmplifierCell WholeCell2();

  bool operator==(const AmplifierCell&) const = default;
};

// The compensations as the board's elements set them, in physical units.
struct AmplifierCompensation {
  double c_fast1_farads = 0.0;
  double c_fast2_farads = 0.0;
  double c_fast_tau_seconds = 0.0;
  // 0: C-slow off.
  double c_slow_farads = 0.0;
  double g_series_siemens = 0.0;
  double g_leak_siemens = 0.0;
  double pipette_offset_volts = 0.0;
  // Rs compensation: the resistance it assumes (0: off) and its fraction.
  double rs_ohms = 0.0;
  double rs_fraction = 0.0;
  bool rs_slow = false;

  bool operator==(const AmplifierCompensation&) const = default;
};

// The C-fast component 1's own lag.
inline constexpr double kCFast1LagSeconds = 0.3e-6;

// The block: input the command less the bath potential (volts), output the
// probe current (amperes) less the compensations, side output 0 the pipette
// potential less the bath's. `rs_alpha` is the Rs correction's share of the
// series resistance (the loop's stability is the caller's). Always seven
// states, so that a change of cell or compensation keeps the state.
AnalogCircuit CellCurrent(const AmplifierCell& cell, const AmplifierCompensation& compensation,
                          double stimulus_filter_hz, double rs_alpha);

// The current clamp's block: input the command (volts) by which the
// amplifier drives amperes_per_volt into the pipette, output the pipette
// potential less the bath's. The
// pipette node holds the stray capacitance with the probe's input
// capacitance, less the C-fast that stays applied (never below a tenth of a
// picofarad), and leaks through the probe's input resistance.
AnalogCircuit CellVoltage(const AmplifierCell& cell, double node_farads, double input_ohms, double amperes_per_volt);
