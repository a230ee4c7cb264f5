// The BNC cables between the AD/DA interface and one rack's amplifier
// boards, as the "External Test" dialog and the sample-and-hold request
// list them, and the test DAC's sample-and-hold on the front:
//   inputs   an interface DAC to a board's test input (on the TLV 4 kinds
//            "Ext. Stim. Input CC": the test integrator's source 2 and the
//            external current-clamp stimulus) or its stimulus input ("Ext.
//            Stim. Input VC": the external stimulus, multiplexer 11);
//            without a cable the test input is open (0 V) and the stimulus
//            input keeps the rack's inner wire to the board's test DAC;
//   outputs  a board's V-Monitor, FILTER-1 (current monitor 1) or FILTER-2
//            (the current monitor) to an AD line of the rack; the board's
//            own lines stay wired as they are;
//   front    the rack's first DAC on its front passes a sample-and-hold:
//            it follows the DAC while the selected board's test-DAC output
//            (latch 45 bit 0) is on and, while it is off, holds the level,
//            drooping towards 0 and letting a little of the DAC through; a
//            cable takes it to an AD line ("Connect: Dac-0 to Adc-0", Dac-4
//            and Adc-8 in a second rack).
// The operator plugs and pulls cables at any time; they act from the next
// conversion on.
#pragma once

#include <array>
#include <optional>
#include <span>

#include "sim/amplifier/AmplifierBoardElements.h"

enum class FrontInput { kTest, kStimulus };
enum class FrontOutput { kVoltageMonitor, kFilter1, kFilter2 };

struct SampleHoldTruths {
  // Volts per second towards 0 while holding, and the share of the DAC
  // that reaches the held output.
  double droop = 0.05;
  double feed_through = 0.0008;
};

// Broken elements of a board's connections; settable at any time.
struct ConnectionFaults {
  // A factor on the sample-and-hold's droop.
  double sample_hold_droop = 1.0;
  // The voltage monitor's x 100 switch (latch 33 bit 0) stays open.
  bool vmon_x100_dead = false;
  bool operator==(const ConnectionFaults&) const = default;
};

class AmplifierConnections {
 public:
  static constexpr int kBoards = 4;
  static constexpr int kAdLines = 8;

  AmplifierConnections();

  // dac -1 pulls the cable.
  void PlugInput(int board, FrontInput input, int dac);
  // line -1 pulls the cable.
  void PlugOutput(int board, FrontOutput output, int line);
  void PlugSampleHold(int line);
  // Every cable pulled.
  void PullAll();

  // What a board's front input sees of the rack's DACs (one missing
  // drives 0 V); the stimulus input's inner wire carries `test` volts.
  double Input(int board, FrontInput input, std::span<const double> dac_volts, double test) const;

  // Moves the sample-and-hold to `seconds` with the rack's first DAC and
  // the selected board's elements (nil: none selected) from then on.
  void Convert(const AmplifierBoardElements* selected, double first_dac, double seconds,
               const SampleHoldTruths& truths, const ConnectionFaults& faults);
  // The front output: the level held (or followed) and the feed-through.
  double SampleHold() const { return _heldOutput; }

  // The board and output a cable takes to the line, or the sample-and-hold
  // (board -1); nothing on a line without a cable.
  struct Source {
    int board;
    FrontOutput output;
  };
  std::optional<Source> OnLine(int line) const;

 private:
  std::array<std::array<int, 2>, kBoards> _inputs;
  std::array<std::array<int, 3>, kBoards> _outputs;
  int _sampleHoldLine = -1;
  double _held = 0.0;
  double _heldOutput = 0.0;
  double _lastClock = 0.0;
  bool _started = false;
};
