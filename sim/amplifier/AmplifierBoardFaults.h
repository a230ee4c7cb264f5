// The broken elements a simulated amplifier board can have, for the board
// test to find. The rack (sim/amplifier/AmplifierRack.h) puts them on the
// board from the next conversion on, so they may change between any two
// calls; the default is a sound board.
//
// Most are elements that read otherwise than the words set them
// (AmplifierBoardElements::Hold): a dead DAC, a switch stuck open. The
// others change the board's truths (a filter corner, a gain), its test
// integrator or its clipping line.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/amplifier/AmplifierBoardModel.h"

struct AmplifierBoardFaults {
  // Factors on filter 1's corners by its setting 0-3 and on the output
  // amplifier's gains by their index 0-5 (x 1 ... x 40).
  std::array<double, 4> filter1_corner = {1.0, 1.0, 1.0, 1.0};
  std::array<double, 6> output_gain = {1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
  // The probe offset DAC (17) stays at mid-scale.
  bool probe_offset_dac_dead = false;
  // The test circuit's slow time-constant network adds nothing: its
  // amplitude DAC (3) reads 128.
  bool t_slow_open = false;
  // The test integrator's auto-zero loop does not act.
  bool auto_zero_dead = false;
  // The clipping line stays low.
  bool clipping_never_set = false;
  // Filter 2's high-Q switch (latch 39 bit 0) stays open.
  bool filter2_high_q_dead = false;
  // The 10 pF test capacitor (latch 42 bit 3) is open.
  bool test_10pF_open = false;
  // Filter 2's source switches to the multiplexer (latch 31 bit 3) and to
  // the voltage monitor (latch 44 bit 2) stay open; its offset DAC (6)
  // stays at mid-scale.
  bool filter2_mux_source_dead = false;
  bool filter2_vmon_source_dead = false;
  bool filter2_offset_dac_dead = false;
  // The test DAC's and the external input's stimulus source switches
  // (latch 32 bits 0-1) stay open.
  bool stimulus_source_dead = false;
  // The G-leak switch (latch 38 bit 0) stays off.
  bool g_leak_switch_stuck_off = false;
  // The Rs compensation DAC (23) stays at 0.
  bool rs_dac_dead = false;
  // Switches stuck open, as masks of their bits: C-fast tau 2 (latch 36
  // bits 0-3: 1, 2, 4, 8) and the C-slow steps (latch 34 bits 0-3, bit 4
  // latch 35 bit 0).
  std::uint8_t c_fast_tau2_open = 0;
  std::uint8_t c_slow_open = 0;

  bool operator==(const AmplifierBoardFaults &) const = default;
};

// The bits of mask read as those of value.
struct HeldElement {
  int address;
  std::uint16_t mask;
  std::uint16_t value;
};

// The elements the faults hold.
std::vector<HeldElement> HeldElements(const AmplifierBoardFaults &faults);
// The truths of a board with the faults.
AmplifierAnalogTruths FaultyTruths(AmplifierAnalogTruths truths,
                                   const AmplifierBoardFaults &faults);
